// The fused and vectorised forms of the slower looks held against their plain
// recipes: the steps called one after another on the whole picture, exactly
// as the looks' comments list them. Every vector form the processor runs is
// tried (QTQVEFFECT_SIMD caps them), on noise, ramps, the RGB cube, pictures
// with alpha and odd sizes, pictures narrower or shorter than a kernel
// included.

#include "blendmodes.h"
#include "levels.h"
#include "sharpen.h"
#include "stylefilters.h"
#include "styles_unsharp.h"
#include "tonetables.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using testpic::Picture;

// The vector caps to run under: none (the widest form), AVX2 only, plain.
const char *const kCaps[] = {nullptr, "avx2", "off"};

template <typename Body>
void underCap(const char *cap, Body body)
{
    if (cap)
        setenv("QTQVEFFECT_SIMD", cap, 1);
    body();
    unsetenv("QTQVEFFECT_SIMD");
}

// Pictures of many kinds and sizes; the unsharp kernel of the HDR looks is
// 17 samples long, so several are narrower or shorter than it.
std::vector<Picture> samplePictures()
{
    std::vector<Picture> all;
    all.push_back(testpic::noise(97, 61, 11));
    all.push_back(testpic::noise(64, 40, 12, false));  // alpha varies
    all.push_back(testpic::gradient(131, 37));
    all.push_back(testpic::greyRamp(256, 19));
    all.push_back(testpic::rgbCube(16));  // 256 x 16: every row within a kernel of an edge
    all.push_back(testpic::withAlphaRamp(45, 18));
    all.push_back(testpic::noise(16, 33, 13));  // narrower than the kernel
    all.push_back(testpic::noise(17, 17, 14));
    all.push_back(testpic::noise(5, 3, 15));
    all.push_back(testpic::noise(1, 1, 16));
    all.push_back(testpic::noise(1, 40, 17));
    all.push_back(testpic::noise(300, 1, 18));
    return all;
}

std::string sizeOf(const Picture &p) { return std::to_string(p.width) + " x " + std::to_string(p.height); }

// --- the HDR looks ---------------------------------------------------------------------------

// AutoColorLevel without analysis, the HDR tables, the unsharp mask 3 / .5,
// and for the JinDian form ExclusionEx against (B 58, G 2, R 14) at 1.0.
Picture plainLomoHDR(Picture p, bool jinDian)
{
    unsigned char *img = p.data();
    const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
    AutoColorLevel(img, p.width, p.height, false);
    const ToneTables &t = GetToneTables(ToneLook::LomoHDR);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = img + 4 * i;
        px[0] = t.blue[px[0]];
        px[1] = t.green[px[1]];
        px[2] = t.red[px[2]];
    }
    CSharp sharp;
    EXPECT_EQ(sharp.useEffect(img, p.width, p.height, 3, 0.5f), 1);
    if (jinDian) {
        unsigned char colour[4] = {58, 2, 14, 0};
        for (std::size_t i = 0; i < n; ++i)
            ExclusionEx(img + 4 * i, colour, 1.0);
    }
    return p;
}

TEST(FusedLooks, UnsharpDivisionIsTheIntegerQuotientForEveryLevel)
{
    for (std::uint32_t x = 0; x < 2560000; ++x)
        ASSERT_EQ(styles::UnsharpDivide(x), x / 10000) << x;
}

TEST(FusedLooks, LomoHDRAndJinDianMatchTheirStepsInEveryForm)
{
    const std::vector<Picture> pictures = samplePictures();
    for (const char *cap : kCaps) {
        underCap(cap, [&] {
            for (const Picture &p : pictures) {
                Picture hdr = p, jin = p;
                StyleLomoHDR(hdr.data(), hdr.width, hdr.height);
                StyleLomoHDRJinDian(jin.data(), jin.width, jin.height);
                const std::string form = cap ? cap : "widest";
                ASSERT_EQ(testpic::describeDifference(plainLomoHDR(p, false), hdr), "")
                    << "LomoHDR " << form << " " << sizeOf(p);
                ASSERT_EQ(testpic::describeDifference(plainLomoHDR(p, true), jin), "")
                    << "LomoHDRJinDian " << form << " " << sizeOf(p);
            }
        });
    }
}

TEST(FusedLooks, UnsharpFormsAgreeWithEachOtherOnAPhotoSizedStrip)
{
    // A strip as wide as an 8-megapixel photo, where the interior loops do
    // nearly all of the work.
    const Picture p = testpic::noise(3264, 40, 21);
    const Picture expected = plainLomoHDR(p, true);
    for (const char *cap : kCaps)
        underCap(cap, [&] {
            Picture got = p;
            StyleLomoHDRJinDian(got.data(), got.width, got.height);
            ASSERT_EQ(testpic::describeDifference(expected, got), "") << (cap ? cap : "widest");
        });
}

}  // namespace
