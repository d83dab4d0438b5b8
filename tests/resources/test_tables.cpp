// Blend table files and the masks that ride in the same folder.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

constexpr qsizetype kTableFileSize = 196618;
constexpr qsizetype kTableOffsets[3] = {4, 65543, 131082};

const char *kTableFiles[] = {":/eb/effect034.eb", ":/eb/effect5.eb", ":/eb/effect6.eb", ":/eb/qvrk_Cartoon.eb"};

int entry(const QByteArray &file, int table, int row, int column)
{
    return static_cast<uint8_t>(file[kTableOffsets[table] + row * 256 + column]);
}

TEST(BlendTables, CountByteHeadersAndSize)
{
    for (const char *path : kTableFiles) {
        SCOPED_TRACE(path);
        const QByteArray b = readResource(path);
        ASSERT_EQ(b.size(), kTableFileSize);
        EXPECT_EQ(b[0], 3);
        for (qsizetype at : {qsizetype(1), qsizetype(65540), qsizetype(131079)}) {
            EXPECT_EQ(b[at], 0x04);
            EXPECT_EQ(b[at + 1], 0x01);
            EXPECT_EQ(b[at + 2], 0x09);
        }
    }
}

// Every table is a blend: the result never falls as the value being changed
// (the row) rises, whatever the other operand.
TEST(BlendTables, RisingInTheValueBeingChanged)
{
    for (const char *path : kTableFiles) {
        const QByteArray b = readResource(path);
        ASSERT_EQ(b.size(), kTableFileSize);
        for (int t = 0; t < 3; ++t)
            for (int col = 0; col < 256; ++col)
                for (int row = 1; row < 256; ++row)
                    ASSERT_GE(entry(b, t, row, col), entry(b, t, row - 1, col))
                        << path << " table " << t << " row " << row << " column " << col;
    }
}

// The blends the index names, checked where their two operands play
// different parts, so a table stored with rows and columns swapped fails.
TEST(BlendTables, EachTableIsTheBlendTheIndexNames)
{
    const QJsonObject index = QJsonDocument::fromJson(readResource(":/index.json")).object();
    int checked = 0;
    for (const QJsonValue &v : index.value("blendTables").toArray()) {
        const QJsonObject f = v.toObject();
        const QJsonArray tables = f.value("tables").toArray();
        if (tables.isEmpty())
            continue;
        const QByteArray b = readResource(f.value("file").toString());
        ASSERT_EQ(b.size(), kTableFileSize) << f.value("file").toString().toStdString();
        for (int t = 0; t < 3; ++t) {
            const QString name = tables[t].toObject().value("blend").toString();
            const double o = tables[t].toObject().value("opacity").toDouble();
            SCOPED_TRACE((f.value("file").toString() + " table " + QString::number(t) + " " + name).toStdString());
            auto near = [&](int row, int col, double want) { EXPECT_NEAR(entry(b, t, row, col), want, 1.01) << row << "," << col; };
            if (name == "multiply") {
                for (int r = 0; r < 256; r += 15) {
                    near(r, 255, r);
                    near(r, 0, 0);
                }
            } else if (name == "screen") {
                for (int r = 0; r < 256; r += 15) {
                    near(r, 0, r);
                    near(r, 255, 255);
                }
            } else if (name == "soft light") {
                // Mid grey leaves the value; black darkens a middle value by
                // a quarter of the way, not to black.
                for (int r = 0; r < 256; r += 15)
                    EXPECT_NEAR(entry(b, t, r, 128), r, 2.01);
                near(128, 0, 64);
                near(0, 255, 0);
            } else if (name == "overlay") {
                for (int r = 0; r < 256; r += 15)
                    EXPECT_NEAR(entry(b, t, r, 128), r, 2.01);
                near(64, 255, 64 + (128 - 64) * o);
                near(64, 0, 64 - 64 * o);
            } else if (name == "subtract") {
                for (int r = 0; r < 256; r += 15)
                    near(r, 0, r);
                near(255, 100, 255 - 100 * o);
                near(50, 100, std::max(0.0, 50 - 100 * o));
            } else {
                continue;
            }
            ++checked;
        }
    }
    EXPECT_GE(checked, 9) << "the three look tables should each name three known blends";
}

TEST(TiltShiftMasks, ASharpBandThenASoftVignette)
{
    const QByteArray b = readResource(":/eb/qvrk_lomo_16.eb");
    ASSERT_EQ(b.size(), 819200);
    auto band = [&](int x, int y) { return static_cast<uint8_t>(b[y * 640 + x]); };
    auto vignette = [&](int x, int y) { return static_cast<uint8_t>(b[640 * 640 + y * 640 + x]); };
    for (int x = 0; x < 640; x += 37) {
        EXPECT_EQ(band(x, 320), 255);
        EXPECT_EQ(band(x, 0), 0);
        EXPECT_EQ(band(x, 639), 0);
        // Horizontal: the same down every column.
        for (int y = 0; y < 640; y += 13)
            ASSERT_EQ(band(x, y), band(0, y));
    }
    for (int y = 1; y <= 320; ++y)  // rising to the middle, falling after
        ASSERT_GE(band(0, y), band(0, y - 1)) << y;
    for (int y = 321; y < 640; ++y)
        ASSERT_LE(band(0, y), band(0, y - 1)) << y;
    EXPECT_EQ(vignette(320, 320), 255);
    for (const QPoint c : {QPoint(0, 0), QPoint(639, 0), QPoint(0, 639), QPoint(639, 639)}) {
        EXPECT_LT(vignette(c.x(), c.y()), 175);
        EXPECT_GT(vignette(c.x(), c.y()), 60) << "a soft vignette, not a black rim";
    }
}

TEST(TimeTravelTexture, WeightsNeverAllZeroAndColourVaries)
{
    const QByteArray b = readResource(":/eb/qvrk_cy.eb");
    ASSERT_EQ(b.size(), 230400);
    int minWeight = 255, minR = 255, maxR = 0;
    for (int i = 0; i < 240 * 240; ++i) {
        minWeight = std::min<int>(minWeight, static_cast<uint8_t>(b[i * 4]));
        minR = std::min<int>(minR, static_cast<uint8_t>(b[i * 4 + 1]));
        maxR = std::max<int>(maxR, static_cast<uint8_t>(b[i * 4 + 1]));
    }
    EXPECT_GT(minWeight, 0) << "a zoom-blur weight of 0 everywhere on a ray leaves only alpha";
    EXPECT_GT(maxR - minR, 40);
}

}  // namespace
