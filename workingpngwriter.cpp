// The working-file PNG writer.
//
// Contents
//   1. Layout: which PNG colour type, bit depth and row packing a QImage format gets
//      (the same choices QImage::save(path, "png") makes, so the file decodes to the
//      same pixels, in the same format, with the same palette).
//   2. Row packing: one picture row in QImage memory order -> one PNG row.
//   3. Row filters.
//   4. Ancillary chunks: iCCP, PLTE, tRNS, oFFs, pHYs and the text chunks.
//   5. Compression: the run coder for photo-like rows, a full deflate at
//      level 1 for the rest, chosen on a sample of the rows.
//   6. The file: temporary name in the same folder, one write, rename.

#include "workingpngwriter.h"

#include "rundeflate.h"

#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QString>

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
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
enum Filter : uint8_t { FilterNone = 0, FilterPaeth = 4 };

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

// 32-bit pixels (B G R X or B G R A in memory) into PNG order (R G B or R G B A).
// `dst` may be written up to 4 bytes past the row (row buffers have slack).
void packRow32Plain(const uchar *src, int width, bool alpha, uchar *dst)
{
    for (int x = 0; x < width; ++x, src += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        if (alpha) {
            dst[3] = src[3];
            dst += 4;
        } else {
            dst += 3;
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) void packRow32Ssse3(const uchar *src, int width, bool alpha, uchar *dst)
{
    // Four pixels at a time, one byte shuffle each.
    const __m128i order = alpha ? _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                                : _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const int step = alpha ? 16 : 12;
    int x = 0;
    for (; x + 4 <= width; x += 4, dst += step)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * x)), order));
    packRow32Plain(src + 4 * x, width - x, alpha, dst);
}
#endif

void packRow32(const uchar *src, int width, bool alpha, uchar *dst)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        packRow32Ssse3(src, width, alpha, dst);
        return;
    }
#endif
    packRow32Plain(src, width, alpha, dst);
}

void packRow(Pack pack, const uchar *src, uchar *dst, int width, std::size_t rowBytes)
{
    switch (pack) {
    case Pack::Direct:
        std::memcpy(dst, src, rowBytes);
        break;
    case Pack::BgrxToRgb:
    case Pack::BgraToRgba:
        packRow32(src, width, pack == Pack::BgraToRgba, dst);
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
// 3. Row filters. Each filtered byte is the raw byte minus its prediction,
// modulo 256; the row before the first one and the pixel before the first
// one count as all zero.
//
// Rows of 8 and 16 bits a sample get the Paeth filter (the left, upper or
// upper-left byte, whichever is nearest to left + upper - upper-left); palette
// and one-bit rows, whose bytes are indices or bit patterns rather than
// intensities, get none. On 8-megapixel photos Paeth gives the smallest files
// both with the run coder (4-8 % below Up) and with deflate level 1
// (within 1-7 % of Qt's default file, against 6-12 % for Up), and costs a few
// milliseconds more than Up once vectorised: every prediction reads only raw
// bytes, so whole rows are filtered sixteen bytes at a time.

inline uchar paethPredict(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return uchar(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// `prev` is null for the first row, where Paeth reduces to the left byte.
void paethRowPlain(const uchar *cur, const uchar *prev, std::size_t n, std::size_t bpp, uchar *out)
{
    for (std::size_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0;
        const int b = prev ? prev[i] : 0;
        const int c = prev && i >= bpp ? prev[i - bpp] : 0;
        out[i] = uchar(cur[i] - paethPredict(a, b, c));
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Eight predictions in 16-bit lanes: pa = |b - c|, pb = |a - c|, pc = |(b - c) + (a - c)|.
__attribute__((target("ssse3"))) inline __m128i paeth8(__m128i a, __m128i b, __m128i c)
{
    const __m128i db = _mm_sub_epi16(b, c);
    const __m128i da = _mm_sub_epi16(a, c);
    const __m128i pa = _mm_abs_epi16(db);
    const __m128i pb = _mm_abs_epi16(da);
    const __m128i pc = _mm_abs_epi16(_mm_add_epi16(da, db));
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bc = _mm_or_si128(_mm_and_si128(notB, c), _mm_andnot_si128(notB, b));
    return _mm_or_si128(_mm_and_si128(notA, bc), _mm_andnot_si128(notA, a));
}

__attribute__((target("ssse3"))) void paethRowSsse3(const uchar *cur, const uchar *prev, std::size_t n, std::size_t bpp,
                                                      uchar *out)
{
    if (!prev || n < bpp + 16) {
        paethRowPlain(cur, prev, n, bpp, out);
        return;
    }
    paethRowPlain(cur, prev, bpp, bpp, out);  // the first pixel: only the byte above is known
    const __m128i zero = _mm_setzero_si128();
    auto load = [](const uchar *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); };
    std::size_t i = bpp;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = load(cur + i);
        const __m128i a = load(cur + i - bpp);
        const __m128i b = load(prev + i);
        const __m128i c = load(prev + i - bpp);
        const __m128i lo = paeth8(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
        const __m128i hi = paeth8(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_sub_epi8(x, _mm_packus_epi16(lo, hi)));
    }
    for (; i < n; ++i)
        out[i] = uchar(cur[i] - paethPredict(cur[i - bpp], prev[i], prev[i - bpp]));
}
#endif

using PaethRow = void (*)(const uchar *, const uchar *, std::size_t, std::size_t, uchar *);

PaethRow choosePaethRow()
{
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3"))
        return paethRowSsse3;
#endif
    return paethRowPlain;
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
// Filtered rows: the deflate input.

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

// Filters any range of rows, each as its filter byte and the filtered PNG row.
class RowFilter
{
public:
    RowFilter(const QImage &image, const Layout &layout)
        : image(image), layout(layout), width(image.width()), height(image.height()),
          filter(layout.palette || layout.bitDepth < 8 ? FilterNone : FilterPaeth),
          bpp(std::max<std::size_t>(1, layout.rowBytes / std::size_t(std::max(1, image.width()))))
    {
        // Two packed rows with room for the wide stores of the packing.
        for (auto &row : rows)
            row.reset(new (std::nothrow) uchar[layout.rowBytes + 32]);
    }

    bool ok() const { return rows[0] && rows[1]; }
    std::size_t stride() const { return layout.rowBytes + 1; }

    // Rows y0 .. y1 - 1 into `out`, stride() bytes each.
    bool filterRows(int y0, int y1, uchar *out)
    {
        static const PaethRow paethRow = choosePaethRow();
        int which = 0;
        const uchar *prev = nullptr;
        if (y0 > 0 && !(prev = packed(y0 - 1, rows[which ^= 1].get())))
            return false;
        for (int y = y0; y < y1; ++y, out += stride()) {
            const uchar *cur = packed(y, rows[which ^= 1].get());
            if (!cur)
                return false;
            out[0] = filter;
            if (filter == FilterPaeth)
                paethRow(cur, prev, layout.rowBytes, bpp, out + 1);
            else
                std::memcpy(out + 1, cur, layout.rowBytes);
            prev = cur;
        }
        return true;
    }

private:
    // Row y in PNG byte order: the picture's own row where it already is one,
    // else packed into `buffer`. Rows of formats the PNG rows cannot be taken
    // from are converted a band at a time, exactly as QImage::save converts
    // them, and always packed into `buffer` (the band may change meanwhile).
    const uchar *packed(int y, uchar *buffer)
    {
        const uchar *src;
        if (layout.convertTo == QImage::Format_Invalid) {
            src = image.constScanLine(y);
            if (layout.pack == Pack::Direct && !layout.padMask)
                return src;
        } else {
            if (y < bandFirst || y >= bandEnd) {
                constexpr int kBand = 32;
                bandFirst = std::max(0, y - 1);
                bandEnd = std::min(height, bandFirst + kBand);
                QImage view(image.constScanLine(bandFirst), width, bandEnd - bandFirst, image.bytesPerLine(),
                            image.format());
                if (image.colorCount() > 0)
                    view.setColorTable(image.colorTable());
                band = view.convertToFormat(layout.convertTo);
                if (band.isNull())
                    return nullptr;
            }
            src = band.constScanLine(y - bandFirst);
        }
        packRow(layout.pack, src, buffer, width, layout.rowBytes);
        if (layout.padMask)
            buffer[layout.rowBytes - 1] &= layout.padMask;  // unused bits of a one-bit row are zero
        return buffer;
    }

    const QImage &image;
    const Layout &layout;
    const int width;
    const int height;
    const Filter filter;
    const std::size_t bpp;
    std::unique_ptr<uchar[]> rows[2];
    QImage band;
    int bandFirst = 0;
    int bandEnd = 0;
};

// ---------------------------------------------------------------------------
// Compression

// A picture's filtered rows take the run coder when, on a sample of its rows,
// its code is at most 9 % larger than deflate level 1: filtered photos (noise
// and fine texture, hardly any repeated strings but runs) and flat areas,
// where the run coder is 2.5 to 4 times as fast. Painted pictures, whose rows
// repeat at other distances, keep the full deflate. Measured on photos with
// every look and frame of the bundle, the files end up 0-14 % larger than
// Qt's default write (the most: a framed photo whose frame has fine texture);
// a lower bound would send ordinary photos to the slow path. Pictures of less
// than a megabyte take the full deflate without sampling.
constexpr std::size_t kSampleMinimum = std::size_t(1) << 20;
constexpr int kSampleBands = 8;
constexpr std::size_t kSampleBytes = 64 * 1024;  // each band, about
constexpr std::size_t kRunBlockBytes = 256 * 1024;  // one Huffman code each, about

bool runCoderSuits(RowFilter &rows, int height, libdeflate_compressor *compressor)
{
    const std::size_t stride = rows.stride();
    if (stride * std::size_t(height) < kSampleMinimum)
        return false;
    const int bandRows = int(std::clamp<std::size_t>(kSampleBytes / stride, 1, std::size_t(height) / kSampleBands));
    Buffer band, packed;
    const std::size_t bandBytes = stride * std::size_t(bandRows);
    if (!allocate(&band, bandBytes) || !allocate(&packed, libdeflate_zlib_compress_bound(compressor, bandBytes)))
        return false;
    std::uint64_t runBits = 0;
    std::uint64_t deflateBytes = 0;
    for (int k = 0; k < kSampleBands; ++k) {
        const int y0 = int((std::int64_t(height - bandRows) * (2 * k + 1)) / (2 * kSampleBands));
        if (!rows.filterRows(y0, y0 + bandRows, band.data.get()))
            return false;
        const std::size_t n = libdeflate_zlib_compress(compressor, band.data.get(), bandBytes, packed.data.get(), packed.size);
        deflateBytes += n ? n : bandBytes;
        runBits += RunDeflate::blockBits(band.data.get(), bandBytes);
    }
    return runBits / 8 * 100 <= deflateBytes * 109;
}

// The run coder, a block of rows at a time, filtered just before coding
// so that each block is still in the cache.
bool compressRuns(RowFilter &rows, int height, Buffer *packed, std::size_t *packedSize)
{
    const std::size_t stride = rows.stride();
    const int blockRows = int(std::clamp<std::size_t>(kRunBlockBytes / stride, 1, std::size_t(height)));
    const std::size_t blocks = (std::size_t(height) + std::size_t(blockRows) - 1) / std::size_t(blockRows);
    Buffer block;
    if (stride * std::size_t(blockRows) > RunDeflate::kMaxBlock || !allocate(&block, stride * std::size_t(blockRows))
        || !allocate(packed, RunDeflate::bound(stride * std::size_t(height), blocks)))
        return false;
    RunDeflate coder;
    coder.begin(packed->data.get(), packed->size);
    for (int y = 0; y < height; y += blockRows) {
        const int end = std::min(height, y + blockRows);
        if (!rows.filterRows(y, end, block.data.get())
            || !coder.add(block.data.get(), stride * std::size_t(end - y), end == height))
            return false;
    }
    *packedSize = coder.finish();
    return *packedSize > 0;
}

bool compressDeflate(RowFilter &rows, int height, libdeflate_compressor *compressor, Buffer *packed,
                     std::size_t *packedSize)
{
    const std::size_t stride = rows.stride();
    if (std::size_t(height) > (std::numeric_limits<std::size_t>::max() / 2 - 64) / stride)
        return false;
    Buffer filtered;
    if (!allocate(&filtered, stride * std::size_t(height)) || !rows.filterRows(0, height, filtered.data.get()))
        return false;
    if (!allocate(packed, libdeflate_zlib_compress_bound(compressor, filtered.size)))
        return false;
    *packedSize = libdeflate_zlib_compress(compressor, filtered.data.get(), filtered.size, packed->data.get(), packed->size);
    return *packedSize > 0;
}

bool compressPicture(const QImage &image, const Layout &layout, Buffer *packed, std::size_t *packedSize)
{
    RowFilter rows(image, layout);
    if (!rows.ok())
        return false;
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor *)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
    if (!compressor)
        return false;
    if (runCoderSuits(rows, image.height(), compressor.get()))
        return compressRuns(rows, image.height(), packed, packedSize);
    return compressDeflate(rows, image.height(), compressor.get(), packed, packedSize);
}

// ---------------------------------------------------------------------------
// 6. The file

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

    QByteArray head("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr = be32(quint32(image.width())) + be32(quint32(image.height()));
    ihdr += char(layout.bitDepth);
    ihdr += char(layout.colorType);
    ihdr += QByteArray(3, '\0');  // deflate, adaptive filtering, no interlace
    appendChunk(&head, "IHDR", ihdr);
    if (!appendAncillary(&head, image, layout))
        return false;

    Buffer packed;
    std::size_t packedSize = 0;
    if (!compressPicture(image, layout, &packed, &packedSize))
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
