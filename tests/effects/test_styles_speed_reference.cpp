// The fused and vectorised forms of the slower looks held against their plain
// recipes: the steps called one after another on the whole picture, exactly
// as the looks' comments list them. Every vector form the processor runs is
// tried (simd::setCap caps them), on noise, ramps, the RGB cube, pictures
// with alpha and odd sizes, pictures narrower or shorter than a kernel
// included.

#include "blendmodes.h"
#include "curves.h"
#include "gaussianblur.h"
#include "levels.h"
#include "sharpen.h"
#include "simd.h"
#include "stylefilters.h"
#include "styles_unsharp.h"
#include "unsharplevel.h"
#include "tonesteps.h"
#include "tonetables.h"

#include "testpictures.h"

#include "test_baocolor_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testpic::Picture;

// The vector caps to run under: none (the widest form), AVX2 only, plain.
const char *const kCaps[] = {nullptr, "avx2", "off"};

template <typename Body>
void underCap(const char *cap, Body body)
{
    using namespace qvfx::simd;
    const Level before = setCap(!cap ? kAvx512 : std::string(cap) == "avx2" ? kAvx2 : kPlain);
    body();
    setCap(before);
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
        ASSERT_EQ(unsharp::Divide(x), x / 10000) << x;
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

// --- BaoColor -------------------------------------------------------------------------------

using baoref::plainBaoColorPixel;

// The composite curve (0,0) (128,143) (255,255) on the whole picture, then
// ABaoColor pixel by pixel.
Picture plainBaoColor(Picture p, bool curve)
{
    if (curve) {
        SFCurve c;
        _POINT points[3] = {{0, 0}, {128, 143}, {255, 255}};
        c.GetCurveByPoints(points, 3, 4);
        c.ApplyCurve(4, p.data(), p.width, p.height);
        c.Release();
    }
    for (std::size_t i = 0; i < p.bytes.size(); i += 4)
        plainBaoColorPixel(p.data() + i);
    return p;
}

TEST(FusedLooks, BaoColorMatchesItsStepsInEveryForm)
{
    // (every colour is held against the plain formula by the colour kernels'
    // tests; these add the curve, the chunks and the narrower forms)
    std::vector<Picture> pictures = samplePictures();
    pictures.push_back(testpic::noise(4099, 3, 31, false));  // chunks of 4096 and a tail of odd pixels
    pictures.push_back(testpic::uniform(9, 2, 0, 0, 0));     // black: always taken the exact way
    for (const char *cap : kCaps)
        underCap(cap, [&] {
            const std::string form = cap ? cap : "widest";
            for (const Picture &p : pictures) {
                Picture look = p, step = p;
                StyleBaoColor(look.data(), look.width, look.height);
                ABaoColor(step.data(), step.width, step.height);
                ASSERT_EQ(testpic::describeDifference(plainBaoColor(p, true), look), "")
                    << "BaoColor " << form << " " << sizeOf(p);
                ASSERT_EQ(testpic::describeDifference(plainBaoColor(p, false), step), "")
                    << "ABaoColor " << form << " " << sizeOf(p);
            }
        });
}

// --- YiZhou ---------------------------------------------------------------------------------

// Two 640 x 640 masks with every value and some long runs.
std::vector<unsigned char> tiltMasks()
{
    std::vector<unsigned char> m(2 * 640 * 640);
    const Picture grain = testpic::noise(640, 320, 41, false);  // 819,200 bytes
    for (std::size_t i = 0; i < m.size(); ++i) {
        const std::size_t x = i % 640, y = i / 640 % 640;
        m[i] = (i / (640 * 640)) == 0 ? static_cast<unsigned char>(y < 200 ? 0 : (y > 440 ? 255 : grain.bytes[i]))
                                      : static_cast<unsigned char>((x + y) % 256);
    }
    return m;
}

// The tone table (red for all three channels) with ColorHSBEx against the
// untoned pixel at .6, the blur 3 / 3 of the toned picture, both masks
// stretched with RampleBit, then the band and shade mix in float.
Picture plainYiZhou(Picture p, const std::vector<unsigned char> &masks)
{
    const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
    const ToneTables &t = GetToneTables(ToneLook::YiZhou);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = p.data() + 4 * i;
        unsigned char before[4] = {px[0], px[1], px[2], px[3]};
        for (int c = 0; c < 3; ++c)
            px[c] = t.red[px[c]];
        ColorHSBEx(px, before, 0.6);
    }
    const Picture toned = p;
    GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(p.data(), p.width, p.height, 7, 3.0, 3.0);
    auto stretched = [&](std::size_t offset) {
        unsigned char *m = new unsigned char[640 * 640];
        std::memcpy(m, masks.data() + offset, 640 * 640);
        RampleBit(p.width, p.height, &m, 640, 640, 1);
        return std::unique_ptr<unsigned char[]>(m);
    };
    const std::unique_ptr<unsigned char[]> band = stretched(0), shade = stretched(640 * 640);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char *px = p.data() + 4 * i;
        const float a = static_cast<float>(band[i]) / 255, b = static_cast<float>(shade[i]) / 255;
        for (int c = 0; c < 3; ++c) {
            const int mixed = static_cast<int>(toned.bytes[4 * i + c] * a + px[c] * (1 - a));
            px[c] = static_cast<unsigned char>(static_cast<int>(mixed * b));
        }
    }
    return p;
}

TEST(FusedLooks, YiZhouMatchesItsStepsInEveryForm)
{
    const std::vector<unsigned char> masks = tiltMasks();
    std::vector<Picture> pictures = samplePictures();
    pictures.push_back(testpic::noise(640, 12, 42));     // the masks' own width
    pictures.push_back(testpic::gradient(1283, 7));      // wider than the masks
    pictures.push_back(testpic::noise(2049 + 16, 2, 43));  // more than one chunk of 2048 pixels, odd tail
    for (const char *cap : kCaps)
        underCap(cap, [&] {
            for (const Picture &p : pictures) {
                Picture got = p;
                std::vector<unsigned char> m = masks;
                StyleYiZhou(got.data(), m.data(), got.width, got.height);
                ASSERT_EQ(testpic::describeDifference(plainYiZhou(p, masks), got), "")
                    << (cap ? cap : "widest") << " " << sizeOf(p);
            }
        });
}

}  // namespace
