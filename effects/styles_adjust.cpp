// Looks built on the adjustment tools: LomoHDR, LomoHDRJinDian, BaoColor and
// its colour step ABaoColor, Sharp, DanyaUseStone.
//
// Contents
//   1. The HDR chain    tables, unsharp mask and tables in one pass over a ring
//                       of rows (styles_unsharp.h), plain, AVX2 and AVX-512 loops
//   2. ABaoColor        the exact pixel, and 8 pixels at a time with
//                       table-driven powers (AVX-512)
//   3. The looks
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorbalance.h"
#include "colorkernels.h"
#include "curves.h"
#include "levels.h"
#include "sharpen.h"
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

// --- the table, unsharp mask, table chain (styles_unsharp.h) ----------------------------------

// The integer kernel of CSharp::SetRadius: length 5r + 1 made odd, centre
// W = int(e^(h*h / q) + .5) and w_k = int(W e^-(k*k / q) + .5) with q = 2r*r,
// the exponents integer quotients.
struct BlurKernel {
    int w[CSharp::kMaxKernel];
    int length = 0;
    int sum = 0;
    // sum(w p) / sum == (sum(w p) * multiplier) >> (16 + shift) for every
    // possible sum(w p) (0..255 * sum), in 16-bit lanes; checked exhaustively.
    bool exact16 = false;
    std::uint16_t multiplier = 0;
    int shift = 0;
    // Taps 2p and 2p + 1 (the last one alone) as one pair of signed byte
    // weights w_2p | w_2p+1 << 8, usable when every weight fits a signed byte
    // and 255 times a pair's weights fits 16 signed bits (a pair's products
    // are summed with saturation); the running sums wrap, read as unsigned.
    bool pairable = false;
    std::int16_t pair[(CSharp::kMaxKernel + 1) / 2] = {};
};

bool MakeBlurKernel(int radius, BlurKernel &k)
{
    if (radius < 1 || radius > (CSharp::kMaxKernel - 1) / 5)
        return false;
    int n = 5 * radius + 1;
    if (n % 2 == 0)
        ++n;
    const int h = n / 2;
    const int q = 2 * radius * radius;
    const int centre = static_cast<int>(std::exp(static_cast<double>(h * h / q)) + 0.5);
    k.w[h] = centre;
    int sum = centre;
    for (int i = 1; i <= h; ++i) {
        const int w = static_cast<int>(centre * std::exp(-static_cast<double>(i * i / q)) + 0.5);
        k.w[h - i] = k.w[h + i] = w;
        sum += 2 * w;
    }
    k.length = n;
    k.sum = sum;
    k.pairable = true;
    for (int p = 0; 2 * p < n; ++p) {
        const int a = k.w[2 * p], b = 2 * p + 1 < n ? k.w[2 * p + 1] : 0;
        if (a > 127 || b > 127 || 255 * (a + b) > 32767)
            k.pairable = false;
        k.pair[p] = static_cast<std::int16_t>(a | (b << 8));
    }
    if (sum >= 1 && 255L * sum <= 65535) {
        const std::uint32_t top = 255u * static_cast<std::uint32_t>(sum);
        for (int shift = 0; shift < 16 && !k.exact16; ++shift) {
            const std::uint64_t m = ((std::uint64_t(1) << (16 + shift)) + sum - 1) / sum;
            if (m > 65535)
                break;
            bool exact = true;
            for (std::uint32_t x = 0; x <= top && exact; ++x)
                exact = ((x * m) >> (16 + shift)) == x / static_cast<std::uint32_t>(sum);
            if (exact) {
                k.exact16 = true;
                k.multiplier = static_cast<std::uint16_t>(m);
                k.shift = shift;
            }
        }
    }
    return true;
}

// sum(w p) / sum(w) over the kernel positions inside a line of length samples,
// sample i at line[i * step] (the row pass's weighted mean, edges included).
inline unsigned char WeightedMean(const unsigned char *line, std::ptrdiff_t step, int length, int i,
                                  const BlurKernel &k)
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

// clamp(((10000 + g) v - g b) / 10000, 0, 255), the division truncating toward zero.
inline unsigned char UnsharpByte(int v, int b, std::int64_t g)
{
    const std::int64_t x = ((10000 + g) * v - g * b) / 10000;
    return static_cast<unsigned char>(x < 0 ? 0 : (x > 255 ? 255 : x));
}

// useEffect's weight: int(amount * 10000 + .5), the product in single precision.
int UnsharpGain(float amount)
{
    const double g = static_cast<double>(amount * 10000.0f) + 0.5;
    if (!(g > -2147483648.0))
        return g != g ? 0 : INT_MIN;
    if (g >= 2147483647.0)
        return INT_MAX;
    return static_cast<int>(g);
}

// The unsharp level with the common factor of its weights taken out: with
// G = gcd(g, 10000), ((10000 + g) v - g b) / 10000 is (A v - B b) / D for
// A = (10000 + g) / G, B = g / G, D = 10000 / G. Usable in 16-bit lanes when
// A and -B fit signed bytes and x / D == (x * multiplier) >> (16 + shift) for
// every x in 0..255 A (checked exhaustively); for useEffect's amount .5
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

#if ZN_ADJUST_SIMD

// --- 16 bytes at a time (AVX2) ---

__attribute__((target("avx2"))) inline __m256i Widen16(const unsigned char *p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

__attribute__((target("avx2"))) inline __m128i Divide16(__m256i sum, const BlurKernel &k)
{
    const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(static_cast<short>(k.multiplier))),
                                       _mm_cvtsi32_si128(k.shift));
    return _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
}

// Row pass over bytes from..to-1 (to - from a multiple of 16) whose kernel
// positions all lie in the row: w_h in[j] + sum over i of w_(h+i) (in[j - 4i] + in[j + 4i]).
// Byte 3 of out gets the same mean of the bytes 3 (never used).
__attribute__((target("avx2"))) void RowInterior16(const unsigned char *in, unsigned char *out, int from, int to,
                                                    const BlurKernel &k)
{
    const int h = k.length / 2;
    for (int j = from; j < to; j += 16) {
        __m256i sum = _mm256_mullo_epi16(Widen16(in + j), _mm256_set1_epi16(static_cast<short>(k.w[h])));
        for (int i = 1; i <= h; ++i) {
            const __m256i pair = _mm256_add_epi16(Widen16(in + j - 4 * i), Widen16(in + j + 4 * i));
            sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(static_cast<short>(k.w[h + i]))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), Divide16(sum, k));
    }
}

// Column pass over bytes 0..to-1 (to a multiple of 16) of a row whose kernel
// rows window[0..2h] all exist.
__attribute__((target("avx2"))) void ColumnInterior16(const unsigned char *const *window, unsigned char *out, int to,
                                                       const BlurKernel &k)
{
    const int h = k.length / 2;
    for (int j = 0; j < to; j += 16) {
        __m256i sum = _mm256_mullo_epi16(Widen16(window[h] + j), _mm256_set1_epi16(static_cast<short>(k.w[h])));
        for (int i = 1; i <= h; ++i) {
            const __m256i pair = _mm256_add_epi16(Widen16(window[h - i] + j), Widen16(window[h + i] + j));
            sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(static_cast<short>(k.w[h + i]))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), Divide16(sum, k));
    }
}

// Unsharp levels of 8 bytes as int32: x = (10000 + g) v - g b clamped to
// 0..2,559,999 (below 0 the level is 0, from 2,560,000 on it is 255), then
// styles::UnsharpDivide(x), which is x / 10000. Needs |g| < 4,000,000.
__attribute__((target("avx2"))) inline __m256i UnsharpLevels8(__m128i v8, __m128i b8, __m256i gain, __m256i weight)
{
    const __m256i v = _mm256_cvtepu8_epi32(v8), b = _mm256_cvtepu8_epi32(b8);
    __m256i x = _mm256_sub_epi32(_mm256_mullo_epi32(gain, v), _mm256_mullo_epi32(weight, b));
    x = _mm256_min_epi32(_mm256_max_epi32(x, _mm256_setzero_si256()), _mm256_set1_epi32(2559999));
    const __m256 level = _mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(0.5f)), _mm256_set1_ps(0.0001f));
    return _mm256_cvttps_epi32(level);
}

// Bytes 0..to-1 (a multiple of 16) of a row: image = unsharp(image, blurred), byte 3 = 255.
__attribute__((target("avx2"))) void UnsharpRow16(unsigned char *image, const unsigned char *blurred, int to, int g)
{
    const __m256i gain = _mm256_set1_epi32(10000 + g), weight = _mm256_set1_epi32(g);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (int j = 0; j < to; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(image + j));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(blurred + j));
        const __m256i lo = UnsharpLevels8(v, b, gain, weight);
        const __m256i hi = UnsharpLevels8(_mm_srli_si128(v, 8), _mm_srli_si128(b, 8), gain, weight);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
        const __m128i levels = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(image + j), _mm_or_si128(levels, alpha));
    }
}

// --- 32 bytes at a time (AVX-512 BW) ---

#define ZN_AVX512 __attribute__((target("avx512f,avx512bw")))
// GCC 12 warns about the deliberately undefined upper half inside its own
// narrowing intrinsics (vpmovwb, vpmovdb); nothing here reads such a value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"

ZN_AVX512 inline __m512i Widen32(const unsigned char *p)
{
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)));
}

ZN_AVX512 inline __m256i Divide32(__m512i sum, const BlurKernel &k)
{
    const __m512i q = _mm512_srl_epi16(_mm512_mulhi_epu16(sum, _mm512_set1_epi16(static_cast<short>(k.multiplier))),
                                       _mm_cvtsi32_si128(k.shift));
    return _mm512_cvtepi16_epi8(q);  // every quotient is at most 255
}

// Two taps a, b of 64 bytes: their bytes interleaved and multiplied by the
// pair's weights, each 16-bit lane of lo (bytes 0..7 of each 16) and hi
// (bytes 8..15) gets w_a a + w_b b.
ZN_AVX512 inline void AddPair(__m512i a, __m512i b, __m512i weights, __m512i &lo, __m512i &hi)
{
    lo = _mm512_add_epi16(lo, _mm512_maddubs_epi16(_mm512_unpacklo_epi8(a, b), weights));
    hi = _mm512_add_epi16(hi, _mm512_maddubs_epi16(_mm512_unpackhi_epi8(a, b), weights));
}

// The sums of AddPair divided and packed back into 64 bytes in their order.
ZN_AVX512 inline __m512i DividePairs(__m512i lo, __m512i hi, const BlurKernel &k)
{
    const __m512i m = _mm512_set1_epi16(static_cast<short>(k.multiplier));
    const __m128i s = _mm_cvtsi32_si128(k.shift);
    return _mm512_packus_epi16(_mm512_srl_epi16(_mm512_mulhi_epu16(lo, m), s),
                               _mm512_srl_epi16(_mm512_mulhi_epu16(hi, m), s));
}

ZN_AVX512 inline __m512i Load64(const unsigned char *p)
{
    return _mm512_loadu_si512(p);
}

// Row pass over bytes from..to-1 (to - from a multiple of 32): 64 bytes at a
// time by pairs of taps where the kernel allows, 32 by widened taps otherwise.
ZN_AVX512 void RowInterior32(const unsigned char *in, unsigned char *out, int from, int to, const BlurKernel &k)
{
    const int h = k.length / 2;
    int j = from;
    if (k.pairable)
        for (; j + 64 <= to; j += 64) {
            __m512i lo = _mm512_setzero_si512(), hi = _mm512_setzero_si512();
            for (int t = 0; t < k.length; t += 2) {
                const int u = t + 1 < k.length ? t + 1 : t;  // the last tap alone (weight 0 beside it)
                AddPair(Load64(in + j + 4 * (t - h)), Load64(in + j + 4 * (u - h)), _mm512_set1_epi16(k.pair[t / 2]),
                        lo, hi);
            }
            _mm512_storeu_si512(out + j, DividePairs(lo, hi, k));
        }
    for (; j < to; j += 32) {
        __m512i sum = _mm512_mullo_epi16(Widen32(in + j), _mm512_set1_epi16(static_cast<short>(k.w[h])));
        for (int i = 1; i <= h; ++i) {
            const __m512i pair = _mm512_add_epi16(Widen32(in + j - 4 * i), Widen32(in + j + 4 * i));
            sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(pair, _mm512_set1_epi16(static_cast<short>(k.w[h + i]))));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + j), Divide32(sum, k));
    }
}

ZN_AVX512 void ColumnInterior32(const unsigned char *const *window, unsigned char *out, int to, const BlurKernel &k)
{
    const int h = k.length / 2;
    int j = 0;
    if (k.pairable)
        for (; j + 64 <= to; j += 64) {
            __m512i lo = _mm512_setzero_si512(), hi = _mm512_setzero_si512();
            for (int t = 0; t < k.length; t += 2) {
                const int u = t + 1 < k.length ? t + 1 : t;
                AddPair(Load64(window[t] + j), Load64(window[u] + j), _mm512_set1_epi16(k.pair[t / 2]), lo, hi);
            }
            _mm512_storeu_si512(out + j, DividePairs(lo, hi, k));
        }
    for (; j < to; j += 32) {
        __m512i sum = _mm512_mullo_epi16(Widen32(window[h] + j), _mm512_set1_epi16(static_cast<short>(k.w[h])));
        for (int i = 1; i <= h; ++i) {
            const __m512i pair = _mm512_add_epi16(Widen32(window[h - i] + j), Widen32(window[h + i] + j));
            sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(pair, _mm512_set1_epi16(static_cast<short>(k.w[h + i]))));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + j), Divide32(sum, k));
    }
}

// UnsharpLevels8 on 16 bytes in 16 lanes; lanes of byte 3 become 255.
ZN_AVX512 void UnsharpRow32(unsigned char *image, const unsigned char *blurred, int to, int g)
{
    const __m512i gain = _mm512_set1_epi32(10000 + g), weight = _mm512_set1_epi32(g);
    const __m512i top = _mm512_set1_epi32(2559999), opaque = _mm512_set1_epi32(255);
    const __m512 half = _mm512_set1_ps(0.5f), tenThousandth = _mm512_set1_ps(0.0001f);
    for (int j = 0; j < to; j += 16) {
        const __m512i v = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(image + j)));
        const __m512i b = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(blurred + j)));
        __m512i x = _mm512_sub_epi32(_mm512_mullo_epi32(gain, v), _mm512_mullo_epi32(weight, b));
        x = _mm512_min_epi32(_mm512_max_epi32(x, _mm512_setzero_si512()), top);
        const __m512 level = _mm512_mul_ps(_mm512_add_ps(_mm512_cvtepi32_ps(x), half), tenThousandth);
        __m512i q = _mm512_cvttps_epi32(level);
        q = _mm512_mask_mov_epi32(q, 0x8888, opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(image + j), _mm512_cvtepi32_epi8(q));
    }
}

// The same levels by ReducedUnsharp, 64 bytes at a time (to a multiple of
// 64): the bytes of image and blurred interleaved, A v - B b from one
// multiply-and-add of each pair, 0 below 0, divided by D, packed with
// saturation to 255; byte 3 becomes 255.
ZN_AVX512 void UnsharpRowReduced(unsigned char *image, const unsigned char *blurred, int to, const ReducedUnsharp &r)
{
    const __m512i weights = _mm512_set1_epi16(static_cast<short>((r.a & 255) | ((-r.b & 255) << 8)));
    const __m512i m = _mm512_set1_epi16(static_cast<short>(r.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(r.shift);
    const __m512i zero = _mm512_setzero_si512(), opaque = _mm512_set1_epi32(static_cast<int>(0xff000000u));
    for (int j = 0; j < to; j += 64) {
        const __m512i v = _mm512_loadu_si512(image + j), b = _mm512_loadu_si512(blurred + j);
        __m512i lo = _mm512_max_epi16(_mm512_maddubs_epi16(_mm512_unpacklo_epi8(v, b), weights), zero);
        __m512i hi = _mm512_max_epi16(_mm512_maddubs_epi16(_mm512_unpackhi_epi8(v, b), weights), zero);
        lo = _mm512_srl_epi16(_mm512_mulhi_epu16(lo, m), shift);
        hi = _mm512_srl_epi16(_mm512_mulhi_epu16(hi, m), shift);
        _mm512_storeu_si512(image + j, _mm512_or_si512(_mm512_packus_epi16(lo, hi), opaque));
    }
}

#pragma GCC diagnostic pop
#undef ZN_AVX512

#endif  // ZN_ADJUST_SIMD

// Bytes a vector form takes at once (1 for the plain form).
int FormBytes(styles::UnsharpForm form)
{
    switch (form) {
    case styles::UnsharpForm::Avx2: return 16;
    case styles::UnsharpForm::Avx512: return 32;
    default: return 1;
    }
}

// Row pass of one row of width pixels into out (B, G, R; byte 3 of out is not used).
void BlurRow(const unsigned char *in, unsigned char *out, int width, const BlurKernel &k, styles::UnsharpForm form)
{
    const int h = k.length / 2;
    int fastFrom = 0, fastTo = 0;  // pixels done by a vector form
#if ZN_ADJUST_SIMD
    const int pixels = FormBytes(form) / 4;
    if (pixels > 1 && k.exact16 && width - 2 * h >= pixels) {
        fastFrom = h;
        fastTo = h + (width - 2 * h) / pixels * pixels;
        if (form == styles::UnsharpForm::Avx512)
            RowInterior32(in, out, 4 * fastFrom, 4 * fastTo, k);
        else
            RowInterior16(in, out, 4 * fastFrom, 4 * fastTo, k);
    }
#else
    (void)form;
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

// Column pass of output row y into out; window[t] is row-pass row y - h + t
// (for the rows inside the picture).
void BlurColumn(const unsigned char *const *window, int y, int height, unsigned char *out, int stride,
                const BlurKernel &k, styles::UnsharpForm form)
{
    const int h = k.length / 2;
    int from = 0;
#if ZN_ADJUST_SIMD
    const int bytes = FormBytes(form);
    if (bytes > 1 && k.exact16 && y >= h && y + h < height) {
        from = stride / bytes * bytes;
        if (form == styles::UnsharpForm::Avx512)
            ColumnInterior32(window, out, from, k);
        else
            ColumnInterior16(window, out, from, k);
    }
#else
    (void)form;
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

// image = unsharp(image, blurred) over one row of stride bytes, byte 3 = 255.
void SharpenRow(unsigned char *image, const unsigned char *blurred, int stride, int g, const ReducedUnsharp &reduced,
                styles::UnsharpForm form)
{
    int from = 0;
#if ZN_ADJUST_SIMD
    if (form == styles::UnsharpForm::Avx512 && reduced.usable) {
        from = stride / 64 * 64;
        UnsharpRowReduced(image, blurred, from, reduced);
    }
    if (form != styles::UnsharpForm::Plain && g > -4000000 && g < 4000000) {
        const int to = stride / 16 * 16;
        if (form == styles::UnsharpForm::Avx512)
            UnsharpRow32(image + from, blurred + from, to - from, g);
        else
            UnsharpRow16(image + from, blurred + from, to - from, g);
        from = to;
    }
#else
    (void)form;
    (void)reduced;
#endif
    for (int j = from; j < stride; ++j)
        image[j] = (j & 3) == 3 ? 255 : UnsharpByte(image[j], blurred[j], g);
}

}  // namespace

namespace styles {

UnsharpForm BestUnsharpForm()
{
#if ZN_ADJUST_SIMD
    switch (VectorLevel()) {
    case 2: return UnsharpForm::Avx512;
    case 1: return UnsharpForm::Avx2;
    default: break;
    }
#endif
    return UnsharpForm::Plain;
}

bool LutUnsharpLut(unsigned char *image, int width, int height, const ChannelLut &before, int radius, float amount,
                   const ChannelLut *after, UnsharpForm form)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return true;
    BlurKernel k;
    if (width > INT_MAX / 4 || !MakeBlurKernel(radius, k)) {
        // useEffect refuses; the tables are still applied
        ApplyLut(image, n, before);
        if (after)
            ApplyLut(image, n, *after);
        return false;
    }
    const int h = k.length / 2;
    const int stride = 4 * width;
    const std::size_t rowBytes = static_cast<std::size_t>(stride);
    // k.length row-pass rows, then one blurred row
    unsigned char *ring = static_cast<unsigned char *>(std::malloc((static_cast<std::size_t>(k.length) + 1) * rowBytes));
    if (!ring)
        return false;
    unsigned char *blurred = ring + static_cast<std::size_t>(k.length) * rowBytes;
    const int g = UnsharpGain(amount);
    const ReducedUnsharp reduced = ReduceUnsharp(g);
    const unsigned char *window[CSharp::kMaxKernel];
    int next = 0;  // next row to enter the window
    for (int y = 0; y < height; ++y) {
        for (; next <= std::min(height - 1, y + h); ++next) {
            unsigned char *row = image + static_cast<std::size_t>(next) * rowBytes;
            ApplyLut(row, static_cast<std::size_t>(width), before);
            BlurRow(row, ring + static_cast<std::size_t>(next % k.length) * rowBytes, width, k, form);
        }
        for (int r = std::max(0, y - h); r <= std::min(height - 1, y + h); ++r)
            window[r - (y - h)] = ring + static_cast<std::size_t>(r % k.length) * rowBytes;
        BlurColumn(window, y, height, blurred, stride, k, form);
        unsigned char *row = image + static_cast<std::size_t>(y) * rowBytes;
        SharpenRow(row, blurred, stride, g, reduced, form);
        if (after)
            ApplyLut(row, static_cast<std::size_t>(width), *after);
    }
    std::free(ring);
    return true;
}

}  // namespace styles

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
// The same scheme as the colour kernels' ABaoColor block (colorkernels.h,
// section 6): powers of our own, accurate to a few parts in 1e14, and each
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
// none (styles::VectorLevel).
int BaoLanes()
{
#if ZN_ADJUST_SIMD && defined(QVFX_HAVE_COLOR_KERNELS)
    switch (styles::VectorLevel()) {
    case 2: return 8;
    case 1: return 4;
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
