// Saving a picture the way people expect: a JPEG, PNG or WebP in the
// saved-pictures folder, named after the photo it came from, at the size asked
// for, with the photo's metadata (its location only when the user keeps it).
//
// The file is made complete under a temporary name in the same folder (pixels,
// then metadata), flushed to the disk, and only then linked to its final name,
// which fails rather than replace a file that is there: a full disk, a failed
// write or a power cut never leaves anything under a final name, and no saved
// picture is overwritten. The temporary file is made as any new file of the
// program is, so the saved picture follows the user's umask.
//
// Contents
//   names (IMG_1234_edited.jpg, IMG_1234_edited-2.jpg, ..., never too long;
//   collage-<date>-<n>.jpg)
//   the file (temporary name, flush, link)
//   pixels (format choice, size, encoding)
//   exportImage, exportImageAs, exportCollage
#include "EditorTools.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "exportmetadata.h"
#include "logging.h"
#include "operationerror.h"
#include "photoreader.h"
#include "stepsfile.h"
#include "workingfilename.h"
#include "workingpngwriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDate>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Numbered names beyond this many in one folder mean something is wrong.
constexpr int kMaxNameNumber = 100000;
// The largest side a WebP picture can have.
constexpr int kWebpSideMax = 16383;
// The largest side a JPEG picture can have.
constexpr int kJpegSideMax = 65535;

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

// Shortened as working-file names are, so a photo with a very long name
// still saves (the same base always gives the same beginning).
QString candidateName(const QString &base, int number, const QString &extension, bool collage)
{
    // A collage has no photo to be named after: collage-2026-12-08-1.jpg, -2, ...
    if (collage)
        return base + QStringLiteral("-%1.").arg(number) + extension;
    const QString counter = number == 1 ? QString() : QStringLiteral("-%1").arg(number);
    return workingFileName(base, QStringLiteral("_edited") + counter + QLatin1Char('.') + extension);
}

// --- the file ----------------------------------------------------------------

// A new empty file ".saving-XXXXXX.<extension>" in `folder`, made with the
// permissions any new file gets (the umask decides); removed again when
// this object goes (the saved picture is a second link to it).
class TemporaryFile
{
public:
    TemporaryFile(const QString &folder, const QString &extension)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString name = QStringLiteral(".saving-%1.%2")
                                     .arg(QRandomGenerator::global()->generate() % 1000000, 6, 10, QLatin1Char('0'))
                                     .arg(extension);
            const QByteArray path = QFile::encodeName(folder + name);
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                m_path = folder + name;
                return;
            }
            if (errno != EEXIST) {
                m_error = errno;
                return;
            }
        }
        m_error = EEXIST;
    }
    ~TemporaryFile()
    {
        if (!m_path.isEmpty())
            ::unlink(QFile::encodeName(m_path).constData());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    QString path() const { return m_path; }
    int error() const { return m_error; }

private:
    QString m_path;
    int m_error = 0;
};

// Every byte written to `path`, or false with errno set.
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
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            errno = error;
            return false;
        }
        done += n;
    }
    return ::close(fd) == 0;
}

// The file's bytes on the disk (or false with errno set), so that a power
// cut after the link cannot leave an empty picture under the final name.
bool flushToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

// Gives the finished file `temporary` a second name without replacing
// anything: a hard link, or where the file system has none, a rename that
// refuses to replace.
int linkWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::link(from.constData(), to.constData()) == 0)
        return 0;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

// Links the finished file `temporary` to the first free name; "" when no
// name could be taken for another reason than being in use (recorded).
QString linkToFreeName(const QString &temporary, const QString &folder, const QString &base,
                       const QString &extension, bool collage)
{
    const QByteArray from = QFile::encodeName(temporary);
    for (int number = 1; number <= kMaxNameNumber; ++number) {
        const QString name = folder + candidateName(base, number, extension, collage);
        const int error = linkWithoutReplacing(from, QFile::encodeName(name));
        if (error == 0) {
            // The new name itself on the disk too.
            const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
            return name;
        }
        if (error != EEXIST) {
            qCWarning(lcFiles) << "cannot link the saved picture to" << name << ":" << strerror(error);
            workingpng::explainWriteFailure(error, name);
            return {};
        }
    }
    OperationError::set(QStringLiteral("The folder %1 already holds %2 saved pictures of this name.")
                            .arg(folder)
                            .arg(kMaxNameNumber));
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

// The same pixels without the text the decoder may have found in the photo
// (Qt's JPEG writer would store it as comments): metadata comes from the
// original alone, as the user chose it.
QImage withoutText(const QImage &picture)
{
    if (picture.textKeys().isEmpty())
        return picture;
    QImage bare(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(), picture.format());
    bare.setColorTable(picture.colorTable());
    bare.setColorSpace(picture.colorSpace());
    bare.setDotsPerMeterX(picture.dotsPerMeterX());
    bare.setDotsPerMeterY(picture.dotsPerMeterY());
    return bare;
}

// The picture encoded by Qt's writer for `format` ("jpeg", "webp"), or
// empty. WebP at quality 100 is lossless.
QByteArray encoded(const QImage &picture, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    const bool jpeg = qstrcmp(format, "jpeg") == 0;
    if (!writer.write(withoutText(jpeg ? opaqueOnWhite(picture) : picture))) {
        qCWarning(lcFiles) << "the" << format << "writer failed:" << writer.errorString();
        return {};
    }
    return bytes;
}

// The upright size to decode the picture at: its own, or brought down so its
// long side is `longSide` (never enlarged).
imageio::SizeRule fittedTo(int longSide)
{
    return [longSide](QSize upright) {
        if (longSide <= 0 || std::max(upright.width(), upright.height()) <= longSide)
            return upright;
        return upright.scaled(longSide, longSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    };
}

QString extensionOf(const QString &format)
{
    return format == QLatin1String("jpeg") ? QStringLiteral("jpg") : format;
}

// Why the options cannot be used, or "".
QString refusedOptions(const QString &format, int quality, int longSide)
{
    if (format != QLatin1String("jpeg") && format != QLatin1String("png") && format != QLatin1String("webp")
        && !format.isEmpty())
        return QStringLiteral("Pictures can be saved as \"jpeg\", \"png\" or \"webp\", not \"%1\".").arg(format);
    if (quality < 1 || quality > 100)
        return QStringLiteral("The quality of a saved picture is 1 to 100, not %1.").arg(quality);
    if (longSide < 0)
        return QStringLiteral("The long side of a saved picture is 0 (its own size) or a number of pixels, "
                              "not %1.")
            .arg(longSide);
    return {};
}

// Why the picture cannot be stored in `format` at its size, or "".
QString tooLargeFor(const QString &format, QSize size)
{
    const int side = std::max(size.width(), size.height());
    const int limit = format == QLatin1String("webp") ? kWebpSideMax
                      : format == QLatin1String("jpeg") ? kJpegSideMax
                                                        : INT_MAX;
    if (side <= limit)
        return {};
    return QStringLiteral("A %1 picture is at most %2 pixels on a side, and this one is %3 \u00d7 %4: save it "
                          "smaller or as PNG.")
        .arg(format.toUpper())
        .arg(limit)
        .arg(size.width())
        .arg(size.height());
}

// The pixels of `picture` as `format` in the file at `path`.
bool writePixels(const QImage &picture, const QString &format, int quality, const QString &path)
{
    if (format == QLatin1String("png"))
        return saveWorkingPng(picture, path);
    const QByteArray bytes = encoded(picture, format == QLatin1String("jpeg") ? "jpeg" : "webp", quality);
    if (bytes.isEmpty()) {
        OperationError::set(QStringLiteral("The picture cannot be encoded as %1.").arg(format.toUpper()));
        return false;
    }
    if (!writeWhole(path, bytes)) {
        workingpng::explainWriteFailure(errno, path);
        return false;
    }
    return true;
}

}  // namespace

// --- exportImage, exportImageAs ----------------------------------------------

QString EditorTools::exportImage(QString workingFile, QString originalPhoto, QString format, int quality)
{
    return exportImageAs(std::move(workingFile), std::move(originalPhoto), std::move(format), quality, 0, true);
}

QString EditorTools::exportImageAs(QString workingFile, QString originalPhoto, QString format, int quality,
                                   int longSide, bool keepLocation, QString stepsJson)
{
    QByteArray steps;
    if (!stepsJson.isEmpty()) {
        // Checked as any steps file, so a saved picture never carries steps
        // that cannot be replayed.
        const steps::Read read = steps::readFile(stepsJson.toUtf8());
        if (!read.error.isEmpty()) {
            OperationError::set(QStringLiteral("The steps cannot be saved with the picture. %1").arg(read.error));
            return {};
        }
        // Where the photo was, so "Edit steps" finds it: as the steps say, or the photo saved from.
        steps = steps::writeCompact(read.steps, read.original.isEmpty() ? QFileInfo(stripFileUrl(originalPhoto)).absoluteFilePath()
                                                                        : read.original);
    }
    return exportPicture(stripFileUrl(std::move(workingFile)), stripFileUrl(std::move(originalPhoto)),
                         std::move(format), quality, longSide, keepLocation, false, steps);
}

void EditorTools::setSaveFolder(const QString &folder)
{
    m_saveFolder = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString EditorTools::exportCollage(QString workingFile, int quality)
{
    return exportPicture(stripFileUrl(std::move(workingFile)), QString(), QString(), quality, 0, true, true);
}

QString EditorTools::exportPicture(const QString &source, const QString &original, QString format, int quality,
                                   int longSide, bool keepLocation, bool collage, const QByteArray &steps)
{
    format = format.toLower();
    if (format == QLatin1String("jpg"))
        format = QStringLiteral("jpeg");
    if (const QString refusal = refusedOptions(format, quality, longSide); !refusal.isEmpty()) {
        OperationError::set(refusal);
        return {};
    }

    const QImage picture = imageio::readPicture(source, fittedTo(longSide));
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("The picture to save (%1) cannot be read.").arg(source));
        return {};
    }
    if (format.isEmpty())
        format = hasTransparentPixel(picture) ? QStringLiteral("png") : QStringLiteral("jpeg");
    if (const QString refusal = tooLargeFor(format, picture.size()); !refusal.isEmpty()) {
        OperationError::set(refusal);
        return {};
    }
    const QString extension = extensionOf(format);

    const QString folder = m_saveFolder.isEmpty() ? m_communication->files()->savedFolder() : m_saveFolder;
    if (folder.isEmpty())
        return {};  // the reason is recorded
    const TemporaryFile temporary(folder, extension);
    if (temporary.path().isEmpty()) {
        workingpng::explainWriteFailure(temporary.error(), folder + QStringLiteral(".saving"));
        return {};
    }
    if (!writePixels(picture, format, quality, temporary.path()))
        return {};
    if (!exportmetadata::carryOver(original, temporary.path(), picture.size(), keepLocation, steps))
        return {};  // the reason is recorded
    if (!flushToDisk(temporary.path())) {
        workingpng::explainWriteFailure(errno, temporary.path());
        return {};
    }
    const QString base = collage ? QStringLiteral("collage-") + QDate::currentDate().toString(Qt::ISODate)
                                 : baseName(original.isEmpty() ? source : original);
    const QString saved = linkToFreeName(temporary.path(), folder, base, extension, collage);
    if (saved.isEmpty())
        return {};
    qCDebug(lcFiles) << "saved" << source << "as" << saved;
    return saved;
}
