// The lanes of the whole-pixel colour kernels (internal, not exported): the
// vector types and helpers that every colorkernels_*.h builds its blocks from.
//
// A block is N pixels of 4 bytes (B, G, R, A); byte 3 is kept. Each lane runs
// the very operations of the plain function, in the same order and the same
// precision (single where the plain form is in float, double where it mixes
// in double); branches become selections between values computed for every
// lane. Lanes whose result a branch would not use may divide by zero or
// convert out of range; their values are thrown away. The entry points of
// each family take whole blocks (AVX-512: 16 pixels, AVX2: 8); the caller
// asks simd::level() which it may run and finishes the last pixels with the
// plain function. The tests include the family headers to hold every width
// against the plain per-pixel functions.
//
// Contraction of a * b + c into one fused operation would change results, so
// it is switched off for everything in these headers (each family header
// wraps its own code the same way), whatever the including file is compiled
// with.
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

#define QVFX_LANES inline __attribute__((always_inline))
#define QVFX_AVX512 __attribute__((target("avx512f,avx512dq,avx512bw,avx512vl")))
#define QVFX_AVX2 __attribute__((target("avx2")))

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

// Keeps v as computed: the compiler may not fold the selection that made it
// into later comparisons (it would turn them into selections between lane
// masks, which it can only do one lane at a time).
template <class V>
QVFX_LANES V Settle(V v)
{
    asm("" : "+v"(v));
    return v;
}

// The blends' mix in double, int(v o + a keep) clamped to a byte, for half a
// block (so that every double vector fills one register); o and keep per
// lane. Clamping in double first gives truncByte's result: below 1 (NaN
// included) the truncation is 0, from 255 up it is 255.
template <int N>
QVFX_LANES typename Lanes<N>::IH MixHalf(typename Lanes<N>::IH v, typename Lanes<N>::IH a, typename Lanes<N>::DH o,
                                         typename Lanes<N>::DH keep)
{
    using DH = typename Lanes<N>::DH;
    using LH = typename Lanes<N>::LH;
    DH x = __builtin_convertvector(v, DH) * o + __builtin_convertvector(a, DH) * keep;
    const LH positive = x > 0.0;
    x = positive ? x : DH{};
    const LH high = x > 255.0;
    x = high ? DH{} + 255.0 : x;
    return __builtin_convertvector(x, typename Lanes<N>::IH);
}

// MixHalf over a whole block with one opacity o and keep = 1 - o.
template <class I, int N>
QVFX_LANES I MixD(I v, I a, double o, double keep)
{
    using H = typename Lanes<N>::IH;
    using DH = typename Lanes<N>::DH;
    H part[2][2];
    std::memcpy(part[0], &v, sizeof v);
    std::memcpy(part[1], &a, sizeof a);
    H out[2];
    for (int k = 0; k < 2; ++k)
        out[k] = MixHalf<N>(part[0][k], part[1][k], DH{} + o, DH{} + keep);
    I r;
    std::memcpy(&r, out, sizeof r);
    return r;
}

// MixHalf with an opacity of its own in each lane (given in single precision,
// mixed in double as the blends do with a float opacity).
template <class I, class F, int N>
QVFX_LANES I MixDLanes(I v, I a, F o)
{
    using H = typename Lanes<N>::IH;
    using DH = typename Lanes<N>::DH;
    using FH = typename Lanes<N>::FH;
    H part[2][2];
    FH op[2];
    std::memcpy(part[0], &v, sizeof v);
    std::memcpy(part[1], &a, sizeof a);
    std::memcpy(op, &o, sizeof o);
    H out[2];
    for (int k = 0; k < 2; ++k) {
        const DH od = __builtin_convertvector(op[k], DH);
        out[k] = MixHalf<N>(part[0][k], part[1][k], od, 1 - od);
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

}  // namespace qvfx::ck

#pragma GCC pop_options

#endif  // QVFX_HAVE_COLOR_KERNELS
