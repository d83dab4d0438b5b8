// Small helpers shared by the look recipes (styles_*.cpp); not exported.
#pragma once

#include "tonetables.h"

#include <cstddef>

namespace styles {

// Pixels of a width x height picture; 0 when either size is below 1.
inline std::size_t PixelCount(int width, int height)
{
    if (width < 1 || height < 1)
        return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Bytes of a width x height picture of 4-byte pixels (0 when empty).
inline std::size_t PictureBytes(int width, int height) { return PixelCount(width, height) * 4; }

// tables (R, G, B) on one pixel, each channel looked up from its own value.
inline void ApplyTone(unsigned char *px, const ToneTables &t)
{
    px[0] = t.blue[px[0]];
    px[1] = t.green[px[1]];
    px[2] = t.red[px[2]];
}

// The three 256 x 256 tables of a blend table file: Tk[row][column] is byte
// row * 256 + column of table k.
inline constexpr std::size_t kBlendTableOffsets[3] = {4, 65543, 131082};

struct BlendTables {
    const unsigned char *t[3];
    explicit BlendTables(const unsigned char *file)
        : t{file + kBlendTableOffsets[0], file + kBlendTableOffsets[1], file + kBlendTableOffsets[2]}
    {
    }
    unsigned char at(int k, unsigned row, unsigned column) const { return t[k][row * 256u + column]; }
};

}  // namespace styles
