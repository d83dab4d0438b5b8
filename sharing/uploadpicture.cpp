#include "uploadpicture.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser
{
    int fd;
    ~FileCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

quint32 be32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// A JPEG's segments before the pixels, without those that hold metadata:
// kept are JFIF (APP0), the colour profile (APP2 "ICC_PROFILE"), Adobe's
// colour transform (APP14) and everything that decodes the pixels.
bool jpegWithoutMetadata(const QByteArray &in, QByteArray *out)
{
    const auto *p = reinterpret_cast<const uchar *>(in.constData());
    const qsizetype n = in.size();
    out->clear();
    out->append(in.left(2));
    qsizetype at = 2;
    while (at + 4 <= n && p[at] == 0xff) {
        const uchar marker = p[at + 1];
        if (marker == 0xff) {  // a fill byte
            ++at;
            continue;
        }
        if (marker == 0xda || marker == 0xd9)
            break;  // the pixels (and whatever follows them) go as they are
        const qsizetype length = p[at + 2] << 8 | p[at + 3];
        if (length < 2 || at + 2 + length > n)
            return false;
        const bool app = marker >= 0xe0 && marker <= 0xef;
        const bool kept = !app ? marker != 0xfe  // COM: a comment
                               : marker == 0xe0 || marker == 0xee
                                     || (marker == 0xe2 && length >= 14 && std::memcmp(p + at + 4, "ICC_PROFILE", 12) == 0);
        if (kept)
            out->append(in.constData() + at, 2 + length);
        at += 2 + length;
    }
    out->append(in.constData() + at, n - at);
    return true;
}

// A PNG with only the chunks that make its pixels and their colours.
bool pngWithoutMetadata(const QByteArray &in, QByteArray *out)
{
    static const char *const kept[] = {"IHDR", "PLTE", "IDAT", "IEND", "tRNS", "gAMA", "cHRM", "sRGB", "iCCP",
                                       "sBIT", "bKGD", "pHYs", "acTL", "fcTL", "fdAT"};
    const auto *p = reinterpret_cast<const uchar *>(in.constData());
    const qsizetype n = in.size();
    out->clear();
    out->append(in.left(8));
    qsizetype at = 8;
    while (at + 12 <= n) {
        const qint64 whole = 12 + qint64(be32(p + at));
        if (at + whole > n)
            return false;
        const bool keep = std::any_of(std::begin(kept), std::end(kept),
                                      [&](const char *type) { return std::memcmp(p + at + 4, type, 4) == 0; });
        if (keep)
            out->append(in.constData() + at, qsizetype(whole));
        at += qsizetype(whole);
    }
    return at == n;
}

// A WebP without its EXIF and XMP chunks (and without their flags).
bool webpWithoutMetadata(const QByteArray &in, QByteArray *out)
{
    const auto *p = reinterpret_cast<const uchar *>(in.constData());
    const qsizetype n = in.size();
    out->clear();
    out->append(in.left(12));
    qsizetype at = 12;
    while (at + 8 <= n) {
        const qint64 size = le32(p + at + 4);
        const qint64 whole = 8 + size + (size & 1);
        if (at + 8 + size > n)
            return false;
        const bool metadata = std::memcmp(p + at, "EXIF", 4) == 0 || std::memcmp(p + at, "XMP ", 4) == 0;
        if (!metadata) {
            const qsizetype from = out->size();
            out->append(in.constData() + at, qsizetype(std::min<qint64>(whole, n - at)));
            if (std::memcmp(p + at, "VP8X", 4) == 0 && size >= 1)
                (*out)[from + 8] = char(uchar((*out)[from + 8]) & ~0x0c);  // no EXIF, no XMP
        }
        at += qsizetype(whole);
    }
    const quint32 riff = quint32(out->size() - 8);
    for (int i = 0; i < 4; ++i)
        (*out)[4 + i] = char(riff >> (8 * i));
    return true;
}

} // namespace

bool withoutMetadata(QByteArray *bytes)
{
    const QByteArray &in = *bytes;
    QByteArray out;
    bool ok = true;
    if (in.startsWith("\xff\xd8\xff"))
        ok = jpegWithoutMetadata(in, &out);
    else if (in.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        ok = pngWithoutMetadata(in, &out);
    else if (in.size() >= 12 && in.startsWith("RIFF") && in.mid(8, 4) == "WEBP")
        ok = webpWithoutMetadata(in, &out);
    else if (in.startsWith(QByteArray("II*\0", 4)) || in.startsWith(QByteArray("MM\0*", 4)) || in.mid(4, 4) == "ftyp")
        return false;
    else
        return true;
    // A damaged file is not sent as it is: its metadata might be in it.
    if (!ok)
        return false;
    *bytes = out;
    return true;
}

PictureRefusal readUploadPicture(const QString &path, QByteArray *bytes, qint64 maxBytes)
{
    bytes->clear();
    if (path.isEmpty())
        return PictureRefusal::Missing;
    // O_NONBLOCK: opening a named pipe with no writer must not wait for one.
    const QByteArray native = QFile::encodeName(path);
    FileCloser file{::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? PictureRefusal::Missing
                                                    : PictureRefusal::Unreadable;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return PictureRefusal::Unreadable;
    if (!S_ISREG(info.st_mode))
        return PictureRefusal::NotAFile;
    if (info.st_size == 0)
        return PictureRefusal::Empty;
    if (info.st_size > maxBytes)
        return PictureRefusal::TooLarge;

    // The size is a hint only: the file may change while it is read. One byte
    // past the limit is asked for, to see a file that grew beyond it.
    QByteArray data;
    data.resize(qsizetype(info.st_size));
    qint64 have = 0;
    for (;;) {
        if (have == data.size()) {
            if (have > maxBytes)
                return PictureRefusal::TooLarge;
            data.resize(qsizetype(qMin<qint64>(maxBytes + 1, have + 64 * 1024)));
        }
        const ssize_t got = ::read(file.fd, data.data() + have, size_t(data.size() - have));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return PictureRefusal::Unreadable;
        }
        if (got == 0)
            break;
        have += got;
    }
    if (have > maxBytes)
        return PictureRefusal::TooLarge;
    if (have == 0)
        return PictureRefusal::Empty;
    data.truncate(qsizetype(have));
    if (!withoutMetadata(&data))
        return PictureRefusal::Kind;
    *bytes = data;
    return PictureRefusal::None;
}

QString refusalWord(PictureRefusal refusal)
{
    switch (refusal) {
    case PictureRefusal::None:
        return QString();
    case PictureRefusal::Missing:
        return QStringLiteral("picture-missing");
    case PictureRefusal::Unreadable:
        return QStringLiteral("picture-unreadable");
    case PictureRefusal::NotAFile:
        return QStringLiteral("picture-not-a-file");
    case PictureRefusal::Empty:
        return QStringLiteral("picture-empty");
    case PictureRefusal::TooLarge:
        return QStringLiteral("picture-too-large");
    case PictureRefusal::Kind:
        return QStringLiteral("picture-kind");
    }
    return QString();
}
