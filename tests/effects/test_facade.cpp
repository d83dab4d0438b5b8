// The library facade: effect-id dispatch, focus-blur and sharpen helpers,
// colour mixing, colourful frames and the small entry points.
#include "blendmodes.h"
#include "gaussianblur.h"
#include "qtqveffect.h"
#include "sharpen.h"
#include "stylefilters.h"
#include "testpictures.h"
#include "tonesteps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <vector>

using testpic::Picture;

namespace {

constexpr int kW = 23, kH = 17;  // odd sizes

Picture Image() { return testpic::gradient(kW, kH); }
Picture Mask(uint32_t seed) { return testpic::noise(kW, kH, seed, false); }

std::vector<unsigned char> TableFile()
{
    Picture p = testpic::noise(196618 / 2 + 1, 1, 77, false);
    std::vector<unsigned char> file(p.bytes.begin(), p.bytes.begin() + 196618);
    return file;
}

// The ids each overload lists.
const std::set<int> kOne = {1019, 1020, 1021, 1022, 1023, 1027, 1028, 1033, 1034, 1035, 1039, 1040, 1101};
const std::set<int> kTwo = {1026, 1030, 1042, 1043, 1044, 1045, 1046, 1047, 1102, 1104};
const std::set<int> kThree = {1018, 1041};
const std::set<int> kFour = {1048};
const std::set<int> kFive = {1031, 1032, 1038};

}  // namespace

// --- dispatch ----------------------------------------------------------------------

TEST(FacadeDispatch, UnlistedIdsChangeNoBufferAndReturnOne)
{
    Qtqveffect fx;
    std::vector<unsigned char> table = TableFile();
    std::vector<unsigned char> yiZhouSized(819200, 0x5a);
    // Every id the engine knows, a few it does not, and each overload's
    // neighbours' ids: an overload runs only its own list.
    std::vector<int> ids = {0, -1, 1017, 1024, 1025, 1029, 1036, 1037, 1049, 1100, 1103, 1105, 1500, 1501, 99999};
    for (const auto *list : {&kOne, &kTwo, &kThree, &kFour, &kFive})
        ids.insert(ids.end(), list->begin(), list->end());

    for (int id : ids) {
        Picture img = Image(), a = Mask(1), b = Mask(2), c = Mask(3);
        const Picture img0 = img, a0 = a, b0 = b, c0 = c;
        const std::vector<unsigned char> table0 = table;
        if (!kOne.count(id)) {
            EXPECT_EQ(fx.effect(id, img.data(), kW, kH), 1);
            EXPECT_EQ(img.bytes, img0.bytes) << "overload 1, id " << id;
        }
        if (!kTwo.count(id)) {
            EXPECT_EQ(fx.effect(id, img.data(), a.data(), kW, kH), 1);
            EXPECT_EQ(img.bytes, img0.bytes) << "overload 2, id " << id;
        }
        if (!kThree.count(id)) {
            EXPECT_EQ(fx.effect(id, img.data(), a.data(), b.data(), kW, kH), 1);
            EXPECT_EQ(img.bytes, img0.bytes) << "overload 3, id " << id;
        }
        if (!kFour.count(id)) {
            EXPECT_EQ(fx.effect(id, img.data(), a.data(), b.data(), c.data(), kW, kH), 1);
            EXPECT_EQ(img.bytes, img0.bytes) << "overload 4, id " << id;
        }
        if (!kFive.count(id)) {
            EXPECT_EQ(fx.effect(id, img.data(), a.data(), b.data(), kW, kH, table.data(), 196618), 1);
            EXPECT_EQ(img.bytes, img0.bytes) << "overload 5, id " << id;
        }
        // (6) and (7) list nothing.
        EXPECT_EQ(fx.effect(id, img.data(), kW, kH, a.data(), 4), 1);
        EXPECT_EQ(fx.effect(id, img.data(), a.data(), kW, kH, b.data(), 4), 1);
        EXPECT_EQ(img.bytes, img0.bytes) << "overloads 6 and 7, id " << id;
        EXPECT_EQ(a.bytes, a0.bytes);
        EXPECT_EQ(b.bytes, b0.bytes);
        EXPECT_EQ(c.bytes, c0.bytes);
        EXPECT_EQ(table, table0);
    }
}

TEST(FacadeDispatch, EachIdRunsItsLook)
{
    Qtqveffect fx;
    std::vector<unsigned char> table = TableFile();
    using One = void (*)(unsigned char *, int, int);
    using Two = void (*)(unsigned char *, unsigned char *, int, int);
    using Three = void (*)(unsigned char *, unsigned char *, unsigned char *, int, int);
    using Five = void (*)(unsigned char *, unsigned char *, unsigned char *, int, int, const unsigned char *);
    const std::pair<int, One> one[] = {{1019, StyleElegant},        {1020, StyleFilm},      {1022, StyleCinnamon},
                                       {1023, StyleJapanese},       {1027, StyleImpression}, {1028, StyleBaoColor},
                                       {1033, StyleLomoHDRJinDian}, {1034, StyleHeiBai},    {1035, StyleLomoHDR},
                                       {1040, StyleXiaoQingXin},    {1101, StyleGray}};
    const std::pair<int, Two> two[] = {{1026, StyleOldPhoto},      {1030, StyleBrightRed}, {1042, StyleLomoChristmas},
                                       {1043, StyleLomoSnow},      {1044, StyleLomoNight}, {1045, StyleLomoHalo},
                                       {1046, StyleLomoStar},      {1047, StyleReverse},   {1102, StyleRiguanghaian}};
    const std::pair<int, Three> three[] = {{1018, StyleJinDian}, {1041, StyleWarm}};
    const std::pair<int, Five> five[] = {{1031, StyleNiuPiZhi}, {1032, StyleXuanCai}, {1038, StyleFanHuang}};
    Picture a = Mask(1), b = Mask(2), c = Mask(3);

    for (auto [id, fn] : one) {
        Picture viaId = Image(), direct = Image();
        fx.effect(id, viaId.data(), kW, kH);
        fn(direct.data(), kW, kH);
        EXPECT_EQ(viaId.bytes, direct.bytes) << id;
        EXPECT_NE(viaId.bytes, Image().bytes) << id;
    }
    for (auto [id, fn] : two) {
        Picture viaId = Image(), direct = Image();
        fx.effect(id, viaId.data(), a.data(), kW, kH);
        fn(direct.data(), a.data(), kW, kH);
        EXPECT_EQ(viaId.bytes, direct.bytes) << id;
        EXPECT_NE(viaId.bytes, Image().bytes) << id;
    }
    for (auto [id, fn] : three) {
        Picture viaId = Image(), direct = Image();
        fx.effect(id, viaId.data(), a.data(), b.data(), kW, kH);
        fn(direct.data(), a.data(), b.data(), kW, kH);
        EXPECT_EQ(viaId.bytes, direct.bytes) << id;
        EXPECT_NE(viaId.bytes, Image().bytes) << id;
    }
    {
        Picture viaId = Image(), direct = Image();
        fx.effect(1048, viaId.data(), a.data(), b.data(), c.data(), kW, kH);
        StyleFenHongJiaRen(direct.data(), a.data(), b.data(), c.data(), kW, kH);
        EXPECT_EQ(viaId.bytes, direct.bytes);
        EXPECT_NE(viaId.bytes, Image().bytes);
    }
    for (auto [id, fn] : five) {
        Picture viaId = Image(), direct = Image();
        fx.effect(id, viaId.data(), a.data(), b.data(), kW, kH, table.data(), 196618);
        fn(direct.data(), a.data(), b.data(), kW, kH, table.data());
        EXPECT_EQ(viaId.bytes, direct.bytes) << id;
        EXPECT_NE(viaId.bytes, Image().bytes) << id;
    }
    {
        std::vector<unsigned char> masks(819200);
        for (std::size_t i = 0; i < masks.size(); ++i)
            masks[i] = static_cast<unsigned char>(i * 7 / 3);
        Picture viaId = Image(), direct = Image();
        fx.effect(1104, viaId.data(), masks.data(), kW, kH);
        StyleYiZhou(direct.data(), masks.data(), kW, kH);
        EXPECT_EQ(viaId.bytes, direct.bytes);
        EXPECT_NE(viaId.bytes, Image().bytes);
    }
}

TEST(FacadeDispatch, ShortOrMissingTableFileIsRefused)
{
    Qtqveffect fx;
    std::vector<unsigned char> table = TableFile();
    Picture a = Mask(1), b = Mask(2);
    for (int id : kFive) {
        Picture img = Image();
        EXPECT_EQ(fx.effect(id, img.data(), a.data(), b.data(), kW, kH, table.data(), 196617), 1);
        EXPECT_EQ(fx.effect(id, img.data(), a.data(), b.data(), kW, kH, nullptr, 196618), 1);
        EXPECT_EQ(img.bytes, Image().bytes) << id;
    }
}

TEST(FacadeDispatch, NullPictureOrMaskDoesNothing)
{
    Qtqveffect fx;
    Picture img = Image();
    for (int id : kOne)
        EXPECT_EQ(fx.effect(id, nullptr, kW, kH), 1);
    for (int id : kTwo) {
        EXPECT_EQ(fx.effect(id, img.data(), nullptr, kW, kH), 1);
        EXPECT_EQ(fx.effect(id, nullptr, img.data(), kW, kH), 1);
    }
    EXPECT_EQ(fx.effect(1048, img.data(), img.data(), nullptr, img.data(), kW, kH), 1);
    EXPECT_EQ(img.bytes, Image().bytes);
}

// --- focus blur ------------------------------------------------------------------------

TEST(FacadeWeak, InitOfNullIsNullAndInitIsABlurredCopy)
{
    Qtqveffect fx;
    EXPECT_EQ(fx.WeakInit(nullptr, kW, kH, 9), nullptr);

    Picture src = testpic::noise(kW, kH, 5);
    const Picture before = src;
    std::unique_ptr<unsigned char[]> copy(fx.WeakInit(src.data(), kW, kH, 9));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(src.bytes, before.bytes) << "the source is only read";

    Picture expected = src;
    GaussianBlurFilterUtil::GetInst()->CreateBlurEffect(expected.data(), kW, kH, 7, 9.0, 9.0);
    EXPECT_EQ(0, std::memcmp(copy.get(), expected.data(), expected.bytes.size()));
    EXPECT_NE(expected.bytes, src.bytes);
}

TEST(FacadeWeak, ProcessWeighsByTheMaskRedByteWithItsConstant)
{
    Qtqveffect fx;
    Picture image = testpic::uniform(3, 2, 0, 0, 0, 17);
    Picture source = testpic::uniform(3, 2, 255, 255, 255, 99);
    // A full mask red byte; the other mask bytes must not matter.
    Picture mask = testpic::uniform(3, 2, 0, 0, 255, 0);
    EXPECT_EQ(fx.WeakProcess(image.data(), source.data(), mask.data(), 3, 2), 1);
    for (int i = 0; i < 6; ++i) {
        const unsigned char *px = image.data() + 4 * i;
        EXPECT_EQ(px[0], 254);  // 255 * 0.999855 truncated: not the source exactly
        EXPECT_EQ(px[1], 254);
        EXPECT_EQ(px[2], 254);
        EXPECT_EQ(px[3], 17) << "byte 3 untouched";
    }

    // Mask 0 keeps the image; a half mask lands in between; only R of the mask counts.
    Picture img2 = testpic::uniform(1, 1, 10, 100, 200);
    Picture src2 = testpic::uniform(1, 1, 210, 0, 100);
    Picture m0 = testpic::uniform(1, 1, 255, 255, 0);
    fx.WeakProcess(img2.data(), src2.data(), m0.data(), 1, 1);
    EXPECT_EQ(img2.bytes, testpic::uniform(1, 1, 10, 100, 200).bytes);
    Picture m128 = testpic::uniform(1, 1, 0, 0, 128);
    fx.WeakProcess(img2.data(), src2.data(), m128.data(), 1, 1);
    const float w = static_cast<float>(128 * 0.003921);
    EXPECT_EQ(img2.bytes[0], static_cast<int>(210.0f * w + 10.0f * (1 - w)));
    EXPECT_EQ(img2.bytes[1], static_cast<int>(0.0f * w + 100.0f * (1 - w)));
    EXPECT_EQ(img2.bytes[2], static_cast<int>(100.0f * w + 200.0f * (1 - w)));
}

TEST(FacadeWeak, ProcessMatchesThePlainFormulaOnEveryPixel)
{
    // Pictures of several widths (the merge runs several pixels at a time),
    // every mask value, noise in every byte.
    Qtqveffect fx;
    for (int w : {1, 7, 8, 9, 33, 256}) {
        const int h = 256 / w + 1;
        Picture image = testpic::noise(w, h, 1 + w, false), source = testpic::noise(w, h, 2 + w, false);
        Picture mask = testpic::noise(w, h, 3 + w, false);
        for (int i = 0; i < w * h; ++i)
            mask.bytes[4 * i + 2] = static_cast<unsigned char>(i);  // every red value
        Picture expected = image;
        for (int i = 0; i < w * h; ++i) {
            const float wt = static_cast<float>(mask.bytes[4 * i + 2] * 0.003921);
            for (int c = 0; c < 3; ++c)
                expected.bytes[4 * i + c] = static_cast<unsigned char>(static_cast<int>(
                    static_cast<float>(source.bytes[4 * i + c]) * wt +
                    static_cast<float>(expected.bytes[4 * i + c]) * (1 - wt)));
        }
        EXPECT_EQ(fx.WeakProcess(image.data(), source.data(), mask.data(), w, h), 1);
        ASSERT_EQ(image.bytes, expected.bytes) << "width " << w;
    }
}

TEST(FacadeWeak, ProcessNullAndEmpty)
{
    Qtqveffect fx;
    Picture p = Image(), q = Mask(1), m = Mask(2);
    EXPECT_EQ(fx.WeakProcess(nullptr, q.data(), m.data(), kW, kH), 0);
    EXPECT_EQ(fx.WeakProcess(p.data(), nullptr, m.data(), kW, kH), 0);
    EXPECT_EQ(fx.WeakProcess(p.data(), q.data(), nullptr, kW, kH), 0);
    EXPECT_EQ(fx.WeakProcess(p.data(), q.data(), m.data(), 0, kH), 1);
    EXPECT_EQ(fx.WeakProcess(p.data(), q.data(), m.data(), -3, kH), 1);
    EXPECT_EQ(fx.WeakProcess(p.data(), q.data(), m.data(), kW, 0), 1);
    EXPECT_EQ(p.bytes, Image().bytes);
}

// --- sharpen -----------------------------------------------------------------------------

TEST(FacadeSharp, InitOfNullIsNullAndInitIsTheRadiusOneBlur)
{
    Qtqveffect fx;
    EXPECT_EQ(fx.SharpInit(nullptr, kW, kH), nullptr);
    Picture src = testpic::noise(kW, kH, 9);
    const Picture before = src;
    std::unique_ptr<unsigned char[]> blurred(fx.SharpInit(src.data(), kW, kH));
    ASSERT_NE(blurred, nullptr);
    EXPECT_EQ(src.bytes, before.bytes);
    std::vector<unsigned char> expected(src.bytes.size());
    CSharp sharp;
    sharp.GetBlur(src.data(), expected.data(), kW, kH, 1, 7, false);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i % 4 == 3)
            continue;  // the blur writes B, G, R
        ASSERT_EQ(blurred[i], expected[i]) << "byte " << i;
    }
}

TEST(FacadeSharp, ProcessAmountZeroAndOne)
{
    Qtqveffect fx;
    Picture image = testpic::uniform(2, 1, 200, 100, 150, 33);
    image.at(1, 0)[0] = 100;
    Picture blurred = testpic::uniform(2, 1, 100, 200, 150, 0);
    blurred.at(1, 0)[0] = 200;

    Picture same = image;
    EXPECT_EQ(fx.SharpProcess(same.data(), blurred.data(), 2, 1, 0.0f), 1);
    EXPECT_EQ(same.bytes, image.bytes);

    EXPECT_EQ(fx.SharpProcess(image.data(), blurred.data(), 2, 1, 1.0f), 1);
    EXPECT_EQ(image.at(0, 0)[0], 255);  // 200 over 100: 300 clamped
    EXPECT_EQ(image.at(0, 0)[1], 0);    // 100 over 200: -100 clamped
    EXPECT_EQ(image.at(0, 0)[2], 150);  // equal values stay
    EXPECT_EQ(image.at(1, 0)[0], 0);
    EXPECT_EQ(image.at(0, 0)[3], 33);

    EXPECT_EQ(fx.SharpProcess(nullptr, blurred.data(), 2, 1, 1.0f), 0);
    EXPECT_EQ(fx.SharpProcess(image.data(), nullptr, 2, 1, 1.0f), 0);
}

// --- colour mixing and colourful frames ------------------------------------------------------

TEST(FacadeColor, MixingIsLightThenSaturation)
{
    Qtqveffect fx;
    Picture viaFacade = testpic::noise(kW, kH, 3), direct = viaFacade;
    EXPECT_EQ(fx.ColorMixing(viaFacade.data(), kW, kH, 20, -15, 30), 1);
    Light(direct.data(), kW, kH, 20, -15);
    Saturateconst(direct.data(), kW, kH, 30);
    EXPECT_EQ(viaFacade.bytes, direct.bytes);

    Picture neutral = testpic::noise(kW, kH, 3);
    fx.ColorMixing(neutral.data(), kW, kH, 0, 0, 0);
    EXPECT_EQ(neutral.bytes, testpic::noise(kW, kH, 3).bytes);
    EXPECT_EQ(fx.ColorMixing(nullptr, kW, kH, 1, 1, 1), 0);
}

TEST(FacadeColor, ColorfulFrameModes)
{
    Qtqveffect fx;
    const Picture frame = Mask(4);
    Picture f = frame;
    for (int mode : {0, 5, -1, 6}) {
        Picture img = Image();
        EXPECT_EQ(fx.ColorfulFrame(img.data(), f.data(), kW, kH, mode), 1);
        EXPECT_EQ(img.bytes, Image().bytes) << "mode " << mode;
    }
    Picture img = Image();
    EXPECT_EQ(fx.ColorfulFrame(img.data(), nullptr, kW, kH, 1), 0);
    EXPECT_EQ(fx.ColorfulFrame(nullptr, f.data(), kW, kH, 1), 0);
    EXPECT_EQ(img.bytes, Image().bytes);

    using Blend = void (*)(unsigned char *, unsigned char *, double);
    const std::pair<int, Blend> modes[] = {{1, ScreenEx}, {2, ScreenEx}, {3, SoftLightEx}, {4, SoftLightEx}};
    for (auto [mode, blend] : modes) {
        Picture viaFacade = Image(), viaFree = Image(), direct = Image();
        EXPECT_EQ(fx.ColorfulFrame(viaFacade.data(), f.data(), kW, kH, mode), 1);
        FrameXCBK(viaFree.data(), f.data(), kW, kH, mode);
        for (int i = 0; i < kW * kH; ++i)
            blend(direct.data() + 4 * i, f.data() + 4 * i, 1.0);
        EXPECT_EQ(viaFacade.bytes, direct.bytes) << "mode " << mode;
        EXPECT_EQ(viaFree.bytes, direct.bytes) << "mode " << mode;
        EXPECT_NE(direct.bytes, Image().bytes);
    }
    EXPECT_EQ(f.bytes, frame.bytes);
}

// --- time tunnel and the small entry points --------------------------------------------------

TEST(FacadeTunnel, ReturnsTheLooksNewPictureAndComposites)
{
    Qtqveffect fx;
    Picture texture = testpic::noise(240, 240, 11);
    Picture viaFacade = Image(), direct = Image();
    std::unique_ptr<unsigned char[]> a(fx.effectShiGuangSuiDao(viaFacade.data(), texture.data(), kW, kH));
    std::unique_ptr<unsigned char[]> b(StyleChuanYue1(direct.data(), texture.data(), kW, kH));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(0, std::memcmp(a.get(), b.get(), kW * kH * 4));
    EXPECT_EQ(viaFacade.bytes, direct.bytes);
    EXPECT_EQ(fx.effectShiGuangSuiDao(nullptr, texture.data(), kW, kH), nullptr);
    EXPECT_EQ(fx.effectShiGuangSuiDao(viaFacade.data(), texture.data(), 0, kH), nullptr);

    Picture over = testpic::withAlphaRamp(kW, kH);
    Picture c1 = Image(), c2 = Image();
    EXPECT_EQ(fx.effectShiGuangSuiDaoResult(c1.data(), over.data(), kW, kH), 1);
    StyleChuanYue3(c2.data(), over.data(), kW, kH);
    EXPECT_EQ(c1.bytes, c2.bytes);
}

TEST(FacadeSmall, SampleClearsGreenAndRedAndRandIntIsOne)
{
    Qtqveffect fx;
    Picture p = testpic::noise(5, 3, 8, false);
    const Picture before = p;
    EXPECT_EQ(fx.sample(p.data(), 5, 3), 0);
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        EXPECT_EQ(p.bytes[i], before.bytes[i]);
        EXPECT_EQ(p.bytes[i + 1], 0);
        EXPECT_EQ(p.bytes[i + 2], 0);
        EXPECT_EQ(p.bytes[i + 3], before.bytes[i + 3]);
    }
    EXPECT_EQ(fx.randInt(0, 0), 1);
    EXPECT_EQ(fx.randInt(-5, 1000), 1);
}
