#include "toolpicture.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "operationerror.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace toolpicture {

QImage load(const QString &path)
{
    const QString file = stripFileUrl(path);
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull()) {
        const QString name = QFileInfo(file).fileName();
        OperationError::set(QFile::exists(file)
                                ? QStringLiteral("The picture \u201c%1\u201d cannot be read: %2.")
                                      .arg(name, reader.errorString())
                                : QStringLiteral("The picture \u201c%1\u201d does not exist.").arg(name));
        return {};
    }
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QString write(ZQDCommunication *communication, const QImage &picture, const QString &source,
              const QString &operation)
{
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("%1: there was not enough memory for the result.").arg(operation));
        return {};
    }
    const QString path = communication->writeWorkingFile(QPixmap::fromImage(picture), stripFileUrl(source));
    if (!QFile::exists(path)) {
        OperationError::set(QStringLiteral("%1: the working file could not be written (is the disk full?).")
                                .arg(operation));
        return {};
    }
    return path;
}

}  // namespace toolpicture
