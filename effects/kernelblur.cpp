// The integer-kernel blur and the unsharp step (kernelblur.h).
//
// Contents
//   1. Kernel        the weights, the exact division, the pairs of taps
//   2. Plain forms   the weighted mean of one sample, the unsharp level
//   3. AVX2          16 bytes at a time
//   4. AVX-512       32 or 64 bytes at a time (BW, VL)
//   5. Passes        BlurRow, BlurColumn, Unsharp: the vector form over the
//                    interior, the plain form over the rest
#include "kernelblur.h"

#include "unsharplevel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ZN_KERNELBLUR_SIMD 1
#else
#define ZN_KERNELBLUR_SIMD 0
#endif

namespace kernelblur {

using qvfx::simd::Level;

// --- 1. Kernel --------------------------------------------------------------------------------

bool MakeKernel(int radius, Kernel &k)
{
    if (radius < 1 || radius > (kMaxKernel - 1) / 5)
        return false;
    int n = 5 * radius + 1;
    if (n % 2 == 0)
        ++n;
    const int h = n / 2;
    const int q = 2 * radius * radius;
    const int centre = static_cast<int>(std::exp(static_cast<double>(h * h / q)) + 0.5);
    k = Kernel{};
    k.w[h] = centre;
    for (int i = 1; i <= h; ++i)
        k.w[h - i] = k.w[h + i] = static_cast<int>(centre * std::exp(-static_cast<double>(i * i / q)) + 0.5);
    k.length = n;
    PrepareKernel(k);
    return true;
}

void PrepareKernel(Kernel &k)
{
    const int n = k.length;
    k.sum = 0;
    for (int i = 0; i < n; ++i)
        k.sum += k.w[i];
    k.pairable = true;
    for (int p = 0; 2 * p < n; ++p) {
        const int a = k.w[2 * p], b = 2 * p + 1 < n ? k.w[2 * p + 1] : 0;
        if (a > 127 || b > 127 || 255 * (a + b) > 32767)
            k.pairable = false;
        k.pair[p] = static_cast<std::int16_t>(a | (b << 8));
    }
    k.exact16 = false;
    if (k.sum < 1 || 255L * k.sum > 65535)
        return;
    const std::uint32_t top = 255u * static_cast<std::uint32_t>(k.sum);
    for (int shift = 0; shift < 16; ++shift) {
        const std::uint64_t m = ((std::uint64_t(1) << (16 + shift)) + k.sum - 1) / k.sum;
        if (m > 65535)
            return;
        bool exact = true;
        for (std::uint32_t x = 0; x <= top && exact; ++x)
            exact = ((x * m) >> (16 + shift)) == x / static_cast<std::uint32_t>(k.sum);
        if (exact) {
            k.exact16 = true;
            k.multiplier = static_cast<std::uint16_t>(m);
            k.shift = shift;
            return;
        }
    }
}

namespace {

// --- 2. Plain forms ---------------------------------------------------------------------------

// sum(w p) / sum(w) over the kernel positions inside a line of length samples,
// sample i at line[i * step].
inline unsigned char WeightedMean(const unsigned char *line, std::ptrdiff_t step, int length, int i, const Kernel &k)
{
    const int h = k.length / 2;
    const int lo = std::max(0, i - h), hi = std::min(length - 1, i + h);
    int sum = 0, weights = 0;
    for (int j = lo; j <= hi; ++j) {
        const int w = k.w[j - i + h];
        sum += w * line[j * step];
        weights += w;
    }
    return static_cast<unsigned char>(sum / weights);
}

// The unsharp level of one byte: for |g| < 4,000,000, x = (10000 + g) v - g b
// fits 32 bits; below 0 the level is 0, from 2,560,000 on it is 255, and in
// between unsharp::Divide is the integer quotient. Larger weights take the
// 64-bit form.
inline unsigned char UnsharpLevel(int v, int b, int g)
{
    if (g <= -4000000 || g >= 4000000)
        return unsharp::Level(v, b, g);
    const int x = (10000 + g) * v - g * b;
    return static_cast<unsigned char>(x <= 0 ? 0 : (x > 2559999 ? 255 : unsharp::Divide(static_cast<std::uint32_t>(x))));
}

// The unsharp level with the common factor of its weights taken out: with
// G = gcd(g, 10000), ((10000 + g) v - g b) / 10000 is (A v - B b) / D for
// A = (10000 + g) / G, B = g / G, D = 10000 / G. Usable in 16-bit lanes when
// A and -B fit signed bytes and x / D == (x * multiplier) >> (16 + shift) for
// every x in 0..255 A (checked exhaustively); for the HDR looks' amount .5
// (g = 5000) it is (3 v - b) / 2.
struct ReducedUnsharp {
    bool usable = false;
    int a = 0, b = 0;
    std::uint16_t multiplier = 0;
    int shift = 0;
};

ReducedUnsharp ReduceUnsharp(int g)
{
    ReducedUnsharp r;
    if (g < 1 || g > 1000000)
        return r;
    int x = g, y = 10000;
    while (y != 0) {
        const int t = x % y;
        x = y;
        y = t;
    }
    const int a = (10000 + g) / x, b = g / x, d = 10000 / x;
    if (a > 127 || b > 128 || d < 2)
        return r;
    for (int shift = 0; shift < 16; ++shift) {
        const std::uint64_t m = ((std::uint64_t(1) << (16 + shift)) + d - 1) / d;
        if (m > 65535)
            break;
        bool exact = true;
        for (std::uint32_t v = 0; v <= 255u * static_cast<std::uint32_t>(a) && exact; ++v)
            exact = ((v * m) >> (16 + shift)) == v / static_cast<std::uint32_t>(d);
        if (exact) {
            r.usable = true;
            r.a = a;
            r.b = b;
            r.multiplier = static_cast<std::uint16_t>(m);
            r.shift = shift;
            return r;
        }
    }
    return r;
}

#if ZN_KERNELBLUR_SIMD

// --- 3. AVX2 ----------------------------------------------------------------------------------

#define ZN_AVX2 __attribute__((target("avx2")))

ZN_AVX2 inline __m256i Widen16(const unsigned char *p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

// 16 sums divided exactly and packed; byte 3 of each pixel from keep.
ZN_AVX2 inline __m128i Divide16(__m256i sum, const Kernel &k, __m128i keep)
{
    const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(static_cast<short>(k.multiplier))),
                                       _mm_cvtsi32_si128(k.shift));
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_or_si128(_mm_andnot_si128(alpha, bytes), _mm_and_si128(alpha, keep));
}

// w_h p[h] + sum over i of w_(h+i) (p[h - i] + p[h + i]) for 16 bytes, tap t at tap(t).
template <class Tap>
ZN_AVX2 inline __m256i Sum16(const Kernel &k, Tap tap)
{
    const int h = k.length / 2;
    __m256i sum = _mm256_mullo_epi16(Widen16(tap(h)), _mm256_set1_epi16(static_cast<short>(k.w[h])));
    for (int i = 1; i <= h; ++i) {
        const __m256i pair = _mm256_add_epi16(Widen16(tap(h - i)), Widen16(tap(h + i)));
        sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(static_cast<short>(k.w[h + i]))));
    }
    return sum;
}

ZN_AVX2 inline void Store16(unsigned char *out, __m256i sum, const Kernel &k)
{
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), Divide16(sum, k, keep));
}

// Row pass over bytes from..to-1 (to - from a multiple of 16) whose kernel
// positions all lie in the row.
ZN_AVX2 void RowInterior16(const unsigned char *in, unsigned char *out, int from, int to, const Kernel &k)
{
    const int h = k.length / 2;
    for (int j = from; j < to; j += 16)
        Store16(out + j, Sum16(k, [&](int t) { return in + j + 4 * (t - h); }), k);
}

// Column pass over bytes 0..to-1 (to a multiple of 16) of a row whose kernel
// rows window[0..2h] all exist.
ZN_AVX2 void ColumnInterior16(const unsigned char *const *window, unsigned char *out, int to, const Kernel &k)
{
    for (int j = 0; j < to; j += 16)
        Store16(out + j, Sum16(k, [&](int t) { return window[t] + j; }), k);
}

// Unsharp levels of 8 bytes as int32 (see UnsharpLevel); |g| < 4,000,000.
ZN_AVX2 inline __m256i UnsharpLevels8(__m128i v8, __m128i b8, __m256i gain, __m256i weight)
{
    const __m256i v = _mm256_cvtepu8_epi32(v8), b = _mm256_cvtepu8_epi32(b8);
    __m256i x = _mm256_sub_epi32(_mm256_mullo_epi32(gain, v), _mm256_mullo_epi32(weight, b));
    x = _mm256_min_epi32(_mm256_max_epi32(x, _mm256_setzero_si256()), _mm256_set1_epi32(2559999));
    const __m256 level =
        _mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(0.5f)), _mm256_set1_ps(0.0001f));
    return _mm256_cvttps_epi32(level);
}

// Bytes 0..to-1 (a multiple of 16): out = unsharp(image, blurred), byte 3 kept or 255.
ZN_AVX2 void Unsharp16(const unsigned char *image, const unsigned char *blurred, unsigned char *out, std::size_t to,
                       int g, bool opaque)
{
    const __m256i gain = _mm256_set1_epi32(10000 + g), weight = _mm256_set1_epi32(g);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (std::size_t j = 0; j < to; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(image + j));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(blurred + j));
        const __m128i keep = opaque ? alpha : _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + j));
        const __m256i lo = UnsharpLevels8(v, b, gain, weight);
        const __m256i hi = UnsharpLevels8(_mm_srli_si128(v, 8), _mm_srli_si128(b, 8), gain, weight);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
        const __m128i levels = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j),
                         _mm_or_si128(_mm_andnot_si128(alpha, levels), _mm_and_si128(alpha, keep)));
    }
}

#undef ZN_AVX2

// --- 4. AVX-512 -------------------------------------------------------------------------------

#define ZN_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))
// GCC 12 warns about the deliberately undefined upper half inside its own
// narrowing intrinsics (vpmovwb, vpmovdb); nothing here reads such a value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

// B, G, R of every pixel: the stores leave byte 3 alone.
constexpr __mmask64 kColour64 = 0x7777777777777777ull;
constexpr __mmask32 kColour32 = 0x77777777u;

ZN_AVX512 inline __m512i Widen32(const unsigned char *p)
{
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)));
}

ZN_AVX512 inline __m512i Load64(const unsigned char *p)
{
    return _mm512_loadu_si512(p);
}

// Two taps a, b of 64 bytes: their bytes interleaved and multiplied by the
// pair's weights, each 16-bit lane of lo (bytes 0..7 of each 16) and hi
// (bytes 8..15) gets w_a a + w_b b.
ZN_AVX512 inline void AddPair(__m512i a, __m512i b, __m512i weights, __m512i &lo, __m512i &hi)
{
    lo = _mm512_add_epi16(lo, _mm512_maddubs_epi16(_mm512_unpacklo_epi8(a, b), weights));
    hi = _mm512_add_epi16(hi, _mm512_maddubs_epi16(_mm512_unpackhi_epi8(a, b), weights));
}

// The sums of AddPair over every pair of taps (tap t at tap(t)), divided and
// stored in their order; byte 3 of out kept.
template <class Tap>
ZN_AVX512 inline void Pairs64(unsigned char *out, const Kernel &k, Tap tap)
{
    __m512i lo = _mm512_setzero_si512(), hi = _mm512_setzero_si512();
    for (int t = 0; t < k.length; t += 2) {
        const int u = t + 1 < k.length ? t + 1 : t;  // the last tap alone (weight 0 beside it)
        AddPair(Load64(tap(t)), Load64(tap(u)), _mm512_set1_epi16(k.pair[t / 2]), lo, hi);
    }
    const __m512i m = _mm512_set1_epi16(static_cast<short>(k.multiplier));
    const __m128i s = _mm_cvtsi32_si128(k.shift);
    const __m512i q = _mm512_packus_epi16(_mm512_srl_epi16(_mm512_mulhi_epu16(lo, m), s),
                                          _mm512_srl_epi16(_mm512_mulhi_epu16(hi, m), s));
    _mm512_mask_storeu_epi8(out, kColour64, q);
}

// The widened sum of 32 bytes, divided and stored; byte 3 of out kept.
template <class Tap>
ZN_AVX512 inline void Widened32(unsigned char *out, const Kernel &k, Tap tap)
{
    const int h = k.length / 2;
    __m512i sum = _mm512_mullo_epi16(Widen32(tap(h)), _mm512_set1_epi16(static_cast<short>(k.w[h])));
    for (int i = 1; i <= h; ++i) {
        const __m512i pair = _mm512_add_epi16(Widen32(tap(h - i)), Widen32(tap(h + i)));
        sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(pair, _mm512_set1_epi16(static_cast<short>(k.w[h + i]))));
    }
    const __m512i q = _mm512_srl_epi16(_mm512_mulhi_epu16(sum, _mm512_set1_epi16(static_cast<short>(k.multiplier))),
                                       _mm_cvtsi32_si128(k.shift));
    _mm256_mask_storeu_epi8(out, kColour32, _mm512_cvtepi16_epi8(q));  // every quotient is at most 255
}

// Row pass over bytes from..to-1 (to - from a multiple of 32): 64 bytes at a
// time by pairs of taps where the kernel allows, 32 by widened taps otherwise.
ZN_AVX512 void RowInterior32(const unsigned char *in, unsigned char *out, int from, int to, const Kernel &k)
{
    const int h = k.length / 2;
    int j = from;
    if (k.pairable)
        for (; j + 64 <= to; j += 64)
            Pairs64(out + j, k, [&](int t) { return in + j + 4 * (t - h); });
    for (; j < to; j += 32)
        Widened32(out + j, k, [&](int t) { return in + j + 4 * (t - h); });
}

ZN_AVX512 void ColumnInterior32(const unsigned char *const *window, unsigned char *out, int to, const Kernel &k)
{
    int j = 0;
    if (k.pairable)
        for (; j + 64 <= to; j += 64)
            Pairs64(out + j, k, [&](int t) { return window[t] + j; });
    for (; j < to; j += 32)
        Widened32(out + j, k, [&](int t) { return window[t] + j; });
}

// Unsharp levels of 16 bytes in 16 lanes at a time (see UnsharpLevel), bytes
// 0..to-1 (a multiple of 16); byte 3 kept or 255.
ZN_AVX512 void Unsharp32(const unsigned char *image, const unsigned char *blurred, unsigned char *out,
                         std::size_t to, int g, bool opaque)
{
    const __m512i gain = _mm512_set1_epi32(10000 + g), weight = _mm512_set1_epi32(g);
    const __m512i top = _mm512_set1_epi32(2559999), full = _mm512_set1_epi32(255);
    const __m512 half = _mm512_set1_ps(0.5f), tenThousandth = _mm512_set1_ps(0.0001f);
    for (std::size_t j = 0; j < to; j += 16) {
        const __m512i v = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(image + j)));
        const __m512i b = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(blurred + j)));
        __m512i x = _mm512_sub_epi32(_mm512_mullo_epi32(gain, v), _mm512_mullo_epi32(weight, b));
        x = _mm512_min_epi32(_mm512_max_epi32(x, _mm512_setzero_si512()), top);
        __m512i q = _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_add_ps(_mm512_cvtepi32_ps(x), half), tenThousandth));
        if (opaque) {
            q = _mm512_mask_mov_epi32(q, 0x8888, full);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), _mm512_cvtepi32_epi8(q));
        } else {
            _mm_mask_storeu_epi8(out + j, 0x7777, _mm512_cvtepi32_epi8(q));
        }
    }
}

// The same levels by ReducedUnsharp, 64 bytes at a time (to a multiple of
// 64): the bytes of image and blurred interleaved, A v - B b from one
// multiply-and-add of each pair, 0 below 0, divided by D, packed with
// saturation to 255; byte 3 kept or 255.
ZN_AVX512 void UnsharpReduced(const unsigned char *image, const unsigned char *blurred, unsigned char *out,
                              std::size_t to, const ReducedUnsharp &r, bool opaque)
{
    const __m512i weights = _mm512_set1_epi16(static_cast<short>((r.a & 255) | ((-r.b & 255) << 8)));
    const __m512i m = _mm512_set1_epi16(static_cast<short>(r.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(r.shift);
    const __m512i zero = _mm512_setzero_si512(), alpha = _mm512_set1_epi32(static_cast<int>(0xff000000u));
    for (std::size_t j = 0; j < to; j += 64) {
        const __m512i v = _mm512_loadu_si512(image + j), b = _mm512_loadu_si512(blurred + j);
        __m512i lo = _mm512_max_epi16(_mm512_maddubs_epi16(_mm512_unpacklo_epi8(v, b), weights), zero);
        __m512i hi = _mm512_max_epi16(_mm512_maddubs_epi16(_mm512_unpackhi_epi8(v, b), weights), zero);
        lo = _mm512_srl_epi16(_mm512_mulhi_epu16(lo, m), shift);
        hi = _mm512_srl_epi16(_mm512_mulhi_epu16(hi, m), shift);
        const __m512i levels = _mm512_packus_epi16(lo, hi);
        if (opaque)
            _mm512_storeu_si512(out + j, _mm512_or_si512(levels, alpha));
        else
            _mm512_mask_storeu_epi8(out + j, kColour64, levels);
    }
}

#pragma GCC diagnostic pop
#undef ZN_AVX512

#endif  // ZN_KERNELBLUR_SIMD

}  // namespace

// --- 5. Passes --------------------------------------------------------------------------------

void BlurRow(const unsigned char *in, unsigned char *out, int width, const Kernel &k, Level level)
{
    const int h = k.length / 2;
    int fastFrom = 0, fastTo = 0;  // pixels done by a vector form
#if ZN_KERNELBLUR_SIMD
    const int pixels = level == qvfx::simd::kAvx512 ? 8 : (level == qvfx::simd::kAvx2 ? 4 : 0);
    if (pixels > 0 && k.exact16 && width - 2 * h >= pixels) {
        fastFrom = h;
        fastTo = h + (width - 2 * h) / pixels * pixels;
        if (level == qvfx::simd::kAvx512)
            RowInterior32(in, out, 4 * fastFrom, 4 * fastTo, k);
        else
            RowInterior16(in, out, 4 * fastFrom, 4 * fastTo, k);
    }
#else
    (void)level;
#endif
    for (int x = 0; x < width; ++x) {
        if (x == fastFrom && fastTo > fastFrom) {
            x = fastTo - 1;
            continue;
        }
        for (int c = 0; c < 3; ++c)
            out[4 * x + c] = WeightedMean(in + c, 4, width, x, k);
    }
}

void BlurColumn(const unsigned char *const *window, int y, int height, unsigned char *out, int stride,
                const Kernel &k, Level level)
{
    const int h = k.length / 2;
    int from = 0;
#if ZN_KERNELBLUR_SIMD
    const int bytes = level == qvfx::simd::kAvx512 ? 32 : (level == qvfx::simd::kAvx2 ? 16 : 0);
    if (bytes > 0 && k.exact16 && y >= h && y + h < height) {
        from = stride / bytes * bytes;
        if (level == qvfx::simd::kAvx512)
            ColumnInterior32(window, out, from, k);
        else
            ColumnInterior16(window, out, from, k);
    }
#else
    (void)level;
#endif
    const int lo = std::max(0, y - h) - (y - h), hi = std::min(height - 1, y + h) - (y - h);
    int weights = 0;
    for (int t = lo; t <= hi; ++t)
        weights += k.w[t];
    for (int j = from; j < stride; ++j) {
        if ((j & 3) == 3)
            continue;
        int sum = 0;
        for (int t = lo; t <= hi; ++t)
            sum += k.w[t] * window[t][j];
        out[j] = static_cast<unsigned char>(sum / weights);
    }
}

void Unsharp(const unsigned char *image, const unsigned char *blurred, unsigned char *out, std::size_t bytes, int g,
             Alpha alpha, Level level)
{
    const bool opaque = alpha == Alpha::Opaque;
    std::size_t from = 0;
#if ZN_KERNELBLUR_SIMD
    if (level == qvfx::simd::kAvx512) {
        // the same weight row after row: reduced once
        static thread_local int lastWeight = 0;
        static thread_local ReducedUnsharp reduced;
        if (g != lastWeight) {
            reduced = ReduceUnsharp(g);
            lastWeight = g;
        }
        if (reduced.usable) {
            from = bytes / 64 * 64;
            UnsharpReduced(image, blurred, out, from, reduced, opaque);
        }
    }
    if (level != qvfx::simd::kPlain && g > -4000000 && g < 4000000) {
        const std::size_t to = bytes / 16 * 16;
        if (level == qvfx::simd::kAvx512)
            Unsharp32(image + from, blurred + from, out + from, to - from, g, opaque);
        else
            Unsharp16(image + from, blurred + from, out + from, to - from, g, opaque);
        from = to;
    }
#else
    (void)level;
#endif
    for (std::size_t j = from; j < bytes; ++j) {
        if ((j & 3) == 3)
            out[j] = opaque ? 255 : out[j];
        else
            out[j] = UnsharpLevel(image[j], blurred[j], g);
    }
}

}  // namespace kernelblur
