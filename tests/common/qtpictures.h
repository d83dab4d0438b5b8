// The pictures the program's Qt tests make and write to files: one picture
// whose every pixel tells where it came from, and one writer that makes the
// folders and stops the test program when a picture cannot be written.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>

namespace zntest {

// Opaque 32-bit RGB: red rises to the right, green downwards, blue is `blue`.
inline QImage positionPicture(int width, int height, int blue = 90)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(width > 1 ? x * 255 / (width - 1) : 0, height > 1 ? y * 255 / (height - 1) : 0, blue);
    }
    return image;
}

// Writes `image` to `path`, making its folders, and returns the path.
inline QString writePicture(const QString &path, const QImage &image, const char *format = "PNG", int quality = -1)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format, quality))
        qFatal("cannot write the test picture %s", qPrintable(path));
    return path;
}

}  // namespace zntest
