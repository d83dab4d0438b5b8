// The integer-kernel blur and unsharp mask: worked values, the fast form
// against the straightforward one, refused radii and the preview cache.

#include "sharpen.h"
#include "simd.h"

#include "test_sharpen_reference.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using testpic::Picture;

// The unsharp formula: k = int(amount * 10000 + .5) (product in single
// precision), clamp(((10000 + k) v - k b) / 10000), truncating toward zero.
int unsharp(int value, int blurred, float amount)
{
    const int64_t k = static_cast<int64_t>(static_cast<double>(amount * 10000.0f) + 0.5);
    const int64_t v = ((10000 + k) * value - k * blurred) / 10000;
    return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

Picture libraryBlur(const Picture &p, int radius)
{
    Picture out = p;  // byte 3 of the destination is left as it was
    CSharp sharp;
    EXPECT_EQ(sharp.GetBlur(p.data(), out.data(), p.width, p.height, radius, 7, false), 1);
    return out;
}

Picture referenceBlur(const Picture &p, int radius)
{
    Picture out = p;
    sharpref::Blur(p.data(), out.data(), p.width, p.height, radius);
    return out;
}

// A single bright pixel in a one-row picture shows the kernel: one row makes the
// column pass the identity, so pixel x + d gets int(255 w_d / sum(w)).
std::vector<int> impulseResponse(int radius, int width)
{
    Picture p = testpic::uniform(width, 1, 0, 0, 0);
    p.at(width / 2, 0)[1] = 255;
    const Picture out = libraryBlur(p, radius);
    std::vector<int> r;
    for (int x = 0; x < width; ++x)
        r.push_back(out.bytes[4 * x + 1]);
    return r;
}

TEST(SharpKernel, RadiusOneIsTheWorkedKernel)
{
    // 1, 7, 55, 55, 55, 7, 1 (sum 181): 255 w / 181 = 1, 9, 77, 77, 77, 9, 1, and nothing further out.
    EXPECT_EQ(sharpref::Kernel(1), (std::vector<int>{1, 7, 55, 55, 55, 7, 1}));
    EXPECT_EQ(impulseResponse(1, 11), (std::vector<int>{0, 0, 1, 9, 77, 77, 77, 9, 1, 0, 0}));
}

TEST(SharpKernel, RadiusThreeHasLength17)
{
    const std::vector<int> k = sharpref::Kernel(3);
    ASSERT_EQ(k.size(), 17u);
    // The outermost weight is 1 (sum 208): 255 / 208 = 1 at distance 8, 0 at 9.
    const std::vector<int> r = impulseResponse(3, 21);
    EXPECT_EQ(r[10 - 8], 1);
    EXPECT_EQ(r[10 + 8], 1);
    EXPECT_EQ(r[10 - 9], 0);
    EXPECT_EQ(r[10 + 9], 0);
    EXPECT_EQ(r[10], 255 * k[8] / 208);
}

TEST(SharpKernel, LineEndsUseTheInnerPartRenormalised)
{
    // At x = 0 only the centre and the right half count: 255 * 55 / (55 + 55 + 7 + 1) = 118.
    Picture p = testpic::uniform(9, 1, 0, 0, 0);
    p.at(0, 0)[0] = 255;
    EXPECT_EQ(libraryBlur(p, 1).bytes[0], 118);
}

TEST(SharpKernel, RefusesRadiiWhoseKernelDoesNotFit)
{
    CSharp sharp;
    EXPECT_EQ(sharp.SetRadius(1), 1);
    EXPECT_EQ(sharp.SetRadius(50), 1);  // length 251
    EXPECT_EQ(sharp.SetRadius(51), 0);  // length 257 > 255
    EXPECT_EQ(sharp.SetRadius(0), 0);   // no kernel at all (q = 0)
    EXPECT_EQ(sharp.SetRadius(-3), 0);
    EXPECT_EQ(sharp.SetRadius(1 << 30), 0);

    const Picture src = testpic::noise(12, 9, 3);
    for (int radius : {0, 51, 1000}) {
        Picture dst = testpic::uniform(12, 9, 1, 2, 3, 4);
        const Picture before = dst;
        EXPECT_EQ(sharp.GetBlur(src.data(), dst.data(), 12, 9, radius, 7, false), -1) << radius;
        EXPECT_EQ(testpic::describeDifference(before, dst), "") << "nothing written for radius " << radius;
        // The shorter form after a refused radius has no kernel either.
        EXPECT_EQ(sharp.GetBlur(src.data(), dst.data(), 7, false), -1);
        EXPECT_EQ(sharp.GetUnsharpMask(src.data(), dst.data(), 7, 0.5f, 0), 0);
        EXPECT_EQ(testpic::describeDifference(before, dst), "");
    }
    Picture img = src;
    EXPECT_EQ(sharp.useEffect(img.data(), 12, 9, 51, 0.5f), 0);
    EXPECT_EQ(testpic::describeDifference(src, img), "") << "a refused radius leaves the picture alone";
}

TEST(SharpBlur, FastFormEqualsTheStraightforwardOneOverManyPictures)
{
    // Widths and heights below, at and above the kernel lengths (7 and 17) and
    // the 16-byte steps, including 1, 2 and 3; radius 4 takes the 32-bit form.
    const int sizes[] = {1, 2, 3, 4, 6, 7, 8, 11, 16, 17, 18, 23, 40, 71};
    uint32_t seed = 11;
    for (int radius : {1, 2, 3, 4}) {
        for (int w : sizes) {
            for (int h : {1, 2, 3, 5, 8, 19, 33}) {
                const Picture p = testpic::noise(w, h, seed++, false);
                ASSERT_EQ(testpic::describeDifference(referenceBlur(p, radius), libraryBlur(p, radius)), "")
                    << "radius " << radius << ", " << w << " x " << h;
            }
        }
    }
}

TEST(SharpBlur, LargerPicturesAndGradients)
{
    for (int radius : {1, 3, 7, 50}) {
        const Picture p = testpic::noise(257, 131, 50 + radius);
        ASSERT_EQ(testpic::describeDifference(referenceBlur(p, radius), libraryBlur(p, radius)), "") << radius;
        const Picture g = testpic::gradient(300, 77);
        ASSERT_EQ(testpic::describeDifference(referenceBlur(g, radius), libraryBlur(g, radius)), "") << radius;
    }
}

TEST(SharpBlur, WithoutVectorFormsTheBytesAreTheSame)
{
    const qvfx::simd::Level before = qvfx::simd::setCap(qvfx::simd::kPlain);
    const Picture p = testpic::noise(45, 30, 99);
    const Picture plain = libraryBlur(p, 1);
    qvfx::simd::setCap(before);
    EXPECT_EQ(testpic::describeDifference(referenceBlur(p, 1), plain), "");
}

TEST(SharpBlur, InPlaceGivesTheSameBytes)
{
    // The row results sit in a ring of kernel-length rows, so a destination equal
    // to the source is only written after the rows it replaces have been read.
    for (int radius : {1, 3}) {
        const Picture p = testpic::noise(53, 41, 60 + radius);
        Picture q = p;
        CSharp sharp;
        ASSERT_EQ(sharp.GetBlur(q.data(), q.data(), q.width, q.height, radius, 7, false), 1);
        EXPECT_EQ(testpic::describeDifference(referenceBlur(p, radius), q), "") << radius;
    }
}

TEST(SharpBlur, EachPassAloneMatchesItsReference)
{
    const Picture p = testpic::noise(37, 29, 5);
    CSharp sharp;
    Picture out = p;
    ASSERT_EQ(sharp.GetBlur(p.data(), out.data(), p.width, p.height, 3, 7, false), 1);  // size and kernel
    const std::vector<int> k = sharpref::Kernel(3);
    for (bool horizontal : {true, false}) {
        Picture lib = p, ref = p;
        EXPECT_EQ(sharp.ConvoluteDimension(p.data(), lib.data(), 7, horizontal, false), 1);
        sharpref::Pass(p.data(), ref.data(), p.width, p.height, k, horizontal);
        EXPECT_EQ(testpic::describeDifference(ref, lib), "") << (horizontal ? "rows" : "columns");
    }
}

TEST(SharpBlur, UniformPictureStaysUniform)
{
    // Integer means of equal values are exact.
    for (int radius : {1, 3})
        for (int size : {1, 2, 3, 20}) {
            const Picture p = testpic::uniform(size, size + 1, 9, 128, 255, 31);
            EXPECT_EQ(testpic::describeDifference(p, libraryBlur(p, radius)), "") << radius << " " << size;
        }
}

TEST(Unsharp, WorkedValueAndEveryPairOfLevels)
{
    // Amount .5 on 100 over a blur of 80: (15000 * 100 - 5000 * 80) / 10000 = 110.
    unsigned char image[4] = {100, 100, 100, 7}, blur[4] = {80, 80, 80, 0};
    CSharp sharp;
    EXPECT_EQ(sharp.SharpProcess(image, blur, 1, 1, 0.5f), 1);
    EXPECT_EQ(image[0], 110);
    EXPECT_EQ(image[3], 7);  // byte 3 untouched

    // Every (value, blurred) pair, for amounts that reach the clamps, the
    // negative side and the wide-integer form (k of ten million).
    Picture values{256, 256, std::vector<unsigned char>(256 * 256 * 4)};
    Picture blurred = values;
    for (int v = 0; v < 256; ++v)
        for (int b = 0; b < 256; ++b) {
            unsigned char *pv = values.at(b, v), *pb = blurred.at(b, v);
            pv[0] = pv[1] = pv[2] = static_cast<unsigned char>(v);
            pb[0] = pb[1] = pb[2] = static_cast<unsigned char>(b);
            pv[3] = static_cast<unsigned char>(v ^ b);
        }
    for (float amount : {0.0f, 0.5f, 1.0f, 0.33333f, 3.7f, 399.99f, -0.3f, -2.0f, 1000.0f}) {
        Picture out = values;
        sharp.SharpProcess(out.data(), blurred.data(), 256, 256, amount);
        for (int v = 0; v < 256; ++v)
            for (int b = 0; b < 256; ++b) {
                const unsigned char *px = out.at(b, v);
                ASSERT_EQ(px[1], unsharp(v, b, amount)) << "amount " << amount << " value " << v << " blur " << b;
                ASSERT_EQ(px[0], px[1]);
                ASSERT_EQ(px[3], v ^ b);
            }
    }
}

TEST(Unsharp, AmountZeroChangesNothing)
{
    const Picture p = testpic::noise(19, 7, 8, false);
    Picture out = p;
    const Picture blur = testpic::noise(19, 7, 9);
    CSharp sharp;
    sharp.SharpProcess(out.data(), blur.data(), 19, 7, 0.0f);
    EXPECT_EQ(testpic::describeDifference(p, out), "");
}

TEST(Unsharp, UseEffectIsTheMaskOfTheBlurWithByteThreeOpaque)
{
    for (int size : {1, 2, 3, 29}) {
        const Picture p = testpic::noise(size, size + 2, 40 + size, false);
        const Picture blur = referenceBlur(p, 3);
        Picture expected = p;
        for (std::size_t i = 0; i < p.bytes.size(); ++i)
            expected.bytes[i] = i % 4 == 3 ? 255 : static_cast<unsigned char>(unsharp(p.bytes[i], blur.bytes[i], 0.5f));
        Picture out = p;
        CSharp sharp;
        EXPECT_EQ(sharp.useEffect(out.data(), size, size + 2, 3, 0.5f), 1);
        EXPECT_EQ(testpic::describeDifference(expected, out), "") << size;

        Picture preview = p;
        CSharp other;
        EXPECT_EQ(other.useEffectPreview(preview.data(), size, size + 2, 3, 0.5f), 1);
        EXPECT_EQ(testpic::describeDifference(expected, preview), "") << size;
    }
}

TEST(Unsharp, PreviewKeepsItsBlurWhileOnlyTheAmountChanges)
{
    const Picture a = testpic::noise(24, 17, 1), b = testpic::noise(24, 17, 2);
    const Picture blurA = referenceBlur(a, 1);
    CSharp sharp;
    Picture first = a;
    ASSERT_EQ(sharp.useEffectPreview(first.data(), 24, 17, 1, 0.2f), 1);
    // A second call on the same object reuses the first blur, whatever the picture.
    Picture second = b;
    ASSERT_EQ(sharp.useEffectPreview(second.data(), 24, 17, 1, 0.8f), 1);
    for (std::size_t i = 0; i < b.bytes.size(); ++i) {
        if (i % 4 == 3)
            continue;
        ASSERT_EQ(second.bytes[i], unsharp(b.bytes[i], blurA.bytes[i], 0.8f)) << "byte " << i;
    }
    // A new radius needs a new blur.
    Picture third = b;
    ASSERT_EQ(sharp.useEffectPreview(third.data(), 24, 17, 3, 0.8f), 1);
    const Picture blurB = referenceBlur(b, 3);
    for (std::size_t i = 0; i < b.bytes.size(); ++i) {
        if (i % 4 == 3)
            continue;
        ASSERT_EQ(third.bytes[i], unsharp(b.bytes[i], blurB.bytes[i], 0.8f)) << "byte " << i;
    }
}

TEST(Unsharp, NullAndEmptyPictures)
{
    CSharp sharp;
    EXPECT_EQ(sharp.useEffect(nullptr, 4, 4, 1, 0.5f), 0);
    unsigned char px[4] = {1, 2, 3, 4};
    EXPECT_EQ(sharp.useEffect(px, 0, 4, 1, 0.5f), 1);
    EXPECT_EQ(sharp.useEffect(px, -1, 4, 1, 0.5f), 0);
    EXPECT_EQ(px[3], 4);
}

}  // namespace
