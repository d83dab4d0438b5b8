// Integer-kernel blur and unsharp mask (CSharp).
//
// Contents
//   1. Kernel          SetRadius: the integer weights
//   2. One sample      the straightforward weighted mean (reference form, and the line ends)
//   3. Fast lines      the interior of a row or of a column of rows, 16 bytes at once (AVX2)
//   4. Passes          ConvoluteDimension and GetBlur (rows, then columns through a ring of rows)
//   5. Unsharp mask    GetUnsharpMask, the cached preview, SharpProcess, useEffect
//
// Everything is integer arithmetic; the fast form computes the same sums and
// divides them exactly (a multiply-and-shift checked against every possible
// sum), so it gives the same bytes as the straightforward form.
#include "sharpen.h"

#include "simd.h"
#include "unsharplevel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZN_SHARP_SIMD 1
#define ZN_AVX2 __attribute__((target("avx2")))
#else
#define ZN_SHARP_SIMD 0
#endif

namespace {

// --- 2. One sample ----------------------------------------------------------------------------

// sum(w p) / sum(w) over the kernel positions that fall inside a line of
// length samples (integer division); sample i of the line at line[i * step].
inline unsigned char WeightedMean(const unsigned char *line, std::ptrdiff_t step, int length, int i,
                                  const int *kernel, int kernelLength)
{
    const int h = kernelLength / 2;
    const int lo = std::max(0, i - h), hi = std::min(length - 1, i + h);
    int sum = 0, weights = 0;
    for (int j = lo; j <= hi; ++j) {
        const int w = kernel[j - i + h];
        sum += w * line[j * step];
        weights += w;
    }
    return static_cast<unsigned char>(sum / weights);
}

// One output row y of the column pass, straightforward form, bytes from..to-1
// (B, G, R only); window[t] is row y - h + t, for the rows inside the picture.
void ColumnRowPlain(const unsigned char *const *window, int y, int height, unsigned char *out, int from, int to,
                    const int *kernel, int kernelLength)
{
    const int h = kernelLength / 2;
    const int lo = std::max(0, y - h) - (y - h), hi = std::min(height - 1, y + h) - (y - h);
    int weights = 0;
    for (int t = lo; t <= hi; ++t)
        weights += kernel[t];
    for (int j = from; j < to; ++j) {
        if ((j & 3) == 3)
            continue;
        int sum = 0;
        for (int t = lo; t <= hi; ++t)
            sum += kernel[t] * window[t][j];
        out[j] = static_cast<unsigned char>(sum / weights);
    }
}

// --- 3. Fast lines ----------------------------------------------------------------------------

// x / divisor == (x * multiplier) >> (16 + shift) for every x in 0..255 * divisor,
// with all of it in 16-bit lanes. Found once per kernel and checked exhaustively.
struct ExactDivision {
    bool usable = false;
    uint16_t multiplier = 0;
    int shift = 0;
};

ExactDivision FindExactDivision(int divisor)
{
    ExactDivision d;
    if (divisor < 1 || 255L * divisor > 65535)
        return d;
    const uint32_t top = 255u * static_cast<uint32_t>(divisor);
    for (int shift = 0; shift < 16; ++shift) {
        const uint64_t scale = uint64_t(1) << (16 + shift);
        const uint64_t m = (scale + divisor - 1) / divisor;
        if (m > 65535)
            break;
        bool exact = true;
        for (uint32_t x = 0; x <= top && exact; ++x)
            exact = ((x * m) >> (16 + shift)) == x / static_cast<uint32_t>(divisor);
        if (exact) {
            d.usable = true;
            d.multiplier = static_cast<uint16_t>(m);
            d.shift = shift;
            return d;
        }
    }
    return d;
}

#if ZN_SHARP_SIMD

// AVX2 forms in use: when the switch allows them (simd.h).
bool HaveAvx2()
{
    return qvfx::simd::level() >= qvfx::simd::kAvx2;
}

// 16 bytes: sums of 16-bit lanes divided exactly, packed, byte 3 of each pixel kept from keep.
ZN_AVX2 inline __m128i DivideAndPack(__m256i sum, const ExactDivision &d, __m128i keep)
{
    const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(static_cast<short>(d.multiplier))),
                                       _mm_cvtsi32_si128(d.shift));
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_or_si128(_mm_andnot_si128(alpha, bytes), _mm_and_si128(alpha, keep));
}

ZN_AVX2 inline __m256i Widen(const unsigned char *p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

// Row pass for bytes from..to-1 (multiples of 4, to - from a multiple of 16),
// all of whose kernel positions lie inside the row: out[j] = sum_k w_k in[j + 4(k - h)] / sum.
// Symmetric weights: w_k (in[j - 4k] + in[j + 4k]).
ZN_AVX2 void RowInteriorAvx2(const unsigned char *in, unsigned char *out, int from, int to, const int *kernel,
                             int kernelLength, const ExactDivision &d)
{
    const int h = kernelLength / 2;
    for (int j = from; j < to; j += 16) {
        __m256i sum = _mm256_mullo_epi16(Widen(in + j), _mm256_set1_epi16(static_cast<short>(kernel[h])));
        for (int k = 1; k <= h; ++k) {
            const __m256i pair = _mm256_add_epi16(Widen(in + j - 4 * k), Widen(in + j + 4 * k));
            sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(static_cast<short>(kernel[h + k]))));
        }
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + j));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), DivideAndPack(sum, d, keep));
    }
}

// Column pass for bytes 0..to-1 (to a multiple of 16) of an output row whose
// kernel rows window[0..2h] all exist.
ZN_AVX2 void ColumnInteriorAvx2(const unsigned char *const *window, unsigned char *out, int to, const int *kernel,
                                int kernelLength, const ExactDivision &d)
{
    const int h = kernelLength / 2;
    for (int j = 0; j < to; j += 16) {
        __m256i sum = _mm256_mullo_epi16(Widen(window[h] + j), _mm256_set1_epi16(static_cast<short>(kernel[h])));
        for (int k = 1; k <= h; ++k) {
            const __m256i pair = _mm256_add_epi16(Widen(window[h - k] + j), Widen(window[h + k] + j));
            sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(static_cast<short>(kernel[h + k]))));
        }
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + j));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j), DivideAndPack(sum, d, keep));
    }
}

#endif  // ZN_SHARP_SIMD

// What one pass needs to know about the kernel.
struct Kernel {
    const int *weights;
    int length;
    int sum;
    ExactDivision division;
    bool fast;
};

Kernel MakeKernel(const int *weights, int length, int sum)
{
    Kernel k{weights, length, sum, FindExactDivision(sum), false};
#if ZN_SHARP_SIMD
    k.fast = k.division.usable && HaveAvx2();
#endif
    return k;
}

// --- 4. Passes (helpers) ----------------------------------------------------------------------

// One row of the row pass: B, G, R of every pixel, byte 3 of out untouched.
void RowPass(const unsigned char *in, unsigned char *out, int width, const Kernel &k)
{
    const int h = k.length / 2;
    int fastFrom = 0, fastTo = 0;  // pixels done by the fast form
#if ZN_SHARP_SIMD
    if (k.fast && width - 2 * h >= 4) {
        fastFrom = h;
        fastTo = h + (width - 2 * h) / 4 * 4;
        RowInteriorAvx2(in, out, 4 * fastFrom, 4 * fastTo, k.weights, k.length, k.division);
    }
#endif
    for (int x = 0; x < width; ++x) {
        if (x == fastFrom && fastTo > fastFrom) {
            x = fastTo - 1;
            continue;
        }
        for (int c = 0; c < 3; ++c)
            out[4 * x + c] = WeightedMean(in + c, 4, width, x, k.weights, k.length);
    }
}

// Output row y of the column pass; window[t] is row y - h + t of the row-pass result.
void ColumnPass(const unsigned char *const *window, int y, int height, unsigned char *out, int stride,
                const Kernel &k)
{
    const int h = k.length / 2;
    int from = 0;
#if ZN_SHARP_SIMD
    if (k.fast && y >= h && y + h < height) {
        from = stride / 16 * 16;
        ColumnInteriorAvx2(window, out, from, k.weights, k.length, k.division);
    }
#endif
    ColumnRowPlain(window, y, height, out, from, stride, k.weights, k.length);
}

// Unsharp for |k| < 4,000,000, where x = (10000 + k) value - k blurred fits in 32 bits.
// A negative x gives 0 and x from 2,560,000 on gives 255, so only 0 <= x < 2,560,000
// is divided: float(x) is exact there, and the rounded quotient never reaches the
// next integer (it is at least 1e-4 away, the rounding error under 2e-5), so
// int(float(x) / 10000) is x / 10000.
[[gnu::always_inline]] inline void UnsharpSmall(const unsigned char *image, const unsigned char *blurred,
                                                unsigned char *out, std::size_t bytes, int k)
{
    for (std::size_t i = 0; i < bytes; ++i) {
        int x = (10000 + k) * image[i] - k * blurred[i];
        x = x < 0 ? 0 : (x > 2559999 ? 2559999 : x);
        const unsigned char v = static_cast<unsigned char>(static_cast<int>(static_cast<float>(x) / 10000.0f));
        out[i] = (i & 3) == 3 ? out[i] : v;  // byte 3 of out is kept
    }
}

#if ZN_SHARP_SIMD
// 8 bytes of image and blurred -> 8 unsharp levels as int32 (see UnsharpSmall).
ZN_AVX2 inline __m256i UnsharpLevels(__m128i v8, __m128i b8, __m256i gain, __m256i weight)
{
    const __m256i v = _mm256_cvtepu8_epi32(v8), b = _mm256_cvtepu8_epi32(b8);
    __m256i x = _mm256_sub_epi32(_mm256_mullo_epi32(gain, v), _mm256_mullo_epi32(weight, b));
    x = _mm256_min_epi32(_mm256_max_epi32(x, _mm256_setzero_si256()), _mm256_set1_epi32(2559999));
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(10000.0f)));
}

// The same as UnsharpSmall, 16 bytes at once.
ZN_AVX2 void UnsharpSmallAvx2(const unsigned char *image, const unsigned char *blurred, unsigned char *out,
                              std::size_t bytes, int k)
{
    const __m256i gain = _mm256_set1_epi32(10000 + k), weight = _mm256_set1_epi32(k);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(image + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(blurred + i));
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + i));
        const __m256i lo = UnsharpLevels(v, b, gain, weight);
        const __m256i hi = UnsharpLevels(_mm_srli_si128(v, 8), _mm_srli_si128(b, 8), gain, weight);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
        const __m128i levels = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_or_si128(_mm_andnot_si128(alpha, levels), _mm_and_si128(alpha, keep)));
    }
    UnsharpSmall(image + i, blurred + i, out + i, bytes - i, k);
}
#endif

void UnsharpSmallPlain(const unsigned char *image, const unsigned char *blurred, unsigned char *out,
                       std::size_t bytes, int k)
{
    UnsharpSmall(image, blurred, out, bytes, k);
}

// B, G, R of out = unsharp::Level(image, blurred) for count pixels; byte 3 of out is kept.
void UnsharpPixels(const unsigned char *image, const unsigned char *blurred, unsigned char *out, std::size_t count,
                   int k)
{
    if (k > -4000000 && k < 4000000) {
#if ZN_SHARP_SIMD
        if (HaveAvx2()) {
            UnsharpSmallAvx2(image, blurred, out, count * 4, k);
            return;
        }
#endif
        UnsharpSmallPlain(image, blurred, out, count * 4, k);
        return;
    }
    for (std::size_t i = 0; i < count * 4; ++i)
        if ((i & 3) != 3)
            out[i] = unsharp::Level(image[i], blurred[i], k);
}

}  // namespace

// --- 1. Kernel ------------------------------------------------------------------------------------

CSharp::CSharp() = default;

CSharp::~CSharp()
{
    std::free(m_pBlurCache);
}

int CSharp::SetRadius(int radius)
{
    m_nKernelLength = 0;
    m_nKernelSum = 0;
    if (radius < 1 || radius > (kMaxKernel - 1) / 5)  // length 5r + 1 (made odd) must fit
        return 0;
    int n = 5 * radius + 1;
    if (n % 2 == 0)
        ++n;
    if (n > kMaxKernel)
        return 0;
    const int h = n / 2;
    const int q = 2 * radius * radius;
    // The exponents are integer quotients: W = int(e^(h*h / q) + .5), w_k = int(W e^-(k*k / q) + .5).
    const int centre = static_cast<int>(std::exp(static_cast<double>(h * h / q)) + 0.5);
    m_nKernel[h] = centre;
    int sum = centre;
    for (int k = 1; k <= h; ++k) {
        const int w = static_cast<int>(centre * std::exp(-static_cast<double>(k * k / q)) + 0.5);
        m_nKernel[h - k] = m_nKernel[h + k] = w;
        sum += 2 * w;
    }
    m_nKernelSum = sum;
    m_nKernelLength = n;
    m_fRadius = static_cast<float>(radius);
    return 1;
}

// --- 4. Passes --------------------------------------------------------------------------------------

int CSharp::ConvoluteDimension(const unsigned char *source, unsigned char *destination, int channels,
                               bool horizontal, bool flag)
{
    (void)channels;
    (void)flag;
    if (m_nKernelLength < 2 || !source || !destination || m_nWidth < 1 || m_nHeight < 1)
        return 1;
    const Kernel k = MakeKernel(m_nKernel, m_nKernelLength, m_nKernelSum);
    const std::size_t stride = static_cast<std::size_t>(m_nStride);
    if (horizontal) {
        for (int y = 0; y < m_nHeight; ++y)
            RowPass(source + y * stride, destination + y * stride, m_nWidth, k);
        return 1;
    }
    const int h = m_nKernelLength / 2;
    const unsigned char *window[kMaxKernel];
    for (int y = 0; y < m_nHeight; ++y) {
        for (int r = std::max(0, y - h); r <= std::min(m_nHeight - 1, y + h); ++r)
            window[r - (y - h)] = source + r * stride;
        ColumnPass(window, y, m_nHeight, destination + y * stride, m_nStride, k);
    }
    return 1;
}

int CSharp::GetBlur(const unsigned char *source, unsigned char *destination, int width, int height, int radius,
                    int channels, bool flag)
{
    if (width < 0 || height < 0 || width > INT_MAX / 4)
        width = height = 0;
    m_nWidth = width;
    m_nHeight = height;
    m_nStride = 4 * width;
    if (!SetRadius(radius))
        return -1;
    return GetBlur(source, destination, channels, flag);
}

int CSharp::GetBlur(const unsigned char *source, unsigned char *destination, int channels, bool flag, int reserved)
{
    (void)channels;
    (void)flag;
    (void)reserved;
    if (m_nKernelLength < 2)
        return -1;
    if (!source || !destination || m_nWidth < 1 || m_nHeight < 1)
        return 1;
    // Rows, then columns. The row pass results live in a ring of kernel-length
    // rows: output row y needs row-pass rows y - h .. y + h only, and writing
    // it never overwrites a source row still to be read.
    const Kernel k = MakeKernel(m_nKernel, m_nKernelLength, m_nKernelSum);
    const int n = m_nKernelLength, h = n / 2;
    const std::size_t stride = static_cast<std::size_t>(m_nStride);
    unsigned char *ring = static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(n), stride));
    if (!ring)
        return -1;
    const unsigned char *window[kMaxKernel];
    int next = 0;  // next row to pass through the row pass
    for (int y = 0; y < m_nHeight; ++y) {
        for (; next <= std::min(m_nHeight - 1, y + h); ++next)
            RowPass(source + next * stride, ring + (next % n) * stride, m_nWidth, k);
        for (int r = std::max(0, y - h); r <= std::min(m_nHeight - 1, y + h); ++r)
            window[r - (y - h)] = ring + (r % n) * stride;
        ColumnPass(window, y, m_nHeight, destination + y * stride, m_nStride, k);
    }
    std::free(ring);
    return 1;
}

// --- 5. Unsharp mask --------------------------------------------------------------------------------

int CSharp::GetUnsharpMask(const unsigned char *source, unsigned char *destination, int channels, float amount,
                           int flag)
{
    (void)flag;
    if (GetBlur(source, destination, channels, false) != 1)
        return 0;
    m_fAmount = amount;
    if (source && destination)
        UnsharpPixels(source, destination, destination,
                      static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight), unsharp::Weight(amount));
    return 1;
}

int CSharp::GetUnsharpMaskPreview(const unsigned char *source, unsigned char *destination, int channels,
                                  float amount, int flag, int bufferSize)
{
    (void)flag;
    if (m_nKernelLength < 2 || !source || !destination)
        return 0;
    const std::size_t bytes = static_cast<std::size_t>(m_nStride) * static_cast<std::size_t>(m_nHeight);
    // The cached blur is reused while the size and radius stay those it was made with.
    const bool cached = m_pBlurCache && m_nBlurCacheSize >= 0 && static_cast<std::size_t>(m_nBlurCacheSize) >= bytes &&
                        m_nCacheWidth == m_nWidth && m_nCacheHeight == m_nHeight && m_nCacheKernel == m_nKernelLength;
    if (cached) {
        std::memcpy(destination, m_pBlurCache, bytes);
    } else {
        if (GetBlur(source, destination, channels, false) != 1)
            return 0;
        const std::size_t size = std::max(bytes, static_cast<std::size_t>(std::max(bufferSize, 0)));
        std::free(m_pBlurCache);
        m_pBlurCache = static_cast<unsigned char *>(std::malloc(size ? size : 1));
        m_nBlurCacheSize = 0;
        if (m_pBlurCache) {
            std::memcpy(m_pBlurCache, destination, bytes);
            m_nBlurCacheSize = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
            m_nCacheWidth = m_nWidth;
            m_nCacheHeight = m_nHeight;
            m_nCacheKernel = m_nKernelLength;
        }
    }
    m_fAmount = amount;
    UnsharpPixels(source, destination, destination,
                  static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight), unsharp::Weight(amount));
    return 1;
}

int CSharp::SharpProcess(unsigned char *image, const unsigned char *blurred, int width, int height, float amount)
{
    if (!image || !blurred || width < 1 || height < 1)
        return 1;
    UnsharpPixels(image, blurred, image, static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                  unsharp::Weight(amount));
    return 1;
}

namespace {

// useEffect and useEffectPreview: blur (or the cached blur) into a malloc'd
// copy, then the unsharp result of each pixel goes straight back into the
// picture with byte 3 = 255 (the same bytes as forming it in the copy first).
template <typename Blur>
int UnsharpInPlace(unsigned char *image, long width, long height, float amount, Blur blur)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    unsigned char *result = static_cast<unsigned char *>(std::malloc(count * 4));
    if (!result)
        return 0;
    if (blur(result) != 1) {
        std::free(result);
        return 0;
    }
    UnsharpPixels(image, result, image, count, unsharp::Weight(amount));
    for (std::size_t i = 0; i < count; ++i)
        image[4 * i + 3] = 255;
    std::free(result);
    return 1;
}

}  // namespace

bool CSharp::PrepareInPlace(const unsigned char *image, long width, long height, int radius)
{
    if (!image || width < 0 || height < 0 || width > INT_MAX / 4 || height > INT_MAX / 4)
        return false;
    m_nWidth = static_cast<int>(width);
    m_nHeight = static_cast<int>(height);
    m_nStride = 4 * m_nWidth;
    return SetRadius(radius) == 1;
}

int CSharp::useEffect(unsigned char *image, long width, long height, int radius, float amount)
{
    if (!PrepareInPlace(image, width, height, radius))
        return 0;
    if (width == 0 || height == 0)
        return 1;
    m_fAmount = amount;
    return UnsharpInPlace(image, width, height, amount,
                          [&](unsigned char *result) { return GetBlur(image, result, 7, false); });
}

int CSharp::useEffectPreview(unsigned char *image, long width, long height, int radius, float amount)
{
    if (!PrepareInPlace(image, width, height, radius))
        return 0;
    if (width == 0 || height == 0)
        return 1;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const int bufferSize = count * 4 > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count * 4);
    unsigned char *result = static_cast<unsigned char *>(std::malloc(count * 4));
    if (!result)
        return 0;
    const int done = GetUnsharpMaskPreview(image, result, 7, amount, 0, bufferSize);
    if (done == 1)
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(image + 4 * i, result + 4 * i, 3);
            image[4 * i + 3] = 255;
        }
    std::free(result);
    return done == 1 ? 1 : 0;
}
