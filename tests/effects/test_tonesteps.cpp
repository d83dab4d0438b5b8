// Tone steps: table passes against their plain form, worked values, neutral
// amounts, byte 3, resampling and the layout helpers.

#include "colorspace.h"
#include "lutkernels.h"
#include "simd.h"
#include "tonesteps.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using testpic::Picture;

// Sizes on both sides of the paired-table threshold, odd widths and odd pixel counts.
struct Size {
    int width, height;
};
const Size kSizes[] = {{1, 1}, {3, 1}, {7, 5}, {64, 64}, {513, 301}, {640, 256}};

void plainLut(Picture &p, const unsigned char *table)
{
    for (std::size_t i = 0; i < p.bytes.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            p.bytes[i + c] = table[p.bytes[i + c]];
}

void plainLutEx(Picture &p, const unsigned char *r, const unsigned char *g, const unsigned char *b,
                const unsigned char *a)
{
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        p.bytes[i] = b[p.bytes[i]];
        p.bytes[i + 1] = g[p.bytes[i + 1]];
        p.bytes[i + 2] = r[p.bytes[i + 2]];
        if (a)
            p.bytes[i + 3] = a[p.bytes[i + 3]];
    }
}

std::vector<unsigned char> lightTable(long brightness, long contrast)
{
    std::vector<unsigned char> t(256);
    LightNew(t.data(), 0, 0, brightness, contrast);
    return t;
}

struct Rgb {
    unsigned char r, g, b;
};

// Byte 3 of every pixel in a against b.
::testing::AssertionResult sameAlpha(const Picture &a, const Picture &b)
{
    for (std::size_t i = 3; i < a.bytes.size(); i += 4)
        if (a.bytes[i] != b.bytes[i])
            return ::testing::AssertionFailure() << "byte 3 of pixel " << i / 4 << " changed from "
                                                 << int(b.bytes[i]) << " to " << int(a.bytes[i]);
    return ::testing::AssertionSuccess();
}

}  // namespace

// ---------------------------------------------------------------------------
// Table passes

// The public passes, whichever kernel they pick, at many sizes.
TEST(ToneLut, PublicPassesMatchThePlainPass)
{
    const std::vector<unsigned char> r = testpic::byteTable(11), g = testpic::byteTable(12),
                                     b = testpic::byteTable(13), a = testpic::byteTable(14);
    auto u = [](const std::vector<unsigned char> &t) { return const_cast<unsigned char *>(t.data()); };
    for (const Size &size : kSizes) {
        const Picture src = testpic::noise(size.width, size.height, 99 + size.width, false);
        Picture got = src, want = src;
        Lut(got.data(), got.width, got.height, u(r));
        plainLut(want, r.data());
        ASSERT_EQ(got.bytes, want.bytes) << size.width << " x " << size.height;
        for (bool withAlpha : {false, true}) {
            got = src;
            want = src;
            LutEx(got.data(), got.width, got.height, u(r), u(g), u(b), withAlpha ? u(a) : nullptr);
            plainLutEx(want, r.data(), g.data(), b.data(), withAlpha ? a.data() : nullptr);
            ASSERT_EQ(got.bytes, want.bytes) << size.width << " x " << size.height << " alpha " << withAlpha;
        }
    }
}

// Both kernels behind Lut and LutEx (the byte-permute one where the processor
// runs it) against the test's own plain pass; pixel counts around the
// 16-pixel vector width test the tails.
TEST(ToneLut, EveryKernelMatchesThePlainPass)
{
    const std::vector<unsigned char> t = testpic::byteTable(21), r = testpic::byteTable(22),
                                     g = testpic::byteTable(23), b = testpic::byteTable(24),
                                     a = testpic::byteTable(25);
    const bool vbmi = qvfx::simd::vbmi();
    if (!vbmi)
        std::printf("note: AVX-512 VBMI not in use here; its kernels are not exercised\n");

    std::vector<int> widths;
    for (int w = 1; w <= 35; ++w)
        widths.push_back(w);
    widths.push_back(1021);
    for (int w : widths) {
        const Picture src = testpic::noise(w, 3, 500 + w, false);
        Picture want = src;
        plainLut(want, t.data());
        Picture got = src;
        qvfx::lutBytes(got.data(), got.bytes.size() / 4, t.data());
        ASSERT_EQ(got.bytes, want.bytes) << "bytes, width " << w;
        if (vbmi) {
#ifdef QVFX_HAVE_VBMI_KERNELS
            got = src;
            qvfx::lutVbmi(got.data(), got.bytes.size() / 4, t.data());
            ASSERT_EQ(got.bytes, want.bytes) << "vbmi, width " << w;
#endif
        }
        for (bool withAlpha : {false, true}) {
            Picture wantEx = src;
            plainLutEx(wantEx, r.data(), g.data(), b.data(), withAlpha ? a.data() : nullptr);
            got = src;
            qvfx::lutExBytes(got.data(), got.bytes.size() / 4, r.data(), g.data(), b.data(),
                             withAlpha ? a.data() : nullptr);
            ASSERT_EQ(got.bytes, wantEx.bytes) << "bytes, width " << w << " alpha " << withAlpha;
            if (vbmi) {
#ifdef QVFX_HAVE_VBMI_KERNELS
                got = src;
                qvfx::lutExVbmi(got.data(), got.bytes.size() / 4, r.data(), g.data(), b.data(),
                                withAlpha ? a.data() : nullptr);
                ASSERT_EQ(got.bytes, wantEx.bytes) << "vbmi, width " << w << " alpha " << withAlpha;
#endif
            }
        }
    }
}

TEST(ToneLut, NullOrEmptyPicturesAreLeftAlone)
{
    std::vector<unsigned char> table = testpic::byteTable(3);
    Lut(nullptr, 10, 10, table.data());
    LutEx(nullptr, 10, 10, table.data(), table.data(), table.data(), nullptr);
    Light(nullptr, 10, 10, 20, 20);
    Saturateconst(nullptr, 10, 10, 40);
    Saturateconst(nullptr, 10, 10, 40, 1);
    GammaRGB(nullptr, 10, 10, 2.0f, 2.0f, 2.0f);
    SpliteToR(nullptr, 3, 3);

    Picture p = testpic::gradient(4, 4);
    const Picture before = p;
    Lut(p.data(), 0, 4, table.data());
    Lut(p.data(), 4, -1, table.data());
    Lut(p.data(), 4, 4, nullptr);
    LutEx(p.data(), 4, 4, table.data(), nullptr, table.data(), nullptr);
    Light(p.data(), -4, 4, 50, 50);
    Saturateconst(p.data(), 4, 0, 40);
    Saturateconst(p.data(), 0, 4, 40, 2);
    GammaRGB(p.data(), 4, -2, 2.0f, 2.0f, 2.0f);
    SpliteToR(p.data(), 0, 4);
    EXPECT_EQ(p.bytes, before.bytes);
}

// ---------------------------------------------------------------------------
// Brightness and contrast

TEST(ToneLight, WorkedTables)
{
    const std::vector<unsigned char> identity = lightTable(0, 0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(identity[i], i);
    for (unsigned char v : lightTable(0, -100))
        ASSERT_EQ(v, 128);
    const std::vector<unsigned char> soft = lightTable(0, -10);
    EXPECT_EQ(soft[0], 13);     // 128 - 115.2 + .5
    EXPECT_EQ(soft[255], 242);  // 128 + 114.3 + .5
    const std::vector<unsigned char> bright = lightTable(50, 0);
    EXPECT_EQ(bright[204], 254);
    EXPECT_EQ(bright[205], 255);
    const std::vector<unsigned char> dark = lightTable(-128, 0);
    EXPECT_EQ(dark[128], 0);  // .5, below 1
    EXPECT_EQ(dark[200], 72);
    const std::vector<unsigned char> steep = lightTable(0, 100);
    EXPECT_EQ(steep[64], 0);
    EXPECT_EQ(steep[100], 72);
    EXPECT_EQ(steep[191], 254);
    EXPECT_EQ(steep[192], 255);
}

TEST(ToneLight, EveryEntryFollowsTheRule)
{
    for (long b : {-300L, -128L, -37L, 0L, 12L, 99L, 255L})
        for (long c : {-100L, -61L, -10L, 0L, 7L, 50L, 100L, 400L}) {
            const std::vector<unsigned char> t = lightTable(b, c);
            for (int i = 0; i < 256; ++i) {
                const int v = static_cast<int>(static_cast<float>(b + 128)
                                               + static_cast<float>(i - 128) * (static_cast<float>(c + 100) / 100)
                                               + 0.5);
                ASSERT_EQ(t[i], v < 1 ? 0 : (v > 254 ? 255 : v)) << b << " " << c << " " << i;
            }
        }
}

TEST(ToneLight, NeutralAmountsChangeNothingAndAlphaStays)
{
    for (const Size &size : kSizes) {
        Picture p = testpic::noise(size.width, size.height, 5, false);
        const Picture before = p;
        Light(p.data(), p.width, p.height, 0, 0);
        ASSERT_EQ(p.bytes, before.bytes);
        BrightContrastSaturation(p.data(), p.width, p.height, 0, 0, 0);
        ASSERT_EQ(p.bytes, before.bytes);

        Light(p.data(), p.width, p.height, 0, -100);
        for (std::size_t i = 0; i < p.bytes.size(); ++i) {
            if (i % 4 != 3) {
                ASSERT_EQ(p.bytes[i], 128);
            }
        }
        ASSERT_TRUE(sameAlpha(p, before));
    }
}

TEST(ToneLight, ShorthandsAreLightAndSaturateconst)
{
    const Picture source = testpic::noise(37, 29, 8);
    auto run = [&](auto step) {
        Picture p = source;
        step(p);
        return p.bytes;
    };
    EXPECT_EQ(run([](Picture &p) { Bright(p.data(), p.width, p.height, 40); }),
              run([](Picture &p) { Light(p.data(), p.width, p.height, 40, 0); }));
    EXPECT_EQ(run([](Picture &p) { Contrast(p.data(), p.width, p.height, -30); }),
              run([](Picture &p) { Light(p.data(), p.width, p.height, 0, -30); }));
    EXPECT_EQ(run([](Picture &p) { Saturation(p.data(), p.width, p.height, 25); }),
              run([](Picture &p) { Saturateconst(p.data(), p.width, p.height, 25, 1); }));
    EXPECT_EQ(run([](Picture &p) { BrightContrastSaturation(p.data(), p.width, p.height, 10, 20, -15); }),
              run([](Picture &p) {
                  Light(p.data(), p.width, p.height, 10, 20);
                  Saturateconst(p.data(), p.width, p.height, -15, 1);
              }));
    EXPECT_EQ(run([](Picture &p) { BrightContrastSaturation(p.data(), p.width, p.height, 0, 0, 30); }),
              run([](Picture &p) { Saturateconst(p.data(), p.width, p.height, 30, 1); }));
}

// ---------------------------------------------------------------------------
// Saturation

TEST(ToneSaturation, MatrixFormWorkedValues)
{
    // -100: every row is 79, 156, 21 -> grey
    Picture cube = testpic::rgbCube(18);
    const Picture before = cube;
    Saturateconst(cube.data(), cube.width, cube.height, -100);
    for (std::size_t i = 0; i < cube.bytes.size(); i += 4) {
        const int grey = (79 * before.bytes[i + 2] + 156 * before.bytes[i + 1] + 21 * before.bytes[i]) >> 8;
        ASSERT_EQ(cube.bytes[i], grey);
        ASSERT_EQ(cube.bytes[i + 1], grey);
        ASSERT_EQ(cube.bytes[i + 2], grey);
    }

    // 0 is the identity matrix (256 on the diagonal)
    Picture p = testpic::noise(101, 13, 21, false);
    const Picture noise = p;
    Saturateconst(p.data(), p.width, p.height, 0);
    EXPECT_EQ(p.bytes, noise.bytes);

    // 50: k = 150, f = 2.5, g = -1.5; rows [521 -234 -31], [-118 406 -31], [-118 -234 608]
    unsigned char px[4] = {25, 50, 100, 201};  // B, G, R, A
    Saturateconst(px, 1, 1, 50);
    EXPECT_EQ(px[2], 154);  // 39625 >> 8
    EXPECT_EQ(px[1], 30);   // 7725 >> 8
    EXPECT_EQ(px[0], 0);    // -8300 >> 8 = -33, clamped
    EXPECT_EQ(px[3], 201);
}

TEST(ToneSaturation, MatrixReadsTheUnchangedPixel)
{
    const int swapRedBlue[9] = {0, 0, 256, 0, 256, 0, 256, 0, 0};
    unsigned char px[4] = {10, 20, 30, 40};
    SaturateconstMatrix(px, swapRedBlue);
    EXPECT_EQ(px[0], 30);
    EXPECT_EQ(px[1], 20);
    EXPECT_EQ(px[2], 10);
    EXPECT_EQ(px[3], 40);

    const int extreme[9] = {-300, 0, 0, 2000, 0, 0, 1, 1, 1};
    unsigned char q[4] = {100, 100, 100, 7};
    SaturateconstMatrix(q, extreme);
    EXPECT_EQ(q[2], 0);    // -30000 >> 8, clamped
    EXPECT_EQ(q[1], 255);  // 200000 >> 8, clamped
    EXPECT_EQ(q[0], 1);    // 300 >> 8
}

// Saturateconst(amount, mode) on picture p gives, pixel by pixel, the R, G, B
// that expected(r, g, b) gives for the pixel as it was, and keeps alpha.
template <typename Expected>
testing::AssertionResult saturatesAs(Picture p, int amount, int mode, Expected expected)
{
    const Picture before = p;
    Saturateconst(p.data(), p.width, p.height, amount, mode);
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        const Rgb want = expected(before.bytes[i + 2], before.bytes[i + 1], before.bytes[i]);
        if (p.bytes[i + 2] != want.r || p.bytes[i + 1] != want.g || p.bytes[i] != want.b)
            return testing::AssertionFailure() << "pixel " << i / 4;
    }
    return sameAlpha(p, before);
}

TEST(ToneSaturation, HslModeMovesSaturation)
{
    EXPECT_TRUE(saturatesAs(testpic::rgbCube(16), -100, 1, [](int r, int g, int b) {
        unsigned char h, s, l;
        RGBtoHSL(r, g, b, h, s, l);
        Rgb out;
        HSLtoRGB(h, static_cast<unsigned char>(s > 100 ? s - 100 : 0), l, out.r, out.g, out.b);
        if (s <= 100) {
            EXPECT_TRUE(out.r == out.g && out.g == out.b) << "s " << int(s) << " must turn grey";
        }
        return out;
    }));
    // amount 0: one HSL round trip, nothing more
    EXPECT_TRUE(saturatesAs(testpic::noise(33, 17, 2), 0, 1, [](int r, int g, int b) {
        unsigned char h, s, l;
        RGBtoHSL(r, g, b, h, s, l);
        Rgb out;
        HSLtoRGB(h, s, l, out.r, out.g, out.b);
        return out;
    }));
}

TEST(ToneSaturation, YuvModeAndOtherModes)
{
    // -100 puts U and V at 128 (int(0 + 128.5)): grey at the picture's own Y
    EXPECT_TRUE(saturatesAs(testpic::rgbCube(12), -100, 2, [](int r, int g, int b) {
        unsigned char y, u, v;
        RGBtoYUV(r, g, b, y, u, v);
        return Rgb{y, y, y};
    }));

    // 100 doubles U and V around 128
    unsigned char px[4] = {0, 0, 255, 255};  // red: Y 76, U 85, V 255
    Saturateconst(px, 1, 1, 100, 2);         // U -> int(-86 + 128.5) = 42, V -> 255
    unsigned char r, g, b;
    YUVtoRGB(76, 42, 255, r, g, b);
    EXPECT_EQ(px[2], r);
    EXPECT_EQ(px[1], g);
    EXPECT_EQ(px[0], b);

    Picture q = testpic::noise(9, 9, 4);
    const Picture src = q;
    Saturateconst(q.data(), q.width, q.height, 60, 0);
    Saturateconst(q.data(), q.width, q.height, 60, 3);
    EXPECT_EQ(q.bytes, src.bytes);
}

// ---------------------------------------------------------------------------
// Gamma

TEST(ToneGamma, WorkedTablesAndNeutralGamma)
{
    Picture ramp = testpic::greyRamp(256, 1);
    GammaRGB(ramp.data(), 256, 1, 2.0f, 0.5f, 2.2f);
    const int xs[] = {0, 1, 64, 128, 254, 255};
    const int red[] = {0, 15, 127, 180, 254, 255};   // 255 (i / 255)^(1/2)
    const int green[] = {0, 0, 16, 64, 253, 255};    // 255 (i / 255)^2
    const int blue[] = {0, 20, 136, 186, 254, 255};  // 1 / 2.2f
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(ramp.at(xs[k], 0)[2], red[k]) << xs[k];
        EXPECT_EQ(ramp.at(xs[k], 0)[1], green[k]) << xs[k];
        EXPECT_EQ(ramp.at(xs[k], 0)[0], blue[k]) << xs[k];
    }

    for (const Size &size : kSizes) {
        Picture p = testpic::noise(size.width, size.height, 31, false);
        const Picture before = p;
        GammaRGB(p.data(), p.width, p.height, 1.0f, 1.0f, 1.0f);
        ASSERT_EQ(p.bytes, before.bytes);
        GammaRGB(p.data(), p.width, p.height, 2.0f, 0.0f, 2.0f);   // one gamma of 0: nothing
        GammaRGB(p.data(), p.width, p.height, -1.0f, 1.5f, 2.0f);  // below 0: nothing
        ASSERT_EQ(p.bytes, before.bytes);
        GammaRGB(p.data(), p.width, p.height, 0.4f, 1.7f, 3.0f);
        ASSERT_TRUE(sameAlpha(p, before));
    }
}

TEST(ToneGamma, TinyGammaStaysDefined)
{
    // 255^(1/gamma) overflows: the curve is still 0 below white and 255 at white
    Picture ramp = testpic::greyRamp(256, 1);
    GammaRGB(ramp.data(), 256, 1, 1e-3f, 1e-3f, 1e-3f);
    EXPECT_EQ(ramp.at(255, 0)[0], 255);
    EXPECT_EQ(ramp.at(200, 0)[0], 0);
    for (int x = 1; x < 256; ++x)
        ASSERT_GE(ramp.at(x, 0)[1], ramp.at(x - 1, 0)[1]);
}

// ---------------------------------------------------------------------------
// Noise and grey

TEST(ToneNoise, OneDrawPerChannelInBlueGreenRedOrder)
{
    std::srand(2024);
    const int draws[4] = {std::rand(), std::rand(), std::rand(), std::rand()};
    std::srand(2024);
    unsigned char px[4] = {100, 0, 250, 9};
    NoiseEx(px, 20);
    EXPECT_EQ(std::rand(), draws[3]);  // exactly three draws
    const unsigned char start[3] = {100, 0, 250};
    for (int c = 0; c < 3; ++c) {
        const int n = static_cast<int>((static_cast<float>(draws[c]) * 4.656613e-10 - 0.5) * 20);
        const int v = start[c] + n;
        EXPECT_EQ(px[c], v < 0 ? 0 : (v > 255 ? 255 : v)) << "channel " << c;
    }
    EXPECT_EQ(px[3], 9);
}

TEST(ToneNoise, BoundedAndTwinsAgree)
{
    Picture a = testpic::noise(50, 40, 6, false);
    Picture b = a;
    const Picture before = a;
    std::srand(7);
    for (int i = 0; i < a.width * a.height; ++i)
        NoiseEx(a.data() + i * 4, 20);
    std::srand(7);
    for (int i = 0; i < b.width * b.height; ++i)
        NoiseExNew(b.data() + i * 4, 20);
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_TRUE(sameAlpha(a, before));
    for (std::size_t i = 0; i < a.bytes.size(); ++i)
        ASSERT_LE(std::abs(a.bytes[i] - before.bytes[i]), 10) << "at most half the amount";

    Picture c = before;
    for (int i = 0; i < c.width * c.height; ++i)
        NoiseEx(c.data() + i * 4, 0);
    EXPECT_EQ(c.bytes, before.bytes);
}

TEST(ToneGrey, WeightsAndTwins)
{
    unsigned char grey = 0;
    unsigned char white[4] = {255, 255, 255, 3};
    SetGrayScaleExNew(white, grey);
    EXPECT_EQ(grey, 255);  // 1024 x 255 >> 10
    unsigned char blue[4] = {255, 0, 0, 3};
    SetGrayScaleExNew(blue, grey);
    EXPECT_EQ(grey, 29);  // 117 x 255 >> 10
    EXPECT_EQ(blue[0], 255);
    EXPECT_EQ(blue[1], 0);
    SetGrayScaleEx(white);
    EXPECT_EQ(white[0], 255);
    EXPECT_EQ(white[3], 3);

    Picture cube = testpic::rgbCube(26);
    for (std::size_t i = 0; i < cube.bytes.size(); i += 4) {
        unsigned char *px = cube.data() + i;
        unsigned char g;
        SetGrayScaleExNew(px, g);
        px[3] = 77;
        SetGrayScaleEx(px);
        ASSERT_EQ(px[0], g);
        ASSERT_EQ(px[1], g);
        ASSERT_EQ(px[2], g);
        ASSERT_EQ(px[3], 77);
    }
}

// ---------------------------------------------------------------------------
// Layout helpers

TEST(ToneLayout, PackedCopyAndRedSplit)
{
    const unsigned char src[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    unsigned char dst[10];
    std::memset(dst, 0xEE, sizeof dst);
    tfbitCopy(const_cast<unsigned char *>(src), dst, 3);
    const unsigned char want[10] = {1, 2, 3, 5, 6, 7, 9, 10, 11, 0xEE};
    EXPECT_EQ(0, std::memcmp(dst, want, sizeof want));
    tfbitCopy(const_cast<unsigned char *>(src), dst, 0);
    EXPECT_EQ(dst[0], 1);

    Picture p = testpic::withAlphaRamp(5, 3);
    const Picture before = p;
    SpliteToR(p.data(), 3, 4);  // 12 of the 15 pixels
    for (int i = 0; i < 15; ++i) {
        const unsigned char *px = p.data() + i * 4;
        const unsigned char *old = before.data() + i * 4;
        if (i < 12) {
            ASSERT_EQ(px[0], old[2]);
            ASSERT_EQ(px[1], old[2]);
        } else {
            ASSERT_EQ(0, std::memcmp(px, old, 4)) << "pixel " << i << " lies beyond rows x columns";
        }
        ASSERT_EQ(px[2], old[2]);
        ASSERT_EQ(px[3], old[3]);
    }
}

namespace {

unsigned char *newCopy(const Picture &p, int bpp = 4)
{
    const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
    unsigned char *buf = new unsigned char[n * bpp];
    for (std::size_t i = 0; i < n; ++i)
        std::memcpy(buf + i * bpp, p.bytes.data() + i * 4, bpp);
    return buf;
}

}  // namespace

TEST(ToneResample, TwoByTwoToFourByFour)
{
    const unsigned char px[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    unsigned char *buf = new unsigned char[16];
    std::memcpy(buf, px, 16);
    unsigned char *old = buf;
    Resample(4, 4, &buf, 2, 2);
    ASSERT_NE(buf, old);  // the old buffer is released, a new one stored
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(0, std::memcmp(buf + (y * 4 + x) * 4, px + ((y / 2) * 2 + x / 2) * 4, 4)) << x << "," << y;
    delete[] buf;
}

TEST(ToneResample, WholeFactorsRepeatEverySourcePixel)
{
    const Picture src = testpic::noise(7, 5, 17, false);
    for (int kx : {1, 2, 3, 5, 7})
        for (int ky : {2, 3, 4}) {
            unsigned char *buf = newCopy(src);
            const int w = 7 * kx, h = 5 * ky;
            Resample(w, h, &buf, 7, 5);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(0, std::memcmp(buf + (static_cast<std::size_t>(y) * w + x) * 4,
                                             src.bytes.data() + ((y / ky) * 7 + x / kx) * 4, 4))
                        << kx << "x" << ky << " at " << x << "," << y;
            delete[] buf;
        }
}

TEST(ToneResample, ShrinkingAndOddRatios)
{
    const Picture src = testpic::noise(4, 4, 3, false);
    unsigned char *buf = newCopy(src);
    Resample(2, 2, &buf, 4, 4);  // sources 0 and 2 in each direction
    const int picks[4][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(0, std::memcmp(buf + i * 4, src.bytes.data() + (picks[i][1] * 4 + picks[i][0]) * 4, 4));
    delete[] buf;

    // an odd enlargement still shows every source pixel at least once, in order
    const Picture row = testpic::noise(5, 1, 8, false);
    buf = newCopy(row);
    Resample(13, 1, &buf, 5, 1);
    int seen = 0;
    for (int x = 0; x < 13; ++x)
        if (std::memcmp(buf + x * 4, row.bytes.data() + seen * 4, 4) != 0) {
            ++seen;
            ASSERT_LT(seen, 5);
            ASSERT_EQ(0, std::memcmp(buf + x * 4, row.bytes.data() + seen * 4, 4)) << x;
        }
    EXPECT_EQ(seen, 4);
    delete[] buf;
}

TEST(ToneResample, NothingHappensForMatchingOrEmptySizes)
{
    const Picture src = testpic::noise(3, 3, 1, false);
    unsigned char *buf = newCopy(src);
    unsigned char *same = buf;
    Resample(3, 3, &buf, 3, 3);
    Resample(0, 6, &buf, 3, 3);
    Resample(6, 0, &buf, 3, 3);
    Resample(6, 6, &buf, 0, 3);
    Resample(-6, 6, &buf, 3, 3);
    RampleBit(3, 3, &buf, 3, 3, 4);
    RampleBit(6, 6, &buf, 3, 3, 0);
    EXPECT_EQ(buf, same);
    EXPECT_EQ(0, std::memcmp(buf, src.bytes.data(), src.bytes.size()));
    delete[] buf;

    Resample(6, 6, nullptr, 3, 3);
    unsigned char *none = nullptr;
    RampleBit(6, 6, &none, 3, 3, 1);
    EXPECT_EQ(none, nullptr);
}

TEST(ToneResample, AnyPixelSize)
{
    const Picture src = testpic::noise(6, 4, 12, false);
    for (int bpp : {1, 3}) {
        unsigned char *buf = newCopy(src, bpp);
        RampleBit(12, 8, &buf, 6, 4, bpp);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(0, std::memcmp(buf + (y * 12 + x) * bpp, src.bytes.data() + ((y / 2) * 6 + x / 2) * 4,
                                         bpp))
                    << bpp << " bytes at " << x << "," << y;
        delete[] buf;
    }
}

TEST(ToneGeometry, PointAgainstLine)
{
    int yLine = -1;
    EXPECT_TRUE(IsPtUpLine(0, 0, 10, 10, 5, 3, yLine));
    EXPECT_EQ(yLine, 5);
    EXPECT_FALSE(IsPtUpLine(0, 0, 10, 10, 5, 5, yLine));  // on the line is not above it
    EXPECT_FALSE(IsPtUpLine(0, 0, 10, 10, 5, 9, yLine));
    // -1/3 truncates toward zero: the line is at 0, not -1
    EXPECT_FALSE(IsPtUpLine(0, 0, 3, -1, 1, 0, yLine));
    EXPECT_EQ(yLine, 0);
    EXPECT_TRUE(IsPtUpLine(0, 0, 3, -1, 1, -1, yLine));
    // a vertical line has no height: y1 is stored and no point lies above it
    yLine = -1;
    EXPECT_FALSE(IsPtUpLine(4, 7, 4, 20, 4, -100, yLine));
    EXPECT_EQ(yLine, 7);
}
