// Integer-kernel blur and unsharp mask (CSharp), over the library's one
// integer-kernel blur (kernelblur.h).
//
// Contents
//   1. Kernel          SetRadius: the integer weights
//   2. Passes          ConvoluteDimension and GetBlur (rows, then columns through a ring of rows)
//   3. Unsharp mask    GetUnsharpMask, the cached preview, SharpProcess, useEffect
#include "sharpen.h"

#include "kernelblur.h"
#include "simd.h"
#include "unsharplevel.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// The kernel weights CSharp holds, with what the passes need to divide exactly.
kernelblur::Kernel PassKernel(const int *weights, int length)
{
    kernelblur::Kernel k;
    std::copy(weights, weights + length, k.w);
    k.length = length;
    kernelblur::PrepareKernel(k);
    return k;
}

// B, G, R of out = the unsharp level of image against blurred for count
// pixels; byte 3 of out is kept.
void UnsharpPixels(const unsigned char *image, const unsigned char *blurred, unsigned char *out, std::size_t count,
                   int k)
{
    kernelblur::Unsharp(image, blurred, out, count * 4, k, kernelblur::Alpha::Keep, qvfx::simd::level());
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
    kernelblur::Kernel k;
    if (!kernelblur::MakeKernel(radius, k))  // length 5r + 1 (made odd) must fit
        return 0;
    std::copy(k.w, k.w + k.length, m_nKernel);
    m_nKernelSum = k.sum;
    m_nKernelLength = k.length;
    m_fRadius = static_cast<float>(radius);
    return 1;
}

// --- 2. Passes --------------------------------------------------------------------------------------

int CSharp::ConvoluteDimension(const unsigned char *source, unsigned char *destination, int channels,
                               bool horizontal, bool flag)
{
    (void)channels;
    (void)flag;
    if (m_nKernelLength < 2 || !source || !destination || m_nWidth < 1 || m_nHeight < 1)
        return 1;
    const kernelblur::Kernel k = PassKernel(m_nKernel, m_nKernelLength);
    const qvfx::simd::Level level = qvfx::simd::level();
    const std::size_t stride = static_cast<std::size_t>(m_nStride);
    if (horizontal) {
        for (int y = 0; y < m_nHeight; ++y)
            kernelblur::BlurRow(source + y * stride, destination + y * stride, m_nWidth, k, level);
        return 1;
    }
    const int h = m_nKernelLength / 2;
    const unsigned char *window[kMaxKernel];
    for (int y = 0; y < m_nHeight; ++y) {
        for (int r = std::max(0, y - h); r <= std::min(m_nHeight - 1, y + h); ++r)
            window[r - (y - h)] = source + r * stride;
        kernelblur::BlurColumn(window, y, m_nHeight, destination + y * stride, m_nStride, k, level);
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
    // Rows, then columns through a ring of kernel-length rows: output row y
    // is written once rows up to y + h have been read, so a destination equal
    // to the source gives the same bytes.
    const kernelblur::Kernel k = PassKernel(m_nKernel, m_nKernelLength);
    const std::size_t stride = static_cast<std::size_t>(m_nStride);
    const bool done = kernelblur::StreamBlur(
        m_nWidth, m_nHeight, k, qvfx::simd::level(), [&](int r) { return source + r * stride; },
        [&](int y) { return destination + y * stride; }, [](int, const unsigned char *) {});
    return done ? 1 : -1;
}

// --- 3. Unsharp mask --------------------------------------------------------------------------------

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
    kernelblur::Unsharp(image, result, image, count * 4, unsharp::Weight(amount), kernelblur::Alpha::Opaque,
                        qvfx::simd::level());
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
