// ColorHSBEx(base, layer, opacity) several pixels at a time (internal; lanes
// in colorkernels_lanes.h).
#pragma once

#include "colorkernels_lanes.h"

#ifdef QVFX_HAVE_COLOR_KERNELS

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")

namespace qvfx::ck {

template <int N>
QVFX_LANES void ColorHsbBlock(unsigned char *base, const unsigned char *layer, double opacity)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    const I bp = Load<I>(base), lp = Load<I>(layer);
    const I br = (bp >> 16) & 255, bg = (bp >> 8) & 255, bb = bp & 255;
    const I lr = (lp >> 16) & 255, lg = (lp >> 8) & 255, lb = lp & 255;

    // RGBtoHSB of the base: only the brightness is used
    const F v1 = ToFloat<I, F>(Max(Max(br, bg), bb)) / 255.0f;

    // RGBtoHSB of the layer: hue and saturation (the last channel equal to the
    // maximum, in the order r, g, b, picks the hue formula)
    const I mx = Max(Max(lr, lg), lb), mn = Min(Min(lr, lg), lb);
    const I grey = mx == mn;
    const F d = ToFloat<I, F>(mx - mn);
    const I isB = mx == lb, isG = mx == lg;
    const I num = isB ? lr - lg : (isG ? lb - lr : lg - lb);
    const F start = isB ? Splat<F>(4.0f) : (isG ? Splat<F>(2.0f) : Splat<F>(6.0f));
    F hue = 60.0f * (start + ToFloat<I, F>(num) / d);
    hue = hue > 360.0f ? hue - 360.0f : hue;
    const F h = Settle(grey ? Splat<F>(0.0f) : hue);
    const F s = grey ? Splat<F>(0.0f) : d / ToFloat<I, F>(mx);

    // HSBtoRGB(h, s, v1)
    const I V = Trunc<I>(v1 * 255.0f);
    const F fV = ToFloat<I, F>(V);
    const I P = Trunc<I>(fV - fV * s);
    const F span = ToFloat<I, F>(V - P);
    const I a300 = Settle<I>(h > 300.0f), a240 = Settle<I>(h > 240.0f), a180 = Settle<I>(h > 180.0f),
            a120 = Settle<I>(h > 120.0f), a60 = Settle<I>(h > 60.0f);
    // the one ramp of the sector: k(x) = int(x (V - P) / 60 + P)
    F x = SelectF(a60, 120.0f - h, h);
    x = SelectF(a120, h - 120.0f, x);
    x = SelectF(a180, 240.0f - h, x);
    x = SelectF(a240, h - 240.0f, x);
    x = SelectF(a300, 360.0f - h, x);
    const I K = Trunc<I>(x * span / 60.0f + ToFloat<I, F>(P));
    // sectors from the top: (V, P, K), (K, P, V), (P, K, V), (P, V, K), (K, V, P), (V, K, P)
    I r = Select(a60, K, V), g = Select(a60, V, K), b = P;
    r = Select(a120, P, r);
    b = Select(a120, K, b);
    g = Select(a180, K, g);
    b = Select(a180, V, b);
    r = Select(a240, K, r);
    g = Select(a240, P, g);
    r = Select(a300, V, r);
    b = Select(a300, K, b);
    const I zero = Settle<I>(h == 0.0f);
    r = Select(zero, V, r);
    g = Select(zero, V, g);
    b = Select(zero, V, b);

    const double keep = 1 - opacity;
    Store(base, Pack(bp, MixD<I, N>(ClampByte(r), br, opacity, keep), MixD<I, N>(ClampByte(g), bg, opacity, keep),
                     MixD<I, N>(ClampByte(b), bb, opacity, keep)));
}

// whole blocks only; the caller finishes the last pixels

QVFX_AVX512 inline void ColorHsbAvx512(unsigned char *base, const unsigned char *layer,
                                                              std::size_t blocks, double opacity)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 64, layer += 64)
        ColorHsbBlock<16>(base, layer, opacity);
}

QVFX_AVX2 inline void ColorHsbAvx2(unsigned char *base, const unsigned char *layer,
                                                         std::size_t blocks, double opacity)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 32, layer += 32)
        ColorHsbBlock<8>(base, layer, opacity);
}

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
