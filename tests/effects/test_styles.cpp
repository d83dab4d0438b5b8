// The looks: worked values, properties that catch real faults, and reads
// that must stay inside their fixed-size inputs.
#include "blendmodes.h"
#include "colorbalance.h"
#include "curves.h"
#include "levels.h"
#include "stylefilters.h"
#include "testpictures.h"
#include "tonesteps.h"
#include "tonetables.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

using testpic::Picture;

namespace {

// n bytes that end right before an inaccessible page: reading one byte past
// them faults.
class GuardedBytes
{
public:
    explicit GuardedBytes(std::size_t n) : n_(n)
    {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        total_ = (n + page - 1) / page * page + page;
        void *p = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            std::abort();
        base_ = static_cast<unsigned char *>(p);
        mprotect(base_ + total_ - page, page, PROT_NONE);
        data_ = base_ + total_ - page - n;
    }
    ~GuardedBytes() { munmap(base_, total_); }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    unsigned char *data() { return data_; }
    std::size_t size() const { return n_; }

private:
    std::size_t n_, total_;
    unsigned char *base_, *data_;
};

Picture Pixel(unsigned char r, unsigned char g, unsigned char b) { return testpic::uniform(1, 1, b, g, r); }

void ToneOnly(Picture &p, ToneLook look)
{
    const ToneTables &t = GetToneTables(look);
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        p.bytes[i] = t.blue[p.bytes[i]];
        p.bytes[i + 1] = t.green[p.bytes[i + 1]];
        p.bytes[i + 2] = t.red[p.bytes[i + 2]];
    }
}

}  // namespace

TEST(StyleWorkedValues, GrayOfThePrimaries)
{
    Picture red = Pixel(255, 0, 0), green = Pixel(0, 255, 0), blue = Pixel(0, 0, 255);
    StyleGray(red.data(), 1, 1);
    StyleGray(green.data(), 1, 1);
    StyleGray(blue.data(), 1, 1);
    EXPECT_EQ(red.bytes, (std::vector<unsigned char>{76, 76, 76, 255}));
    EXPECT_EQ(green.bytes, (std::vector<unsigned char>{150, 150, 150, 255}));
    EXPECT_EQ(blue.bytes, (std::vector<unsigned char>{28, 28, 28, 255}));
}

TEST(StyleWorkedValues, XiaoQingXinOfBlackIsFourFifthsOfTheTable)
{
    Picture black = Pixel(0, 0, 0);
    StyleXiaoQingXin(black.data(), 1, 1);
    EXPECT_EQ(black.bytes[2], 32);  // .8 * 40
    EXPECT_EQ(black.bytes[1], 48);  // .8 * 61 = 48.8
    EXPECT_EQ(black.bytes[0], 0);   // .8 * 1
}

TEST(StyleWorkedValues, ReverseWithZeroAlphaMaskAppliesOnlyItsTables)
{
    Picture image = testpic::gradient(31, 9);
    Picture mask = testpic::noise(31, 9, 4, false);
    for (std::size_t i = 3; i < mask.bytes.size(); i += 4)
        mask.bytes[i] = 0;
    Picture expected = image;
    ToneOnly(expected, ToneLook::Reverse);
    StyleReverse(image.data(), mask.data(), 31, 9);
    EXPECT_EQ(image.bytes, expected.bytes);

    // With the mask's alpha up the soft light shows.
    Picture lit = testpic::gradient(31, 9);
    Picture opaque = testpic::noise(31, 9, 4, true);
    StyleReverse(lit.data(), opaque.data(), 31, 9);
    EXPECT_NE(lit.bytes, expected.bytes);
}

TEST(StyleWorkedValues, FanHuangEndsOnConstantColumnsOfTheLastTable)
{
    // T0 and T1 arbitrary; T2 depends on its column only, so the result is
    // fixed by the columns 8 (B, G) and 48 (R) whatever the textures hold.
    Picture fill = testpic::noise(196618 / 4 + 1, 1, 21, false);
    std::vector<unsigned char> file(fill.bytes.begin(), fill.bytes.begin() + 196618);
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col)
            file[131082 + row * 256 + col] = static_cast<unsigned char>(col ^ 0x5a);
    Picture image = testpic::gradient(19, 13);
    Picture second = testpic::noise(19, 13, 1), third = testpic::noise(19, 13, 2);
    StyleFanHuang(image.data(), second.data(), third.data(), 19, 13, file.data());
    for (std::size_t i = 0; i < image.bytes.size(); i += 4) {
        ASSERT_EQ(image.bytes[i], 8 ^ 0x5a);
        ASSERT_EQ(image.bytes[i + 1], 8 ^ 0x5a);
        ASSERT_EQ(image.bytes[i + 2], 48 ^ 0x5a);
        ASSERT_EQ(image.bytes[i + 3], 255);
    }
}

TEST(StyleWorkedValues, WeakRoundChangeTenTwenty)
{
    std::vector<unsigned char> mask(41 * 41 + 8, 0xcd);
    WeakRoundChange(mask.data(), 10, 20);
    auto at = [&](int x, int y) { return mask[(y + 20) * 41 + (x + 20)]; };
    EXPECT_EQ(at(0, 0), 255);
    EXPECT_EQ(at(5, 0), 255);   // 4d = 100 <= r
    EXPECT_EQ(at(7, 0), 255);   // 128 + 51 * 256 / 100 = 258, capped
    EXPECT_EQ(at(8, 0), 220);   // 128 + 36 * 256 / 100
    EXPECT_EQ(at(10, 0), 128);  // on the inner circle
    EXPECT_EQ(at(0, -10), 128);
    EXPECT_EQ(at(6, 8), 128);
    EXPECT_EQ(at(12, 0), 109);  // (400 - 144) * 128 / 300
    EXPECT_EQ(at(20, 0), 0);    // on the outer circle
    EXPECT_EQ(at(15, 15), 0);   // beyond it
    EXPECT_EQ(at(-20, -20), 0);
    // The mask is symmetric and nothing past its 41 x 41 bytes is written.
    for (int y = -20; y <= 20; ++y)
        for (int x = -20; x <= 20; ++x)
            ASSERT_EQ(at(x, y), at(-x, y));
    for (int i = 41 * 41; i < 41 * 41 + 8; ++i)
        EXPECT_EQ(mask[i], 0xcd);

    // Degenerate radii divide by nothing.
    unsigned char one = 0;
    WeakRoundChange(&one, 0, 0);
    EXPECT_EQ(one, 255);
    std::vector<unsigned char> same(9 * 9);
    WeakRoundChange(same.data(), 4, 4);
    EXPECT_EQ(same[4 * 9 + 4], 255);
    EXPECT_EQ(same[4 * 9 + 8], 128);
    std::vector<unsigned char> nothing(4, 7);
    WeakRoundChange(nothing.data(), 3, -1);
    EXPECT_EQ(nothing, std::vector<unsigned char>(4, 7));
}

// --- the old photo -----------------------------------------------------------------------

namespace {

// The old photo step by step, each step over the whole picture: the colour
// balance of shadows (cyan-red -11, magenta-green -20, yellow-blue 10),
// midtones (14, 26, 41) and highlights (15, 26, 45); the composite curve, then
// the red curve; per pixel exclusion against (B 83, G 28, R 7) and the
// texture screened at .8.
void OldPhotoSteps(Picture &p, Picture &texture)
{
    CColorBalance(false, TONE_SHADOWS, -11, -20, 10, p.data(), p.width, p.height);
    CColorBalance(false, TONE_MIDTONES, 14, 26, 41, p.data(), p.width, p.height);
    CColorBalance(false, TONE_HIGHLIGHTS, 15, 26, 45, p.data(), p.width, p.height);
    SFCurve curve;
    _POINT composite[4] = {{0, 0}, {83, 72}, {163, 184}, {255, 255}};
    curve.GetCurveByPoints(composite, 4, 4);
    curve.ApplyCurve(4, p.data(), p.width, p.height);
    _POINT red[4] = {{0, 0}, {80, 89}, {162, 182}, {255, 255}};
    curve.GetCurveByPoints(red, 4, 1);
    curve.ApplyCurve(1, p.data(), p.width, p.height);
    curve.Release();
    unsigned char colour[4] = {83, 28, 7, 0};
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        ExclusionEx(p.data() + i, colour, 1.0);
        ScreenEx(p.data() + i, texture.data() + i, 0.8);
    }
}

}  // namespace

TEST(StyleOldPhoto, GreyOverBlackTakesTheShadowsBalanceInItsOrder)
{
    // Cyan-red -11, magenta-green -20, yellow-blue +10 in the shadows: blue
    // ends highest, green lowest.
    Picture grey = Pixel(100, 100, 100), black = Pixel(0, 0, 0);
    StyleOldPhoto(grey.data(), black.data(), 1, 1);
    EXPECT_EQ(grey.bytes, (std::vector<unsigned char>{137, 125, 126, 255}));
}

TEST(StyleOldPhoto, MatchesItsStepsOneByOne)
{
    for (auto [w, h, seed] : {std::tuple{47, 31, 1u}, std::tuple{256, 3, 2u}, std::tuple{1, 1, 3u}}) {
        Picture image = testpic::noise(w, h, seed), texture = testpic::noise(w, h, seed + 100, false);
        Picture expected = image;
        OldPhotoSteps(expected, texture);
        StyleOldPhoto(image.data(), texture.data(), w, h);
        EXPECT_EQ(testpic::describeDifference(expected, image), "") << w << " x " << h;
    }
    Picture ramp = testpic::greyRamp(256, 2), texture = testpic::gradient(256, 2), expected = ramp;
    OldPhotoSteps(expected, texture);
    StyleOldPhoto(ramp.data(), texture.data(), 256, 2);
    EXPECT_EQ(testpic::describeDifference(expected, ramp), "");
}

// --- the tilt look -----------------------------------------------------------------------

TEST(StyleYiZhou, FullMasksGiveTheTonedPicture)
{
    constexpr int w = 37, h = 29;
    Picture image = testpic::noise(w, h, 31);
    Picture expected = image;
    const ToneTables &t = GetToneTables(ToneLook::YiZhou);
    for (std::size_t i = 0; i < expected.bytes.size(); i += 4) {
        unsigned char before[4] = {expected.bytes[i], expected.bytes[i + 1], expected.bytes[i + 2],
                                   expected.bytes[i + 3]};
        for (int c = 0; c < 3; ++c)
            expected.bytes[i + c] = t.red[expected.bytes[i + c]];
        ColorHSBEx(expected.data() + i, before, 0.6);
    }
    GuardedBytes masks(819200);
    std::memset(masks.data(), 255, masks.size());
    StyleYiZhou(image.data(), masks.data(), w, h);
    EXPECT_EQ(image.bytes, expected.bytes);
}

TEST(StyleYiZhou, MasksBlendBlurAndDarken)
{
    constexpr int w = 640, h = 4;  // a width of the masks' own
    Picture sharp = testpic::noise(w, h, 32);
    GuardedBytes masks(819200);
    // Mask 1 all 0 (blurred everywhere), mask 2 all 0 (black): the result is black.
    std::memset(masks.data(), 0, masks.size());
    Picture black = sharp;
    StyleYiZhou(black.data(), masks.data(), w, h);
    for (std::size_t i = 0; i < black.bytes.size(); i += 4) {
        ASSERT_EQ(black.bytes[i], 0);
        ASSERT_EQ(black.bytes[i + 1], 0);
        ASSERT_EQ(black.bytes[i + 2], 0);
        ASSERT_EQ(black.bytes[i + 3], 255);
    }
    // Mask 1 at 0, mask 2 full: the blurred toned picture, smoother than the toned one.
    std::memset(masks.data() + 409600, 255, 409600);
    Picture blurred = sharp, toned = sharp;
    StyleYiZhou(blurred.data(), masks.data(), w, h);
    std::memset(masks.data(), 255, 409600);
    StyleYiZhou(toned.data(), masks.data(), w, h);
    long long roughBlurred = 0, roughToned = 0;
    for (std::size_t i = 4; i < sharp.bytes.size(); ++i) {
        if (i % 4 == 3)
            continue;
        roughBlurred += std::abs(blurred.bytes[i] - blurred.bytes[i - 4]);
        roughToned += std::abs(toned.bytes[i] - toned.bytes[i - 4]);
    }
    EXPECT_LT(roughBlurred * 3, roughToned);
}

TEST(StyleYiZhou, ReadsNothingPastTheMaskFile)
{
    // The file ends at an inaccessible page; pictures larger, smaller and of
    // the masks' own size all stay inside it.
    GuardedBytes masks(819200);
    for (std::size_t i = 0; i < masks.size(); ++i)
        masks.data()[i] = static_cast<unsigned char>(i % 251);
    for (auto [w, h] : {std::pair{640, 640}, std::pair{7, 5}, std::pair{900, 3}, std::pair{1, 700}}) {
        Picture image = testpic::gradient(w, h);
        StyleYiZhou(image.data(), masks.data(), w, h);
        EXPECT_NE(image.bytes, testpic::gradient(w, h).bytes) << w << " x " << h;
    }
}

// --- fixed-size inputs are read within their bounds --------------------------------------------

TEST(StyleBounds, BlendTableLooksReadInsideTheFile)
{
    // Every table entry 255, so every row and column up to 255 is reached,
    // with the file ending at an inaccessible page.
    GuardedBytes file(196618);
    std::memset(file.data(), 255, file.size());
    Picture white = testpic::uniform(9, 7, 255, 255, 255);
    Picture second = testpic::uniform(9, 7, 255, 255, 255), third = second;
    Picture a = white, b = white, c = white;
    StyleNiuPiZhi(a.data(), second.data(), third.data(), 9, 7, file.data());
    StyleXuanCai(b.data(), second.data(), third.data(), 9, 7, file.data());
    StyleFanHuang(c.data(), second.data(), third.data(), 9, 7, file.data());
    Picture d = white;
    StyleRouguang(d.data(), second.data(), 9, 7, file.data());
    EXPECT_EQ(a.bytes, white.bytes);
    EXPECT_EQ(d.bytes, white.bytes);
}

TEST(StyleBounds, TunnelReadsOnlyItsTextureSize)
{
    GuardedBytes texture(240 * 240 * 4);
    for (std::size_t i = 0; i < texture.size(); ++i)
        texture.data()[i] = static_cast<unsigned char>(i * 13 >> 3);
    for (auto [w, h] : {std::pair{240, 240}, std::pair{31, 17}, std::pair{300, 2}}) {
        Picture image = testpic::gradient(w, h);
        std::unique_ptr<unsigned char[]> out(StyleChuanYue1(image.data(), texture.data(), w, h));
        ASSERT_NE(out, nullptr);
    }
    Picture image = testpic::gradient(4, 4);
    EXPECT_EQ(StyleChuanYue1(image.data(), texture.data(), 0, 4), nullptr);
}

// --- properties ---------------------------------------------------------------------------

TEST(StyleProperties, EmptyPicturesChangeNothing)
{
    std::vector<unsigned char> buf(64, 0x33), m1(64, 0x44), m2(64, 0x55), m3(64, 0x66);
    std::vector<unsigned char> file(196618, 9), masks(819200, 200);
    unsigned char *p = buf.data();
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-2, 3}, std::pair{3, -2}}) {
        StyleFilm(p, w, h);
        StyleJapanese(p, w, h);
        StyleXiaoQingXin(p, w, h);
        StyleElegant(p, w, h);
        StyleRetro(p, w, h);
        StyleImpression(p, w, h);
        StyleHeiBai(p, w, h);
        StyleGray(p, w, h);
        StyleLiuJin(p, w, h);
        StyleCinnamon(p, w, h);
        StyleBrightRed(p, m1.data(), w, h);
        StyleLomoChristmas(p, m1.data(), w, h);
        StyleLomoSnow(p, m1.data(), w, h);
        StyleLomoNight(p, m1.data(), w, h);
        StyleLomoHalo(p, m1.data(), w, h);
        StyleLomoStar(p, m1.data(), w, h);
        StyleReverse(p, m1.data(), w, h);
        StyleRiguanghaian(p, m1.data(), w, h);
        StyleJinDian(p, m1.data(), m2.data(), w, h);
        StyleWarm(p, m1.data(), m2.data(), w, h);
        StyleFenHongJiaRen(p, m1.data(), m2.data(), m3.data(), w, h);
        StyleOldPhoto(p, m1.data(), w, h);
        StyleMilk(p, m1.data(), m2.data(), m3.data(), w, h);
        StyleNiuPiZhi(p, m1.data(), m2.data(), w, h, file.data());
        StyleXuanCai(p, m1.data(), m2.data(), w, h, file.data());
        StyleFanHuang(p, m1.data(), m2.data(), w, h, file.data());
        StyleRouguang(p, m1.data(), w, h, file.data());
        StyleLomoHDR(p, w, h);
        StyleLomoHDRJinDian(p, w, h);
        StyleBaoColor(p, w, h);
        ABaoColor(p, w, h);
        StyleSharp(p, w, h, 3, 0.5f);
        DanyaUseStone(p, w, h, 1, 10, 10, 10);
        StyleYiZhou(p, masks.data(), w, h);
        StyleChuanYue3(p, m1.data(), w, h);
        CDrawPoint(p, m1.data(), w, h, 1, 1, 5);
    }
    EXPECT_EQ(buf, std::vector<unsigned char>(64, 0x33));
    EXPECT_EQ(m1, std::vector<unsigned char>(64, 0x44));
}

TEST(StyleProperties, ChuanYue3CompositesByTheOverlayAlpha)
{
    Picture image = testpic::gradient(16, 4);
    Picture overlay = testpic::noise(16, 4, 6, false);
    overlay.bytes[3] = 255;
    overlay.bytes[7] = 0;
    overlay.bytes[11] = 128;
    const Picture before = image;
    StyleChuanYue3(image.data(), overlay.data(), 16, 4);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(image.bytes[c], overlay.bytes[c]);
        EXPECT_EQ(image.bytes[4 + c], before.bytes[4 + c]);
        const double a = static_cast<float>(128) / 255;
        EXPECT_EQ(image.bytes[8 + c], static_cast<int>(overlay.bytes[8 + c] * a + before.bytes[8 + c] * (1 - a)));
    }
    EXPECT_EQ(image.bytes[3], 255);
}

TEST(StyleProperties, CDrawPointFadesTheTableInTowardTheRim)
{
    constexpr int w = 41, h = 41;
    unsigned char white[256];
    std::memset(white, 255, sizeof white);
    Picture image = testpic::uniform(w, h, 100, 100, 100);
    CDrawPoint(image.data(), white, w, h, 20, 20, 10);  // rim at int(10 * 1.2) = 12
    EXPECT_EQ(image.at(20, 20)[0], 99);                 // k = 0: (100 * 255) >> 8
    EXPECT_EQ(image.at(20, 20)[3], 255);
    // At distance 6, t = .5 and k = 127: (100 * 128 + 255 * 127) >> 8 = 176.
    EXPECT_EQ(image.at(26, 20)[2], 176);
    EXPECT_EQ(image.at(32, 20)[1], 254);  // on the rim, k = 255
    EXPECT_EQ(image.at(33, 20)[1], 100);  // past the rim: unchanged
    EXPECT_EQ(image.at(29, 29)[1], 100);  // distance 12.7
    // Brighter toward the rim along a ray.
    for (int x = 21; x <= 32; ++x)
        EXPECT_GE(image.at(x, 20)[0], image.at(x - 1, 20)[0]);

    // A circle over the picture's edge and a zero radius stay in bounds.
    Picture small = testpic::gradient(5, 4);
    CDrawPoint(small.data(), white, 5, 4, 0, 0, 100);
    CDrawPoint(small.data(), white, 5, 4, -50, 2, 3);
    Picture same = testpic::gradient(5, 4);
    CDrawPoint(same.data(), white, 5, 4, 2, 2, 0);
    EXPECT_EQ(same.bytes, testpic::gradient(5, 4).bytes);
}

TEST(StyleProperties, RouguangTonesItsSecondBufferAndSelectsRowsByIt)
{
    // T0 (red) = row, T1 (green) = column, T2 (blue) = row ^ column.
    std::vector<unsigned char> file(196618, 0);
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col) {
            file[4 + row * 256 + col] = static_cast<unsigned char>(row);
            file[65543 + row * 256 + col] = static_cast<unsigned char>(col);
            file[131082 + row * 256 + col] = static_cast<unsigned char>(row ^ col);
        }
    Picture image = testpic::gradient(13, 11), second = testpic::noise(13, 11, 17, false);
    const Picture image0 = image, second0 = second;
    StyleRouguang(image.data(), second.data(), 13, 11, file.data());
    const ToneTables &t = GetToneTables(ToneLook::Rouguang);
    for (std::size_t i = 0; i < image.bytes.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(second.bytes[i + c], t.red[second0.bytes[i + c]]);
        ASSERT_EQ(second.bytes[i + 3], second0.bytes[i + 3]);
        ASSERT_EQ(image.bytes[i + 2], second.bytes[i + 2]);
        ASSERT_EQ(image.bytes[i + 1], image0.bytes[i + 1]);
        ASSERT_EQ(image.bytes[i], second.bytes[i] ^ image0.bytes[i]);
    }
}

TEST(StyleProperties, MasksAndTexturesAreOnlyRead)
{
    constexpr int w = 21, h = 15;
    const Picture m1 = testpic::noise(w, h, 41, false), m2 = testpic::noise(w, h, 42, false),
                  m3 = testpic::noise(w, h, 43, false);
    Picture a = m1, b = m2, c = m3;
    std::vector<unsigned char> file(196618);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>(i * 31 >> 4);
    const std::vector<unsigned char> file0 = file;
    Picture img = testpic::gradient(w, h);
    StyleOldPhoto(img.data(), a.data(), w, h);
    StyleWarm(img.data(), a.data(), b.data(), w, h);
    StyleJinDian(img.data(), a.data(), b.data(), w, h);
    StyleFenHongJiaRen(img.data(), a.data(), b.data(), c.data(), w, h);
    StyleMilk(img.data(), a.data(), b.data(), c.data(), w, h);
    StyleNiuPiZhi(img.data(), a.data(), b.data(), w, h, file.data());
    StyleXuanCai(img.data(), a.data(), b.data(), w, h, file.data());
    StyleFanHuang(img.data(), a.data(), b.data(), w, h, file.data());
    StyleReverse(img.data(), a.data(), w, h);
    EXPECT_EQ(a.bytes, m1.bytes);
    EXPECT_EQ(b.bytes, m2.bytes);
    EXPECT_EQ(c.bytes, m3.bytes);
    EXPECT_EQ(file, file0);
}

// --- what the looks' look-up tables rest on ---------------------------------------------------
//
// The looks tabulate a step once per call by running it over every value (or
// every pair of values) with the same value in all three channels, and then
// look each channel up on its own. That is exact only while each channel of a
// step's result depends on that channel alone, and a whole-picture step maps
// every pixel through the same tables. These tests hold the primitives to it,
// over every pair of values, with the other channels set to unrelated values.

namespace {

uint32_t Mix(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352du;
    v ^= v >> 15;
    v *= 0x846ca68bu;
    return v ^ (v >> 16);
}

}  // namespace

TEST(StyleTables, TabulatedBlendsTreatEachChannelOnItsOwn)
{
    using Blend = void (*)(unsigned char *, unsigned char *, double);
    const std::pair<Blend, double> used[] = {
        {ScreenEx, 1.0},         {ScreenEx, 0.8},         {ScreenEx, 0.2},    {SoftLightEx, 1.0},
        {SoftLightEx, 0.45},     {CompositeColorEx, 1.0}, {CompositeColorEx, 0.8}, {CompositeColorEx, 0.6},
        {MultipleEx, 1.0},       {MultipleEx, 0.2},       {NormalEx, 0.31}};
    for (auto [blend, opacity] : used) {
        int mismatches = 0;
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                const unsigned char av = static_cast<unsigned char>(a), bv = static_cast<unsigned char>(b);
                unsigned char same[4] = {av, av, av, 0}, sameLayer[4] = {bv, bv, bv, 0};
                blend(same, sameLayer, opacity);
                for (int c = 0; c < 3; ++c) {
                    const uint32_t r = Mix(static_cast<uint32_t>(a * 256 + b) * 3 + c);
                    unsigned char base[4] = {static_cast<unsigned char>(r), static_cast<unsigned char>(r >> 8),
                                             static_cast<unsigned char>(r >> 16), static_cast<unsigned char>(r >> 24)};
                    unsigned char layer[4] = {static_cast<unsigned char>(r >> 5), static_cast<unsigned char>(r >> 13),
                                              static_cast<unsigned char>(r >> 21), static_cast<unsigned char>(r >> 3)};
                    base[c] = av;
                    layer[c] = bv;
                    blend(base, layer, opacity);
                    mismatches += base[c] != same[c];
                    mismatches += same[c] != same[0];
                }
            }
        EXPECT_EQ(mismatches, 0) << "opacity " << opacity;
    }
}

TEST(StyleTables, PerValueStepsTreatEachChannelOnItsOwn)
{
    unsigned char burn[4] = {198, 233, 219, 0}, exclusion[4] = {83, 28, 7, 0}, hdr[4] = {58, 2, 14, 0};
    unsigned char halo[4] = {241, 242, 255, 255}, white[4] = {255, 255, 255, 0}, cinnamon[4] = {185, 118, 93, 0};
    const std::vector<std::function<void(unsigned char *)>> steps = {
        [&](unsigned char *px) { ColorBurnEx(px, burn, 0.2); },
        [&](unsigned char *px) { ExclusionEx(px, exclusion, 1.0); },
        [&](unsigned char *px) { ExclusionEx(px, hdr, 1.0); },
        [&](unsigned char *px) { NormalEx(px, halo, 0.15); },
        [&](unsigned char *px) { NormalEx(px, white, 0.1); },
        [&](unsigned char *px) { ShiftRGBEx(px, 40, 25, 0); },
        [&](unsigned char *px) {
            unsigned char self[4] = {px[0], px[1], px[2], px[3]};
            SoftLightEx2(px, self, 0.5);
            PinLightEx8(px, cinnamon, 0.8f);
        },
        [&](unsigned char *px) {
            unsigned char self[4] = {px[0], px[1], px[2], px[3]};
            CompositeColorEx(px, self, 1.0);
        },
    };
    for (std::size_t k = 0; k < steps.size(); ++k) {
        int mismatches = 0;
        for (uint32_t i = 0; i < 3 * 65536; ++i) {
            const uint32_t r = Mix(i + 1000003u * static_cast<uint32_t>(k));
            unsigned char px[4] = {static_cast<unsigned char>(r), static_cast<unsigned char>(r >> 8),
                                   static_cast<unsigned char>(r >> 16), static_cast<unsigned char>(r >> 24)};
            const int c = static_cast<int>(i % 3);
            const unsigned char v = px[c];
            unsigned char expected[4] = {v, v, v, 0};
            steps[k](expected);
            steps[k](px);
            mismatches += px[c] != expected[c];
        }
        EXPECT_EQ(mismatches, 0) << "step " << k;
    }
    // The grey soft light of StyleElegant: channel c from its own value and the grey byte.
    int mismatches = 0;
    for (int v = 0; v < 256; ++v)
        for (int g = 0; g < 256; ++g) {
            const unsigned char vv = static_cast<unsigned char>(v);
            unsigned char same[4] = {vv, vv, vv, 0};
            ImageSoftLightExNew(same, static_cast<unsigned char>(g), 1.0);
            const int c = (v + g) % 3;
            const uint32_t r = Mix(static_cast<uint32_t>(v * 256 + g));
            unsigned char px[4] = {static_cast<unsigned char>(r), static_cast<unsigned char>(r >> 8),
                                   static_cast<unsigned char>(r >> 16), 0};
            px[c] = vv;
            ImageSoftLightExNew(px, static_cast<unsigned char>(g), 1.0);
            mismatches += px[c] != same[0];
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(StyleTables, WholePictureStepsMapEveryPixelThroughTheSameTables)
{
    // Each step run over a 256-pixel grey ramp gives its tables; run over a
    // noise picture it must give exactly those tables' values.
    using Step = std::function<void(unsigned char *, int, int)>;
    _POINT composite[4] = {{0, 0}, {83, 72}, {163, 184}, {255, 255}};
    _POINT red[4] = {{0, 0}, {80, 89}, {162, 182}, {255, 255}};
    const std::vector<Step> steps = {
        [](unsigned char *p, int w, int h) { Light(p, w, h, 0, -10); },
        [](unsigned char *p, int w, int h) { AutoColorLevel(p, w, h, false); },
        [](unsigned char *p, int w, int h) {
            CColorBalance(false, TONE_SHADOWS, -11, -20, 10, p, w, h);
            CColorBalance(false, TONE_MIDTONES, 14, 26, 41, p, w, h);
            CColorBalance(false, TONE_HIGHLIGHTS, 15, 26, 45, p, w, h);
        },
        [&](unsigned char *p, int w, int h) {
            SFCurve curve;
            curve.GetCurveByPoints(composite, 4, 4);
            curve.ApplyCurve(4, p, w, h);
            curve.GetCurveByPoints(red, 4, 1);
            curve.ApplyCurve(1, p, w, h);
        },
    };
    for (std::size_t k = 0; k < steps.size(); ++k) {
        Picture ramp = testpic::uniform(256, 1, 0, 0, 0);
        for (int v = 0; v < 256; ++v)
            ramp.at(v, 0)[0] = ramp.at(v, 0)[1] = ramp.at(v, 0)[2] = static_cast<unsigned char>(v);
        steps[k](ramp.data(), 256, 1);
        const Picture before = testpic::noise(193, 71, 60 + static_cast<uint32_t>(k));
        Picture after = before;
        steps[k](after.data(), 193, 71);
        int mismatches = 0;
        for (std::size_t i = 0; i < after.bytes.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                mismatches += after.bytes[i + c] != ramp.at(before.bytes[i + c], 0)[c];
        EXPECT_EQ(mismatches, 0) << "step " << k;
    }
}

TEST(StyleTables, TableOnlyLooksMatchTheirTablesAtEverySize)
{
    // The table pass runs sixteen pixels at a time where it can, the rest one
    // by one: every remainder, and a picture large enough for both, against
    // the plain per-pixel look-up.
    using F = void (*)(unsigned char *, int, int);
    const std::pair<F, ToneLook> looks[] = {{StyleFilm, ToneLook::Film}, {StyleJapanese, ToneLook::Japanese}};
    for (auto [look, tables] : looks) {
        for (int w : {1, 2, 15, 16, 17, 31, 33, 250}) {
            const int h = w == 250 ? 7 : 3;
            Picture p = testpic::noise(w, h, static_cast<uint32_t>(w), false);
            Picture expected = p;
            ToneOnly(expected, tables);
            look(p.data(), w, h);
            ASSERT_EQ(p.bytes, expected.bytes) << w << " x " << h;
        }
    }
    for (int w : {1, 7, 8, 9, 31, 64}) {
        Picture grey = testpic::noise(w, 3, 50u + static_cast<uint32_t>(w), false), expected = grey;
        for (std::size_t i = 0; i < expected.bytes.size(); i += 4) {
            const int v = (30 * expected.bytes[i + 2] + 59 * expected.bytes[i + 1] + 11 * expected.bytes[i]) / 100;
            expected.bytes[i] = expected.bytes[i + 1] = expected.bytes[i + 2] = static_cast<unsigned char>(v);
        }
        StyleGray(grey.data(), w, 3);
        ASSERT_EQ(grey.bytes, expected.bytes) << "grey, width " << w;
    }
    Picture p = testpic::noise(37, 5, 99, false), expected = p;
    const ToneTables &t = GetToneTables(ToneLook::XiaoQingXin);
    for (std::size_t i = 0; i < expected.bytes.size(); i += 4) {
        const unsigned char *tab[3] = {t.blue, t.green, t.red};
        for (int c = 0; c < 3; ++c) {
            const int v = expected.bytes[i + c];
            expected.bytes[i + c] = static_cast<unsigned char>(static_cast<int>(v * 0.2 + tab[c][v] * 0.8));
        }
    }
    StyleXiaoQingXin(p.data(), 37, 5);
    EXPECT_EQ(p.bytes, expected.bytes);
}

TEST(StyleProperties, SharpWithoutAKernelChangesNothing)
{
    for (int radius : {0, -1, 51}) {
        Picture p = testpic::noise(19, 11, 5, false);
        StyleSharp(p.data(), 19, 11, radius, 0.8f);
        EXPECT_EQ(p.bytes, testpic::noise(19, 11, 5, false).bytes) << radius;
    }
    Picture p = testpic::noise(19, 11, 5, false);
    StyleSharp(p.data(), 19, 11, 1, 0.8f);
    EXPECT_NE(p.bytes, testpic::noise(19, 11, 5, false).bytes);
    EXPECT_EQ(p.bytes[3], 255);
}
