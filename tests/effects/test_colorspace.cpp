// Colour conversions: hand-computed values and round trips over a sample of the
// RGB cube with the largest error each pair may show.

#include "colorspace.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <initializer_list>

namespace {

struct Rgb {
    int r, g, b;
};

// Largest channel error of a round trip over the cube sampled every 5 levels
// (0, 5, ..., 255), optionally restricted to the colours `use` accepts.
int roundTripError(const std::function<Rgb(int, int, int)> &trip,
                   const std::function<bool(int, int, int)> &use = nullptr)
{
    const testpic::Picture cube = testpic::rgbCube(52);
    int worst = 0;
    for (std::size_t i = 0; i < cube.bytes.size(); i += 4) {
        const int b = cube.bytes[i], g = cube.bytes[i + 1], r = cube.bytes[i + 2];
        if (use && !use(r, g, b))
            continue;
        const Rgb out = trip(r, g, b);
        worst = std::max({worst, std::abs(out.r - r), std::abs(out.g - g), std::abs(out.b - b)});
    }
    return worst;
}

// Each row: three inputs of a conversion and the three outputs it must give (-1: not checked).
struct Known {
    int in[3];
    int out[3];
};

template <typename Component, auto convert>
void expectKnown(std::initializer_list<Known> rows)
{
    for (const Known &k : rows) {
        Component out[3];
        convert(k.in[0], k.in[1], k.in[2], out[0], out[1], out[2]);
        for (int i = 0; i < 3; ++i) {
            if (k.out[i] < 0)
                continue;
            EXPECT_EQ(static_cast<int>(out[i]), k.out[i])
                << "(" << k.in[0] << ", " << k.in[1] << ", " << k.in[2] << ") output " << i;
        }
    }
}

// A colour through a model whose components are of type Component and back.
template <typename Component, auto toModel, auto toRgb>
Rgb viaModel(int r, int g, int b)
{
    Component x, y, z;
    unsigned char R, G, B;
    toModel(r, g, b, x, y, z);
    toRgb(x, y, z, R, G, B);
    return Rgb{R, G, B};
}

}  // namespace

// ---------------------------------------------------------------------------
// luma / chroma

TEST(ColourYuv, KnownColours)
{
    expectKnown<unsigned char, RGBtoYUV>({
        {{255, 255, 255}, {255, 128, 128}},
        {{0, 0, 0}, {0, 128, 128}},
        // Y = 76.245 -> 76 first; U = -76 x .565 + 128 = 85.06; V = 179 x .713 + 128 = 255.6, clamped
        {{255, 0, 0}, {76, 85, 255}},
    });
    expectKnown<unsigned char, YUVtoRGB>({{{76, 85, 255}, {254, 0, 0}}});  // 254.2, 0.11, -0.11
}

TEST(ColourYiqXyz, KnownColours)
{
    expectKnown<unsigned char, RGBtoYIQ>({
        {{200, 100, 50}, {124, 203, 133}},  // 124.22, 203.685, 133.49
        {{255, 0, 0}, {-1, 255, -1}},       // I = 280, clamped
    });
    expectKnown<unsigned char, RGBtoXYZ>({
        {{255, 255, 255}, {242, 255, 255}},  // 242.37, 255.0, 255.0007
        {{200, 100, 50}, {127, 117, 58}},    // 127.27, 117.66, 58.14
    });
    expectKnown<unsigned char, XYZtoRGB>({{{127, 117, 58}, {200, 99, 49}}});  // 200.21, 99.02, 49.96
}

// ---------------------------------------------------------------------------
// 8-bit HSL

TEST(ColourHsl, KnownColours)
{
    expectKnown<unsigned char, RGBtoHSL>({
        {{255, 0, 0}, {0, 255, 128}},
        {{200, 0, 0}, {-1, 255, 100}},  // s = 255 x 200 / 200 + 1, capped
        {{90, 90, 90}, {170, 0, 90}},
        {{0, 255, 0}, {85, -1, -1}},
        {{0, 0, 255}, {170, -1, -1}},
        {{255, 255, 0}, {43, -1, -1}},  // red is tested first: db - dg = 43 - 0
        // dg = 42.5, db = 21.25 + .5: h = 21 - 43 mod 256; s = 255 x 50 / 150 + 1
        {{100, 50, 75}, {234, 86, 75}},
    });
    expectKnown<unsigned char, RGBtoHSL2>({
        {{100, 50, 75}, {235, 85, 75}},   // 42 x -25 / 50 = -21, mod 256
        {{50, 100, 75}, {106, -1, -1}},   // 85 + 42 x 25 / 50
        {{75, 100, 50}, {64, -1, -1}},    // 85 + 42 x -25 / 50, truncated toward zero
        {{255, 128, 0}, {21, 255, 128}},  // 42 x 128 / 255 = 21
    });
}

TEST(ColourHsl, HueRampSectorsInDegreesAndInSixths)
{
    // One trapezoid on two scales, degrees for HueToRGB and sixths of a turn
    // for HLS_Value: rise to 60, flat to 180, fall to 240, low beyond, wrapped.
    const struct {
        double degrees, value;
    } samples[] = {{30, 0.5}, {100, 0.8}, {120, 0.8}, {210, 0.5}, {300, 0.2}, {-30, 0.2}, {-60, 0.2}, {390, 0.5}};
    for (const auto &s : samples) {
        EXPECT_FLOAT_EQ(HueToRGB(0.2f, 0.8f, static_cast<float>(s.degrees)), static_cast<float>(s.value))
            << s.degrees;
        EXPECT_DOUBLE_EQ(HLS_Value(0.2, 0.8, s.degrees / 60), s.value) << s.degrees;
    }
}

TEST(ColourHsl, GreyPassesUnchanged)
{
    for (int l = 0; l < 256; ++l)
        for (int h : {0, 77, 170, 255}) {
            unsigned char r, g, b;
            HSLtoRGB(h, 0, l, r, g, b);
            ASSERT_EQ(r, l);
            ASSERT_EQ(g, l);
            ASSERT_EQ(b, l);
            HSLtoRGB2(h, 0, l, r, g, b);
            ASSERT_EQ(r, l);
            ASSERT_EQ(b, l);
        }
}

TEST(ColourHsl, Hsl2ColourOfRed)
{
    // q = 100 + 255 x .0039215 x 100 = 199.998, p = .002; hue 0 puts red on q
    expectKnown<unsigned char, HSLtoRGB2>({{{0, 255, 100}, {199, 0, 0}}});
}

// ---------------------------------------------------------------------------
// double HLS

TEST(ColourHls, Packing)
{
    EXPECT_EQ(HLStoRGB(0.3, 0.2, 0.0), 0xFF000000u + 51u * 65536u + 51u * 256u + 51u);
    EXPECT_EQ(HLStoRGB(0.0, 0.5, 1e-9), 0xFF7F7F7Fu);  // below 2^-23 counts as grey
    EXPECT_EQ(HLStoRGB(0.0, 0.5, 1.0) >> 24, 0xFFu);
    EXPECT_EQ(HLStoRGB(0.0, 0.5, 1.0) & 0xFFFFu, 0u);     // pure red: green, blue 0

    double h = 0.0, l = 0.0, s = 0.0;
    RGBtoHLS(90, 90, 90, h, l, s);
    EXPECT_DOUBLE_EQ(l, 180 * 0.0019647);
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(s, 0.0);
    RGBtoHLS(0, 0, 255, h, l, s);  // 4 x .166994
    EXPECT_NEAR(h, 0.667976, 1e-9);

    h = -7.0;
    s = -9.0;
    RGBtoHLS_L(200, 10, 30, h, l, s);  // only the lightness is written
    EXPECT_DOUBLE_EQ(l, 210 * 0.0019647);
    EXPECT_EQ(h, -7.0);
    EXPECT_EQ(s, -9.0);
}

// ---------------------------------------------------------------------------
// integer HLS

TEST(ColourIntHls, KnownColours)
{
    expectKnown<int, RGBtoIntHLS>({
        {{255, 0, 0}, {0, 127, 255}},  // l = int(127.75); s = 65152 / 255
        {{90, 90, 90}, {170, 90, 0}},
    });

    EXPECT_EQ(intHueToRGB(0, 255, 21), 126);   // 2 x (5355 + 21) / 85
    EXPECT_EQ(intHueToRGB(0, 255, 300), 255);  // 45
    EXPECT_EQ(intHueToRGB(0, 255, -10), 0);    // 245
    EXPECT_EQ(intHueToRGB(0, 255, 150), 120);  // 2 x (5100 + 21) / 85

    unsigned char r, g, b;
    EXPECT_EQ(intHLStoRGB(0, 127, 255, r, g, b), 1);  // q = 64897 / 255 = 254, p = 0
    EXPECT_EQ(r, 254);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(intHLStoRGB(40, 77, 0, r, g, b), 1);
    EXPECT_EQ(r, 77);
    EXPECT_EQ(g, 77);
    EXPECT_EQ(b, 77);
}

// ---------------------------------------------------------------------------
// HSB

TEST(ColourHsb, KnownColours)
{
    float h, s, v;
    RGBtoHSB(255, 0, 0, h, s, v);
    EXPECT_FLOAT_EQ(h, 360.0f);  // 60 x 6, not above 360
    EXPECT_FLOAT_EQ(s, 1.0f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    RGBtoHSB(0, 255, 0, h, s, v);
    EXPECT_FLOAT_EQ(h, 120.0f);
    RGBtoHSB(0, 0, 255, h, s, v);
    EXPECT_FLOAT_EQ(h, 240.0f);
    RGBtoHSB(255, 255, 0, h, s, v);
    EXPECT_FLOAT_EQ(h, 60.0f);
    RGBtoHSB(51, 51, 51, h, s, v);
    EXPECT_EQ(h, 0.0f);
    EXPECT_EQ(s, 0.0f);
    EXPECT_FLOAT_EQ(v, 0.2f);

    unsigned char r, g, b;
    HSBtoRGB(0.0f, 1.0f, 1.0f, r, g, b);  // hue 0 reads as grey whatever the saturation
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 255);
    HSBtoRGB(120.0f, 1.0f, 1.0f, r, g, b);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 0);
    HSBtoRGB(90.0f, 0.5f, 1.0f, r, g, b);  // P = int(127.5); k(30) = 64 + 127
    EXPECT_EQ(r, 191);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 127);
    HSBtoRGB(360.0f, 1.0f, 1.0f, r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
}

// ---------------------------------------------------------------------------
// Round trips. The bounds are the largest errors over the whole cube; they come
// from 8-bit storage of the intermediate model (hue in 255 steps, truncation)
// and catch a wrong constant or sector at once.

TEST(ColourRoundTrip, EightBitModelsStayClose)
{
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoYUV, YUVtoRGB>), 2);
    // I spans about +-152 and Q +-133 around 128, so only unclipped colours can come back
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoYIQ, YIQtoRGB>,
                             [](int r, int g, int b) {
                                 const double i = 0.596 * r - 0.2742 * g - 0.3219 * b + 128;
                                 const double q = 0.2109 * r - 0.5229 * g + 0.312 * b + 128;
                                 return i >= 0 && i < 256 && q >= 0 && q < 256;
                             }),
              3);
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoXYZ, XYZtoRGB>), 4);
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoHSL, HSLtoRGB>), 6);
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoHSL, HSLtoRGB_L>), 6);
    // 42 steps per sixth forward against 255 per turn back: the coarsest pair
    EXPECT_LE(roundTripError(viaModel<unsigned char, RGBtoHSL2, HSLtoRGB2>), 15);
    EXPECT_LE(roundTripError(viaModel<int, RGBtoIntHLS, intHLStoRGB>), 7);
}

TEST(ColourRoundTrip, FloatModelsStayClose)
{
    EXPECT_LE(roundTripError([](int r, int g, int b) {
                  double h, l, s;
                  RGBtoHLS(r, g, b, h, l, s);
                  const unsigned int p = HLStoRGB(h, l, s);
                  return Rgb{static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
                             static_cast<int>(p & 255)};
              }),
              2);
    EXPECT_LE(roundTripError(viaModel<float, RGBtoHSB, HSBtoRGB>), 1);
}
