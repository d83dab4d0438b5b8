// Speech-bubble files and their plain pictures.
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

TEST(Bubbles, FilesRecordsAndPictures)
{
    const QStringList all = files(":/bubble");
    EXPECT_GE(all.size(), 8);
    bool sawExample = false;
    for (const QString &path : all) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(path.endsWith(".qvqp"));
        const QByteArray b = readResource(path);
        ASSERT_GT(b.size(), 383);
        // Head record.
        EXPECT_EQ(QByteArray(b.constData(), 8), QByteArray("1.0.0\0\0\0", 8));
        EXPECT_EQ(QByteArray(b.constData() + 8, 6), QByteArray("QVQP\0\0", 6));
        EXPECT_EQ(b[14], 1);
        // Word record.
        EXPECT_EQ(le32(b, 171), 172);
        EXPECT_EQ(QByteArray(b.constData() + 175, 10), QByteArray("QW.1.0.0\0\0", 10));
        const int left = le32(b, 187), top = le32(b, 191), right = le32(b, 211), bottom = le32(b, 215);
        EXPECT_EQ(le32(b, 195), left);   // left-bottom x
        EXPECT_EQ(le32(b, 199), bottom); // left-bottom y
        EXPECT_EQ(le32(b, 203), right);  // right-top x
        EXPECT_EQ(le32(b, 207), top);    // right-top y
        EXPECT_EQ(b[223], 0) << "the colour's fourth byte";
        // Image record.
        const int size = le32(b, 363);
        EXPECT_EQ(QByteArray(b.constData() + 347, 10), QByteArray("QI.1.0.0\0\0", 10));
        EXPECT_EQ(le32(b, 343), 40 + size);
        EXPECT_EQ(le32(b, 359), 13);
        ASSERT_EQ(b.size(), 383 + size);
        QImage embedded;
        ASSERT_TRUE(embedded.loadFromData(b.mid(383), "PNG"));
        // The plain picture the engine draws from has the same size.
        const QString picture = ":/fontbg/" + QFileInfo(path).completeBaseName() + ".png";
        const QImage plain = readImage(picture);
        ASSERT_FALSE(plain.isNull()) << picture.toStdString();
        EXPECT_EQ(plain.size(), embedded.size());
        EXPECT_TRUE(plain.hasAlphaChannel());
        // The text area lies inside the picture, on the bubble's body.
        ASSERT_LT(left, right);
        ASSERT_LT(top, bottom);
        EXPECT_LE(right, plain.width());
        EXPECT_LE(bottom, plain.height());
        const QImage rgba = plain.convertToFormat(QImage::Format_ARGB32);
        for (const QPoint p : {QPoint(left, top), QPoint(right - 1, top), QPoint(left, bottom - 1), QPoint(right - 1, bottom - 1)})
            EXPECT_EQ(qAlpha(rgba.pixel(p)), 255) << "text corner " << p.x() << "," << p.y() << " off the bubble";
        // Near-black text on light bubbles, white on dark ones.
        const uint8_t colour[3] = {static_cast<uint8_t>(b[220]), static_cast<uint8_t>(b[221]), static_cast<uint8_t>(b[222])};
        EXPECT_TRUE(colour[0] == colour[1] && colour[1] == colour[2]);
        const double luma = meanLuma(rgba, QRect(left, top, right - left, bottom - top));
        if (colour[0] == 0x10)
            EXPECT_GT(luma, 150);
        else
            EXPECT_TRUE(colour[0] == 0xFF && luma < 110) << int(colour[0]) << " on luma " << luma;
        if (plain.size() == QSize(474, 421) && left == 48 && top == 36 && right == 423 && bottom == 318)
            sawExample = true;
    }
    EXPECT_TRUE(sawExample) << "a 474 x 421 bubble with the text area (48, 36) to (423, 318)";
    EXPECT_EQ(files(":/fontbg").size(), all.size());
}

}  // namespace
