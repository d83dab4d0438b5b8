// The working-file PNG writer. The rows come packed and filtered from
// pngrows; here they are compressed and written with their chunks.
//
// Contents
//   1. Ancillary chunks: iCCP, PLTE, tRNS, oFFs, pHYs (no text chunks).
//   2. Compression: the run coder for photo-like rows, a full deflate at
//      level 1 for the rest, chosen on a sample of the rows; the rows are
//      filtered, and the run coder's blocks coded, on every core.
//   3. The file: temporary name in the same folder, one write, rename over
//      the old file only when the new one is complete.

#include "workingpngwriter.h"

#include "imaging/bandworkers.h"
#include "operationerror.h"
#include "pngrows.h"
#include "rundeflate.h"

#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
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

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

using namespace pngrows;

namespace {

// Deflate level, chosen from measurements on 8-megapixel photos (see
// bench/program/bench_pngwriter.cpp): level 1 compresses the filtered rows of
// a photo about 1.7 times as fast as level 2 for a file about 2.5 % larger.
constexpr int kDeflateLevel = 1;

// ---------------------------------------------------------------------------
// 1. Chunks

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

// zlib stream of a small buffer (a colour profile), or empty on failure.
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

// A chunk keyword (the profile name) cleaned the way the reference PNG
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

// iCCP: the picture's colour profile, when a PNG reader would take it for
// these pixels.
bool appendColourProfile(QByteArray *out, const QImage &image, const Layout &layout)
{
    const QColorSpace cs = image.colorSpace();
    if (!cs.isValid())
        return true;
    const QByteArray icc = cs.iccProfile();
    if (!iccFits(icc, layout.colorType))
        return true;
    QByteArray name = cleanKeyword(cs.description().toLatin1());
    if (name.isEmpty())
        name = "Custom";
    const QByteArray packed = zlibCompress(icc);
    if (packed.isEmpty())
        return false;
    appendChunk(out, "iCCP", name + '\0' + '\0' + packed);
    return true;
}

// PLTE and tRNS of a palette picture: its colours, and their alpha up to the
// last colour that is not opaque.
void appendPalette(QByteArray *out, const QImage &image)
{
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

// oFFs and pHYs: where the picture sits and its resolution, when it has them.
void appendPlacement(QByteArray *out, const QImage &image)
{
    const QPoint offset = image.offset();
    if (offset.x() || offset.y())
        appendChunk(out, "oFFs", be32(quint32(offset.x())) + be32(quint32(offset.y())) + '\0');
    if (image.dotsPerMeterX() > 0 || image.dotsPerMeterY() > 0)
        appendChunk(out, "pHYs", be32(quint32(image.dotsPerMeterX())) + be32(quint32(image.dotsPerMeterY())) + '\1');
}

// Every chunk between the header and the pixel data, in the reference order:
// iCCP, PLTE, tRNS, oFFs, pHYs. No text: a working file carries pixels only
// (the photo's text, XMP with its location among it, is the saved
// picture's business, and what sharing uploads must not hold it).
bool appendAncillary(QByteArray *out, const QImage &image, const Layout &layout)
{
    if (!appendColourProfile(out, image, layout))
        return false;
    if (layout.palette)
        appendPalette(out, image);
    appendPlacement(out, image);
    return true;
}

// ---------------------------------------------------------------------------
// Buffers of the deflate input and output.

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

// ---------------------------------------------------------------------------
// 2. Compression

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

// One row filter for each thread of the job (a filter keeps the rows it
// packed last); filter 0 serves the calling thread.
class RowFilters
{
public:
    RowFilters(const QImage &image, const Layout &layout, int threads)
    {
        for (int i = 0; i < threads; ++i)
            filters.push_back(std::make_unique<RowFilter>(image, layout));
    }
    bool ok() const
    {
        return std::all_of(filters.begin(), filters.end(), [](const auto &f) { return f->ok(); });
    }
    int threads() const { return int(filters.size()); }
    std::size_t stride() const { return filters.front()->stride(); }
    RowFilter &operator[](int worker) { return *filters[std::size_t(worker)]; }

private:
    std::vector<std::unique_ptr<RowFilter>> filters;
};


// The run coder, a block of rows at a time, filtered just before coding
// so that each block is still in the cache. With more than one thread each
// takes whole blocks, filters and codes them apart, and the blocks are put
// into the stream in order: the same bytes as one thread writes.
bool compressRuns(RowFilters &rows, int height, Buffer *packed, std::size_t *packedSize)
{
    const std::size_t stride = rows.stride();
    const int blockRows = int(std::clamp<std::size_t>(kRunBlockBytes / stride, 1, std::size_t(height)));
    const std::size_t blocks = (std::size_t(height) + std::size_t(blockRows) - 1) / std::size_t(blockRows);
    const std::size_t blockBytes = stride * std::size_t(blockRows);
    if (blockBytes > RunDeflate::kMaxBlock || !allocate(packed, RunDeflate::bound(stride * std::size_t(height), blocks)))
        return false;
    const int threads = std::min(rows.threads(), bandworkers::threadsFor(blocks));
    auto input = std::vector<Buffer>(std::size_t(threads));
    for (Buffer &b : input) {
        if (!allocate(&b, blockBytes))
            return false;
    }
    RunDeflate coder;
    coder.begin(packed->data.get(), packed->size);
    auto rowsOf = [&](std::size_t k) {
        const int y = int(k) * blockRows;
        return std::pair(y, std::min(height, y + blockRows));
    };
    if (threads == 1) {
        for (std::size_t k = 0; k < blocks; ++k) {
            if (bandworkers::cancelled())
                return false;
            const auto [y, end] = rowsOf(k);
            if (!rows[0].filterRows(y, end, input[0].data.get())
                || !coder.add(input[0].data.get(), stride * std::size_t(end - y), end == height))
                return false;
        }
    } else {
        std::vector<RunDeflate::CodedBlock> coded(blocks);
        const bool ok = bandworkers::forEach(blocks, threads, [&](std::size_t k, int worker) {
            const auto [y, end] = rowsOf(k);
            uchar *data = input[std::size_t(worker)].data.get();
            return rows[worker].filterRows(y, end, data)
                   && RunDeflate::codeBlock(data, stride * std::size_t(end - y), end == height, &coded[k]);
        });
        if (!ok)
            return false;
        for (RunDeflate::CodedBlock &block : coded) {
            if (!coder.append(block))
                return false;
            block = RunDeflate::CodedBlock();
        }
    }
    *packedSize = coder.finish();
    return *packedSize > 0;
}

// The rows filtered in bands across the threads, then one full deflate.
bool compressDeflate(RowFilters &rows, int height, libdeflate_compressor *compressor, Buffer *packed,
                     std::size_t *packedSize)
{
    const std::size_t stride = rows.stride();
    if (std::size_t(height) > (std::numeric_limits<std::size_t>::max() / 2 - 64) / stride)
        return false;
    Buffer filtered;
    if (!allocate(&filtered, stride * std::size_t(height)))
        return false;
    constexpr int kBandRows = 64;
    const std::size_t bands = (std::size_t(height) + kBandRows - 1) / kBandRows;
    const int threads = std::min(rows.threads(), bandworkers::threadsFor(bands));
    const bool ok = bandworkers::forEach(bands, threads, [&](std::size_t k, int worker) {
        const int y = int(k) * kBandRows;
        return rows[worker].filterRows(y, std::min(height, y + kBandRows), filtered.data.get() + std::size_t(y) * stride);
    });
    if (!ok || !allocate(packed, libdeflate_zlib_compress_bound(compressor, filtered.size)))
        return false;
    *packedSize = libdeflate_zlib_compress(compressor, filtered.data.get(), filtered.size, packed->data.get(), packed->size);
    return *packedSize > 0;
}

bool compressPicture(const QImage &image, const Layout &layout, Buffer *packed, std::size_t *packedSize)
{
    RowFilters rows(image, layout, bandworkers::threadsFor(std::size_t(std::max(1, image.height()))));
    if (!rows.ok())
        return false;
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor *)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
    if (!compressor)
        return false;
    if (workingpng::runCoderSuits(rows[0], image.height(), compressor.get()))
        return compressRuns(rows, image.height(), packed, packedSize);
    return compressDeflate(rows, image.height(), compressor.get(), packed, packedSize);
}

// ---------------------------------------------------------------------------
// 3. The file

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

// ".tmp-" + process id + "-" + counter, each number at most ten digits.
static_assert(5 + 10 + 1 + 10 <= kWorkingPngTemporarySuffixMax);

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

// Why a file could not be written into its folder, in words for the user.
void recordWriteFailure(int error, const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        OperationError::set(QStringLiteral("The disk is full: there is no room in %1 for the new picture.")
                                .arg(folder));
        break;
    case EROFS:
    case EACCES:
    case EPERM:
        OperationError::set(QStringLiteral("The folder %1 cannot be written to.").arg(folder));
        break;
    case ENOENT:
    case ENOTDIR:
        OperationError::set(QStringLiteral("The folder %1 does not exist.").arg(folder));
        break;
    case ENAMETOOLONG:
        OperationError::set(QStringLiteral("The name %1 is too long for the file system.").arg(path));
        break;
    default:
        OperationError::set(QStringLiteral("The picture could not be written to %1: %2.")
                                .arg(folder, QString::fromLocal8Bit(std::strerror(error))));
        break;
    }
}

// Writes the pieces under a temporary name beside `path` and renames it over
// `path` once all of it is written, flushed to the disk and closed; any file under `path` stays
// untouched until then. On failure the temporary file is removed.
bool writeFileInPlace(const QString &path, std::vector<iovec> pieces)
{
    const QByteArray finalName = QFile::encodeName(path);
    QByteArray tempName;
    const int fd = createTemporary(finalName, &tempName);
    if (fd < 0) {
        recordWriteFailure(errno, path);
        return false;
    }
    int error = 0;
    if (!writeAll(fd, std::move(pieces)))
        error = errno;
    // On the disk before it takes the final name: after a power cut the name
    // holds the whole new picture or the old one, never an empty file.
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tempName.constData(), finalName.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempName.constData());
        recordWriteFailure(error, path);
        return false;
    }
    return true;
}

}  // namespace

namespace workingpng {

bool runCoderSuits(RowFilter &rows, int height, libdeflate_compressor *compressor)
{
    const std::size_t stride = rows.stride();
    if (stride * std::size_t(height) < kSampleMinimum)
        return false;
    const int bandRows = int(std::clamp<std::size_t>(kSampleBytes / stride, 1, std::max(1, height / kSampleBands)));
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

void explainWriteFailure(int error, const QString &path)
{
    recordWriteFailure(error, path);
}

}  // namespace workingpng

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

    return writeFileInPlace(path, std::move(pieces));
}
