// Looks built on the adjustment tools: LomoHDR, LomoHDRJinDian, BaoColor and
// its colour step ABaoColor, Sharp, DanyaUseStone.
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorbalance.h"
#include "curves.h"
#include "levels.h"
#include "sharpen.h"
#include "styles_shared.h"

#include <cmath>

using styles::ApplyTone;
using styles::PixelCount;

namespace {

// AutoColorLevel without analysis (the identity), the HDR tables, unsharp mask 3 / .5.
void LomoHDRSteps(unsigned char *image, int width, int height, std::size_t n)
{
    AutoColorLevel(image, width, height, false);
    const ToneTables t = GetToneTables(ToneLook::LomoHDR);
    for (std::size_t i = 0; i < n; ++i)
        ApplyTone(image + 4 * i, t);
    CSharp sharp;
    sharp.useEffect(image, width, height, 3, 0.5f);
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

}  // namespace

void StyleLomoHDR(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    LomoHDRSteps(image, width, height, n);
}

void StyleLomoHDRJinDian(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    LomoHDRSteps(image, width, height, n);
    unsigned char colour[4] = {58, 2, 14, 0};  // B, G, R, A
    for (std::size_t i = 0; i < n; ++i)
        ExclusionEx(image + 4 * i, colour, 1.0);
}

void StyleBaoColor(unsigned char *image, int width, int height)
{
    if (PixelCount(width, height) == 0)
        return;
    {
        SFCurve curve;
        _POINT points[3] = {{0, 0}, {128, 143}, {255, 255}};
        curve.GetCurveByPoints(points, 3, 4);
        curve.ApplyCurve(4, image, width, height);
        curve.Release();
    }
    ABaoColor(image, width, height);
}

void ABaoColor(unsigned char *image, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
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
        px[2] = ClampTruncate(3.240479 * X2 - 1.537150 * Y2 - 0.498535 * Z2);
        px[1] = ClampTruncate(-0.969256 * X2 + 1.875992 * Y2 + 0.041556 * Z2);
        px[0] = ClampTruncate(0.055648 * X2 - 0.204043 * Y2 + 1.057311 * Z2);
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
