#include "photoprovider.h"

#include "operationerror.h"
#include "photoreader.h"

#include <QUrl>

#include <cmath>

PhotoProvider::PhotoProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{
}

QSize PhotoProvider::covering(QSize full, QSize box)
{
    if (full.isEmpty() || (box.width() <= 0 && box.height() <= 0))
        return full;
    const double scale = std::max(double(std::max(box.width(), 0)) / full.width(),
                                  double(std::max(box.height(), 0)) / full.height());
    if (scale >= 1.0)
        return full;
    return {std::max(1, int(std::ceil(full.width() * scale))), std::max(1, int(std::ceil(full.height() * scale)))};
}

QImage PhotoProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    QString path = QUrl::fromPercentEncoding(id.section(QLatin1Char('?'), 0, 0).toUtf8());
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    const QImage picture =
        imageio::readPicture(path, [requestedSize](QSize upright) { return covering(upright, requestedSize); });
    // A thumbnail that cannot be shown stays blank; its reason is for no one.
    OperationError::clear();
    if (size)
        *size = picture.size();
    return picture;
}
