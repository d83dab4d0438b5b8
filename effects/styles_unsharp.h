// The HDR looks' chain as one streaming pass (internal, not exported): a
// per-channel table, the unsharp mask of CSharp::useEffect, a second table.
//
// CSharp::useEffect blurs the whole picture into a second buffer (rows, then
// columns, each an integer weighted mean), then forms the unsharp result from
// the picture and the blur. Output row y of the blur needs the row-pass
// results of rows y - h .. y + h only, and the row pass of a row reads that
// row alone, so the picture can be taken a row at a time: a row is looked up
// in the first table and passed through the row pass when it enters the
// window, and output row y is blurred, sharpened against the picture's own
// row y (still holding its looked-up bytes) and written back once rows up to
// y + h have entered. The working set is a ring of 2h + 1 row-pass rows, so
// the picture is read and written once, and no picture-sized blur is made.
#pragma once

#include "styles_shared.h"

#include <cstdint>

namespace styles {

// x / 10000 for 0 <= x < 2,560,000 (the unsharp level before clamping to 255)
// by a product in single precision: x + .5 is exact in a float, and
// (x + .5) / 10000 lies at least 5e-5 from a whole number, beyond the two
// roundings of the product (under 3.1e-5 at these sizes), so truncation gives
// the integer quotient (checked for every x by the tests). The vector forms
// divide this way.
inline std::uint32_t UnsharpDivide(std::uint32_t x)
{
    return static_cast<std::uint32_t>((static_cast<float>(x) + 0.5f) * 0.0001f);
}

// Which form of the inner loops to run.
enum class UnsharpForm {
    Plain,   // one byte at a time
    Avx2,    // 16 bytes at a time
    Avx512,  // 32 or 64 bytes at a time (AVX-512 BW)
};

// The widest form simd::level() allows.
UnsharpForm BestUnsharpForm();

// before on every pixel, then CSharp::useEffect(image, width, height, radius,
// amount), then after (when not null) on every pixel: the same bytes, byte 3
// ending as 255. Where useEffect would refuse (radius outside 1..50) only the
// tables are applied, as in the step-by-step chain, and the result is false;
// false with the picture untouched when memory runs out; a picture with a
// size below 1 is left as it is (true).
bool LutUnsharpLut(unsigned char *image, int width, int height, const ChannelLut &before, int radius,
                   float amount, const ChannelLut *after, UnsharpForm form = BestUnsharpForm());

}  // namespace styles
