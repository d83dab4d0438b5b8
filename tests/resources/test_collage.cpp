// Template-collage layouts, their lists and borders; background patterns;
// free-collage layouts and backgrounds.
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "bundle.h"

using namespace bundletest;

namespace {

constexpr int kCanvasW = 640, kCanvasH = 896;
const std::map<int, int> kLayoutsPerCount = {{2, 4}, {3, 10}, {4, 10}, {5, 11}, {6, 10}, {7, 10}, {8, 10}, {9, 8}};

std::vector<QRect> templateCells(const QByteArray &b)
{
    std::vector<QRect> cells;
    const int n = le32(b, 36);
    for (int i = 0; i < n; ++i)
        cells.push_back(QRect(le32(b, 56 + i * 16), le32(b, 60 + i * 16), le32(b, 64 + i * 16), le32(b, 68 + i * 16)));
    return cells;
}

// True when the cells tile the canvas with 8-pixel gaps between them and none
// along the canvas's edges: every cell lies on the canvas, no side of a cell
// stops short of an edge by less than a gap, and the cells grown by half a
// gap each way (and cut to the canvas) cover it exactly once. A gap narrower
// than 8 makes grown cells overlap, a wider one or a margin leaves pixels
// uncovered.
testing::AssertionResult tilesWithGaps(const std::vector<QRect> &cells)
{
    std::vector<uint8_t> cover(kCanvasW * kCanvasH, 0);
    for (const QRect &c : cells) {
        if (c.width() <= 0 || c.height() <= 0 || c.left() < 0 || c.top() < 0 || c.right() >= kCanvasW ||
            c.bottom() >= kCanvasH)
            return testing::AssertionFailure() << "a cell off the canvas or empty";
        const int right = kCanvasW - 1 - c.right(), bottom = kCanvasH - 1 - c.bottom();
        for (int margin : {c.left(), c.top(), right, bottom})
            if (margin > 0 && margin < 8)
                return testing::AssertionFailure() << "a cell " << margin << " pixels from an edge";
        const QRect grown = c.adjusted(-4, -4, 4, 4) & QRect(0, 0, kCanvasW, kCanvasH);
        for (int y = grown.top(); y <= grown.bottom(); ++y)
            for (int x = grown.left(); x <= grown.right(); ++x)
                if (++cover[y * kCanvasW + x] > 1)
                    return testing::AssertionFailure() << "cells closer than 8 pixels at " << x << "," << y;
    }
    for (int y = 0; y < kCanvasH; ++y)
        for (int x = 0; x < kCanvasW; ++x)
            if (!cover[y * kCanvasW + x])
                return testing::AssertionFailure() << "a gap wider than 8 pixels at " << x << "," << y;
    return testing::AssertionSuccess();
}

// What template and free layouts share: the layout header with its magic,
// the int 1, the cell count, the canvas size, eight 0x01 bytes, then a record
// of recordSize bytes a cell.
testing::AssertionResult isCellLayout(const QByteArray &b, const char *magic, int cells, int recordSize)
{
    if (b.size() != 56 + recordSize * cells)
        return testing::AssertionFailure() << b.size() << " bytes";
    if (!hasLayoutHeader(b, magic))
        return testing::AssertionFailure() << "no " << magic << " header";
    if (le32(b, 32) != 1 || le32(b, 36) != cells || le32(b, 40) != kCanvasW || le32(b, 44) != kCanvasH)
        return testing::AssertionFailure() << "fields " << le32(b, 32) << ", " << le32(b, 36) << ", "
                                           << le32(b, 40) << " x " << le32(b, 44);
    if (!allBytes(b, 48, 8, 1))
        return testing::AssertionFailure() << "no eight 0x01 bytes after the canvas size";
    return testing::AssertionSuccess();
}

TEST(TemplateLayouts, NamesCountsAndHeader)
{
    const QStringList all = files(":/puzzletemplate");
    int total = 0;
    for (const auto &[cells, count] : kLayoutsPerCount) {
        for (int v = 1; v <= count; ++v) {
            const QString path = QString::asprintf(":/puzzletemplate/%03d-%03d.zeltambpt", cells, v);
            SCOPED_TRACE(path.toStdString());
            EXPECT_TRUE(isCellLayout(readResource(path), "QVPTM", cells, 16));
            ++total;
        }
        EXPECT_FALSE(all.contains(QString::asprintf(":/puzzletemplate/%03d-%03d.zeltambpt", cells, count + 1)));
    }
    EXPECT_EQ(total, 73);
    EXPECT_EQ(all.size(), 73);
}

TEST(TemplateLayouts, FirstTwoCellLayout)
{
    const std::vector<QRect> cells = templateCells(readResource(":/puzzletemplate/002-001.zeltambpt"));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0], QRect(0, 0, 640, 313));
    EXPECT_EQ(cells[1], QRect(0, 321, 640, 575));
}

TEST(TemplateLayouts, EachTilesTheCanvasWithEightPixelGaps)
{
    for (const QString &path : files(":/puzzletemplate")) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(tilesWithGaps(templateCells(readResource(path))));
    }
}

TEST(TemplateLayouts, NoTwoLayoutsAlike)
{
    QSet<QString> seen;
    for (const QString &path : files(":/puzzletemplate")) {
        std::vector<QRect> cells = templateCells(readResource(path));
        std::sort(cells.begin(), cells.end(), [](const QRect &a, const QRect &b) {
            return std::make_pair(a.y(), a.x()) < std::make_pair(b.y(), b.x());
        });
        QString key;
        for (const QRect &c : cells)
            key += QString::asprintf("%d,%d,%d,%d;", c.x(), c.y(), c.width(), c.height());
        EXPECT_FALSE(seen.contains(key)) << path.toStdString() << " repeats another layout";
        seen.insert(key);
    }
}

// The lists name each count's layouts in order, nothing else.
TEST(TemplateLayouts, ListsNameEveryLayoutInOrder)
{
    int total = 0;
    for (const auto &[cells, count] : kLayoutsPerCount) {
        const QByteArray xml = readResource(QString(":/puzzlemodel/pattern%1.plist").arg(cells));
        ASSERT_FALSE(xml.isEmpty()) << cells;
        QXmlStreamReader r(xml);
        QStringList names;
        QString lastKey;
        int depth = 0;
        bool sawPlist = false;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                ++depth;
                if (r.name() == u"plist") {
                    sawPlist = true;
                    EXPECT_EQ(r.attributes().value("version"), u"1.0");
                } else if (r.name() == u"key") {
                    lastKey = r.readElementText();
                    --depth;
                } else if (r.name() == u"string") {
                    EXPECT_EQ(lastKey, "qvpt");
                    EXPECT_EQ(depth, 4) << "plist > array > dict > string";
                    names << r.readElementText();
                    --depth;
                }
            } else if (r.isEndElement()) {
                --depth;
            }
        }
        EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
        EXPECT_TRUE(sawPlist);
        ASSERT_EQ(names.size(), count) << cells;
        for (int v = 0; v < count; ++v)
            EXPECT_EQ(names[v], QString::asprintf("%03d-%03d.zeltambpt", cells, v + 1));
        total += names.size();
    }
    EXPECT_EQ(total, 73);
}

struct Border {
    int insetX = 0, insetY = 0;
    int w[8] = {}, h[8] = {};
    std::vector<QByteArray> pixels;
};

bool parseBorder(const QByteArray &b, Border &out, std::string &why)
{
    if (!hasLayoutHeader(b, "PTBJ ")) {
        why = "header";
        return false;
    }
    if (b.size() < 66 || le32(b, 32) != 255 || le32(b, 36) != 255 || le32(b, 40) != 255 || b[44] != 8 ||
        !allBytes(b, 53, 13, 1)) {
        why = "fixed fields";
        return false;
    }
    out.insetX = le32(b, 45);
    out.insetY = le32(b, 49);
    qsizetype at = 66;
    for (int i = 0; i < 8; ++i) {
        if (at + 8 > b.size()) {
            why = "record " + std::to_string(i);
            return false;
        }
        out.w[i] = le32(b, at);
        out.h[i] = le32(b, at + 4);
        const qsizetype n = qsizetype(out.w[i]) * out.h[i] * 4;
        at += 8;
        if (out.w[i] <= 0 || out.h[i] <= 0 || at + n > b.size()) {
            why = "piece " + std::to_string(i);
            return false;
        }
        out.pixels.push_back(b.mid(at, n));
        at += n;
    }
    if (at != b.size()) {
        why = "bytes after the last piece";
        return false;
    }
    return true;
}

TEST(Borders, HeaderPiecesAndShippedRanges)
{
    const QStringList all = files(":/puzzleframe");
    EXPECT_GE(all.size(), 8);
    for (const QString &path : all) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(path.endsWith(".ptbj"));
        Border br;
        std::string why;
        ASSERT_TRUE(parseBorder(readResource(path), br, why)) << why;
        const int c = br.w[0];
        EXPECT_EQ(br.h[0], c);
        EXPECT_GE(c, 16);
        EXPECT_LE(c, 93);
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(br.w[i], c);
            EXPECT_EQ(br.h[i], c);
        }
        EXPECT_GE(br.insetX, 0);
        EXPECT_LE(br.insetX, 49);
        EXPECT_GE(br.insetY, 0);
        EXPECT_LE(br.insetY, 49);
        EXPECT_LT(br.insetX, c);
        // Top and bottom tiles are as tall as the corners, the side tiles as wide.
        EXPECT_EQ(br.w[4], br.w[5]);
        EXPECT_EQ(br.h[4], c);
        EXPECT_EQ(br.h[5], c);
        EXPECT_EQ(br.h[6], br.h[7]);
        EXPECT_EQ(br.w[6], c);
        EXPECT_EQ(br.w[7], c);
        for (int len : {br.w[4], br.h[6]}) {
            EXPECT_GE(len, 2);
            EXPECT_LE(len, 78);
        }
    }
    Border b002;
    std::string why;
    ASSERT_TRUE(parseBorder(readResource(":/puzzleframe/002.ptbj"), b002, why)) << why;
    EXPECT_EQ(b002.w[0], 80);
    EXPECT_EQ(b002.insetX, 40);
    EXPECT_EQ(b002.insetY, 40);
    EXPECT_EQ(b002.w[4], 38);
    EXPECT_EQ(b002.h[6], 38);
}

// Calls check(border, band) with every border of the bundle, band being how
// far its pieces reach outside the cells.
template <typename Check>
void forEachBorder(Check check)
{
    forEachFile(":/puzzleframe", [&](const QString &, const QByteArray &data) {
        Border br;
        std::string why;
        ASSERT_TRUE(parseBorder(data, br, why)) << why;
        check(br, br.w[0] - br.insetX);
    });
}

// Over the cells (deeper in than the band) a border keeps the picture as it
// is: weight 255, level 255.
TEST(Borders, KeepThePictureInsideTheBand)
{
    forEachBorder([](const Border &br, int band) {
        const QByteArray &corner = br.pixels[0];  // the top-left corner
        for (int y = band; y < br.h[0]; ++y)
            for (int x = band; x < br.w[0]; ++x) {
                const char *p = corner.constData() + (y * br.w[0] + x) * 4;
                ASSERT_EQ(static_cast<uint8_t>(p[1]), 255) << x << "," << y;
                ASSERT_EQ(static_cast<uint8_t>(p[2]), 255) << x << "," << y;
            }
    });
}

// Next to the photo (the 8 pixels around the corner of the cells) a border
// paints or keeps the picture; it never cuts the background through: only
// its outer edge may be shaped.
TEST(Borders, NoHoleNextToThePhoto)
{
    forEachBorder([](const Border &br, int band) {
        const QByteArray &corner = br.pixels[0];
        int cut = 0;
        for (int y = std::max(0, band - 8); y < br.h[0]; ++y)
            for (int x = std::max(0, band - 8); x < br.w[0]; ++x) {
                if (x >= band && y >= band)
                    continue;  // over the cells
                const char *p = corner.constData() + (y * br.w[0] + x) * 4;
                const int level = static_cast<uint8_t>(p[1]), weight = static_cast<uint8_t>(p[2]);
                if ((weight == 0 || weight == 255) && level < 255)
                    ++cut;
            }
        EXPECT_EQ(cut, 0);
    });
}

// Mean colour difference between columns (or rows) a and b of an image.
double lineStep(const QImage &img, bool columns, int a, int b)
{
    const int n = columns ? img.height() : img.width();
    double d = 0;
    for (int i = 0; i < n; ++i) {
        const QRgb p = columns ? img.pixel(a, i) : img.pixel(i, a);
        const QRgb q = columns ? img.pixel(b, i) : img.pixel(i, b);
        d += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
    return d / n;
}

// Patterns are tiled from the top left over any size, so the last column
// must lead into the first like any two neighbouring columns (and rows).
TEST(Patterns, SmallSeamlessTiles)
{
    const QStringList all = files(":/puzzlegrain");
    EXPECT_GE(all.size(), 12);
    for (const QString &path : all) {
        SCOPED_TRACE(path.toStdString());
        const QImage img = readImage(path).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(img.isNull());
        EXPECT_LE(img.width(), 256);
        EXPECT_LE(img.height(), 256);
        for (const bool columns : {true, false}) {
            const int lines = columns ? img.width() : img.height();
            double inside = 0, maxInside = 0;
            for (int k = 1; k < lines; ++k) {
                inside += lineStep(img, columns, k - 1, k);
                maxInside = std::max(maxInside, lineStep(img, columns, k - 1, k));
            }
            inside /= lines - 1;
            EXPECT_LE(lineStep(img, columns, lines - 1, 0), std::max(2.5 * inside + 6, maxInside * 1.05 + 2))
                << (columns ? "left and right edges do not meet" : "top and bottom edges do not meet");
        }
    }
}

struct FreeCell {
    QRect rect;
    int offX[2], offY[2], rot[2];
    float factor[2];
};

std::vector<FreeCell> freeCells(const QByteArray &b)
{
    std::vector<FreeCell> cells;
    const int n = le32(b, 36);
    for (int i = 0; i < n; ++i) {
        const qsizetype at = 56 + i * 56;
        FreeCell c;
        c.rect = QRect(le32(b, at), le32(b, at + 4), le32(b, at + 8), le32(b, at + 12));
        c.offX[0] = le32(b, at + 16), c.offX[1] = le32(b, at + 20);
        c.offY[0] = le32(b, at + 24), c.offY[1] = le32(b, at + 28);
        c.rot[0] = le32(b, at + 32), c.rot[1] = le32(b, at + 36);
        c.factor[0] = lef32(b, at + 40), c.factor[1] = lef32(b, at + 44);
        cells.push_back(c);
    }
    return cells;
}

TEST(FreeLayouts, NamesHeaderAndRecords)
{
    int withRanges = 0;
    EXPECT_EQ(files(":/puzzlef").size(), 40);
    for (int n = 2; n <= 9; ++n)
        for (int v = 1; v <= 5; ++v) {
            const QString path = QString::asprintf(":/puzzlef/%03d-%03d.zypt", n, v);
            SCOPED_TRACE(path.toStdString());
            const QByteArray b = readResource(path);
            ASSERT_TRUE(isCellLayout(b, "ZZYPT", n, 56));
            bool ranged = false;
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(allBytes(b, 56 + i * 56 + 48, 8, 1)) << i;
            for (const FreeCell &c : freeCells(b)) {
                EXPECT_LE(c.offX[0], c.offX[1]);
                EXPECT_LE(c.offY[0], c.offY[1]);
                EXPECT_LE(c.rot[0], c.rot[1]);
                EXPECT_LE(c.factor[0], c.factor[1]);
                EXPECT_GE(c.offX[0], 0);
                EXPECT_LE(c.offX[1], 50);
                EXPECT_GE(c.offY[0], 0);
                EXPECT_LE(c.offY[1], 50);
                EXPECT_GE(c.rot[0], -10);
                EXPECT_LE(c.rot[1], 10);
                EXPECT_GE(c.factor[0], 0.9f);
                EXPECT_LE(c.factor[1], 1.1f);
                // On the canvas wherever the offsets land it (at full size).
                EXPECT_GE(c.rect.x(), 0);
                EXPECT_GE(c.rect.y(), 0);
                EXPECT_LE(c.rect.x() + c.offX[1] + c.rect.width(), kCanvasW);
                EXPECT_LE(c.rect.y() + c.offY[1] + c.rect.height(), kCanvasH);
                ranged = ranged || c.offX[0] != c.offX[1] || c.rot[0] != c.rot[1] || c.factor[0] != c.factor[1];
            }
            withRanges += ranged;
        }
    EXPECT_GE(withRanges, 3);
}

TEST(FreeLayouts, FirstTwoPhotoLayout)
{
    const std::vector<FreeCell> cells = freeCells(readResource(":/puzzlef/002-001.zypt"));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].rect, QRect(44, 21, 554, 554));
    EXPECT_EQ(cells[1].rect, QRect(137, 509, 369, 369));
    EXPECT_EQ(cells[0].rot[0], -3);
    EXPECT_EQ(cells[0].rot[1], -3);
    EXPECT_EQ(cells[1].rot[0], 5);
    EXPECT_EQ(cells[1].rot[1], 5);
    for (const FreeCell &c : cells) {
        EXPECT_EQ(c.offX[0], c.offX[1]);
        EXPECT_EQ(c.offY[0], c.offY[1]);
        EXPECT_EQ(c.factor[0], 1.0f);
        EXPECT_EQ(c.factor[1], 1.0f);
    }
}

TEST(FreeBackgrounds, AtLeastEightOf640By960)
{
    const QStringList all = files(":/miximage");
    EXPECT_GE(all.size(), 8);
    for (const QString &path : all) {
        const QImage img = readImage(path);
        EXPECT_EQ(img.size(), QSize(640, 960)) << path.toStdString();
    }
}

}  // namespace
