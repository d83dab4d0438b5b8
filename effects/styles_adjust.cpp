// Looks built on the adjustment tools: LomoHDR, LomoHDRJinDian, BaoColor and
// its colour step ABaoColor, Sharp, DanyaUseStone.
//
// Contents
//   1. ABaoColor        the exact pixel; the vector forms are in colorkernels_bao.h
//   2. The looks        (the HDR chain they share is in styles_unsharp.cpp)
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorbalance.h"
#include "colorkernels_bao.h"
#include "curves.h"
#include "levels.h"
#include "sharpen.h"
#include "simd.h"
#include "styles_shared.h"
#include "styles_unsharp.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>


using styles::ApplyLut;
using styles::ChannelLut;
using styles::PixelCount;

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

// The vector form of ABaoColor to use (colorkernels_bao.h): 8 pixels at a
// time with table-driven powers (AVX-512), 4 with series (AVX2), or 0 for
// none (simd.h).
int BaoLanes()
{
#ifdef QVFX_HAVE_COLOR_KERNELS
    switch (qvfx::simd::level()) {
    case qvfx::simd::kAvx512: return 8;
    case qvfx::simd::kAvx2: return 4;
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
#ifdef QVFX_HAVE_COLOR_KERNELS
    if (lanes == 8)
        qvfx::ck::BaoColorAvx512(image, blocks, ABaoColorInPlace);
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
