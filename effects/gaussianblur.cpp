// Recursive Gaussian blur.
//
// Contents
//   1. Coefficients      Deriche's fourth-order fit of a Gaussian, with edge terms
//   2. One line          the straightforward recursion (reference form)
//   3. Eight lines       the same operations on 8 lines at once (AVX-512 or AVX2)
//   4. The instance      GaussianBlurFilterUtil: passes over rows and columns
//
// Every sample goes through the same double-precision operations in the same
// order in sections 2 and 3 (no fused multiply-adds), so both give the same bytes.
#include "gaussianblur.h"

#include "recursivegaussian.h"
#include "simd.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZN_GAUSS_SIMD 1
#else
#define ZN_GAUSS_SIMD 0
#endif

namespace recursivegaussian {

// --- 1. Coefficients ------------------------------------------------------------------------

double EffectiveSigma(double sigma)
{
    const double t = std::fabs(sigma) + 1.3;
    return std::sqrt(t * t / 11.082527090316852);  // divisor 2 ln 255
}

void Build(double s, Coefficients &k)
{
    // Published fit: a0 1.6803, a1 3.735, b0 1.783, b1 1.723, w0 .6318, w1 1.997, c0 -.6803, c1 -.2598.
    const double D = s * 2.5066282746310002;  // s sqrt(2 pi)
    const double x0 = -1.783 / s, x1 = -1.723 / s, x2 = 0.6318 / s, x3 = 1.997 / s;
    const double x4 = 1.6803 / D, x5 = 3.735 / D, x6 = -0.6803 / D, x7 = -0.2598 / D;

    k.c[0] = x4 + x6;
    k.c[1] = std::exp(x1) * (x7 * std::sin(x3) - (x6 + 2 * x4) * std::cos(x3)) +
             std::exp(x0) * (x5 * std::sin(x2) - (2 * x6 + x4) * std::cos(x2));
    k.c[2] = 2 * std::exp(x0 + x1) *
                 ((x4 + x6) * std::cos(x3) * std::cos(x2) - x5 * std::cos(x3) * std::sin(x2) -
                  x7 * std::cos(x2) * std::sin(x3)) +
             x6 * std::exp(2 * x0) + x4 * std::exp(2 * x1);
    k.c[3] = std::exp(x1 + 2 * x0) * (x7 * std::sin(x3) - x6 * std::cos(x3)) +
             std::exp(x0 + 2 * x1) * (x5 * std::sin(x2) - x4 * std::cos(x2));
    k.c[4] = 0;

    k.dc[0] = 0;
    k.dc[1] = -2 * std::exp(x1) * std::cos(x3) - 2 * std::exp(x0) * std::cos(x2);
    k.dc[2] = 4 * std::cos(x3) * std::cos(x2) * std::exp(x0 + x1) + std::exp(2 * x1) + std::exp(2 * x0);
    k.dc[3] = -2 * std::cos(x2) * std::exp(x0 + 2 * x1) - 2 * std::cos(x3) * std::exp(x1 + 2 * x0);
    k.dc[4] = std::exp(2 * x0 + 2 * x1);

    k.a[0] = 0;
    for (int i = 0; i < 5; ++i)
        k.da[i] = k.dc[i];
    for (int i = 1; i < 5; ++i)
        k.a[i] = k.c[i] - k.dc[i] * k.c[0];

    // Edge terms: a constant signal v has the steady response v sum(c) / (1 + sum(dc)).
    double sumC = 0, sumA = 0, sumD = 0;
    for (int i = 0; i < 5; ++i) {
        sumC += k.c[i];
        sumA += k.a[i];
        sumD += k.dc[i];
    }
    const double S = 1 + sumD;
    for (int i = 0; i < 5; ++i) {
        k.ec[i] = k.dc[i] * sumC / S;
        k.ea[i] = k.da[i] * sumA / S;
    }
}

void Unpack(const Coefficients &k, double *c, double *a, double *dc, double *da, double *ec, double *ea)
{
    std::memcpy(c, k.c, sizeof k.c);
    std::memcpy(a, k.a, sizeof k.a);
    std::memcpy(dc, k.dc, sizeof k.dc);
    std::memcpy(da, k.da, sizeof k.da);
    std::memcpy(ec, k.ec, sizeof k.ec);
    std::memcpy(ea, k.ea, sizeof k.ea);
}

// --- 2. One line ----------------------------------------------------------------------------

namespace {

// clamp(int(v)) to a byte; values below 1 give 0.
inline unsigned char ClampToByte(double v)
{
    if (!(v >= 1))
        return 0;
    if (v >= 255)
        return 255;
    return static_cast<unsigned char>(static_cast<int>(v));
}

}  // namespace

void FilterLinePlain(unsigned char *line, int n, std::ptrdiff_t step, int channels, const Coefficients &k,
                     double *scratch)
{
    if (n < 1)
        return;
    double *yc = scratch;
    double *ya = scratch + n;
    for (int ch = 0; ch < channels; ++ch) {
        auto p = [&](int i) { return static_cast<double>(line[i * step + ch]); };
        const double first = p(0), last = p(n - 1);
        // Causal: yc[i] = sum_k<=min(i,4) (c_k p[i-k] - dc_k yc[i-k]) + sum_k>min(i,4) (c_k - ec_k) p[0].
        for (int i = 0; i < n; ++i) {
            const int m = std::min(i, 4);
            double acc = 0;
            for (int j = 0; j <= m; ++j)
                acc += k.c[j] * p(i - j) - k.dc[j] * (j ? yc[i - j] : 0.0);
            for (int j = m + 1; j <= 4; ++j)
                acc += (k.c[j] - k.ec[j]) * first;
            yc[i] = acc;
        }
        // Anti-causal: the same from the last sample back, with a, da, ea and p[n-1] as the edge.
        for (int t = 0; t < n; ++t) {
            const int i = n - 1 - t;
            const int m = std::min(t, 4);
            double acc = 0;
            for (int j = 0; j <= m; ++j)
                acc += k.a[j] * p(i + j) - k.da[j] * (j ? ya[i + j] : 0.0);
            for (int j = m + 1; j <= 4; ++j)
                acc += (k.a[j] - k.ea[j]) * last;
            ya[i] = acc;
        }
        for (int i = 0; i < n; ++i)
            line[i * step + ch] = ClampToByte(yc[i] + ya[i]);
    }
}

}  // namespace recursivegaussian

using recursivegaussian::Coefficients;

namespace {

// --- 3. Eight lines -------------------------------------------------------------------------
//
// Eight neighbouring lines are filtered together: their 24 B, G, R values at
// one sample are a few vectors of doubles, and every lane runs exactly the
// recursion of FilterLinePlain. The filter itself (gaussianblur_block.inc) is
// compiled twice, for AVX-512 (three vectors of eight) and for AVX2 (six
// vectors of four); each instruction set supplies only its Load8 and Store8.

#if ZN_GAUSS_SIMD

constexpr int kBlock = 8;  // lines filtered together

#pragma GCC push_options
#pragma GCC target("avx2")
namespace lanes4 {

using V = __m256d;
constexpr int kVec = 6;  // 24 values in vectors of 4

// 8 BGRA pixels -> their 24 B, G, R values as doubles, in memory order.
inline void Load8(const unsigned char *px, V out[kVec], __m256i *raw)
{
    const __m256i all = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(px));
    // B G R of four pixels packed into the low 12 bytes.
    const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i lo = _mm_shuffle_epi8(_mm256_castsi256_si128(all), pick);
    const __m128i hi = _mm_shuffle_epi8(_mm256_extracti128_si256(all, 1), pick);
    out[0] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(lo));
    out[1] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(lo, 4)));
    out[2] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(lo, 8)));
    out[3] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(hi));
    out[4] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(hi, 4)));
    out[5] = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(hi, 8)));
    if (raw)
        *raw = all;
}

// clamp(int(sum)) into B, G, R of 8 pixels (the conversion truncates, the
// saturating packs clamp to 0..255); byte 3 is taken from raw.
inline void Store8(unsigned char *px, const V sum[kVec], __m256i raw)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_packus_epi16(_mm_packs_epi32(_mm256_cvttpd_epi32(sum[0]), _mm256_cvttpd_epi32(sum[1])),
                                        _mm_packs_epi32(_mm256_cvttpd_epi32(sum[2]), zero));
    const __m128i hi = _mm_packus_epi16(_mm_packs_epi32(_mm256_cvttpd_epi32(sum[3]), _mm256_cvttpd_epi32(sum[4])),
                                        _mm_packs_epi32(_mm256_cvttpd_epi32(sum[5]), zero));
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i bgr = _mm256_set_m128i(_mm_shuffle_epi8(hi, spread), _mm_shuffle_epi8(lo, spread));
    const __m256i alpha = _mm256_and_si256(raw, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(px), _mm256_or_si256(bgr, alpha));
}

inline V Splat(double v)
{
    return _mm256_set1_pd(v);
}

#include "gaussianblur_block.inc"

}  // namespace lanes4
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl")
// GCC 12 warns about the undefined pass-through operand inside its own
// _mm512_cvtepi32_pd; the value is never read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
namespace lanes8 {

using V = __m512d;
constexpr int kVec = 3;  // 24 values in vectors of 8

inline void Load8(const unsigned char *px, V out[kVec], __m256i *raw)
{
    const __m256i all = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(px));
    const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i lo = _mm_shuffle_epi8(_mm256_castsi256_si128(all), pick);
    const __m128i hi = _mm_shuffle_epi8(_mm256_extracti128_si256(all, 1), pick);
    const __m128i first = _mm_or_si128(lo, _mm_slli_si128(hi, 12));  // values 0..15
    const __m128i last = _mm_srli_si128(hi, 4);                      // values 16..23
    out[0] = _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(first));
    out[1] = _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(_mm_srli_si128(first, 8)));
    out[2] = _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(last));
    if (raw)
        *raw = all;
}

inline void Store8(unsigned char *px, const V sum[kVec], __m256i raw)
{
    const __m256i lowest = _mm256_setzero_si256(), highest = _mm256_set1_epi32(255);
    auto bytes = [&](V v) {  // clamp(int(v)) of 8 values -> 8 bytes
        const __m256i i = _mm512_cvttpd_epi32(v);
        return _mm256_cvtepi32_epi8(_mm256_min_epi32(_mm256_max_epi32(i, lowest), highest));
    };
    const __m128i first = _mm_unpacklo_epi64(bytes(sum[0]), bytes(sum[1]));  // values 0..15
    const __m128i last = bytes(sum[2]);                                       // values 16..23
    const __m128i hi = _mm_alignr_epi8(last, first, 12);                      // values 12..23
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i bgr = _mm256_set_m128i(_mm_shuffle_epi8(hi, spread), _mm_shuffle_epi8(first, spread));
    const __m256i alpha = _mm256_and_si256(raw, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(px), _mm256_or_si256(bgr, alpha));
}

inline V Splat(double v)
{
    return _mm512_set1_pd(v);
}

#include "gaussianblur_block.inc"

}  // namespace lanes8
#pragma GCC diagnostic pop
#pragma GCC pop_options

#endif  // ZN_GAUSS_SIMD

}  // namespace

// --- 4. The instance ------------------------------------------------------------------------
//
// Every call builds its coefficients on its own stack, so blurs on several
// threads at once each get the set of their own sigma.

namespace {

// Filters every row (horizontal) or every column with the set k.
void FilterPicture(unsigned char *image, int width, int height, int bytesPerPixel, bool horizontal,
                   const Coefficients &k)
{
    const int channels = std::min(bytesPerPixel, 3);
    const std::ptrdiff_t pixel = bytesPerPixel;
    const std::ptrdiff_t row = pixel * width;
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    int done = 0;  // lines already filtered by the 8-line form

#if ZN_GAUSS_SIMD
    const int level = bytesPerPixel == 4 ? qvfx::simd::level() : qvfx::simd::kPlain;
    if (level != qvfx::simd::kPlain) {
        const int blocks = lines / kBlock;
        if (level == qvfx::simd::kAvx512)
            lanes8::FilterLines(image, width, height, horizontal, blocks, k);
        else
            lanes4::FilterLines(image, width, height, horizontal, blocks, k);
        done = blocks * kBlock;
    }
#endif

    std::vector<double> scratch(2 * static_cast<std::size_t>(length));
    for (int l = done; l < lines; ++l) {
        if (horizontal)
            recursivegaussian::FilterLinePlain(image + l * row, width, pixel, channels, k, scratch.data());
        else
            recursivegaussian::FilterLinePlain(image + l * pixel, height, row, channels, k, scratch.data());
    }
}

Coefficients SetFor(double sigma)
{
    Coefficients k;
    recursivegaussian::Build(recursivegaussian::EffectiveSigma(sigma), k);
    return k;
}

}  // namespace

GaussianBlurFilterUtil::GaussianBlurFilterUtil() = default;

GaussianBlurFilterUtil *GaussianBlurFilterUtil::GetInst()
{
    static GaussianBlurFilterUtil instance;
    return &instance;
}

void GaussianBlurFilterUtil::FindConstants(double sigma)
{
    // Nothing is kept: each pass builds the set of the sigma it is given.
    (void)sigma;
}

void GaussianBlurFilterUtil::ConvoluteDimension(unsigned char *image, int width, int height, int bytesPerPixel,
                                                double sigma, bool horizontal)
{
    if (!image || width < 1 || height < 1 || bytesPerPixel < 1 || !(sigma >= 1e-8))
        return;
    FilterPicture(image, width, height, bytesPerPixel, horizontal, SetFor(sigma));
}

int GaussianBlurFilterUtil::CreateBlurEffect(unsigned char *image, int width, int height, int channels,
                                             double sigmaX, double sigmaY)
{
    (void)channels;
    if (!image)
        return 0;
    auto clampSigma = [](double s) { return s > 255 ? 255.0 : (s >= 0 ? s : 0.0); };  // NaN -> 0
    sigmaX = clampSigma(sigmaX);
    sigmaY = clampSigma(sigmaY);
    if (width < 1 || height < 1)
        return 1;
    const Coefficients rows = SetFor(sigmaX);
    if (sigmaX >= 1e-8)
        FilterPicture(image, width, height, 4, true, rows);
    // The columns keep the rows' set when the sigmas are within 1e-6 of each
    // other, and get their own when sigma x was too small for one.
    if (sigmaY >= 1e-8)
        FilterPicture(image, width, height, 4, false,
                      std::fabs(sigmaX - sigmaY) > 1e-6 || sigmaX < 1e-8 ? SetFor(sigmaY) : rows);
    return 1;
}

int GaussianBlurFilterUtil::DoubleToInt_IEEE(double value)
{
    if (value != value)
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}
