// Recursive Gaussian blur.
//
// Contents
//   1. Coefficients      Deriche's fourth-order fit of a Gaussian, with edge terms
//   2. One line          the straightforward recursion (reference form)
//   3. Eight lines       the same operations on 8 lines at once (AVX2)
//   4. The instance      GaussianBlurFilterUtil: passes over rows and columns
//
// Every sample goes through the same double-precision operations in the same
// order in sections 2 and 3, so both give the same bytes.
#include "gaussianblur.h"

#include "recursivegaussian.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZN_GAUSS_SIMD 1
#define ZN_AVX2 __attribute__((target("avx2")))
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
// Eight neighbouring lines are filtered together: sample i of the block is 8
// consecutive 4-byte pixels at base + i * stride (8 columns of the picture, or
// 8 rows copied side by side). Their 24 B, G, R values are six vectors of four
// doubles, and every lane runs exactly the recursion of FilterLinePlain.
// In the steady state the terms with a zero coefficient (c4, dc0, a0, da0) are
// left out: adding c4 p - dc4 y with c4 = 0 is subtracting dc4 y, and so on,
// which changes at most the sign of a zero.

#if ZN_GAUSS_SIMD

constexpr int kBlock = 8;   // lines filtered together
constexpr int kVec = 6;     // 8 pixels x 3 channels / 4 lanes

struct Broadcast {
    __m256d c[5], dc[5], a[5], da[5], ce[5], ae[5];  // ce = c - ec, ae = a - ea
};

ZN_AVX2 inline void Load8(const unsigned char *px, __m256d out[kVec], __m256i *raw)
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

// clamp(int(sum)) into B, G, R of 8 pixels (int conversion truncates, the
// saturating packs clamp to 0..255); byte 3 is taken from raw.
ZN_AVX2 inline void Store8(unsigned char *px, const __m256d sum[kVec], __m256i raw)
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

// count vectors of four doubles, 32-byte aligned.
class VectorBuffer {
public:
    explicit VectorBuffer(std::size_t count)
        : m_p(static_cast<__m256d *>(std::aligned_alloc(32, (count ? count : 1) * sizeof(__m256d))))
    {
        if (!m_p)
            throw std::bad_alloc();
    }
    ~VectorBuffer() { std::free(m_p); }
    VectorBuffer(const VectorBuffer &) = delete;
    VectorBuffer &operator=(const VectorBuffer &) = delete;
    __m256d *get() const { return m_p; }

private:
    __m256d *m_p;
};

ZN_AVX2 void MakeBroadcast(const Coefficients &k, Broadcast &b)
{
    for (int i = 0; i < 5; ++i) {
        b.c[i] = _mm256_set1_pd(k.c[i]);
        b.dc[i] = _mm256_set1_pd(k.dc[i]);
        b.a[i] = _mm256_set1_pd(k.a[i]);
        b.da[i] = _mm256_set1_pd(k.da[i]);
        b.ce[i] = _mm256_set1_pd(k.c[i] - k.ec[i]);
        b.ae[i] = _mm256_set1_pd(k.a[i] - k.ea[i]);
    }
}

// yc holds n * kVec vectors.
ZN_AVX2 void FilterBlock8(unsigned char *base, std::ptrdiff_t stride, int n, const Broadcast &b, __m256d *yc)
{
    const __m256d zero = _mm256_setzero_pd();
    const int head = std::min(n, 4);
    auto at = [&](int i) { return base + i * stride; };

    // Causal, first samples: the history before sample 0 is sample 0.
    __m256d first[kVec];
    Load8(at(0), first, nullptr);
    for (int i = 0; i < head; ++i) {
        __m256d acc[kVec];
        for (int v = 0; v < kVec; ++v)
            acc[v] = zero;
        for (int j = 0; j <= i; ++j) {
            __m256d p[kVec];
            Load8(at(i - j), p, nullptr);
            for (int v = 0; v < kVec; ++v)
                acc[v] = acc[v] + (b.c[j] * p[v] - b.dc[j] * (j ? yc[(i - j) * kVec + v] : zero));
        }
        for (int j = i + 1; j <= 4; ++j)
            for (int v = 0; v < kVec; ++v)
                acc[v] = acc[v] + b.ce[j] * first[v];
        for (int v = 0; v < kVec; ++v)
            yc[i * kVec + v] = acc[v];
    }

    // Causal, steady state: yc = c0 p0 + (c1 p1 - dc1 y1) + (c2 p2 - dc2 y2) + (c3 p3 - dc3 y3) - dc4 y4.
    if (n > 4) {
        __m256d p1[kVec], p2[kVec], p3[kVec];
        Load8(at(3), p1, nullptr);
        Load8(at(2), p2, nullptr);
        Load8(at(1), p3, nullptr);
        __m256d y1[kVec], y2[kVec], y3[kVec], y4[kVec];
        for (int v = 0; v < kVec; ++v) {
            y1[v] = yc[3 * kVec + v];
            y2[v] = yc[2 * kVec + v];
            y3[v] = yc[1 * kVec + v];
            y4[v] = yc[v];
        }
        for (int i = 4; i < n; ++i) {
            __m256d p0[kVec];
            Load8(at(i), p0, nullptr);
            for (int v = 0; v < kVec; ++v) {
                __m256d acc = b.c[0] * p0[v];
                acc = acc + (b.c[1] * p1[v] - b.dc[1] * y1[v]);
                acc = acc + (b.c[2] * p2[v] - b.dc[2] * y2[v]);
                acc = acc + (b.c[3] * p3[v] - b.dc[3] * y3[v]);
                acc = acc - b.dc[4] * y4[v];
                yc[i * kVec + v] = acc;
                p3[v] = p2[v];
                p2[v] = p1[v];
                p1[v] = p0[v];
                y4[v] = y3[v];
                y3[v] = y2[v];
                y2[v] = y1[v];
                y1[v] = acc;
            }
        }
    }

    // Anti-causal, last samples; pt[t] = p[n-1-t] and ya[t] = ya[n-1-t] are kept
    // because the results overwrite the samples.
    __m256d pt[4][kVec], yt[4][kVec];
    __m256i raw;
    for (int t = 0; t < head; ++t) {
        const int i = n - 1 - t;
        Load8(at(i), pt[t], &raw);
        __m256d acc[kVec], out[kVec];
        for (int v = 0; v < kVec; ++v)
            acc[v] = zero;
        for (int j = 0; j <= t; ++j)
            for (int v = 0; v < kVec; ++v)
                acc[v] = acc[v] + (b.a[j] * pt[t - j][v] - b.da[j] * (j ? yt[t - j][v] : zero));
        for (int j = t + 1; j <= 4; ++j)
            for (int v = 0; v < kVec; ++v)
                acc[v] = acc[v] + b.ae[j] * pt[0][v];
        for (int v = 0; v < kVec; ++v) {
            yt[t][v] = acc[v];
            out[v] = yc[i * kVec + v] + acc[v];
        }
        Store8(at(i), out, raw);
    }

    // Anti-causal, steady state: ya = (a1 q1 - da1 z1) + (a2 q2 - da2 z2) + (a3 q3 - da3 z3) + (a4 q4 - da4 z4).
    if (n > 4) {
        __m256d q1[kVec], q2[kVec], q3[kVec], q4[kVec], z1[kVec], z2[kVec], z3[kVec], z4[kVec];
        for (int v = 0; v < kVec; ++v) {
            q1[v] = pt[3][v];
            q2[v] = pt[2][v];
            q3[v] = pt[1][v];
            q4[v] = pt[0][v];
            z1[v] = yt[3][v];
            z2[v] = yt[2][v];
            z3[v] = yt[1][v];
            z4[v] = yt[0][v];
        }
        for (int i = n - 5; i >= 0; --i) {
            __m256d p0[kVec], out[kVec];
            Load8(at(i), p0, &raw);
            for (int v = 0; v < kVec; ++v) {
                __m256d acc = b.a[1] * q1[v] - b.da[1] * z1[v];
                acc = acc + (b.a[2] * q2[v] - b.da[2] * z2[v]);
                acc = acc + (b.a[3] * q3[v] - b.da[3] * z3[v]);
                acc = acc + (b.a[4] * q4[v] - b.da[4] * z4[v]);
                out[v] = yc[i * kVec + v] + acc;
                q4[v] = q3[v];
                q3[v] = q2[v];
                q2[v] = q1[v];
                q1[v] = p0[v];
                z4[v] = z3[v];
                z3[v] = z2[v];
                z2[v] = z1[v];
                z1[v] = acc;
            }
            Store8(at(i), out, raw);
        }
    }
}

// Columns x0 .. x0 + 8 * blocks - 1 of a 4-byte picture, in blocks of 8.
ZN_AVX2 void FilterColumnsAvx2(unsigned char *image, int width, int height, int blocks, const Coefficients &k)
{
    Broadcast b;
    MakeBroadcast(k, b);
    VectorBuffer yc(static_cast<std::size_t>(height) * kVec);
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 4;
    for (int blk = 0; blk < blocks; ++blk)
        FilterBlock8(image + static_cast<std::ptrdiff_t>(blk) * kBlock * 4, stride, height, b, yc.get());
}

// Rows r .. r + 8 * blocks - 1: each group of 8 rows is copied side by side
// (pixel x of the 8 rows together), filtered as 8 lines and copied back.
ZN_AVX2 void FilterRowsAvx2(unsigned char *image, int width, int blocks, const Coefficients &k)
{
    Broadcast b;
    MakeBroadcast(k, b);
    VectorBuffer yc(static_cast<std::size_t>(width) * kVec);
    std::unique_ptr<uint32_t[]> lines(new uint32_t[static_cast<std::size_t>(width) * kBlock]);
    const std::size_t rowPixels = static_cast<std::size_t>(width);
    for (int blk = 0; blk < blocks; ++blk) {
        unsigned char *rows = image + static_cast<std::size_t>(blk) * kBlock * rowPixels * 4;
        for (int r = 0; r < kBlock; ++r) {
            const unsigned char *src = rows + r * rowPixels * 4;
            for (std::size_t x = 0; x < rowPixels; ++x)
                std::memcpy(&lines[x * kBlock + r], src + x * 4, 4);
        }
        FilterBlock8(reinterpret_cast<unsigned char *>(lines.get()), kBlock * 4, width, b, yc.get());
        for (int r = 0; r < kBlock; ++r) {
            unsigned char *dst = rows + r * rowPixels * 4;
            for (std::size_t x = 0; x < rowPixels; ++x)
                std::memcpy(dst + x * 4, &lines[x * kBlock + r], 4);
        }
    }
}

bool HaveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

#endif  // ZN_GAUSS_SIMD

}  // namespace

// --- 4. The instance ------------------------------------------------------------------------

GaussianBlurFilterUtil::GaussianBlurFilterUtil()
{
    for (int i = 0; i < 5; ++i) {
        m_dCausal[i] = m_dAntiCausal[i] = m_dCausalDen[i] = 0;
        m_dAntiCausalDen[i] = m_dCausalEdge[i] = m_dAntiCausalEdge[i] = 0;
    }
}

GaussianBlurFilterUtil *GaussianBlurFilterUtil::GetInst()
{
    static GaussianBlurFilterUtil instance;
    return &instance;
}

void GaussianBlurFilterUtil::FindConstants(double sigma)
{
    if (!(sigma >= 1e-8))
        return;
    Coefficients k;
    recursivegaussian::Build(recursivegaussian::EffectiveSigma(sigma), k);
    std::memcpy(m_dCausal, k.c, sizeof k.c);
    std::memcpy(m_dAntiCausal, k.a, sizeof k.a);
    std::memcpy(m_dCausalDen, k.dc, sizeof k.dc);
    std::memcpy(m_dAntiCausalDen, k.da, sizeof k.da);
    std::memcpy(m_dCausalEdge, k.ec, sizeof k.ec);
    std::memcpy(m_dAntiCausalEdge, k.ea, sizeof k.ea);
}

void GaussianBlurFilterUtil::ConvoluteDimension(unsigned char *image, int width, int height, int bytesPerPixel,
                                                double sigma, bool horizontal)
{
    if (!image || width < 1 || height < 1 || bytesPerPixel < 1 || !(sigma >= 1e-8))
        return;
    Coefficients k;
    std::memcpy(k.c, m_dCausal, sizeof k.c);
    std::memcpy(k.a, m_dAntiCausal, sizeof k.a);
    std::memcpy(k.dc, m_dCausalDen, sizeof k.dc);
    std::memcpy(k.da, m_dAntiCausalDen, sizeof k.da);
    std::memcpy(k.ec, m_dCausalEdge, sizeof k.ec);
    std::memcpy(k.ea, m_dAntiCausalEdge, sizeof k.ea);

    const int channels = std::min(bytesPerPixel, 3);
    const std::ptrdiff_t pixel = bytesPerPixel;
    const std::ptrdiff_t row = pixel * width;
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    int done = 0;  // lines already filtered by the 8-line form

#if ZN_GAUSS_SIMD
    if (bytesPerPixel == 4 && HaveAvx2()) {
        const int blocks = lines / kBlock;
        if (horizontal)
            FilterRowsAvx2(image, width, blocks, k);
        else
            FilterColumnsAvx2(image, width, height, blocks, k);
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

int GaussianBlurFilterUtil::CreateBlurEffect(unsigned char *image, int width, int height, int channels,
                                             double sigmaX, double sigmaY)
{
    (void)channels;
    if (!image)
        return 0;
    auto clampSigma = [](double s) { return s > 255 ? 255.0 : (s >= 0 ? s : 0.0); };  // NaN -> 0
    sigmaX = clampSigma(sigmaX);
    sigmaY = clampSigma(sigmaY);
    FindConstants(sigmaX);
    ConvoluteDimension(image, width, height, 4, sigmaX, true);
    // A new set for the columns when sigma y differs, and also when sigma x was
    // too small to build one (the set would belong to an earlier call).
    if (std::fabs(sigmaX - sigmaY) > 1e-6 || sigmaX < 1e-8)
        FindConstants(sigmaY);
    ConvoluteDimension(image, width, height, 4, sigmaY, false);
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
