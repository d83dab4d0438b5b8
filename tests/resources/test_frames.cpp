// Simple frame files: names, header, the eight PNG pieces, and pieces that
// fit each other the way the frame compositor lays them.
#include <QImage>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

const char *kFrames[] = {"baikuang", "bodian", "dianyingjiaopian", "feilin", "fenhongxinqing", "fuguxiangkuang", "heikuang",
                         "jiaodai", "jingdianbiankuang", "keaibanyuan", "leisibian", "luxiangji", "xiangzhi", "youpiao"};

enum Piece { LeftUp, LeftDown, RightUp, RightDown, Up, Down, Left, Right };

struct Frame {
    int cutWidth[4] = {}, cutHeight[4] = {};
    QImage piece[8];
    QByteArray png[8];
};

// Parses a frame file strictly; a failure is reported and gives false.
bool parse(const QByteArray &b, Frame &f, std::string &why)
{
    if (!hasLayoutHeader(b, "QVRBK")) {
        why = "header";
        return false;
    }
    if (b.size() < 80 || le32(b, 32) != 960 || le32(b, 36) != 640 || le32(b, 40) != 190 || le32(b, 76) != 0) {
        why = "fixed header values";
        return false;
    }
    for (int c = 0; c < 4; ++c) {
        f.cutWidth[c] = le32(b, 44 + c * 8);
        f.cutHeight[c] = le32(b, 48 + c * 8);
    }
    qsizetype at = 80;
    for (int i = 0; i < 8; ++i) {
        if (at + 12 > b.size() || le32(b, at) != 1 || le32(b, at + 4) != 0) {
            why = "record " + std::to_string(i);
            return false;
        }
        const int n = le32(b, at + 8);
        at += 12;
        if (n <= 0 || at + n > b.size()) {
            why = "piece length " + std::to_string(i);
            return false;
        }
        f.png[i] = b.mid(at, n);
        f.piece[i].loadFromData(f.png[i], "PNG");
        if (f.piece[i].isNull()) {
            why = "piece " + std::to_string(i) + " is not a PNG";
            return false;
        }
        f.piece[i] = f.piece[i].convertToFormat(QImage::Format_ARGB32);
        at += n;
    }
    if (at != b.size()) {
        why = "bytes after the last piece";
        return false;
    }
    return true;
}

Frame load(const char *name)
{
    Frame f;
    std::string why;
    const QByteArray b = readResource(QString(":/ini/%1.qvrbk").arg(name));
    EXPECT_TRUE(parse(b, f, why)) << name << ": " << why;
    return f;
}

// Size of the composite for a W x H photo, as the compositor computes it.
QSize composite(const Frame &f, int W, int H)
{
    const int rx = (W - f.cutWidth[0] - f.cutWidth[2]) % f.piece[Up].width();
    const int ry = (H - f.cutHeight[0] - f.cutHeight[1]) % f.piece[Left].height();
    return QSize(f.piece[LeftUp].width() + f.piece[RightUp].width() - f.cutWidth[0] - f.cutWidth[2] + W - rx,
                 f.piece[LeftUp].height() + f.piece[LeftDown].height() - f.cutHeight[0] - f.cutHeight[1] + H - ry);
}

TEST(Frames, EveryFileHasTheHeaderAndEightPngPieces)
{
    for (const char *name : kFrames) {
        SCOPED_TRACE(name);
        const Frame f = load(name);
        for (int i = 0; i < 8; ++i) {
            // 8-bit RGB (2) or RGBA (6): the IHDR's bit depth and colour type.
            ASSERT_GE(f.png[i].size(), 26);
            EXPECT_EQ(static_cast<uint8_t>(f.png[i][24]), 8) << "piece " << i;
            const int type = static_cast<uint8_t>(f.png[i][25]);
            EXPECT_TRUE(type == 2 || type == 6) << "piece " << i << " colour type " << type;
        }
    }
}

// The compositor places tiles by the top tile's width and the left tile's
// height, bottom tiles at the bottom-left corner's height and right tiles at
// the top-right corner's width: pieces that disagree leave gaps or overlaps.
TEST(Frames, PiecesFitTogether)
{
    for (const char *name : kFrames) {
        SCOPED_TRACE(name);
        const Frame f = load(name);
        const QImage *p = f.piece;
        EXPECT_EQ(p[LeftUp].width(), p[LeftDown].width());
        EXPECT_EQ(p[RightUp].width(), p[RightDown].width());
        EXPECT_EQ(p[LeftUp].height(), p[RightUp].height());
        EXPECT_EQ(p[LeftDown].height(), p[RightDown].height());
        EXPECT_EQ(p[Up].width(), p[Down].width());
        EXPECT_EQ(p[Up].height(), p[LeftUp].height());
        EXPECT_EQ(p[Down].height(), p[LeftDown].height());
        EXPECT_EQ(p[Left].height(), p[Right].height());
        EXPECT_EQ(p[Left].width(), p[LeftUp].width());
        EXPECT_EQ(p[Right].width(), p[RightUp].width());
        for (int c = 0; c < 4; ++c) {
            EXPECT_GE(f.cutWidth[c], 0);
            EXPECT_GE(f.cutHeight[c], 0);
            EXPECT_LT(f.cutWidth[c], p[c].width());
            EXPECT_LT(f.cutHeight[c], p[c].height());
        }
        EXPECT_EQ(f.cutWidth[LeftUp], f.cutWidth[LeftDown]);
        EXPECT_EQ(f.cutWidth[RightUp], f.cutWidth[RightDown]);
        EXPECT_EQ(f.cutHeight[LeftUp], f.cutHeight[RightUp]);
        EXPECT_EQ(f.cutHeight[LeftDown], f.cutHeight[RightDown]);
        const QSize out = composite(f, 1024, 768);
        EXPECT_GT(out.width(), 1024 - f.piece[Up].width());
        EXPECT_GT(out.height(), 768 - f.piece[Left].height());
    }
}

// The composite starts out white; a frame that left holes in its border
// (alpha below 255 outside the photo) would show white specks there.
TEST(Frames, BorderOutsideThePhotoIsOpaque)
{
    for (const char *name : kFrames) {
        SCOPED_TRACE(name);
        const Frame f = load(name);
        auto opaque = [&](int piece, const QRect &outside) {
            const QImage &img = f.piece[piece];
            for (int y = outside.top(); y <= outside.bottom(); ++y)
                for (int x = outside.left(); x <= outside.right(); ++x)
                    if (qAlpha(img.pixel(x, y)) != 255)
                        return testing::AssertionFailure() << "piece " << piece << " at " << x << "," << y;
            return testing::AssertionSuccess();
        };
        const int sideL = f.piece[LeftUp].width() - f.cutWidth[LeftUp];
        const int sideR = f.piece[RightUp].width() - f.cutWidth[RightUp];
        const int top = f.piece[LeftUp].height() - f.cutHeight[LeftUp];
        const int bottom = f.piece[LeftDown].height() - f.cutHeight[LeftDown];
        const int hd = f.piece[LeftDown].height();
        EXPECT_TRUE(opaque(LeftUp, QRect(0, 0, f.piece[LeftUp].width(), top)));
        EXPECT_TRUE(opaque(LeftUp, QRect(0, 0, sideL, f.piece[LeftUp].height())));
        EXPECT_TRUE(opaque(RightDown, QRect(0, hd - bottom, f.piece[RightDown].width(), bottom)));
        EXPECT_TRUE(opaque(RightDown, QRect(f.piece[RightDown].width() - sideR, 0, sideR, hd)));
        EXPECT_TRUE(opaque(Up, QRect(0, 0, f.piece[Up].width(), top)));
        EXPECT_TRUE(opaque(Down, QRect(0, hd - bottom, f.piece[Down].width(), bottom)));
        EXPECT_TRUE(opaque(Left, QRect(0, 0, sideL, f.piece[Left].height())));
        EXPECT_TRUE(opaque(Right, QRect(f.piece[Right].width() - sideR, 0, sideR, f.piece[Right].height())));
    }
}

TEST(Frames, BlackFrameGeometry)
{
    const Frame f = load("heikuang");
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(f.piece[c].size(), QSize(296, 296));
        EXPECT_EQ(f.cutWidth[c], 278);
        EXPECT_EQ(f.cutHeight[c], 278);
    }
    EXPECT_EQ(f.piece[Up].width(), 1);
    EXPECT_EQ(f.piece[Down].width(), 1);
    EXPECT_EQ(f.piece[Left].height(), 1);
    EXPECT_EQ(f.piece[Right].height(), 1);
    EXPECT_EQ(composite(f, 640, 480), QSize(676, 516));
}

}  // namespace
