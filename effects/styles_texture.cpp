// Looks that blend the picture with masks and textures of its own size:
// BrightRed, LomoChristmas, LomoSnow, LomoNight, LomoHalo, LomoStar, Reverse,
// Riguanghaian, JinDian, Warm, FenHongJiaRen, OldPhoto, Milk.
#include "stylefilters.h"

#include "blendmodes.h"
#include "colorkernels_masks.h"
#include "colorbalance.h"
#include "curves.h"
#include "levels.h"
#include "simd.h"
#include "styles_shared.h"
#include "tonesteps.h"

#include <cstring>
#include <memory>

using styles::ApplyLut;
using styles::ChannelLut;
using styles::LutOf;
using styles::PairTable;
using styles::PixelCount;
using styles::TabulateBlend;
using styles::Then;

namespace {

// One pass: px[c] = after[c][pair[before[c][px[c]]][layer[c]]].
void LutPairLut(unsigned char *image, const unsigned char *layer, std::size_t n, const ChannelLut &before,
                const PairTable &pair, const ChannelLut &after)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *l = layer + 4 * i;
        for (int c = 0; c < 3; ++c)
            px[c] = after.at[c][pair.at[before.at[c][px[c]]][l[c]]];
    }
}

// One pass: px[c] = second[first[lut[c][px[c]]][a[c]]][b[c]].
void LutPairPair(unsigned char *image, const unsigned char *a, const unsigned char *b, std::size_t n,
                 const ChannelLut &lut, const PairTable &first, const PairTable &second)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *pa = a + 4 * i;
        const unsigned char *pb = b + 4 * i;
        for (int c = 0; c < 3; ++c)
            px[c] = second.at[first.at[lut.at[c][px[c]]][pa[c]]][pb[c]];
    }
}

// per pixel: tables (R, G, B), then ScreenEx(texture, 1.0)
void ToneThenScreen(unsigned char *image, unsigned char *texture, std::size_t n, ToneLook look)
{
    if (n == 0)
        return;
    const auto screen = TabulateBlend(ScreenEx, 1.0);
    LutPairLut(image, texture, n, LutOf(GetToneTables(look)), *screen, styles::IdentityLut());
}

// A composite curve through the points as a per-channel table.
ChannelLut CompositeCurve(_POINT *points, int count)
{
    SFCurve curve;
    curve.GetCurveByPoints(points, count, 4);
    const ChannelLut t = styles::TabulatePictureStep(
        [&](unsigned char *ramp, int w, int h) { curve.ApplyCurve(4, ramp, w, h); });
    curve.Release();
    return t;
}

// AutoColorLevel without analysis maps every channel through the identity
// whatever the picture holds; its table.
ChannelLut LevelsWithoutAnalysis()
{
    return styles::TabulatePictureStep(
        [](unsigned char *ramp, int w, int h) { AutoColorLevel(ramp, w, h, false); });
}

}  // namespace

void StyleBrightRed(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // ScreenEx(texture, 1.0) before the tables.
    const auto screen = TabulateBlend(ScreenEx, 1.0);
    LutPairLut(image, texture, n, styles::IdentityLut(), *screen, LutOf(GetToneTables(ToneLook::BrightRed)));
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
    if (n == 0)
        return;
    unsigned char halo[4] = {241, 242, 255, 255};  // B, G, R, A
    const auto screen = TabulateBlend(ScreenEx, 1.0);
    const ChannelLut normal = styles::TabulatePixelStep([&](unsigned char *px) { NormalEx(px, halo, 0.15); });
    LutPairLut(image, texture, n, LutOf(GetToneTables(ToneLook::LomoNight)), *screen, normal);
}

void StyleLomoStar(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const auto soft = TabulateBlend(SoftLightEx, 1.0);
    LutPairLut(image, texture, n, styles::IdentityLut(), *soft, styles::IdentityLut());
}

void StyleReverse(unsigned char *image, unsigned char *mask, int width, int height)
{
    // Each pixel's tables read only its own bytes: tone the whole picture first.
    // The opacity changes from pixel to pixel, so the blend is not tabulated;
    // it runs several pixels at a time where the processor allows.
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    ApplyLut(image, n, LutOf(GetToneTables(ToneLook::Reverse)));
    std::size_t done = 0;
#ifdef QVFX_HAVE_COLOR_KERNELS
    const int level = qvfx::simd::level();
    if (level == qvfx::simd::kAvx512) {
        qvfx::ck::SoftLightByAlphaAvx512(image, mask, n / 16, 0.7f);
        done = n / 16 * 16;
    } else if (level == qvfx::simd::kAvx2) {
        qvfx::ck::SoftLightByAlphaAvx2(image, mask, n / 8, 0.7f);
        done = n / 8 * 8;
    }
#endif
    for (std::size_t i = done; i < n; ++i) {
        unsigned char *m = mask + 4 * i;
        const float opacity = static_cast<float>(m[3]) * 0.7f / 255.0f;  // single precision
        SoftLightEx(image + 4 * i, m, opacity);
    }
}

void StyleRiguanghaian(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const auto screen = TabulateBlend(ScreenEx, 1.0);
    const ChannelLut before = Then(LevelsWithoutAnalysis(), LutOf(GetToneTables(ToneLook::Riguanghaian)));
    LutPairLut(image, texture, n, before, *screen, styles::IdentityLut());
}

void StyleJinDian(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // The pixel with itself first: a table of each channel's own value.
    const ChannelLut self = styles::TabulatePixelStep([](unsigned char *px) {
        unsigned char copy[4] = {px[0], px[1], px[2], px[3]};
        CompositeColorEx(px, copy, 1.0);
    });
    const auto with08 = TabulateBlend(CompositeColorEx, 0.8);
    const auto with06 = TabulateBlend(CompositeColorEx, 0.6);
    const ChannelLut tone = LutOf(GetToneTables(ToneLook::JinDian));
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *s = second + 4 * i;
        const unsigned char *t = third + 4 * i;
        for (int c = 0; c < 3; ++c)
            px[c] = tone.at[c][with06->at[with08->at[self.at[c][px[c]]][s[c]]][t[c]]];
    }
}

void StyleWarm(unsigned char *image, unsigned char *second, unsigned char *third, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // The tables and Light(0, -10) are both per-channel maps: one table.
    const ChannelLut before = Then(LutOf(GetToneTables(ToneLook::Warm)),
                                   styles::TabulatePictureStep([](unsigned char *ramp, int w, int h) {
                                       Light(ramp, w, h, 0, -10);
                                   }));
    const auto multiply = TabulateBlend(MultipleEx, 1.0);
    const auto soft = TabulateBlend(SoftLightEx, 1.0);
    LutPairPair(image, second, third, n, before, *multiply, *soft);
}

void StyleFenHongJiaRen(unsigned char *image, unsigned char *second, unsigned char *third, unsigned char *fourth,
                        int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    const auto composite = TabulateBlend(CompositeColorEx, 1.0);
    const PairTable &P = *composite;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = image + 4 * i;
        const unsigned char *s = second + 4 * i;
        const unsigned char *t = third + 4 * i;
        const unsigned char *u = fourth + 4 * i;
        for (int c = 0; c < 3; ++c)
            px[c] = P.at[P.at[P.at[px[c]][s[c]]][t[c]]][u[c]];
    }
}

void StyleOldPhoto(unsigned char *image, unsigned char *texture, int width, int height)
{
    const std::size_t n = PixelCount(width, height);
    if (n == 0)
        return;
    // The colour balance of shadows, midtones and highlights, the composite and
    // the red curve and the exclusion against a constant colour all change each
    // channel from its own value: together they are one table.
    const ChannelLut balance = styles::TabulatePictureStep([](unsigned char *ramp, int w, int h) {
        CColorBalance(false, TONE_SHADOWS, -11, -20, 10, ramp, w, h);
        CColorBalance(false, TONE_MIDTONES, 14, 26, 41, ramp, w, h);
        CColorBalance(false, TONE_HIGHLIGHTS, 15, 26, 45, ramp, w, h);
    });
    ChannelLut curves;
    {
        SFCurve curve;
        _POINT composite[4] = {{0, 0}, {83, 72}, {163, 184}, {255, 255}};
        curve.GetCurveByPoints(composite, 4, 4);
        _POINT red[4] = {{0, 0}, {80, 89}, {162, 182}, {255, 255}};
        curves = styles::TabulatePictureStep([&](unsigned char *ramp, int w, int h) {
            curve.ApplyCurve(4, ramp, w, h);
            curve.GetCurveByPoints(red, 4, 1);
            curve.ApplyCurve(1, ramp, w, h);
        });
        curve.Release();
    }
    unsigned char colour[4] = {83, 28, 7, 0};  // B, G, R, A
    const ChannelLut exclusion = styles::TabulatePixelStep([&](unsigned char *px) { ExclusionEx(px, colour, 1.0); });
    const auto screen = TabulateBlend(ScreenEx, 0.8);
    LutPairLut(image, texture, n, Then(Then(balance, curves), exclusion), *screen, styles::IdentityLut());
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

    // SoftLightEx(second, .45), the curve, NormalEx(third, .31): one pass.
    {
        const auto soft = TabulateBlend(SoftLightEx, 0.45);
        const auto normal = TabulateBlend(NormalEx, 0.31);
        _POINT points[3] = {{0, 0}, {119, 135}, {255, 255}};
        const ChannelLut curve = CompositeCurve(points, 3);
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char *px = image + 4 * i;
            const unsigned char *s = second + 4 * i;
            const unsigned char *t = third + 4 * i;
            for (int c = 0; c < 3; ++c)
                px[c] = normal->at[curve.at[c][soft->at[px[c]][s[c]]]][t[c]];
        }
    }

    Saturateconst(image, width, height, -25, 1);

    // NormalEx against white at .1, MultipleEx(saved, .2), ScreenEx(fourth, .2): one pass.
    unsigned char white[4] = {255, 255, 255, 0};
    const ChannelLut veil = styles::TabulatePixelStep([&](unsigned char *px) { NormalEx(px, white, 0.1); });
    const auto multiply = TabulateBlend(MultipleEx, 0.2);
    const auto screen = TabulateBlend(ScreenEx, 0.2);
    LutPairPair(image, saved.get(), fourth, n, veil, *multiply, *screen);
}
