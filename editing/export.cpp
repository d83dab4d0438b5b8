// Saving a picture the way people expect: a JPEG (or a PNG when it has
// transparency) in the saved-pictures folder, named after the photo it came
// from, with the photo's metadata.
//
// The file is made complete under a temporary name in the same folder (pixels,
// then metadata) and only then linked to its final name, which fails rather
// than replace a file that is there: a full disk or a failed write never
// leaves anything under a final name, and no saved picture is overwritten.
//
// Contents
//   names (IMG_1234_edited.jpg, IMG_1234_edited-2.jpg, ...; collage-<date>-<n>.jpg)
//   pixels (format choice, encoding, writing)
//   exportImage
#include "EditorTools.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "exportmetadata.h"
#include "logging.h"
#include "operationerror.h"
#include "photoreader.h"
#include "workingpngwriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDate>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Numbered names beyond this many in one folder mean something is wrong.
constexpr int kMaxNameNumber = 100000;

// --- names -------------------------------------------------------------------

// The name a saved picture starts from: the original's file name without
// its extension, and without the "_norvik" the working files add (a collage
// has a working file as its original).
QString baseName(const QString &original)
{
    QString base = QFileInfo(original).completeBaseName();
    static const QRegularExpression workingSuffix(QStringLiteral("(_norvik)+$"));
    base.remove(workingSuffix);
    return base.isEmpty() ? QStringLiteral("picture") : base;
}

QString candidateName(const QString &base, int number, const QString &extension, bool collage)
{
    // A collage has no photo to be named after: collage-2026-12-08-1.jpg, -2, ...
    if (collage)
        return base + QStringLiteral("-%1.").arg(number) + extension;
    const QString counter = number == 1 ? QString() : QStringLiteral("-%1").arg(number);
    return base + QStringLiteral("_edited") + counter + QLatin1Char('.') + extension;
}

// Links the finished file `temporary` to the first free name; "" when no name
// could be taken for another reason than being in use.
QString linkToFreeName(const QString &temporary, const QString &folder, const QString &base,
                       const QString &extension, bool collage)
{
    const QByteArray from = QFile::encodeName(temporary);
    for (int number = 1; number <= kMaxNameNumber; ++number) {
        const QString name = folder + candidateName(base, number, extension, collage);
        if (::link(from.constData(), QFile::encodeName(name).constData()) == 0)
            return name;
        if (errno != EEXIST) {
            qCWarning(lcFiles) << "cannot link the saved picture to" << name << ":" << strerror(errno);
            return {};
        }
    }
    return {};
}

// --- pixels ------------------------------------------------------------------

bool hasTransparentPixel(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return false;
    const bool argb32 =
        picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage argb = argb32 ? picture : picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return true;
        }
    }
    return false;
}

// A JPEG has no transparency: what shows through is white, as on paper.
QImage opaqueOnWhite(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.setColorSpace(picture.colorSpace());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

// Every byte written to `path`, or false.
bool writeWhole(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += n;
    }
    return ::close(fd) == 0;
}

bool writeJpeg(const QImage &picture, int quality, const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    return writer.write(opaqueOnWhite(picture)) && writeWhole(path, bytes);
}

}  // namespace

// --- exportImage -------------------------------------------------------------

QString EditorTools::exportCollage(QString workingFile, int quality)
{
    return exportPicture(stripFileUrl(std::move(workingFile)), QString(), QString(), quality, true);
}

QString EditorTools::exportImage(QString workingFile, QString originalPhoto, QString format, int quality)
{
    return exportPicture(stripFileUrl(std::move(workingFile)), stripFileUrl(std::move(originalPhoto)),
                         std::move(format), quality, false);
}

QString EditorTools::exportPicture(const QString &source, const QString &original, QString format, int quality,
                                   bool collage)
{
    format = format.toLower();
    if (format != QLatin1String("jpeg") && format != QLatin1String("png") && !format.isEmpty()) {
        OperationError::set(QStringLiteral("Pictures can be saved as \"jpeg\" or \"png\", not \"%1\".").arg(format));
        return {};
    }
    if (quality < 1 || quality > 100) {
        OperationError::set(QStringLiteral("The quality of a saved picture is 1 to 100, not %1.").arg(quality));
        return {};
    }

    const QImage picture = imageio::readPicture(source);
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("The picture to save (%1) cannot be read.").arg(source));
        return {};
    }
    if (format.isEmpty())
        format = hasTransparentPixel(picture) ? QStringLiteral("png") : QStringLiteral("jpeg");
    const QString extension = format == QLatin1String("jpeg") ? QStringLiteral("jpg") : QStringLiteral("png");

    const QString folder = m_communication->files()->savedFolder();
    const QString cannotWrite =
        QStringLiteral("The picture cannot be saved in %1: the folder cannot be written or the disk is full.")
            .arg(folder);
    // Reserves a unique temporary name beside the final one (removed when
    // this function returns; the final name is a second link to the file).
    QTemporaryFile temporary(folder + QStringLiteral(".saving-XXXXXX.") + extension);
    if (folder.isEmpty() || !temporary.open()) {
        OperationError::set(cannotWrite);
        return {};
    }
    temporary.close();
    const QString temporaryPath = temporary.fileName();

    const bool pixelsWritten = extension == QLatin1String("jpg") ? writeJpeg(picture, quality, temporaryPath)
                                                                  : saveWorkingPng(picture, temporaryPath);
    // Saved pictures are for other programs too: readable by all, as a
    // newly made file would be (the temporary name was private).
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (!pixelsWritten || !QFile::setPermissions(temporaryPath, readable)) {
        OperationError::set(cannotWrite);
        return {};
    }
    if (!exportmetadata::carryOver(original, temporaryPath, picture.size())) {
        OperationError::set(QStringLiteral("The picture cannot be saved with the photo's date, camera and colour "
                                           "profile: the disk is full, or the %1 file cannot hold them.")
                                .arg(format.toUpper()));
        return {};
    }
    const QString base = collage ? QStringLiteral("collage-") + QDate::currentDate().toString(Qt::ISODate)
                                 : baseName(original.isEmpty() ? source : original);
    const QString saved = linkToFreeName(temporaryPath, folder, base, extension, collage);
    if (saved.isEmpty()) {
        OperationError::set(cannotWrite);
        return {};
    }
    qCDebug(lcFiles) << "saved" << source << "as" << saved;
    return saved;
}
