#include "uploadpicture.h"

#include <QFile>

#include <cerrno>
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

} // namespace

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
    }
    return QString();
}
