// The recursive Gaussian: the library's form against the straightforward one
// (byte for byte), against a direct Gaussian convolution (within a stated
// tolerance), and the properties its callers rely on.

#include "gaussianblur.h"
#include "simd.h"

#include "test_gaussianblur_reference.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using testpic::Picture;

Picture blurred(Picture p, double sx, double sy)
{
    EXPECT_EQ(GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(p.data(), p.width, p.height, 7, sx, sy), 1);
    return p;
}

Picture reference(Picture p, double sx, double sy)
{
    gaussref::CreateBlurEffect(p.data(), p.width, p.height, sx, sy);
    return p;
}

TEST(GaussianBlur, SameBytesAsTheStraightforwardFormOverManyPictures)
{
    // Sizes around the 8-line blocks and the 4-sample edge terms, including 1, 2 and 3.
    const int sizes[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 40, 67};
    const double sigmas[] = {0.3, 1, 3, 9, 27.5, 255};
    uint32_t seed = 1;
    for (int w : sizes) {
        for (int h : sizes) {
            const double s = sigmas[seed % 6];
            const double sy = (seed % 4 == 0) ? sigmas[(seed + 3) % 6] : s;  // sometimes two sigmas
            const Picture p = testpic::noise(w, h, seed++, false);
            const std::string why = testpic::describeDifference(reference(p, s, sy), blurred(p, s, sy));
            ASSERT_EQ(why, "") << w << " x " << h << " sigma " << s << ", " << sy;
        }
    }
}

// Runs body with the vector forms capped at level ("avx2", "off"), then uncapped.
template <typename Body>
void withVectorCap(const char *level, Body body)
{
    using namespace qvfx::simd;
    const Level before = setCap(std::string(level) == "avx2" ? kAvx2 : kPlain);
    body();
    setCap(before);
}

TEST(GaussianBlur, NarrowerVectorFormsGiveTheSameBytes)
{
    for (const char *level : {"avx2", "off"}) {
        withVectorCap(level, [&] {
            uint32_t seed = 300;
            for (int w : {1, 8, 13, 40})
                for (int h : {2, 9, 33}) {
                    const Picture p = testpic::noise(w, h, seed++, false);
                    ASSERT_EQ(testpic::describeDifference(reference(p, 7, 2.5), blurred(p, 7, 2.5)), "")
                        << level << " " << w << " x " << h;
                }
        });
    }
}

TEST(GaussianBlur, SameBytesOnLargerPicturesAndEverySigmaStep)
{
    uint32_t seed = 100;
    for (double s = 0.5; s <= 40; s *= 1.9) {
        const Picture p = testpic::noise(203, 157, seed++);
        ASSERT_EQ(testpic::describeDifference(reference(p, s, s), blurred(p, s, s)), "") << "sigma " << s;
        const Picture g = testpic::gradient(96, 130);
        ASSERT_EQ(testpic::describeDifference(reference(g, s, s / 3), blurred(g, s, s / 3)), "") << "sigma " << s;
    }
}

TEST(GaussianBlur, ConvoluteDimensionWithOtherPixelSizes)
{
    // Packed 3-byte and 1-byte pixels go through the same recursion.
    GaussianBlurFilterUtil *g = GaussianBlurFilterUtil::GetInst();
    const gaussref::Coefficients k = gaussref::Build(gaussref::EffectiveSigma(4));
    for (int bpp : {1, 3, 5}) {
        const Picture src = testpic::noise(37 * bpp, 23, 7 + bpp);  // at least 37 * 23 * bpp bytes
        std::vector<unsigned char> a(src.bytes.begin(), src.bytes.begin() + 37 * 23 * bpp);
        std::vector<unsigned char> b = a;
        g->FindConstants(4);
        g->ConvoluteDimension(a.data(), 37, 23, bpp, 4, true);
        g->ConvoluteDimension(a.data(), 37, 23, bpp, 4, false);
        gaussref::FilterPicture(b.data(), 37, 23, bpp, true, k);
        gaussref::FilterPicture(b.data(), 37, 23, bpp, false, k);
        EXPECT_EQ(a, b) << bpp << " bytes a pixel";
    }
}

TEST(GaussianBlur, NeutralAndRefusedCalls)
{
    GaussianBlurFilterUtil *g = GaussianBlurFilterUtil::GetInst();
    EXPECT_EQ(g->CreateBlurEffect(nullptr, 10, 10, 7, 3, 3), 0);

    const Picture p = testpic::noise(33, 21, 5, false);
    // Sigma 0 (and negative sigmas, clamped to 0) skip both passes.
    EXPECT_EQ(testpic::describeDifference(p, blurred(p, 0, 0)), "");
    EXPECT_EQ(testpic::describeDifference(p, blurred(p, -4, -1e-3)), "");
    EXPECT_EQ(testpic::describeDifference(p, blurred(p, 5e-9, 5e-9)), "");
    // Empty pictures: nothing to do, still success.
    unsigned char one[4] = {1, 2, 3, 4};
    EXPECT_EQ(g->CreateBlurEffect(one, 0, 5, 7, 3, 3), 1);
    EXPECT_EQ(g->CreateBlurEffect(one, 5, -1, 7, 3, 3), 1);
    EXPECT_EQ(one[0] + one[1] + one[2] + one[3], 10);
}

TEST(GaussianBlur, SigmaTooSmallForRowsStillBuildsTheColumnSet)
{
    // Rows skipped (sigma x 0) and sigma y within 1e-6 of it: the columns use
    // sigma y's own set, never one left over from the previous call.
    const Picture p = testpic::noise(20, 20, 9);
    blurred(p, 200, 200);  // leaves a wide set behind
    EXPECT_EQ(testpic::describeDifference(reference(p, 0, 5e-7), blurred(p, 0, 5e-7)), "");
}

TEST(GaussianBlur, UniformPictureStaysUniformWithinTruncation)
{
    // The edge terms keep a constant line constant up to rounding; each of the
    // two passes truncates, so a level may lose up to 1 per pass.
    for (int size : {1, 2, 3, 9, 64}) {
        for (double s : {1.0, 9.0, 80.0}) {
            Picture p = testpic::uniform(size, size + 3, 0, 128, 255, 17);
            p = blurred(p, s, s);
            for (int i = 0; i < size * (size + 3); ++i) {
                const unsigned char *px = p.data() + 4 * i;
                ASSERT_EQ(px[0], 0) << size << " sigma " << s;
                ASSERT_GE(px[1], 126);
                ASSERT_LE(px[1], 128);
                ASSERT_GE(px[2], 253);
                ASSERT_EQ(px[3], 17);
            }
        }
    }
}

TEST(GaussianBlur, ByteThreeIsNeverTouched)
{
    const Picture p = testpic::noise(45, 19, 77, false);
    const Picture q = blurred(p, 6, 2);
    for (std::size_t i = 3; i < p.bytes.size(); i += 4)
        ASSERT_EQ(p.bytes[i], q.bytes[i]) << "pixel " << i / 4;
}

// Direct convolution with a sampled Gaussian of standard deviation s, edges
// extended by their last sample (what the recursion's edge terms assume),
// truncated to bytes after each pass as the recursion is.
Picture directGaussian(const Picture &in, double s)
{
    const int radius = static_cast<int>(std::ceil(6 * s));
    std::vector<double> g(2 * radius + 1);
    double total = 0;
    for (int k = -radius; k <= radius; ++k)
        total += g[k + radius] = std::exp(-k * k / (2 * s * s));
    for (double &v : g)
        v /= total;
    Picture out = in;
    auto pass = [&](const Picture &src, Picture &dst, bool horizontal) {
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x)
                for (int c = 0; c < 3; ++c) {
                    double acc = 0;
                    for (int k = -radius; k <= radius; ++k) {
                        const int xx = horizontal ? std::clamp(x + k, 0, src.width - 1) : x;
                        const int yy = horizontal ? y : std::clamp(y + k, 0, src.height - 1);
                        acc += g[k + radius] * src.bytes[(static_cast<std::size_t>(yy) * src.width + xx) * 4 + c];
                    }
                    dst.bytes[(static_cast<std::size_t>(y) * src.width + x) * 4 + c] =
                        static_cast<unsigned char>(std::clamp(static_cast<int>(acc), 0, 255));
                }
    };
    Picture mid = in;
    pass(in, mid, true);
    pass(mid, out, false);
    return out;
}

TEST(GaussianBlur, ApproximatesADirectGaussianOfTheEffectiveSigma)
{
    // The recursion for strength sigma approximates a Gaussian of standard
    // deviation s = sqrt((sigma + 1.3)^2 / (2 ln 255)) (about 3.1 for strength 9).
    // Tolerance, away from the edges: every byte within 1 level and the mean
    // absolute difference under 0.15 levels (measured: 1 and 0.05 to 0.07 for
    // strengths 2, 9 and 20).
    for (double sigma : {2.0, 9.0, 20.0}) {
        const double s = gaussref::EffectiveSigma(sigma);
        Picture p = testpic::noise(120, 100, 4242);
        // A mix of noise and a smooth ramp, so both high and low frequencies are compared.
        const Picture ramp = testpic::gradient(120, 100);
        for (std::size_t i = 0; i < p.bytes.size(); ++i)
            p.bytes[i] = static_cast<unsigned char>((p.bytes[i] + ramp.bytes[i]) / 2);
        const Picture iir = blurred(p, sigma, sigma);
        const Picture direct = directGaussian(p, s);
        const int margin = static_cast<int>(std::ceil(4 * s));
        int largest = 0;
        double sum = 0;
        int count = 0;
        for (int y = margin; y < p.height - margin; ++y)
            for (int x = margin; x < p.width - margin; ++x)
                for (int c = 0; c < 3; ++c) {
                    const std::size_t i = (static_cast<std::size_t>(y) * p.width + x) * 4 + c;
                    const int d = std::abs(iir.bytes[i] - direct.bytes[i]);
                    largest = std::max(largest, d);
                    sum += d;
                    ++count;
                }
        EXPECT_LE(largest, 1) << "sigma " << sigma << " (s " << s << ")";
        EXPECT_LT(sum / count, 0.15) << "sigma " << sigma << " (s " << s << ")";
    }
}

TEST(GaussianBlur, TwoThreadsBlurringAtOnceEachGetTheirOwnSigma)
{
    // The focus tool's copy and a look's tilt blur can run on two workers at
    // once, on the one shared instance.
    const Picture photo = testpic::noise(1200, 900, 2612);
    const double sigmas[2] = {3, 34};
    const Picture alone[2] = {blurred(photo, sigmas[0], sigmas[0]), blurred(photo, sigmas[1], sigmas[1])};
    constexpr int kRounds = 12;
    std::atomic<int> ready{0};
    int wrong[2] = {0, 0};
    auto blurMany = [&](int which) {
        ++ready;
        while (ready.load() < 2) {
        }
        for (int round = 0; round < kRounds; ++round) {
            Picture p = photo;
            GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(p.data(), p.width, p.height, 7, sigmas[which],
                                                                sigmas[which]);
            wrong[which] += p.bytes != alone[which].bytes;
        }
    };
    std::thread other(blurMany, 1);
    blurMany(0);
    other.join();
    EXPECT_EQ(wrong[0], 0) << "of " << kRounds << " rounds at sigma " << sigmas[0];
    EXPECT_EQ(wrong[1], 0) << "of " << kRounds << " rounds at sigma " << sigmas[1];
}

TEST(GaussianBlur, EachPassUsesTheSigmaItIsGiven)
{
    // A set built for another sigma (or on another thread) is never used.
    GaussianBlurFilterUtil *g = GaussianBlurFilterUtil::GetInst();
    const gaussref::Coefficients k = gaussref::Build(gaussref::EffectiveSigma(6));
    const Picture p = testpic::noise(41, 29, 31);
    Picture a = p, b = p;
    g->FindConstants(40);
    g->ConvoluteDimension(a.data(), a.width, a.height, 4, 6, true);
    gaussref::FilterPicture(b.data(), b.width, b.height, 4, true, k);
    EXPECT_EQ(testpic::describeDifference(b, a), "");
}

TEST(GaussianBlur, DoubleToIntTruncatesAndSaturates)
{
    EXPECT_EQ(GaussianBlurFilterUtil::DoubleToInt_IEEE(2.9), 2);
    EXPECT_EQ(GaussianBlurFilterUtil::DoubleToInt_IEEE(-2.9), -2);
    EXPECT_EQ(GaussianBlurFilterUtil::DoubleToInt_IEEE(1e300), 2147483647);
    EXPECT_EQ(GaussianBlurFilterUtil::DoubleToInt_IEEE(-1e300), -2147483647 - 1);
    EXPECT_EQ(GaussianBlurFilterUtil::DoubleToInt_IEEE(std::nan("")), 0);
}

}  // namespace
