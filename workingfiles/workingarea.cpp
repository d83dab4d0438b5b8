#include "workingarea.h"

#include "documentroot.h"
#include "logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>

namespace {

const QString kTempFolder = QStringLiteral(".qvrkTemp");
const QString kCacheFolder = QStringLiteral(".qvrkCache");
const QString kSavedFolder = QStringLiteral("zeltanorvik");
const QString kLockSuffix = QStringLiteral(".lock");
// More slots than anyone runs instances; the search stops there.
constexpr int kSlotsMax = 999;
// A save writes and links its temporary file within seconds; one this old
// was left by a save that never finished.
constexpr qint64 kAbandonedSaveSecs = 3600;

// The lock files this process holds, so that its own slots are told apart
// from another process's without asking the lock.
QMutex registryMutex;
QSet<QString> &heldLocks()
{
    static QSet<QString> locks;
    return locks;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

bool isSlotName(const QString &name)
{
    bool ok = false;
    const int n = name.toInt(&ok);
    return ok && n >= 1 && n <= kSlotsMax && name == QString::number(n);
}

// Removes a file or a link (never what it points at), made writable first.
bool removeFile(const QString &path)
{
    if (!QFileInfo(path).isSymLink())
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    return QFile::remove(path);
}

}  // namespace

namespace workingarea {

QString temporaryRoot(const QString &root)
{
    return root.isEmpty() ? QString() : root + kTempFolder + QLatin1Char('/');
}

qint64 writerOfTemporary(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\.tmp-(\\d{1,10})-\\d{1,10}$"));
    const QRegularExpressionMatch m = pattern.match(name);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// The same rules as ImageDispose::deleteDir: links are removed, never followed.
bool removeTree(QString dirName)
{
    while (dirName.size() > 1 && dirName.endsWith(QLatin1Char('/')))
        dirName.chop(1);
    if (QFileInfo(dirName).isSymLink())
        return QFile::remove(dirName);
    QDir dir(dirName);
    if (!dir.exists())
        return true;
    bool ok = true;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString path = QDir::toNativeSeparators(dirName + QLatin1Char('/') + entry.fileName());
        const bool removed = !entry.isSymLink() && entry.isDir() ? removeTree(path) : removeFile(path);
        ok = removed && ok;
    }
    return QDir().rmdir(dirName) && ok;
}

namespace {

// Writer temporaries of ended processes directly in `folder`.
bool removeDeadWritersFiles(const QString &folder)
{
    bool ok = true;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const qint64 writer = writerOfTemporary(file.fileName());
        if (writer > 0 && !processAlive(writer)) {
            qCInfo(lcFiles) << "removing" << file.filePath() << "left by process" << writer;
            ok = removeFile(file.filePath()) && ok;
        }
    }
    return ok;
}

// The slots under `temp` with their state. Locks of another process that are
// held count as other instances; a slot nobody holds is removed.
bool sweepSlots(const QString &temp, bool *othersRun)
{
    bool ok = true;
    QSet<QString> slotNames;
    const QFileInfoList entries =
        QDir(temp).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (name.endsWith(kLockSuffix) && isSlotName(name.chopped(kLockSuffix.size())))
            slotNames.insert(name.chopped(kLockSuffix.size()));
        else if (entry.isDir() && !entry.isSymLink() && isSlotName(name))
            slotNames.insert(name);
        else
            ok = (!entry.isSymLink() && entry.isDir() ? removeTree(entry.filePath()) : removeFile(entry.filePath()))
                 && ok;  // no instance owns it
    }
    for (const QString &slot : std::as_const(slotNames)) {
        const QString lockPath = temp + slot + kLockSuffix;
        const QString folder = temp + slot;
        {
            QMutexLocker held(&registryMutex);
            if (heldLocks().contains(lockPath)) {
                held.unlock();
                ok = removeDeadWritersFiles(folder) && ok;
                continue;
            }
        }
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);  // stale only once its process has ended
        if (!lock.tryLock(0)) {
            if (lock.error() == QLockFile::LockFailedError) {
                *othersRun = true;
                ok = removeDeadWritersFiles(folder) && ok;  // its owner may have taken it over with litter
            } else {
                ok = false;
            }
            continue;
        }
        if (QFileInfo::exists(folder)) {
            qCInfo(lcFiles) << "removing the working files of an instance that has ended:" << folder;
            ok = removeTree(folder) && ok;
        }
        lock.unlock();  // removes the lock file
    }
    return ok;
}

bool sweepSaved(const QString &saved, bool programStart, bool othersRun)
{
    bool ok = removeDeadWritersFiles(saved);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QFileInfoList files =
        QDir(saved).entryInfoList({QStringLiteral(".saving-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const bool old = file.lastModified().toUTC().secsTo(now) > kAbandonedSaveSecs;
        if ((programStart && !othersRun) || old) {
            qCInfo(lcFiles) << "removing an unfinished save:" << file.filePath();
            ok = removeFile(file.filePath()) && ok;
        }
    }
    return ok;
}

}  // namespace

bool sweepOrphans(const QString &root, bool programStart)
{
    if (root.isEmpty())
        return false;
    const QString temp = temporaryRoot(root);
    if (QFileInfo(temp.chopped(1)).isSymLink())
        return QFile::remove(temp.chopped(1));  // not a folder of ours to look into
    bool othersRun = false;
    bool ok = !QFileInfo::exists(temp) || sweepSlots(temp, &othersRun);
    ok = removeDeadWritersFiles(root + kCacheFolder) && ok;
    ok = sweepSaved(root + kSavedFolder, programStart, othersRun) && ok;
    return ok;
}

}  // namespace workingarea

std::shared_ptr<WorkingArea> WorkingArea::forProcess()
{
    static const std::shared_ptr<WorkingArea> area = claim(meeGoRootDir());
    return area;
}

std::shared_ptr<WorkingArea> WorkingArea::claim(const QString &root)
{
    std::shared_ptr<WorkingArea> area(new WorkingArea);
    const QString temp = workingarea::temporaryRoot(root);
    if (temp.isEmpty())
        return area;
    if (!QDir().mkpath(temp)) {
        area->m_problem = QStringLiteral("The folder %1 cannot be made.").arg(temp);
        return area;
    }
    for (int n = 1; n <= kSlotsMax; ++n) {
        const QString lockPath = temp + QString::number(n) + kLockSuffix;
        QMutexLocker held(&registryMutex);
        if (heldLocks().contains(lockPath))
            continue;
        auto lock = std::make_unique<QLockFile>(lockPath);
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            heldLocks().insert(lockPath);
            area->m_lock = std::move(lock);
            area->m_folder = temp + QString::number(n) + QLatin1Char('/');
            qCDebug(lcFiles) << "working area" << area->m_folder;
            return area;
        }
        if (lock->error() != QLockFile::LockFailedError) {
            area->m_problem = lock->error() == QLockFile::PermissionError
                                  ? QStringLiteral("The folder %1 cannot be written to.").arg(temp)
                                  : QStringLiteral("No working folder could be locked in %1.").arg(temp);
            return area;
        }
    }
    area->m_problem = QStringLiteral("Every working folder in %1 is in use.").arg(temp);
    return area;
}

WorkingArea::~WorkingArea()
{
    if (!m_lock)
        return;
    // An emptied folder goes with its lock; files left in it (a command-line
    // run's results) wait for the next sweep.
    QDir().rmdir(m_folder);
    {
        QMutexLocker held(&registryMutex);
        heldLocks().remove(m_lock->fileName());
    }
    // Someone removed the whole folder (a test's document root at exit):
    // there is no lock file left to remove, and unlocking would warn.
    if (!QFileInfo::exists(m_lock->fileName()))
        (void)m_lock.release();
}
