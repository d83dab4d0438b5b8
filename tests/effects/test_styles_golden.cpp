// Golden digests of every look on one fixed input, so that any later change to
// a recipe, a table or a fast path shows up. The input picture, masks and
// table file are deterministic (tests/common/testpictures.h); the digest is
// testpic::digest (64-bit FNV-1a) of the changed picture (and of any second
// output). The digests were taken from the plain per-pixel implementation of
// the looks (commit 560b3e7) over the blend, colour, blur, curve and levels
// primitives of commit 374bf49; a change here needs a reason in its commit
// message.
//
// The two noisy looks reseed rand() from time(0); this program supplies its
// own time() so that they can be pinned to a fixed second.
#include "qtqveffect.h"
#include "stylefilters.h"
#include "testpictures.h"
#include "tonetables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using testpic::Picture;

namespace {

std::atomic<long long> g_fixedTime{-1};

struct FixedTime {
    explicit FixedTime(long long t) { g_fixedTime = t; }
    ~FixedTime() { g_fixedTime = -1; }
};

}  // namespace

// Replaces the C library's time() for this program (the library's calls bind
// to it too); the real clock unless a test has fixed it.
extern "C" time_t time(time_t *out) noexcept
{
    long long fixed = g_fixedTime.load();
    time_t now;
    if (fixed >= 0) {
        now = static_cast<time_t>(fixed);
    } else {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        now = ts.tv_sec;
    }
    if (out)
        *out = now;
    return now;
}

namespace {

constexpr int kW = 47, kH = 31;
constexpr long long kSecond = 1700000000;

// The fixed inputs.
struct Inputs {
    Picture image = testpic::noise(kW, kH, 2024);
    Picture m1 = testpic::noise(kW, kH, 11, false);
    Picture m2 = testpic::noise(kW, kH, 12, false);
    Picture m3 = testpic::noise(kW, kH, 13, false);
    Picture tunnel = testpic::noise(240, 240, 14, false);
    std::vector<unsigned char> table = std::vector<unsigned char>(196618);
    std::vector<unsigned char> tilt = std::vector<unsigned char>(819200);
    Inputs()
    {
        // Smooth blend tables: T[row][column] a fixed mix of row and column.
        for (int k = 0; k < 3; ++k)
            for (int row = 0; row < 256; ++row)
                for (int col = 0; col < 256; ++col)
                    table[(k == 0 ? 4 : k == 1 ? 65543 : 131082) + row * 256 + col] =
                        static_cast<unsigned char>((row * (3 + k) + col * (5 - k)) / 8);
        // Mask 1 a horizontal band, mask 2 a vignette, both 640 x 640.
        for (int y = 0; y < 640; ++y)
            for (int x = 0; x < 640; ++x) {
                const int dy = std::abs(y - 320);
                tilt[y * 640 + x] = static_cast<unsigned char>(dy < 100 ? 255 : std::max(0, 255 - (dy - 100)));
                const int dx = x - 320;
                const int r = (dx * dx + (y - 320) * (y - 320)) / 1600;
                tilt[409600 + y * 640 + x] = static_cast<unsigned char>(std::max(0, 255 - r));
            }
    }
};

struct Golden {
    const char *name;
    uint64_t digest;
    std::function<uint64_t(Inputs &)> run;
};

uint64_t Of(const Picture &p) { return testpic::digest(p); }

const std::vector<Golden> &Goldens()
{
    using F1 = void (*)(unsigned char *, int, int);
    using F2 = void (*)(unsigned char *, unsigned char *, int, int);
    auto one = [](F1 f) { return [f](Inputs &in) { f(in.image.data(), kW, kH); return Of(in.image); }; };
    auto two = [](F2 f) {
        return [f](Inputs &in) { f(in.image.data(), in.m1.data(), kW, kH); return Of(in.image); };
    };
    static const std::vector<Golden> all = {
        {"JinDian", 0x3471973aa7271e9e,
         [](Inputs &in) {
             StyleJinDian(in.image.data(), in.m1.data(), in.m2.data(), kW, kH);
             return Of(in.image);
         }},
        {"Elegant", 0x49f6b936f13e0279, one(StyleElegant)},
        {"Film", 0xc6442b38c931677f, one(StyleFilm)},
        {"Retro", 0xb5d3547b95bd00b6,
         [](Inputs &in) {
             FixedTime t(kSecond);
             StyleRetro(in.image.data(), kW, kH);
             return Of(in.image);
         }},
        {"Cinnamon", 0xe64eba4149e25fcd, one(StyleCinnamon)},
        {"Japanese", 0x1365ea0e32c04b3f, one(StyleJapanese)},
        {"OldPhoto", 0xaebc4ff23e42ba6a, two(StyleOldPhoto)},
        {"Impression", 0xab5a2c18836f4557, one(StyleImpression)},
        {"BaoColor", 0x25f35955be075f31, one(StyleBaoColor)},
        {"BrightRed", 0x5bac0b67936592b3, two(StyleBrightRed)},
        {"NiuPiZhi", 0x52fa62da3e961092,
         [](Inputs &in) {
             StyleNiuPiZhi(in.image.data(), in.m1.data(), in.m2.data(), kW, kH, in.table.data());
             return Of(in.image);
         }},
        {"XuanCai", 0x797d09f03083dce3,
         [](Inputs &in) {
             StyleXuanCai(in.image.data(), in.m1.data(), in.m2.data(), kW, kH, in.table.data());
             return Of(in.image);
         }},
        {"LomoHDRJinDian", 0x26cebf550ff0bff9, one(StyleLomoHDRJinDian)},
        {"HeiBai", 0xa632b29d3658862e, one(StyleHeiBai)},
        {"LomoHDR", 0xc1922cfa89033ab9, one(StyleLomoHDR)},
        {"FanHuang", 0x13725c0dff47f8f1,
         [](Inputs &in) {
             StyleFanHuang(in.image.data(), in.m1.data(), in.m2.data(), kW, kH, in.table.data());
             return Of(in.image);
         }},
        {"LiuJin", 0x39aca8bd3ce028bc,
         [](Inputs &in) {
             FixedTime t(kSecond);
             StyleLiuJin(in.image.data(), kW, kH);
             return Of(in.image);
         }},
        {"XiaoQingXin", 0x07917bf0daa73124, one(StyleXiaoQingXin)},
        {"Warm", 0x4968c0bf24380b18,
         [](Inputs &in) {
             StyleWarm(in.image.data(), in.m1.data(), in.m2.data(), kW, kH);
             return Of(in.image);
         }},
        {"LomoChristmas", 0xc46120531bc71ca7, two(StyleLomoChristmas)},
        {"LomoSnow", 0xb52f0fed65ace15c, two(StyleLomoSnow)},
        {"LomoNight", 0xea0dd2405cb47aec, two(StyleLomoNight)},
        {"LomoHalo", 0x073d6b17c336b196, two(StyleLomoHalo)},
        {"LomoStar", 0x52ef4deb6362c5f8, two(StyleLomoStar)},
        {"Reverse", 0x4784d3df14c6880f, two(StyleReverse)},
        {"FenHongJiaRen", 0x8576996f7d5250e1,
         [](Inputs &in) {
             StyleFenHongJiaRen(in.image.data(), in.m1.data(), in.m2.data(), in.m3.data(), kW, kH);
             return Of(in.image);
         }},
        {"Gray", 0x9400a60f5a4a65c6, one(StyleGray)},
        {"Riguanghaian", 0x6338a467e026bc91, two(StyleRiguanghaian)},
        {"YiZhou", 0xe055dec10a444d15,
         [](Inputs &in) {
             StyleYiZhou(in.image.data(), in.tilt.data(), kW, kH);
             return Of(in.image);
         }},
        {"ChuanYue1", 0x302c08d3db74e984,
         [](Inputs &in) {
             std::unique_ptr<unsigned char[]> out(StyleChuanYue1(in.image.data(), in.tunnel.data(), kW, kH));
             return Of(in.image) ^ (testpic::digest(out.get(), kW * kH * 4) * 31);
         }},
        {"ChuanYue3", 0x94a27db200539079, two(StyleChuanYue3)},
        {"Rouguang", 0xd1f44017586c671b,
         [](Inputs &in) {
             StyleRouguang(in.image.data(), in.m1.data(), kW, kH, in.table.data());
             return Of(in.image) ^ (Of(in.m1) * 31);
         }},
        {"Milk", 0x533c9e683b896d9d,
         [](Inputs &in) {
             StyleMilk(in.image.data(), in.m1.data(), in.m2.data(), in.m3.data(), kW, kH);
             return Of(in.image);
         }},
        {"Sharp", 0xadf9f5e05582500f,
         [](Inputs &in) {
             StyleSharp(in.image.data(), kW, kH, 2, 0.8f);
             return Of(in.image);
         }},
        {"ABaoColor", 0x40d919e8da6525c3, one(ABaoColor)},
        {"DanyaUseStone", 0xd15dbe35af7cf724,
         [](Inputs &in) {
             DanyaUseStone(in.image.data(), kW, kH, 1, 30, -20, 10);
             return Of(in.image);
         }},
        {"WeakRoundChange", 0x214cb27059efadec,
         [](Inputs &) {
             std::vector<unsigned char> mask(61 * 61);
             WeakRoundChange(mask.data(), 17, 30);
             return testpic::digest(mask.data(), mask.size());
         }},
        {"CDrawPoint", 0x13438b4323463d36,
         [](Inputs &in) {
             const ToneTables &t = GetToneTables(ToneLook::Film);
             CDrawPoint(in.image.data(), t.red, kW, kH, 20, 12, 15);
             return Of(in.image);
         }},
    };
    return all;
}

std::string Hex(uint64_t v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%016" PRIx64, v);
    return buf;
}

}  // namespace

TEST(StyleGolden, EveryLookMatchesItsDigest)
{
    for (const Golden &g : Goldens()) {
        Inputs in;
        const uint64_t got = g.run(in);
        EXPECT_EQ(Hex(got), Hex(g.digest)) << g.name;
    }
}

TEST(StyleGolden, EveryLookChangesThePicture)
{
    const uint64_t untouched = Of(Inputs().image);
    for (const Golden &g : Goldens()) {
        if (std::string(g.name) == "WeakRoundChange")
            continue;
        Inputs in;
        g.run(in);
        EXPECT_NE(Of(in.image), untouched) << g.name;
    }
}

TEST(StyleNoise, RetroAndLiuJinReseedOnEveryCall)
{
    using F = void (*)(unsigned char *, int, int);
    for (F look : {static_cast<F>(StyleRetro), static_cast<F>(StyleLiuJin)}) {
        Picture a = testpic::gradient(kW, kH), b = a, c = a;
        {
            FixedTime t(kSecond);
            look(a.data(), kW, kH);
            std::rand();  // whatever ran in between does not matter
            look(b.data(), kW, kH);
        }
        {
            FixedTime t(kSecond + 1);
            look(c.data(), kW, kH);
        }
        EXPECT_EQ(a.bytes, b.bytes) << "two calls in the same second";
        EXPECT_NE(a.bytes, c.bytes) << "the next second";
    }
}

TEST(StyleNoise, RetroNoiseStaysWithinTenLevelsOfItsTables)
{
    Picture noisy = testpic::gradient(kW, kH), toned = noisy;
    {
        FixedTime t(kSecond);
        StyleRetro(noisy.data(), kW, kH);
    }
    const ToneTables &tt = GetToneTables(ToneLook::Retro);
    int largest = 0;
    for (std::size_t i = 0; i < toned.bytes.size(); i += 4) {
        const int expected[3] = {tt.blue[toned.bytes[i]], tt.green[toned.bytes[i + 1]], tt.red[toned.bytes[i + 2]]};
        for (int c = 0; c < 3; ++c)
            largest = std::max(largest, std::abs(noisy.bytes[i + c] - expected[c]));
        ASSERT_EQ(noisy.bytes[i + 3], 255);
    }
    EXPECT_LE(largest, 10);
    EXPECT_GE(largest, 5);
}
