// Template collage files: cell layouts, borders, the fitting of cells to a
// border and the border mask.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ctemplatepuzzle.h"
#include "layoutwriters.h"
#include "testpictures.h"

using layoutwriters::BorderSpec;
using layoutwriters::BorderState;
using layoutwriters::SnapshotBorder;
using layoutwriters::FormatSpec;
using layoutwriters::LayoutFile;
using testpic::Picture;

namespace {

FormatSpec TwoCells()
{
    FormatSpec f;
    f.cells = {{0, 0, 640, 313}, {0, 321, 640, 575}};
    return f;
}

FormatSpec FourCells()
{
    FormatSpec f;
    f.cells = {{0, 0, 316, 444}, {324, 0, 316, 444}, {0, 452, 316, 444}, {324, 452, 316, 444}};
    return f;
}

// Border 002: corners 80 x 80, insets 40, tiles 38 long.
BorderSpec Border002() { return layoutwriters::SimpleBorder(80, 38, 40); }

int ReadFormat(FormatSpec plan)
{
    LayoutFile f = layoutwriters::WriteFormat(plan);
    return ctemplatepuzzle::m_format.ReadPuzzleFormatFile(f.data(), f.length());
}

int ReadBorder(ctemplatepuzzle &t, BorderSpec plan)
{
    LayoutFile f = layoutwriters::WriteBorder(plan);
    return t.ReadPuzzleFrameFile(f.data(), f.length());
}

std::vector<_tagCGRect> FormatCells()
{
    std::vector<_tagCGRect> v;
    for (int i = 0; i < ctemplatepuzzle::m_format.GetPuzzleFormatCount(); ++i)
        v.push_back(ctemplatepuzzle::m_format.GetPuzzleRectWithIndex(i));
    return v;
}

}  // namespace

TEST(TemplateFit, Border002OnTheDesignCanvas)
{
    ctemplatepuzzle t;
    ASSERT_EQ(ReadFormat(TwoCells()), 1);
    ASSERT_EQ(ReadBorder(t, Border002()), 1);
    // rx = 560 mod 38 = 28: extra width 80 + 10, grow x 5; ry = 816 mod 38
    // = 18: extra height 80 + 20, grow y 10.
    const _tagCGSize size = t.ResetAll();
    EXPECT_EQ(size.w, 730);
    EXPECT_EQ(size.h, 996);
    ASSERT_EQ(t.GetFormatCount(), 2);
    EXPECT_EQ(ctemplatepuzzle::m_format.GetPuzzleRectWithIndex(0), (_tagCGRect{-5, -10, 650, 323}));
    EXPECT_EQ(t.GetFormatRectWithIndex(0), (_tagCGRect{40, 40, 650, 323}));
    EXPECT_EQ(ctemplatepuzzle::m_format.GetPuzzleRectWithIndex(1), (_tagCGRect{-5, 321, 650, 585}));
    EXPECT_EQ(t.GetFormatRectWithIndex(1), (_tagCGRect{40, 371, 650, 585}));
    EXPECT_EQ(t.GetFormatRectWithIndex(2), (_tagCGRect{}));
    EXPECT_EQ(t.GetFormatRectWithIndex(-1), (_tagCGRect{}));
}

TEST(TemplateFit, ResetAllTwiceEqualsOnce)
{
    for (const FormatSpec &plan : {TwoCells(), FourCells()}) {
        ctemplatepuzzle t;
        ASSERT_EQ(ReadFormat(plan), 1);
        ASSERT_EQ(ReadBorder(t, Border002()), 1);
        const _tagCGSize once = t.ResetAll();
        const std::vector<_tagCGRect> cells = FormatCells();
        const _tagCGSize twice = t.ResetAll();
        EXPECT_EQ(once.w, twice.w);
        EXPECT_EQ(once.h, twice.h);
        EXPECT_EQ(FormatCells(), cells);
        // Inner cells are untouched: the fourth cell's right and bottom edges
        // reach the canvas edge only.
        if (plan.cells.size() == 4) {
            EXPECT_EQ(cells[3], (_tagCGRect{324, 452, 321, 454}));
        }
    }
}

TEST(TemplateFit, CanvasAlreadyAWholeNumberOfTilesGetsNoGrow)
{
    ctemplatepuzzle t;
    ASSERT_EQ(ReadFormat(TwoCells()), 1);
    ASSERT_EQ(ReadBorder(t, layoutwriters::SimpleBorder(80, 8, 40)), 1);  // 560, 816: multiples of 8
    const _tagCGSize size = t.ResetAll();
    EXPECT_EQ(size.w, 640 + 80);
    EXPECT_EQ(size.h, 896 + 80);
    EXPECT_EQ(ctemplatepuzzle::m_format.GetPuzzleRectWithIndex(0), (_tagCGRect{0, 0, 640, 313}));
    EXPECT_EQ(t.GetFormatRectWithIndex(1), (_tagCGRect{40, 361, 640, 575}));
}

TEST(TemplateFit, ResetSizeRoundsTheContentUpToWholeTiles)
{
    ctemplatepuzzle t;
    EXPECT_EQ(t.ResetSize(_tagCGSize{300, 200}).w, 300);  // no border yet: unchanged
    EXPECT_EQ(t.ResetAll().w, 0);
    ASSERT_EQ(ReadBorder(t, Border002()), 1);
    const _tagCGSize s = t.ResetSize(_tagCGSize{300, 200});
    EXPECT_EQ(s.w, 80 + 38 - 30 + 300);  // rx = 220 mod 38 = 30
    EXPECT_EQ(s.h, 80 + 38 - 6 + 200);   // ry = 120 mod 38 = 6
    EXPECT_EQ((s.w - 160) % 38, 0);
    EXPECT_EQ((s.h - 160) % 38, 0);
    const _tagCGSize huge = t.ResetSize(_tagCGSize{2147483647, 10});
    EXPECT_EQ(huge.w, 0);
    EXPECT_EQ(huge.h, 0);
}

TEST(TemplateMask, TheFourCasesOfTheRule)
{
    ctemplatepuzzle t;
    auto apply = [&](unsigned char g, unsigned char m) {
        unsigned char dst[4] = {200, 100, 50, 77};
        unsigned char src[4] = {0, g, m, 255};
        t.FrameProcessEx(dst, src);
        return std::vector<int>{dst[0], dst[1], dst[2], dst[3]};
    };
    EXPECT_EQ(apply(0, 0), (std::vector<int>{200, 100, 50, 0}));       // cut away, colour kept
    EXPECT_EQ(apply(255, 255), (std::vector<int>{200, 100, 50, 255}));  // untouched, opaque
    EXPECT_EQ(apply(128, 0), (std::vector<int>{0, 0, 0, 128}));         // black edge
    EXPECT_EQ(apply(128, 255), (std::vector<int>{0, 0, 0, 128}));
    // m = 128: a = 128 / 255; (1 - a) * 100 + d * a, truncated.
    EXPECT_EQ(apply(100, 128), (std::vector<int>{150, 100, 74, 255}));
    EXPECT_EQ(apply(255, 1), (std::vector<int>{254, 254, 254, 255}));
}

TEST(TemplateMask, EachPieceLandsWhereTheBorderSaysAndNowhereElse)
{
    // Corners 4 x 4, tiles 3 long, inset 2. Each piece's pixel (0, 0) sets
    // alpha to 10 + its index; every other mask pixel leaves the picture.
    BorderSpec plan = layoutwriters::SimpleBorder(4, 3, 2);
    for (int i = 0; i < 8; ++i)
        layoutwriters::SetMask(plan.piece[i], 0, 0, static_cast<uint8_t>(10 + i), 0);
    ctemplatepuzzle t;
    ASSERT_EQ(ReadBorder(t, plan), 1);
    const _tagCGSize size = t.ResetSize(_tagCGSize{13, 10});  // rx = 9 mod 3 = 0, ry = 6 mod 3 = 0
    ASSERT_EQ(size.w, 17);
    ASSERT_EQ(size.h, 14);
    Picture p = testpic::uniform(size.w, size.h, 1, 2, 3, 99);
    t.GetResultBackImage(p.data(), p.width, p.height);
    // The border band becomes opaque; the content inside keeps its alpha.
    std::vector<int> expect(size.w * size.h, 255);
    auto at = [&](int row, int col) -> int & { return expect[row * size.w + col]; };
    for (int row = 4; row < 10; ++row)
        for (int col = 4; col < 13; ++col)
            at(row, col) = 99;
    at(0, 0) = 10;
    at(10, 0) = 11;
    at(0, 13) = 12;
    at(10, 13) = 13;
    for (int k = 0; k < 3; ++k) {  // (17 - 8) / 3 top and bottom tiles
        at(0, 4 + 3 * k) = 14;
        at(10, 4 + 3 * k) = 15;
    }
    for (int k = 0; k < 2; ++k) {  // (14 - 8) / 3 side tiles
        at(4 + 3 * k, 0) = 16;
        at(4 + 3 * k, 13) = 17;
    }
    for (int row = 0; row < size.h; ++row)
        for (int col = 0; col < size.w; ++col)
            EXPECT_EQ(p.at(col, row)[3], at(row, col)) << row << "," << col;
}

TEST(TemplateMask, PiecesSmallerThanTheirCornerAndOddPicturesAreSafe)
{
    BorderSpec plan = layoutwriters::SimpleBorder(6, 4, 3);
    plan.piece[6].width = 2;   // side tile narrower than the corner
    plan.piece[6].pixels.resize(2 * 4 * 4);
    plan.piece[1].height = 1;  // bottom-left corner shorter than the corner
    plan.piece[1].pixels.resize(6 * 1 * 4);
    plan.piece[5].width = 0;   // an empty bottom tile
    plan.piece[5].height = 0;
    plan.piece[5].pixels.clear();
    plan.piece[5].writePattern = false;
    ctemplatepuzzle t;
    ASSERT_EQ(ReadBorder(t, plan), 1);
    for (const auto &[w, h] : std::vector<std::pair<int, int>>{{20, 18}, {1, 1}, {5, 40}, {40, 5}, {3, 3}}) {
        Picture p = testpic::gradient(w, h);
        t.GetResultBackImage(p.data(), w, h);  // under the sanitizers: no stray access
    }
    t.GetResultBackImage(nullptr, 10, 10);
    Picture p = testpic::gradient(4, 4);
    const std::vector<unsigned char> before = p.bytes;
    t.GetResultBackImage(p.data(), 0, 4);
    t.GetResultBackImage(p.data(), 4, -2);
    EXPECT_EQ(p.bytes, before);
    t.ReleaseTemplatePuzzleFrame();
    t.GetResultBackImage(p.data(), 4, 4);  // no border any more: nothing happens
    EXPECT_EQ(p.bytes, before);
    EXPECT_EQ(t.ResetSize(_tagCGSize{9, 8}).w, 9);
}

TEST(TemplateFormatFile, ReadsCellsAndRefusesWhatItCannotHold)
{
    cpuzzleformat f;
    LayoutFile two = layoutwriters::WriteFormat(TwoCells());
    ASSERT_EQ(f.ReadPuzzleFormatFile(two.data(), two.length()), 1);
    EXPECT_EQ(f.GetPuzzleFormatCount(), 2);
    EXPECT_EQ(f.GetPuzzleResultSize().w, 640);
    EXPECT_EQ(f.GetPuzzleResultSize().h, 896);
    EXPECT_EQ(f.GetPuzzleRectWithIndex(1), (_tagCGRect{0, 321, 640, 575}));
    EXPECT_EQ(f.GetPuzzleRectWithIndex(2), (_tagCGRect{}));
    f.SetPuzzleRectWithIndex(5, _tagCGRect{1, 2, 3, 4});  // out of range: ignored
    EXPECT_EQ(f.GetPuzzleRectWithIndex(5), (_tagCGRect{}));

    FormatSpec nine;
    for (int i = 0; i < 9; ++i)
        nine.cells.push_back(_tagCGRect{i, i, 10, 10});
    FormatSpec ten = nine;
    ten.cells.push_back(_tagCGRect{9, 9, 10, 10});
    FormatSpec wrongMagic = TwoCells();
    wrongMagic.magic = "QVPTX";
    FormatSpec negative = TwoCells();
    negative.count = -1;
    FormatSpec hugeCount = TwoCells();
    hugeCount.count = 0x7fffffff;
    FormatSpec liar = TwoCells();
    liar.count = 3;
    FormatSpec hugeCanvas = TwoCells();
    hugeCanvas.width = kPuzzleMaxCoordinate + 1;
    FormatSpec hugeCell = TwoCells();
    hugeCell.cells[1].w = 2147483647;
    for (const FormatSpec &bad : {ten, wrongMagic, negative, hugeCount, liar, hugeCanvas, hugeCell}) {
        LayoutFile file = layoutwriters::WriteFormat(bad);
        EXPECT_EQ(f.ReadPuzzleFormatFile(file.data(), file.length()), 0);
        EXPECT_EQ(f.GetPuzzleFormatCount(), 2);
        EXPECT_EQ(f.GetPuzzleRectWithIndex(1), (_tagCGRect{0, 321, 640, 575}));
    }
    LayoutFile n = layoutwriters::WriteFormat(nine);
    EXPECT_EQ(f.ReadPuzzleFormatFile(n.data(), n.length()), 1);
    EXPECT_EQ(f.GetPuzzleFormatCount(), 9);
}

TEST(TemplateFormatFile, EveryTruncationIsRefusedWithThePreviousLayoutKept)
{
    LayoutFile four = layoutwriters::WriteFormat(FourCells());
    cpuzzleformat f;
    LayoutFile two = layoutwriters::WriteFormat(TwoCells());
    ASSERT_EQ(f.ReadPuzzleFormatFile(two.data(), two.length()), 1);
    for (std::size_t cut = 0; cut < four.bytes.size(); ++cut) {
        std::vector<unsigned char> part = four.prefix(cut);
        ASSERT_EQ(f.ReadPuzzleFormatFile(part.data(), static_cast<int>(part.size())), 0) << cut;
        ASSERT_EQ(f.GetPuzzleFormatCount(), 2);
        ASSERT_EQ(f.GetPuzzleRectWithIndex(0), (_tagCGRect{0, 0, 640, 313}));
    }
    EXPECT_EQ(f.ReadPuzzleFormatFile(nullptr, 100), 0);
    EXPECT_EQ(f.ReadPuzzleFormatFile(four.data(), four.length()), 1);
}

TEST(TemplateBorderFile, TruncationsLiesAndHugeSizesAreRefusedWithThePreviousBorderKept)
{
    ctemplatepuzzle t;
    ASSERT_EQ(ReadBorder(t, layoutwriters::SimpleBorder(6, 4, 3)), 1);
    const BorderState before = SnapshotBorder(t);

    LayoutFile other = layoutwriters::WriteBorder(Border002());
    std::vector<std::size_t> cuts = other.boundaries;
    cuts.insert(cuts.end(), other.middles.begin(), other.middles.end());
    for (std::size_t cut = 0; cut <= 66; ++cut)
        cuts.push_back(cut);
    for (std::size_t cut : cuts) {
        if (cut >= other.bytes.size())
            continue;
        std::vector<unsigned char> part = other.prefix(cut);
        EXPECT_EQ(t.ReadPuzzleFrameFile(part.data(), static_cast<int>(part.size())), 0) << cut;
    }
    EXPECT_TRUE(SnapshotBorder(t) == before);

    std::vector<BorderSpec> bad;
    auto variant = [&](auto change) {
        BorderSpec s = layoutwriters::SimpleBorder(6, 4, 3);
        change(s);
        bad.push_back(s);
    };
    variant([](BorderSpec &s) { s.magic = "PTBJX"; });
    variant([](BorderSpec &s) { s.piece[2].width = 100000; });                    // past the end
    variant([](BorderSpec &s) { s.piece[7].width = 65536; s.piece[7].height = 65536; });  // product overflows 32 bits
    variant([](BorderSpec &s) { s.piece[3].width = 0x7fffffff; s.piece[3].height = 0x7fffffff; });
    variant([](BorderSpec &s) { s.piece[4].width = -1; });
    variant([](BorderSpec &s) { s.piece[0].width = kPuzzleMaxPieceSide + 1; s.piece[0].height = 0; });
    variant([](BorderSpec &s) { s.piece[4] = layoutwriters::BorderPiece{0, 6, {}, false}; });  // no top tile width
    variant([](BorderSpec &s) { s.piece[6] = layoutwriters::BorderPiece{6, 0, {}, false}; });  // no side tile height
    variant([](BorderSpec &s) { s.insetX = -1; });
    variant([](BorderSpec &s) { s.insetY = 0x7fffffff; });
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(ReadBorder(t, bad[i]), 0) << i;
        EXPECT_TRUE(SnapshotBorder(t) == before) << i;
    }
    EXPECT_EQ(t.ReadPuzzleFrameFile(nullptr, 1000), 0);
    EXPECT_TRUE(SnapshotBorder(t) == before);

    // A good border replaces the previous one.
    ASSERT_EQ(ReadBorder(t, Border002()), 1);
    EXPECT_FALSE(SnapshotBorder(t) == before);
}

TEST(TemplateFormat, EachThreadKeepsTheLayoutItRead)
{
    // The interface reads a layout on its thread while a collage job reads
    // and fits another on a worker.
    ASSERT_EQ(ReadFormat(TwoCells()), 1);
    std::vector<_tagCGRect> workerCells;
    std::thread worker([&] {
        EXPECT_EQ(ReadFormat(FourCells()), 1);
        ctemplatepuzzle fitted;
        EXPECT_EQ(ReadBorder(fitted, Border002()), 1);
        fitted.ResetAll();
        workerCells = FormatCells();
    });
    worker.join();
    EXPECT_EQ(FormatCells(), TwoCells().cells);
    ASSERT_EQ(workerCells.size(), 4u);
    EXPECT_NE(workerCells, FourCells().cells);  // fitted to the border on its own thread
}
