#include "applysteps.h"

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "workingfolder.h"
#include "bandworkers.h"
#include "operationerror.h"
#include "stepsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace clisteps {

namespace {

// Why the options cannot be used, or "".
QString refusedOptions(const Batch &batch)
{
    if (!batch.format.isEmpty() && batch.format != QLatin1String("jpeg") && batch.format != QLatin1String("png")
        && batch.format != QLatin1String("webp"))
        return QStringLiteral("--format is jpeg, png or webp, not \"%1\"").arg(batch.format);
    if (batch.quality < 1 || batch.quality > 100)
        return QStringLiteral("--quality is 1 to 100, not %1").arg(batch.quality);
    if (batch.longSide < 0)
        return QStringLiteral("--long-side is 0 (the photo's own size) or a number of pixels, not %1")
            .arg(batch.longSide);
    if (batch.jobs < 0)
        return QStringLiteral("--jobs is a number of jobs, not %1").arg(batch.jobs);
    return {};
}

// The steps file's text, or "" with the reason; never more than a steps
// file can be.
QByteArray readStepsFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    const QByteArray text = file.read(steps::kMaxFileBytes + 1);
    if (text.size() > steps::kMaxFileBytes) {
        *error = QStringLiteral("%1: larger than %2 KB, more than any steps file is")
                     .arg(path)
                     .arg(steps::kMaxFileBytes / 1024);
        return {};
    }
    const steps::Read read = steps::readFile(text);
    if (!read.error.isEmpty()) {
        *error = QStringLiteral("%1: %2").arg(path, read.error);
        return {};
    }
    return text;
}

// Photos whose working files could have the same names (the same name in
// two folders, or "a.jpg" beside "a_norvik.jpg", whose first working file is
// the other's second) go to the same job, one after the other.
QList<QStringList> groupedByName(const QStringList &photos)
{
    static const QRegularExpression workingSuffix(QStringLiteral("(_norvik)+$"));
    QList<QStringList> groups;
    QHash<QString, qsizetype> byName;
    for (const QString &photo : photos) {
        const QString name = QFileInfo(photo).completeBaseName().remove(workingSuffix);
        const auto found = byName.constFind(name);
        if (found == byName.constEnd()) {
            byName.insert(name, groups.size());
            groups.append(QStringList{photo});
        } else {
            groups[*found].append(photo);
        }
    }
    return groups;
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

}  // namespace

int apply(const Batch &batch, QTextStream &out, QTextStream &err)
{
    if (const QString refusal = refusedOptions(batch); !refusal.isEmpty()) {
        err << "zeltanorvik-cli: " << refusal << '\n';
        return 2;
    }
    QString error;
    const QByteArray text = readStepsFile(batch.stepsFile, &error);
    if (text.isEmpty()) {
        err << "zeltanorvik-cli: " << oneLine(error) << '\n';
        return 2;
    }
    if (!batch.outFolder.isEmpty() && !QDir().mkpath(batch.outFolder)) {
        err << "zeltanorvik-cli: the folder " << batch.outFolder << " cannot be made\n";
        return 2;
    }
    const QString json = QString::fromUtf8(text);
    const QString outFolder = batch.outFolder.isEmpty() ? QString() : QFileInfo(batch.outFolder).absoluteFilePath();

    const QList<QStringList> groups = groupedByName(batch.photos);
    const int cores = std::max(1, QThread::idealThreadCount());
    const int jobs = int(std::min<qsizetype>(batch.jobs > 0 ? batch.jobs : cores, groups.size()));
    // The jobs share the cores: each one's banded work takes its part.
    bandworkers::setThreadLimit(std::max(1, cores / std::max(1, jobs)));

    std::mutex mutex;  // the streams, the count
    std::atomic<qsizetype> nextGroup{0};
    int done = 0;
    int failed = 0;
    const int total = int(batch.photos.size());
    auto report = [&](const QString &photo, const QString &saved, const QString &reason) {
        std::lock_guard lock(mutex);
        ++done;
        if (batch.progress)
            err << "\r\033[K";
        if (saved.isEmpty()) {
            ++failed;
            err << "zeltanorvik-cli: " << oneLine(photo) << ": "
                << (reason.isEmpty() ? QStringLiteral("it cannot be saved") : oneLine(reason)) << '\n';
        } else {
            out << oneLine(saved) << '\n';
            out.flush();
        }
        if (batch.progress)
            err << QStringLiteral("[%1/%2] %3").arg(done).arg(total).arg(QFileInfo(photo).fileName());
        err.flush();
    };
    auto work = [&] {
        // Each job has a facade and a "tools" object of its own, made on its
        // thread, as the runner's workers have.
        ZQDCommunication facade;
        EditorTools tools(&facade);
        tools.setSaveFolder(outFolder);
        for (qsizetype g = nextGroup++; g < groups.size(); g = nextGroup++) {
            for (const QString &given : groups.at(g)) {
                const QString photo = QFileInfo(given).absoluteFilePath();
                OperationError::clear();
                const QString saved = tools.applySteps(photo, json, batch.format, batch.quality, batch.longSide, true);
                report(photo, saved, OperationError::take());
                // The photo's pictures are let go: their memory returns to the
                // system, so a long batch holds no more than its first photo did.
                facade.workingFolder()->returnMemory();
            }
        }
    };
    std::vector<std::unique_ptr<QThread>> threads;
    for (int j = 1; j < jobs; ++j) {
        threads.emplace_back(QThread::create(work));
        threads.back()->start();
    }
    work();  // the first job on this thread
    for (auto &t : threads)
        t->wait();
    if (batch.progress) {
        err << '\n';
        err.flush();
    }
    return failed > 0 ? 1 : 0;
}

int printSteps(const QString &picture, QTextStream &out, QTextStream &err)
{
    ZQDCommunication facade;
    EditorTools tools(&facade);
    OperationError::clear();
    const QString text = tools.stepsOf(picture);
    if (text.isEmpty()) {
        err << "zeltanorvik-cli: " << oneLine(OperationError::take()) << '\n';
        return 1;
    }
    out << text;
    return 0;
}

}  // namespace clisteps
