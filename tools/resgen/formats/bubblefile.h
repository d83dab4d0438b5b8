// Writer of speech-bubble files (".qvqp").
//
// Three records back to back, then the bubble picture:
//   head (171 bytes): version "1.0.0" (8), flag "QVQP" (6), ratio 1 (1),
//     short name (40), author (20), date (20), tag (60), four reserved words;
//   word (172 bytes): its length 172, flag "QW.1.0.0" (10), 2 padding, the
//     text area's four corners (left-top, left-bottom, right-top,
//     right-bottom; x then y), gradient byte, text colour (three bytes and a
//     0), second colour, background byte, background colour, 2 padding,
//     rotation, shadow byte, shadow colour, 3 padding, shadow thickness,
//     outline byte, outline colour, 3 padding, outline thickness, the font
//     name (64, zero-padded), four reserved words;
//   image (40 bytes): 40 + data size, flag "QI.1.0.0" (10), 2 padding, the
//     format 13 (PNG), the data size, four reserved words;
// then at offset 383 the PNG.
#pragma once

#include <array>
#include <string>

#include "bytewriter.h"

namespace resgen {

struct BubbleFile {
    std::string name;        // at most 40 bytes
    int left = 0, top = 0;   // text area, right and bottom excluded
    int right = 0, bottom = 0;
    std::array<uint8_t, 3> textColor{};
    uint32_t backgroundColor = 0;
    uint32_t shadowColor = 0;
    uint32_t outlineColor = 0;
    std::string fontName;    // plain ASCII (a subset of GBK)
    Bytes png;
};

Bytes writeBubbleFile(const BubbleFile &bubble);

}  // namespace resgen
