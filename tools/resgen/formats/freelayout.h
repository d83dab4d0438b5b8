// Writer of free-collage layouts (".zypt").
//
// Layout: the shared header with magic "ZZYPT", the int 1, the cell count,
// the canvas width and height (640, 896), eight 0x01 bytes, then one 56-byte
// record a cell: x, y, w, h; the horizontal and vertical offset ranges and
// the rotation range (low, high ints); the size-factor range (low, high
// floats); eight 0x01 bytes.
#pragma once

#include <vector>

#include "bytewriter.h"

namespace resgen {

struct FreeCell {
    int x = 0, y = 0, w = 0, h = 0;
    int offsetXLow = 0, offsetXHigh = 0;
    int offsetYLow = 0, offsetYHigh = 0;
    int rotationLow = 0, rotationHigh = 0;
    float factorLow = 1.0f, factorHigh = 1.0f;
};

Bytes writeFreeLayout(const std::vector<FreeCell> &cells);

}  // namespace resgen
