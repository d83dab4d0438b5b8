#include "toolpicture.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "operationerror.h"
#include "photoreader.h"

#include <QFile>
#include <QFileInfo>
#include <QPixmap>

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

namespace toolpicture {

QImage load(const QString &path)
{
    const QString file = stripFileUrl(path);
    // Upright by the photo's EXIF orientation and within the photo budget,
    // as every other operation decodes it.
    QImage picture = imageio::readPicture(file);
    if (picture.isNull()) {
        const QString name = QFileInfo(file).fileName();
        OperationError::set(QFile::exists(file) ? QStringLiteral("The picture \u201c%1\u201d cannot be read.").arg(name)
                                                : QStringLiteral("The picture \u201c%1\u201d does not exist.").arg(name));
        return {};
    }
    return prepared(picture);
}

QImage prepared(const QImage &picture)
{
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

std::pair<QImage, QImage> loadTwo(const QString &first, const QString &second)
{
    // The reason is per thread: the helper thread hands its own back.
    auto other = std::async(std::launch::async, [second] {
        QImage picture = load(second);
        return std::make_pair(picture, OperationError::take());
    });
    QImage one = load(first);
    auto [two, reason] = other.get();
    if (!reason.isEmpty())
        OperationError::set(reason);
    return {one, two};
}

void forEachBand(int rows, qint64 pixels, const std::function<void(int, int)> &work)
{
    constexpr qint64 kWorthSplitting = 512 * 1024;  // pixels
    const int bands = pixels < kWorthSplitting ? 1 : std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
    if (bands == 1 || rows < 2 * bands) {
        work(0, rows);
        return;
    }
    std::vector<std::thread> helpers;
    for (int b = 1; b < bands; ++b)
        helpers.emplace_back(work, int(qint64(rows) * b / bands), int(qint64(rows) * (b + 1) / bands));
    work(0, rows / bands);
    for (std::thread &t : helpers)
        t.join();
}

QString write(ZQDCommunication *communication, QImage picture, const QString &source,
              const QString &operation)
{
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("%1: there was not enough memory for the result.").arg(operation));
        return {};
    }
    const QString path = communication->writeWorkingFile(QPixmap::fromImage(std::move(picture)), stripFileUrl(source));
    if (!QFile::exists(path)) {
        OperationError::set(QStringLiteral("%1: the working file could not be written (is the disk full?).")
                                .arg(operation));
        return {};
    }
    return path;
}

}  // namespace toolpicture
