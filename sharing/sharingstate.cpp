#include "sharingstate.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

bool keepToOwner(const QString &path, bool folder)
{
    QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (folder)
        mode |= QFileDevice::ExeOwner;
    return QFile::setPermissions(path, mode);
}

QString sharingStateFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (base.isEmpty())
        return QString();
    const QString folder = QDir(base).filePath(QStringLiteral("sharing"));
    if (!QDir().mkpath(folder) || !keepToOwner(folder, true))
        return QString();
    return folder;
}
