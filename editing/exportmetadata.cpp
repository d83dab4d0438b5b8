#include "exportmetadata.h"

#include "logging.h"

#include <QFile>

// The metadata library's 0.27 interface hands out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>

namespace exportmetadata {

namespace {

struct Metadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    QByteArray icc;
};

void setUpLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Warnings about odd maker notes in a user's photo are no concern of
        // the user's; failures come back as exceptions.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

// Everything the original holds; nothing when it cannot be read (a photo is
// untrusted: any failure of the reader only means there is nothing to carry).
std::optional<Metadata> readFrom(const QString &original)
{
    if (original.isEmpty() || !QFile::exists(original))
        return std::nullopt;
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(localPath(original));
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

bool writeTo(const QString &target, const Metadata &m)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(localPath(target));
        image->setExifData(m.exif);
        image->setXmpData(m.xmp);
        image->setIptcData(m.iptc);
        if (!m.icc.isEmpty()) {
            Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(m.icc.constData()), long(m.icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        return true;
    } catch (const std::exception &e) {
        qCWarning(lcFiles) << "the metadata cannot be written to" << target << ":" << e.what();
    }
    return false;
}

#pragma GCC diagnostic pop

}  // namespace

bool carryOver(const QString &original, const QString &target, QSize pixels)
{
    setUpLibrary();
    std::optional<Metadata> metadata = readFrom(original);
    if (!metadata)
        return true;
    describeSavedPixels(*metadata, pixels);
    return writeTo(target, *metadata);
}

}  // namespace exportmetadata
