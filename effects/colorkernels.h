// Whole-pixel colour kernels, several pixels at a time (internal, not
// exported; the tests include this header to hold every width against the
// plain per-pixel functions).
//
// Contents
//   1. lane types and helpers
//   2. SaturateHslBlock   one block of Saturateconst(..., amount, 1): RGBtoHSL,
//                         s = clamp(s + amount), HSLtoRGB
//   3. ColorHsbBlock      one block of ColorHSBEx(base, layer, opacity)
//   4. TiltMixBlock       one block of the tilt look's last step: toned and
//                         blurred mixed by one mask, then darkened by another
//   5. entry points       AVX-512 (16 pixels a block) and AVX2 (8 pixels)
//
// A block is N pixels of 4 bytes (B, G, R, A); byte 3 is kept. Each lane runs
// the very operations of the plain function, in the same order and the same
// precision (single where the plain form is in float, double where it mixes
// in double); branches become selections between values computed for every
// lane. Lanes whose result a branch would not use may divide by zero or
// convert out of range; their values are thrown away. The integer divisions
// of RGBtoHSL are taken as a truncated single-precision quotient: with a
// numerator below 2^16 and a divisor below 2^9, a quotient that is not a
// whole number lies at least 1/510 from one, far beyond the rounding of the
// division, so the truncation is the integer quotient.
//
// Contraction of a * b + c into one fused operation would change results, so
// it is switched off for everything in this header, whatever the including
// file is compiled with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QVFX_HAVE_COLOR_KERNELS 1
#endif

#ifdef QVFX_HAVE_COLOR_KERNELS

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
// The lane helpers pass vectors by value; they are always inlined into the
// entry points, so the note about the calling convention of such arguments
// does not apply (it is given at the end of the file that includes this one,
// so the setting is not undone below).
#pragma GCC diagnostic ignored "-Wpsabi"

namespace qvfx::ck {

// ---------------------------------------------------------------------------
// 1. lane types and helpers

#define QVFX_LANES inline __attribute__((always_inline))

template <int N>
struct Lanes {
    typedef std::int32_t I __attribute__((vector_size(4 * N)));
    typedef float F __attribute__((vector_size(4 * N)));
    typedef std::uint8_t B __attribute__((vector_size(N)));  // one byte a lane
    // half a block: N / 2 ints and the doubles of the same lanes
    typedef std::int32_t IH __attribute__((vector_size(2 * N)));
    typedef double DH __attribute__((vector_size(4 * N)));
    typedef std::int64_t LH __attribute__((vector_size(4 * N)));
};

template <class V, class S>
QVFX_LANES V Splat(S s)
{
    return V{} + s;
}

template <class I, class F>
QVFX_LANES F ToFloat(I v)
{
    return __builtin_convertvector(v, F);
}

// static_cast<int>, lane by lane (truncation toward zero)
template <class I, class F>
QVFX_LANES I Trunc(F v)
{
    return __builtin_convertvector(v, I);
}

template <class I>
QVFX_LANES I Max(I a, I b)
{
    return a > b ? a : b;
}

template <class I>
QVFX_LANES I Min(I a, I b)
{
    return a < b ? a : b;
}

// mask ? a : b for lane masks of all ones or all zeros, as bit operations
template <class I>
QVFX_LANES I Select(I mask, I a, I b)
{
    return (a & mask) | (b & ~mask);
}

template <class I, class F>
QVFX_LANES F SelectF(I mask, F a, F b)
{
    return reinterpret_cast<F>(Select(mask, reinterpret_cast<I>(a), reinterpret_cast<I>(b)));
}

template <class I>
QVFX_LANES I ClampByte(I v)
{
    v = v < 0 ? Splat<I>(0) : v;
    return v > 255 ? Splat<I>(255) : v;
}

// truncByte(float): 255 from 255 up, int(v) from 1 up, else 0 (NaN too)
template <class I, class F>
QVFX_LANES I TruncByte(F v)
{
    const I t = Trunc<I>(v);
    return v >= 255.0f ? Splat<I>(255) : (v >= 1.0f ? t : Splat<I>(0));
}

// The blends' mix in double, int(v o + a (1 - o)) clamped to a byte, with
// keep = 1 - o. The lanes are taken in two halves so that every double vector
// fills one register. Clamping in double first gives truncByte's result:
// below 1 (NaN included) the truncation is 0, from 255 up it is 255.
template <class I, int N>
QVFX_LANES I MixD(I v, I a, double o, double keep)
{
    using H = typename Lanes<N>::IH;
    using DH = typename Lanes<N>::DH;
    using LH = typename Lanes<N>::LH;
    H part[2][2];
    std::memcpy(part[0], &v, sizeof v);
    std::memcpy(part[1], &a, sizeof a);
    H out[2];
    for (int k = 0; k < 2; ++k) {
        DH x = __builtin_convertvector(part[0][k], DH) * o + __builtin_convertvector(part[1][k], DH) * keep;
        const LH positive = x > 0.0;
        x = positive ? x : DH{};
        const LH high = x > 255.0;
        x = high ? DH{} + 255.0 : x;
        out[k] = __builtin_convertvector(x, H);
    }
    I r;
    std::memcpy(&r, out, sizeof r);
    return r;
}

// Keeps v as computed: the compiler may not fold the selection that made it
// into later comparisons (it would turn them into selections between lane
// masks, which it can only do one lane at a time).
template <class V>
QVFX_LANES V Settle(V v)
{
    asm("" : "+v"(v));
    return v;
}

template <class I>
QVFX_LANES I Load(const unsigned char *p)
{
    I v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class I>
QVFX_LANES void Store(unsigned char *p, I v)
{
    std::memcpy(p, &v, sizeof v);
}

// byte 3 of the old pixels with the new R, G, B
template <class I>
QVFX_LANES I Pack(I old, I r, I g, I b)
{
    return (old & Splat<I>(static_cast<std::int32_t>(0xff000000u))) | (r << 16) | (g << 8) | b;
}

// ---------------------------------------------------------------------------
// 2. Saturateconst, mode 1

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

// ---------------------------------------------------------------------------
// 3. ColorHSBEx

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

// ---------------------------------------------------------------------------
// 4. the tilt look's mix

// With a = float(band) / 255 and b = float(shade) / 255 per pixel, each of
// B, G, R: m = int(toned * a + image * (1 - a)), image = low 8 bits of int(m * b).
template <int N>
QVFX_LANES void TiltMixBlock(unsigned char *image, const unsigned char *toned, const unsigned char *band,
                             const unsigned char *shade)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    using B = typename Lanes<N>::B;
    const I px = Load<I>(image), tp = Load<I>(toned);
    const F a = ToFloat<I, F>(__builtin_convertvector(Load<B>(band), I)) / 255.0f;
    const F b = ToFloat<I, F>(__builtin_convertvector(Load<B>(shade), I)) / 255.0f;
    const F keep = 1.0f - a;
    I out[3];
    for (int c = 0; c < 3; ++c) {
        const F t = ToFloat<I, F>((tp >> (8 * c)) & 255), v = ToFloat<I, F>((px >> (8 * c)) & 255);
        const I mixed = Trunc<I>(t * a + v * keep);
        out[c] = Trunc<I>(ToFloat<I, F>(mixed) * b) & 255;
    }
    Store(image, Pack(px, out[2], out[1], out[0]));
}

#undef QVFX_LANES

// ---------------------------------------------------------------------------
// 5. entry points (whole blocks only; the caller finishes the last pixels)

inline bool CpuHasAvx512()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    }();
    return has;
}

inline bool CpuHasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) inline void SaturateHslAvx512(unsigned char *p, std::size_t blocks, int amount)
{
    for (std::size_t i = 0; i < blocks; ++i, p += 64)
        SaturateHslBlock<16>(p, amount);
}

__attribute__((target("avx2"))) inline void SaturateHslAvx2(unsigned char *p, std::size_t blocks, int amount)
{
    for (std::size_t i = 0; i < blocks; ++i, p += 32)
        SaturateHslBlock<8>(p, amount);
}

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) inline void ColorHsbAvx512(unsigned char *base, const unsigned char *layer,
                                                              std::size_t blocks, double opacity)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 64, layer += 64)
        ColorHsbBlock<16>(base, layer, opacity);
}

__attribute__((target("avx2"))) inline void ColorHsbAvx2(unsigned char *base, const unsigned char *layer,
                                                         std::size_t blocks, double opacity)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 32, layer += 32)
        ColorHsbBlock<8>(base, layer, opacity);
}

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) inline void TiltMixAvx512(
    unsigned char *image, const unsigned char *toned, const unsigned char *band, const unsigned char *shade,
    std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, image += 64, toned += 64, band += 16, shade += 16)
        TiltMixBlock<16>(image, toned, band, shade);
}

__attribute__((target("avx2"))) inline void TiltMixAvx2(unsigned char *image, const unsigned char *toned,
                                                        const unsigned char *band, const unsigned char *shade,
                                                        std::size_t blocks)
{
    for (std::size_t i = 0; i < blocks; ++i, image += 32, toned += 32, band += 8, shade += 8)
        TiltMixBlock<8>(image, toned, band, shade);
}

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
