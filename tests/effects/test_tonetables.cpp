// The looks' tone tables: each passes through its nine points, has no wrapped
// entries, and single or shared channels are identical.
#include "tonetables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct Channel {
    const char *name;
    const unsigned char *table;
    const unsigned char *points;
};

void ExpectThroughPoints(const std::string &look, const Channel &ch)
{
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(ch.table[kTonePointInputs[k]], ch.points[k])
            << look << " " << ch.name << " at input " << kTonePointInputs[k];
}

bool SameTable(const unsigned char *a, const unsigned char *b)
{
    for (int i = 0; i < 256; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

}  // namespace

TEST(ToneTables, EveryTablePassesThroughItsNinePoints)
{
    for (int k = 0; k < kToneLookCount; ++k) {
        const ToneTables &t = GetToneTables(static_cast<ToneLook>(k));
        const TonePoints &p = GetTonePoints(static_cast<ToneLook>(k));
        ExpectThroughPoints(p.name, {"red", t.red, p.red});
        ExpectThroughPoints(p.name, {"green", t.green, p.green});
        ExpectThroughPoints(p.name, {"blue", t.blue, p.blue});
    }
}

TEST(ToneTables, CurvesAreSmoothWithoutWrappedEntries)
{
    // The steepest span (YiZhou, 102 -> 194 over 32 inputs) rises about four
    // levels an input; an entry that wrapped below 0 or above 255 would jump
    // by well over a hundred. The curve also stays within a few levels of the
    // range its two neighbouring points span.
    for (int k = 0; k < kToneLookCount; ++k) {
        const ToneTables &t = GetToneTables(static_cast<ToneLook>(k));
        const TonePoints &p = GetTonePoints(static_cast<ToneLook>(k));
        const Channel channels[3] = {{"red", t.red, p.red}, {"green", t.green, p.green}, {"blue", t.blue, p.blue}};
        for (const Channel &ch : channels) {
            for (int i = 1; i < 256; ++i)
                EXPECT_LE(std::abs(ch.table[i] - ch.table[i - 1]), 12) << p.name << " " << ch.name << " at " << i;
            for (int s = 0; s < 8; ++s) {
                const int lo = std::min(ch.points[s], ch.points[s + 1]);
                const int hi = std::max(ch.points[s], ch.points[s + 1]);
                for (int i = kTonePointInputs[s]; i <= kTonePointInputs[s + 1]; ++i) {
                    EXPECT_GE(ch.table[i], lo - 12) << p.name << " " << ch.name << " at " << i;
                    EXPECT_LE(ch.table[i], hi + 12) << p.name << " " << ch.name << " at " << i;
                }
            }
        }
    }
}

TEST(ToneTables, SingleAndSharedChannelsAreIdentical)
{
    const ToneLook singles[] = {ToneLook::JinDian, ToneLook::Rouguang, ToneLook::LomoNight, ToneLook::FanHuang,
                                ToneLook::YiZhou};
    for (ToneLook look : singles) {
        const ToneTables &t = GetToneTables(look);
        EXPECT_TRUE(SameTable(t.red, t.green)) << GetTonePoints(look).name;
        EXPECT_TRUE(SameTable(t.red, t.blue)) << GetTonePoints(look).name;
    }
    const ToneTables &bright = GetToneTables(ToneLook::BrightRed);
    EXPECT_TRUE(SameTable(bright.green, bright.blue));
    EXPECT_FALSE(SameTable(bright.red, bright.green));
    const ToneTables &heibai = GetToneTables(ToneLook::HeiBai);
    EXPECT_TRUE(SameTable(heibai.red, heibai.green));
    EXPECT_FALSE(SameTable(heibai.red, heibai.blue));
}

TEST(ToneTables, BuiltOnceAndStable)
{
    const ToneTables *first = &GetToneTables(ToneLook::Film);
    EXPECT_EQ(first, &GetToneTables(ToneLook::Film));
    EXPECT_NE(first, &GetToneTables(ToneLook::Retro));
}
