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

QString sharingStateFolderPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("sharing"));
}

QString sharingStateFolder()
{
    const QString folder = sharingStateFolderPath();
    if (folder.isEmpty() || !QDir().mkpath(folder) || !keepToOwner(folder, true))
        return QString();
    return folder;
}
