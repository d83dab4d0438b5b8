#include "photoreader.h"

#include "heifreader.h"
#include "jpegcheck.h"
#include "logging.h"
#include "operationerror.h"
#include "pictureformat.h"
#include "picturememory.h"
#include "rawreader.h"
#include "refusal.h"
#include "smoothscale.h"

#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

namespace imageio {

namespace {

// The toolkit's reader limit is process-wide; it is set while the program
// starts, before the interface or any operation decodes a picture.
const bool kReaderLimitSet = [] {
    QImageReader::setAllocationLimit(kReaderAllocationLimitMB);
    return true;
}();

bool turnedQuarter(const QImageReader &reader)
{
    return reader.transformation() & QImageIOHandler::TransformationRotate90;
}

bool isJpeg(const PictureFormat &format)
{
    return format.decoder == Decoder::Toolkit && format.name == QLatin1String("jpeg");
}

QSize toolkitUprightSize(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize stored = reader.size();
    if (!stored.isValid())
        return {};
    return turnedQuarter(reader) ? stored.transposed() : stored;
}

// A JPEG smaller than stored (`wanted` as stored, before turning): the
// decoder's own exact reduction by 2, 4 or 8 where the sides divide, the rest
// scaled on the band workers. (Asked for any other size, the toolkit's reader
// scales on the toolkit's shared threads, where the window's frames wait.)
QImage smallerJpeg(QImageReader &reader, QSize stored, QSize wanted, bool turned)
{
    for (const int d : {8, 4, 2}) {
        if (stored.width() % d == 0 && stored.height() % d == 0 && stored.width() / d >= wanted.width()
            && stored.height() / d >= wanted.height()) {
            reader.setScaledSize(stored / d);
            break;
        }
    }
    QImage picture = reader.read();
    if (picture.isNull()) {
        qCWarning(lcEngine) << "could not decode jpeg picture:" << reader.errorString();
        OperationError::set(damagedReason());
        return {};
    }
    const QSize upright = turned ? wanted.transposed() : wanted;
    return picture.size() == upright ? picture : smoothscale::scaled(picture, upright);
}

// `fullSize` is set when the picture was decoded at its own size.
QImage toolkitRead(const QString &path, const PictureFormat &format, const SizeRule &sizeFor, bool *fullSize)
{
    if (isJpeg(format)) {
        const QString damaged = jpeg::damage(path);
        if (!damaged.isEmpty()) {
            OperationError::set(damaged);
            return {};
        }
    }
    QImageReader reader(path, format.name.toLatin1());
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    QImage picture;
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
            *fullSize = wanted == upright;
            if (isJpeg(format) && wanted.width() <= upright.width() && wanted.height() <= upright.height()) {
                if (!*fullSize)
                    return smallerJpeg(reader, stored, turned ? wanted.transposed() : wanted, turned);
            } else if (wanted != upright) {
                reader.setScaledSize(turned ? wanted.transposed() : wanted);
            }
        } else {
            *fullSize = true;
        }
        picture = reader.read();
    } else {
        // A format that tells its size only by decoding: the reader's own
        // limit guards the decode, the budget the result.
        picture = reader.read();
        if (!picture.isNull() && !withinBudget(picture.size()))
            return {};
        *fullSize = true;
        if (!picture.isNull() && sizeFor) {
            const QSize wanted = sizeFor(picture.size());
            if (wanted.isEmpty())
                return {};
            if (wanted != picture.size()) {
                picture = picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                *fullSize = false;
            }
        }
    }
    if (picture.isNull()) {
        qCWarning(lcEngine) << "could not decode" << format.name << "picture:" << reader.errorString();
        OperationError::set(damagedReason());
    }
    return picture;
}

}  // namespace

bool withinBudget(QSize size)
{
    const QString reason = budgetReason(size);
    if (reason.isEmpty())
        return true;
    OperationError::set(reason);
    qCWarning(lcEngine).nospace() << "refused a picture of " << size.width() << "x" << size.height();
    return false;
}

QSize uprightSize(const QString &path)
{
    const PictureFormat format = identify(path);
    QString ignored;
    switch (format.decoder) {
    case Decoder::Toolkit:
        return toolkitUprightSize(path);
    case Decoder::Heif:
        return heif::uprightSize(path, format.name, &ignored);
    case Decoder::Raw:
        return raw::uprightSize(path, &ignored);
    default:
        return {};
    }
}

QString openProblem(const QString &path)
{
    const PictureFormat format = identify(path);
    QSize size;
    QString problem;
    switch (format.decoder) {
    case Decoder::Missing:
        return QStringLiteral("“%1” cannot be opened: the file does not exist or may not be read.")
            .arg(QFileInfo(path).fileName());
    case Decoder::Foreign:
    case Decoder::Unknown:
        return notPictureReason(path, format.name);
    case Decoder::Toolkit:
        size = toolkitUprightSize(path);
        if (!size.isValid())
            return damagedReason();
        if (isJpeg(format))
            problem = jpeg::damage(path);
        break;
    case Decoder::Heif:
        size = heif::uprightSize(path, format.name, &problem);
        break;
    case Decoder::Raw:
        size = raw::uprightSize(path, &problem);
        break;
    }
    if (!problem.isEmpty())
        return problem;
    if (size.isEmpty())
        return damagedReason();
    return budgetReason(size);
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
    const PictureFormat format = identify(path);
    QImage picture;
    bool fullSize = !sizeFor;
    switch (format.decoder) {
    case Decoder::Missing:
        return {};
    case Decoder::Foreign:
    case Decoder::Unknown:
        OperationError::set(notPictureReason(path, format.name));
        return {};
    case Decoder::Toolkit:
        picture = toolkitRead(path, format, sizeFor, &fullSize);
        break;
    case Decoder::Heif:
        picture = heif::read(path, format.name, sizeFor);
        break;
    case Decoder::Raw:
        picture = raw::read(path, sizeFor);
        break;
    }
    // Only a picture at its own size stands for its file.
    if (fullSize && !picture.isNull())
        memory.keepDecoded(path, picture, before);
    return picture;
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
