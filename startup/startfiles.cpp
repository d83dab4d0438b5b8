#include "startfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace StartFiles {

QString localPath(const QString &word)
{
    // A URL has a scheme of two letters or more ("C:" is no scheme here).
    const int colon = word.indexOf(QLatin1Char(':'));
    const int slash = word.indexOf(QLatin1Char('/'));
    if (colon > 1 && (slash < 0 || colon < slash)) {
        const QUrl url(word);
        if (url.isValid() && !url.scheme().isEmpty()) {
            if (!url.isLocalFile())
                return QString();
            return QDir::cleanPath(url.toLocalFile());
        }
    }
    return QDir::cleanPath(QDir::current().absoluteFilePath(word));
}

QString whyUnreadable(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
            return QStringLiteral("there is no such file");
        case ELOOP:
            return QStringLiteral("it is a symbolic link that leads round in a loop");
        case EACCES:
        case EPERM:
            return QStringLiteral("you are not allowed to read it");
        case ENAMETOOLONG:
            return QStringLiteral("its name is too long");
        case ENOTDIR:
            return QStringLiteral("a part of its path is not a folder");
        default:
            return QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    ::close(fd);
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (!info.isFile())
        return QStringLiteral("it is not a file");
    if (info.size() == 0)
        return QStringLiteral("the file is empty");
    return QString();
}

Result resolve(const QStringList &words)
{
    Result result;
    for (const QString &word : words) {
        const QString path = localPath(word);
        if (path.isEmpty()) {
            result.problems << QStringLiteral("%1 cannot be opened: only files on this computer can.").arg(word);
            continue;
        }
        const QString why = whyUnreadable(path);
        if (!why.isEmpty())
            result.problems << QStringLiteral("%1 cannot be opened: %2.")
                                   .arg(QFileInfo(path).fileName().isEmpty() ? path : QFileInfo(path).fileName(), why);
        else
            result.paths << path;
    }
    return result;
}

}  // namespace StartFiles
