// Every generated data file read back through the library's readers, the way
// the engine reads them.
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

#include "bundle.h"
#include "cframe.h"
#include "cfreepuzzle.h"
#include "csbubble.h"
#include "ctemplatepuzzle.h"

using namespace bundletest;

namespace {

uchar *bytes(QByteArray &b) { return reinterpret_cast<uchar *>(b.data()); }

QImage photo(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return img;
}

TEST(Readers, EveryFrameFramesAPhoto)
{
    ASSERT_EQ(files(":/ini").size(), 14);
    forEachFile(":/ini", [](const QString &path, QByteArray &data) {
        cframe frame;
        ASSERT_EQ(frame.ReadFrameFile(bytes(data), data.size()), 1);
        QImage pieces[8];
        for (int i = 0; i < 8; ++i) {
            int length = 0;
            uchar *png = frame.GetFrameImage(i, length);
            ASSERT_NE(png, nullptr) << "piece " << i;
            ASSERT_GT(length, 0);
            QImage decoded;
            ASSERT_TRUE(decoded.loadFromData(png, length)) << "piece " << i;
            pieces[i] = decoded.convertToFormat(QImage::Format_ARGB32);
            frame.SetFrameImageData(i, pieces[i].bits(), pieces[i].width(), pieces[i].height());
        }
        QImage pic = photo(640, 480);
        int w = 0, h = 0;
        uchar *out = frame.GetCompositeImage(pic.bits(), pic.width(), pic.height(), 1.0f, &w, &h);
        ASSERT_NE(out, nullptr);
        EXPECT_GT(w, 600);
        EXPECT_GT(h, 440);
        for (long long i = 0; i < static_cast<long long>(w) * h; ++i)
            ASSERT_EQ(out[i * 4 + 3], 255) << "pixel " << i;
        if (QFileInfo(path).baseName() == "heikuang") {
            EXPECT_EQ(w, 676);
            EXPECT_EQ(h, 516);
        }
        // The middle of the photo comes through untouched (its blue is 128
        // everywhere).
        const QImage result(out, w, h, QImage::Format_RGB32);
        EXPECT_EQ(qBlue(result.pixel(w / 2, h / 2)), 128);
    });
}

TEST(Readers, EveryCellLayoutAndBorder)
{
    ctemplatepuzzle puzzle;
    forEachFile(":/puzzletemplate", [&](const QString &, QByteArray &data) {
        ASSERT_EQ(puzzle.ReadPuzzleFormatFile(bytes(data), data.size()), 1);
        EXPECT_EQ(puzzle.GetFormatCount(), le32(data, 36));
        EXPECT_EQ(puzzle.m_format.GetPuzzleResultSize().w, 640);
        EXPECT_EQ(puzzle.m_format.GetPuzzleResultSize().h, 896);
    });
    QByteArray layout = readResource(":/puzzletemplate/002-001.zeltambpt");
    forEachFile(":/puzzleframe", [&](const QString &path, QByteArray &data) {
        ASSERT_EQ(puzzle.ReadPuzzleFormatFile(bytes(layout), layout.size()), 1);
        ASSERT_EQ(puzzle.ReadPuzzleFrameFile(bytes(data), data.size()), 1);
        const _tagCGSize size = puzzle.ResetAll();
        ASSERT_GT(size.w, 640);
        ASSERT_GT(size.h, 896);
        // Cut an opaque background to the border: the cells keep every pixel.
        QImage bg(size.w, size.h, QImage::Format_ARGB32);
        bg.fill(qRgba(90, 160, 220, 255));
        puzzle.GetResultBackImage(bg.bits(), size.w, size.h);
        for (int i = 0; i < puzzle.GetFormatCount(); ++i) {
            const _tagCGRect c = puzzle.GetFormatRectWithIndex(i);
            for (int y = std::max(0, c.y); y < std::min(size.h, c.y + c.h); y += 3)
                for (int x = std::max(0, c.x); x < std::min(size.w, c.x + c.w); x += 3)
                    ASSERT_EQ(bg.pixel(x, y), qRgba(90, 160, 220, 255)) << "cell " << i << " at " << x << "," << y;
        }
        if (QFileInfo(path).baseName() == "002") {
            EXPECT_EQ(size.w, 730);
            EXPECT_EQ(size.h, 996);
            const _tagCGRect a = puzzle.GetFormatRectWithIndex(0), b = puzzle.GetFormatRectWithIndex(1);
            EXPECT_EQ(QRect(a.x, a.y, a.w, a.h), QRect(40, 40, 650, 323));
            EXPECT_EQ(QRect(b.x, b.y, b.w, b.h), QRect(40, 371, 650, 585));
        }
    });
}

TEST(Readers, EveryFreeLayout)
{
    cfreepuzzle puzzle;
    forEachFile(":/puzzlef", [&](const QString &, QByteArray &data) {
        ASSERT_EQ(puzzle.ReadFrameFile(bytes(data), data.size()), 1);
        ASSERT_EQ(puzzle.GetCount(), le32(data, 36));
        for (int i = 0; i < puzzle.GetCount(); ++i) {
            const _tagCGRect c = puzzle.GetMaxRectWithIndex(i);
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.w, 640);
            EXPECT_LE(c.y + c.h, 896);
            EXPECT_GT(c.w, 100);
            EXPECT_GE(puzzle.GetRotationWithIndex(i), -10.0f);
            EXPECT_LE(puzzle.GetRotationWithIndex(i), 10.0f);
        }
    });
    QByteArray first = readResource(":/puzzlef/002-001.zypt");
    ASSERT_EQ(puzzle.ReadFrameFile(bytes(first), first.size()), 1);
    const _tagCGRect a = puzzle.GetMaxRectWithIndex(0), b = puzzle.GetMaxRectWithIndex(1);
    EXPECT_EQ(QRect(a.x, a.y, a.w, a.h), QRect(44, 21, 554, 554));
    EXPECT_EQ(QRect(b.x, b.y, b.w, b.h), QRect(137, 509, 369, 369));
    EXPECT_EQ(puzzle.GetRotationWithIndex(0), -3.0f);
    EXPECT_EQ(puzzle.GetRotationWithIndex(1), 5.0f);
}

TEST(Readers, EveryBubble)
{
    csbubble bubble;
    bool sawExample = false;
    forEachFile(":/bubble", [&](const QString &path, QByteArray &data) {
        ASSERT_EQ(bubble.ReadFrameFile(bytes(data), data.size()), 383);
        const _tagCGRect r = bubble.GetTextDrawRect();
        const QImage picture = readImage(":/fontbg/" + QFileInfo(path).completeBaseName() + ".png");
        EXPECT_GT(r.w, 0);
        EXPECT_GT(r.h, 0);
        EXPECT_LE(r.x + r.w, picture.width());
        EXPECT_LE(r.y + r.h, picture.height());
        const int c = bubble.GetTextColorWithIndex(0);
        EXPECT_TRUE(c == 0x10 || c == 0xFF);
        EXPECT_EQ(bubble.GetTextColorWithIndex(1), c);
        EXPECT_EQ(bubble.GetTextColorWithIndex(2), c);
        EXPECT_EQ(bubble.GetTextColorWithIndex(3), 255);
        sawExample = sawExample || (r.x == 48 && r.y == 36 && r.w == 375 && r.h == 282 && picture.size() == QSize(474, 421));
    });
    EXPECT_TRUE(sawExample);
}

}  // namespace
