// Tone steps.
//
// Contents
//   1. look-up-table passes:   Lut, LutEx (kernels in lutkernels.h)
//   2. brightness / contrast:  Light, LightNew, Bright, Contrast
//   3. saturation:             Saturation, BrightContrastSaturation, Saturateconst (both forms),
//                              SaturateconstMatrix
//   4. gamma:                  GammaRGB
//   5. single-pixel steps:     NoiseEx, NoiseExNew, SetGrayScaleEx, SetGrayScaleExNew
//   6. layout and geometry:    tfbitCopy, SpliteToR, Resample, RampleBit, IsPtUpLine
//
// Every whole-picture step does nothing for a null picture or a width or
// height below 1, and leaves byte 3 alone unless its comment says otherwise.

#include "tonesteps.h"

#include "bytemath.h"
#include "colorkernels_hsl.h"
#include "colorspace.h"
#include "lutkernels.h"
#include "simd.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

using qvfx::clampByte;
using qvfx::truncByte;

namespace {

bool validPicture(const unsigned char *image, int width, int height)
{
    return image && width > 0 && height > 0;
}

std::size_t pixelCount(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// ---------------------------------------------------------------------------
// 1. look-up-table passes
//
// The kernels live in lutkernels.h: the plain pass, or 64 bytes at a time
// with byte permutes where simd::vbmi() allows. Both give the same bytes.

// ---------------------------------------------------------------------------
// 2. brightness / contrast

void buildLightTable(unsigned char *table, long brightness, long contrast)
{
    // brightness + 128 and contrast + 100 saturate instead of overflowing
    const long b = brightness > LONG_MAX - 128 ? LONG_MAX : brightness + 128;
    const long c = contrast > LONG_MAX - 100 ? LONG_MAX : contrast + 100;
    const float base = static_cast<float>(b);
    const float slope = static_cast<float>(c) / 100;
    for (int i = 0; i < 256; ++i) {
        const double v = base + static_cast<float>(i - 128) * slope + 0.5;
        table[i] = truncByte(v);  // below 1 -> 0, above 254 -> 255
    }
}

// ---------------------------------------------------------------------------
// 3. saturation

// SaturateconstMatrix's rule; 64-bit sums so any matrix is defined.
inline void applyMatrix(unsigned char *p, const int *m)
{
    const long long r = p[2], g = p[1], b = p[0];
    const long long nr = (m[0] * r + m[1] * g + m[2] * b) >> 8;
    const long long ng = (m[3] * r + m[4] * g + m[5] * b) >> 8;
    const long long nb = (m[6] * r + m[7] * g + m[8] * b) >> 8;
    p[2] = clampByte(nr);
    p[1] = clampByte(ng);
    p[0] = clampByte(nb);
}

}  // namespace

void Lut(unsigned char *image, int width, int height, unsigned char *table)
{
    if (!validPicture(image, width, height) || !table)
        return;
    const std::size_t n = pixelCount(width, height);
#ifdef QVFX_HAVE_VBMI_KERNELS
    if (qvfx::simd::vbmi()) {
        qvfx::lutVbmi(image, n, table);
        return;
    }
#endif
    qvfx::lutBytes(image, n, table);
}

void LutEx(unsigned char *image, int width, int height, unsigned char *red, unsigned char *green,
           unsigned char *blue, unsigned char *alpha)
{
    if (!validPicture(image, width, height) || !red || !green || !blue)
        return;
    const std::size_t n = pixelCount(width, height);
#ifdef QVFX_HAVE_VBMI_KERNELS
    if (qvfx::simd::vbmi()) {
        qvfx::lutExVbmi(image, n, red, green, blue, alpha);
        return;
    }
#endif
    qvfx::lutExBytes(image, n, red, green, blue, alpha);
}

void Light(unsigned char *image, int width, int height, long brightness, long contrast)
{
    if (!validPicture(image, width, height))
        return;
    unsigned char table[256];
    buildLightTable(table, brightness, contrast);
    Lut(image, width, height, table);
}

void LightNew(unsigned char *table, int /*width*/, int /*height*/, long brightness, long contrast)
{
    if (table)
        buildLightTable(table, brightness, contrast);
}

void Bright(unsigned char *image, int width, int height, long brightness)
{
    Light(image, width, height, brightness, 0);
}

void Contrast(unsigned char *image, int width, int height, long contrast)
{
    Light(image, width, height, 0, contrast);
}

void Saturation(unsigned char *image, int width, int height, int amount)
{
    Saturateconst(image, width, height, amount, 1);
}

void BrightContrastSaturation(unsigned char *image, int width, int height, long brightness, long contrast,
                              int saturation)
{
    if (brightness != 0 || contrast != 0)
        Light(image, width, height, brightness, contrast);
    if (saturation != 0)
        Saturateconst(image, width, height, saturation, 1);
}

void SaturateconstMatrix(unsigned char *pixel, const int *matrix)
{
    if (pixel && matrix)
        applyMatrix(pixel, matrix);
}

void Saturateconst(unsigned char *image, int width, int height, int amount)
{
    if (!validPicture(image, width, height))
        return;
    // grey weights 79, 156, 21 (of 256); f = 1 keeps the colour, f = 0 is grey
    const long long k = amount > 0 ? 3LL * amount : amount;
    const float f = static_cast<float>(k * 0.01 + 1);
    const float g = 1 - f;
    const int m[9] = {
        qvfx::truncInt(79 * g + 256 * f), qvfx::truncInt(156 * g),            qvfx::truncInt(21 * g),
        qvfx::truncInt(79 * g),            qvfx::truncInt(156 * g + 256 * f), qvfx::truncInt(21 * g),
        qvfx::truncInt(79 * g),            qvfx::truncInt(156 * g),            qvfx::truncInt(21 * g + 256 * f),
    };
    unsigned char *p = image;
    const std::size_t n = pixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i, p += 4)
        applyMatrix(p, m);
}

void Saturateconst(unsigned char *image, int width, int height, int amount, int mode)
{
    if (!validPicture(image, width, height) || (mode != 1 && mode != 2))
        return;
    unsigned char table[256];
    if (mode == 1) {
        for (int i = 0; i < 256; ++i)
            table[i] = clampByte(static_cast<long long>(i) + amount);
    } else {
        for (int i = 0; i < 256; ++i)
            table[i] = truncByte(static_cast<double>(static_cast<long long>(i - 128) * (amount + 100LL)) / 100.0
                                 + 128.5);
    }
    unsigned char *p = image;
    std::size_t n = pixelCount(width, height);
    if (mode == 1) {
#ifdef QVFX_HAVE_COLOR_KERNELS
        // Whole blocks through the vector form of the same steps (colorkernels_hsl.h);
        // the table is clamp(s + amount), so an amount beyond +-255 acts as +-255.
        const int level = qvfx::simd::level();
        const int lanes = level == qvfx::simd::kAvx512 ? 16 : (level == qvfx::simd::kAvx2 ? 8 : 0);
        if (lanes != 0) {
            const int clamped = amount < -255 ? -255 : (amount > 255 ? 255 : amount);
            const std::size_t blocks = n / lanes;
            if (lanes == 16)
                qvfx::ck::SaturateHslAvx512(p, blocks, clamped);
            else
                qvfx::ck::SaturateHslAvx2(p, blocks, clamped);
            p += blocks * lanes * 4;
            n -= blocks * lanes;
        }
#endif
        for (std::size_t i = 0; i < n; ++i, p += 4) {
            unsigned char h, s, l;
            RGBtoHSL(p[2], p[1], p[0], h, s, l);
            HSLtoRGB(h, table[s], l, p[2], p[1], p[0]);
        }
    } else {
        for (std::size_t i = 0; i < n; ++i, p += 4) {
            unsigned char y, u, v;
            RGBtoYUV(p[2], p[1], p[0], y, u, v);
            YUVtoRGB(y, table[u], table[v], p[2], p[1], p[0]);
        }
    }
}

// ---------------------------------------------------------------------------
// 4. gamma

namespace {

void buildGammaTable(unsigned char *table, float gamma)
{
    const double e = 1.0 / static_cast<double>(gamma);
    const double scale = std::pow(255.0, e) / 255;
    for (int i = 0; i < 256; ++i) {
        double v = std::pow(static_cast<double>(i), e) / scale;
        // A tiny gamma overflows both powers (inf / inf); the same curve written
        // as 255 (i / 255)^(1/gamma) stays finite.
        if (std::isnan(v))
            v = 255.0 * std::pow(i / 255.0, e);
        table[i] = truncByte(v);
    }
}

}  // namespace

void GammaRGB(unsigned char *image, int width, int height, float redGamma, float greenGamma, float blueGamma)
{
    if (!validPicture(image, width, height) || !(redGamma > 0) || !(greenGamma > 0) || !(blueGamma > 0))
        return;
    unsigned char red[256], green[256], blue[256];
    buildGammaTable(red, redGamma);
    buildGammaTable(green, greenGamma);
    buildGammaTable(blue, blueGamma);
    LutEx(image, width, height, red, green, blue, nullptr);
}

// ---------------------------------------------------------------------------
// 5. single-pixel steps

void NoiseEx(unsigned char *pixel, int amount)
{
    for (int c = 0; c < 3; ++c) {  // B, then G, then R
        const int n = static_cast<int>((static_cast<float>(std::rand()) * 4.656613e-10 - 0.5) * amount);
        pixel[c] = clampByte(static_cast<long long>(pixel[c]) + n);
    }
}

void NoiseExNew(unsigned char *pixel, int amount)
{
    NoiseEx(pixel, amount);
}

void SetGrayScaleEx(unsigned char *pixel)
{
    // (x * 16384) >> 24 taken in 32 bits; unsigned, so the top weight cannot overflow
    const std::uint32_t x = 117u * pixel[0] + 601u * pixel[1] + 306u * pixel[2];
    const unsigned char v = static_cast<unsigned char>(((x * 16384u) >> 24) & 255u);
    pixel[0] = pixel[1] = pixel[2] = v;
}

void SetGrayScaleExNew(unsigned char *pixel, unsigned char &grey)
{
    grey = static_cast<unsigned char>((117 * pixel[0] + 601 * pixel[1] + 306 * pixel[2]) >> 10);
}

// ---------------------------------------------------------------------------
// 6. layout and geometry

void tfbitCopy(unsigned char *source, unsigned char *destination, int count)
{
    if (!source || !destination)
        return;
    for (int i = 0; i < count; ++i, source += 4, destination += 3) {
        destination[0] = source[0];
        destination[1] = source[1];
        destination[2] = source[2];
    }
}

void SpliteToR(unsigned char *image, int rows, int columns)
{
    if (!validPicture(image, rows, columns))
        return;
    unsigned char *p = image;
    const std::size_t n = pixelCount(rows, columns);
    for (std::size_t i = 0; i < n; ++i, p += 4)
        p[0] = p[1] = p[2];
}

namespace {

// Nearest-neighbour scaling shared by Resample and RampleBit. The source of
// destination column x is int(x * (old / new)) with the ratio and the product
// in single precision; the index is kept below the old size, which rounding
// could otherwise reach for very large enlargements.
void resampleInto(unsigned char **buffer, int newWidth, int newHeight, int oldWidth, int oldHeight, int bpp)
{
    if (!buffer || !*buffer || newWidth < 1 || newHeight < 1 || oldWidth < 1 || oldHeight < 1 || bpp < 1)
        return;
    if (newWidth == oldWidth && newHeight == oldHeight)
        return;
    // Without memory for the result the old buffer is released and the
    // caller's pointer set to null: a buffer left at its old size would be
    // read as the new one.
    const auto fail = [buffer] {
        delete[] *buffer;
        *buffer = nullptr;
    };
    const std::size_t rowBytes = static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(bpp);
    unsigned char *out = new (std::nothrow) unsigned char[rowBytes * static_cast<std::size_t>(newHeight)];
    if (!out)
        return fail();
    std::unique_ptr<std::size_t[]> columnOffset(new (std::nothrow) std::size_t[newWidth]);
    if (!columnOffset) {
        delete[] out;
        return fail();
    }
    const float xr = static_cast<float>(oldWidth) / static_cast<float>(newWidth);
    const float yr = static_cast<float>(oldHeight) / static_cast<float>(newHeight);
    for (int x = 0; x < newWidth; ++x) {
        int sx = static_cast<int>(static_cast<float>(x) * xr);
        if (sx > oldWidth - 1)
            sx = oldWidth - 1;
        columnOffset[x] = static_cast<std::size_t>(sx) * bpp;
    }
    const unsigned char *in = *buffer;
    const std::size_t oldRowBytes = static_cast<std::size_t>(oldWidth) * static_cast<std::size_t>(bpp);
    unsigned char *dst = out;
    int lastRow = -1;
    for (int y = 0; y < newHeight; ++y) {
        int sy = static_cast<int>(static_cast<float>(y) * yr);
        if (sy > oldHeight - 1)
            sy = oldHeight - 1;
        if (sy == lastRow) {  // the same source row as the row above: copy that
            std::memcpy(dst, dst - rowBytes, rowBytes);
            dst += rowBytes;
            continue;
        }
        lastRow = sy;
        const unsigned char *srcRow = in + static_cast<std::size_t>(sy) * oldRowBytes;
        if (bpp == 1) {
            for (int x = 0; x < newWidth; ++x)
                dst[x] = srcRow[columnOffset[x]];
            dst += newWidth;
        } else if (bpp == 4) {
            for (int x = 0; x < newWidth; ++x, dst += 4)
                std::memcpy(dst, srcRow + columnOffset[x], 4);
        } else {
            for (int x = 0; x < newWidth; ++x, dst += bpp)
                std::memcpy(dst, srcRow + columnOffset[x], static_cast<std::size_t>(bpp));
        }
    }
    delete[] *buffer;
    *buffer = out;
}

}  // namespace

void Resample(int newWidth, int newHeight, unsigned char **buffer, int oldWidth, int oldHeight)
{
    resampleInto(buffer, newWidth, newHeight, oldWidth, oldHeight, 4);
}

void RampleBit(int newWidth, int newHeight, unsigned char **buffer, int oldWidth, int oldHeight, int bytesPerPixel)
{
    resampleInto(buffer, newWidth, newHeight, oldWidth, oldHeight, bytesPerPixel);
}

bool IsPtUpLine(int x1, int y1, int x2, int y2, int x, int y, int &yLine)
{
    if (x1 == x2) {
        // a vertical line has no height at x: no point lies above it
        yLine = y1;
        return false;
    }
    // 64-bit, so far-apart points cannot overflow the product
    const long long num = (static_cast<long long>(y1) - y2) * (static_cast<long long>(x1) - x);
    long long v = y1 + num / (static_cast<long long>(x2) - x1);
    if (v > INT_MAX)
        v = INT_MAX;
    else if (v < INT_MIN)
        v = INT_MIN;
    yLine = static_cast<int>(v);
    return y < v;
}
