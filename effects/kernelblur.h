// The integer-kernel blur and the unsharp step built on it (internal, not
// exported): the one copy behind CSharp (sharpen.cpp) and the HDR looks'
// one-pass chain (styles_unsharp.cpp).
//
//   Kernel, MakeKernel   CSharp's weights for a radius, with what the vector
//                        forms need to divide exactly
//   BlurRow, BlurColumn  the two 1-D passes: sum(w p) / sum(w) over the kernel
//                        positions inside the line
//   StreamBlur           rows, then columns, through a ring of kernel-length
//                        rows: output row y once rows up to y + h have passed
//   Unsharp              clamp(((10000 + g) v - g b) / 10000) of B, G, R
//
// Everything is integer arithmetic; the vector forms (AVX2, AVX-512, as
// simd::level() allows) compute the same sums and divide them exactly, so
// every form gives the same bytes as the plain one.
#pragma once

#include "simd.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace kernelblur {

// Longest kernel (radius 50 gives 251).
inline constexpr int kMaxKernel = 255;

struct Kernel {
    int w[kMaxKernel] = {};  // symmetric around w[length / 2]
    int length = 0;          // odd
    int sum = 0;
    // sum(w p) / sum == (sum(w p) * multiplier) >> (16 + shift) for every
    // possible sum(w p) (0..255 * sum) in 16-bit lanes; checked exhaustively.
    bool exact16 = false;
    std::uint16_t multiplier = 0;
    int shift = 0;
    // Taps 2p and 2p + 1 (the last one alone) as one pair of signed byte
    // weights w_2p | w_2p+1 << 8, usable when every weight fits a signed byte
    // and 255 times a pair's weights fits 16 signed bits.
    bool pairable = false;
    std::int16_t pair[(kMaxKernel + 1) / 2] = {};
};

// The kernel of a radius: length 5r + 1 made odd, centre W = int(e^(h*h / q) + .5)
// and w_k = int(W e^-(k*k / q) + .5) with q = 2r*r, the exponents integer
// quotients. False (k untouched) for a radius outside 1..50.
bool MakeKernel(int radius, Kernel &k);

// A kernel from given weights (length odd, at most kMaxKernel, sum above 0).
void PrepareKernel(Kernel &k);

// The row pass of one row of width pixels: B, G, R of out; byte 3 of out is kept.
void BlurRow(const unsigned char *in, unsigned char *out, int width, const Kernel &k, qvfx::simd::Level level);

// The column pass of output row y of height rows, stride bytes a row: B, G, R
// of out, byte 3 kept; window[t] is row y - h + t (for the rows inside the picture).
void BlurColumn(const unsigned char *const *window, int y, int height, unsigned char *out, int stride,
                const Kernel &k, qvfx::simd::Level level);

// Both passes over a height x width picture, a row at a time: source(r)
// gives row r (asked once, in order, when it enters the window), target(y)
// the row that output row y is written to, and done(y, row) follows. False
// (nothing asked) when the ring of rows cannot be allocated.
template <class Source, class Target, class Done>
bool StreamBlur(int width, int height, const Kernel &k, qvfx::simd::Level level, Source source, Target target,
                Done done)
{
    const int n = k.length, h = n / 2;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    unsigned char *ring = static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(n), stride));
    if (!ring)
        return false;
    const unsigned char *window[kMaxKernel];
    int next = 0;  // next row to enter the window
    for (int y = 0; y < height; ++y) {
        for (; next <= (y + h < height - 1 ? y + h : height - 1); ++next)
            BlurRow(source(next), ring + static_cast<std::size_t>(next % n) * stride, width, k, level);
        for (int r = y - h < 0 ? 0 : y - h; r <= (y + h < height - 1 ? y + h : height - 1); ++r)
            window[r - (y - h)] = ring + static_cast<std::size_t>(r % n) * stride;
        unsigned char *out = target(y);
        BlurColumn(window, y, height, out, static_cast<int>(stride), k, level);
        done(y, out);
    }
    std::free(ring);
    return true;
}

// What Unsharp writes into byte 3.
enum class Alpha { Keep, Opaque };

// B, G, R of out = clamp(((10000 + g) image - g blurred) / 10000, 0, 255)
// (the division truncating) over bytes bytes (whole pixels); byte 3 of out
// kept or set to 255. out may be image or blurred.
void Unsharp(const unsigned char *image, const unsigned char *blurred, unsigned char *out, std::size_t bytes, int g,
             Alpha alpha, qvfx::simd::Level level);

}  // namespace kernelblur
