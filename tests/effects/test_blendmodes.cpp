// Blend operations: worked values from their formulas, and the properties every
// caller relies on (byte 3 untouched, channels independent, opacity 0 neutral
// where the rule mixes).

#include "blendmodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Blend = void (*)(unsigned char *, unsigned char *, double);

// Blends base (a, a, a) with layer (b, b, b) and returns the channel value; the
// three channels must agree.
int blendGrey(Blend f, int a, int b, double o)
{
    unsigned char base[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(a),
                             static_cast<unsigned char>(a), 77};
    unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b),
                              static_cast<unsigned char>(b), 201};
    f(base, layer, o);
    EXPECT_EQ(base[0], base[1]);
    EXPECT_EQ(base[1], base[2]);
    return base[0];
}

struct NamedBlend {
    std::string name;
    Blend f;
    bool perChannel;     // each channel reads only its own base and layer value
    bool neutralAtZero;  // opacity 0 gives the base back
};

const std::vector<NamedBlend> &allBlends()
{
    static const std::vector<NamedBlend> blends = {
        {"NormalEx", NormalEx, true, true},
        {"ImageNormalEx", ImageNormalEx, true, true},
        {"MultipleEx", MultipleEx, true, true},
        {"ScreenEx", ScreenEx, true, true},
        {"ImageScreenEx", ImageScreenEx, true, true},
        {"SoftLightEx", SoftLightEx, true, true},
        {"SoftLightEx2", SoftLightEx2, true, false},
        {"ImageSoftLightEx", ImageSoftLightEx, true, false},
        {"ImageSoftLightExNew",
         [](unsigned char *p, unsigned char *l, double o) { ImageSoftLightExNew(p, l[0], o); }, false, false},
        {"CompositeColorEx", CompositeColorEx, true, false},
        {"HardlightEx", HardlightEx, true, true},
        {"HardlightEx_2", HardlightEx_2, true, false},
        {"OverlayEx", static_cast<Blend>(OverlayEx), true, true},
        {"OverlayEx colour",
         [](unsigned char *p, unsigned char *l, double o) { OverlayEx(p, l[2], l[1], l[0], o); }, true, true},
        {"ExclusionEx", ExclusionEx, true, true},
        {"ImageExclusionEx", ImageExclusionEx, true, true},
        {"ImageExclusionEx2", ImageExclusionEx2, true, false},
        {"ColorBurnEx", ColorBurnEx, true, true},
        {"ImageColorBurnEx", [](unsigned char *p, unsigned char *l, double) { ImageColorBurnEx(p, l); }, true, false},
        {"ImageDarkenEx", ImageDarkenEx, true, false},
        {"ImageLightenEx", ImageLightenEx, true, true},
        {"ImageAddEx", ImageAddEx, true, false},
        {"PinLightEx", [](unsigned char *p, unsigned char *l, double) { PinLightEx(p, l); }, true, false},
        {"PinLightEx8",
         [](unsigned char *p, unsigned char *l, double o) { PinLightEx8(p, l, static_cast<float>(o)); }, true, true},
        {"PinLightEx2",
         [](unsigned char *p, unsigned char *l, double o) { PinLightEx2(p, l, static_cast<float>(o)); }, true, true},
        {"ColorEx", ColorEx, false, true},
        {"ColorHSBEx", ColorHSBEx, false, true},
        {"ShiftRGBEx", [](unsigned char *p, unsigned char *l, double) { ShiftRGBEx(p, l[2], l[1], l[0]); }, true,
         false},
    };
    return blends;
}

const double kOpacities[] = {0.0, 0.15, 0.5, 0.8, 1.0};

}  // namespace

// ---------------------------------------------------------------------------
// Worked values

TEST(BlendScreen, WorkedValues)
{
    EXPECT_EQ(blendGrey(ScreenEx, 0, 0, 1.0), 0);
    EXPECT_EQ(blendGrey(ScreenEx, 128, 128, 1.0), 192);    // 128 + 128 - 64
    EXPECT_EQ(blendGrey(ScreenEx, 100, 100, 0.5), 130);    // s = 161; 80.5 + 50
    EXPECT_EQ(blendGrey(ScreenEx, 255, 255, 1.0), 255);    // 255 + 255 - 254 = 256, clamped
    EXPECT_EQ(blendGrey(ScreenEx, 255, 255, 0.99), 255);   // the mixed branch clamps too
    EXPECT_EQ(blendGrey(ScreenEx, 200, 50, 2.0), 211);     // o >= 1 ignores the opacity
    EXPECT_EQ(blendGrey(ImageScreenEx, 100, 200, 0.5), 161);  // e = 100; 200 - 10000 / 255
    EXPECT_EQ(blendGrey(ImageScreenEx, 255, 255, 1.0), 255);
}

TEST(BlendNormalMultiply, WorkedValues)
{
    EXPECT_EQ(blendGrey(NormalEx, 10, 250, 0.5), 130);
    // the mix is in double: 90 x .7 = 62.99999999999999 truncates to 62 (63 in float),
    // 3 x .1 + 3 x .9 is exactly 3 (2.9999998 in float)
    EXPECT_EQ(blendGrey(NormalEx, 0, 90, 0.7), 62);
    EXPECT_EQ(blendGrey(NormalEx, 3, 3, 0.1), 3);
    EXPECT_EQ(blendGrey(MultipleEx, 255, 255, 1.0), 254);  // 65025 x .00392156 = 254.999
    EXPECT_EQ(blendGrey(MultipleEx, 200, 100, 1.0), 78);
    EXPECT_EQ(blendGrey(MultipleEx, 200, 100, 0.5), 139);  // 39.2 + 100
}

TEST(BlendSoftLight, WorkedValues)
{
    EXPECT_EQ(blendGrey(SoftLightEx, 128, 128, 1.0), 128);  // m 64, s 192
    EXPECT_EQ(blendGrey(SoftLightEx, 100, 200, 1.0), 134);  // m 78, s 222, 78 + 56
    EXPECT_EQ(blendGrey(SoftLightEx, 100, 200, 0.5), 117);  // 67 + 50
    EXPECT_EQ(blendGrey(SoftLightEx2, 100, 200, 0.0), 121);  // (78 + 100 + 64) >> 1, opacity not read
    EXPECT_EQ(blendGrey(SoftLightEx2, 100, 200, 1.0), 121);
    EXPECT_EQ(blendGrey(ImageSoftLightEx, 100, 200, 1.0), 134);
    EXPECT_EQ(blendGrey(ImageSoftLightEx, 100, 200, 0.5), 87);  // e = 100: m 39, s 162, 39 + 48
    EXPECT_EQ(blendGrey(CompositeColorEx, 100, 200, 1.0), 134);
    EXPECT_EQ(blendGrey(CompositeColorEx, 100, 200, 0.5), 72);  // a' = 50: m 39, s 211, 39 + 33

    unsigned char px[4] = {100, 100, 100, 9};
    ImageSoftLightExNew(px, 200, 1.0);
    EXPECT_EQ(px[0], 134);
    EXPECT_EQ(px[2], 134);
    unsigned char half[4] = {100, 100, 100, 9};
    ImageSoftLightExNew(half, 200, 0.5);
    EXPECT_EQ(half[1], 87);
}

TEST(BlendSoftLight, CompositeColorOfAPixelWithItselfIsSoftLight)
{
    for (int a = 0; a < 256; ++a)
        EXPECT_EQ(blendGrey(SoftLightEx, a, a, 1.0), blendGrey(CompositeColorEx, a, a, 1.0)) << "a = " << a;
}

TEST(BlendHardLightOverlay, WorkedValues)
{
    EXPECT_EQ(blendGrey(HardlightEx, 100, 100, 1.0), 78);   // 20000 >> 8
    EXPECT_EQ(blendGrey(HardlightEx, 100, 100, 0.5), 89);   // (10000 >> 8) + 50
    EXPECT_EQ(blendGrey(HardlightEx, 100, 128, 1.0), 100);  // 128 is still the multiply side
    EXPECT_EQ(blendGrey(HardlightEx, 100, 200, 1.0), 189);  // 255 - (17050 >> 8)
    EXPECT_EQ(blendGrey(HardlightEx, 100, 200, 0.5), 144);  // 94.5 + 50
    EXPECT_EQ(blendGrey(HardlightEx_2, 100, 100, 1.0), 89);  // (100 + 78) >> 1
    EXPECT_EQ(blendGrey(HardlightEx_2, 100, 100, 0.5), 69);  // (100 + 39) >> 1
    EXPECT_EQ(blendGrey(HardlightEx_2, 100, 200, 0.5), 144); // screen side ignores the opacity

    EXPECT_EQ(blendGrey(OverlayEx, 127, 255, 1.0), 254);
    EXPECT_EQ(blendGrey(OverlayEx, 128, 0, 1.0), 1);
    EXPECT_EQ(blendGrey(OverlayEx, 100, 200, 1.0), 156);  // 40000 / 255
    EXPECT_EQ(blendGrey(OverlayEx, 200, 100, 1.0), 189);  // 255 - 17050 / 255
    EXPECT_EQ(blendGrey(OverlayEx, 200, 100, 0.5), 194);  // 94.5 + 100
    EXPECT_EQ(blendGrey(OverlayEx, 255, 255, 1.0), 255);  // w = 0 < 255
}

TEST(BlendHardLightOverlay, ColourFormTakesRedGreenBlueInThatOrder)
{
    unsigned char px[4] = {100, 200, 100, 33};  // B, G, R, A
    OverlayEx(px, 200, 100, 255, 1.0);           // r, g, b
    EXPECT_EQ(px[2], 156);  // R: a 100 over 200
    EXPECT_EQ(px[1], 189);  // G: a 200 over 100
    EXPECT_EQ(px[0], 200);  // B: a 100 over 255
    EXPECT_EQ(px[3], 33);

    // the colour form is the layer form against a constant pixel
    for (int a = 0; a < 256; a += 3)
        for (int b = 0; b < 256; b += 5)
            for (double o : kOpacities) {
                unsigned char x[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(255 - a),
                                      static_cast<unsigned char>(a / 2), 0};
                unsigned char y[4] = {x[0], x[1], x[2], 0};
                unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b / 3),
                                          static_cast<unsigned char>(255 - b), 0};
                OverlayEx(x, layer, o);
                OverlayEx(y, layer[2], layer[1], layer[0], o);
                ASSERT_EQ(0, std::memcmp(x, y, 4)) << a << " " << b << " " << o;
            }
}

TEST(BlendExclusion, WorkedValues)
{
    for (int a = 0; a < 256; ++a)
        ASSERT_EQ(blendGrey(ExclusionEx, a, 0, 1.0), a) << "a black layer changes nothing";
    EXPECT_EQ(blendGrey(ExclusionEx, 0, 255, 1.0), 2);      // x(0) = 255, x(255) = 510 - 508
    EXPECT_EQ(blendGrey(ExclusionEx, 100, 100, 1.0), 127);  // x(100) = 122, x(122) = 127
    EXPECT_EQ(blendGrey(ExclusionEx, 100, 100, 2.0), 127);  // opacity above 1 counts as 1
    EXPECT_EQ(blendGrey(ExclusionEx, 100, 100, 0.5), 118);  // e = 50: 111, then 118
    EXPECT_EQ(blendGrey(ImageExclusionEx, 100, 100, 1.0), 122);
    EXPECT_EQ(blendGrey(ImageExclusionEx, 255, 255, 1.0), 2);
    EXPECT_EQ(blendGrey(ImageExclusionEx2, 100, 200, 0.0), 122);  // h = 100, opacity not read
    EXPECT_EQ(blendGrey(ImageExclusionEx2, 255, 255, 1.0), 129);  // h = 127: 382 - 253
}

TEST(BlendBurnDarkenLightenAdd, WorkedValues)
{
    EXPECT_EQ(blendGrey(ColorBurnEx, 100, 0, 1.0), 0);
    EXPECT_EQ(blendGrey(ColorBurnEx, 100, 0, 0.5), 50);
    for (int b = 1; b < 256; ++b)
        ASSERT_EQ(blendGrey(ColorBurnEx, 255, b, 1.0), 255) << "b = " << b;
    EXPECT_EQ(blendGrey(ColorBurnEx, 100, 200, 1.0), 58);  // q = -39525 / 200 = -197 (toward zero)
    EXPECT_EQ(blendGrey(ColorBurnEx, 100, 200, 0.5), 79);  // 50 + 29
    EXPECT_EQ(blendGrey(ColorBurnEx, 50, 50, 1.0), 0);     // q = -1045 < -255

    auto burn = [](unsigned char *p, unsigned char *l, double) { ImageColorBurnEx(p, l); };
    EXPECT_EQ(blendGrey(burn, 255, 0, 1.0), 0);
    EXPECT_EQ(blendGrey(burn, 100, 200, 0.0), 58);
    EXPECT_EQ(blendGrey(burn, 255, 1, 0.0), 255);

    EXPECT_EQ(blendGrey(ImageDarkenEx, 100, 200, 0.5), 50);  // the opacity scales the result
    EXPECT_EQ(blendGrey(ImageDarkenEx, 200, 100, 1.0), 100);
    EXPECT_EQ(blendGrey(ImageLightenEx, 100, 200, 0.5), 100);  // e = 100 is not above a
    EXPECT_EQ(blendGrey(ImageLightenEx, 100, 200, 0.75), 150);
    EXPECT_EQ(blendGrey(ImageLightenEx, 200, 255, 1.0), 255);
    EXPECT_EQ(blendGrey(ImageAddEx, 200, 100, 1.0), 78);  // 20000 / 255.0
    EXPECT_EQ(blendGrey(ImageAddEx, 200, 100, 0.5), 39);  // e = 50: 10000 / 255
    EXPECT_EQ(blendGrey(ImageAddEx, 255, 255, 1.0), 255);
}

TEST(BlendPinLight, WorkedValues)
{
    auto pin = [](unsigned char *p, unsigned char *l, double) { PinLightEx(p, l); };
    EXPECT_EQ(blendGrey(pin, 100, 200, 1.0), 145);
    EXPECT_EQ(blendGrey(pin, 100, 20, 1.0), 40);
    EXPECT_EQ(blendGrey(pin, 100, 100, 1.0), 100);
    EXPECT_EQ(blendGrey(pin, 0, 255, 1.0), 255);

    auto pin8 = [](unsigned char *p, unsigned char *l, double o) { PinLightEx8(p, l, static_cast<float>(o)); };
    EXPECT_EQ(blendGrey(pin8, 100, 200, 0.8), 136);  // 116 + 20
    EXPECT_EQ(blendGrey(pin8, 100, 100, 0.8), 100);  // no rule applies
    // 2 x .8f + 7 x .2f is 3 in single precision (2.99999994 in double)
    EXPECT_EQ(blendGrey(pin8, 7, 1, 0.8), 3);

    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            unsigned char x[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(a),
                                  static_cast<unsigned char>(a), 0};
            unsigned char y[4] = {x[0], x[1], x[2], 0};
            unsigned char z[4] = {x[0], x[1], x[2], 0};
            unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b),
                                      static_cast<unsigned char>(b), 0};
            PinLightEx8(x, layer, 0.45f);
            PinLightEx2(y, layer, 0.45f);
            ASSERT_EQ(x[0], y[0]) << a << " " << b;
            PinLightEx8(z, layer, 1.0f);
            unsigned char w[4] = {static_cast<unsigned char>(a), 0, 0, 0};
            PinLightEx(w, layer);
            ASSERT_EQ(z[0], w[0]) << "opacity 1 is the plain pin light at " << a << " " << b;
        }
}

TEST(BlendColour, LayerHueAndSaturationOverBaseLightness)
{
    // a grey layer has no saturation: the result is the base's lightness
    unsigned char px[4] = {50, 100, 200, 7};  // R 200, G 100, B 50: l = (200 + 50 + 1) >> 1
    unsigned char grey[4] = {90, 90, 90, 0};
    ColorEx(px, grey, 1.0);
    EXPECT_EQ(px[0], 125);
    EXPECT_EQ(px[1], 125);
    EXPECT_EQ(px[2], 125);
    EXPECT_EQ(px[3], 7);

    // Pixels are B, G, R; -1: not checked.
    const struct {
        Blend f;
        unsigned char base[4], layer[4];
        double opacity;
        int want[3];
    } cases[] = {
        // pure red over grey 100: q = 100 + 255 x .0039215 x 100 = 199.998, p ~ 0
        {ColorEx, {100, 100, 100, 0}, {0, 0, 255, 0}, 1.0, {0, 0, 199}},
        {ColorEx, {100, 100, 100, 0}, {0, 0, 255, 0}, 0.5, {-1, 50, 149}},  // 99.5 + 50
        // HSB: red has hue 360 and saturation 1, grey 100 brightness 100 / 255
        {ColorHSBEx, {100, 100, 100, 0}, {0, 0, 255, 0}, 1.0, {0, 0, 100}},
        // hue 0: every channel takes the base's brightness
        {ColorHSBEx, {50, 100, 200, 0}, {90, 90, 90, 0}, 1.0, {200, 200, 200}},
    };
    for (const auto &c : cases) {
        unsigned char base[4], layer[4];
        std::memcpy(base, c.base, 4);
        std::memcpy(layer, c.layer, 4);
        c.f(base, layer, c.opacity);
        for (int i = 0; i < 3; ++i) {
            if (c.want[i] < 0)
                continue;
            EXPECT_EQ(base[i], c.want[i]) << "case " << &c - cases << " byte " << i;
        }
    }
}

TEST(BlendShift, AddsWithClamp)
{
    unsigned char px[4] = {7, 100, 230, 99};  // B 7, G 100, R 230
    ShiftRGBEx(px, 40, 25, 0);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(px[1], 125);
    EXPECT_EQ(px[0], 7);
    EXPECT_EQ(px[3], 99);
}

// ---------------------------------------------------------------------------
// Properties over every blend

TEST(BlendProperties, ByteThreeIsNeverWritten)
{
    for (const NamedBlend &blend : allBlends())
        for (int a = 0; a < 256; a += 17)
            for (int b = 0; b < 256; b += 15)
                for (double o : kOpacities) {
                    unsigned char base[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                             static_cast<unsigned char>(a ^ b), static_cast<unsigned char>(a)};
                    unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(a),
                                              static_cast<unsigned char>(255 - b), static_cast<unsigned char>(b)};
                    blend.f(base, layer, o);
                    ASSERT_EQ(base[3], a) << blend.name;
                    ASSERT_EQ(layer[0], b) << blend.name << " wrote the layer";
                    ASSERT_EQ(layer[3], b) << blend.name << " wrote the layer";
                }
}

TEST(BlendProperties, ChannelsDoNotLeakIntoEachOther)
{
    for (const NamedBlend &blend : allBlends()) {
        if (!blend.perChannel)
            continue;
        for (int i = 0; i < 600; ++i) {
            const int a[3] = {(i * 37) % 256, (i * 101 + 7) % 256, (i * 53 + 200) % 256};
            const int b[3] = {(i * 71 + 3) % 256, (i * 13 + 99) % 256, (i * 29 + 11) % 256};
            const double o = kOpacities[i % 5];
            unsigned char base[4] = {static_cast<unsigned char>(a[0]), static_cast<unsigned char>(a[1]),
                                     static_cast<unsigned char>(a[2]), 255};
            unsigned char layer[4] = {static_cast<unsigned char>(b[0]), static_cast<unsigned char>(b[1]),
                                      static_cast<unsigned char>(b[2]), 255};
            blend.f(base, layer, o);
            for (int c = 0; c < 3; ++c) {
                unsigned char alone[4] = {static_cast<unsigned char>(a[c]), static_cast<unsigned char>(a[c]),
                                          static_cast<unsigned char>(a[c]), 255};
                unsigned char same[4] = {static_cast<unsigned char>(b[c]), static_cast<unsigned char>(b[c]),
                                         static_cast<unsigned char>(b[c]), 255};
                blend.f(alone, same, o);
                ASSERT_EQ(base[c], alone[c]) << blend.name << " channel " << c << " a " << a[c] << " b " << b[c];
            }
        }
    }
}

TEST(BlendProperties, OpacityZeroKeepsTheBaseWhereTheRuleMixes)
{
    for (const NamedBlend &blend : allBlends()) {
        if (!blend.neutralAtZero)
            continue;
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                unsigned char base[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(255 - a),
                                         static_cast<unsigned char>(a / 3 + 40), 255};
                unsigned char layer[4] = {static_cast<unsigned char>(b), static_cast<unsigned char>(b / 2),
                                          static_cast<unsigned char>(255 - b), 255};
                const unsigned char before[3] = {base[0], base[1], base[2]};
                blend.f(base, layer, 0.0);
                ASSERT_EQ(base[0], before[0]) << blend.name << " a " << a << " b " << b;
                ASSERT_EQ(base[1], before[1]) << blend.name << " a " << a << " b " << b;
                ASSERT_EQ(base[2], before[2]) << blend.name << " a " << a << " b " << b;
            }
    }
}
