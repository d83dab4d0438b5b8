// Writer of frame files (".qvrbk").
//
// Layout: the shared 32-byte header with magic "QVRBK"; the ints 960, 640 and
// 190 (the design size every frame carries); the four corners' insets as
// (width, height) pairs for top-left, bottom-left, top-right, bottom-right; an
// int 0; then eight piece records in piece order (top-left, bottom-left,
// top-right, bottom-right corners, top, bottom, left, right tiles). A present
// piece is the flag word 1, a reserved 0, its length n and n bytes of PNG; an
// absent one is the flag word 0 alone.
#pragma once

#include <array>

#include "bytewriter.h"

namespace resgen {

struct FrameFile {
    // m_nCutWidth[c], m_nCutHeight[c] for c = 0..3.
    std::array<int, 4> cutWidth{};
    std::array<int, 4> cutHeight{};
    // Complete PNG files; an empty one is written as an absent piece.
    std::array<Bytes, 8> pieces;
};

Bytes writeFrameFile(const FrameFile &frame);

}  // namespace resgen
