#include "toolpicture.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "bandworkers.h"
#include "operationerror.h"
#include "photoreader.h"

#include <QFile>
#include <QFileInfo>
#include <QPixmap>

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
    // The reason is per thread: each decode hands its own back.
    QImage pictures[2];
    QString reasons[2];
    const QString *paths[2] = {&first, &second};
    bandworkers::forEach(2, bandworkers::threadsFor(2), [&](std::size_t i, int) {
        pictures[i] = load(*paths[i]);
        reasons[i] = OperationError::take();
        return true;
    });
    const QString &reason = reasons[0].isEmpty() ? reasons[1] : reasons[0];
    if (!reason.isEmpty())
        OperationError::set(reason);
    return {pictures[0], pictures[1]};
}

QString write(ZQDCommunication *communication, QImage picture, const QString &source,
              const QString &operation)
{
    if (picture.isNull()) {
        OperationError::set(bandworkers::cancelled()
                                ? QStringLiteral("%1 was cancelled.").arg(operation)
                                : QStringLiteral("%1: there was not enough memory for the result.").arg(operation));
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
