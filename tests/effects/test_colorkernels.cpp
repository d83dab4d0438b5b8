// The whole-pixel colour steps that run several pixels at a time, held
// against the plain per-pixel functions: every one of the 2^24 colours where
// the step is a function of the colour alone, large samples elsewhere, each
// vector width the processor runs, odd pixel counts for the last pixels.

#include "blendmodes.h"
#include "colorkernels_bao.h"
#include "colorkernels_hsb.h"
#include "colorkernels_hsl.h"
#include "colorkernels_masks.h"
#include "colorspace.h"
#include "simd.h"
#include "stylefilters.h"
#include "tonesteps.h"
#include "tonetables.h"

#include "testpictures.h"

#include "test_baocolor_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testpic::Picture;

constexpr std::size_t kColours = std::size_t(1) << 24;

// Every colour once, in a 4096 x 4096 picture, with a byte 3 that varies.
Picture allColours()
{
    Picture p;
    p.width = p.height = 4096;
    p.bytes.resize(kColours * 4);
    for (std::size_t i = 0; i < kColours; ++i) {
        p.bytes[4 * i] = static_cast<unsigned char>(i);
        p.bytes[4 * i + 1] = static_cast<unsigned char>(i >> 8);
        p.bytes[4 * i + 2] = static_cast<unsigned char>(i >> 16);
        p.bytes[4 * i + 3] = static_cast<unsigned char>(i * 37 >> 3);
    }
    return p;
}

const Picture &colours()
{
    static const Picture p = allColours();
    return p;
}

// n pixels from a fixed-seed generator, layer pictures for the two-operand steps.
Picture pixels(std::size_t n, std::uint32_t seed)
{
    Picture p = testpic::noise(static_cast<int>(n), 1, seed, false);
    return p;
}

// Saturateconst(.., amount, 1) one pixel at a time through the exported conversions.
void plainSaturateHsl(Picture &p, int amount)
{
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        unsigned char *px = p.data() + i;
        unsigned char h, s, l;
        RGBtoHSL(px[2], px[1], px[0], h, s, l);
        const long long t = static_cast<long long>(s) + amount;
        const unsigned char s2 = static_cast<unsigned char>(t < 0 ? 0 : (t > 255 ? 255 : t));
        HSLtoRGB(h, s2, l, px[2], px[1], px[0]);
    }
}

// The kernel widths the processor runs (and the vector switch allows).
struct Width {
    const char *name;
    int lanes;
};

std::vector<Width> widths()
{
    std::vector<Width> w;
#ifdef QVFX_HAVE_COLOR_KERNELS
    if (qvfx::simd::level() >= qvfx::simd::kAvx512)
        w.push_back({"AVX-512", 16});
    if (qvfx::simd::level() >= qvfx::simd::kAvx2)
        w.push_back({"AVX2", 8});
#endif
    return w;
}

#ifdef QVFX_HAVE_COLOR_KERNELS
void kernelSaturate(const Width &w, Picture &p, int amount)
{
    const std::size_t blocks = p.bytes.size() / 4 / static_cast<std::size_t>(w.lanes);
    if (w.lanes == 16)
        qvfx::ck::SaturateHslAvx512(p.data(), blocks, amount);
    else
        qvfx::ck::SaturateHslAvx2(p.data(), blocks, amount);
}

void kernelColorHsb(const Width &w, Picture &base, const Picture &layer, double opacity)
{
    const std::size_t blocks = base.bytes.size() / 4 / static_cast<std::size_t>(w.lanes);
    if (w.lanes == 16)
        qvfx::ck::ColorHsbAvx512(base.data(), layer.data(), blocks, opacity);
    else
        qvfx::ck::ColorHsbAvx2(base.data(), layer.data(), blocks, opacity);
}
#endif

std::string same(const Picture &expected, const Picture &actual)
{
    return testpic::describeDifference(expected, actual);
}

// --- HSL saturation ---------------------------------------------------------------

TEST(ColorKernels, HslSaturationMatchesThePlainStepForEveryColour)
{
    Picture expected = colours();
    plainSaturateHsl(expected, -35);

    Picture whole = colours();
    Saturateconst(whole.data(), whole.width, whole.height, -35, 1);
    EXPECT_EQ(same(expected, whole), "") << "Saturateconst";
#ifdef QVFX_HAVE_COLOR_KERNELS
    for (const Width &w : widths()) {
        Picture got = colours();
        kernelSaturate(w, got, -35);
        EXPECT_EQ(same(expected, got), "") << w.name;
    }
#endif
}

TEST(ColorKernels, HslSaturationAtOtherAmountsAndOddSizes)
{
    // every 7th colour (a 2.4-megapixel sample reaching all hues and lightnesses)
    Picture sample;
    sample.width = static_cast<int>(kColours / 7);
    sample.height = 1;
    sample.bytes.resize(static_cast<std::size_t>(sample.width) * 4);
    for (int i = 0; i < sample.width; ++i)
        std::memcpy(sample.data() + 4 * i, colours().data() + 28 * static_cast<std::size_t>(i), 4);

    // the table clamps; amounts beyond +-255 must act as +-255
    for (int amount : {-100000, -256, -255, -100, -30, -1, 0, 1, 15, 100, 254, 255, 300, 2147483647}) {
        Picture expected = sample;
        plainSaturateHsl(expected, amount);
        Picture got = sample;
        Saturateconst(got.data(), got.width, got.height, amount, 1);
        EXPECT_EQ(same(expected, got), "") << "amount " << amount;
    }
    // pixel counts that leave 1 to 15 pixels after the last whole block
    for (int width : {1, 5, 15, 17, 31, 33, 100}) {
        Picture expected = testpic::noise(width, 3, 900u + width, false);
        Picture got = expected;
        plainSaturateHsl(expected, 40);
        Saturateconst(got.data(), got.width, got.height, 40, 1);
        EXPECT_EQ(same(expected, got), "") << "width " << width;
    }
}

// --- HSB colour blend --------------------------------------------------------------------

TEST(ColorKernels, HsbColourBlendOverTheTiltLooksColours)
{
    // StyleYiZhou blends each toned colour with the colour before toning: a
    // function of one colour, so every colour is tried.
    const ToneTables &tone = GetToneTables(ToneLook::YiZhou);
    Picture toned = colours();
    for (std::size_t i = 0; i < toned.bytes.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            toned.bytes[i + c] = tone.red[toned.bytes[i + c]];
    Picture expected = toned;
    for (std::size_t i = 0; i < expected.bytes.size(); i += 4)
        ColorHSBEx(expected.data() + i, const_cast<unsigned char *>(colours().data() + i), 0.6);
#ifdef QVFX_HAVE_COLOR_KERNELS
    for (const Width &w : widths()) {
        Picture got = toned;
        kernelColorHsb(w, got, colours(), 0.6);
        EXPECT_EQ(same(expected, got), "") << w.name;
    }
#endif
}

TEST(ColorKernels, HsbColourBlendOverUnrelatedPairsAndOpacities)
{
    const std::size_t n = std::size_t(1) << 20;
    const Picture base = pixels(n, 11), layer = pixels(n, 12);
    // grey layers and layers with two channels at the maximum take other branches
    Picture edgy = layer;
    for (std::size_t i = 0; i < n; i += 5) {
        unsigned char *px = edgy.data() + 4 * i;
        px[(i / 5) % 3] = px[(i / 5 + 1) % 3];
        if (i % 3 == 0)
            px[0] = px[1] = px[2];
    }
    for (double opacity : {0.0, 0.25, 0.6, 1.0, 1.5, -0.5}) {
        Picture expected = base;
        for (std::size_t i = 0; i < n; ++i)
            ColorHSBEx(expected.data() + 4 * i, const_cast<unsigned char *>(edgy.data() + 4 * i), opacity);
#ifdef QVFX_HAVE_COLOR_KERNELS
        for (const Width &w : widths()) {
            Picture got = base;
            kernelColorHsb(w, got, edgy, opacity);
            EXPECT_EQ(same(expected, got), "") << w.name << ", opacity " << opacity;
        }
#endif
    }
}

// --- looks built on them ------------------------------------------------------------------------

TEST(ColorKernels, HeiBaiMatchesColorExAndItsTablesForEveryColour)
{
    const ToneTables &tone = GetToneTables(ToneLook::HeiBai);
    unsigned char colour[4] = {56, 47, 47, 0};
    Picture expected = colours();
    for (std::size_t i = 0; i < expected.bytes.size(); i += 4) {
        unsigned char *px = expected.data() + i;
        ColorEx(px, colour, 0.8);
        px[0] = tone.blue[px[0]];
        px[1] = tone.green[px[1]];
        px[2] = tone.red[px[2]];
    }
    Picture got = colours();
    StyleHeiBai(got.data(), got.width, got.height);
    EXPECT_EQ(same(expected, got), "");
}

#ifdef QVFX_HAVE_COLOR_KERNELS
// The tilt look's last step written out per pixel, in single precision as the
// look defines it (contraction is off for this function, as in the library).
#pragma GCC push_options
#pragma GCC optimize("fp-contract=off")
void plainTiltMix(unsigned char *px, const unsigned char *tp, unsigned char band, unsigned char shade)
{
    const float a = static_cast<float>(band) / 255;
    const float b = static_cast<float>(shade) / 255;
    for (int c = 0; c < 3; ++c) {
        const int mixed = static_cast<int>(tp[c] * a + px[c] * (1 - a));
        px[c] = static_cast<unsigned char>(static_cast<int>(mixed * b));
    }
}
#pragma GCC pop_options

TEST(ColorKernels, TiltMixMatchesThePlainFormulaForEveryByteCombination)
{
    // each channel depends on (toned, blurred, band, shade): all 2^16 channel
    // pairs, each under 64 mask pairs that run through every band and shade value
    const std::size_t n = std::size_t(1) << 16;
    Picture image, toned;
    image.width = toned.width = static_cast<int>(n);
    image.height = toned.height = 1;
    image.bytes.resize(n * 4);
    toned.bytes.resize(n * 4);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char a = static_cast<unsigned char>(i), b = static_cast<unsigned char>(i >> 8);
        const unsigned char px[4] = {a, b, static_cast<unsigned char>(a ^ b), static_cast<unsigned char>(i)};
        const unsigned char tp[4] = {b, a, static_cast<unsigned char>(a + b), 9};
        std::memcpy(image.data() + 4 * i, px, 4);
        std::memcpy(toned.data() + 4 * i, tp, 4);
    }
    std::vector<unsigned char> band(n), shade(n);
    for (int round = 0; round < 64; ++round) {
        for (std::size_t i = 0; i < n; ++i) {
            band[i] = static_cast<unsigned char>(i * 7 + round * 4);
            shade[i] = static_cast<unsigned char>(i * 13 + round * 4 + 1);
        }
        Picture expected = image;
        for (std::size_t i = 0; i < n; ++i)
            plainTiltMix(expected.data() + 4 * i, toned.data() + 4 * i, band[i], shade[i]);
        for (const Width &w : widths()) {
            Picture got = image;
            if (w.lanes == 16)
                qvfx::ck::TiltMixAvx512(got.data(), toned.data(), band.data(), shade.data(), n / 16);
            else
                qvfx::ck::TiltMixAvx2(got.data(), toned.data(), band.data(), shade.data(), n / 8);
            ASSERT_EQ(same(expected, got), "") << w.name << ", round " << round;
        }
    }
}
#endif

using baoref::plainBaoColorPixel;

std::size_t g_redone = 0;
void countAndRedo(unsigned char *px)
{
    ++g_redone;
    plainBaoColorPixel(px);
}

TEST(ColorKernels, BaoColorMatchesThePlainFormulaForEveryColour)
{
    Picture expected = colours();
    for (std::size_t i = 0; i < expected.bytes.size(); i += 4)
        plainBaoColorPixel(expected.data() + i);

    Picture whole = colours();
    ABaoColor(whole.data(), whole.width, whole.height);
    EXPECT_EQ(same(expected, whole), "") << "ABaoColor";
#ifdef QVFX_HAVE_COLOR_KERNELS
    for (const Width &w : widths()) {
        Picture got = colours();
        g_redone = 0;
        if (w.lanes == 16)
            qvfx::ck::BaoColorAvx512(got.data(), kColours / 8, countAndRedo);  // eight pixels a block
        else
            qvfx::ck::BaoColorAvx2(got.data(), kColours / 4, countAndRedo);
        EXPECT_EQ(same(expected, got), "") << w.name;
        // the exact form is the exception (black and channels within 1e-7 of a step)
        EXPECT_GE(g_redone, 1u) << w.name;
        EXPECT_LT(g_redone, kColours / 10000) << w.name;
    }
#endif
    // odd pixel counts: the last pixels after the whole blocks
    for (int width : {1, 3, 7, 9, 13}) {
        Picture p = testpic::noise(width, 2, 70u + width, false);
        Picture q = p;
        ABaoColor(p.data(), p.width, p.height);
        for (std::size_t i = 0; i < q.bytes.size(); i += 4)
            plainBaoColorPixel(q.data() + i);
        EXPECT_EQ(same(q, p), "") << "width " << width;
    }
}

TEST(ColorKernels, SoftLightByAlphaMatchesSoftLightExForEveryTriple)
{
    // a channel's result depends on (base, layer, layer alpha): all 2^24
    // triples, one a pixel, the other two channels shifted so they differ
    Picture base = colours(), layer = colours();
    for (std::size_t i = 0; i < kColours; ++i) {
        const unsigned char a = static_cast<unsigned char>(i), b = static_cast<unsigned char>(i >> 8);
        const unsigned char pb[4] = {a, static_cast<unsigned char>(a + 85), static_cast<unsigned char>(a + 170), 3};
        const unsigned char pl[4] = {b, static_cast<unsigned char>(b * 3), static_cast<unsigned char>(255 - b),
                                     static_cast<unsigned char>(i >> 16)};
        std::memcpy(base.data() + 4 * i, pb, 4);
        std::memcpy(layer.data() + 4 * i, pl, 4);
    }
    Picture expected = base;
    for (std::size_t i = 0; i < kColours; ++i) {
        unsigned char *m = layer.data() + 4 * i;
        SoftLightEx(expected.data() + 4 * i, m, static_cast<float>(m[3]) * 0.7f / 255.0f);
    }
#ifdef QVFX_HAVE_COLOR_KERNELS
    for (const Width &w : widths()) {
        Picture got = base;
        if (w.lanes == 16)
            qvfx::ck::SoftLightByAlphaAvx512(got.data(), layer.data(), kColours / 16, 0.7f);
        else
            qvfx::ck::SoftLightByAlphaAvx2(got.data(), layer.data(), kColours / 8, 0.7f);
        EXPECT_EQ(same(expected, got), "") << w.name;
    }
#endif
    // StyleReverse: its tables, then this blend, with a tail after the last block
    const ToneTables &tone = GetToneTables(ToneLook::Reverse);
    Picture image = testpic::noise(1001, 7, 5, false), mask = testpic::noise(1001, 7, 6, false);
    Picture want = image;
    for (std::size_t i = 0; i < want.bytes.size(); i += 4) {
        unsigned char *px = want.data() + i;
        px[0] = tone.blue[px[0]];
        px[1] = tone.green[px[1]];
        px[2] = tone.red[px[2]];
        SoftLightEx(px, mask.data() + i, static_cast<float>(mask.bytes[i + 3]) * 0.7f / 255.0f);
    }
    StyleReverse(image.data(), mask.data(), image.width, image.height);
    EXPECT_EQ(same(want, image), "") << "StyleReverse";
}

TEST(ColorKernels, StretchedMasksRepeatTheirNearestSourceBytes)
{
    // RampleBit copies a row that has the same source row as the one above it
    // and picks single bytes directly; both must match nearest-neighbour picking.
    for (int bpp : {1, 3, 4}) {
        const int ow = 37, oh = 23, nw = 101, nh = 67;
        std::vector<unsigned char> source(static_cast<std::size_t>(ow) * oh * bpp);
        for (std::size_t i = 0; i < source.size(); ++i)
            source[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
        unsigned char *buf = new unsigned char[source.size()];
        std::memcpy(buf, source.data(), source.size());
        RampleBit(nw, nh, &buf, ow, oh, bpp);
        const float xr = static_cast<float>(ow) / nw, yr = static_cast<float>(oh) / nh;
        std::size_t wrong = 0;
        for (int y = 0; y < nh; ++y)
            for (int x = 0; x < nw; ++x) {
                const int sx = static_cast<int>(static_cast<float>(x) * xr);
                const int sy = static_cast<int>(static_cast<float>(y) * yr);
                wrong += std::memcmp(buf + (static_cast<std::size_t>(y) * nw + x) * bpp,
                                     source.data() + (static_cast<std::size_t>(sy) * ow + sx) * bpp, bpp) != 0;
            }
        delete[] buf;
        EXPECT_EQ(wrong, 0u) << bpp << " bytes a pixel";
    }
}

}  // namespace

// --- the processor-feature switch ---------------------------------------------------------

// The environment caps every form (the CI runs this suite under "off" and
// "avx2"); a cap set in the process narrows further and never widens.
TEST(SimdSwitch, CapsNarrowAndNeverWiden)
{
    using namespace qvfx::simd;
    const Level widest = level();
    const char *env = std::getenv("QTQVEFFECT_SIMD");
    if (env && std::string(env) == "off") {
        EXPECT_EQ(widest, kPlain);
    } else if (env && std::string(env) == "avx2") {
        EXPECT_LE(widest, kAvx2);
    }
    const Level before = setCap(kPlain);
    EXPECT_EQ(level(), kPlain);
    EXPECT_FALSE(vbmi());
    setCap(kAvx2);
    EXPECT_EQ(level(), widest < kAvx2 ? widest : kAvx2);
    EXPECT_FALSE(vbmi());
    setCap(kAvx512);
    EXPECT_EQ(level(), widest);
    setCap(before);
}
