// Golden digests of every look on one fixed input, so that any later change to
// a recipe, a table or a fast path shows up. The input picture, masks and
// table file are deterministic (tests/common/testpictures.h); the digest is
// testpic::digest (64-bit FNV-1a) of the changed picture (and of any second
// output). The digests of the noise input were taken from the plain
// per-pixel implementation of the looks (commit 560b3e7) over the blend,
// colour, blur, curve and levels primitives of commit 374bf49; those of the
// pairs input from the same plain looks at commit a5fda99. A change here needs
// a reason in its commit message. (OldPhoto's were taken again from its steps
// run one by one, when its shadows balance was put back in its order.)
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

// A 256 x 256 picture whose channels are fixed functions of x and y.
Picture Pairs(int (*b)(int, int), int (*g)(int, int), int (*r)(int, int), int (*a)(int, int))
{
    Picture p = testpic::uniform(256, 256, 0, 0, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            unsigned char *px = p.at(x, y);
            px[0] = static_cast<unsigned char>(b(x, y));
            px[1] = static_cast<unsigned char>(g(x, y));
            px[2] = static_cast<unsigned char>(r(x, y));
            px[3] = static_cast<unsigned char>(a(x, y));
        }
    return p;
}

// The fixed inputs: a small noise picture with noise masks, or the "pairs"
// picture, where the picture and its first mask meet in every pair of values
// in each channel (B: x over y, G: y over x, R: x + y over 2x + y).
enum class Kind { Noise, Pairs };

struct Inputs {
    int w, h;
    Picture image, m1, m2, m3;
    Picture tunnel = testpic::noise(240, 240, 14, false);
    std::vector<unsigned char> table = std::vector<unsigned char>(196618);
    std::vector<unsigned char> tilt = std::vector<unsigned char>(819200);
    explicit Inputs(Kind kind = Kind::Noise)
    {
        if (kind == Kind::Noise) {
            w = kW;
            h = kH;
            image = testpic::noise(w, h, 2024);
            m1 = testpic::noise(w, h, 11, false);
            m2 = testpic::noise(w, h, 12, false);
            m3 = testpic::noise(w, h, 13, false);
        } else {
            w = h = 256;
            image = Pairs([](int x, int) { return x; }, [](int, int y) { return y; },
                          [](int x, int y) { return (x + y) & 255; }, [](int, int) { return 255; });
            m1 = Pairs([](int, int y) { return y; }, [](int x, int) { return x; },
                       [](int x, int y) { return (2 * x + y) & 255; }, [](int x, int y) { return x ^ y; });
            m2 = Pairs([](int x, int y) { return x ^ y; }, [](int x, int y) { return (3 * x + y) & 255; },
                       [](int, int y) { return y; }, [](int x, int) { return x; });
            m3 = Pairs([](int x, int) { return 255 - x; }, [](int, int y) { return 255 - y; },
                       [](int x, int y) { return (x * y) & 255; }, [](int, int y) { return 255 - y; });
        }
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
    uint64_t digest;       // of the noise input
    uint64_t pairsDigest;  // of the pairs input
    std::function<uint64_t(Inputs &)> run;
};

uint64_t Of(const Picture &p) { return testpic::digest(p); }

const std::vector<Golden> &Goldens()
{
    using F1 = void (*)(unsigned char *, int, int);
    using F2 = void (*)(unsigned char *, unsigned char *, int, int);
    auto one = [](F1 f) {
        return [f](Inputs &in) { f(in.image.data(), in.w, in.h); return Of(in.image); };
    };
    auto two = [](F2 f) {
        return [f](Inputs &in) { f(in.image.data(), in.m1.data(), in.w, in.h); return Of(in.image); };
    };
    static const std::vector<Golden> all = {
        {"JinDian", 0x3471973aa7271e9e, 0x1b61980337273a82,
         [](Inputs &in) {
             StyleJinDian(in.image.data(), in.m1.data(), in.m2.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"Elegant", 0x49f6b936f13e0279, 0x80bf47b1f5454445, one(StyleElegant)},
        {"Film", 0xc6442b38c931677f, 0xc9379b3786165d77, one(StyleFilm)},
        {"Retro", 0xb5d3547b95bd00b6, 0x50b01b8c606f4be5,
         [](Inputs &in) {
             FixedTime t(kSecond);
             StyleRetro(in.image.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"Cinnamon", 0xe64eba4149e25fcd, 0x26828865fa530ee3, one(StyleCinnamon)},
        {"Japanese", 0x1365ea0e32c04b3f, 0x6eded8f765317c63, one(StyleJapanese)},
        {"OldPhoto", 0xf308cca9c38adab9, 0xf0bdf421777a8e9b, two(StyleOldPhoto)},
        {"Impression", 0xab5a2c18836f4557, 0x965e825ad418eee4, one(StyleImpression)},
        {"BaoColor", 0x25f35955be075f31, 0x1f9e93e8c2161e40, one(StyleBaoColor)},
        {"BrightRed", 0x5bac0b67936592b3, 0xa0481930dc2b7129, two(StyleBrightRed)},
        {"NiuPiZhi", 0x52fa62da3e961092, 0x038bc0a2111816d4,
         [](Inputs &in) {
             StyleNiuPiZhi(in.image.data(), in.m1.data(), in.m2.data(), in.w, in.h, in.table.data());
             return Of(in.image);
         }},
        {"XuanCai", 0x797d09f03083dce3, 0x27708676451db227,
         [](Inputs &in) {
             StyleXuanCai(in.image.data(), in.m1.data(), in.m2.data(), in.w, in.h, in.table.data());
             return Of(in.image);
         }},
        {"LomoHDRJinDian", 0x26cebf550ff0bff9, 0x109f1a35316d194c, one(StyleLomoHDRJinDian)},
        {"HeiBai", 0xa632b29d3658862e, 0x01c02213c7871ee5, one(StyleHeiBai)},
        {"LomoHDR", 0xc1922cfa89033ab9, 0x122f29227baa900c, one(StyleLomoHDR)},
        {"FanHuang", 0x13725c0dff47f8f1, 0x986060dac126f586,
         [](Inputs &in) {
             StyleFanHuang(in.image.data(), in.m1.data(), in.m2.data(), in.w, in.h, in.table.data());
             return Of(in.image);
         }},
        {"LiuJin", 0x39aca8bd3ce028bc, 0x04433f032d97f22f,
         [](Inputs &in) {
             FixedTime t(kSecond);
             StyleLiuJin(in.image.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"XiaoQingXin", 0x07917bf0daa73124, 0x7a271ce9a40fd26b, one(StyleXiaoQingXin)},
        {"Warm", 0x4968c0bf24380b18, 0xfec444a28bb7b90f,
         [](Inputs &in) {
             StyleWarm(in.image.data(), in.m1.data(), in.m2.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"LomoChristmas", 0xc46120531bc71ca7, 0x30f5486f4d539ea1, two(StyleLomoChristmas)},
        {"LomoSnow", 0xb52f0fed65ace15c, 0xf594f0b8ea897742, two(StyleLomoSnow)},
        {"LomoNight", 0xea0dd2405cb47aec, 0x07b057df35456900, two(StyleLomoNight)},
        {"LomoHalo", 0x073d6b17c336b196, 0x3c7fde16ebc1aeb3, two(StyleLomoHalo)},
        {"LomoStar", 0x52ef4deb6362c5f8, 0xb7f0fada1bc38ab3, two(StyleLomoStar)},
        {"Reverse", 0x4784d3df14c6880f, 0xf9fda2c6c676c3cb, two(StyleReverse)},
        {"FenHongJiaRen", 0x8576996f7d5250e1, 0x4e6ea0c83166d3bd,
         [](Inputs &in) {
             StyleFenHongJiaRen(in.image.data(), in.m1.data(), in.m2.data(), in.m3.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"Gray", 0x9400a60f5a4a65c6, 0xde66c8c3b200d600, one(StyleGray)},
        {"Riguanghaian", 0x6338a467e026bc91, 0xdeb447e4a3696dd3, two(StyleRiguanghaian)},
        {"YiZhou", 0xe055dec10a444d15, 0x6e5ba733c565b0a2,
         [](Inputs &in) {
             StyleYiZhou(in.image.data(), in.tilt.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"ChuanYue1", 0x302c08d3db74e984, 0x31e385d5532bf611,
         [](Inputs &in) {
             std::unique_ptr<unsigned char[]> out(StyleChuanYue1(in.image.data(), in.tunnel.data(), in.w, in.h));
             return Of(in.image) ^ (testpic::digest(out.get(), in.w * in.h * 4) * 31);
         }},
        {"ChuanYue3", 0x94a27db200539079, 0x9f898cfb27daa1de, two(StyleChuanYue3)},
        {"Rouguang", 0xd1f44017586c671b, 0x99b84666952a9aaa,
         [](Inputs &in) {
             StyleRouguang(in.image.data(), in.m1.data(), in.w, in.h, in.table.data());
             return Of(in.image) ^ (Of(in.m1) * 31);
         }},
        {"Milk", 0x533c9e683b896d9d, 0x41c7d77eb62ea19b,
         [](Inputs &in) {
             StyleMilk(in.image.data(), in.m1.data(), in.m2.data(), in.m3.data(), in.w, in.h);
             return Of(in.image);
         }},
        {"Sharp", 0xadf9f5e05582500f, 0xb2f5c597ceaa7138,
         [](Inputs &in) {
             StyleSharp(in.image.data(), in.w, in.h, 2, 0.8f);
             return Of(in.image);
         }},
        {"ABaoColor", 0x40d919e8da6525c3, 0xc11596849ec97c30, one(ABaoColor)},
        {"DanyaUseStone", 0xd15dbe35af7cf724, 0xe7e5cb69d508c7f4,
         [](Inputs &in) {
             DanyaUseStone(in.image.data(), in.w, in.h, 1, 30, -20, 10);
             return Of(in.image);
         }},
        {"WeakRoundChange", 0x214cb27059efadec, 0x214cb27059efadec,
         [](Inputs &) {
             std::vector<unsigned char> mask(61 * 61);
             WeakRoundChange(mask.data(), 17, 30);
             return testpic::digest(mask.data(), mask.size());
         }},
        {"CDrawPoint", 0x13438b4323463d36, 0x3f71a15bb5c6a63f,
         [](Inputs &in) {
             const ToneTables &t = GetToneTables(ToneLook::Film);
             CDrawPoint(in.image.data(), t.red, in.w, in.h, 20, 12, 15);
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

TEST(StyleGolden, EveryLookMatchesItsDigestOverAllValuePairs)
{
    for (const Golden &g : Goldens()) {
        Inputs in(Kind::Pairs);
        const uint64_t got = g.run(in);
        EXPECT_EQ(Hex(got), Hex(g.pairsDigest)) << g.name;
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

