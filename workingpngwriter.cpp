// The working-file PNG writer.
//
// Contents
//   1. Layout: which PNG colour type, bit depth and row packing a QImage format gets
//      (the same choices QImage::save(path, "png") makes, so the file decodes to the
//      same pixels, in the same format, with the same palette).
//   2. Row packing: one picture row in QImage memory order -> one PNG row.
//   3. Row filters.
//   4. Ancillary chunks: iCCP, PLTE, tRNS, oFFs, pHYs and the text chunks.
//   5. The file: temporary name in the same folder, one write, rename.

#include "workingpngwriter.h"

#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QString>

#include <libdeflate.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deflate level and row filter, chosen from measurements on 8-megapixel photos
// (see bench/program/bench_pngwriter.cpp).
constexpr int kDeflateLevel = 1;

enum PngColorType : uint8_t { Gray = 0, Rgb = 2, Palette = 3, GrayAlpha = 4, Rgba = 6 };
enum Filter : uint8_t { FilterNone = 0, FilterSub = 1, FilterUp = 2, FilterAverage = 3, FilterPaeth = 4 };

constexpr Filter kRowFilter = FilterPaeth;

// ---------------------------------------------------------------------------
// 1. Layout

enum class Pack {
    Direct,       // the scanline already is the PNG row (Indexed8, Grayscale8, RGB888, RGBA8888, Mono)
    BgrxToRgb,    // RGB32: B G R X (little-endian 0xffRRGGBB) -> R G B
    BgraToRgba,   // ARGB32: B G R A -> R G B A
    RgbxToRgb,    // RGBX8888: R G B X -> R G B
    BgrToRgb,     // BGR888: B G R -> R G B
    ReverseBits,  // MonoLSB: least significant bit first -> most significant bit first
    Swap16,       // Grayscale16, RGBA64: native 16-bit samples -> big-endian
    Rgbx64ToRgb16 // RGBX64: native 16-bit R G B X -> big-endian R G B
};

struct Layout {
    PngColorType colorType = Rgb;
    int bitDepth = 8;
    int filterBpp = 3;               // bytes per complete pixel (at least 1), for the filters
    std::size_t rowBytes = 0;        // bytes of one packed PNG row (without the filter byte)
    Pack pack = Pack::Direct;
    // The picture is first converted to this format, a band of rows at a time,
    // exactly as QImage::save converts formats the PNG writer cannot take as they are.
    QImage::Format convertTo = QImage::Format_Invalid;
    bool palette = false;
    uchar padMask = 0;               // the used bits of a one-bit row's last byte (0: all used)
};

bool chooseLayout(const QImage &image, Layout *out)
{
    Layout l;
    const qint64 w = image.width();
    auto samples = [&](int channels, int depth) {
        l.bitDepth = depth;
        l.filterBpp = std::max(1, channels * depth / 8);
        l.rowBytes = std::size_t((w * channels * depth + 7) / 8);
    };
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        l.colorType = image.isGrayscale() ? Gray : Palette;
        l.palette = l.colorType == Palette;
        l.pack = image.format() == QImage::Format_Mono ? Pack::Direct : Pack::ReverseBits;
        samples(1, 1);
        if (w % 8)
            l.padMask = uchar(0xff00 >> (w % 8));
        break;
    case QImage::Format_Indexed8:
        l.colorType = image.isGrayscale() ? Gray : Palette;
        l.palette = l.colorType == Palette;
        samples(1, 8);
        break;
    case QImage::Format_Grayscale8:
        l.colorType = Gray;
        samples(1, 8);
        break;
    case QImage::Format_Grayscale16:
        l.colorType = Gray;
        l.pack = Pack::Swap16;
        samples(1, 16);
        break;
    case QImage::Format_RGB32:
        l.pack = Pack::BgrxToRgb;
        samples(3, 8);
        break;
    case QImage::Format_ARGB32:
        l.colorType = Rgba;
        l.pack = Pack::BgraToRgba;
        samples(4, 8);
        break;
    case QImage::Format_RGB888:
        samples(3, 8);
        break;
    case QImage::Format_BGR888:
        l.pack = Pack::BgrToRgb;
        samples(3, 8);
        break;
    case QImage::Format_RGBX8888:
        l.pack = Pack::RgbxToRgb;
        samples(3, 8);
        break;
    case QImage::Format_RGBA8888:
        l.colorType = Rgba;
        samples(4, 8);
        break;
    case QImage::Format_RGBX64:
        l.pack = Pack::Rgbx64ToRgb16;
        samples(3, 16);
        break;
    case QImage::Format_RGBA64:
        l.colorType = Rgba;
        l.pack = Pack::Swap16;
        samples(4, 16);
        break;
    case QImage::Format_RGBA64_Premultiplied:
        l.colorType = Rgba;
        l.pack = Pack::Swap16;
        l.convertTo = QImage::Format_RGBA64;
        samples(4, 16);
        break;
    case QImage::Format_Invalid:
        return false;
    default:
        // Premultiplied, 16-bit, 30-bit, float and alpha-only formats: converted to
        // 32-bit (straight alpha where the picture has alpha), 8 bits a sample.
        if (image.hasAlphaChannel()) {
            l.colorType = Rgba;
            l.pack = Pack::BgraToRgba;
            l.convertTo = QImage::Format_ARGB32;
            samples(4, 8);
        } else {
            l.pack = Pack::BgrxToRgb;
            l.convertTo = QImage::Format_RGB32;
            samples(3, 8);
        }
        break;
    }
    *out = l;
    return true;
}

// ---------------------------------------------------------------------------
// 2. Row packing

void packRow(Pack pack, const uchar *src, uchar *dst, int width, std::size_t rowBytes)
{
    switch (pack) {
    case Pack::Direct:
        std::memcpy(dst, src, rowBytes);
        break;
    case Pack::BgrxToRgb:
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        break;
    case Pack::BgraToRgba:
        for (int x = 0; x < width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
        break;
    case Pack::RgbxToRgb:
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        break;
    case Pack::BgrToRgb:
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        break;
    case Pack::ReverseBits:
        for (std::size_t i = 0; i < rowBytes; ++i) {
            uchar b = src[i];
            b = uchar((b & 0xf0) >> 4 | (b & 0x0f) << 4);
            b = uchar((b & 0xcc) >> 2 | (b & 0x33) << 2);
            b = uchar((b & 0xaa) >> 1 | (b & 0x55) << 1);
            dst[i] = b;
        }
        break;
    case Pack::Swap16: {
        const auto *s = reinterpret_cast<const quint16 *>(src);
        for (std::size_t i = 0; i < rowBytes / 2; ++i) {
            dst[2 * i] = uchar(s[i] >> 8);
            dst[2 * i + 1] = uchar(s[i]);
        }
        break;
    }
    case Pack::Rgbx64ToRgb16: {
        const auto *s = reinterpret_cast<const quint16 *>(src);
        for (int x = 0; x < width; ++x, s += 4, dst += 6) {
            for (int c = 0; c < 3; ++c) {
                dst[2 * c] = uchar(s[c] >> 8);
                dst[2 * c + 1] = uchar(s[c]);
            }
        }
        break;
    }
    }
}

// ---------------------------------------------------------------------------
// 3. Row filters. `prev` is the previous packed row (all zero for the first row);
// each filtered byte is the raw byte minus its prediction, modulo 256.

inline uchar paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return uchar(a);
    return uchar(pb <= pc ? b : c);
}

void filterRow(Filter filter, const uchar *cur, const uchar *prev, int bpp, std::size_t n, uchar *out)
{
    out[0] = filter;
    ++out;
    std::size_t i = 0;
    switch (filter) {
    case FilterNone:
        std::memcpy(out, cur, n);
        break;
    case FilterSub:
        for (; i < std::size_t(bpp) && i < n; ++i)
            out[i] = cur[i];
        for (; i < n; ++i)
            out[i] = uchar(cur[i] - cur[i - bpp]);
        break;
    case FilterUp:
        for (; i < n; ++i)
            out[i] = uchar(cur[i] - prev[i]);
        break;
    case FilterAverage:
        for (; i < std::size_t(bpp) && i < n; ++i)
            out[i] = uchar(cur[i] - (prev[i] >> 1));
        for (; i < n; ++i)
            out[i] = uchar(cur[i] - ((cur[i - bpp] + prev[i]) >> 1));
        break;
    case FilterPaeth:
        for (; i < std::size_t(bpp) && i < n; ++i)
            out[i] = uchar(cur[i] - prev[i]);
        for (; i < n; ++i)
            out[i] = uchar(cur[i] - paethPredictor(cur[i - bpp], prev[i], prev[i - bpp]));
        break;
    }
}

// ---------------------------------------------------------------------------
// 4. Chunks

void put32(uchar *p, quint32 v)
{
    p[0] = uchar(v >> 24);
    p[1] = uchar(v >> 16);
    p[2] = uchar(v >> 8);
    p[3] = uchar(v);
}

void appendChunk(QByteArray *out, const char type[4], const QByteArray &data)
{
    uchar head[8];
    put32(head, quint32(data.size()));
    std::memcpy(head + 4, type, 4);
    quint32 crc = libdeflate_crc32(0, head + 4, 4);
    crc = libdeflate_crc32(crc, data.constData(), std::size_t(data.size()));
    uchar tail[4];
    put32(tail, crc);
    out->append(reinterpret_cast<const char *>(head), 8);
    out->append(data);
    out->append(reinterpret_cast<const char *>(tail), 4);
}

QByteArray be32(quint32 v)
{
    uchar b[4];
    put32(b, v);
    return QByteArray(reinterpret_cast<const char *>(b), 4);
}

// zlib stream of a small buffer (profiles and long texts), or empty on failure.
QByteArray zlibCompress(const QByteArray &data)
{
    libdeflate_compressor *c = libdeflate_alloc_compressor(6);
    if (!c)
        return {};
    QByteArray out;
    out.resize(qsizetype(libdeflate_zlib_compress_bound(c, std::size_t(data.size()))));
    const std::size_t n = libdeflate_zlib_compress(c, data.constData(), std::size_t(data.size()),
                                                   out.data(), std::size_t(out.size()));
    libdeflate_free_compressor(c);
    out.resize(qsizetype(n));
    return out;
}

// A chunk keyword (profile name, text key) cleaned the way the reference PNG
// library cleans it: Latin-1 printable characters only, runs of spaces and
// invalid characters become one space, no leading or trailing space, at most
// 79 characters. Empty when nothing is left.
QByteArray cleanKeyword(const QByteArray &key)
{
    QByteArray out;
    bool space = true;  // drops leading spaces
    for (const char c : key) {
        if (out.size() >= 79 || c == '\0')
            break;
        const uchar ch = uchar(c);
        if ((ch > 32 && ch <= 126) || ch >= 161) {
            out.append(char(ch));
            space = false;
        } else if (!space) {
            out.append(' ');
            space = true;
        }
    }
    if (!out.isEmpty() && space)
        out.chop(1);
    return out;
}

quint32 rd32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// An ICC profile that a PNG reader accepts for the colour type: a complete
// header that states the profile's own length, the "acsp" signature, a tag
// table inside the profile, and the data colour space of the pixels
// (grey profiles with grey pictures, RGB profiles with colour pictures).
bool iccFits(const QByteArray &icc, PngColorType type)
{
    if (icc.size() < 132)
        return false;
    const auto *p = reinterpret_cast<const uchar *>(icc.constData());
    if (rd32(p) != quint32(icc.size()) || std::memcmp(p + 36, "acsp", 4) != 0)
        return false;
    const quint32 tags = rd32(p + 128);
    if (tags > (quint32(icc.size()) - 132) / 12)
        return false;
    const bool gray = type == Gray || type == GrayAlpha;
    return std::memcmp(p + 16, gray ? "GRAY" : "RGB ", 4) == 0;
}

// Whether a text value must go into an international text chunk: characters
// outside Latin-1, and control characters other than newline.
bool needsInternationalText(const QString &value)
{
    for (const QChar c : value) {
        const ushort u = c.unicode();
        if (u > 0xff || (u < 0x20 && u != '\n') || (u > 0x7e && u < 0xa0))
            return true;
    }
    return false;
}

// Every chunk between the header and the pixel data, in the reference order:
// iCCP, PLTE, tRNS, oFFs, pHYs, then one text chunk per text key (sorted by key).
bool appendAncillary(QByteArray *out, const QImage &image, const Layout &layout)
{
    const QColorSpace cs = image.colorSpace();
    if (cs.isValid()) {
        const QByteArray icc = cs.iccProfile();
        QByteArray name = cleanKeyword(cs.description().toLatin1());
        if (name.isEmpty())
            name = "Custom";
        if (iccFits(icc, layout.colorType)) {
            const QByteArray packed = zlibCompress(icc);
            if (packed.isEmpty())
                return false;
            appendChunk(out, "iCCP", name + '\0' + '\0' + packed);
        }
    }

    if (layout.palette) {
        const int count = std::min(256, int(image.colorCount()));
        QByteArray plte;
        QByteArray trns;
        int transCount = 0;
        for (int i = 0; i < count; ++i) {
            const QRgb c = image.color(i);
            plte.append(char(qRed(c)));
            plte.append(char(qGreen(c)));
            plte.append(char(qBlue(c)));
            trns.append(char(qAlpha(c)));
            if (qAlpha(c) < 255)
                transCount = i + 1;
        }
        appendChunk(out, "PLTE", plte);
        if (transCount > 0)
            appendChunk(out, "tRNS", trns.left(transCount));
    }

    const QPoint offset = image.offset();
    if (offset.x() || offset.y())
        appendChunk(out, "oFFs", be32(quint32(offset.x())) + be32(quint32(offset.y())) + '\0');

    if (image.dotsPerMeterX() > 0 || image.dotsPerMeterY() > 0)
        appendChunk(out, "pHYs", be32(quint32(image.dotsPerMeterX())) + be32(quint32(image.dotsPerMeterY())) + '\1');

    QMap<QString, QString> texts;
    for (const QString &key : image.textKeys()) {
        if (!key.isEmpty())
            texts.insert(key, image.text(key));
    }
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const QByteArray keyword = cleanKeyword(it.key().left(79).toLatin1());
        if (keyword.isEmpty())
            continue;
        const bool compress = it.value().size() >= 40;
        if (needsInternationalText(it.value())) {
            const QByteArray utf8 = it.value().toUtf8();
            QByteArray body = keyword + '\0' + char(compress ? 1 : 0) + '\0' + "UTF-8" + '\0'
                              + it.key().toUtf8() + '\0';
            if (compress) {
                const QByteArray packed = zlibCompress(utf8);
                if (packed.isEmpty())
                    return false;
                body += packed;
            } else {
                body += utf8;
            }
            appendChunk(out, "iTXt", body);
        } else if (compress) {
            const QByteArray packed = zlibCompress(it.value().toLatin1());
            if (packed.isEmpty())
                return false;
            appendChunk(out, "zTXt", keyword + '\0' + '\0' + packed);
        } else {
            appendChunk(out, "tEXt", keyword + '\0' + it.value().toLatin1());
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Filtered rows of the whole picture: the deflate input.

struct Buffer {
    std::unique_ptr<uchar[]> data;
    std::size_t size = 0;
};

bool allocate(Buffer *b, std::size_t size)
{
    b->data.reset(new (std::nothrow) uchar[size]);
    b->size = b->data ? size : 0;
    return bool(b->data);
}

bool filterPicture(const QImage &image, const Layout &layout, Buffer *filtered)
{
    const int w = image.width();
    const int h = image.height();
    const std::size_t stride = layout.rowBytes + 1;
    if (stride == 0 || std::size_t(h) > std::numeric_limits<std::size_t>::max() / 2 / stride)
        return false;
    if (!allocate(filtered, stride * std::size_t(h)))
        return false;

    // Two packed rows (current and previous); the first row's predecessor is zero.
    std::unique_ptr<uchar[]> rows(new (std::nothrow) uchar[2 * layout.rowBytes + 16]());
    if (!rows)
        return false;
    uchar *cur = rows.get();
    uchar *prev = rows.get() + layout.rowBytes + 8;

    constexpr int kBand = 32;
    QImage band;
    int bandStart = -kBand;
    for (int y = 0; y < h; ++y) {
        const uchar *src;
        if (layout.convertTo != QImage::Format_Invalid) {
            if (y >= bandStart + kBand) {
                bandStart = y;
                const int n = std::min(kBand, h - y);
                QImage view(image.constScanLine(y), w, n, image.bytesPerLine(), image.format());
                if (image.colorCount() > 0)
                    view.setColorTable(image.colorTable());
                band = view.convertToFormat(layout.convertTo);
                if (band.isNull())
                    return false;
            }
            src = band.constScanLine(y - bandStart);
        } else {
            src = image.constScanLine(y);
        }
        packRow(layout.pack, src, cur, w, layout.rowBytes);
        if (layout.padMask)
            cur[layout.rowBytes - 1] &= layout.padMask;  // unused bits of a one-bit row are zero
        filterRow(kRowFilter, cur, prev, layout.filterBpp, layout.rowBytes, filtered->data.get() + stride * std::size_t(y));
        std::swap(cur, prev);
    }
    return true;
}

// ---------------------------------------------------------------------------
// 5. The file

bool writeAll(int fd, const void *data, std::size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, std::min<std::size_t>(size, std::size_t(1) << 30));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

// A fresh file next to `finalName`, created exclusively, readable and writable
// as the process's umask allows (like any file the program creates).
int createTemporary(const QByteArray &finalName, QByteArray *tempName)
{
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempName = finalName + ".tmp-" + QByteArray::number(qint64(::getpid())) + '-'
                    + QByteArray::number(++counter);
        const int fd = ::open(tempName->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

bool saveWorkingPng(const QImage &image, const QString &path)
{
    if (image.isNull() || path.isEmpty())
        return false;
    Layout layout;
    if (!chooseLayout(image, &layout))
        return false;

    Buffer filtered;
    if (!filterPicture(image, layout, &filtered))
        return false;

    libdeflate_compressor *compressor = libdeflate_alloc_compressor(kDeflateLevel);
    if (!compressor)
        return false;
    Buffer packed;
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor, filtered.size);
    std::size_t packedSize = 0;
    if (allocate(&packed, bound))
        packedSize = libdeflate_zlib_compress(compressor, filtered.data.get(), filtered.size, packed.data.get(), packed.size);
    libdeflate_free_compressor(compressor);
    filtered = Buffer();
    if (packedSize == 0)
        return false;

    QByteArray head("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr = be32(quint32(image.width())) + be32(quint32(image.height()));
    ihdr += char(layout.bitDepth);
    ihdr += char(layout.colorType);
    ihdr += QByteArray(3, '\0');  // deflate, adaptive filtering, no interlace
    appendChunk(&head, "IHDR", ihdr);
    if (!appendAncillary(&head, image, layout))
        return false;

    const QByteArray finalName = QFile::encodeName(path);
    QByteArray tempName;
    const int fd = createTemporary(finalName, &tempName);
    if (fd < 0)
        return false;

    bool ok = writeAll(fd, head.constData(), std::size_t(head.size()));
    // The pixel data in IDAT chunks of at most 1 GiB each.
    constexpr std::size_t kMaxChunk = std::size_t(1) << 30;
    for (std::size_t at = 0; ok && at < packedSize; at += kMaxChunk) {
        const std::size_t n = std::min(kMaxChunk, packedSize - at);
        uchar h[8];
        put32(h, quint32(n));
        std::memcpy(h + 4, "IDAT", 4);
        quint32 crc = libdeflate_crc32(0, h + 4, 4);
        crc = libdeflate_crc32(crc, packed.data.get() + at, n);
        uchar t[4];
        put32(t, crc);
        ok = writeAll(fd, h, 8) && writeAll(fd, packed.data.get() + at, n) && writeAll(fd, t, 4);
    }
    if (ok) {
        static const uchar iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
        ok = writeAll(fd, iend, sizeof iend);
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tempName.constData(), finalName.constData()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tempName.constData());
    return ok;
}
