// The working area of one running instance of the editor (a window, a
// command-line run) under the document root's temporary folder:
//
//   root/.qvrkTemp/<n>/       the instance's working files
//   root/.qvrkTemp/<n>.lock   held (QLockFile) for as long as the instance runs
//
// An instance takes the lowest slot whose lock nobody holds; a slot left by an
// instance that has gone (its process ended) is taken over with its files, so
// a command-line run can work on what the run before it wrote. Nothing
// outside its own slot is ever removed while its owner runs: sweepOrphans()
// removes only what belongs to no live instance.
//
// The facades of one process share one area (WorkingArea::forProcess()): the
// interface's and those of the runner's workers. Tests make a second
// instance in the same process with claim().
#pragma once

#include <QString>

#include <memory>

class QLockFile;

class WorkingArea
{
public:
    // The process's area, claimed on first use under the document root and
    // kept until the process ends; its folder is "" when there is no root.
    static std::shared_ptr<WorkingArea> forProcess();
    // A new instance's area under `root` (ending with "/"): the lowest free
    // slot. The folder is "" when no slot could be locked.
    static std::shared_ptr<WorkingArea> claim(const QString &root);

    ~WorkingArea();
    WorkingArea(const WorkingArea &) = delete;
    WorkingArea &operator=(const WorkingArea &) = delete;

    // root/.qvrkTemp/<n>/ (not made here); "" when the area has no slot.
    QString folder() const { return m_folder; }
    // Why there is no slot, in words for the user ("" when there is one).
    QString problem() const { return m_problem; }

private:
    WorkingArea() = default;
    QString m_folder;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
};

namespace workingarea {

// The temporary folder that holds every instance's slot: root + ".qvrkTemp/".
QString temporaryRoot(const QString &root);

// Removes under `root` what belongs to no live instance: the slots whose lock
// nobody holds (and their lock files), anything else directly in the
// temporary folder (older versions kept their files there), and the
// working-file writer's temporary files ("<name>.tmp-<pid>-<n>") of processes
// that have ended, in the temporary, cache and saved folders. A save's
// temporary file (".saving-XXXXXX.<ext>" in the saved folder) carries no
// owner: at the program's start (`programStart`) it is removed when no other
// instance runs, and at any time once it is an hour old. False when
// something that should go could not be removed.
bool sweepOrphans(const QString &root, bool programStart = false);

// Removes the folder `dirName` with everything in it; a link is removed as a
// link, never followed. True when all of it went (a missing folder too).
bool removeTree(QString dirName);

// The process that writes the working-file temporary file `name`, or 0 when
// the name is not one ("a.png.tmp-1234-5" gives 1234).
qint64 writerOfTemporary(const QString &name);

}  // namespace workingarea
