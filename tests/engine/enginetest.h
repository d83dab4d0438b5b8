// What the engine's tests share: a private document folder per test program,
// deterministic photos written to files, and picture comparisons that say
// why two pictures differ.
#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace enginetest {

// A photo-like picture: smooth ramps in the three channels crossed by a
// coarse checker, so looks that tone, blend or blur all change it.
inline QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = width > 1 ? x * 255 / (width - 1) : 128;
            const int g = height > 1 ? y * 255 / (height - 1) : 128;
            const int b = ((x / 8 + y / 8) % 2) ? 200 : 40;
            row[x] = qRgb(r, (g + r / 3) % 256, b);
        }
    }
    return image;
}

// The same photo in grey.
inline QImage greyPhoto(int width, int height)
{
    return photo(width, height).convertToFormat(QImage::Format_Grayscale8);
}

inline QString &documentRoot()
{
    static QString root;
    return root;
}

// Writes `image` under the document root (folders made as needed).
inline QString writePhoto(const QString &name, const QImage &image, const char *format = "PNG", int quality = -1)
{
    const QString path = documentRoot() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format, quality))
        qFatal("cannot write the test picture %s", qPrintable(path));
    return path;
}

// A picture file as opaque 32-bit RGB (null when it cannot be read).
inline QImage readRgb32(const QString &path)
{
    QImage image(path);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

inline QImage rgb32(const QPixmap &pixmap)
{
    return pixmap.isNull() ? QImage() : pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// Why two pictures differ in their colour bytes, or "" when they are alike:
// the sizes, or the count of differing pixels, the first one and the largest
// difference of a channel.
inline QString difference(const QImage &expected, const QImage &actual)
{
    if (expected.isNull() || actual.isNull())
        return QStringLiteral("a picture is null (expected %1, actual %2)")
            .arg(expected.isNull() ? "null" : "not null", actual.isNull() ? "null" : "not null");
    if (expected.size() != actual.size())
        return QStringLiteral("sizes differ: expected %1x%2, actual %3x%4")
            .arg(expected.width()).arg(expected.height()).arg(actual.width()).arg(actual.height());
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    int firstX = -1, firstY = -1, largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((ra[x] & 0xffffff) == (rb[x] & 0xffffff))
                continue;
            if (count++ == 0) {
                firstX = x;
                firstY = y;
            }
            largest = std::max({largest, std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                                std::abs(qBlue(ra[x]) - qBlue(rb[x]))});
        }
    }
    if (!count)
        return {};
    return QStringLiteral("%1 pixels differ, the first at (%2, %3), by up to %4")
        .arg(count).arg(firstX).arg(firstY).arg(largest);
}

// SHA-1 of the colour bytes (B, G, R) of an opaque picture, row by row, with
// its size in front: the same digest whatever the picture's format.
inline QByteArray pixelDigest(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
    QByteArray row(image.width() * 3, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const uchar *p = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(p[4 * x]);
            row[3 * x + 1] = char(p[4 * x + 1]);
            row[3 * x + 2] = char(p[4 * x + 2]);
        }
        hash.addData(row);
    }
    return hash.result().toHex().left(16);
}

}  // namespace enginetest

#define ZN_COMPARE_PICTURES(expected, actual)                                                            \
    do {                                                                                                 \
        const QString why_ = enginetest::difference((expected), (actual));                               \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                      \
    } while (false)

// Runs a test class with its own document folder (ZELTANORVIK_ROOT), removed
// afterwards; the folder is fixed before anything reads it.
#define ZN_ENGINE_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char **argv)                                                                      \
    {                                                                                                    \
        QTemporaryDir work;                                                                              \
        enginetest::documentRoot() = work.path() + QStringLiteral("/MyDocs/");                           \
        QDir().mkpath(enginetest::documentRoot());                                                       \
        qputenv("ZELTANORVIK_ROOT", enginetest::documentRoot().toUtf8());                                \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                              \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                     \
        QGuiApplication app(argc, argv);                                                                 \
        TestClass tc;                                                                                    \
        return QTest::qExec(&tc, argc, argv);                                                            \
    }
