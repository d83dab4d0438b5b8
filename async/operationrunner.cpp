#include "operationrunner.h"

#include "ImageDispose.h"
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "ZQDImageRect.h"
#include "bandworkers.h"
#include "decodeprogress.h"
#include "displaycopies.h"
#include "livesteps.h"
#include "operationcall.h"
#include "operationerror.h"
#include "operationtable.h"
#include "photoreader.h"
#include "picturememory.h"
#include "pictureprovider.h"
#include "smoothscale.h"
#include "workingfilename.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaMethod>
#include <QSet>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kPrevious = QStringLiteral("$previous");

struct Job {
    int ticket = 0;
    QString lane;
    QVariantList calls;
    bool live = false;  // a live preview, in memory
    std::atomic<bool> cancelled{false};
    QStringList written;  // every working file the job wrote
};

using Call = operations::Call;

// The collage cells the worker's facade holds (after a layout was read), as
// {x, y, w, h, degree} in collage pixels.
QVariantList collageCells(ZQDCommunication &facade)
{
    QVariantList cells;
    for (ZQDImageRect *r : facade.engine()->imageRects())
        cells.append(QVariantMap{{QStringLiteral("x"), r->getx()},
                                 {QStringLiteral("y"), r->gety()},
                                 {QStringLiteral("w"), r->getwidth()},
                                 {QStringLiteral("h"), r->getheight()},
                                 {QStringLiteral("degree"), r->getDegree()}});
    return cells;
}

}  // namespace

// One worker thread with its queue; the runner's mutex guards both workers.
struct Worker {
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> queue;
    std::shared_ptr<Job> running;
    QThread *thread = nullptr;
    bool quick = false;
    bool dropKept = false;  // let go of kept memory before the next job
};

struct OperationRunner::Private {
    OperationRunner *q = nullptr;
    std::mutex mutex;
    std::condition_variable idle;
    Worker workers[2];  // main, quick
    bool stopping = false;
    QSize displaySize{1080, 1080};
    // Shared with the picture provider, whose loading threads may still ask
    // for a picture while the runner goes (the window closing).
    std::shared_ptr<DisplayCopies> copies = std::make_shared<DisplayCopies>();
    int nextTicket = 1;
    int open = 0;  // tickets not yet delivered (GUI thread)
    // The copies the runner made and the files made from them on the quick
    // worker: the only files the quick worker and the live previews work on.
    mutable std::mutex madeMutex;
    QSet<QString> made;

    void work(Worker &worker);
    // Removes what a cancelled job wrote (no lock held: the files are the job's alone).
    void discard(const Job &job);
    QString execute(ZQDCommunication &facade, EditorTools &tools, Worker &worker, Job &job, QString *error,
                    QVariant *value);
    QString executeLive(ZQDCommunication &facade, Job &job, QString *error, QVariant *value);
    // The job's call at `entry` looked up and checked, "$previous" replaced by
    // `previous`; false with the reason when it cannot run on this worker.
    bool resolve(const QVariant &entry, const QString &previous, const Worker &worker, Call *call,
                 QString *error) const;
    // Runs a resolved call on the worker's objects.
    bool invoke(ZQDCommunication &facade, EditorTools &tools, const Call &call, QVariant *result);
    // The picture at `path` fitted into side x side, written as a copy beside
    // the working files (`suffix`: ".screen.png", ".thumbs.png").
    QString smallCopy(ZQDCommunication &facade, const QString &path, int side, const QString &suffix);
    void keepDisplayCopy(const QString &path, const QImage &picture);
    bool isMade(const QString &path) const;
    void remember(const QString &path);
    void post(int ticket, const QString &lane, const QString &path, const QString &error, bool cancelled,
              const QVariant &value = {});
    // Drops the lane's waiting jobs and, unless `keepRunning`, marks its
    // running ones (mutex held).
    void dropLane(const QString &lane, bool keepRunning = false);
    bool allIdle() const;
};

void OperationRunner::Private::post(int ticket, const QString &lane, const QString &path, const QString &error,
                                   bool cancelled, const QVariant &value)
{
    QMetaObject::invokeMethod(
        q,
        [q = q, ticket, lane, path, error, cancelled, value] {
            q->deliver(ticket, lane, path, error, cancelled, value);
        },
        Qt::QueuedConnection);
}

void OperationRunner::Private::dropLane(const QString &lane, bool keepRunning)
{
    for (Worker &w : workers) {
        for (auto it = w.queue.begin(); it != w.queue.end();) {
            if ((*it)->lane == lane) {
                post((*it)->ticket, lane, {}, {}, true);
                it = w.queue.erase(it);
            } else {
                ++it;
            }
        }
        if (w.running && w.running->lane == lane && !keepRunning)
            w.running->cancelled = true;
    }
}

bool OperationRunner::Private::allIdle() const
{
    for (const Worker &w : workers) {
        if (!w.queue.empty() || w.running || w.dropKept)
            return false;
    }
    return true;
}

bool OperationRunner::Private::isMade(const QString &path) const
{
    std::lock_guard lock(madeMutex);
    return made.contains(stripFileUrl(path));
}

void OperationRunner::Private::remember(const QString &path)
{
    std::lock_guard lock(madeMutex);
    made.insert(path);
}

void OperationRunner::Private::discard(const Job &job)
{
    for (const QString &file : job.written) {
        copies->remove(file);
        imageio::PictureMemory::shared().remove(file);
        QFile::remove(file);
        std::lock_guard lock(madeMutex);
        made.remove(file);
    }
}

void OperationRunner::Private::work(Worker &worker)
{
    // The window's thread comes first: on two cores a full-size job and its
    // band helpers (which inherit this) would otherwise take the time the
    // frames need. The previews' worker stays ahead of the photo's.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), worker.quick ? 2 : 5);
    ZQDCommunication facade;
    EditorTools tools(&facade);
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex);
            worker.wake.wait(lock, [&] { return stopping || !worker.queue.empty() || worker.dropKept; });
            if (stopping)
                return;
            if (worker.dropKept) {
                lock.unlock();
                facade.workingFolder()->returnMemory();
                lock.lock();
                worker.dropKept = false;
                if (allIdle())
                    idle.notify_all();
                continue;
            }
            job = worker.queue.front();
            worker.queue.pop_front();
            worker.running = job;
        }
        QString error;
        QVariant value;
        // The job's fan-outs stop between bands once it is replaced.
        const bandworkers::CancelScope scope(&job->cancelled);
        const imageio::DecodeProgress progress([this, job](int percent) {
            if (!job->cancelled)
                QMetaObject::invokeMethod(q, [q = q, ticket = job->ticket, lane = job->lane, percent] {
                    emit q->progress(ticket, lane, percent);
                }, Qt::QueuedConnection);
        });
        const QString path = job->cancelled ? QString()
                             : job->live    ? executeLive(facade, *job, &error, &value)
                                            : execute(facade, tools, worker, *job, &error, &value);
        // Cancelled from now on or not: decided under the mutex, the files
        // removed after it.
        bool cancelled = false;
        {
            std::lock_guard lock(mutex);
            worker.running.reset();
            cancelled = job->cancelled;
        }
        if (cancelled)
            discard(*job);
        std::lock_guard lock(mutex);
        if (cancelled)
            post(job->ticket, job->lane, {}, {}, true);
        else
            post(job->ticket, job->lane, path, error, false, value);
        if (allIdle())
            idle.notify_all();
    }
}

bool OperationRunner::Private::resolve(const QVariant &entry, const QString &previous, const Worker &worker,
                                       Call *call, QString *error) const
{
    if (!operations::resolve(entry.toList(), previous, call, error))
        return false;
    if (!worker.quick)
        return true;
    // The quick worker writes copies' chains only (never a file of the main
    // worker's), and no collage or saved picture.
    if (call->op->workers == operations::Workers::Main) {
        *error = QStringLiteral("\u201c%1\u201d cannot run in the quick lane.").arg(call->name);
        return false;
    }
    const int source = call->op->source;
    if (!operations::isRunnerCopy(*call->op) && source >= 0 && source < call->args.size()
        && !isMade(call->args.at(source).toString())) {
        *error = QStringLiteral("\u201c%1\u201d may only work on a screen copy in the quick lane.").arg(call->name);
        return false;
    }
    return true;
}

bool OperationRunner::Private::invoke(ZQDCommunication &facade, EditorTools &tools, const Call &call,
                                      QVariant *result)
{
    if (call.op->object != operations::Object::Runner)
        return operations::invoke(facade, tools, call, result);
    const QByteArray method(call.op->method);
    if (method == "collageCells") {
        *result = collageCells(facade);
        return true;
    }
    const QString suffix = method == "screenCopy" ? QStringLiteral(".screen.png") : QStringLiteral(".thumbs.png");
    *result = smallCopy(facade, call.args.at(0).toString(), call.args.at(1).toInt(), suffix);
    return true;
}

QString OperationRunner::Private::execute(ZQDCommunication &facade, EditorTools &tools, Worker &worker, Job &job,
                                          QString *error, QVariant *value)
{
    imageio::PictureMemory &memory = imageio::PictureMemory::shared();
    QString previous;
    QImage previousPicture;  // the picture of `previous`, when this job wrote it
    for (const QVariant &entry : std::as_const(job.calls)) {
        if (job.cancelled)
            return {};
        Call call;
        if (!resolve(entry, previous, worker, &call, error))
            return {};
        OperationError::clear();
        const quint64 before = memory.next();
        QVariant result;
        const bool called = invoke(facade, tools, call, &result);
        const QString reason = OperationError::take();
        if (!called) {
            *error = QStringLiteral("\u201c%1\u201d cannot be called with these arguments.").arg(call.name);
            return {};
        }
        if (result.typeId() == QMetaType::QStringList) {
            // A chain of working files (a replay of steps): the last is the
            // job's picture, the list its value; every one is the job's.
            const QStringList paths = result.toStringList();
            for (const QString &path : paths) {
                job.written.append(path);
                if (worker.quick)
                    remember(path);
            }
            if (paths.isEmpty()) {
                *error = reason;
                return {};
            }
            previous = paths.last();
            previousPicture = memory.find(previous);
            *value = result;
        } else if (result.typeId() == QMetaType::QString) {
            const QString path = result.toString();
            // The picture this call wrote comes back from memory; a path it
            // did not write (the crop hands back an existing output as it
            // is) is checked by its header.
            quint64 kept = 0;
            const QImage picture = path.isEmpty() ? QImage() : memory.find(path, &kept);
            const bool wrote = kept >= before;
            if (wrote)
                job.written.append(path);
            if (path.isEmpty() || (picture.isNull() && !QImageReader(path).canRead())) {
                *error = reason;
                return {};
            }
            previous = path;
            previousPicture = wrote ? picture : QImage();
            if (worker.quick && (wrote || operations::isRunnerCopy(*call.op)))
                remember(path);
        } else if (result.typeId() == QMetaType::Bool && !result.toBool()) {
            *error = reason;
            return {};
        } else if (result.typeId() == QMetaType::QVariantList) {
            *value = result;
        }
    }
    if (!previous.isEmpty() && !previousPicture.isNull() && !job.cancelled)
        keepDisplayCopy(previous, previousPicture);
    return previous;
}

QString OperationRunner::Private::executeLive(ZQDCommunication &facade, Job &job, QString *error, QVariant *value)
{
    QImage previous;
    for (const QVariant &entry : std::as_const(job.calls)) {
        if (job.cancelled)
            return {};
        const QVariantList call = entry.toList();
        const QString name = call.isEmpty() ? QString() : call.first().toString();
        const QVariantList args = call.mid(1);
        const operations::Operation *op = operations::find(name);
        if (!op || !(op->live || operations::isRunnerCopy(*op))) {
            *error = QStringLiteral("\u201c%1\u201d cannot be previewed live.").arg(name);
            return {};
        }
        if (!operations::check(*op, args, error))
            return {};
        if (operations::isRunnerCopy(*op)) {
            // A copy of any picture, kept in memory only: it reads its source
            // as the file form does and writes nothing.
            previous = imageio::asWorkingFileDecodes(
                PictureProvider::picture(copies.get(), stripFileUrl(args.at(0).toString()),
                                         QSize(args.at(1).toInt(), args.at(1).toInt()), nullptr));
            if (previous.isNull()) {
                *error = QStringLiteral("The picture to preview on cannot be read.");
                return {};
            }
            continue;
        }
        std::vector<QImage> pictures;
        for (const int at : op->pictureArguments()) {
            const QString source = args.value(at).toString();
            if (source == kPrevious) {
                pictures.push_back(previous);
            } else if (isMade(source)) {
                pictures.push_back(imageio::readPicture(stripFileUrl(source)));
            } else {
                *error = QStringLiteral("\u201c%1\u201d may only be previewed on a screen copy.").arg(name);
                return {};
            }
        }
        OperationError::clear();
        const livesteps::Outcome outcome = livesteps::run(facade, name, args, pictures);
        if (!outcome.ok) {
            *error = OperationError::take();
            return {};
        }
        if (!outcome.picture.isNull())
            previous = outcome.picture;
        *value = outcome.value;
    }
    if (previous.isNull() || job.cancelled)
        return {};
    copies->putLive(job.lane, previous);
    return PictureProvider::liveAddress(job.lane);
}

QString OperationRunner::Private::smallCopy(ZQDCommunication &facade, const QString &path, int side,
                                           const QString &suffix)
{
    const QString from = stripFileUrl(path);
    // Beside the working file of `from`, under the same naming rule.
    const QFileInfo working(facade.files()->setTemporaryPic(from));
    if (working.fileName().isEmpty())
        return {};
    const QString out = working.path() + QLatin1Char('/') + workingFileName(QFileInfo(from).completeBaseName(), suffix);
    const QImage small = PictureProvider::picture(copies.get(), from, QSize(side, side), nullptr);
    QFile::remove(out);
    return !small.isNull() && imageio::saveWorkingPicture(small, out) ? out : QString();
}

void OperationRunner::Private::keepDisplayCopy(const QString &path, const QImage &picture)
{
    QSize box;
    {
        std::lock_guard lock(mutex);
        box = displaySize;
    }
    const QSize wanted = DisplayCopies::fitted(picture.size(), box);
    // Scaled on the band workers: the toolkit's own scaling would queue
    // ahead of the window's frames. (Null when the job was cancelled.)
    const QImage shown = wanted == picture.size() ? picture : smoothscale::scaled(picture, wanted);
    if (!shown.isNull())
        copies->put(path, shown, picture.size());
}

OperationRunner::OperationRunner(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->q = this;
    for (int i = 0; i < 2; ++i) {
        Worker &w = d->workers[i];
        w.quick = i == 1;
        w.thread = QThread::create([p = d.get(), &w] { p->work(w); });
        w.thread->setObjectName(w.quick ? QStringLiteral("quick operations") : QStringLiteral("operations"));
        w.thread->start();
    }
}

OperationRunner::~OperationRunner()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
        for (Worker &w : d->workers) {
            w.queue.clear();
            if (w.running)
                w.running->cancelled = true;
        }
    }
    for (Worker &w : d->workers) {
        w.wake.notify_all();
        w.thread->wait();
        delete w.thread;
    }
}

std::shared_ptr<DisplayCopies> OperationRunner::displayCopies() const
{
    return d->copies;
}

bool OperationRunner::busy() const
{
    return d->open > 0;
}

QSize OperationRunner::displaySize() const
{
    std::lock_guard lock(d->mutex);
    return d->displaySize;
}

void OperationRunner::setDisplaySize(QSize size)
{
    if (size.isEmpty())
        return;
    {
        std::lock_guard lock(d->mutex);
        if (d->displaySize == size)
            return;
        d->displaySize = size;
    }
    emit displaySizeChanged();
}

bool OperationRunner::allowed(const QString &operation)
{
    return operations::find(operation) != nullptr;
}

QString OperationRunner::workingFileFor(const QString &source) const
{
    const QString from = stripFileUrl(source);
    return from.isEmpty() ? QString() : ImageDispose().setTemporaryPic(from);
}

int OperationRunner::screenSide() const
{
    return ZQDImageEngine::kScreenSide;
}

bool OperationRunner::isCopy(const QString &path) const
{
    return d->isMade(path);
}

int OperationRunner::run(const QString &lane, const QVariantList &calls)
{
    return queue(0, lane, calls);
}

int OperationRunner::runQuick(const QString &lane, const QVariantList &calls)
{
    return queue(1, lane, calls);
}

int OperationRunner::preview(const QString &lane, const QVariantList &calls)
{
    return queue(1, lane, calls, true);
}

int OperationRunner::queue(int worker, const QString &lane, const QVariantList &calls, bool live)
{
    auto job = std::make_shared<Job>();
    job->lane = lane;
    job->calls = calls;
    job->live = live;
    {
        std::lock_guard lock(d->mutex);
        job->ticket = d->nextTicket++;
        // A live preview lets the running one finish: under a finger that
        // keeps moving, each step would otherwise be dropped before it shows.
        d->dropLane(lane, live);
        d->workers[worker].queue.push_back(job);
    }
    d->workers[worker].wake.notify_all();
    if (d->open++ == 0)
        emit busyChanged();
    return job->ticket;
}

void OperationRunner::cancel(const QString &lane)
{
    std::lock_guard lock(d->mutex);
    d->dropLane(lane);
}

void OperationRunner::deliver(int ticket, const QString &lane, const QString &path, const QString &error,
                             bool cancelled, const QVariant &value)
{
    emit finished(ticket, lane, path, error, cancelled, value);
    if (--d->open == 0)
        emit busyChanged();
}

bool OperationRunner::hasDisplayCopy(const QString &path, QSize size) const
{
    const QString file = stripFileUrl(path);
    return !file.isEmpty() && !d->copies->find(file, size).isNull();
}

bool OperationRunner::readable(const QString &path) const
{
    const QString file = stripFileUrl(path);
    if (file.isEmpty())
        return false;
    // What an operation has just written is in memory: no header to read.
    if (!imageio::PictureMemory::shared().find(file).isNull())
        return true;
    return imageio::openProblem(file).isEmpty();
}

QString OperationRunner::openProblem(const QString &path) const
{
    return imageio::openProblem(stripFileUrl(path));
}

bool OperationRunner::reportsProgress(const QString &path) const
{
    return imageio::reportsProgress(stripFileUrl(path));
}

QSize OperationRunner::pictureSize(const QString &path) const
{
    const QString file = stripFileUrl(path);
    if (file.isEmpty())
        return {-1, -1};
    // Upright, as the picture is shown and as the operations measure it.
    const QSize size = imageio::uprightSize(file);
    return size.isValid() ? size : QSize(-1, -1);
}

void OperationRunner::dropKeptPictures()
{
    d->copies->clear();
    imageio::PictureMemory::shared().clear();
    {
        std::lock_guard lock(d->mutex);
        for (Worker &w : d->workers)
            w.dropKept = true;
    }
    for (Worker &w : d->workers)
        w.wake.notify_all();
}

void OperationRunner::waitIdle()
{
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [&] { return d->allIdle(); });
}
