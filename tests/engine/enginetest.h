// What the engine's tests share besides the common Qt test support
// (../common/qttestsupport.h: the document folder, picture comparisons and
// digests): deterministic photos written to files, and the bundle's files
// and index as the engine must hand them to the library.
#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

#include "../common/qtpictures.h"
#include "../common/qttestsupport.h"

#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "maskstretch.h"

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

using zntest::documentRoot;
using zntest::workingFolder;

// Writes `image` under the document root (folders made as needed).
inline QString writePhoto(const QString &name, const QImage &image, const char *format = "PNG", int quality = -1)
{
    return zntest::writePicture(documentRoot() + name, image, format, quality);
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

using zntest::difference;

// A test class that drives the facade and its engine, as QML does.
class FacadeTestCase : public QObject
{
protected:
    ZQDCommunication facade;
    ZQDImageEngine &engine = *facade.engine();
};

// Whether the data bundle is linked into the test program.
inline bool bundleLinked()
{
    return QFile::exists(QStringLiteral(":/index.json"));
}

// One list of the bundle's own index (":/index.json"): "effects", "frames",
// "colorfulFrames", ...; empty when the index cannot be read.
inline QJsonArray bundleIndex(const char *key)
{
    QFile f(QStringLiteral(":/index.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QLatin1String(key)).toArray();
}

// A bundled file whole; empty when it cannot be read.
inline QByteArray resourceBytes(const QString &resource)
{
    QFile f(resource);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A bundled mask as the engine must hand it to the library: stretched to
// `size` without keeping its proportions, nearest pixel, as opaque 32-bit
// pixels. A mask with translucent pixels is premultiplied first and then
// divided back exactly (maskstretch::opaque), the same on every processor.
inline QImage stretchedMask(const QString &resource, QSize size)
{
    QImage mask(resource);
    if (mask.isNull())
        qFatal("the bundle lacks %s", qPrintable(resource));
    if (mask.hasAlphaChannel())
        mask = maskstretch::opaque(mask.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return mask.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation).convertToFormat(QImage::Format_RGB32);
}

}  // namespace enginetest

// Runs a test class with its own document folder (ZELTANORVIK_ROOT), removed
// afterwards; the folder is fixed before anything reads it.
#define ZN_ENGINE_TEST_MAIN(TestClass) ZN_QT_TEST_MAIN(QGuiApplication, TestClass, true)
