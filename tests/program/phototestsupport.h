// Photos as today's cameras write them, for the tests: stored turned with an
// EXIF orientation, carrying metadata, or very large.
#pragma once

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <QtTest>

#include <functional>

// The metadata library's 0.27 interface hands out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace phototest {

// Opens the picture file at `path` with the metadata library, lets `change`
// alter its metadata, and writes it back.
inline void editMetadata(const QString &path, const std::function<void(Exiv2::Image &)> &change)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    change(*image);
    image->writeMetadata();
}

inline Exiv2::Image::AutoPtr readMetadata(const QString &path)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    return image;
}

#pragma GCC diagnostic pop

inline void setOrientation(const QString &path, int orientation)
{
    editMetadata(path, [orientation](Exiv2::Image &image) {
        Exiv2::ExifData exif = image.exifData();
        exif["Exif.Image.Orientation"] = uint16_t(orientation);
        image.setExifData(exif);
    });
}

// The pixel of the upright picture `upright` that a camera stores at (x, y)
// under EXIF orientation `orientation` (1 to 8), as the EXIF standard defines
// the orientations: which side of the picture row 0 and column 0 show.
inline QPoint uprightPixelOfStored(int orientation, int x, int y, QSize upright)
{
    const int w = upright.width(), h = upright.height();
    switch (orientation) {
    case 2: return {w - 1 - x, y};          // row 0 top, column 0 right
    case 3: return {w - 1 - x, h - 1 - y};  // row 0 bottom, column 0 right
    case 4: return {x, h - 1 - y};          // row 0 bottom, column 0 left
    case 5: return {y, x};                  // row 0 left, column 0 top
    case 6: return {w - 1 - y, x};          // row 0 right, column 0 top
    case 7: return {w - 1 - y, h - 1 - x};  // row 0 right, column 0 bottom
    case 8: return {y, h - 1 - x};          // row 0 left, column 0 bottom
    default: return {x, y};
    }
}

// The picture as a camera stores it under `orientation`.
inline QImage storedAs(const QImage &upright, int orientation)
{
    const bool across = orientation >= 5;
    const QSize size = across ? upright.size().transposed() : upright.size();
    QImage stored(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            stored.setPixel(x, y, upright.pixel(uprightPixelOfStored(orientation, x, y, upright.size())));
    }
    return stored;
}

// Four flat quarters, each a colour far from the others: top left red, top
// right green, bottom left blue, bottom right yellow.
inline const QList<QRgb> &quarterColours()
{
    static const QList<QRgb> colours = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 50, 210),
                                        qRgb(230, 220, 40)};
    return colours;
}

inline QImage quarters(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int hw = size.width() / 2, hh = size.height() / 2;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, quarterColours().at((y >= hh ? 2 : 0) + (x >= hw ? 1 : 0)));
    }
    return image;
}

inline bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
        && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Whether `image` shows the four quarters upright, sampled at their centres.
inline bool showsQuartersUpright(const QImage &image, QString *why)
{
    if (image.isNull()) {
        *why = QStringLiteral("no picture");
        return false;
    }
    const int w = image.width(), h = image.height();
    const QPoint centres[4] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
        const QRgb seen = image.pixel(centres[i]);
        if (!near(seen, quarterColours().at(i), 40)) {
            *why = QStringLiteral("quarter %1 of a %2 x %3 picture is %4, not %5")
                       .arg(i)
                       .arg(w)
                       .arg(h)
                       .arg(QColor(seen).name(), QColor(quarterColours().at(i)).name());
            return false;
        }
    }
    return true;
}

// The mean difference of two pictures of one size, per channel (0 to 255);
// -1 when their sizes differ.
inline double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q))
                 + qAbs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * x.width() * x.height());
}

}  // namespace phototest
