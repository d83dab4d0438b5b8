#include "photoreader.h"

#include "logging.h"
#include "operationerror.h"
#include "picturememory.h"

#include <QImageIOHandler>
#include <QImageReader>
#include <QLocale>

namespace imageio {

namespace {

// The toolkit's reader limit is process-wide; it is set while the program
// starts, before the interface or any operation decodes a picture.
const bool kReaderLimitSet = [] {
    QImageReader::setAllocationLimit(kReaderAllocationLimitMB);
    return true;
}();

QString megapixels(qint64 pixels)
{
    return QLocale::c().toString(double(pixels) / 1e6, 'f', pixels < 10'000'000 ? 1 : 0);
}

bool turnedQuarter(const QImageReader &reader)
{
    return reader.transformation() & QImageIOHandler::TransformationRotate90;
}

}  // namespace

bool withinBudget(QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels <= kPhotoPixelBudget)
        return true;
    OperationError::set(QStringLiteral("The photo is %1 × %2 pixels (%3 megapixels); the editor handles photos "
                                       "of up to %4 megapixels.")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(megapixels(pixels), megapixels(kPhotoPixelBudget)));
    qCWarning(lcEngine).nospace() << "refused a picture of " << size.width() << "x" << size.height();
    return false;
}

QSize uprightSize(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize stored = reader.size();
    if (!stored.isValid())
        return {};
    return turnedQuarter(reader) ? stored.transposed() : stored;
}

QImage readPicture(const QString &path, const SizeRule &sizeFor)
{
    Q_UNUSED(kReaderLimitSet);
    if (path.isEmpty())
        return {};
    // A picture just written or decoded is taken from memory at full size.
    PictureMemory &memory = PictureMemory::shared();
    if (const QImage kept = memory.find(path); !kept.isNull()) {
        const QSize wanted = sizeFor ? sizeFor(kept.size()) : kept.size();
        if (wanted.isEmpty())
            return {};
        if (wanted == kept.size())
            return kept;
    }
    const PictureMemory::Stamp before = PictureMemory::stamp(path);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid()) {
        if (!withinBudget(stored))
            return {};
        if (sizeFor) {
            // The reader scales the picture as stored, before turning it.
            const bool turned = turnedQuarter(reader);
            const QSize upright = turned ? stored.transposed() : stored;
            const QSize wanted = sizeFor(upright);
            if (wanted.isEmpty())
                return {};
            if (wanted != upright) {
                reader.setScaledSize(turned ? wanted.transposed() : wanted);
                return reader.read();
            }
        }
        const QImage picture = reader.read();
        memory.keepDecoded(path, picture, before);
        return picture;
    }

    // A format that tells its size only by decoding: the reader's own limit
    // guards the decode, the budget the result.
    QImage picture = reader.read();
    if (picture.isNull() || !withinBudget(picture.size()))
        return {};
    memory.keepDecoded(path, picture, before);
    if (!sizeFor)
        return picture;
    const QSize wanted = sizeFor(picture.size());
    if (wanted.isEmpty())
        return {};
    if (wanted == picture.size())
        return picture;
    return picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage drawable(QImage picture)
{
    if (picture.isNull())
        return picture;
    const QImage::Format format =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (picture.format() == format)
        return picture;
    return std::move(picture).convertToFormat(format);
}

}  // namespace imageio
