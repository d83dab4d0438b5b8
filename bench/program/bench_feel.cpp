// What the user feels: the real interface documents loaded in an offscreen
// window with the real facade, the "tools" object, the asynchronous runner and
// the picture provider, as the program publishes them. Each scenario opens an
// 8-megapixel photo (3264 x 2448 JPEG) in the editor, opens a tool, waits until
// it is ready and idle, then does what a finger would: taps a look or a frame,
// presses Apply, or takes one live-preview step (adjust's colour mix and
// sharpening, tone, a focus move, a look's strength). Measured on the wall clock:
//
//   tap_ms   from the tap to the first frame swapped (QQuickWindow::frameSwapped)
//            that shows the new picture (the benchmark's time);
//   done_ms  from the tap until the work is over: the full-resolution result
//            is there, nothing runs, the busy indicator is gone;
//   gap_ms   the longest time between two frames from the tap until done (a
//            small animation runs all the time, so a window that keeps
//            drawing swaps a frame every 16 ms).
//
// The documents are those copied beside the program by the build
// (build/qml), or those in ZN_FEEL_QML=DIR. ZN_FEEL_BEFORE_QML=DIR also runs every scenario on the documents in DIR (a
// folder holding zeltanorvik/main.qml, e.g. an older version of qml/), in the
// same process, so that before and after come from the same run (the
// working-file writer then runs on one thread, as it did before).
// undo_burst: 20 undos then 20 redos 200 ms apart after 20 edits (its own
// function, registerUndoBurst). steps_change_first: the first of ten steps
// changed through its tool, the nine after it made again (registerStepsChange;
// step_ms is the mean time of one of the ten steps when it was applied).
// ZN_FEEL_SIZES="8,48" adds the 8000 x 6000 photo (skipped with a note when
// the picture reader refuses it); ZN_FEEL_REPEAT=n takes each live-preview
// step n times and keeps the medians (tap_max_ms: the slowest). A Markdown summary is printed at the end.

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "operationrunner.h"
#include "photoprovider.h"
#include "pictureprovider.h"

#include "imaging/bandworkers.h"
#include "benchphoto.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Scenario {
    const char *name;
    const char *tool;
    // Evaluated with the main document as scope; `p` is the open panel,
    // `mark` what the scenario remembered before the tap.
    const char *ready;   // the tool is ready for the tap
    const char *mark;    // run just before the tap: remember what "new" means
    const char *tap;
    const char *shown;   // the new picture is on screen
    const char *done;    // the work is over
    // Optional: run once when the tool is ready, then wait for `setupDone`
    // (a look chosen before its strength is previewed).
    const char *setup = nullptr;
    const char *setupDone = nullptr;
};

// Old and new documents alike: the preview layer's serial counts shown
// pictures; the photo view's pictureSerial (when it has one) counts pictures
// it has shown, else a longer history means the photo was replaced.
#define IDLE "!busy && !runner.busy"
#define STRIP_READY "p && p.strip.complete && (p.settled === undefined || p.settled) && " IDLE
#define PREVIEW_SHOWN "p.preview.serial > mark.serial && p.preview.ready"
#define APPLY_MARK "mark.count = editorPage.history.count; mark.picture = editorPage.photo.pictureSerial;"
#define APPLY_SHOWN                                                                                     \
    "editorPage.photo.pictureSerial !== undefined ? editorPage.photo.pictureSerial > mark.picture"     \
    " && editorPage.photo.hasPicture : editorPage.history.count > mark.count"
#define COLLAGE_READY "mark.page && mark.page.ready && " IDLE
#define APPLY_DONE "editorPage.history.count > mark.count && editorPage.openTool === '' && " IDLE

const Scenario kScenarios[] = {
    {"look_tap", "looks", STRIP_READY, "mark.serial = p.preview.serial;",
     "p.pick(p.strip.entries.filter(function(e) { return e.id === 1018; })[0]);", PREVIEW_SHOWN,
     "p.resultPath !== '' && " IDLE},
    {"frame_tap", "frames", STRIP_READY, "mark.serial = p.preview.serial;",
     "p.pick(p.strip.entries.filter(function(e) { return e.kind === 'frame' && e.id === 1701; })[0]);",
     PREVIEW_SHOWN, "p.resultPath !== '' && " IDLE},
    {"adjust_apply", "adjust", "p && p.ready && " IDLE, APPLY_MARK,
     "p.brightness = 20; p.contrast = 10; p.saturation = 30; p.sharpness = 40; p.apply();", APPLY_SHOWN,
     APPLY_DONE},
    {"focus_apply", "focus", "p && p.ready && " IDLE, APPLY_MARK, "p.apply();", APPLY_SHOWN, APPLY_DONE},
    {"rotate_apply", "rotate", "p && p.ready && " IDLE, APPLY_MARK,
     "p.quarterTurns = 1; p.fineAngle = 10; p.apply();", APPLY_SHOWN, APPLY_DONE},
    {"crop_apply", "crop", "p && p.ready && " IDLE, APPLY_MARK,
     "var a = editorPage.photo.overlay; p.cropBox.box = { x: a.width * 0.25, y: a.height * 0.25,"
       " w: a.width * 0.5, h: a.height * 0.5 }; p.apply();",
     APPLY_SHOWN, APPLY_DONE},
    {"text_apply", "text", "p && p.ready && " IDLE, APPLY_MARK, "p.text = 'Hello'; p.apply();", APPLY_SHOWN,
     APPLY_DONE},
    // Save (Ctrl+S, the last choice: a JPEG of the photo's own size) of the
    // photo as opened, no tool open; shown when the editor says it is saved.
    {"save", "", IDLE, "editorPage.history.forgetSaved(); mark.saved = savedCount;", "editorPage.save();",
     "savedCount > mark.saved", "savedCount > mark.saved && " IDLE},
    {"adjust_preview_step", "adjust", "p && p.ready && " IDLE, "mark.serial = p.preview.serial;",
     "p.brightness = p.brightness === 30 ? 31 : 30; p.previewNow();", PREVIEW_SHOWN,
     PREVIEW_SHOWN " && " IDLE},
    {"focus_preview_step", "focus", "p && p.ready && " IDLE, "mark.steps = p.steps;",
     "var a = editorPage.photo.overlay; p.moveTo(a.width * (p.centreX > 0.5 ? 0.3 : 0.7), a.height * 0.4,"
       " a.width, a.height);",
     "p.steps > mark.steps", "p.steps > mark.steps && !p.pending && " IDLE},
    {"adjust_sharpen_step", "adjust", "p && p.ready && " IDLE, "mark.serial = p.preview.serial;",
     "p.brightness = 10; p.sharpness = p.sharpness === 40 ? 41 : 40; p.previewNow();", PREVIEW_SHOWN,
     PREVIEW_SHOWN " && " IDLE},
    {"tone_preview_step", "tone", "p && p.ready && " IDLE, "mark.serial = p.preview.serial;",
     "p.exposure = p.exposure === 30 ? 31 : 30; p.vignette = 40; p.previewNow();", PREVIEW_SHOWN,
     PREVIEW_SHOWN " && " IDLE},
    {"strength_preview_step", "looks", STRIP_READY, "mark.serial = p.preview.serial;",
     "p.setStrength(p.strength === 0.5 ? 0.6 : 0.5);", PREVIEW_SHOWN, PREVIEW_SHOWN " && " IDLE,
     "p.pick(p.strip.entries.filter(function(e) { return e.id === 1018; })[0]);",
     "p.resultPath !== '' && p.screenResult !== '' && " IDLE},
    // The collage page (tool "collage"; `mark.page`) composing a template
    // collage of four photos: another pattern (the background and cells made
    // again), and Save (rendered at full size, then saved as a JPEG).
    {"collage_pattern", "collage", COLLAGE_READY, "mark.serial = mark.page.revision;",
     "mark.page.choose('patternChoice', mark.page.patternChoice === 1 ? 2 : 1);",
     "mark.page.revision > mark.serial", "mark.page.revision > mark.serial && " IDLE},
    {"collage_save", "collage", COLLAGE_READY, "", "mark.page.save();", "mark.page.savedCollage !== ''",
     "mark.page.savedCollage !== '' && " IDLE},
};

struct Result {
    double tap = -1, done = -1, gap = -1;
};

// Live-preview steps and a collage's new pattern can be taken again and
// again in one window: ZN_FEEL_REPEAT=n takes them n times, and the medians
// are kept (the machine is shared; one step says little about the next).
int gRepeat = 1;

bool repeatable(const Scenario &s)
{
    const std::string name = s.name;
    return name.find("_step") != std::string::npos || name == "collage_pattern";
}

// Each field's median over the taps (a tap that never ended counts as -1).
Result median(std::vector<Result> taps)
{
    Result m;
    for (double Result::*field : {&Result::tap, &Result::done, &Result::gap}) {
        std::sort(taps.begin(), taps.end(), [field](const Result &a, const Result &b) { return a.*field < b.*field; });
        m.*field = taps[taps.size() / 2].*field;
    }
    return m;
}
std::map<std::string, Result> gResults;  // "<variant>/<size>/<scenario>"
std::vector<std::string> gRowOrder;
std::vector<std::string> gVariants;

QString gFolder;
std::map<int, QString> gPhotos;  // megapixels -> JPEG

// One window on one set of documents, with the program's objects.
class Window
{
public:
    explicit Window(const QString &qmlFolder)
    {
        facade = std::make_unique<ZQDCommunication>();
        tools = std::make_unique<EditorTools>(facade.get());
        view = std::make_unique<QQuickView>();
        runner = new OperationRunner(view->engine());
        QQmlContext *context = view->rootContext();
        // What the scenarios remember before a tap ("mark.serial" and so on).
        mark = new QQmlPropertyMap(view.get());
        for (const char *key : {"serial", "count", "picture", "steps"})
            mark->insert(key, 0);
        mark->insert("page", QVariant::fromValue<QObject *>(nullptr));
        context->setContextProperty("mark", mark);
        context->setContextProperty("communication", facade.get());
        context->setContextProperty("tools", tools.get());
        context->setContextProperty("runner", runner);
        view->engine()->addImageProvider(PictureProvider::kName, new PictureProvider(runner->displayCopies()));
        view->engine()->addImageProvider(PhotoProvider::kName, new PhotoProvider);
        view->setInitialProperties({{"picturesFolder", QUrl::fromLocalFile(gFolder).toString()}});
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->resize(480, 854);
        view->setSource(QUrl::fromLocalFile(qmlFolder + "/zeltanorvik/main.qml"));
        if (!view->rootObject())
            qFatal("the main document did not load from %s", qPrintable(qmlFolder));
        // Something always moves, so a window that is not blocked draws every frame.
        QQmlComponent spinner(view->engine());
        spinner.setData("import QtQuick\nRectangle { width: 6; height: 6; color: 'red';"
                        " RotationAnimation on rotation { from: 0; to: 360; duration: 900;"
                        " loops: Animation.Infinite } }",
                        QUrl());
        auto *item = qobject_cast<QQuickItem *>(spinner.create(view->rootContext()));
        if (item)
            item->setParentItem(view->contentItem());
        QObject::connect(view.get(), &QQuickWindow::frameSwapped, view.get(), [this] { onFrame(); },
                         Qt::DirectConnection);
        view->show();
        clock.start();
    }

    QVariant evaluate(const QString &code)
    {
        QQmlExpression expression(view->rootContext(), view->rootObject(),
                                  "(function() { var p = editorPage ? editorPage.panel : null; " + code + " })()");
        const QVariant value = expression.evaluate();
        if (expression.hasError())
            qWarning("bench_feel: %s: %s", qPrintable(code), qPrintable(expression.error().toString()));
        return value;
    }
    bool test(const QString &condition) { return evaluate("return (" + condition + ");").toBool(); }

    // Lets the event loop run until `condition` holds; false after `seconds`.
    bool waitFor(const QString &condition, double seconds)
    {
        QElapsedTimer t;
        t.start();
        while (!test(condition)) {
            if (t.elapsed() > seconds * 1000) {
                qWarning("bench_feel: still not true after %.0f s: %s", seconds, qPrintable(condition));
                return false;
            }
            QEventLoop loop;
            QTimer::singleShot(2, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    // Opens the photo with the tool; false when the editor refuses it.
    bool prepare(const Scenario &s, const QString &photo)
    {
        if (QLatin1String(s.tool) == QLatin1String("collage"))
            return prepareCollage(s, photo);
        if (!evaluate("return openPhoto('" + photo + "', true);").toBool())
            return false;
        if (!waitFor("editorPage.photo.hasPicture && !pages.busy", 60))
            return false;
        evaluate(QStringLiteral("editorPage.openToolNamed('%1');").arg(s.tool));
        if (!waitFor(s.ready, 120))
            return false;
        if (s.setup) {
            evaluate(s.setup);
            if (!waitFor(s.setupDone, 120))
                return false;
        }
        return settle();
    }

    // The collage page composing a template collage of four copies of the photo.
    bool prepareCollage(const Scenario &s, const QString &photo)
    {
        QStringList photos;
        for (int i = 1; i <= 4; ++i) {
            const QString copy = QString(photo).replace(".jpg", QStringLiteral("_%1.jpg").arg(i));
            if (!QFile::exists(copy) && !QFile::copy(photo, copy))
                return false;
            photos << "'" + copy + "'";
        }
        evaluate("openCollage(); mark.page = pages.currentItem;");
        if (!waitFor("mark.page && !pages.busy", 30))
            return false;
        evaluate("mark.page.kind = 'template'; mark.page.photos = [" + photos.join(',')
                 + "]; mark.page.startComposing();");
        return waitFor(s.ready, 120) && settle();
    }

    // A quiet moment, so the tap starts from an idle window.
    bool settle()
    {
        pause(300);
        return true;
    }

    void pause(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    Result tap(const Scenario &s)
    {
        evaluate(s.mark);
        frames.clear();
        shownAt = -1;
        watching = s.shown;
        const qint64 start = clock.nsecsElapsed();
        evaluate(s.tap);
        const bool finished = waitFor(s.done, 120);
        const qint64 doneAt = clock.nsecsElapsed();
        // The frame that shows the finished state.
        const std::size_t framesThen = frames.size();
        QElapsedTimer t;
        t.start();
        while (frames.size() == framesThen && t.elapsed() < 1000) {
            QEventLoop loop;
            QTimer::singleShot(2, &loop, &QEventLoop::quit);
            loop.exec();
        }
        watching.clear();
        Result r;
        if (!finished)
            return r;
        r.done = double(doneAt - start) / 1e6;
        r.tap = shownAt >= 0 ? double(shownAt - start) / 1e6 : -1;
        qint64 last = start;
        double gap = 0;
        for (const qint64 f : frames) {
            gap = std::max(gap, double(f - last) / 1e6);
            last = f;
        }
        r.gap = gap;
        return r;
    }

    // The longest time between two frames (ms) while `work` runs.
    double longestGap(const std::function<void()> &work)
    {
        frames.clear();
        watching = QStringLiteral("false");
        qint64 last = clock.nsecsElapsed();
        work();
        const qint64 end = clock.nsecsElapsed();
        watching.clear();
        frames.push_back(end);
        double gap = 0;
        for (const qint64 f : frames) {
            gap = std::max(gap, double(f - last) / 1e6);
            last = f;
        }
        return gap;
    }

    void close()
    {
        evaluate("if (mark.page) { pages.pop(null); mark.page = null; } else editorPage.closeTool();");
        waitFor("!pages.busy", 30);
    }

private:
    void onFrame()
    {
        const qint64 now = clock.nsecsElapsed();
        if (watching.isEmpty())
            return;
        frames.push_back(now);
        if (shownAt < 0 && test(watching))
            shownAt = now;
    }

    std::unique_ptr<ZQDCommunication> facade;
    std::unique_ptr<EditorTools> tools;
    std::unique_ptr<QQuickView> view;
    OperationRunner *runner = nullptr;
    QQmlPropertyMap *mark = nullptr;
    QElapsedTimer clock;
    std::vector<qint64> frames;
    qint64 shownAt = -1;
    QString watching;
};

std::map<std::string, std::unique_ptr<Window>> gWindows;

Window &windowFor(const std::string &variant, const QString &folder)
{
    auto &w = gWindows[variant];
    if (!w)
        w = std::make_unique<Window>(folder);
    return *w;
}

void registerScenarios(const std::string &variant, const QString &folder, const std::vector<int> &sizes)
{
    gVariants.push_back(variant);
    for (const int mp : sizes) {
        for (const Scenario &s : kScenarios) {
            const std::string row = std::to_string(mp) + "MP/" + s.name;
            if (std::find(gRowOrder.begin(), gRowOrder.end(), row) == gRowOrder.end())
                gRowOrder.push_back(row);
            const std::string name = "feel/" + variant + "/" + row;
            benchmark::RegisterBenchmark(name.c_str(), [=, &s](benchmark::State &state) {
                // The documents from before had the working files written on one thread.
                bandworkers::setThreadLimit(variant == "before" ? 1 : 0);
                Window &w = windowFor(variant, folder);
                if (!gPhotos.count(mp)) {
                    state.SkipWithError("the photo is refused by the picture reader");
                    for (auto _ : state) {
                    }
                    return;
                }
                if (!w.prepare(s, gPhotos.at(mp))) {
                    state.SkipWithError("the editor refused the photo or the tool did not get ready");
                    for (auto _ : state) {
                    }
                    return;
                }
                Result r;
                double worstTap = -1;
                for (auto _ : state) {
                    std::vector<Result> taps;
                    for (int i = 0; i < (repeatable(s) ? gRepeat : 1); ++i) {
                        if (i > 0)
                            w.pause(100);
                        taps.push_back(w.tap(s));
                        worstTap = std::max(worstTap, taps.back().tap);
                    }
                    r = median(taps);
                    state.SetIterationTime(std::max(0.0, r.tap) / 1e3);
                }
                state.counters["tap_max_ms"] = worstTap;
                w.close();
                if (r.done < 0) {
                    state.SkipWithError("the work did not finish");
                    return;
                }
                state.counters["tap_ms"] = r.tap;
                state.counters["done_ms"] = r.done;
                state.counters["gap_ms"] = r.gap;
                gResults[variant + "/" + row] = r;
            })
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
}

// undo_burst: 20 edits of the photo (colour mixes, each a working file of
// its own), then 20 undos and 20 redos 200 ms apart, as fast fingers do;
// done_ms until the last picture shows, gap_ms the longest frame gap over
// the whole burst.
void registerUndoBurst(const std::string &variant, const QString &folder, const std::vector<int> &sizes)
{
    for (const int mp : sizes) {
        const std::string row = std::to_string(mp) + "MP/undo_burst";
        if (std::find(gRowOrder.begin(), gRowOrder.end(), row) == gRowOrder.end())
            gRowOrder.push_back(row);
        const std::string name = "feel/" + variant + "/" + row;
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &state) {
            bandworkers::setThreadLimit(variant == "before" ? 1 : 0);
            Window &w = windowFor(variant, folder);
            // Edits of an earlier scenario are dropped unasked.
            bool ready = gPhotos.count(mp)
                         && w.evaluate("if (editorPage) editorPage.history.clear(); return openPhoto('"
                                       + gPhotos.at(mp) + "', true);").toBool()
                         && w.waitFor("editorPage.photo.hasPicture && !pages.busy && " IDLE, 60);
            for (int i = 1; ready && i <= 20; ++i) {
                w.evaluate("var s = runner.pictureSize(editorPage.history.current);"
                           "editorPage.applyAsync('Edit', [['mixingcolorImage', editorPage.history.current,"
                           " s.width, s.height, 3, 0, 0]], null, null,"
                           " { call: 'mixingcolorImage', args: [s.width, s.height, 3, 0, 0] });");
                // The history keeps the photo and its last `undoSteps` edits
                // (with steps: every edit, the files within the budget).
                ready = w.waitFor(
                    QStringLiteral("(editorPage.history.count === %1"
                                   " || editorPage.history.count === Math.min(%1, editorPage.history.undoSteps + 1)) && " IDLE)
                        .arg(i + 1),
                    300);
            }
            if (!ready || !w.waitFor("editorPage.photo.hasPicture", 60)) {
                state.SkipWithError("the photo or its edits could not be made");
                for (auto _ : state) {
                }
                return;
            }
            w.settle();
            Result r;
            for (auto _ : state) {
                QElapsedTimer clock;
                clock.start();
                r.gap = w.longestGap([&] {
                    for (const char *step : {"editorPage.undo();", "editorPage.redo();"}) {
                        for (int i = 0; i < 20; ++i) {
                            w.evaluate(step);
                            w.pause(200);
                        }
                    }
                    w.waitFor("editorPage.photo.hasPicture", 120);
                });
                r.done = double(clock.nsecsElapsed()) / 1e6;
                state.SetIterationTime(r.done / 1e3);
            }
            w.evaluate("editorPage.history.clear();");
            // Decodes the burst started and then passed over still run on the
            // picture loader's thread: they end before the window may go.
            w.pause(mp == 48 ? 8000 : 2000);
            state.counters["done_ms"] = r.done;
            state.counters["gap_ms"] = r.gap;
            gResults[variant + "/" + row] = r;
        })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// steps_change_first: ten steps (tone and colour mix in turn) on the photo,
// then the first one's tool reopened from the Steps list and its Apply: tap_ms
// until the preview (the steps made again on the screen copy) shows, done_ms
// until the photo's ten steps are made again, gap_ms the longest frame gap.
void registerStepsChange(const std::string &variant, const QString &folder, const std::vector<int> &sizes)
{
    for (const int mp : sizes) {
        const std::string row = std::to_string(mp) + "MP/steps_change_first";
        if (std::find(gRowOrder.begin(), gRowOrder.end(), row) == gRowOrder.end())
            gRowOrder.push_back(row);
        const std::string name = "feel/" + variant + "/" + row;
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State &state) {
            bandworkers::setThreadLimit(0);
            Window &w = windowFor(variant, folder);
            bool ready = gPhotos.count(mp)
                         && w.evaluate("if (editorPage) editorPage.history.clear(); return openPhoto('"
                                       + gPhotos.at(mp) + "', true);").toBool()
                         && w.waitFor("editorPage.photo.hasPicture && !pages.busy && " IDLE, 60);
            QElapsedTimer building;
            building.start();
            for (int i = 1; ready && i <= 10; ++i) {
                const QString tone = QStringLiteral(
                    "editorPage.applyAsync('Tone', [['tools.toneImage', from, %1, 0, 10, 0, 0, 0]], null, null,"
                    " { object: 'tools', call: 'toneImage', args: [%1, 0, 10, 0, 0, 0], label: 'Tone',"
                    " tool: { name: 'tone', settings: { exposure: %1, shadows: 10 } } });");
                const QString mix = QStringLiteral(
                    "editorPage.applyAsync('Mix', [['mixingcolorImage', from, s.width, s.height, %1, 0, 5]], null, null,"
                    " { call: 'mixingcolorImage', args: [s.width, s.height, %1, 0, 5] });");
                w.evaluate("var from = editorPage.history.current; var s = runner.pictureSize(from);"
                           + (i % 2 ? tone : mix).arg(i));
                ready = w.waitFor(QStringLiteral("editorPage.history.count === %1 && " IDLE).arg(i + 1), 300);
            }
            const double stepMs = double(building.elapsed()) / 10;
            ready = ready && w.test("editorPage.history.steps.length === 10");
            if (ready) {
                w.evaluate("editorPage.reviseStep(0);");
                ready = w.waitFor("p && p.ready && editorPage.revising && " IDLE, 120) && w.settle();
            }
            if (!ready) {
                state.SkipWithError("the photo or its steps could not be made");
                for (auto _ : state) {
                }
                return;
            }
            static const Scenario change = {
                "steps_change_first", "tone", "", "mark.count = editorPage.history.steps.length;",
                "p.exposure = 40; p.apply();", "editorPage.photo.standIn !== '' && editorPage.photo.hasPicture",
                "!editorPage.revising && editorPage.openTool === '' && editorPage.history.index === 10"
                " && editorPage.history.steps[0].args[0] === 40 && editorPage.photo.hasPicture && " IDLE};
            Result r;
            for (auto _ : state) {
                r = w.tap(change);
                state.SetIterationTime(std::max(0.0, r.tap) / 1e3);
            }
            w.evaluate("editorPage.history.clear();");
            if (r.done < 0) {
                state.SkipWithError("the steps were not made again");
                return;
            }
            state.counters["tap_ms"] = r.tap;
            state.counters["done_ms"] = r.done;
            state.counters["gap_ms"] = r.gap;
            state.counters["step_ms"] = stepMs;
            gResults[variant + "/" + row] = r;
        })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

std::string cell(const std::string &key, double Result::*field)
{
    auto it = gResults.find(key);
    if (it == gResults.end() || it->second.*field < 0)
        return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", it->second.*field);
    return buffer;
}

void printSummary()
{
    std::printf("\n| scenario |");
    for (const auto &v : gVariants)
        std::printf(" %s tap ms | %s done ms | %s gap ms |", v.c_str(), v.c_str(), v.c_str());
    std::printf("\n|---|");
    for (std::size_t i = 0; i < gVariants.size(); ++i)
        std::printf("---|---|---|");
    std::printf("\n");
    for (const auto &row : gRowOrder) {
        std::printf("| %s |", row.c_str());
        for (const auto &v : gVariants) {
            const std::string key = v + "/" + row;
            std::printf(" %s | %s | %s |", cell(key, &Result::tap).c_str(), cell(key, &Result::done).c_str(),
                        cell(key, &Result::gap).c_str());
        }
        std::printf("\n");
    }
}

QString makePhoto(int megapixels)
{
    QImage photo = benchPhoto(11);
    if (megapixels == 48)
        photo = photo.scaled(8000, 6000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QString path = gFolder + QStringLiteral("photo%1.jpg").arg(megapixels);
    if (!photo.save(path, "JPEG", 90))
        qFatal("cannot write the %d MP photo", megapixels);
    // A photo the picture reader refuses (its allocation limit) is skipped.
    QImageReader reader(path);
    if (reader.read().isNull()) {
        std::printf("bench_feel: the %d MP photo is refused (%s): its scenarios are skipped\n", megapixels,
                    qPrintable(reader.errorString()));
        return {};
    }
    return path;
}

}  // namespace

int main(int argc, char **argv)
{
    QTemporaryDir work;
    const QString root = work.path() + QStringLiteral("/MyDocs/");
    QDir().mkpath(root);
    qputenv("ZELTANORVIK_ROOT", root.toUtf8());
    qputenv("XDG_RUNTIME_DIR", work.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Frames are rendered and swapped on the GUI thread, where the timing is read.
    qputenv("QSG_RENDER_LOOP", "basic");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        qputenv("QT_QUICK_CONTROLS_STYLE", "Material");
    qputenv("QML_XHR_ALLOW_FILE_READ", "1");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.gui.imageio.warning=false");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    gFolder = root;
    gRepeat = std::max(1, qEnvironmentVariableIntValue("ZN_FEEL_REPEAT"));
    std::vector<int> sizes;
    for (const QString &s : qEnvironmentVariable("ZN_FEEL_SIZES", "8").split(',', Qt::SkipEmptyParts)) {
        const int mp = s.trimmed().toInt();
        if ((mp == 8 || mp == 48) && std::find(sizes.begin(), sizes.end(), mp) == sizes.end())
            sizes.push_back(mp);
    }
    for (const int mp : sizes) {
        const QString photo = makePhoto(mp);
        if (!photo.isEmpty())
            gPhotos[mp] = photo;
    }

    const QString before = qEnvironmentVariable("ZN_FEEL_BEFORE_QML");
    if (!before.isEmpty())
        registerScenarios("before", before, sizes);
    const QString after = qEnvironmentVariable("ZN_FEEL_QML", QCoreApplication::applicationDirPath() + "/../../qml");
    registerScenarios("after", after, sizes);
    if (!before.isEmpty())
        registerUndoBurst("before", before, sizes);
    registerUndoBurst("after", after, sizes);
    registerStepsChange("after", after, sizes);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    gWindows.clear();
    return 0;
}
