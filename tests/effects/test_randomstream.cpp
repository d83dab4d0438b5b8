// The private rand() stream and the grain of the two noisy looks: the stream
// against the C library's own rand(), the grain table against NoiseEx's
// formula, and each look's block form against the plain per-pixel recipe
// (tables, then NoiseEx with rand() after srand(seed)), byte for byte.
#include "randomstream.h"
#include "styles_grain.h"

#include "blendmodes.h"
#include "stylefilters.h"
#include "tonesteps.h"
#include "tonetables.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using testpic::Picture;

// The plain recipes the block forms replace.
void PlainRetro(Picture &p, unsigned seed)
{
    const ToneTables &t = GetToneTables(ToneLook::Retro);
    std::srand(seed);
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        unsigned char *px = p.data() + i;
        px[0] = t.blue[px[0]];
        px[1] = t.green[px[1]];
        px[2] = t.red[px[2]];
        NoiseExNew(px, 20);
    }
}

void PlainLiuJin(Picture &p, unsigned seed)
{
    Saturateconst(p.data(), p.width, p.height, -100, 1);
    std::srand(seed);
    for (std::size_t i = 0; i < p.bytes.size(); i += 4) {
        ShiftRGBEx(p.data() + i, 40, 25, 0);
        NoiseEx(p.data() + i, 20);
    }
}

// The pictures the looks are held to: a pixel count below, at and above one
// block of the grain pass (512 pixels), an odd size, one of many blocks with
// random alpha, and the two extremes, where the grain is clamped.
std::vector<std::pair<std::string, Picture>> Pictures()
{
    return {
        {"1 x 1", testpic::gradient(1, 1)},
        {"511 x 1", testpic::noise(511, 1, 3)},
        {"512 x 1", testpic::noise(512, 1, 4)},
        {"513 x 1", testpic::noise(513, 1, 5)},
        {"47 x 31", testpic::gradient(47, 31)},
        {"301 x 199 noise", testpic::noise(301, 199, 6, false)},
        {"white", testpic::uniform(40, 30, 255, 255, 255)},
        {"black", testpic::uniform(40, 30, 0, 0, 0, 0)},
    };
}

const unsigned kSeeds[] = {0u, 1u, 1700000000u, 0x80000000u, 0xffffffffu};

}  // namespace

#if defined(__GLIBC__)

TEST(RandStream, GivesRandsSequenceAfterEverySeed)
{
    // Draw sizes around the stream's block (1024) and its ring (31), mixed
    // with single draws, over 1.2 million draws a seed.
    const std::size_t chunks[] = {1, 2, 3, 30, 31, 32, 1023, 1024, 1025, 5000};
    for (unsigned seed : {0u, 1u, 12345u, 2147483647u, 0x80000000u, 0xffffffffu}) {
        std::srand(seed);
        qvfx::RandStream stream(seed);
        std::vector<int> got(5000);
        std::size_t drawn = 0;
        for (int round = 0; drawn < 1200000; ++round) {
            const std::size_t n = chunks[round % 10];
            if (round % 7 == 0) {
                got[0] = stream.next();
                got.resize(1);
            } else {
                got.resize(n);
                stream.fill(got.data(), n);
            }
            for (std::size_t i = 0; i < got.size(); ++i, ++drawn)
                ASSERT_EQ(got[i], std::rand()) << "seed " << seed << ", draw " << drawn;
            got.resize(5000);
        }
    }
}

TEST(RandStream, CheckAgreesOnThisLibrary)
{
    EXPECT_TRUE(qvfx::RandStreamMatchesRand());
}

#endif

// NoiseEx's shift as a byte sees it: beyond -256 .. 256 it clamps the same.
int HeldGrain(int r, int amount)
{
    return std::clamp(qvfx::GrainOf(r, amount), -256, 256);
}

TEST(GrainTable, EqualsNoiseFormulaAtEveryStepAndAcrossTheRange)
{
    for (int amount : {20, -7, 3}) {
        const qvfx::GrainTable table(amount);
        // every draw within 2^19 of each place where the formula changes value
        int previous = qvfx::GrainOf(0, amount);
        int steps = 0;
        for (long long r = 1 << 16; r < (1LL << 31); r += 1 << 16) {
            const int now = qvfx::GrainOf(static_cast<int>(r), amount);
            if (now == previous)
                continue;
            previous = now;
            ++steps;
            const long long from = std::max(0LL, r - (1 << 19) - (1 << 16));
            const long long to = std::min((1LL << 31) - 1, r + (1 << 19));
            for (long long s = from; s <= to; ++s)
                ASSERT_EQ(table(static_cast<int>(s)), HeldGrain(static_cast<int>(s), amount))
                    << "amount " << amount << ", draw " << s;
        }
        EXPECT_GT(steps, 0) << "amount " << amount;
    }
    // amounts whose steps are closer than a table entry, and the neutral one
    for (int amount : {0, 20, -20, 255, 600, 100000, INT_MAX, INT_MIN}) {
        const qvfx::GrainTable table(amount);
        int lowest = INT_MAX, highest = INT_MIN;
        for (long long r = 0; r < (1LL << 31); r += 4099) {
            const int v = table(static_cast<int>(r));
            ASSERT_EQ(v, HeldGrain(static_cast<int>(r), amount)) << "amount " << amount << ", draw " << r;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
        EXPECT_EQ(table(INT_MAX), HeldGrain(INT_MAX, amount)) << "amount " << amount;
        EXPECT_EQ(table.lowest(), std::min(lowest, table(INT_MAX))) << "amount " << amount;
        EXPECT_EQ(table.highest(), std::max(highest, table(INT_MAX))) << "amount " << amount;
    }
    EXPECT_EQ(qvfx::GrainOf(0, 20), -10);
    EXPECT_EQ(qvfx::GrainOf(INT_MAX, 20), 10);
}

// The grain pass at amounts other than the looks' 20, where the shifts reach
// past a byte's range.
TEST(GrainLooks, TonedGrainEqualsTableThenNoiseExAtAnyAmount)
{
    const std::vector<unsigned char> bytes = testpic::byteTable(9);
    styles::ChannelLut lut;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            lut.at[c][v] = bytes[(v + 85 * c) & 255];
    const Picture source = testpic::noise(131, 17, 8, false);
    for (int amount : {0, 1, -20, 300, -600, INT_MAX, INT_MIN}) {
        Picture fast = source, plain = source;
        styles::TonedGrain(fast.data(), static_cast<std::size_t>(fast.width) * fast.height, lut, amount, 77);
        std::srand(77);
        for (std::size_t i = 0; i < plain.bytes.size(); i += 4) {
            for (int c = 0; c < 3; ++c)
                plain.bytes[i + c] = lut.at[c][plain.bytes[i + c]];
            NoiseEx(plain.data() + i, amount);
        }
        ASSERT_EQ(testpic::describeDifference(plain, fast), "") << "amount " << amount;
    }
}

TEST(GrainLooks, SeededFormsEqualThePlainRecipes)
{
    for (unsigned seed : kSeeds)
        for (const auto &[name, picture] : Pictures()) {
            Picture fast = picture, plain = picture;
            styles::StyleRetroSeeded(fast.data(), fast.width, fast.height, seed);
            PlainRetro(plain, seed);
            ASSERT_EQ(testpic::describeDifference(plain, fast), "") << "Retro, " << name << ", seed " << seed;

            fast = picture;
            plain = picture;
            styles::StyleLiuJinSeeded(fast.data(), fast.width, fast.height, seed);
            PlainLiuJin(plain, seed);
            ASSERT_EQ(testpic::describeDifference(plain, fast), "") << "LiuJin, " << name << ", seed " << seed;
        }
}

using Look = void (*)(unsigned char *, int, int);
using Seeded = void (*)(unsigned char *, int, int, unsigned);
const struct {
    const char *name;
    Look look;
    Seeded seeded;
} kPublicLooks[] = {{"Retro", StyleRetro, styles::StyleRetroSeeded}, {"LiuJin", StyleLiuJin, styles::StyleLiuJinSeeded}};

// Runs a public look on a gradient within one second of the clock and says
// what went wrong: "" when its grain is the seeded form's at that second and
// rand() afterwards continues as srand(that second) left it.
std::string PublicLookFault(Look look, Seeded seeded)
{
    const Picture source = testpic::gradient(67, 45);
    for (int attempt = 0; attempt < 5; ++attempt) {
        Picture got = source;
        const std::time_t before = std::time(nullptr);
        look(got.data(), got.width, got.height);
        int after[8];
        for (int &v : after)
            v = std::rand();
        if (std::time(nullptr) != before)
            continue;  // crossed a second: which one seeded it is unknown
        std::srand(static_cast<unsigned>(before));
        for (int v : after)
            if (v != std::rand())
                return "rand() does not continue from srand(time)";
        Picture expected = source;
        seeded(expected.data(), expected.width, expected.height, static_cast<unsigned>(before));
        return testpic::describeDifference(expected, got);
    }
    return "the clock kept turning over";
}

// The public looks seed the grain with the second they reseed rand() from, and
// leave rand() where that srand put it (the grain no longer draws from it).
TEST(GrainLooks, PublicLooksSeedFromTheClockAndLeaveRandReseeded)
{
    for (const auto &l : kPublicLooks)
        EXPECT_EQ(PublicLookFault(l.look, l.seeded), "") << l.name;
}

// The same as the first grain of a fresh process, where the one-time check of
// the stream runs (and reseeds rand()) inside the look.
TEST(GrainLooksDeathTest, FirstLookOfAProcessLeavesRandReseeded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, not a fork of this one
    for (const auto &l : kPublicLooks)
        EXPECT_EXIT(
            {
                const std::string fault = PublicLookFault(l.look, l.seeded);
                std::fprintf(stderr, "%s", fault.c_str());
                std::exit(fault.empty() ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "^$")
            << l.name;
}
