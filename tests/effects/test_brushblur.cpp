// The brush blur and its coefficient builders, the zoom blur and the B-spline kernel.

#include "brushblur.h"
#include "curves.h"

#include "test_gaussianblur_reference.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using testpic::Picture;

struct Set {
    double c[5], a[5], dc[5], da[5], ec[5], ea[5];
};

using Builder = void (*)(double *, double *, double *, double *, double *, double *, double);

Set build(Builder f, double sigma)
{
    Set s;
    std::memset(&s, 0x55, sizeof s);
    f(s.c, s.a, s.dc, s.da, s.ec, s.ea, sigma);
    return s;
}

bool sameBits(const Set &x, const Set &y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

TEST(BrushCoefficients, FindConstantsFitsAGaussianOfThatSigma)
{
    // The recursion's response to a unit impulse, in double precision: its sum
    // (measured 1.00014 to 1.00029) and standard deviation (within 0.25 %).
    for (double sigma : {0.9, 2.0, 3.1, 12.0, 80.0}) {
        const Set k = build(find_constants, sigma);
        const int n = 2001, centre = 1000;
        std::vector<double> causal(n), antiCausal(n);
        auto impulse = [&](int i) { return i == centre ? 1.0 : 0.0; };
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= 4 && j <= i; ++j)
                causal[i] += k.c[j] * impulse(i - j) - (j ? k.dc[j] * causal[i - j] : 0);
        for (int i = n - 1; i >= 0; --i)
            for (int j = 0; j <= 4 && i + j < n; ++j)
                antiCausal[i] += k.a[j] * impulse(i + j) - (j ? k.da[j] * antiCausal[i + j] : 0);
        double sum = 0, secondMoment = 0;
        for (int i = 0; i < n; ++i) {
            const double y = causal[i] + antiCausal[i];
            sum += y;
            secondMoment += y * (i - centre) * (i - centre);
        }
        EXPECT_NEAR(sum, 1.0, 5e-4) << "sigma " << sigma;
        EXPECT_NEAR(std::sqrt(secondMoment / sum), sigma, 0.0025 * sigma) << "sigma " << sigma;
    }
}

TEST(BrushCoefficients, FixedSetsAreThoseOfSigma2And12AndIgnoreTheirArgument)
{
    for (double ignored : {0.0, 2.0, 12.0, -7.5, 1e9}) {
        EXPECT_TRUE(sameBits(build(find_constants_2, ignored), build(find_constants, 2.0)));
        EXPECT_TRUE(sameBits(build(find_constants_12, ignored), build(find_constants, 12.0)));
    }
}

TEST(BrushCoefficients, NoWidthIsTheIdentity)
{
    const Set s = build(find_constants, 0.0);
    gaussref::Coefficients k;
    std::memcpy(&k, &s, sizeof k);
    const Picture p = testpic::noise(23, 1, 4);
    Picture q = p;
    gaussref::FilterLine(q.data(), 23, 4, 3, k);
    EXPECT_EQ(testpic::describeDifference(p, q), "");
}

// Rows with the x radius, then columns with the y radius, through the reference recursion.
Picture referenceBrush(Picture p, int rx, int ry)
{
    auto coefficients = [](int r) {
        const double rr = std::max(r, 2);
        return gaussref::Build(std::sqrt((rr + 1) * (rr + 1) / 11.082531490321692));
    };
    gaussref::FilterPicture(p.data(), p.width, p.height, 4, true, coefficients(rx));
    gaussref::FilterPicture(p.data(), p.width, p.height, 4, false, coefficients(ry));
    return p;
}

Picture brush(Picture p, int rx, int ry)
{
    GaussIIRBlurBrush(p.data(), p.width, p.height, rx, ry);
    return p;
}

TEST(BrushBlur, MatchesTheReferenceRecursion)
{
    uint32_t seed = 70;
    for (int w : {1, 2, 3, 10, 33})
        for (int h : {1, 2, 3, 17})
            for (auto [rx, ry] : {std::pair{2, 2}, std::pair{5, 1}, std::pair{0, 30}}) {
                const Picture p = testpic::noise(w, h, seed++, false);
                ASSERT_EQ(testpic::describeDifference(referenceBrush(p, rx, ry), brush(p, rx, ry)), "")
                    << w << " x " << h << " radii " << rx << ", " << ry;
            }
}

TEST(BrushBlur, RadiiBelowTwoAreTwoAndByteThreeStays)
{
    const Picture p = testpic::noise(30, 20, 12, false);
    const Picture two = brush(p, 2, 2);
    EXPECT_EQ(testpic::describeDifference(two, brush(p, 1, -5)), "");
    for (std::size_t i = 3; i < p.bytes.size(); i += 4)
        ASSERT_EQ(two.bytes[i], p.bytes[i]);
    // Null and empty pictures are refused quietly.
    GaussIIRBlurBrush(nullptr, 10, 10, 3, 3);
    unsigned char px[4] = {9, 8, 7, 6};
    GaussIIRBlurBrush(px, 0, 1, 3, 3);
    EXPECT_EQ(px[0] + px[1] + px[2] + px[3], 30);
}

TEST(BrushBlur, UniformPictureStaysUniformWithinTruncation)
{
    const Picture p = brush(testpic::uniform(13, 9, 0, 100, 255), 6, 4);
    for (int i = 0; i < 13 * 9; ++i) {
        ASSERT_EQ(p.bytes[4 * i], 0);
        ASSERT_GE(p.bytes[4 * i + 1], 98);
        ASSERT_LE(p.bytes[4 * i + 1], 100);
        ASSERT_GE(p.bytes[4 * i + 2], 253);
    }
}

// --- zoom blur ---------------------------------------------------------------------------------

Picture zoom(const Picture &image, const Picture &weight, unsigned char fill = 0)
{
    Picture out = testpic::uniform(image.width, image.height, fill, fill, fill, fill);
    RadiusZoomBlur(out.data(), image.data(), weight.data(), image.width, image.height);
    return out;
}

// The tone curve after the zoom, read through one-pixel pictures (the mean of
// 97 equal samples is the value itself).
std::vector<int> zoomTone()
{
    std::vector<int> tone(256);
    const Picture weight = testpic::uniform(1, 1, 255, 0, 0);
    for (int v = 0; v < 256; ++v) {
        const auto c = static_cast<unsigned char>(v);
        tone[v] = zoom(testpic::uniform(1, 1, c, c, c), weight).bytes[0];
    }
    return tone;
}

TEST(ZoomBlur, ToneCurveThroughItsFixedPoints)
{
    const std::vector<int> tone = zoomTone();
    EXPECT_EQ(tone[0], 0);
    EXPECT_EQ(tone[64], 29);
    EXPECT_EQ(tone[128], 127);
    EXPECT_EQ(tone[192], 228);
    EXPECT_EQ(tone[255], 255);
    for (int v = 1; v < 256; ++v)
        EXPECT_GE(tone[v], tone[v - 1]) << v;
    // Every entry is the library's tone curve through the five points.
    unsigned char curve[256];
    SFCurve c;
    _POINT points[5] = {{0, 0}, {64, 29}, {128, 127}, {192, 228}, {255, 255}};
    c.getBezierPoints(points, 5, curve);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(tone[v], curve[v]) << v;
}

TEST(ZoomBlur, MatchesTheStraightforwardSampling)
{
    const std::vector<int> tone = zoomTone();
    for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{17, 11}, std::pair{64, 40}}) {
        const Picture image = testpic::noise(w, h, 5 + w);
        const Picture weight = testpic::noise(w, h, 9 + h);
        const Picture out = zoom(image, weight);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int64_t ox = int64_t(x) * 65536 - int64_t(w) * 32768, oy = int64_t(y) * 65536 - int64_t(h) * 32768;
                int64_t total = 0, sum[3] = {0, 0, 0};
                for (int s = 0; s < 97; ++s) {
                    const int sx = static_cast<int>((ox + int64_t(w) * 32768 + 32768) >> 16);
                    const int sy = static_cast<int>((oy + int64_t(h) * 32768 + 32768) >> 16);
                    const int wt = weight.bytes[(static_cast<std::size_t>(sy) * w + sx) * 4];
                    total += wt;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += wt * image.bytes[(static_cast<std::size_t>(sy) * w + sx) * 4 + c];
                    ox -= ((ox >> 4) * 100) >> 10;
                    oy -= ((oy >> 4) * 100) >> 10;
                }
                const unsigned char *px = out.bytes.data() + (static_cast<std::size_t>(y) * w + x) * 4;
                ASSERT_EQ(px[3], total / 97) << x << ", " << y;
                for (int c = 0; c < 3 && total > 0; ++c)
                    ASSERT_EQ(px[c], tone[sum[c] / total]) << x << ", " << y << " byte " << c;
            }
    }
}

TEST(ZoomBlur, NoWeightWritesOnlyByteThree)
{
    const Picture image = testpic::noise(9, 7, 1);
    const Picture out = zoom(image, testpic::uniform(9, 7, 0, 200, 200), 77);
    for (int i = 0; i < 9 * 7; ++i) {
        ASSERT_EQ(out.bytes[4 * i], 77);
        ASSERT_EQ(out.bytes[4 * i + 2], 77);
        ASSERT_EQ(out.bytes[4 * i + 3], 0);
    }
}

TEST(ZoomBlur, TheCentreOfAnOddPictureSeesOnlyItself)
{
    Picture image = testpic::noise(21, 15, 3);
    image.at(10, 7)[0] = 64;
    const Picture out = zoom(image, testpic::noise(21, 15, 4));
    EXPECT_EQ(out.bytes[(7 * 21 + 10) * 4], 29);
}

TEST(KernelBSpline, WorkedValuesAndPartitionOfUnity)
{
    EXPECT_FLOAT_EQ(KernelBSpline(0.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(KernelBSpline(1.0f), 1.0f / 6.0f);
    EXPECT_FLOAT_EQ(KernelBSpline(2.0f), 0.0f);
    EXPECT_EQ(KernelBSpline(2.5f), 0.0f);
    EXPECT_FLOAT_EQ(KernelBSpline(-1.0f), 1.0f / 6.0f);
    // The shifted cubic B-splines sum to 1 at every point.
    for (float t : {0.1f, 0.25f, 0.5f, 0.9f}) {
        float sum = 0;
        for (int k = -2; k <= 2; ++k)
            sum += KernelBSpline(std::fabs(t - k));
        EXPECT_NEAR(sum, 1.0f, 1e-5f) << t;
    }
}

}  // namespace
