// Looks that blend the picture with masks and textures of its own size:
// BrightRed, LomoChristmas, LomoSnow, LomoNight, LomoHalo, LomoStar, Reverse,
// Riguanghaian, JinDian, Warm, FenHongJiaRen, OldPhoto, Milk.
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorbalance.h"
#include "curves.h"
#include "levels.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <cstring>
#include <memory>

using styles::ApplyTone;
using styles::PixelCount;

namespace {

// per pixel: tables (R, G, B), then ScreenEx(texture, 1.0)
void ToneThenScreen(unsigned char *image, unsigned char *texture, std::size_t n, ToneLook look)
{
    const ToneTables t = GetToneTables(look);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ApplyTone(px, t);
        ScreenEx(px, texture + 4 * i, 1.0);
    }
}

// One composite curve through the points, applied to R, G and B.
void CompositeCurve(unsigned char *image, int width, int height, _POINT *points, int count)
{
    SFCurve curve;
    curve.GetCurveByPoints(points, count, 4);
    curve.ApplyCurve(4, image, width, height);
    curve.Release();
}

}  // namespace

void StyleBrightRed(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::BrightRed);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ScreenEx(px, texture + 4 * i, 1.0);  // blend before the tables
        ApplyTone(px, t);
    }
}

void StyleLomoChristmas(unsigned char *image, unsigned char *texture, int width, int height)
{
    ToneThenScreen(image, texture, PixelCount(width, height), ToneLook::LomoChristmas);
}

void StyleLomoSnow(unsigned char *image, unsigned char *texture, int width, int height)
{
    ToneThenScreen(image, texture, PixelCount(width, height), ToneLook::LomoSnow);
}

void StyleLomoNight(unsigned char *image, unsigned char *texture, int width, int height)
{
    ToneThenScreen(image, texture, PixelCount(width, height), ToneLook::LomoNight);
}

void StyleLomoHalo(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::LomoNight);
    unsigned char halo[4] = {241, 242, 255, 255};  // B, G, R, A
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ApplyTone(px, t);
        ScreenEx(px, texture + 4 * i, 1.0);
        NormalEx(px, halo, 0.15);
    }
}

void StyleLomoStar(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i)
        SoftLightEx(image + 4 * i, texture + 4 * i, 1.0);
}

void StyleReverse(unsigned char *image, unsigned char *mask, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::Reverse);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        unsigned char *m = mask + 4 * i;
        ApplyTone(px, t);
        const float opacity = static_cast<float>(m[3]) * 0.7f / 255.0f;  // single precision
        SoftLightEx(px, m, opacity);
    }
}

void StyleRiguanghaian(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    AutoColorLevel(image, width, height, false);
    ToneThenScreen(image, texture, n, ToneLook::Riguanghaian);
}

void StyleJinDian(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    const ToneTables t = GetToneTables(ToneLook::JinDian);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        unsigned char self[4] = {px[0], px[1], px[2], px[3]};  // the pixel with itself
        CompositeColorEx(px, self, 1.0);
        CompositeColorEx(px, second + 4 * i, 0.8);
        CompositeColorEx(px, third + 4 * i, 0.6);
        ApplyTone(px, t);
    }
}

void StyleWarm(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const ToneTables t = GetToneTables(ToneLook::Warm);
    for (std::size_t i = 0; i < n; ++i)
        ApplyTone(image + 4 * i, t);
    Light(image, width, height, 0, -10);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        MultipleEx(px, second + 4 * i, 1.0);
        SoftLightEx(px, third + 4 * i, 1.0);
    }
}

void StyleFenHongJiaRen(unsigned char *image, unsigned char *second, unsigned char *third, unsigned char *fourth,
                        int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        CompositeColorEx(px, second + 4 * i, 1.0);
        CompositeColorEx(px, third + 4 * i, 1.0);
        CompositeColorEx(px, fourth + 4 * i, 1.0);
    }
}

void StyleOldPhoto(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // Shadows, midtones, highlights.
    CColorBalance(false, 0, 0, -11, -20, image, width, height);
    CColorBalance(false, 1, 14, 26, 41, image, width, height);
    CColorBalance(false, 2, 15, 26, 45, image, width, height);

    {
        SFCurve curve;
        _POINT composite[4] = {{0, 0}, {83, 72}, {163, 184}, {255, 255}};
        curve.GetCurveByPoints(composite, 4, 4);
        curve.ApplyCurve(4, image, width, height);
        _POINT red[4] = {{0, 0}, {80, 89}, {162, 182}, {255, 255}};
        curve.GetCurveByPoints(red, 4, 1);
        curve.ApplyCurve(1, image, width, height);
        curve.Release();
    }

    unsigned char colour[4] = {83, 28, 7, 0};  // B, G, R, A
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        ExclusionEx(px, colour, 1.0);
        ScreenEx(px, texture + 4 * i, 0.8);
    }
}

void StyleMilk(unsigned char *image, unsigned char *second, unsigned char *third, unsigned char *fourth, int width,
               int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // The picture as it came in.
    std::unique_ptr<unsigned char[]> saved(new unsigned char[n * 4]);
    std::memcpy(saved.get(), image, n * 4);

    for (std::size_t i = 0; i < n; ++i)
        SoftLightEx(image + 4 * i, second + 4 * i, 0.45);

    _POINT points[3] = {{0, 0}, {119, 135}, {255, 255}};
    CompositeCurve(image, width, height, points, 3);

    for (std::size_t i = 0; i < n; ++i)
        NormalEx(image + 4 * i, third + 4 * i, 0.31);

    Saturateconst(image, width, height, -25, 1);

    unsigned char white[4] = {255, 255, 255, 0};
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        NormalEx(px, white, 0.1);
        MultipleEx(px, saved.get() + 4 * i, 0.2);
        ScreenEx(px, fourth + 4 * i, 0.2);
    }
}
