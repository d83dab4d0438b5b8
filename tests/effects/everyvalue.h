// A test picture shared by the effects tests that look at every level of a table.
#pragma once

#include "testpictures.h"

#include <vector>

namespace effecttest {

// One row of 256 pixels in which every byte position takes every value once,
// each in its own order: B = i, G = 255 - i, R = 7i mod 256, A = i xor 0x33.
inline testpic::Picture everyValue()
{
    testpic::Picture p{256, 1, std::vector<unsigned char>(256 * 4)};
    for (int i = 0; i < 256; ++i) {
        p.bytes[4 * i] = static_cast<unsigned char>(i);
        p.bytes[4 * i + 1] = static_cast<unsigned char>(255 - i);
        p.bytes[4 * i + 2] = static_cast<unsigned char>(7 * i);
        p.bytes[4 * i + 3] = static_cast<unsigned char>(i ^ 0x33);
    }
    return p;
}

}  // namespace effecttest
