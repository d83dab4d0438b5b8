#include "workingfolder.h"

#include "ImageDispose.h"
#include "documentroot.h"
#include "keptsteps.h"
#include "logging.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

WorkingFolder::WorkingFolder(ImageDispose *files, QObject *parent)
    : QObject(parent)
    , files(files)
    , kept(new KeptSteps(meeGoRootDir(), this))
{
}

QString WorkingFolder::path() const
{
    return files->temporaryFolder();
}

int WorkingFolder::forget(const QStringList &paths)
{
    QStringList removed;
    for (const QString &path : paths)
        removed += files->forgetWorkingFile(path);
    if (!removed.isEmpty()) {
        qCDebug(lcFiles) << "working files no longer needed:" << removed;
        emit forgotten(removed);
    }
    return int(removed.size());
}

void WorkingFolder::returnMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}
