// What a long edit leaves behind: 20 edits of one photo through the runner,
// each added to the editor's undo history (EditorHistory.qml itself), then the
// photo closed and a small one opened. Each row reports the bytes in the
// instance's working folder after the 20 edits, the peak resident memory
// while they ran, and what stays resident once a small photo replaced it.
//
// "kept/..." rows run the history as it was before the budget (every working
// file kept, nothing given back on close); "budget/..." rows as it is. Both
// at 8 and 48 megapixels; ZN_WORKING_SIZES=8 runs the 8-megapixel rows alone.
//
//   ./build/bench/program/bench_workingarea
#include "benchmain.h"
#include "benchmemory.h"

#include "ZQDCommunication.h"
#include "operationrunner.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>

#include <cstdio>
#include <memory>

namespace {

constexpr int kEdits = 20;

struct Setting {
    ZQDCommunication *communication = nullptr;
    OperationRunner *runner = nullptr;
    QQmlEngine *engine = nullptr;
    QString root;
};
Setting gSetting;

qint64 folderBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

// Runs one call on the runner's main worker and waits for its working file.
QString runStep(const QVariantList &call)
{
    QString result;
    bool done = false;
    auto connection = QObject::connect(gSetting.runner, &OperationRunner::finished,
                                       [&](int, const QString &, const QString &path, const QString &error,
                                           bool, const QVariant &) {
                                           result = path;
                                           done = true;
                                           if (path.isEmpty())
                                               std::fprintf(stderr, "edit failed: %s\n", qPrintable(error));
                                       });
    gSetting.runner->run(QStringLiteral("bench"), QVariantList{QVariant(call)});
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
    return result;
}

void edits(benchmark::State &state, int megapixels, bool budget)
{
    const int width = megapixels == 48 ? 8000 : 3264;
    const int height = megapixels == 48 ? 6000 : 2448;
    const QString photo = gSetting.root + QStringLiteral("photo%1.jpg").arg(megapixels);
    if (!QFileInfo::exists(photo))
        benchPhoto(7, width, height).save(photo, "JPEG", 92);
    const QString small = gSetting.root + QStringLiteral("small.jpg");
    if (!QFileInfo::exists(small))
        benchPhoto(9, 1024, 768).save(small, "JPEG", 92);
    const QString folder = gSetting.communication->workingFolder()->path();

    // The document in the source tree (this file's name may be relative to the build folder).
    const QString source = QDir(QCoreApplication::applicationDirPath() + "/../..").absoluteFilePath(QStringLiteral(__FILE__));
    QQmlComponent component(gSetting.engine, QUrl::fromLocalFile(QFileInfo(source).absolutePath()
                                                                 + "/../../qml/zeltanorvik/EditorHistory.qml"));
    std::unique_ptr<QObject> history(component.create());
    if (!history) {
        state.SkipWithError(qPrintable(component.errorString()));
        return;
    }
    if (!budget) {
        history->setProperty("undoSteps", 1000000);
        history->setProperty("workingFolder", QVariant::fromValue<QObject *>(nullptr));
        history->setProperty("pictureKeeper", QVariant::fromValue<QObject *>(nullptr));
    }
    auto call = [&](const char *name, const QVariant &arg = {}) {
        if (arg.isValid())
            QMetaObject::invokeMethod(history.get(), name, Q_ARG(QVariant, arg));
        else
            QMetaObject::invokeMethod(history.get(), name);
    };

    for (auto _ : state) {
        gSetting.communication->clearTemporaryPic();
        gSetting.runner->dropKeptPictures();
        gSetting.runner->waitIdle();
        gSetting.communication->workingFolder()->returnMemory();
        resetPeakMemory();
        call("open", photo);
        for (int i = 0; i < kEdits; ++i) {
            const QString current = history->property("current").toString();
            const QString next = runStep({QStringLiteral("mixingcolorImage"), current, width, height, 2, 0, 0});
            if (next.isEmpty()) {
                state.SkipWithError("an edit failed");
                return;
            }
            call("apply", next);
        }
        const qint64 working = folderBytes(folder);
        const qint64 peak = memoryKiB("VmHWM:");
        // Another, small photo in place of this one.
        call("open", small);
        const QString smallEdit =
            runStep({QStringLiteral("mixingcolorImage"), history->property("current").toString(), 1024, 768, 2, 0, 0});
        call("apply", smallEdit);
        gSetting.runner->waitIdle();
        const qint64 resident = memoryKiB("VmRSS:");
        state.counters["working_MB"] = double(working) / 1e6;
        state.counters["peak_MB"] = double(peak) / 1024.0;
        state.counters["after_small_MB"] = double(resident) / 1024.0;
        call("clear");
    }
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    ZQDCommunication communication;
    OperationRunner runner;
    QQmlEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("communication"), &communication);
    engine.rootContext()->setContextProperty(QStringLiteral("runner"), &runner);
    gSetting = {&communication, &runner, &engine, bench.root};

    QList<int> sizes{8, 48};
    if (qEnvironmentVariable("ZN_WORKING_SIZES") == QLatin1String("8"))
        sizes = {8};
    for (const int mp : sizes) {
        for (const bool budget : {false, true}) {
            const std::string name = std::string(budget ? "budget/" : "kept/") + std::to_string(mp) + "MP";
            benchmark::RegisterBenchmark(name.c_str(), [mp, budget](benchmark::State &state) {
                edits(state, mp, budget);
            })->Iterations(bench.iterations)->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
    return bench.run();
}
