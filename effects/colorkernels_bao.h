// ABaoColor four pixels at a time (AVX2) with powers of its own; the pixels
// whose bytes it cannot vouch for are redone by the caller's exact form
// (internal; lanes in colorkernels_lanes.h). This is the one kernel that does
// not run "the very operations" of its plain form; the comment below says how
// it stays exact.
#pragma once

#include "colorkernels_lanes.h"

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

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
