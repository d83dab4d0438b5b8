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
#include <QImage>
#include <QMap>
#include <QString>

#include <libdeflate.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// Deflate level, chosen from measurements on 8-megapixel photos (see
// bench/program/bench_pngwriter.cpp): level 1 compresses the filtered rows of
// a photo about 1.7 times as fast as level 2 for a file about 2.5 % larger.
constexpr int kDeflateLevel = 1;

enum PngColorType : uint8_t { Gray = 0, Rgb = 2, Palette = 3, Rgba = 6 };
enum Filter : uint8_t { FilterNone = 0, FilterUp = 2 };

// ---------------------------------------------------------------------------
// 1. Layout

enum class Pack {
    Direct,       // the scanline already is the PNG row (Indexed8, Grayscale8, RGB888, RGBA8888, Mono)
    BgrxToRgb,    // RGB32: B G R X (little-endian 0xffRRGGBB) -> R G B, filtered in one step (upRow32)
    BgraToRgba,   // ARGB32: B G R A -> R G B A, likewise
    RgbxToRgb,    // RGBX8888: R G B X -> R G B
    BgrToRgb,     // BGR888: B G R -> R G B
    ReverseBits,  // MonoLSB: least significant bit first -> most significant bit first
    Swap16,       // Grayscale16, RGBA64: native 16-bit samples -> big-endian
    Rgbx64ToRgb16 // RGBX64: native 16-bit R G B X -> big-endian R G B
};

struct Layout {
    PngColorType colorType = Rgb;
    int bitDepth = 8;
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
    case Pack::BgraToRgba:
        break;  // packed and filtered together by upRow32
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
// 3. Row filters. Each filtered byte is the raw byte minus its prediction,
// modulo 256; the row before the first one counts as all zero.
//
// Photo rows get the Up filter (the byte above as prediction); palette and
// one-bit rows, whose bytes are indices rather than intensities, get none.
// Up is the cheapest filter and, with deflate level 1, keeps 8-megapixel
// photos within about 6 % of Qt's default file (adaptive filters, zlib level
// 6), against 2 % for Paeth at more than twice the filtering time and 6 % for
// Sub; Average is smallest on photos but 25 % larger on painted graphics.

void upRow(const uchar *__restrict cur, const uchar *__restrict prev, std::size_t n, uchar *__restrict out)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = uchar(cur[i] - prev[i]);
}

// Up filter of a row of 32-bit pixels (B G R X or B G R A in memory) straight
// into PNG order (R G B or R G B A). The difference is taken on the 32-bit
// pixels and the bytes are moved after: the same bytes as moving first and
// filtering after, since both work byte by byte. `out` may be written up to 4
// bytes past the row (the next row's first bytes, written later, or slack).
void upRow32Plain(const uchar *cur, const uchar *prev, int width, bool alpha, uchar *out)
{
    for (int x = 0; x < width; ++x, cur += 4, prev += 4) {
        out[0] = uchar(cur[2] - prev[2]);
        out[1] = uchar(cur[1] - prev[1]);
        out[2] = uchar(cur[0] - prev[0]);
        if (alpha) {
            out[3] = uchar(cur[3] - prev[3]);
            out += 4;
        } else {
            out += 3;
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) void upRow32Ssse3(const uchar *cur, const uchar *prev, int width, bool alpha, uchar *out)
{
    // Four pixels at a time: subtract, then one byte shuffle into PNG order.
    const __m128i order = alpha ? _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                                : _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const int step = alpha ? 16 : 12;
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cur + 4 * x));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prev + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_shuffle_epi8(_mm_sub_epi8(c, p), order));
        out += step;
    }
    upRow32Plain(cur + 4 * x, prev + 4 * x, width - x, alpha, out);
}
#endif

using UpRow32 = void (*)(const uchar *, const uchar *, int, bool, uchar *);

UpRow32 chooseUpRow32()
{
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3"))
        return upRow32Ssse3;
#endif
    return upRow32Plain;
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
    return std::memcmp(p + 16, type == Gray ? "GRAY" : "RGB ", 4) == 0;
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
    if (std::size_t(h) > (std::numeric_limits<std::size_t>::max() / 2 - 64) / stride)
        return false;
    // 16 bytes of slack for the last row's wide stores.
    if (!allocate(filtered, stride * std::size_t(h) + 16))
        return false;
    filtered->size = stride * std::size_t(h);
    uchar *out = filtered->data.get();

    const bool direct32 = layout.pack == Pack::BgrxToRgb || layout.pack == Pack::BgraToRgba;
    const Filter filter = layout.palette || layout.bitDepth < 8 ? FilterNone : FilterUp;

    // A zero row above the first one; for other layouts also the packed rows.
    const std::size_t zeroBytes = direct32 ? std::size_t(w) * 4 : 2 * layout.rowBytes + 16;
    std::unique_ptr<uchar[]> scratch(new (std::nothrow) uchar[zeroBytes + 16]());
    if (!scratch)
        return false;
    const uchar *zero = scratch.get();
    uchar *cur = scratch.get();
    uchar *prev = scratch.get() + layout.rowBytes + 8;

    // Formats the PNG rows cannot be taken from are converted a band of rows at
    // a time, each band starting one row early so the row above is at hand.
    constexpr int kBand = 32;
    QImage band;
    int bandFirst = 0;  // picture row of the band's first row
    int bandEnd = 0;
    auto row = [&](int y) -> const uchar * {
        if (layout.convertTo == QImage::Format_Invalid)
            return image.constScanLine(y);
        if (y >= bandEnd) {
            bandFirst = std::max(0, y - 1);
            bandEnd = std::min(h, y + kBand);
            QImage view(image.constScanLine(bandFirst), w, bandEnd - bandFirst, image.bytesPerLine(), image.format());
            if (image.colorCount() > 0)
                view.setColorTable(image.colorTable());
            band = view.convertToFormat(layout.convertTo);
            if (band.isNull())
                return nullptr;
        }
        return band.constScanLine(y - bandFirst);
    };

    static const UpRow32 upRow32 = chooseUpRow32();
    const bool alpha = layout.pack == Pack::BgraToRgba;
    for (int y = 0; y < h; ++y, out += stride) {
        const uchar *src = row(y);
        if (!src)
            return false;
        out[0] = filter;
        if (direct32) {
            const uchar *above = y > 0 ? row(y - 1) : zero;
            upRow32(src, above, w, alpha, out + 1);
            continue;
        }
        packRow(layout.pack, src, cur, w, layout.rowBytes);
        if (layout.padMask)
            cur[layout.rowBytes - 1] &= layout.padMask;  // unused bits of a one-bit row are zero
        if (filter == FilterUp)
            upRow(cur, prev, layout.rowBytes, out + 1);
        else
            std::memcpy(out + 1, cur, layout.rowBytes);
        std::swap(cur, prev);
    }
    return true;
}

// ---------------------------------------------------------------------------
// 5. The file

// Writes every piece in order, resuming after partial writes.
bool writeAll(int fd, std::vector<iovec> pieces)
{
    std::size_t first = 0;
    while (first < pieces.size()) {
        const int count = int(std::min<std::size_t>(pieces.size() - first, IOV_MAX));
        const ssize_t n = ::writev(fd, pieces.data() + first, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        std::size_t left = std::size_t(n);
        while (first < pieces.size() && left >= pieces[first].iov_len)
            left -= pieces[first++].iov_len;
        if (left > 0) {
            pieces[first].iov_base = static_cast<char *>(pieces[first].iov_base) + left;
            pieces[first].iov_len -= left;
        }
    }
    return true;
}

// A fresh file next to `finalName`, created exclusively, readable and writable
// as the process's umask allows (like any file the program creates).
int createTemporary(const QByteArray &finalName, QByteArray *tempName)
{
    static std::atomic<unsigned> counter{0};
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

    QByteArray head("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr = be32(quint32(image.width())) + be32(quint32(image.height()));
    ihdr += char(layout.bitDepth);
    ihdr += char(layout.colorType);
    ihdr += QByteArray(3, '\0');  // deflate, adaptive filtering, no interlace
    appendChunk(&head, "IHDR", ihdr);
    if (!appendAncillary(&head, image, layout))
        return false;

    libdeflate_compressor *compressor = libdeflate_alloc_compressor(kDeflateLevel);
    if (!compressor)
        return false;
    Buffer packed;
    std::size_t packedSize = 0;
    if (allocate(&packed, libdeflate_zlib_compress_bound(compressor, filtered.size)))
        packedSize = libdeflate_zlib_compress(compressor, filtered.data.get(), filtered.size, packed.data.get(), packed.size);
    libdeflate_free_compressor(compressor);
    filtered = Buffer();
    if (packedSize == 0)
        return false;

    // The pixel data in IDAT chunks of at most 1 GiB each (one for any real picture).
    constexpr std::size_t kMaxChunk = std::size_t(1) << 30;
    const std::size_t chunks = (packedSize + kMaxChunk - 1) / kMaxChunk;
    std::vector<uchar> frames(chunks * 12);  // each chunk's length, type and CRC
    std::vector<iovec> pieces;
    pieces.push_back({head.data(), std::size_t(head.size())});
    for (std::size_t k = 0; k < chunks; ++k) {
        uchar *f = frames.data() + 12 * k;
        const std::size_t at = k * kMaxChunk;
        const std::size_t n = std::min(kMaxChunk, packedSize - at);
        put32(f, quint32(n));
        std::memcpy(f + 4, "IDAT", 4);
        put32(f + 8, libdeflate_crc32(libdeflate_crc32(0, f + 4, 4), packed.data.get() + at, n));
        pieces.push_back({f, 8});
        pieces.push_back({packed.data.get() + at, n});
        pieces.push_back({f + 8, 4});
    }
    static const uchar iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
    pieces.push_back({const_cast<uchar *>(iend), sizeof iend});

    const QByteArray finalName = QFile::encodeName(path);
    QByteArray tempName;
    const int fd = createTemporary(finalName, &tempName);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, std::move(pieces));
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tempName.constData(), finalName.constData()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tempName.constData());
    return ok;
}
