// ABaoColor several pixels at a time with powers of its own: four (AVX2)
// with series, eight (AVX-512) with table-driven powers; the pixels whose
// bytes they cannot vouch for are redone by the caller's exact form
// (internal; lanes in colorkernels_lanes.h). These are the kernels that do
// not run "the very operations" of their plain form; the comments below say
// how they stay exact.
#pragma once

#include "colorkernels_lanes.h"

#include <cmath>
#include <cstdint>

#ifdef QVFX_HAVE_COLOR_KERNELS
#include <immintrin.h>
#endif

#ifdef QVFX_HAVE_COLOR_KERNELS

#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")

namespace qvfx::ck {

// The powers of ABaoColor are library calls whose last bits no vector form
// reproduces. The block computes each pixel with powers of its own instead
// (relative error below 1e-13) and the same arithmetic around them, so every
// channel value v it reaches lies within far less than kBaoMargin of the exact
// one (over all 2^24 colours the largest distance is about 4e-11). Where
// v - kBaoMargin and v + kBaoMargin give the same byte (clamp below 0 and from
// 255, truncation between), the exact value gives that byte too.
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

// whole blocks only; the caller finishes the last pixels

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

QVFX_AVX2 inline void BaoColorAvx2(unsigned char *p, std::size_t blocks,
                                                         void (*exact)(unsigned char *))
{
    BaoColorBlocks<4>(p, blocks, exact);
}

// ---------------------------------------------------------------------------
// Eight pixels at a time with table-driven powers (AVX-512)
//
// The same scheme as BaoColorBlock above: powers of our own, accurate to a few parts in 1e14, and each
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

#define ZN_AVX512DQ __attribute__((target("avx512f,avx512dq,avx512vl")))
// GCC 12 warns about the undefined pass-through operand inside its own
// intrinsics (vcvtdq2pd, vcvttpd2dq, vgetmant); no such value is read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

inline constexpr double kBaoPower = 0.333333;
inline constexpr int kBaoTerms = 6;  // binomial terms after the leading 1

struct BaoTables {
    alignas(64) double powerOfTwo[16];  // 2^(c (k - 4))
    alignas(64) double midPower[16];    // c_i^c
    alignas(64) double midInverse[16];  // 1 / c_i
    double binomial[kBaoTerms + 1];     // c (c - 1) ... (c - n + 1) / n!, n = 0..6
};

inline const BaoTables &GetBaoTables()
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
ZN_AVX512DQ inline __m256i BaoByte8(__m512d v, __mmask8 &bad)
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
    const __m256i r = BaoByte8(
        _mm512_sub_pd(_mm512_sub_pd(Times(3.240479 * kXn, X3), Times(1.537150, Y2)), Times(0.498535 * kZn, Z3)), bad);
    const __m256i g = BaoByte8(
        _mm512_add_pd(_mm512_add_pd(Times(-0.969256 * kXn, X3), Times(1.875992, Y2)), Times(0.041556 * kZn, Z3)), bad);
    const __m256i b = BaoByte8(
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

// Whole blocks of 8 pixels; exact(pixel) redoes a pixel in doubt from its
// original bytes (a run of one colour in doubt costs one exact pixel).
ZN_AVX512DQ inline void BaoColorAvx512(unsigned char *p, std::size_t blocks, void (*exact)(unsigned char *))
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

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
