#include "documentroot.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString withSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// The folder exists (or was just made) and is a folder.
bool makeFolder(const QString &dir)
{
    return QDir().mkpath(dir) && QFileInfo(dir).isDir();
}

const DocumentRootChoice &processChoice()
{
    static const DocumentRootChoice choice =
        chooseDocumentRoot(qEnvironmentVariable("ZELTANORVIK_ROOT"), QStringLiteral("/home/user/MyDocs/"),
                           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return choice;
}

}  // namespace

DocumentRootChoice chooseDocumentRoot(const QString &requested, const QString &preferred, const QString &documents)
{
    if (!requested.isEmpty()) {
        // The user named the folder: that one or none.
        const QString root = withSlash(QDir::cleanPath(QDir::current().absoluteFilePath(requested)));
        if (makeFolder(root))
            return {root, {}};
        return {{}, QStringLiteral("the folder %1 (ZELTANORVIK_ROOT) cannot be made").arg(root)};
    }
    QStringList tried;
    for (const QString &candidate : {preferred, documents}) {
        if (candidate.isEmpty() || QDir::isRelativePath(candidate))
            continue;
        const QString root = withSlash(QDir::cleanPath(candidate));
        if (makeFolder(root))
            return {root, {}};
        tried.append(root);
    }
    if (tried.isEmpty())
        return {{}, QStringLiteral("no folder for documents is known; set ZELTANORVIK_ROOT to a folder you can write")};
    return {{}, QStringLiteral("none of the folders %1 can be made; set ZELTANORVIK_ROOT to a folder you can write")
                    .arg(tried.join(QStringLiteral(", ")))};
}

const QString &meeGoRootDir()
{
    return processChoice().root;
}

const QString &documentRootProblem()
{
    return processChoice().problem;
}
