// What the "tools" operations share: reading their source pictures and writing
// their results as working files, with the reason of any failure recorded.
#pragma once

#include <QImage>
#include <QString>

#include <utility>

class ZQDCommunication;

namespace toolpicture {

// The picture at `path` (a plain path or a file:// URL) as 32-bit pixels:
// Format_ARGB32 (straight alpha) when it has an alpha channel, else
// Format_RGB32, so every decoded pixel is kept as it is. A null picture, with
// the reason recorded, when it cannot be read.
QImage load(const QString &path);
// A decoded picture in the format load() gives.
QImage prepared(const QImage &picture);

// Both pictures, decoded at the same time on two threads; either is null
// (the first failure's reason recorded) when it cannot be read or the job was
// cancelled.
std::pair<QImage, QImage> loadTwo(const QString &first, const QString &second);

// Writes `picture` as the working file named after `source` and returns its
// path, or "" (the reason recorded) when nothing was written.
QString write(ZQDCommunication *communication, QImage picture, const QString &source,
              const QString &operation);

}  // namespace toolpicture
