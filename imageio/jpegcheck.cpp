#include "jpegcheck.h"

#include "refusal.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>

namespace imageio::jpeg {

namespace {

struct Walk {
    bool complete = false;
    bool progressive = false;
};

// Follows the segments from the start-of-image marker: a segment with a
// length is skipped whole; after a start-of-scan the entropy-coded data runs
// to the next marker that is neither a stuffed 0xFF00 nor a restart marker.
Walk walk(const uchar *data, qint64 size)
{
    Walk w;
    if (size < 4 || data[0] != 0xff || data[1] != 0xd8)
        return w;
    qint64 at = 2;
    while (true) {
        // A marker: 0xFF, any fill bytes 0xFF, then its code.
        if (at >= size || data[at] != 0xff)
            return w;
        while (at < size && data[at] == 0xff)
            ++at;
        if (at >= size)
            return w;
        const uchar code = data[at++];
        if (code == 0xd9) {
            w.complete = true;
            return w;
        }
        if ((code >= 0xd0 && code <= 0xd7) || code == 0x01)
            continue;
        if (at + 2 > size)
            return w;
        const qint64 length = (qint64(data[at]) << 8) | data[at + 1];
        if (length < 2)
            return w;
        if (code == 0xc2 || code == 0xc6 || code == 0xca || code == 0xce)
            w.progressive = true;
        at += length;
        if (at > size)
            return w;
        if (code != 0xda)
            continue;
        // The scan's data, up to the next real marker.
        while (true) {
            const void *ff = memchr(data + at, 0xff, size_t(size - at));
            if (!ff)
                return w;
            at = static_cast<const uchar *>(ff) - data;
            if (at + 1 >= size)
                return w;
            const uchar next = data[at + 1];
            if (next == 0x00 || (next >= 0xd0 && next <= 0xd7) || next == 0xff) {
                at += next == 0xff ? 1 : 2;
                continue;
            }
            break;
        }
    }
}

Walk walkFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (const uchar *mapped = file.map(0, size))
        return walk(mapped, size);
    const QByteArray bytes = file.readAll();
    return walk(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size());
}

}  // namespace

bool complete(const QString &path)
{
    return walkFile(path).complete;
}

int percentWithData(const QImage &stored)
{
    if (stored.isNull())
        return 0;
    const QImage rgb = stored.convertToFormat(QImage::Format_RGB32);
    const QRgb fill = qRgb(128, 128, 128);
    int filled = 0;
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        bool flat = true;
        for (int x = 0; x < rgb.width() && flat; ++x)
            flat = row[x] == fill;
        if (!flat)
            break;
        ++filled;
    }
    return int(qint64(rgb.height() - filled) * 100 / rgb.height());
}

QString damage(const QString &path)
{
    const Walk w = walkFile(path);
    if (w.complete)
        return {};
    QImageReader reader(path, "jpeg");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    // An eighth of the size is decoded straight from the blocks' mean values,
    // which the grey fill keeps exactly.
    if (size.width() >= 64 && size.height() >= 64)
        reader.setScaledSize(size / 8);
    const QImage stored = reader.read();
    if (stored.isNull())
        return damagedReason();
    const int percent = percentWithData(stored);
    if (percent >= 100) {
        // A single scan that ends just short of its end marker holds the
        // whole picture; later scans of a progressive file sharpen it all.
        return w.progressive ? QStringLiteral("The photo is damaged: the end of its file is missing.") : QString();
    }
    const QImageIOHandler::Transformations turn = reader.transformation();
    if (turn & (QImageIOHandler::TransformationRotate90 | QImageIOHandler::TransformationFlip))
        return QStringLiteral("The photo is damaged: only %1 % of it could be read.").arg(percent);
    return damagedReason(percent);
}

}  // namespace imageio::jpeg
