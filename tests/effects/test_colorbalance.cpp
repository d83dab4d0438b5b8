// Colour balance: neutral amounts, the preset tables against the general
// algorithm, lightness kept, and which pixels are changed.

#include "colorbalance.h"

#include "everyvalue.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using testpic::Picture;

Picture greyRamp()
{
    Picture p{256, 1, std::vector<unsigned char>(256 * 4, 255)};
    for (int i = 0; i < 256; ++i)
        p.bytes[4 * i] = p.bytes[4 * i + 1] = p.bytes[4 * i + 2] = static_cast<unsigned char>(i);
    return p;
}

using Balance = void (*)(bool, int, int, int, int, unsigned char *, int, int);

Picture balanced(Balance f, bool preserve, int region, int cr, int mg, int yb, Picture p)
{
    f(preserve, region, cr, mg, yb, p.data(), p.width, p.height);
    return p;
}

TEST(ColorBalance, ZeroAmountsChangeNothing)
{
    const Picture p = testpic::noise(33, 17, 2, false);
    for (int region : {TONE_SHADOWS, TONE_MIDTONES, TONE_HIGHLIGHTS})
        EXPECT_EQ(testpic::describeDifference(p, balanced(CColorBalance, false, region, 0, 0, 0, p)), "") << region;
    // A region outside the three moves nothing either.
    EXPECT_EQ(testpic::describeDifference(p, balanced(CColorBalance, false, 3, 40, 40, 40, p)), "");
    EXPECT_EQ(testpic::describeDifference(p, balanced(CColorBalance, false, -1, 40, 40, 40, p)), "");
}

TEST(ColorBalance, PresetTablesAreTheGeneralAlgorithmEntryByEntry)
{
    struct Preset {
        Balance f;
        int region, cr, mg, yb;
    };
    const Preset presets[] = {{CColorBalance_0_13_0_21, TONE_SHADOWS, 13, 0, 21},
                              {CColorBalance_1_2_0_8, TONE_MIDTONES, 2, 0, 8},
                              {CColorBalance_2_0_0_s13, TONE_HIGHLIGHTS, 0, 0, -13}};
    for (const Preset &s : presets)
        for (const Picture &p : {effecttest::everyValue(), greyRamp()}) {
            // The preset ignores the region and amounts it is given.
            const Picture preset = balanced(s.f, false, 2, -99, 99, 5, p);
            const Picture general = balanced(CColorBalance, false, s.region, s.cr, s.mg, s.yb, p);
            EXPECT_EQ(testpic::describeDifference(general, preset), "") << "region " << s.region;
        }
}

TEST(ColorBalance, PresetTablesAtTheirSampleLevels)
{
    const int at[5] = {0, 64, 128, 192, 255};
    auto sample = [&](Balance f, int byte) {
        const Picture q = balanced(f, false, 0, 0, 0, 0, greyRamp());
        std::vector<int> v;
        for (int i : at)
            v.push_back(q.bytes[4 * i + byte]);
        return v;
    };
    using V = std::vector<int>;
    EXPECT_EQ(sample(CColorBalance_0_13_0_21, 2), (V{0, 70, 136, 198, 255}));
    EXPECT_EQ(sample(CColorBalance_0_13_0_21, 0), (V{0, 74, 142, 202, 255}));
    EXPECT_EQ(sample(CColorBalance_1_2_0_8, 2), (V{0, 65, 129, 192, 255}));
    EXPECT_EQ(sample(CColorBalance_1_2_0_8, 0), (V{0, 68, 133, 195, 255}));
    EXPECT_EQ(sample(CColorBalance_2_0_0_s13, 0), (V{0, 58, 120, 186, 255}));
    // Green everywhere, and the red of the highlights preset, are the identity.
    for (Balance f : {CColorBalance_0_13_0_21, CColorBalance_1_2_0_8, CColorBalance_2_0_0_s13})
        EXPECT_EQ(sample(f, 1), (V{0, 64, 128, 192, 255}));
    EXPECT_EQ(sample(CColorBalance_2_0_0_s13, 2), (V{0, 64, 128, 192, 255}));
}

TEST(ColorBalance, EachRegionWeighsItsOwnLevels)
{
    // More red in the shadows lifts dark levels more than light ones; in the
    // highlights the other way round.
    const Picture shadows = balanced(CColorBalance, false, TONE_SHADOWS, 60, 0, 0, greyRamp());
    const Picture highlights = balanced(CColorBalance, false, TONE_HIGHLIGHTS, 60, 0, 0, greyRamp());
    EXPECT_GT(shadows.bytes[4 * 64 + 2] - 64, shadows.bytes[4 * 224 + 2] - 224);
    EXPECT_LT(highlights.bytes[4 * 16 + 2] - 16, highlights.bytes[4 * 128 + 2] - 128);
    // Only red moves.
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(shadows.bytes[4 * i], i);
        ASSERT_EQ(shadows.bytes[4 * i + 1], i);
        ASSERT_GE(shadows.bytes[4 * i + 2], i);
    }
}

// (max + min) of B, G, R: twice the HLS lightness.
int maxPlusMin(const unsigned char *px)
{
    return std::max({px[0], px[1], px[2]}) + std::min({px[0], px[1], px[2]});
}

TEST(ColorBalance, PreservingLuminosityKeepsTheLightness)
{
    const Picture p = testpic::rgbCube(16);
    const Balance all[] = {CColorBalance, CColorBalance_0_13_0_21, CColorBalance_1_2_0_8, CColorBalance_2_0_0_s13};
    for (Balance f : all) {
        const Picture plain = balanced(f, false, TONE_MIDTONES, 30, -20, 25, p);
        const Picture kept = balanced(f, true, TONE_MIDTONES, 30, -20, 25, p);
        int moved = 0;
        for (int i = 0; i < p.width * p.height; ++i) {
            const unsigned char *in = p.bytes.data() + 4 * i, *a = plain.bytes.data() + 4 * i,
                                *b = kept.bytes.data() + 4 * i;
            moved += maxPlusMin(a) != maxPlusMin(in);
            // Integer HLS rounds lightness and both conversions truncate: 3 levels of (max + min).
            ASSERT_LE(std::abs(maxPlusMin(b) - maxPlusMin(in)), 3) << "pixel " << i;
            ASSERT_EQ(b[3], in[3]);
        }
        EXPECT_GT(moved, 100) << "the balance itself changes the lightness";
    }
}

TEST(ColorBalance, ChangesOuterTimesInnerPixelsOnly)
{
    const Picture p = testpic::noise(10, 1, 6, false);
    Picture q = p;
    CColorBalance(false, TONE_MIDTONES, 50, 50, 50, q.data(), 3, 2);
    CColorBalance_1_2_0_8(false, 0, 0, 0, 0, q.data(), 2, 3);
    for (int i = 6; i < 10; ++i)
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(q.bytes[4 * i + b], p.bytes[4 * i + b]) << "pixel " << i;
    EXPECT_NE(testpic::describeDifference(p, q), "");
    CColorBalance(false, TONE_MIDTONES, 50, 50, 50, nullptr, 3, 2);
    CColorBalance(false, TONE_MIDTONES, 50, 50, 50, q.data(), -3, 2);
}

}  // namespace
