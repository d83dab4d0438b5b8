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
//   5. SoftLightByAlphaBlock
//                         SoftLightEx with the layer's byte 3 (scaled) as opacity
//   6. BaoColorBlock      one block of ABaoColor, with powers of its own; the
//                         pixels whose bytes it cannot vouch for are redone
//                         by the caller's exact form
//   7. entry points       AVX-512 (16 pixels a block, 8 for ABaoColor) and
//                         AVX2 (8 pixels, 4 for ABaoColor)
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
// division, so the truncation is the integer quotient. ABaoColor is the one
// exception to "the very operations" (section 6 says how it stays exact).
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
    typedef float FH __attribute__((vector_size(2 * N)));
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

// MixD with an opacity of its own in each lane (given in single precision,
// mixed in double as the blends do with a float opacity).
template <class I, class F, int N>
QVFX_LANES I MixDLanes(I v, I a, F o)
{
    using H = typename Lanes<N>::IH;
    using DH = typename Lanes<N>::DH;
    using LH = typename Lanes<N>::LH;
    using FH = typename Lanes<N>::FH;
    H part[2][2];
    FH op[2];
    std::memcpy(part[0], &v, sizeof v);
    std::memcpy(part[1], &a, sizeof a);
    std::memcpy(op, &o, sizeof o);
    H out[2];
    for (int k = 0; k < 2; ++k) {
        const DH od = __builtin_convertvector(op[k], DH);
        DH x = __builtin_convertvector(part[0][k], DH) * od + __builtin_convertvector(part[1][k], DH) * (1 - od);
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

// ---------------------------------------------------------------------------
// 5. soft light by the layer's alpha

// SoftLightEx(base, layer, o) with o = float(layer byte 3) * scale / 255 in
// single precision, a pixel at a time as StyleReverse calls it:
// m = (a b) >> 8, s = 255 - (((255 - a)(255 - b)) >> 8), r = m + ((a (s - m)) >> 8), mix(r).
template <int N>
QVFX_LANES void SoftLightByAlphaBlock(unsigned char *base, const unsigned char *layer, float scale)
{
    using I = typename Lanes<N>::I;
    using F = typename Lanes<N>::F;
    const I bp = Load<I>(base), lp = Load<I>(layer);
    const F o = ToFloat<I, F>((lp >> 24) & 255) * scale / 255.0f;
    I out[3];
    for (int c = 0; c < 3; ++c) {
        const I a = (bp >> (8 * c)) & 255, b = (lp >> (8 * c)) & 255;
        const I m = (a * b) >> 8;
        const I sc = 255 - (((255 - a) * (255 - b)) >> 8);
        const I r = m + ((a * (sc - m)) >> 8);
        out[c] = MixDLanes<I, F, N>(r, a, o);
    }
    Store(base, Pack(bp, out[2], out[1], out[0]));
}

// ---------------------------------------------------------------------------
// 6. ABaoColor
//
// The powers of ABaoColor are library calls whose last bits no vector form
// reproduces. The block computes each pixel with powers of its own instead
// (relative error below 1e-13) and the same arithmetic around them, so every
// channel value v it reaches lies within far less than kBaoMargin of the exact
// one (over all 2^24 colours the largest distance is about 4e-11). Where v - kBaoMargin and v + kBaoMargin give the same byte (clamp below
// 0 and from 255, truncation between), the exact value gives that byte too.
// Divisions by constants become products with their reciprocals here: they
// too only move v by a few units in the last place. The other pixels (a
// channel within the margin of a whole number, and black, which takes the
// linear toe and a cube root of next to nothing) are reported to the caller,
// who computes them exactly: a dozen of all 2^24 colours.

inline constexpr double kBaoMargin = 1e-7;

template <int N>
struct DLanes {
    typedef double D __attribute__((vector_size(8 * N)));
    typedef std::int64_t L __attribute__((vector_size(8 * N)));
    typedef std::int32_t I __attribute__((vector_size(4 * N)));
};

// log2(t) for finite t > 0: t = 2^e m with m in [.707, 1.414), then
// log2(m) = 2 atanh(z) / ln 2 with z = (m - 1) / (m + 1), |z| < .172, from eight
// terms of its series z (1 + z^2 / 3 + ... + z^14 / 15) (the next term is
// below 4e-14 of the result).
template <class D, class L>
QVFX_LANES D Log2Approx(D t)
{
    const L bits = reinterpret_cast<L>(t);
    D m = reinterpret_cast<D>((bits & 0x000fffffffffffffLL) | 0x3ff0000000000000LL);
    // the biased exponent as a double: its bits under those of 2^52, less 2^52
    D e = reinterpret_cast<D>((bits >> 52) | 0x4330000000000000LL) - 4503599627370496.0 - 1023.0;
    const L big = m > 1.4142135623730951;
    m = big ? m * 0.5 : m;
    e = big ? e + 1.0 : e;
    const D z = (m - 1.0) / (m + 1.0);
    // the series in w = z^2 by pairs (Estrin's scheme: a short chain of steps)
    const D w = z * z, w2 = w * w, w4 = w2 * w2;
    const D q0 = 1.0 + w * (1.0 / 3), q1 = 1.0 / 5 + w * (1.0 / 7), q2 = 1.0 / 9 + w * (1.0 / 11),
            q3 = 1.0 / 13 + w * (1.0 / 15);
    const D p = (q0 + q1 * w2) + (q2 + q3 * w2) * w4;
    return e + z * p * 2.8853900817779268;  // 2 / ln 2
}

// 2^y for |y| < 1000: 2^k with k = round(y), times e^(f ln 2) for the rest f in
// [-.5, .5] from twelve terms of its series (the next is below 1e-14).
template <class D, class L>
QVFX_LANES D Exp2Approx(D y)
{
    const double round = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to a whole number
    const D s = y + round;
    const D f = y - (s - round);
    const L k = reinterpret_cast<L>(s) - reinterpret_cast<L>(Splat<D>(round));
    const D x = f * 0.6931471805599453;
    // the series by pairs (Estrin's scheme), c_i = 1 / i!
    const D x2 = x * x, x4 = x2 * x2, x8 = x4 * x4;
    const D q0 = 1.0 + x, q1 = 0.5 + x * (1.0 / 6), q2 = 1.0 / 24 + x * (1.0 / 120),
            q3 = 1.0 / 720 + x * (1.0 / 5040), q4 = 1.0 / 40320 + x * (1.0 / 362880),
            q5 = 1.0 / 3628800 + x * (1.0 / 39916800);
    const D p = ((q0 + q1 * x2) + (q2 + q3 * x2) * x4) + (q4 + q5 * x2) * x8;
    return p * reinterpret_cast<D>((k + 1023) << 52);
}

template <class D, class L>
QVFX_LANES D PowApprox(D t, double c)
{
    return Exp2Approx<D, L>(Log2Approx<D, L>(t) * c);
}

// clamp(v) below 0 to 0 and from 255 to 255, truncated between (NaN aside)
template <class I, class D>
QVFX_LANES I BaoByte(D v)
{
    v = v < 0.0 ? D{} : v;
    v = v >= 255.0 ? Splat<D>(255.0) : v;
    return __builtin_convertvector(v, I);
}

// One channel: its byte, and in bad the lanes whose byte is in doubt.
template <class I, class D>
QVFX_LANES I BaoChannel(D v, I &bad)
{
    const I low = BaoByte<I>(v - kBaoMargin), high = BaoByte<I>(v + kBaoMargin);
    bad |= (low != high) | __builtin_convertvector(v != v, I);
    return low;
}

// Returns a bit for each pixel of the block that the caller must redo.
template <int N>
QVFX_LANES unsigned BaoColorBlock(unsigned char *p)
{
    using D = typename DLanes<N>::D;
    using L = typename DLanes<N>::L;
    using I = typename DLanes<N>::I;
    const I px = Load<I>(p);
    const D R = __builtin_convertvector((px >> 16) & 255, D);
    const D G = __builtin_convertvector((px >> 8) & 255, D);
    const D B = __builtin_convertvector(px & 255, D);
    const D X = 0.412453 * R + 0.357580 * G + 0.180423 * B;
    const D Y = 0.212671 * R + 0.715160 * G + 0.072169 * B;
    const D tx = X * (1 / 0.950456);
    const D fx = tx >= 0.008856 ? PowApprox<D, L>(tx, 0.333333) : 7.787 * tx + 0.137931;
    const D fy = Y >= 0.008856 ? PowApprox<D, L>(Y, 0.333333) : 7.787 * Y + 0.137931;
    const D Lstar = 116 * fy - 16;
    const D a = 500 * (fx - fy);
    const D fy2 = (Lstar + 16) * (1.0 / 116);
    // Every colour but black has Y above .07, so fy and fy2 above .41 and Y2
    // is fy2 cubed; black (fy2 near .137931, the linear toe) is redone.
    I bad = __builtin_convertvector(fy2 < 0.3, I);
    const D Y2 = fy2 * fy2 * fy2;
    // pow(Y2, 1/3) of fy2 cubed is fy2 to a few units in the last place
    const D g = fy2;
    const D gx = g + a * (1.0 / 500);
    const D gz = g - a * (1.0 / 200);
    const D X2 = 0.950456 * (gx * gx * gx);
    const D Z2 = 1.088754 * (gz * gz * gz);
    const I r = BaoChannel<I>(3.240479 * X2 - 1.537150 * Y2 - 0.498535 * Z2, bad);
    const I gg = BaoChannel<I>(-0.969256 * X2 + 1.875992 * Y2 + 0.041556 * Z2, bad);
    const I b = BaoChannel<I>(0.055648 * X2 - 0.204043 * Y2 + 1.057311 * Z2, bad);
    Store(p, Pack(px, r, gg, b));
    unsigned mask = 0;
    for (int k = 0; k < N; ++k)
        mask |= (bad[k] != 0 ? 1u : 0u) << k;
    return mask;
}



// ---------------------------------------------------------------------------
// 7. entry points (whole blocks only; the caller finishes the last pixels)

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

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) inline void SoftLightByAlphaAvx512(
    unsigned char *base, const unsigned char *layer, std::size_t blocks, float scale)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 64, layer += 64)
        SoftLightByAlphaBlock<16>(base, layer, scale);
}

__attribute__((target("avx2"))) inline void SoftLightByAlphaAvx2(unsigned char *base, const unsigned char *layer,
                                                                 std::size_t blocks, float scale)
{
    for (std::size_t i = 0; i < blocks; ++i, base += 32, layer += 32)
        SoftLightByAlphaBlock<8>(base, layer, scale);
}

// Runs BaoColorBlock<N> over whole blocks; exact(pixel) is the plain ABaoColor
// of one pixel, run on the original bytes of each pixel in doubt.
template <int N>
QVFX_LANES void BaoColorBlocks(unsigned char *p, std::size_t blocks, void (*exact)(unsigned char *))
{
    for (std::size_t i = 0; i < blocks; ++i, p += 4 * N) {
        unsigned char before[4 * N];
        std::memcpy(before, p, sizeof before);
        if (unsigned redo = BaoColorBlock<N>(p))
            for (int k = 0; k < N; ++k)
                if (redo >> k & 1) {
                    std::memcpy(p + 4 * k, before + 4 * k, 4);
                    exact(p + 4 * k);
                }
    }
}

__attribute__((target("avx512f,avx512dq,avx512bw,avx512vl"))) inline void BaoColorAvx512(
    unsigned char *p, std::size_t blocks, void (*exact)(unsigned char *))
{
    BaoColorBlocks<8>(p, blocks, exact);
}

__attribute__((target("avx2"))) inline void BaoColorAvx2(unsigned char *p, std::size_t blocks,
                                                         void (*exact)(unsigned char *))
{
    BaoColorBlocks<4>(p, blocks, exact);
}

#undef QVFX_LANES

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
