// The HDR looks' chain (styles_unsharp.h): a per-channel table, the unsharp
// mask of CSharp::useEffect and a second table in one pass over a ring of
// rows; plain, AVX2 and AVX-512 loops.
#include "styles_unsharp.h"

#include "sharpen.h"
#include "simd.h"
#include "unsharplevel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ZN_UNSHARP_SIMD 1
#else
#define ZN_UNSHARP_SIMD 0
#endif

using styles::ChannelLut;

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

#if ZN_UNSHARP_SIMD

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

#endif  // ZN_UNSHARP_SIMD

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
#if ZN_UNSHARP_SIMD
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
#if ZN_UNSHARP_SIMD
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
#if ZN_UNSHARP_SIMD
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
        image[j] = (j & 3) == 3 ? 255 : unsharp::Level(image[j], blurred[j], g);
}

}  // namespace

namespace styles {

UnsharpForm BestUnsharpForm()
{
#if ZN_UNSHARP_SIMD
    switch (qvfx::simd::level()) {
    case qvfx::simd::kAvx512: return UnsharpForm::Avx512;
    case qvfx::simd::kAvx2: return UnsharpForm::Avx2;
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
    const int g = unsharp::Weight(amount);
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
