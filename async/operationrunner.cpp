#include "operationrunner.h"

#include "ImageDispose.h"
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "ZQDImageRect.h"
#include "bandworkers.h"
#include "displaycopies.h"
#include "livesteps.h"
#include "operationerror.h"
#include "photoreader.h"
#include "pictureprovider.h"
#include "workingpicturetap.h"
#include "workingpngwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMetaMethod>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace {

const QString kPrevious = QStringLiteral("$previous");
const QString kScreenCopy = QStringLiteral("screenCopy");
const QString kThumbnailCopy = QStringLiteral("thumbnailCopy");
const QString kCollageCells = QStringLiteral("collageCells");
// Calls named "tools.<operation>" go to the worker's "tools" object.
const QString kToolsPrefix = QStringLiteral("tools.");

// Whether a call works on a copy's own name chain (what the quick worker may write).
bool onCopyChain(const QString &path)
{
    const QString name = QFileInfo(stripFileUrl(path)).fileName();
    return name.contains(QLatin1String(".screen")) || name.contains(QLatin1String(".thumbs"));
}

struct Job {
    int ticket = 0;
    QString lane;
    QVariantList calls;
    bool live = false;  // a live preview, in memory
    std::atomic<bool> cancelled{false};
    QStringList written;  // every working file the job wrote
};

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

// Calls the facade's operation `name` with `args` converted to its parameter
// types; false when it has no such operation taking that many arguments or an
// argument does not convert.
bool invokeByName(QObject *facade, const QString &name, const QVariantList &args, QVariant *result)
{
    const QMetaObject *meta = facade->metaObject();
    const QByteArray wanted = name.toLatin1();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != wanted || method.parameterCount() != args.size()
            || method.access() != QMetaMethod::Public)
            continue;
        std::vector<QVariant> values;
        values.reserve(std::size_t(args.size()));
        for (int a = 0; a < args.size(); ++a) {
            QVariant v = args.at(a);
            if (!v.convert(method.parameterMetaType(a)))
                return false;
            values.push_back(std::move(v));
        }
        const QMetaType returns = method.returnMetaType();
        QVariant ret = returns.id() == QMetaType::Void ? QVariant() : QVariant(returns);
        // Through the meta-call itself: QMetaMethod::invoke takes ten arguments
        // at most, and the text operation has seventeen.
        std::vector<void *> argv(values.size() + 1, nullptr);
        argv[0] = ret.isValid() ? ret.data() : nullptr;
        for (std::size_t a = 0; a < values.size(); ++a)
            argv[a + 1] = values[a].data();
        QMetaObject::metacall(facade, QMetaObject::InvokeMetaMethod, i, argv.data());
        *result = ret;
        return true;
    }
    return false;
}

}  // namespace

// One worker thread with its queue; the runner's mutex guards both workers.
struct Worker {
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> queue;
    std::shared_ptr<Job> running;
    QThread *thread = nullptr;
    bool quick = false;
    livesteps::DecodedPictures decoded;  // the live previews' sources (its thread alone)
    bool dropKept = false;               // drop `decoded` before the next job
};

struct OperationRunner::Private {
    OperationRunner *q = nullptr;
    std::mutex mutex;
    std::condition_variable idle;
    Worker workers[2];  // main, quick
    bool stopping = false;
    QSize displaySize{1080, 1080};
    DisplayCopies copies;
    int nextTicket = 1;
    int open = 0;  // tickets not yet delivered (GUI thread)

    void work(Worker &worker);
    QString execute(ZQDCommunication &facade, EditorTools &tools, Worker &worker, Job &job, QString *error,
                    QVariant *value);
    QString executeLive(ZQDCommunication &facade, Worker &worker, Job &job, QString *error, QVariant *value);
    // The picture at `path` fitted into side x side, written as
    // "<name><suffix>" beside the working files.
    QString smallCopy(ZQDCommunication &facade, const QString &path, int side, const QString &suffix);
    void keepDisplayCopy(const QString &path, const QImage &picture);
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

void OperationRunner::Private::work(Worker &worker)
{
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
                worker.decoded = livesteps::DecodedPictures();
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
        const QString path = job->cancelled ? QString()
                             : job->live    ? executeLive(facade, worker, *job, &error, &value)
                                            : execute(facade, tools, worker, *job, &error, &value);
        std::unique_lock lock(mutex);
        worker.running.reset();
        if (job->cancelled) {
            for (const QString &file : job->written) {
                copies.remove(file);
                QFile::remove(file);
            }
            post(job->ticket, job->lane, {}, {}, true);
        } else {
            post(job->ticket, job->lane, path, error, false, value);
        }
        if (allIdle())
            idle.notify_all();
    }
}

QString OperationRunner::Private::execute(ZQDCommunication &facade, EditorTools &tools, Worker &worker, Job &job,
                                          QString *error, QVariant *value)
{
    const bool quick = worker.quick;
    QString previous;
    QImage previousPicture;  // the picture written as `previous`, when one was
    for (const QVariant &entry : std::as_const(job.calls)) {
        if (job.cancelled)
            return {};
        QVariantList call = entry.toList();
        const QString name = call.isEmpty() ? QString() : call.takeFirst().toString();
        if (!allowed(name)) {
            *error = QStringLiteral("\u201c%1\u201d cannot run in the background.").arg(name);
            return {};
        }
        for (QVariant &arg : call) {
            if (arg.typeId() == QMetaType::QString && arg.toString() == kPrevious)
                arg = previous;
        }
        // The picture a call works on: the text operation's second argument
        // (after the bubble file), every other operation's first.
        const int source = name == QLatin1String("writingFontImage") ? 1 : 0;
        const bool copying = name == kScreenCopy || name == kThumbnailCopy;
        if (quick && !copying && call.size() > source && !onCopyChain(call.at(source).toString())) {
            *error = QStringLiteral("\u201c%1\u201d may only work on a screen copy in the quick lane.").arg(name);
            return {};
        }
        OperationError::clear();
        WorkingPictureTap::arm();
        QVariant result;
        bool called = true;
        if (copying)
            result = call.size() == 2 ? smallCopy(facade, call.at(0).toString(), call.at(1).toInt(),
                                                  name == kScreenCopy ? QStringLiteral(".screen.png")
                                                                      : QStringLiteral(".thumbs.png"))
                                      : QString();
        else if (name == kCollageCells)
            result = collageCells(facade);
        else if (name.startsWith(kToolsPrefix))
            called = invokeByName(&tools, name.mid(kToolsPrefix.size()), call, &result);
        else
            called = invokeByName(&facade, name, call, &result);
        const QImage picture = WorkingPictureTap::take();
        const QString reason = OperationError::take();
        if (!called) {
            *error = QStringLiteral("\u201c%1\u201d cannot be called with these arguments.").arg(name);
            return {};
        }
        if (result.typeId() == QMetaType::QString) {
            const QString path = result.toString();
            // Only files this call wrote: the crop hands back an existing output as it is.
            if (!path.isEmpty() && !picture.isNull())
                job.written.append(path);
            if (path.isEmpty() || !QImageReader(path).canRead()) {
                *error = reason;
                return {};
            }
            previous = path;
            previousPicture = picture;
            // What the quick worker writes (the screen copy, a treatment of
            // it) is what its live previews start from: kept decoded.
            if (quick && !picture.isNull())
                worker.decoded.put(path, picture);
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

QString OperationRunner::Private::executeLive(ZQDCommunication &facade, Worker &worker, Job &job, QString *error,
                                             QVariant *value)
{
    QImage previous;
    for (const QVariant &entry : std::as_const(job.calls)) {
        if (job.cancelled)
            return {};
        const QVariantList call = entry.toList();
        const QString name = call.isEmpty() ? QString() : call.first().toString();
        const QVariantList args = call.mid(1);
        if (!livesteps::known(name)) {
            *error = QStringLiteral("\u201c%1\u201d cannot be previewed live.").arg(name);
            return {};
        }
        std::vector<QImage> pictures;
        for (const int at : livesteps::pictureArguments(name)) {
            const QString source = args.value(at).toString();
            if (source == kPrevious) {
                pictures.push_back(previous);
            } else if (onCopyChain(source)) {
                pictures.push_back(worker.decoded.find(stripFileUrl(source)));
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
    copies.putLive(job.lane, previous);
    return PictureProvider::liveAddress(job.lane);
}

QString OperationRunner::Private::smallCopy(ZQDCommunication &facade, const QString &path, int side,
                                           const QString &suffix)
{
    const QString from = stripFileUrl(path);
    QString out = facade.files()->setTemporaryPic(from);
    out.chop(qsizetype(qstrlen("_norvik.png")));
    out += suffix;
    const QImage small = PictureProvider::picture(&copies, from, QSize(side, side), nullptr);
    QFile::remove(out);
    return !small.isNull() && saveWorkingPng(small, out) ? out : QString();
}

void OperationRunner::Private::keepDisplayCopy(const QString &path, const QImage &picture)
{
    QSize box;
    {
        std::lock_guard lock(mutex);
        box = displaySize;
    }
    const QSize wanted = DisplayCopies::fitted(picture.size(), box);
    copies.put(path, wanted == picture.size() ? picture : picture.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation),
               picture.size());
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

DisplayCopies *OperationRunner::displayCopies() const
{
    return &d->copies;
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
    static const QStringList operations = {
        QStringLiteral("qualityImage"),     QStringLiteral("loadImage"),        QStringLiteral("framesimpleImage"),
        QStringLiteral("framecolorfulImage"), QStringLiteral("mixingcolorImage"), QStringLiteral("SharpImage"),
        QStringLiteral("writingFontImage"), QStringLiteral("weakinit"),         QStringLiteral("weakprogress"),
        QStringLiteral("weakrelease"),      QStringLiteral("weakRectprogress"), QStringLiteral("revolvingImage"),
        QStringLiteral("cropPic"),          kScreenCopy,                        kThumbnailCopy,
        // Collages: each job reads its layout and places its photos on the
        // worker's own facade, from an empty list, before it renders.
        QStringLiteral("getTemplateRule"),  QStringLiteral("getMixRule"),       QStringLiteral("getStitchingRule"),
        QStringLiteral("revolvFreeBgImage"), QStringLiteral("clearPaintImageList"), QStringLiteral("addPaintImage"),
        QStringLiteral("savePuzzleFree"),   QStringLiteral("savePuzzleTemplate"), QStringLiteral("savePuzzleStitching"),
        kCollageCells,                      QStringLiteral("tools.exportImage"), QStringLiteral("tools.collageImage"),
        QStringLiteral("tools.exportCollage"),
        QStringLiteral("tools.exportImageAs"),
        // The "tools" object's picture operations.
        QStringLiteral("tools.blendImage"), QStringLiteral("tools.autoEnhanceImage"),
        QStringLiteral("tools.straightenImage"), QStringLiteral("tools.toneImage"),
        // Retouching and local edits (editing/heal.cpp ... colourmixer.cpp).
        QStringLiteral("tools.healImage"), QStringLiteral("tools.selectiveImage"),
        QStringLiteral("tools.perspectiveImage"), QStringLiteral("tools.curvesImage"),
        QStringLiteral("tools.hslImage")};
    return operations.contains(operation);
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
    return !file.isEmpty() && !d->copies.find(file, size).isNull();
}

bool OperationRunner::readable(const QString &path) const
{
    const QString file = stripFileUrl(path);
    return !file.isEmpty() && imageio::openProblem(file).isEmpty();
}

QString OperationRunner::openProblem(const QString &path) const
{
    return imageio::openProblem(stripFileUrl(path));
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
    d->copies.clear();
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
