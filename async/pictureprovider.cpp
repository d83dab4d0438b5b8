#include "pictureprovider.h"

#include "displaycopies.h"
#include "photoreader.h"

#include <QUrl>

PictureProvider::PictureProvider(std::shared_ptr<DisplayCopies> copies)
    : QQuickImageProvider(QQuickImageProvider::Image)
    , copies(std::move(copies))
{
}

QString PictureProvider::pathOf(const QString &id)
{
    QString encoded = id;
    const qsizetype query = encoded.indexOf(QLatin1Char('?'));
    if (query >= 0)
        encoded.truncate(query);
    QString path = QUrl::fromPercentEncoding(encoded.toUtf8());
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    return path;
}

QImage PictureProvider::picture(DisplayCopies *copies, const QString &path, QSize box, QSize *fullSize)
{
    QSize full;
    QImage copy = copies->find(path, box, &full);
    if (copy.isNull()) {
        // Decoded as every operation decodes it: upright by the photo's EXIF
        // orientation, within the photo budget; copies are kept at least as
        // large as the box asked for now.
        full = imageio::uprightSize(path);
        if (!full.isValid())
            return {};
        copy = imageio::readPicture(path, [box](QSize upright) { return DisplayCopies::fitted(upright, box); });
        if (copy.isNull())
            return {};
        copies->put(path, copy, full);
    }
    if (fullSize)
        *fullSize = full;
    const QSize wanted = DisplayCopies::fitted(copy.size(), box);
    if (wanted == copy.size())
        return copy;
    return copy.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString PictureProvider::liveAddress(const QString &lane)
{
    return QStringLiteral("image://%1/%2%3").arg(QLatin1String(kName), QLatin1String(kLivePrefix),
                                                QString::fromLatin1(QUrl::toPercentEncoding(lane)));
}

QImage PictureProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    QImage image;
    if (id.startsWith(QLatin1String(kLivePrefix))) {
        const QString encoded = id.mid(qstrlen(kLivePrefix)).section(QLatin1Char('?'), 0, 0);
        const QString lane = QUrl::fromPercentEncoding(encoded.toUtf8());
        image = copies->live(lane);
        const QSize wanted = DisplayCopies::fitted(image.size(), requestedSize);
        if (!image.isNull() && wanted != image.size())
            image = image.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } else {
        image = picture(copies.get(), pathOf(id), requestedSize, nullptr);
    }
    if (size)
        *size = image.size();
    return image;
}
