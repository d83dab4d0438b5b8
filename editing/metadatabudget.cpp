// Contents
//   the weight of an EXIF structure (directories, sub-directories, maker notes)
//   bounded unpacking of PNG text
//   JPEG: the metadata segments kept
//   PNG: the metadata chunks kept
//   other kinds: every EXIF structure in the file weighed
#include "metadatabudget.h"

#include <QFile>

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace metadatabudget {

namespace {

// What the reader keeps beside each value it copies (its key, type, list node).
constexpr qint64 kEntryOverhead = 64;
// Directories and entries one structure may have before the rest is not worth reading.
constexpr int kMaxDirectories = 64;
constexpr int kMaxDirectoryEntries = 4096;
// The places in a maker note where its directory may start (after the
// maker's own header), each tried in both byte orders.
constexpr int kMakerNoteStarts = 48;

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

// --- the weight of an EXIF structure ------------------------------------------

// The size of one value of each TIFF type (1..13); the reader counts unknown types as bytes.
qint64 typeSize(quint16 type)
{
    static constexpr int sizes[] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 1;
}

class ExifWeigher
{
public:
    ExifWeigher(const uchar *data, qint64 size, qint64 limit)
        : p(data)
        , n(size)
        , limit(limit)
    {
    }

    qint64 weigh()
    {
        if (n < 8)
            return 0;
        if (std::memcmp(p, "II*\0", 4) == 0)
            little = true;
        else if (std::memcmp(p, "MM\0*", 4) == 0)
            little = false;
        else
            return 0;
        directory(u32(4), 0);
        return total;
    }

private:
    const uchar *p;
    qint64 n;
    qint64 limit;
    bool little = true;
    qint64 total = 0;
    int directories = 0;
    std::set<quint32> seen;

    quint16 u16(qint64 at, bool le) const
    {
        if (at < 0 || at + 2 > n)
            return 0;
        return le ? quint16(p[at] | p[at + 1] << 8) : quint16(p[at] << 8 | p[at + 1]);
    }
    quint32 u32(qint64 at, bool le) const
    {
        if (at < 0 || at + 4 > n)
            return 0;
        return le ? quint32(p[at]) | quint32(p[at + 1]) << 8 | quint32(p[at + 2]) << 16 | quint32(p[at + 3]) << 24
                  : quint32(p[at]) << 24 | quint32(p[at + 1]) << 16 | quint32(p[at + 2]) << 8 | quint32(p[at + 3]);
    }
    quint16 u16(qint64 at) const { return u16(at, little); }
    quint32 u32(qint64 at) const { return u32(at, little); }

    bool over() const { return total > limit; }

    // A value's bytes as the reader would copy them: never more than the
    // structure holds (it refuses values that reach past it).
    qint64 valueBytes(quint16 type, quint32 count) const { return std::min(typeSize(type) * qint64(count), n); }

    void directory(quint32 at, int depth)
    {
        while (at != 0 && !over() && depth < 8 && ++directories <= kMaxDirectories && seen.insert(at).second) {
            // More entries than any camera writes: not worth reading at all.
            if (u16(at) > kMaxDirectoryEntries) {
                total = limit + 1;
                return;
            }
            const int entries = u16(at);
            for (int i = 0; i < entries && !over(); ++i) {
                const qint64 e = qint64(at) + 2 + 12 * qint64(i);
                if (e + 12 > n)
                    return;
                entry(e, depth);
            }
            // The next directory of the chain (the thumbnail's after the photo's).
            at = u32(qint64(at) + 2 + 12 * qint64(entries));
        }
    }

    void entry(qint64 e, int depth)
    {
        const quint16 tag = u16(e);
        const quint16 type = u16(e + 2);
        const quint32 count = u32(e + 4);
        const qint64 bytes = valueBytes(type, count);
        total += bytes + kEntryOverhead;
        const quint32 value = u32(e + 8);
        switch (tag) {
        case 0x8769:  // the photo's own entries
        case 0x8825:  // GPS
        case 0xa005:  // interoperability
            directory(value, depth + 1);
            break;
        case 0x014a:  // sub-images
            for (quint32 k = 0; k < std::min<quint32>(count, 16) && !over(); ++k)
                directory(count == 1 ? value : u32(qint64(value) + 4 * k), depth + 1);
            break;
        case 0x0202:  // the thumbnail's length: its bytes are copied too
            total += std::min<qint64>(value, n);
            break;
        case 0x927c:  // a maker note, whose entries the reader copies as well
            if (bytes > 4)
                total += makerNote(value, bytes);
            break;
        default:
            break;
        }
    }

    // The most a maker note's directory could declare, wherever in the note
    // it starts and in whichever byte order it is written.
    qint64 makerNote(quint32 at, qint64 size) const
    {
        qint64 most = 0;
        for (int start = 0; start <= kMakerNoteStarts && start + 2 <= size; start += 2) {
            for (const bool le : {true, false}) {
                const qint64 d = qint64(at) + start;
                const int entries = u16(d, le);
                if (entries == 0 || entries > kMaxDirectoryEntries || 2 + 12 * qint64(entries) > size - start + 12)
                    continue;
                qint64 sum = 0;
                for (int i = 0; i < entries; ++i) {
                    const qint64 e = d + 2 + 12 * qint64(i);
                    if (e + 12 > n)
                        break;
                    sum += valueBytes(u16(e + 2, le), u32(e + 4, le)) + kEntryOverhead;
                }
                most = std::max(most, sum);
            }
        }
        return most;
    }
};

// Where the TIFF structure starts in an EXIF block ("Exif\0\0" first, or not).
QByteArray tiffOf(const QByteArray &exif)
{
    for (int at = 0; at + 4 <= std::min<qsizetype>(exif.size(), 16); ++at) {
        if (std::memcmp(exif.constData() + at, "II*\0", 4) == 0 || std::memcmp(exif.constData() + at, "MM\0*", 4) == 0)
            return QByteArray::fromRawData(exif.constData() + at, exif.size() - at);
    }
    return {};
}

// --- bounded unpacking of PNG text -----------------------------------------------

// A zlib stream unpacked, or empty when it is damaged or unpacks to more than `limit` bytes.
QByteArray unpacked(const char *data, qsizetype size, qint64 limit)
{
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor *)> d(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!d || limit <= 0)
        return {};
    QByteArray out(qsizetype(limit), Qt::Uninitialized);
    std::size_t got = 0;
    if (libdeflate_zlib_decompress(d.get(), data, std::size_t(size), out.data(), std::size_t(out.size()), &got)
        != LIBDEFLATE_SUCCESS)
        return {};
    out.truncate(qsizetype(got));
    return out;
}

// The bytes of a "Raw profile type ..." text: a line with its name, a line
// with its length, then the bytes in hexadecimal.
QByteArray rawProfileBytes(const QByteArray &text)
{
    qsizetype at = 0;
    for (int line = 0; line < 3 && at >= 0; ++line)
        at = text.indexOf('\n', at + (line == 0 ? 0 : 1));
    if (at < 0)
        return {};
    QByteArray bytes;
    bytes.reserve((text.size() - at) / 2);
    int high = -1;
    for (qsizetype i = at; i < text.size(); ++i) {
        const char c = text.at(i);
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.append(char(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

// --- JPEG ----------------------------------------------------------------------

// The metadata segments the reader takes: the first EXIF and the first XMP
// segment, every IPTC (Photoshop) and every colour-profile segment.
Source fromJpeg(QFile &file, qint64 budget)
{
    Source source;
    source.kind = Source::Copy;
    source.copy = QByteArray("\xff\xd8", 2);
    qint64 used = 0;
    bool exifSeen = false;
    bool xmpSeen = false;
    file.seek(2);  // after the start marker
    for (int segments = 0; segments < 65536; ++segments) {
        uchar head[4];
        if (file.read(reinterpret_cast<char *>(head), 2) != 2 || head[0] != 0xff)
            break;
        while (head[1] == 0xff) {  // fill bytes
            if (!file.getChar(reinterpret_cast<char *>(head + 1)))
                break;
        }
        const uchar marker = head[1];
        if (marker == 0xda || marker == 0xd9)  // the pixels, or the end
            break;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;
        if (file.read(reinterpret_cast<char *>(head + 2), 2) != 2)
            break;
        const int length = head[2] << 8 | head[3];
        if (length < 2)
            break;
        const qint64 next = file.pos() + length - 2;
        if (marker != 0xe1 && marker != 0xe2 && marker != 0xed) {
            file.seek(next);
            continue;
        }
        const QByteArray payload = file.read(length - 2);
        file.seek(next);
        const bool exif = marker == 0xe1 && payload.startsWith(QByteArrayLiteral("Exif\0\0"));
        const bool xmp = marker == 0xe1 && payload.startsWith(QByteArrayLiteral("http://ns.adobe.com/xap/1.0/\0"));
        const bool iptc = marker == 0xed && payload.startsWith(QByteArrayLiteral("Photoshop 3.0\0"));
        const bool icc = marker == 0xe2 && payload.startsWith(QByteArrayLiteral("ICC_PROFILE\0"));
        if ((exif && exifSeen) || (xmp && xmpSeen) || !(exif || xmp || iptc || icc))
            continue;
        exifSeen = exifSeen || exif;
        xmpSeen = xmpSeen || xmp;
        const qint64 weight = exif ? exifWeight(tiffOf(payload), budget - used) : payload.size();
        if (used + weight > budget) {
            source.leftOut.append(QStringLiteral("a JPEG %1 segment declaring %2")
                                      .arg(exif ? "EXIF" : xmp ? "XMP" : iptc ? "IPTC" : "colour profile",
                                           weight > budget - used ? QStringLiteral("over ") + megabytes(budget - used)
                                                                  : megabytes(weight)));
            continue;
        }
        used += weight;
        source.copy.append(reinterpret_cast<const char *>(head), 4);
        source.copy.append(payload);
    }
    source.copy.append("\xff\xd9", 2);
    return source;
}

// --- PNG -----------------------------------------------------------------------

quint32 be32(const char *p)
{
    const auto *u = reinterpret_cast<const uchar *>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}

// The metadata a PNG text chunk holds and its weight, or -1 when it holds
// none the saved picture would take.
qint64 textWeight(const QByteArray &type, const QByteArray &data, qint64 limit, const char **kind)
{
    const qsizetype zero = data.indexOf('\0');
    if (zero < 0)
        return -1;
    const QByteArray keyword = data.left(zero);
    const bool exif = keyword == "Raw profile type exif" || keyword == "Raw profile type APP1";
    const bool xmp = keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp";
    const bool iptc = keyword == "Raw profile type iptc";
    if (!exif && !xmp && !iptc)
        return -1;
    *kind = exif ? "EXIF" : xmp ? "XMP" : "IPTC";
    // The text: after the keyword, a compression flag and method (zTXt), or
    // those and a language and a translated keyword (iTXt).
    qsizetype at = zero + 1;
    bool packed = false;
    if (type == "zTXt") {
        packed = true;
        at += 1;
    } else if (type == "iTXt") {
        packed = at < data.size() && data.at(at) != 0;
        at += 2;
        for (int field = 0; field < 2 && at >= 0; ++field) {
            const qsizetype end = data.indexOf('\0', at);
            at = end < 0 ? -1 : end + 1;
        }
        if (at < 0)
            return limit + 1;
    }
    QByteArray text = data.mid(at);
    if (packed) {
        text = unpacked(text.constData(), text.size(), limit + 1);
        if (text.isEmpty())
            return limit + 1;  // damaged, or unpacks past the budget
    }
    return exif ? exifWeight(tiffOf(rawProfileBytes(text)), limit) : text.size();
}

// The header and the metadata chunks the reader takes (EXIF, XMP and IPTC
// in text chunks or eXIf, the colour profile); the pixels are skipped.
Source fromPng(QFile &file, qint64 budget)
{
    Source source;
    source.kind = Source::Copy;
    source.copy = file.read(8);
    qint64 used = 0;
    for (int chunks = 0; chunks < 1000000; ++chunks) {
        const QByteArray head = file.read(8);
        if (head.size() != 8)
            break;
        const quint32 length = be32(head.constData());
        const QByteArray type = head.mid(4);
        const qint64 next = file.pos() + qint64(length) + 4;
        if (type == "IEND")
            break;
        const bool header = type == "IHDR" && chunks == 0;
        const bool text = type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (!header && !text && type != "eXIf" && type != "iCCP") {
            file.seek(next);
            continue;
        }
        if (qint64(length) > budget - used) {
            source.leftOut.append(QStringLiteral("a PNG %1 chunk of %2").arg(QString::fromLatin1(type), megabytes(length)));
            file.seek(next);
            continue;
        }
        const QByteArray data = file.read(length);
        const QByteArray crc = file.read(4);
        const char *kind = type == "eXIf" ? "EXIF" : "colour profile";
        qint64 weight = 0;
        if (text)
            weight = textWeight(type, data, budget - used, &kind);
        else if (type == "eXIf")
            weight = exifWeight(tiffOf(data), budget - used);
        else if (type == "iCCP")
            weight = length + unpacked(data.constData() + data.indexOf('\0') + 2,
                                       data.size() - data.indexOf('\0') - 2, budget - used).size();
        if (weight < 0)
            continue;  // text that is not metadata (a comment): never carried
        if (used + weight > budget) {
            source.leftOut.append(QStringLiteral("a PNG %1 chunk declaring %2")
                                      .arg(kind, weight > budget - used ? QStringLiteral("over ") + megabytes(budget - used)
                                                                        : megabytes(weight)));
            continue;
        }
        used += weight;
        source.copy.append(head);
        source.copy.append(data);
        source.copy.append(crc);
    }
    static const char iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', char(0xae), 0x42, 0x60, char(0x82)};
    source.copy.append(iend, sizeof iend);
    return source;
}

// --- other kinds -------------------------------------------------------------------

// Every EXIF structure anywhere in the file weighed (TIFF-based raw files
// are one; other containers hold theirs somewhere inside).
Source fromOther(QFile &file, qint64 budget)
{
    Source source;
    const qint64 size = file.size();
    const uchar *data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return source;
    qint64 used = 0;
    for (const char *header : {"II*\0", "MM\0*"}) {
        int found = 0;
        for (qint64 at = 0; at + 8 <= size && found < 1000 && used <= budget; ++found) {
            const void *hit = ::memmem(data + at, std::size_t(size - at), header, 4);
            if (!hit)
                break;
            const qint64 start = static_cast<const uchar *>(hit) - data;
            used += ExifWeigher(data + start, size - start, budget - used).weigh();
            at = start + 1;
        }
    }
    if (used > budget) {
        source.leftOut.append(QStringLiteral("all metadata: its EXIF data declares over %1").arg(megabytes(budget)));
        file.unmap(const_cast<uchar *>(data));
        return source;
    }
    file.unmap(const_cast<uchar *>(data));
    source.kind = Source::File;
    return source;
}

}  // namespace

qint64 exifWeight(const QByteArray &data, qint64 limit)
{
    return ExifWeigher(reinterpret_cast<const uchar *>(data.constData()), data.size(), limit).weigh();
}

Source boundedSource(const QString &original, qint64 budget)
{
    QFile file(original);
    if (original.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray magic = file.peek(8);
    if (magic.startsWith("\xff\xd8"))
        return fromJpeg(file, budget);
    if (magic == QByteArray("\x89PNG\r\n\x1a\n", 8))
        return fromPng(file, budget);
    return fromOther(file, budget);
}

}  // namespace metadatabudget
