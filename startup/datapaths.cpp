#include "datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef ZN_DATA_FROM_BIN
#define ZN_DATA_FROM_BIN "../share/zeltanorvik"
#endif

namespace DataPaths {

QString installedDataFolder()
{
    // The main document marks an install: a build folder has no such tree
    // beside its programs.
    const QString folder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QStringLiteral(ZN_DATA_FROM_BIN));
    return QFileInfo::exists(folder + QStringLiteral("/qml/zeltanorvik/main.qml")) ? folder : QString();
}

QString installedFile(const QString &relative)
{
    const QString folder = installedDataFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + relative;
}

}  // namespace DataPaths
