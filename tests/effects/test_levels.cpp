// Histogram counts and accessors, and automatic levels.

#include "levels.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testpic::Picture;

Picture fromPixels(const std::vector<std::vector<int>> &bgr)
{
    Picture p{static_cast<int>(bgr.size()), 1, {}};
    for (const auto &px : bgr)
        for (int b : {px[0], px[1], px[2], 255})
            p.bytes.push_back(static_cast<unsigned char>(b));
    return p;
}

TEST(Histogram, CountsEachChannelAndTheGreyLevel)
{
    // Grey of (B 10, G 20, R 30) = (30 * 30 + 59 * 20 + 11 * 10) / 100 = 21.
    const Picture p = fromPixels({{10, 20, 30}, {10, 20, 30}, {0, 0, 255}, {255, 255, 255}});
    const CHistogram h(p.data(), 4, 1);
    EXPECT_EQ(h.GetPixelNumber(), 4);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_BLUE, 10), 2);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_GREEN, 20), 2);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_RED, 30), 2);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_RED, 255), 2);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_GRAY, 21), 2);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_GRAY, 76), 1);  // pure red: 30 * 255 / 100
    EXPECT_EQ(h.GetChannelHistogram(7, 255), 1);                  // any other selector is grey
    EXPECT_EQ(h.GetValueCount(30, IMAGE_CHANNEL_RED), 2);         // value first, then channel
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_RED, 256), 0);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_RED, -1), 0);
    EXPECT_EQ(h.GetCount(IMAGE_CHANNEL_BLUE), 4);
    EXPECT_EQ(h.GetMaxCount(IMAGE_CHANNEL_BLUE), 2);
}

TEST(Histogram, RangeAverageAndClampedLimits)
{
    // Every value once in each channel.
    Picture p{256, 1, std::vector<unsigned char>(256 * 4)};
    for (int i = 0; i < 256; ++i)
        p.bytes[4 * i] = p.bytes[4 * i + 1] = p.bytes[4 * i + 2] = static_cast<unsigned char>(i);
    CHistogram h(p.data(), 256, 1);
    EXPECT_EQ(h.GetStart(), 0);
    EXPECT_EQ(h.GetEnd(), 255);
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_GREEN), 127);  // int(127.5)
    h.SetStart(300);
    EXPECT_EQ(h.GetStart(), 255);
    EXPECT_EQ(h.GetCount(IMAGE_CHANNEL_RED), 1);  // value 255 only
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_RED), 255);
    h.SetStart(10);
    h.SetEnd(19);
    EXPECT_EQ(h.GetCount(IMAGE_CHANNEL_RED), 10);
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_RED), 14);  // int(14.5)
    h.SetEnd(-4);
    EXPECT_EQ(h.GetEnd(), 0);
    EXPECT_EQ(h.GetCount(IMAGE_CHANNEL_RED), 0);  // start above end: empty
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_RED), 0);
    EXPECT_EQ(h.GetMaxCount(IMAGE_CHANNEL_RED), 0);
}

TEST(Histogram, BlackPictureAndRecount)
{
    const Picture black = testpic::uniform(8, 8, 0, 0, 0);
    CHistogram h(black.data(), 8, 8);
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_GRAY), 0);
    EXPECT_EQ(h.GetCount(IMAGE_CHANNEL_GRAY), 64);
    EXPECT_EQ(h.GetMaxCount(IMAGE_CHANNEL_GRAY), 64);
    const Picture white = testpic::uniform(8, 8, 255, 255, 255);
    h.AnalyzeImage(white.data());
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_GRAY, 0), 0);
    EXPECT_EQ(h.GetChannelHistogram(IMAGE_CHANNEL_GRAY, 255), 64);
    EXPECT_EQ(h.GetAverage(IMAGE_CHANNEL_BLUE), 255);
}

TEST(AutoLevels, WithoutAnalysisNothingChanges)
{
    const Picture p = testpic::noise(41, 23, 17, false);
    Picture q = p;
    AutoColorLevel(q.data(), 41, 23, false);
    EXPECT_EQ(testpic::describeDifference(p, q), "");
}

TEST(AutoLevels, StretchesEachChannelFromItsOwnRange)
{
    // Red spread evenly over 50..200 (151 values, each 1/151 of the pixels):
    // 0.6 % is reached right after the first and the last value, so low = 51
    // and high = 199. Green spans 0..255 (low 2, high 253), blue is one value.
    const int w = 151 * 4, h = 256;
    Picture p{w, h, std::vector<unsigned char>(static_cast<std::size_t>(w) * h * 4)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char *px = p.at(x, y);
            px[0] = 100;
            px[1] = static_cast<unsigned char>(y);
            px[2] = static_cast<unsigned char>(50 + x % 151);
            px[3] = static_cast<unsigned char>(x);
        }
    Picture q = p;
    AutoColorLevel(q.data(), w, h, true);
    // v = (value - low) / (high - low) * 255, rounded half away from zero, clamped.
    auto stretch = [](int v, int low, int high) {
        const double s = std::round(static_cast<double>(v - low) / (high - low) * 255);
        return static_cast<int>(std::clamp(s, 0.0, 255.0));
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char *in = p.at(x, y), *out = q.at(x, y);
            ASSERT_EQ(out[2], stretch(in[2], 51, 199)) << "red " << int(in[2]);
            ASSERT_EQ(out[1], stretch(in[1], 2, 253)) << "green " << int(in[1]);
            ASSERT_EQ(out[0], 0) << "one value: high = low, (value - low) * 255";
            ASSERT_EQ(out[3], in[3]);
        }
    EXPECT_EQ(q.at(0, 0)[2], 0);       // red 50
    EXPECT_EQ(q.at(150, 0)[2], 255);   // red 200
    EXPECT_EQ(q.at(75, 0)[2], 128);    // red 125: 127.5 rounds up
    EXPECT_EQ(q.at(0, 128)[1], 128);   // green 128: 126 / 251 * 255 = 127.99
}

TEST(AutoLevels, EmptyAndNullPictures)
{
    AutoColorLevel(nullptr, 10, 10, true);
    unsigned char px[4] = {1, 2, 3, 4};
    AutoColorLevel(px, 0, 1, true);
    AutoColorLevel(px, 1, -1, true);
    EXPECT_EQ(px[0] + px[1] + px[2] + px[3], 10);
}

}  // namespace
