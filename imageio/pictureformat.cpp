#include "pictureformat.h"

#include "rawreader.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <string_view>

namespace imageio {

using namespace std::string_view_literals;

namespace {

// Enough for the ISO base-media file-type box with its brands, and for every
// signature below.
constexpr qint64 kHeadBytes = 64;

bool startsWith(const QByteArray &head, std::string_view magic, qsizetype at = 0)
{
    return head.size() >= at + qsizetype(magic.size())
        && std::string_view(head.constData() + at, magic.size()) == magic;
}

// The brands of an ISO base-media file ("....ftyp"): the major brand, then the
// compatible ones, as far as the head holds them.
QList<QByteArray> fileTypeBrands(const QByteArray &head)
{
    QList<QByteArray> brands;
    if (!startsWith(head, "ftyp", 4) || head.size() < 12)
        return brands;
    const quint32 boxSize = (quint32(uchar(head[0])) << 24) | (quint32(uchar(head[1])) << 16)
        | (quint32(uchar(head[2])) << 8) | quint32(uchar(head[3]));
    brands.append(head.mid(8, 4));
    // Bytes 12 to 15 are the minor version.
    const qsizetype end = std::min<qsizetype>(head.size(), boxSize);
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        brands.append(head.mid(at, 4));
    return brands;
}

PictureFormat fromFileType(const QList<QByteArray> &brands)
{
    static const std::array<std::string_view, 9> heic = {"heic", "heix", "heim", "heis", "hevc",
                                                         "hevx", "hevm", "hevs", "heif"};
    static const std::array<std::string_view, 2> avif = {"avif", "avis"};
    static const std::array<std::string_view, 3> heif = {"mif1", "msf1", "mif2"};
    auto among = [](const QByteArray &brand, const auto &set) {
        for (std::string_view b : set) {
            if (brand == QByteArray::fromRawData(b.data(), qsizetype(b.size())))
                return true;
        }
        return false;
    };
    const QByteArray major = brands.value(0);
    if (major == "crx ")
        return {Decoder::Raw, QStringLiteral("camera raw (CR3)")};
    // The major brand names the kind; a generic major brand leaves it to the
    // compatible ones.
    if (among(major, avif))
        return {Decoder::Heif, QStringLiteral("AVIF")};
    if (among(major, heic))
        return {Decoder::Heif, QStringLiteral("HEIC")};
    bool heifFamily = among(major, heif);
    for (const QByteArray &b : brands) {
        if (among(b, avif))
            return {Decoder::Heif, QStringLiteral("AVIF")};
        if (among(b, heic))
            return {Decoder::Heif, QStringLiteral("HEIC")};
        heifFamily = heifFamily || among(b, heif);
    }
    if (heifFamily)
        return {Decoder::Heif, QStringLiteral("HEIF")};
    return {Decoder::Foreign, QStringLiteral("a video or other media file")};
}

// Signatures of raw formats that are not TIFF files, and of TIFF files, which
// may be a raw (DNG, most cameras' own) or a plain TIFF picture.
enum class RawHint { None, Raw, MaybeRaw };

RawHint rawHint(const QByteArray &head)
{
    if (startsWith(head, "II*\0"sv) || startsWith(head, "MM\0*"sv))
        return RawHint::MaybeRaw;
    // Olympus ORF, Panasonic RW2, Canon CRW, Fujifilm RAF, Sigma X3F, Minolta MRW.
    if (startsWith(head, "IIRO") || startsWith(head, "IIRS") || startsWith(head, "MMOR")
        || startsWith(head, "IIU\0"sv) || startsWith(head, "HEAPCCDR", 6) || startsWith(head, "FUJIFILM")
        || startsWith(head, "FOVb") || startsWith(head, "\0MRM"sv))
        return RawHint::Raw;
    return RawHint::None;
}

// Files people may take for pictures that the editor does not read, by their
// signature.
PictureFormat foreign(const QByteArray &head)
{
    struct Known {
        std::string_view magic;
        qsizetype at;
        const char *what;
    };
    static const Known known[] = {
        {"8BPS", 0, "a Photoshop document (PSD)"},
        {"%PDF", 0, "a PDF document"},
        {"\xff\x0a", 0, "a JPEG XL picture"},
        {"JXL \r\n\x87\n", 4, "a JPEG XL picture"},
        {"jP  \r\n\x87\n", 4, "a JPEG 2000 picture"},
        {"\xff\x4f\xff\x51", 0, "a JPEG 2000 picture"},
        {"v/1\x01", 0, "an OpenEXR picture"},
        {"gimp xcf", 0, "a GIMP picture (XCF)"},
        {"<svg", 0, "an SVG drawing"},
        {"<?xml", 0, "an XML document"},
        {"PK\x03\x04", 0, "a ZIP archive"},
        {"RIFF", 0, "a RIFF media file"},
    };
    for (const Known &k : known) {
        if (startsWith(head, k.magic, k.at))
            return {Decoder::Foreign, QString::fromLatin1(k.what)};
    }
    return {Decoder::Unknown, QString()};
}

}  // namespace

PictureFormat identify(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {Decoder::Missing, QString()};
    const QByteArray head = file.read(kHeadBytes);

    const QList<QByteArray> brands = fileTypeBrands(head);
    if (!brands.isEmpty())
        return fromFileType(brands);

    const RawHint hint = rawHint(head);
    if (hint != RawHint::None) {
        // LibRaw reads the header alone here; a plain TIFF it does not take.
        const QString rawName = raw::formatName(path);
        if (!rawName.isEmpty())
            return {Decoder::Raw, rawName};
        if (hint == RawHint::Raw)
            return {Decoder::Foreign, QStringLiteral("a camera raw file of a kind the editor does not read")};
    }

    file.seek(0);
    const QByteArray format = QImageReader::imageFormat(&file);
    if (!format.isEmpty())
        return {Decoder::Toolkit, QString::fromLatin1(format)};
    return foreign(head);
}

}  // namespace imageio
