// Saturateconst(..., amount, 1) several pixels at a time: RGBtoHSL,
// s = clamp(s + amount), HSLtoRGB (internal; lanes in colorkernels_lanes.h).
//
// The integer divisions of RGBtoHSL are taken as a truncated single-precision
// quotient: with a numerator below 2^16 and a divisor below 2^9, a quotient
// that is not a whole number lies at least 1/510 from one, far beyond the
// rounding of the division, so the truncation is the integer quotient.
#pragma once

#include "colorkernels_lanes.h"

#ifdef QVFX_HAVE_COLOR_KERNELS

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")

namespace qvfx::ck {

// HueToRGB(p, q, h) * 255, truncated to a byte.
template <class I, class F>
QVFX_LANES I HueChannel(F p, F q, F h)
{
    h = h > 360.0f ? h - 360.0f : (h < 0.0f ? h + 360.0f : h);
    // both slopes are p + (q - p) * t / 60, rising with t = h, falling with t = 240 - h
    const F t = h < 60.0f ? h : 240.0f - h;
    const F ramp = p + (q - p) * t / 60.0f;
    const F v = h < 60.0f ? ramp : (h < 180.0f ? q : (h < 240.0f ? ramp : p));
    return TruncByte<I>(v * 255.0f);
}

// amount must lie in -255..255 (any larger amount clamps every s alike).
template <int N>
QVFX_LANES void SaturateHslBlock(unsigned char *p, int amount)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    const I px = Load<I>(p);
    const I r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;

    // RGBtoHSL
    const I mx = Max(Max(r, g), b), mn = Min(Min(r, g), b);
    const I d = mx - mn, sum = mx + mn, light = (sum + 1) >> 1;
    const I grey = d == 0;
    const I divisor = light < 128 ? sum : 510 - sum;
    I sat = Trunc<I>(ToFloat<I, F>(255 * d) / ToFloat<I, F>(divisor)) + 1;
    sat = sat > 255 ? Splat<I>(255) : sat;
    // h = dA - dB + offset with dX = int(X * 42.5 / d + .5) of the two channels
    // the maximum's branch reads: (db - dg), (dr + 85 - db) or (dg + 170 - dr)
    const I isR = mx == r, isG = mx == g;
    const I A = isR ? mx - b : (isG ? mx - r : mx - g);
    const I B = isR ? mx - g : (isG ? mx - b : mx - r);
    const I offset = isR ? Splat<I>(0) : (isG ? Splat<I>(85) : Splat<I>(170));
    const F fd = ToFloat<I, F>(d);
    const I dA = Trunc<I>(ToFloat<I, F>(A) * 42.5f / fd + 0.5f);
    const I dB = Trunc<I>(ToFloat<I, F>(B) * 42.5f / fd + 0.5f);
    const I h = grey ? Splat<I>(170) : (dA - dB + offset) & 255;
    sat = grey ? Splat<I>(0) : sat;

    // the saturation table: clamp(s + amount)
    const I s2 = ClampByte(sat + amount);

    // HSLtoRGB
    const F H = ToFloat<I, F>(h) * 360.0f / 255.0f;
    const F S = ToFloat<I, F>(s2) / 255.0f;
    const F L = ToFloat<I, F>(light) / 255.0f;
    const F q = L <= 0.5f ? L + S * L : L + S - L * S;
    const F pp = 2.0f * L - q;
    const I flat = TruncByte<I>(L * 255.0f);
    const I none = s2 == 0;
    const I nr = none ? flat : HueChannel<I>(pp, q, H + 120.0f);
    const I ng = none ? flat : HueChannel<I>(pp, q, H);
    const I nb = none ? flat : HueChannel<I>(pp, q, H - 120.0f);
    Store(p, Pack(px, nr, ng, nb));
}

// whole blocks only; the caller finishes the last pixels

QVFX_AVX512 inline void SaturateHslAvx512(unsigned char *p, std::size_t blocks, int amount)
{
    for (std::size_t i = 0; i < blocks; ++i, p += 64)
        SaturateHslBlock<16>(p, amount);
}

QVFX_AVX2 inline void SaturateHslAvx2(unsigned char *p, std::size_t blocks, int amount)
{
    for (std::size_t i = 0; i < blocks; ++i, p += 32)
        SaturateHslBlock<8>(p, amount);
}

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
