// Looks built on the adjustment tools: LomoHDR, LomoHDRJinDian, BaoColor and
// its colour step ABaoColor, Sharp, DanyaUseStone.
//
// Contents
//   1. ABaoColor        the exact pixel, and 8 pixels at a time with
//                       table-driven powers (AVX-512)
//   2. The looks        (the HDR chain they share is in styles_unsharp.cpp)
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorbalance.h"
#include "colorkernels_bao.h"
#include "curves.h"
#include "levels.h"
#include "sharpen.h"
#include "simd.h"
#include "styles_shared.h"
#include "styles_unsharp.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ZN_ADJUST_SIMD 1
#else
#define ZN_ADJUST_SIMD 0
#endif

using styles::ApplyLut;
using styles::ChannelLut;
using styles::PixelCount;

namespace {

// AutoColorLevel without analysis (the identity whatever the picture holds)
// and the HDR tables, then the unsharp mask 3 / .5, then after (when given),
// all in one pass.
void LomoHDRSteps(unsigned char *image, int width, int height, const ChannelLut *after)
{
    const ChannelLut levels = styles::TabulatePictureStep(
        [](unsigned char *ramp, int w, int h) { AutoColorLevel(ramp, w, h, false); });
    const ChannelLut before = styles::Then(levels, styles::LutOf(GetToneTables(ToneLook::LomoHDR)));
    if (styles::LutUnsharpLut(image, width, height, before, 3, 0.5f, after))
        return;
    // out of memory for the row ring: the steps one by one
    const std::size_t n = PixelCount(width, height);
    ApplyLut(image, n, before);
    CSharp sharp;
    sharp.useEffect(image, width, height, 3, 0.5f);
    if (after)
        ApplyLut(image, n, *after);
}

// The companding step of L*: t^.333333 above .008856, else the linear toe.
inline double LabF(double t) { return t >= 0.008856 ? std::pow(t, 0.333333) : 7.787 * t + 0.137931; }

inline unsigned char ClampTruncate(double v)
{
    if (v < 0)
        return 0;
    if (v >= 255)
        return 255;
    return static_cast<unsigned char>(static_cast<int>(v));
}

// One pixel of ABaoColor: out = B, G, R.
void ABaoColorPixel(const unsigned char *px, unsigned char *out)
{
    const double R = px[2], G = px[1], B = px[0];
    // In: X and Y on the 0..255 scale, then L* and a*.
    const double X = 0.412453 * R + 0.357580 * G + 0.180423 * B;
    const double Y = 0.212671 * R + 0.715160 * G + 0.072169 * B;
    const double fx = LabF(X / 0.950456);
    const double fy = LabF(Y);
    const double L = 116 * fy - 16;
    const double a = 500 * (fx - fy);
    // Back, with a* in the place of b*.
    const double fy2 = (L + 16) / 116;
    const double Y2 = fy2 >= 0.206893 ? fy2 * fy2 * fy2 : (fy2 - 0.137931) * 0.128419;
    const double g = std::pow(Y2, 1.0 / 3.0);
    const double gx = g + a / 500;
    const double gz = g - a / 200;
    const double X2 = 0.950456 * (gx * gx * gx);
    const double Z2 = 1.088754 * (gz * gz * gz);
    out[2] = ClampTruncate(3.240479 * X2 - 1.537150 * Y2 - 0.498535 * Z2);
    out[1] = ClampTruncate(-0.969256 * X2 + 1.875992 * Y2 + 0.041556 * Z2);
    out[0] = ClampTruncate(0.055648 * X2 - 0.204043 * Y2 + 1.057311 * Z2);
}

// ABaoColorPixel in place, for the pixels the vector form leaves in doubt.
void ABaoColorInPlace(unsigned char *px)
{
    unsigned char out[3];
    ABaoColorPixel(px, out);
    px[0] = out[0];
    px[1] = out[1];
    px[2] = out[2];
}

// --- ABaoColor, 8 pixels at a time with table-driven powers (AVX-512) -------------------------
//
// The same scheme as the colour kernels' ABaoColor block (colorkernels_bao.h):
// powers of our own, accurate to a few parts in 1e14, and each
// channel value v kept only where v - kBaoMargin and v + kBaoMargin give the
// same byte; the pixels in doubt (black, and channels within the margin of a
// whole number) are redone by the exact form. The powers here take most of
// their work from tables instead of series:
//   t^c = 2^(c e) * m^c with t = 2^e m, m in [1, 2) (vgetexp, vgetmant);
//   2^(c e) from a 16-entry table by e (every colour but black has
//   .07 < t < 256, so -4 <= e <= 7);
//   m^c = c_i^c (1 + r)^c with c_i = 1 + (i + .5) / 16 for the top four
//   mantissa bits i and r = m / c_i - 1, |r| < 1/31 (c_i^c and 1 / c_i from
//   16-entry tables);
//   (1 + r)^c from the binomial series up to r^6 (the first term left out
//   is below 5e-13; channel values then move by under 1e-8), summed by
//   pairs so the chain of steps stays short.
// Black is the one colour with X or Y under .008856 (the next smallest Y is
// .072), so the linear toe of L* is left to the exact form with black itself.
// Every table entry comes from std::pow or a division, built once.

#if ZN_ADJUST_SIMD && defined(QVFX_HAVE_COLOR_KERNELS)

#define ZN_AVX512DQ __attribute__((target("avx512f,avx512dq,avx512vl")))
// GCC 12 warns about the undefined pass-through operand inside its own
// intrinsics (vcvtdq2pd, vcvttpd2dq, vgetmant); no such value is read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

constexpr double kBaoMargin = 1e-7;
constexpr double kBaoPower = 0.333333;
constexpr int kBaoTerms = 6;  // binomial terms after the leading 1

struct BaoTables {
    alignas(64) double powerOfTwo[16];  // 2^(c (k - 4))
    alignas(64) double midPower[16];    // c_i^c
    alignas(64) double midInverse[16];  // 1 / c_i
    double binomial[kBaoTerms + 1];     // c (c - 1) ... (c - n + 1) / n!, n = 0..6
};

const BaoTables &GetBaoTables()
{
    static const BaoTables t = [] {
        BaoTables b;
        for (int k = 0; k < 16; ++k) {
            b.powerOfTwo[k] = std::pow(2.0, kBaoPower * (k - 4));
            const double mid = 1 + (k + 0.5) / 16;
            b.midPower[k] = std::pow(mid, kBaoPower);
            b.midInverse[k] = 1 / mid;
        }
        b.binomial[0] = 1;
        for (int n = 1; n <= kBaoTerms; ++n)
            b.binomial[n] = b.binomial[n - 1] * (kBaoPower - (n - 1)) / n;
        return b;
    }();
    return t;
}

struct BaoVectors {
    __m512d twoLo, twoHi, powLo, powHi, invLo, invHi;
    __m512d binomial[kBaoTerms + 1];
};

ZN_AVX512DQ inline void LoadBaoVectors(const BaoTables &t, BaoVectors &v)
{
    v.twoLo = _mm512_load_pd(t.powerOfTwo);
    v.twoHi = _mm512_load_pd(t.powerOfTwo + 8);
    v.powLo = _mm512_load_pd(t.midPower);
    v.powHi = _mm512_load_pd(t.midPower + 8);
    v.invLo = _mm512_load_pd(t.midInverse);
    v.invHi = _mm512_load_pd(t.midInverse + 8);
    for (int n = 0; n <= kBaoTerms; ++n)
        v.binomial[n] = _mm512_set1_pd(t.binomial[n]);
}

// t^kBaoPower for .07 < t < 256 (other lanes, black only, give values that are not used).
ZN_AVX512DQ inline __m512d BaoPower(__m512d t, const BaoVectors &v)
{
    const __m512d m = _mm512_getmant_pd(t, _MM_MANT_NORM_1_2, _MM_MANT_SIGN_zero);
    const __m512d e = _mm512_getexp_pd(t);
    // e + 4 in the low bits of a double's pattern: add 2^52 + 4
    const __m512i byExponent = _mm512_castpd_si512(_mm512_add_pd(e, _mm512_set1_pd(4503599627370496.0 + 4)));
    // the permutes read the low four bits of each index: the top four mantissa bits
    const __m512i byMantissa = _mm512_srli_epi64(_mm512_castpd_si512(m), 48);
    const __m512d two = _mm512_permutex2var_pd(v.twoLo, byExponent, v.twoHi);
    const __m512d mid = _mm512_permutex2var_pd(v.powLo, byMantissa, v.powHi);
    const __m512d inv = _mm512_permutex2var_pd(v.invLo, byMantissa, v.invHi);
    const __m512d r = _mm512_sub_pd(_mm512_mul_pd(m, inv), _mm512_set1_pd(1.0));
    // (b0 + b1 r + (b2 + b3 r) r^2) + (b4 + b5 r + b6 r^2) r^4
    static_assert(kBaoTerms == 6, "the sum below takes seven coefficients");
    const __m512d r2 = _mm512_mul_pd(r, r), r4 = _mm512_mul_pd(r2, r2);
    const __m512d *b = v.binomial;
    const __m512d p01 = _mm512_add_pd(b[0], _mm512_mul_pd(b[1], r)), p23 = _mm512_add_pd(b[2], _mm512_mul_pd(b[3], r));
    const __m512d p45 = _mm512_add_pd(b[4], _mm512_mul_pd(b[5], r));
    const __m512d p03 = _mm512_add_pd(p01, _mm512_mul_pd(p23, r2)), p47 = _mm512_add_pd(p45, _mm512_mul_pd(b[6], r2));
    const __m512d q = _mm512_add_pd(p03, _mm512_mul_pd(p47, r4));
    return _mm512_mul_pd(_mm512_mul_pd(two, mid), q);
}

// c x (a lambda would not carry the target attribute)
ZN_AVX512DQ inline __m512d Times(double c, __m512d x) { return _mm512_mul_pd(_mm512_set1_pd(c), x); }

// The byte of v (0 below 1, 255 from 255, int(v) between). Another value
// within kBaoMargin of v gives the same byte unless v lies within the margin
// of a whole number 1..255: those lanes, and NaN ones, are added to bad.
// w = v clamped to .5 .. 255.5 keeps the byte and the whole numbers that
// matter (the maximum is taken with .5 first so that a NaN passes through).
ZN_AVX512DQ inline __m256i BaoByte(__m512d v, __mmask8 &bad)
{
    const __m512d w = _mm512_min_pd(_mm512_set1_pd(255.5), _mm512_max_pd(_mm512_set1_pd(0.5), v));
    const __m512d offset = _mm512_sub_pd(w, _mm512_roundscale_pd(w, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
    const __m512d distance = _mm512_abs_pd(offset);
    bad |= _mm512_cmp_pd_mask(distance, _mm512_set1_pd(kBaoMargin), _CMP_NGE_UQ);  // below the margin, or NaN
    return _mm512_cvttpd_epi32(w);
}

// ABaoColor of 8 pixels px; bad gets a bit for each pixel the caller must redo.
//
// Around the powers the steps are folded where that moves a channel value
// by no more than a few units in the last place of its terms (far inside
// kBaoMargin): X / .950456 is one product sum; fy2 = (116 fy - 16 + 16) / 116
// is fy; gx = fy2 + a / 500 with a = 500 (fx - fy) is fx; gz = fy2 - a / 200
// is fy - 2.5 (fx - fy); the constant factors of X2 and Z2 go into the
// channel coefficients. Every colour but black has fy above .41, where Y2 is
// fy cubed and its cube root fy to a few units in the last place; black is
// redone.
ZN_AVX512DQ inline __m256i BaoBlock8(__m256i px, const BaoVectors &v, __mmask8 &bad)
{
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m512d R = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask));
    const __m512d G = _mm512_cvtepi32_pd(_mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask));
    const __m512d B = _mm512_cvtepi32_pd(_mm256_and_si256(px, byteMask));
    constexpr double kXn = 0.950456, kZn = 1.088754;
    const __m512d tx = _mm512_add_pd(_mm512_add_pd(Times(0.412453 / kXn, R), Times(0.357580 / kXn, G)),
                                     Times(0.180423 / kXn, B));
    const __m512d Y = _mm512_add_pd(_mm512_add_pd(Times(0.212671, R), Times(0.715160, G)), Times(0.072169, B));
    const __m512d fx = BaoPower(tx, v);
    const __m512d fy = BaoPower(Y, v);
    bad = _mm256_testn_epi32_mask(px, _mm256_set1_epi32(0xffffff));  // black
    const __m512d gz = _mm512_sub_pd(fy, Times(2.5, _mm512_sub_pd(fx, fy)));
    const __m512d X3 = _mm512_mul_pd(_mm512_mul_pd(fx, fx), fx);  // X2 / .950456
    const __m512d Y2 = _mm512_mul_pd(_mm512_mul_pd(fy, fy), fy);
    const __m512d Z3 = _mm512_mul_pd(_mm512_mul_pd(gz, gz), gz);  // Z2 / 1.088754
    const __m256i r = BaoByte(
        _mm512_sub_pd(_mm512_sub_pd(Times(3.240479 * kXn, X3), Times(1.537150, Y2)), Times(0.498535 * kZn, Z3)), bad);
    const __m256i g = BaoByte(
        _mm512_add_pd(_mm512_add_pd(Times(-0.969256 * kXn, X3), Times(1.875992, Y2)), Times(0.041556 * kZn, Z3)), bad);
    const __m256i b = BaoByte(
        _mm512_add_pd(_mm512_sub_pd(Times(0.055648 * kXn, X3), Times(0.204043, Y2)), Times(1.057311 * kZn, Z3)), bad);
    const __m256i alpha = _mm256_and_si256(px, _mm256_set1_epi32(static_cast<int>(0xff000000u)));
    return _mm256_or_si256(_mm256_or_si256(alpha, _mm256_slli_epi32(r, 16)),
                           _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
}

// The last colour redone exactly and its result (B, G, R in bits 0..23), so
// that a picture full of one colour in doubt costs one exact pixel, not one a
// pixel. Bit 24 of colour is set once it holds a colour.
struct BaoRedoMemo {
    std::uint32_t colour = 0;
    std::uint32_t result = 0;
};

// The pixels at p whose bit is set in redo, back to their original bytes and
// through exact.
inline void RedoBaoPixels(unsigned char *p, const unsigned char *original, unsigned redo,
                          void (*exact)(unsigned char *), BaoRedoMemo &memo)
{
    for (int k = 0; k < 8; ++k)
        if (redo >> k & 1) {
            unsigned char *px = p + 4 * k;
            std::memcpy(px, original + 4 * k, 4);
            const std::uint32_t colour = (px[0] | (std::uint32_t(px[1]) << 8) | (std::uint32_t(px[2]) << 16)) |
                                         (std::uint32_t(1) << 24);
            if (colour != memo.colour) {
                exact(px);
                memo.colour = colour;
                memo.result = px[0] | (std::uint32_t(px[1]) << 8) | (std::uint32_t(px[2]) << 16);
            }
            px[0] = static_cast<unsigned char>(memo.result);
            px[1] = static_cast<unsigned char>(memo.result >> 8);
            px[2] = static_cast<unsigned char>(memo.result >> 16);
        }
}

// Whole blocks of 8 pixels; exact(pixel) redoes a pixel in doubt from its original bytes.
ZN_AVX512DQ void BaoColorTabled(unsigned char *p, std::size_t blocks, void (*exact)(unsigned char *))
{
    BaoVectors v;
    LoadBaoVectors(GetBaoTables(), v);
    BaoRedoMemo memo;
    for (std::size_t i = 0; i < blocks; ++i, p += 32) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        __mmask8 bad;
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), BaoBlock8(px, v, bad));
        if (bad != 0) {
            unsigned char original[32];
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(original), px);
            RedoBaoPixels(p, original, bad, exact, memo);
        }
    }
}

#pragma GCC diagnostic pop
#undef ZN_AVX512DQ

#endif  // ZN_ADJUST_SIMD && QVFX_HAVE_COLOR_KERNELS

// The vector form of ABaoColor to use: 8 pixels at a time with the tables
// above (AVX-512), 4 with the colour kernels' own powers (AVX2), or 0 for
// none (simd.h).
int BaoLanes()
{
#if ZN_ADJUST_SIMD && defined(QVFX_HAVE_COLOR_KERNELS)
    switch (qvfx::simd::level()) {
    case qvfx::simd::kAvx512: return 8;
    case qvfx::simd::kAvx2: return 4;
    default: return 0;
    }
#else
    return 0;
#endif
}

// ABaoColor over n pixels through the vector form of lanes (8 or 4); the last
// pixels and those in doubt through ABaoColorPixel.
void BaoColorVector(unsigned char *image, std::size_t n, int lanes)
{
    const std::size_t blocks = n / static_cast<std::size_t>(lanes);
#if ZN_ADJUST_SIMD && defined(QVFX_HAVE_COLOR_KERNELS)
    if (lanes == 8)
        BaoColorTabled(image, blocks, ABaoColorInPlace);
    else
        qvfx::ck::BaoColorAvx2(image, blocks, ABaoColorInPlace);
#endif
    for (std::size_t i = blocks * static_cast<std::size_t>(lanes); i < n; ++i)
        ABaoColorInPlace(image + 4 * i);
}

}  // namespace

void StyleLomoHDR(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    LomoHDRSteps(image, width, height, nullptr);
}

void StyleLomoHDRJinDian(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    unsigned char colour[4] = {58, 2, 14, 0};  // B, G, R, A
    const ChannelLut exclusion =
        styles::TabulatePixelStep([&](unsigned char *px) { ExclusionEx(px, colour, 1.0); });
    LomoHDRSteps(image, width, height, &exclusion);
}

void StyleBaoColor(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // the curve maps each channel through one table: run it over a ramp, then the picture
    SFCurve curve;
    _POINT points[3] = {{0, 0}, {128, 143}, {255, 255}};
    curve.GetCurveByPoints(points, 3, 4);
    const ChannelLut t = styles::TabulatePictureStep(
        [&curve](unsigned char *ramp, int w, int h) { curve.ApplyCurve(4, ramp, w, h); });
    curve.Release();
    const int lanes = BaoLanes();
    if (lanes == 0) {
        ApplyLut(image, n, t);
        ABaoColor(image, width, height);
        return;
    }
    // a chunk at a time, so that the colour step finds the curve's bytes in cache
    constexpr std::size_t kChunk = 4096;
    for (std::size_t done = 0; done < n; done += kChunk) {
        const std::size_t count = std::min(kChunk, n - done);
        ApplyLut(image + 4 * done, count, t);
        BaoColorVector(image + 4 * done, count, lanes);
    }
}

void ABaoColor(unsigned char *image, int width, int height)
{
    std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    if (const int lanes = BaoLanes()) {
        BaoColorVector(image, n, lanes);
        return;
    }
    // The result is a function of the colour alone and costs five powers: keep
    // the last results in a small direct-mapped cache keyed by the colour.
    // An entry holds the colour in bits 32..55 with bit 56 set, the result in
    // bits 0..23.
    constexpr int kCacheBits = 15;
    std::unique_ptr<std::uint64_t[]> cache(new std::uint64_t[std::size_t(1) << kCacheBits]());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const std::uint32_t colour = static_cast<std::uint32_t>(px[0]) | (static_cast<std::uint32_t>(px[1]) << 8) |
                                     (static_cast<std::uint32_t>(px[2]) << 16);
        const std::uint64_t key = (std::uint64_t(colour) | (std::uint64_t(1) << 24)) << 32;
        std::uint64_t &slot = cache[(colour * 2654435761u) >> (32 - kCacheBits)];
        std::uint32_t result;
        if ((slot & 0xffffffff00000000ull) == key) {
            result = static_cast<std::uint32_t>(slot);
        } else {
            unsigned char out[3];
            ABaoColorPixel(px, out);
            result = out[0] | (std::uint32_t(out[1]) << 8) | (std::uint32_t(out[2]) << 16);
            slot = key | result;
        }
        px[0] = static_cast<unsigned char>(result);
        px[1] = static_cast<unsigned char>(result >> 8);
        px[2] = static_cast<unsigned char>(result >> 16);
    }
}

void StyleSharp(unsigned char *image, int width, int height, int radius, float amount)
{
    if (PixelCount(width, height) == 0)
        return;
    CSharp sharp;
    sharp.useEffect(image, width, height, radius, amount);
}

void DanyaUseStone(unsigned char *image, int width, int height, int region, int a, int b, int c)
{
    if (PixelCount(width, height) == 0)
        return;
    if (region != 1 && region != 2)
        region = 0;
    CColorBalance(true, region, a, b, c, image, width, height);
    AutoColorLevel(image, width, height, true);
}
