// Speech-bubble files: the text rectangle and colour, and refused files.
#include <gtest/gtest.h>

#include <vector>

#include "csbubble.h"
#include "layoutwriters.h"

using layoutwriters::BubbleSpec;
using layoutwriters::LayoutFile;

TEST(Bubble, RecordsSitWhereTheFormatPutsThem)
{
    const LayoutFile f = layoutwriters::WriteBubble(BubbleSpec{});
    EXPECT_EQ(f.boundaries, (std::vector<std::size_t>{171, 343, 383, 383 + 64}));
}

TEST(Bubble, TextRectangleAndColour)
{
    BubbleSpec plan;
    plan.colour[0] = 0x11;
    plan.colour[1] = 0x22;
    plan.colour[2] = 0x33;
    plan.colour[3] = 0x44;
    LayoutFile f = layoutwriters::WriteBubble(plan);
    csbubble b;
    ASSERT_EQ(b.ReadFrameFile(f.data(), f.length()), 383);
    EXPECT_EQ(b.GetTextDrawRect(), (_tagCGRect{48, 36, 375, 282}));
    EXPECT_EQ(b.GetTextColorWithIndex(0), 0x11);
    EXPECT_EQ(b.GetTextColorWithIndex(1), 0x22);
    EXPECT_EQ(b.GetTextColorWithIndex(2), 0x33);
    EXPECT_EQ(b.GetTextColorWithIndex(3), 255);  // whatever the file holds
    EXPECT_EQ(b.GetTextColorWithIndex(4), 0);
    EXPECT_EQ(b.GetTextColorWithIndex(-1), 0);
    // The picture is not needed: the three records alone are enough.
    std::vector<unsigned char> records = f.prefix(383);
    EXPECT_EQ(b.ReadFrameFile(records.data(), 383), 383);
}

TEST(Bubble, EdgesInTheWrongOrderGiveAnEmptyRectangle)
{
    BubbleSpec plan;
    plan.left = 400;
    plan.right = 100;
    plan.top = 300;
    plan.bottom = 20;
    LayoutFile f = layoutwriters::WriteBubble(plan);
    csbubble b;
    ASSERT_EQ(b.ReadFrameFile(f.data(), f.length()), 383);
    EXPECT_EQ(b.GetTextDrawRect(), (_tagCGRect{400, 300, 0, 0}));
}

TEST(Bubble, ShortDataAndOutOfRangeCornersAreRefusedWithThePreviousContentKept)
{
    LayoutFile good = layoutwriters::WriteBubble(BubbleSpec{});
    BubbleSpec otherSpec;
    otherSpec.left = 1;
    otherSpec.colour[0] = 0xFF;
    LayoutFile other = layoutwriters::WriteBubble(otherSpec);
    csbubble b;
    ASSERT_EQ(b.ReadFrameFile(good.data(), good.length()), 383);
    for (int n = 0; n < 383; ++n) {
        std::vector<unsigned char> part = other.prefix(n);
        ASSERT_EQ(b.ReadFrameFile(part.data(), n), 0) << n;
    }
    EXPECT_EQ(b.ReadFrameFile(nullptr, 500), 0);
    BubbleSpec huge;
    huge.right = 0x80000000u;
    LayoutFile h = layoutwriters::WriteBubble(huge);
    EXPECT_EQ(b.ReadFrameFile(h.data(), h.length()), 0);
    EXPECT_EQ(b.GetTextDrawRect(), (_tagCGRect{48, 36, 375, 282}));
    EXPECT_EQ(b.GetTextColorWithIndex(0), 0x10);
}
