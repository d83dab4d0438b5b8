#include "exportmetadata.h"

#include "logging.h"
#include "metadatabudget.h"
#include "operationerror.h"

#include <QFile>
#include <QFileInfo>

// The metadata library's 0.27 interface hands out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>
#pragma GCC diagnostic pop

#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>

namespace exportmetadata {

const char *const kStepsKey = "Xmp.zeltanorvik.Steps";

namespace {

struct Metadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    QByteArray icc;
};

// The XMP toolkit inside the library is shared by every thread: pictures
// saved on several threads at once (a batch) take turns in it.
void lockXmp(void *data, bool lock)
{
    auto *mutex = static_cast<std::recursive_mutex *>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

// The program's own XMP namespace, where a saved picture keeps its steps.
const char *const kStepsNamespace = "http://ns.zeltanorvik.org/steps/1.0/";
const char *const kStepsPrefix = "zeltanorvik";

void setUpLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Warnings about odd maker notes in a user's photo are no concern of
        // the user's; failures come back as exceptions.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        static std::recursive_mutex xmpMutex;
        Exiv2::XmpParser::initialize(lockXmp, &xmpMutex);
        Exiv2::XmpProperties::registerNs(kStepsNamespace, kStepsPrefix);
        // HEIF and AVIF photos keep their metadata in the same container.
        Exiv2::enableBMFF(true);
    });
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// The picture's metadata as the budget allows it: the file itself, or the
// bounded copy the budget made of it.
Exiv2::Image::AutoPtr openWeighed(const metadatabudget::Source &source, const QString &path)
{
    return source.kind == metadatabudget::Source::File
               ? Exiv2::ImageFactory::open(localPath(path))
               : Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(source.copy.constData()),
                                           long(source.copy.size()));
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

// Everything the original holds within the metadata budget; nothing when it
// cannot be read (a photo is untrusted: any failure of the reader only means
// there is nothing to carry).
std::optional<Metadata> readFrom(const QString &original)
{
    if (original.isEmpty() || !QFile::exists(original))
        return std::nullopt;
    const metadatabudget::Source source = metadatabudget::boundedSource(original);
    for (const QString &what : source.leftOut)
        qCWarning(lcFiles) << "over the metadata budget, left out of the saved picture:" << what << "of" << original;
    if (source.kind == metadatabudget::Source::Nothing)
        return std::nullopt;
    try {
        Exiv2::Image::AutoPtr image = openWeighed(source, original);
        image->readMetadata();
        Metadata m{image->exifData(), image->xmpData(), image->iptcData(), {}};
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf *icc = image->iccProfile();
            m.icc = QByteArray(reinterpret_cast<const char *>(icc->pData_), int(icc->size_));
        }
        return m;
    } catch (const std::exception &e) {
        qCWarning(lcFiles) << "the metadata of" << original << "cannot be read:" << e.what();
    }
    return std::nullopt;
}

// Whether an entry says where the photo was taken.
bool isLocation(const std::string &key)
{
    static const char *const prefixes[] = {
        "Exif.GPSInfo.", "Exif.Image.GPSTag",
        "Xmp.exif.GPS", "Xmp.exifEX.GPS", "Xmp.photoshop.City", "Xmp.photoshop.State", "Xmp.photoshop.Country",
        "Xmp.iptc.Location", "Xmp.iptc.CountryCode", "Xmp.iptcExt.LocationCreated", "Xmp.iptcExt.LocationShown",
        "Xmp.xmpDM.shotLocation",
        "Iptc.Application2.City", "Iptc.Application2.SubLocation", "Iptc.Application2.ProvinceState",
        "Iptc.Application2.CountryCode", "Iptc.Application2.CountryName", "Iptc.Application2.LocationCode",
        "Iptc.Application2.LocationName"};
    for (const char *prefix : prefixes) {
        if (key.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

template <typename Data>
void eraseLocation(Data &data)
{
    for (auto it = data.begin(); it != data.end();)
        it = isLocation(it->key()) ? data.erase(it) : std::next(it);
}

void withoutLocation(Metadata &m)
{
    eraseLocation(m.exif);
    eraseLocation(m.xmp);
    eraseLocation(m.iptc);
}

void replaceIfPresent(Exiv2::ExifData &data, const char *key, uint32_t value)
{
    if (data.findKey(Exiv2::ExifKey(key)) != data.end())
        data[key] = value;
}

void replaceIfPresent(Exiv2::XmpData &data, const char *key, const std::string &value)
{
    if (data.findKey(Exiv2::XmpKey(key)) != data.end())
        data[key] = value;
}

// The entries made true of the saved pixels.
void describeSavedPixels(Metadata &m, QSize pixels)
{
    const auto width = uint32_t(pixels.width());
    const auto height = uint32_t(pixels.height());
    if (!m.exif.empty()) {
        // The pixels are stored upright: nothing is left to turn.
        m.exif["Exif.Image.Orientation"] = uint16_t(1);
        m.exif["Exif.Photo.PixelXDimension"] = width;
        m.exif["Exif.Photo.PixelYDimension"] = height;
        replaceIfPresent(m.exif, "Exif.Image.ImageWidth", width);
        replaceIfPresent(m.exif, "Exif.Image.ImageLength", height);
        // A thumbnail of the old pixels would show the unedited photo.
        Exiv2::ExifThumb(m.exif).erase();
    }
    replaceIfPresent(m.xmp, "Xmp.tiff.Orientation", "1");
    replaceIfPresent(m.xmp, "Xmp.exif.PixelXDimension", std::to_string(width));
    replaceIfPresent(m.xmp, "Xmp.exif.PixelYDimension", std::to_string(height));
    replaceIfPresent(m.xmp, "Xmp.tiff.ImageWidth", std::to_string(width));
    replaceIfPresent(m.xmp, "Xmp.tiff.ImageLength", std::to_string(height));
}

// Why the metadata cannot be written, in words for the user.
QString writeFailure(const Exiv2::AnyError &e, const QString &target)
{
    const bool jpeg = target.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
    switch (e.code()) {
    case Exiv2::kerTooLargeJpegSegment:
        return QStringLiteral("The photo's metadata (its XMP or EXIF part) is too large for a JPEG, which holds "
                              "at most 64 KB of each: save the picture as PNG or WebP.");
    case Exiv2::kerFileOpenFailed:
    case Exiv2::kerDataSourceOpenFailed:
    case Exiv2::kerImageWriteFailed:
    case Exiv2::kerTransferFailed:
    case Exiv2::kerFileRenameFailed:
    case Exiv2::kerCallFailed:
        return QStringLiteral("The picture's metadata could not be written: the disk is full or the folder %1 "
                              "cannot be written to (%2).")
            .arg(QFileInfo(target).absolutePath(), QString::fromLocal8Bit(e.what()));
    default:
        return QStringLiteral("The photo's metadata cannot be stored in a %1 file: %2.")
            .arg(jpeg ? QStringLiteral("JPEG") : QFileInfo(target).suffix().toUpper(), QString::fromLocal8Bit(e.what()));
    }
}

bool writeTo(const QString &target, const Metadata &m)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(localPath(target));
        const bool webp = image->imageType() == Exiv2::ImageType::webp;
        image->setExifData(m.exif);
        // A WebP has no place for IPTC: its entries go into the XMP, as
        // photo programs map them.
        Exiv2::XmpData xmp = m.xmp;
        if (webp && !m.iptc.empty())
            Exiv2::copyIptcToXmp(m.iptc, xmp);
        image->setXmpData(xmp);
        if (!webp)
            image->setIptcData(m.iptc);
        // The library writes a WebP's profile under a wrong chunk name, which
        // readers refuse: a WebP goes without one.
        if (!m.icc.isEmpty() && !webp) {
            Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(m.icc.constData()), long(m.icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError &e) {
        qCWarning(lcFiles) << "the metadata cannot be written to" << target << ":" << e.what();
        OperationError::set(writeFailure(e, target));
    } catch (const std::exception &e) {
        qCWarning(lcFiles) << "the metadata cannot be written to" << target << ":" << e.what();
        OperationError::set(QStringLiteral("The photo's metadata cannot be stored in the saved picture: %1.")
                                .arg(QString::fromLocal8Bit(e.what())));
    }
    return false;
}

#pragma GCC diagnostic pop

}  // namespace

bool carryOver(const QString &original, const QString &target, QSize pixels, bool keepLocation,
               const QByteArray &steps)
{
    setUpLibrary();
    std::optional<Metadata> metadata = readFrom(original);
    if (!metadata) {
        if (steps.isEmpty())
            return true;
        metadata = Metadata{};
    }
    if (!keepLocation)
        withoutLocation(*metadata);
    describeSavedPixels(*metadata, pixels);
    // Steps an original carried were made on another photo: only the ones
    // given describe this picture.
    const std::string ownPrefix = std::string("Xmp.") + kStepsPrefix + ".";
    for (auto it = metadata->xmp.begin(); it != metadata->xmp.end();)
        it = it->key().rfind(ownPrefix, 0) == 0 ? metadata->xmp.erase(it) : std::next(it);
    if (!steps.isEmpty())
        metadata->xmp[kStepsKey] = steps.toStdString();
    return writeTo(target, *metadata);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

QByteArray stepsIn(const QString &path, qint64 limit, bool *tooLarge)
{
    *tooLarge = false;
    setUpLibrary();
    if (path.isEmpty() || !QFile::exists(path))
        return {};
    // Weighed before the library reads anything, as an original is.
    const metadatabudget::Source source = metadatabudget::boundedSource(path);
    if (source.kind == metadatabudget::Source::Nothing)
        return {};
    try {
        Exiv2::Image::AutoPtr image = openWeighed(source, path);
        image->readMetadata();
        const Exiv2::XmpData &xmp = image->xmpData();
        const auto found = xmp.findKey(Exiv2::XmpKey(kStepsKey));
        if (found == xmp.end())
            return {};
        const std::string text = found->toString();
        if (qint64(text.size()) > limit) {
            *tooLarge = true;
            return {};
        }
        return QByteArray::fromStdString(text);
    } catch (const std::exception &e) {
        qCWarning(lcFiles) << "the metadata of" << path << "cannot be read:" << e.what();
    }
    return {};
}

#pragma GCC diagnostic pop

}  // namespace exportmetadata
