// What the collage and text tests share besides the common Qt test support
// (../common/qttestsupport.h): generated photos and data files written to the
// document folder, the bounds of what a drawing changed, and the folder where
// rendered collages are kept for a look.
#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <vector>

#include "../common/qtpictures.h"
#include "../common/qttestsupport.h"

#include "ZQDImageEngine.h"

namespace collagetest {

// Bundled files the collage tests draw with: a template layout of two cells,
// a free layout of two photos, a border and a paper pattern.
inline const QString kLayout002001 = QStringLiteral(":/puzzletemplate/002-001.zeltambpt");
inline const QString kFree002001 = QStringLiteral(":/puzzlef/002-001.zypt");
inline const QString kBorder002 = QStringLiteral(":/puzzleframe/002.ptbj");
inline const QString kPaper = QStringLiteral(":/puzzlegrain/paper.jpg");

// A cell of the engine's list as the collage screen reads it (template cells
// are never turned).
struct Cell {
    int x, y, w, h;
    float degree = 0;
    bool operator==(const Cell &o) const
    {
        return x == o.x && y == o.y && w == o.w && h == o.h && degree == o.degree;
    }
};

inline char *toString(const Cell &c)
{
    return QTest::toString(
        QStringLiteral("(%1, %2, %3, %4) at %5").arg(c.x).arg(c.y).arg(c.w).arg(c.h).arg(double(c.degree)));
}

inline QList<Cell> cellsOf(ZQDImageEngine &engine)
{
    QList<Cell> cells;
    for (ZQDImageRect *r : engine.imageRects())
        cells.append({r->getx(), r->gety(), r->getwidth(), r->getheight(), r->getDegree()});
    return cells;
}

using zntest::documentRoot;
using zntest::workingFolder;

inline QString inRoot(const QString &name) { return documentRoot() + name; }

// Rendered collages are written here for a look (and kept after the run).
inline QString artefactPath(const QString &name)
{
    const QString dir = QStringLiteral(ZN_COLLAGE_ARTEFACTS);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

inline void keepArtefact(const QImage &image, const QString &name)
{
    QVERIFY2(image.save(artefactPath(name), "PNG"), qPrintable(name));
}

using zntest::positionPicture;

// Concentric rings around the centre, for pictures whose turn and mirror show.
inline QImage ringsPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int d = int(std::hypot(x - width / 3.0, y - height / 3.0));
            image.setPixel(x, y, (d / 24) % 2 ? qRgb(230, 120 + x * 100 / width, 40) : qRgb(30, 60, 160 + y * 90 / height));
        }
    return image;
}

// A checked pattern of two colours, `cell` pixels a square.
inline QImage checkerPicture(int side, int cell, QRgb a, QRgb b)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, ((x / cell) + (y / cell)) % 2 ? a : b);
    return image;
}

// Writes `image` as `name` under the document root.
inline QString writePicture(const QString &name, const QImage &image, const char *format = "PNG")
{
    return zntest::writePicture(inRoot(name), image, format);
}

inline QString writeBytes(const QString &name, const std::vector<unsigned char> &bytes)
{
    const QString path = inRoot(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
    return path;
}

// The smallest rectangle holding every pixel for which `hit` is true; empty
// when there is none.
inline QRect boundsOf(const QImage &image, const std::function<bool(QRgb)> &hit)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (hit(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The pixels where two pictures of one size differ.
inline QRect differenceBounds(const QImage &a, const QImage &b)
{
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32);
    int left = pa.width(), top = pa.height(), right = -1, bottom = -1;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x)
            if (pa.pixel(x, y) != pb.pixel(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

inline QString rectText(const QRect &r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace collagetest

// Runs a test class with its own document folder (removed afterwards), fixed
// before anything reads it, on the offscreen platform unless told otherwise.
#define ZN_COLLAGE_TEST_MAIN(TestClass) ZN_QT_TEST_MAIN(QGuiApplication, TestClass, true)
