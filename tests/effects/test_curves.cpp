// Tone curves: worked control values, the spans between the points, the lower
// clamp, composition and which channels each selector touches.

#include "curves.h"

#include "everyvalue.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using testpic::Picture;

// One Bezier span in y with the inner control values b1, b2 (as in the curve).
double span(int y0, int b1, int b2, int y3, double t)
{
    const double u = 1 - t;
    return std::pow(u, 3) * y0 + 3 * t * u * u * b1 + 3 * t * t * u * b2 + std::pow(t, 3) * y3;
}

std::vector<int> curveTable(std::vector<_POINT> points)
{
    SFCurve curve;
    unsigned char table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    curve.getBezierPoints(points.data(), static_cast<int>(points.size()), table);
    return std::vector<int>(table, table + 256);
}

// The table a channel holds, read back through ApplyCurve on byte b (0 = B, 1 = G, 2 = R).
std::vector<int> readTable(SFCurve &curve, int channel, int byte)
{
    Picture p{256, 1, std::vector<unsigned char>(256 * 4, 0)};
    for (int i = 0; i < 256; ++i)
        p.bytes[4 * i + byte] = static_cast<unsigned char>(i);
    curve.ApplyCurve(channel, p.data(), 256, 1);
    std::vector<int> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = p.bytes[4 * i + byte];
    return t;
}

TEST(Curve, IdentityPointsGiveTheIdentityWithinOneLevel)
{
    const std::vector<int> t = curveTable({{0, 0}, {255, 255}});
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
    for (int i = 0; i < 256; ++i)
        EXPECT_LE(std::abs(t[i] - i), 1) << i;
}

TEST(Curve, ThreePointsUseTheWorkedControlValue)
{
    // (0, 0), (128, 143), (255, 255): C1 = (6 * 143 - 0 - 255) >> 2 = 150 in y, so the
    // first span has b1 = 50, b2 = 100 and the second b1 = 185, b2 = 220.
    const std::vector<int> t = curveTable({{0, 0}, {128, 143}, {255, 255}});
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[128], 143);
    EXPECT_EQ(t[255], 255);
    EXPECT_EQ(t[64], static_cast<int>(span(0, 50, 100, 143, 0.5)));  // 74
    EXPECT_EQ(t[64], 74);
    EXPECT_EQ(t[192], static_cast<int>(span(143, 185, 220, 255, 64.0 / 127)));
    // A control value of 149 (b1 = 49, b2 = 99) would move the middle of the first span.
    EXPECT_NE(t[64], static_cast<int>(span(0, 49, 99, 143, 0.5)));
}

TEST(Curve, FourPointsSolveTheSplineSystem)
{
    // (0, 0), (83, 72), (163, 184), (255, 255): 4 C1 + C2 = 432, C1 + 4 C2 = 849 give
    // C1 = 58.6 and C2 = 197.6, truncated to 58 and 197.
    const std::vector<int> t = curveTable({{0, 0}, {83, 72}, {163, 184}, {255, 255}});
    EXPECT_EQ(t[83], 72);
    EXPECT_EQ(t[163], 184);
    EXPECT_EQ(t[41], static_cast<int>(span(0, 58 / 3, 116 / 3, 72, 41.0 / 83)));
    EXPECT_EQ(t[120], static_cast<int>(span(72, (116 + 197) / 3, (58 + 394) / 3, 184, 37.0 / 80)));
    EXPECT_EQ(t[200], static_cast<int>(span(184, (394 + 255) / 3, (197 + 510) / 3, 255, 37.0 / 92)));
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(t[i], t[i - 1]) << i;
}

TEST(Curve, ValuesBelowZeroAreClampedToZero)
{
    // (0, 0), (20, 0), (40, 255), (255, 255): C1 = -85, so the first span dips
    // below zero (b1 = -28, b2 = -56) and its entries must hold 0, not wrap around.
    ASSERT_LT(span(0, -28, -56, 0, 0.5), -1);
    const std::vector<int> t = curveTable({{0, 0}, {20, 0}, {40, 255}, {255, 255}});
    for (int i = 0; i <= 20; ++i)
        EXPECT_EQ(t[i], 0) << i;
    EXPECT_EQ(t[40], 255);
    for (int i = 40; i < 256; ++i)
        EXPECT_EQ(t[i], 255) << "values above 255 are clamped too, " << i;
}

TEST(Curve, EndsHoldTheEndPoints)
{
    const std::vector<int> t = curveTable({{30, 40}, {200, 210}});
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(t[i], 40);
    for (int i = 200; i < 256; ++i)
        EXPECT_EQ(t[i], 210);
    EXPECT_EQ(curveTable({{100, 77}}), std::vector<int>(256, 77));
}

TEST(Curve, PointsOutsideTheTableNeverWriteOutsideIt)
{
    SFCurve curve;
    std::vector<unsigned char> guarded(256 + 64, 0xEE);
    unsigned char *table = guarded.data() + 32;
    _POINT wild[3] = {{-40, 10}, {300, 500}, {120, -9}};
    curve.getBezierPoints(wild, 3, table);
    _POINT backwards[3] = {{250, 0}, {10, 255}, {5, 3}};
    curve.getBezierPoints(backwards, 3, table);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(guarded[i], 0xEE);
        EXPECT_EQ(guarded[32 + 256 + i], 0xEE);
    }
}

// Points at the ends of the int range: no overflow (the sanitizer build
// checks), no span walked step by step across billions of columns, nothing
// written outside the table, and a table that still follows the points
// where they lie in it.
TEST(Curve, PointsAtTheEndsOfTheIntRangeFinishAndStayInTheTable)
{
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const std::vector<std::vector<_POINT>> sets = {
        {{lo, 5}, {128, 300}, {hi, -7}},
        {{lo, lo}, {0, hi}, {hi, lo}},
        {{-2000000000, 0}, {10, 10}, {200, 200}, {2000000000, 255}},
        {{hi, hi}, {lo, lo}},
        {{0, 0}, {64, hi}, {128, lo}, {192, hi}, {255, 255}},
    };
    for (const auto &points : sets) {
        SFCurve curve;
        std::vector<unsigned char> guarded(256 + 64, 0xEE);
        unsigned char *table = guarded.data() + 32;
        std::vector<_POINT> p = points;
        curve.getBezierPoints(p.data(), int(p.size()), table);
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(guarded[i], 0xEE);
            EXPECT_EQ(guarded[32 + 256 + i], 0xEE);
        }
    }
    // The first set's span from 128 on runs towards a point far to the right:
    // the table keeps 255 there only where the curve stays above the table.
    SFCurve curve;
    unsigned char table[256];
    _POINT p[3] = {{lo, 5}, {128, 300}, {hi, -7}};
    curve.getBezierPoints(p, 3, table);
    EXPECT_EQ(table[128], 255);
}

TEST(Curve, SuperpositionAppliesTheNewCurveAfterTheOld)
{
    _POINT bao[3] = {{0, 0}, {128, 143}, {255, 255}};
    _POINT identity[2] = {{0, 0}, {255, 255}};
    _POINT dark[3] = {{0, 0}, {128, 100}, {255, 255}};

    SFCurve curve;
    curve.GetCurveByPoints(bao, 3, CHANNEL_COMPOSITE);
    const std::vector<int> before = readTable(curve, CHANNEL_COMPOSITE, 1);
    curve.GetCurveSuperpositionByPoints(identity, 2, CHANNEL_COMPOSITE);
    const std::vector<int> withIdentity = readTable(curve, CHANNEL_COMPOSITE, 1);
    // The identity points give a table within one level of the identity (the
    // spans are evaluated in floating point and truncated), so composing with it
    // leaves every entry within one level, never higher.
    const std::vector<int> id = curveTable({{0, 0}, {255, 255}});
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(withIdentity[i], id[before[i]]) << i;
        EXPECT_LE(withIdentity[i], before[i]) << i;
        EXPECT_GE(withIdentity[i], before[i] - 1) << i;
    }

    SFCurve composed;
    composed.GetCurveByPoints(bao, 3, CHANNEL_RED);
    composed.GetCurveSuperpositionByPoints(dark, 3, CHANNEL_RED);
    const std::vector<int> first = curveTable({bao[0], bao[1], bao[2]});
    const std::vector<int> second = curveTable({dark[0], dark[1], dark[2]});
    const std::vector<int> red = readTable(composed, CHANNEL_RED, 2);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(red[i], second[first[i]]) << i;
}

TEST(Curve, EachSelectorTouchesItsChannelsOnly)
{
    _POINT up[3] = {{0, 0}, {100, 180}, {255, 255}};
    const std::vector<int> t = curveTable({up[0], up[1], up[2]});
    SFCurve curve;
    for (int ch = CHANNEL_SPARE; ch <= CHANNEL_COMPOSITE; ++ch)
        curve.GetCurveByPoints(up, 3, ch);
    const Picture in = effecttest::everyValue();
    // Byte changed by each selector: R is byte 2, G byte 1, B byte 0.
    const std::vector<std::vector<int>> touched = {{}, {2}, {1}, {0}, {0, 1, 2}, {0, 1, 2}, {}};
    for (int selector = 0; selector <= 6; ++selector) {
        Picture p = in;
        curve.ApplyCurve(selector, p.data(), 256, 1);
        for (int i = 0; i < 256; ++i)
            for (int b = 0; b < 4; ++b) {
                const bool changes = std::find(touched[selector].begin(), touched[selector].end(), b) !=
                                     touched[selector].end();
                const int v = in.bytes[4 * i + b];
                ASSERT_EQ(p.bytes[4 * i + b], changes ? t[v] : v) << "selector " << selector << " byte " << b;
            }
    }
}

TEST(Curve, ResetAndRelease)
{
    _POINT up[3] = {{0, 0}, {100, 180}, {255, 255}};
    SFCurve curve;
    curve.GetCurveByPoints(up, 3, CHANNEL_GREEN);
    curve.Reset();
    std::vector<int> identity(256);
    for (int i = 0; i < 256; ++i)
        identity[i] = i;
    EXPECT_EQ(readTable(curve, CHANNEL_GREEN, 1), identity);

    curve.Release();
    curve.Release();  // twice is safe
    // After Release nothing is applied or built (and nothing crashes).
    const Picture in = effecttest::everyValue();
    Picture p = in;
    curve.GetCurveByPoints(up, 3, CHANNEL_COMPOSITE);
    curve.ApplyCurve(CHANNEL_COMPOSITE, p.data(), 256, 1);
    curve.Reset();
    EXPECT_EQ(testpic::describeDifference(in, p), "");
}

TEST(Curve, UnknownChannelsBuildNothing)
{
    _POINT up[3] = {{0, 0}, {100, 180}, {255, 255}};
    SFCurve curve;
    curve.GetCurveByPoints(up, 3, 5);
    curve.GetCurveByPoints(up, 3, -1);
    curve.GetCurveSuperpositionByPoints(up, 3, 9);
    const Picture in = effecttest::everyValue();
    Picture p = in;
    curve.ApplyCurve(CHANNEL_RGB, p.data(), 256, 1);
    EXPECT_EQ(testpic::describeDifference(in, p), "");
}

}  // namespace
