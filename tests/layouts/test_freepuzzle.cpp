// Free collage layouts: the range picks, the resolved cells, the fitting of
// pictures into cells, and refused files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "cfreepuzzle.h"
#include "layoutwriters.h"

using layoutwriters::FreeCell;
using layoutwriters::FreeSpec;
using layoutwriters::LayoutFile;

namespace {

int Read(cfreepuzzle &p, const FreeSpec &plan)
{
    LayoutFile f = layoutwriters::WriteFree(plan);
    return p.ReadFrameFile(f.data(), f.length());
}

struct FreeState {
    int count;
    std::vector<_tagCGRect> rects;
    std::vector<float> rotations;
    bool operator==(const FreeState &o) const
    {
        if (count != o.count || rotations != o.rotations || rects.size() != o.rects.size())
            return false;
        for (std::size_t i = 0; i < rects.size(); ++i)
            if (!(rects[i] == o.rects[i]))
                return false;
        return true;
    }
};

FreeState Snapshot(cfreepuzzle &p)
{
    FreeState s{p.GetCount(), {}, {}};
    for (int i = 0; i < 9; ++i) {
        s.rects.push_back(p.GetMaxRectWithIndex(i));
        s.rotations.push_back(p.GetRotationWithIndex(i));
    }
    return s;
}

int FirstRandAfterSeed()
{
    srand(0x7fffffff);
    return rand();
}

}  // namespace

TEST(FreeLayout, Layout002001ReadsAsItsTwoCells)
{
    cfreepuzzle p;
    EXPECT_EQ(p.GetCount(), 0);
    ASSERT_EQ(Read(p, layoutwriters::Free002001()), 1);
    EXPECT_EQ(p.GetResultSize().w, 640);
    EXPECT_EQ(p.GetResultSize().h, 896);
    ASSERT_EQ(p.GetCount(), 2);
    EXPECT_EQ(p.GetMaxRectWithIndex(0), (_tagCGRect{44, 21, 554, 554}));
    EXPECT_EQ(p.GetRotationWithIndex(0), -3.0f);
    EXPECT_EQ(p.GetMaxRectWithIndex(1), (_tagCGRect{137, 509, 369, 369}));
    EXPECT_EQ(p.GetRotationWithIndex(1), 5.0f);
    // Out of range: zeros, never a stale or stray cell.
    EXPECT_EQ(p.GetRotationWithIndex(-1), 0.0f);
    EXPECT_EQ(p.GetRotationWithIndex(2), 0.0f);
    EXPECT_EQ(p.GetMaxRectWithIndex(2), (_tagCGRect{}));
    EXPECT_EQ(p.GetMaxRectWithIndex(-7), (_tagCGRect{}));
    EXPECT_EQ(p.GetViewRectWithIndex(9, _tagCGSize{10, 10}), (_tagCGRect{}));
}

TEST(FreeLayout, SizeFactorKeepsTheCellCentredThenOffsetMovesIt)
{
    FreeSpec plan;
    FreeCell c;
    c.w = 100;
    c.h = 50;
    c.factor[0] = c.factor[1] = 0.9f;
    plan.cells = {c};
    c.offsetX[0] = c.offsetX[1] = 7;
    c.offsetY[0] = c.offsetY[1] = -3;
    c.rotation[0] = c.rotation[1] = 0;
    c.factor[0] = c.factor[1] = 1.1f;
    plan.cells.push_back(c);
    cfreepuzzle p;
    ASSERT_EQ(Read(p, plan), 1);
    EXPECT_EQ(p.GetMaxRectWithIndex(0), (_tagCGRect{5, 2, 90, 45}));
    // 1.1: 110 x 55, (int)(100 - 110) / 2 = -5, (int)(50 - 55) / 2 = -2.
    EXPECT_EQ(p.GetMaxRectWithIndex(1), (_tagCGRect{7 - 5, -3 - 2, 110, 55}));
}

TEST(FreeLayout, RangePicksAreReseededOnEveryCall)
{
    cfreepuzzle p;
    const int r0 = FirstRandAfterSeed();
    EXPECT_EQ(p.AverageRandom(0.0f, 50.0f), static_cast<float>(r0 % 5000) / 100.0f);
    EXPECT_EQ(p.AverageRandom(0.0f, 50.0f), p.AverageRandom(0.0f, 50.0f));
    // A reversed range: the remainder keeps the dividend's sign.
    EXPECT_EQ(p.AverageRandom(10.0f, 0.0f), static_cast<float>(r0 % -1000 + 1000) / 100.0f);
    EXPECT_EQ(p.AverageRandom(-3.0f, -3.0f), -3.0f);
    EXPECT_EQ(p.AverageRandom(0.9f, 0.9f), 0.9f);
    // The generator is left just after its first value.
    srand(1);
    p.AverageRandom(1.0f, 2.0f);
    srand(0x7fffffff);
    rand();
    const int second = rand();
    p.AverageRandom(1.0f, 2.0f);
    EXPECT_EQ(rand(), second);
    // Arguments far outside any layout do not overflow.
    const float big = std::numeric_limits<float>::max();
    EXPECT_TRUE(std::isfinite(p.AverageRandom(-big, big)));
    EXPECT_TRUE(std::isfinite(p.AverageRandom(std::nanf(""), 1.0f)));

    // The same layout with true ranges reads the same twice.
    FreeSpec plan;
    const FreeCell c{.x = 100, .y = 200, .w = 300, .h = 300, .offsetX = {0, 50}, .offsetY = {0, 50},
                     .rotation = {-10, 10}, .factor = {0.9f, 1.0f}};
    plan.cells = {c, c};
    cfreepuzzle a, b;
    ASSERT_EQ(Read(a, plan), 1);
    ASSERT_EQ(Read(b, plan), 1);
    EXPECT_TRUE(Snapshot(a) == Snapshot(b));
    EXPECT_EQ(a.GetRotationWithIndex(0), std::trunc(p.AverageRandom(-10.0f, 10.0f)));
}

TEST(FreeFit, PicturesShrinkToFitAndAreNeverEnlarged)
{
    cfreepuzzle p;
    EXPECT_EQ(p.ChangeRectWithMaxRect(_tagCGSize{1000, 500}, _tagCGRect{10, 10, 200, 200}), (_tagCGRect{10, 60, 200, 100}));
    EXPECT_EQ(p.ChangeRectWithMaxRect(_tagCGSize{100, 50}, _tagCGRect{10, 10, 200, 200}), (_tagCGRect{60, 85, 100, 50}));
    EXPECT_EQ(p.ChangeRectWithMaxRect(_tagCGSize{0, 50}, _tagCGRect{10, 10, 200, 200}), (_tagCGRect{}));
    EXPECT_EQ(p.ChangeRectWithMaxRect(_tagCGSize{50, -1}, _tagCGRect{10, 10, 200, 200}), (_tagCGRect{}));
    const _tagCGRect wild = p.ChangeRectWithMaxRect(_tagCGSize{1, 1}, _tagCGRect{2147483647, -2147483647 - 1, -2147483647, 5});
    EXPECT_LE(wild.w, 1);  // converted without overflow

    ASSERT_EQ(Read(p, layoutwriters::Free002001()), 1);
    EXPECT_EQ(p.GetViewRectWithIndex(0, _tagCGSize{1000, 1000}), (_tagCGRect{44, 21, 554, 554}));
    EXPECT_EQ(p.GetViewRectWithIndex(1, _tagCGSize{200, 100}), (_tagCGRect{221, 643, 200, 100}));
}

TEST(FreeLayout, RefusedFilesKeepThePreviousCells)
{
    cfreepuzzle p;
    ASSERT_EQ(Read(p, layoutwriters::Free002001()), 1);
    const FreeState before = Snapshot(p);

    std::vector<FreeSpec> bad;
    auto variant = [&](auto change) {
        FreeSpec s;
        s.cells.assign(4, FreeCell{1, 2, 30, 40});
        change(s);
        bad.push_back(s);
    };
    variant([](FreeSpec &s) { s.cells.assign(10, FreeCell{1, 2, 30, 40}); });  // ten cells
    variant([](FreeSpec &s) { s.count = -1; });
    variant([](FreeSpec &s) { s.count = 0x7fffffff; });
    variant([](FreeSpec &s) { s.count = 5; });  // one record short
    variant([](FreeSpec &s) { s.magic = "ZZYPU"; });
    variant([](FreeSpec &s) { s.cells[3].w = 2147483647; });
    variant([](FreeSpec &s) { s.cells[2].offsetX[0] = -2147483647 - 1; });
    variant([](FreeSpec &s) { s.cells[1].factor[1] = std::nanf(""); });
    variant([](FreeSpec &s) { s.cells[1].factor[0] = std::numeric_limits<float>::infinity(); });
    variant([](FreeSpec &s) { s.cells[0].factor[0] = -0.5f; });
    variant([](FreeSpec &s) { s.cells[0].factor[0] = 1e9f; });
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(Read(p, bad[i]), 0) << i;
        EXPECT_TRUE(Snapshot(p) == before) << i;
    }

    FreeSpec three;
    three.cells.assign(3, FreeCell{5, 6, 70, 80});
    LayoutFile f = layoutwriters::WriteFree(three);
    for (std::size_t cut = 0; cut < f.bytes.size(); ++cut) {
        std::vector<unsigned char> part = f.prefix(cut);
        ASSERT_EQ(p.ReadFrameFile(part.data(), static_cast<int>(part.size())), 0) << cut;
        ASSERT_TRUE(Snapshot(p) == before) << cut;
    }
    EXPECT_EQ(p.ReadFrameFile(nullptr, 1000), 0);

    // Nine cells is the capacity; a file of fewer clears the cells beyond.
    FreeSpec nine;
    nine.cells.assign(9, FreeCell{5, 6, 70, 80});
    ASSERT_EQ(Read(p, nine), 1);
    EXPECT_EQ(p.GetCount(), 9);
    ASSERT_EQ(Read(p, three), 1);
    EXPECT_EQ(p.GetCount(), 3);
    EXPECT_EQ(p.GetMaxRectWithIndex(5), (_tagCGRect{}));
}
