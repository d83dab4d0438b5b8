// OperationRunner: the facade's picture operations on a worker thread, for the
// interface (published to QML as "runner").
//
// run(lane, calls) queues a job: one or more calls of facade operations by
// name, [["loadImage", path, 1019]], run one after the other; the literal
// argument "$previous" stands for the result of the call before. The job ends
// with exactly one finished(ticket, lane, path, error, cancelled, value)
// signal on the GUI thread: the last call's working file, or the reason it
// failed, or cancelled when it was replaced or cancelled; `value` is what the
// last call gave when it is not a picture (a live step's histogram).
//
// Lanes: a new job replaces the job of its lane that is still waiting, and the
// result of the one running is dropped (a second tap while busy replaces the
// first). cancel(lane) does the same without a new job. The working files a
// job wrote are removed when it is cancelled before it ends; a result that
// ended just before is still delivered, and the interface drops it (its file
// stays as any working file, until the folder is emptied).
//
// Threads: two workers, each running its jobs one at a time, in order. run()
// queues on the main worker; runQuick() on the quick one, for previews on the
// screen-size copy, which must not wait behind a full-resolution job. A quick
// job may only work on a copy's name chain (a copy the runner made, or a file
// the quick worker made from one: the runner remembers them, whatever their
// names), the main worker writes the photo's own chain, so no two jobs write
// the same working file at once. Each worker has a facade and an
// engine of its own, made and used on its thread alone: the GUI thread's
// facade (its collage lists, its frame, bubble and layout readers) is never
// touched from a worker, and a focus-blur sequence belongs to the worker whose
// jobs started it (weakinit, the steps and weakrelease all go through the same
// one). Only operations that read and write picture files may be run; the
// collage lists and QML items stay with the GUI thread's facade; a collage job
// builds the lists on its worker's facade itself (the layout, then
// clearPaintImageList and addPaintImage for every photo) before it renders,
// and "collageCells" gives the cells the layout made as its value. The workers'
// pixmaps are raster pixmaps, which the platforms the program runs on (xcb,
// wayland, offscreen) allow on any thread.
//
// Live previews: preview(lane, calls) runs the calls on the quick worker in
// memory (livesteps.h): the screen copy is decoded once and kept, "$previous"
// is the picture the call before made, nothing is written, and the job's
// "path" is the address of its picture, "image://working/live:<lane>", whose
// picture the picture provider serves until the lane's next preview replaces
// it. A new preview replaces the lane's waiting one; the one running still
// ends and is delivered, so a picture follows a finger that never stops. Its
// first call may be a copy ("screenCopy", "thumbnailCopy") of any picture,
// then made in memory as well: a change of steps is previewed so
// (["thumbnailCopy", photo, side], ["tools.replaySteps", "$previous", steps]).
//
// Calls are looked up in the table of operations (operationtable.h), which
// says which object runs them, which argument is the picture they work on,
// and whether they may run on the quick worker or live.
//
// Each picture a job makes is kept in memory (imageio::PictureMemory), so the
// next operation on its file does not decode it, and as a screen-size copy
// (at most displaySize) for the picture provider, so the interface shows it
// without decoding the file. readable() and pictureSize() read a file's
// header only. The interface asks the runner for the names of working files
// and the screen copies' side rather than knowing the naming rule.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

class DisplayCopies;

class OperationRunner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QSize displaySize READ displaySize WRITE setDisplaySize NOTIFY displaySizeChanged)
    // The long side of the screen copies on which the focus blur and the
    // frames are previewed: the engine draws their fixed blur strength and
    // frame pieces for a picture of this size and grows them for a larger
    // one, so a preview at this size is what Apply gives on the photo.
    Q_PROPERTY(int screenSide READ screenSide CONSTANT)
public:
    explicit OperationRunner(QObject *parent = nullptr);
    ~OperationRunner() override;

    std::shared_ptr<DisplayCopies> displayCopies() const;

    bool busy() const;
    QSize displaySize() const;
    void setDisplaySize(QSize size);

    // The operations a job may call: the facade's picture operations, the
    // "tools" object's as "tools.<name>" (tools.toneImage, ...), and
    // "screenCopy"(path, side), which writes the picture at `path` fitted
    // into side x side as "<name>.screen.png" beside the working files (its
    // own name chain: operations on it never write the photo's working
    // files), and "thumbnailCopy"(path, side), the same as "<name>.thumbs.png"
    // (the strips' thumbnails are made from it, on the GUI thread), and
    // "collageCells"(), the cells of the collage layout read last.
    static bool allowed(const QString &operation);

    int screenSide() const;

public slots:
    // Queues a job on the main worker; returns its ticket (> 0).
    int run(const QString &lane, const QVariantList &calls);
    // Queues a job on the quick worker (screen-copy chains only).
    int runQuick(const QString &lane, const QVariantList &calls);
    // Queues a live preview on the quick worker (screen copies only).
    int preview(const QString &lane, const QVariantList &calls);
    // Drops the lane's waiting job and the result of its running one.
    void cancel(const QString &lane);
    // Whether the file at `path` (a path or file:// URL) is a photo the editor
    // can open, from its header (imageio::openProblem; no pixels decoded).
    bool readable(const QString &path) const;
    // Why the file at `path` cannot be opened as a photo, in words for the
    // user (imageio::openProblem); "" when it can.
    QString openProblem(const QString &path) const;
    // Whether opening the photo at `path` takes long enough to show its
    // progress: its decoder reports it (a camera raw; from the header).
    bool reportsProgress(const QString &path) const;
    // The size of the picture at `path` as shown (upright by its EXIF
    // orientation), from its header; (-1, -1) when unreadable.
    QSize pictureSize(const QString &path) const;
    // Whether a screen copy of the picture at `path` at least `size` (fitted)
    // is kept, so that it shows without its file being decoded.
    bool hasDisplayCopy(const QString &path, QSize size) const;
    // The working file an operation on `source` writes (a path or file://
    // URL); "" when there is no folder for working files.
    QString workingFileFor(const QString &source) const;
    // Whether `path` is a copy this runner made (screenCopy, thumbnailCopy)
    // or a file its quick worker made from one.
    bool isCopy(const QString &path) const;
    // Blocks until every queued job has run (for scripts and tests).
    void waitIdle();
    // A photo was closed: the screen copies, the live previews' pictures and
    // the workers' decoded pictures go, and the memory they held returns to
    // the system.
    void dropKeptPictures();

signals:
    void finished(int ticket, const QString &lane, const QString &path, const QString &error, bool cancelled,
                  const QVariant &value);
    // How far the decode of a running job has come (a camera raw's
    // development), in whole percents, increasing; not every job says.
    void progress(int ticket, const QString &lane, int percent);
    void busyChanged();
    void displaySizeChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
    int queue(int worker, const QString &lane, const QVariantList &calls, bool live = false);
    void deliver(int ticket, const QString &lane, const QString &path, const QString &error, bool cancelled,
                 const QVariant &value);
};
