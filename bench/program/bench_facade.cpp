// Whole facade calls on an 8-megapixel photo (3264 x 2448 JPEG), single
// thread: every look number, a simple and a colourful frame, a quarter turn,
// sharpening, the colour mixer, the focus blur's weakinit and one weakprogress
// step.
//
// Two benchmarks per operation, a third on request:
//   facade/<op>   the QML facade's call as QML makes it, working file included;
//   stages/<op>   the same work stage by stage, with the CPU time of each stage
//                 as a counter (milliseconds per call):
//                   decode_ms   the photo decoded to 32-bit pixels
//                   masks_ms    masks stretched to the photo and converted,
//                               data files read, frame pieces decoded, or the
//                               focus-blur mask painted
//                   library_ms  the effects library's own work (the toolkit's
//                               smooth rotation for the quarter turn)
//                   png_ms      the picture handed back as a pixmap and the
//                               working-file PNG written
//   before/<op>   the stages again with the working file written by
//                 QImage::save(path, "png", -1), the writer the program used
//                 before its own; only with ZN_BENCH_BEFORE=1, as each of these
//                 takes a few seconds (quick CI passes run every benchmark).
//
// After the runs a summary table (one row per operation: the facade call, its
// stages and, when measured, the whole call with Qt's writer and the working
// file's size against Qt's file of the same picture) is printed in Markdown.
//
// A 48-megapixel photo (8000 x 6000, what most phones make since 2022) goes
// through the editor's operations as well: mp48/<op> times each facade call
// (CPU and wall clock) and measures its peak memory, the kernel's high-water
// mark of the process's resident memory, reset before the call, less what was
// resident before it; a second table gives it in copies of the picture
// (8000 x 6000 x 4 bytes = 183 MiB each).
//
// One iteration per benchmark by default (ZN_BENCH_ITERATIONS=n for more).
// The photo is the desktop wallpaper when it is installed, scaled and cut to
// 3264 x 2448, else a generated picture of smooth shading; both with a little
// sensor-like grain, stored as a JPEG of quality 90.

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "workingpngwriter.h"

#include "qtqveffect.h"

#include "benchmain.h"
#include "benchmemory.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;

QString gPhoto;          // the JPEG
QString gWorkingFile;    // where the staged runs write their PNG
bool gQtWriter = false;  // the running benchmark writes it with QImage::save
qint64 gLastBytes = -1;  // size of the working file the staged run wrote last
ZQDCommunication *gFacade = nullptr;

// CPU milliseconds per call, for the summary.
struct Row {
    double facade = -1;
    double stage[4] = {-1, -1, -1, -1};
    double before = -1;    // all stages, the PNG written by Qt
    double beforePng = -1; // that PNG write alone
    qint64 bytes = -1;     // the working file's size, our writer
    qint64 qtBytes = -1;   // the same picture written by Qt
};
std::map<std::string, Row> gRows;
std::vector<std::string> gOrder;

Row &row(const std::string &name)
{
    if (!gRows.count(name))
        gOrder.push_back(name);
    return gRows[name];
}

// The summary counts the process's CPU time, not the wall clock: the machine
// is shared, and a busy neighbour would otherwise add to every figure. (The
// benchmark library's own columns show both.)
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times each facade call of a benchmark into the summary.
class FacadeTimer
{
public:
    FacadeTimer(benchmark::State &state, std::string name) : state(state), name(std::move(name)) {}
    ~FacadeTimer()
    {
        if (state.iterations() > 0)
            row(name).facade = total / double(state.iterations());
    }
    template <typename F>
    void time(F &&work)
    {
        const double start = cpuMs();
        work();
        total += cpuMs() - start;
    }

private:
    benchmark::State &state;
    std::string name;
    double total = 0;
};

// Times the stages of one call; each stage adds to its counter.
class Stages
{
public:
    Stages(benchmark::State &state, std::string name) : state(state), name(std::move(name)), qtWriter(gQtWriter) {}
    ~Stages()
    {
        Row &r = row(name);
        const double n = double(state.iterations());
        double sum = 0;
        for (int i = 0; i < 4; ++i) {
            if (!used[i])
                continue;
            state.counters[kNames[i]] = benchmark::Counter(total[i], benchmark::Counter::kAvgIterations);
            sum += total[i];
            if (n > 0 && !qtWriter)
                r.stage[i] = total[i] / n;
        }
        if (gLastBytes >= 0)
            (qtWriter ? r.qtBytes : r.bytes) = gLastBytes;
        gLastBytes = -1;
        if (n > 0 && qtWriter) {
            r.before = sum / n;
            if (used[Png])
                r.beforePng = total[Png] / n;
        }
    }

    enum Stage { Decode, Masks, Library, Png };

    template <typename F>
    void time(Stage stage, F &&work)
    {
        const double start = cpuMs();
        work();
        total[stage] += cpuMs() - start;
        used[stage] = true;
    }

private:
    static constexpr const char *kNames[4] = {"decode_ms", "masks_ms", "library_ms", "png_ms"};
    benchmark::State &state;
    std::string name;
    bool qtWriter;
    double total[4] = {};
    bool used[4] = {};
};

// The facade's last step: the picture as the result pixmap, written as the
// working file (by Qt's writer in the before/ runs).
void writeResult(QImage &&image)
{
    const QPixmap pix = ZQDImageEngine::resultPixmap(std::move(image));
    const bool saved =
        gQtWriter ? pix.toImage().save(gWorkingFile, "png", -1) : saveWorkingPng(pix.toImage(), gWorkingFile);
    if (!saved)
        qFatal("the working file cannot be written");
    gLastBytes = QFileInfo(gWorkingFile).size();
}

void requireFile(benchmark::State &state, const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        state.SkipWithError("no working file was written");
}

// Times `call`, a facade call that answers with its working file, into the
// summary row `name`; a call that writes no file fails the benchmark.
void timeFacadeCall(benchmark::State &state, const std::string &name, const std::function<QString()> &call)
{
    FacadeTimer timer(state, name);
    for (auto _ : state)
        timer.time([&] { requireFile(state, call()); });
}

// --- looks -------------------------------------------------------------------

void stagedLook(benchmark::State &state, int id)
{
    ZQDImageEngine &engine = *gFacade->engine();
    const ZQDImageEngine::LookRecipe *recipe = ZQDImageEngine::lookRecipe(id);
    Stages stages(state, "look " + std::to_string(id));
    for (auto _ : state) {
        QImage qim;
        QList<QImage> masks;
        QByteArray data;
        stages.time(Stages::Decode, [&] { qim = engine.loadPic(gPhoto); });
        bool ok = false;
        stages.time(Stages::Masks, [&] { ok = engine.loadLookInputs(*recipe, qim.width(), qim.height(), masks, data); });
        if (!ok) {
            state.SkipWithError("a mask cannot be read");
            break;
        }
        stages.time(Stages::Library, [&] { engine.applyLook(*recipe, qim, masks, data); });
        masks.clear();
        stages.time(Stages::Png, [&] { writeResult(std::move(qim)); });
    }
}

// --- frames ------------------------------------------------------------------

void stagedSimpleFrame(benchmark::State &state, int id)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Stages stages(state, "simple frame " + std::to_string(id));
    for (auto _ : state) {
        QImage photo;
        stages.time(Stages::Decode, [&] { photo = QImageReader(gPhoto).read(); });
        bool ok = false;
        stages.time(Stages::Masks, [&] { ok = engine.loadSimpleFrame(id); });
        if (!ok) {
            state.SkipWithError("the frame cannot be read");
            break;
        }
        QImage framed;
        stages.time(Stages::Library, [&] { framed = engine.composeSimpleFrame(photo); });
        stages.time(Stages::Png, [&] { writeResult(std::move(framed)); });
    }
}

void stagedColourfulFrame(benchmark::State &state, int id)
{
    ZQDImageEngine &engine = *gFacade->engine();
    const char *maskPath = nullptr;
    int mode = 0;
    ZQDImageEngine::colorfulFrameRecipe(id, &maskPath, &mode);
    Qtqveffect fx;
    Stages stages(state, "colourful frame " + std::to_string(id));
    for (auto _ : state) {
        QImage qim, mask;
        stages.time(Stages::Decode, [&] { qim = engine.loadPic(gPhoto); });
        stages.time(Stages::Masks, [&] { mask = engine.loadMask(QString::fromLatin1(maskPath), qim.width(), qim.height()); });
        stages.time(Stages::Library, [&] {
            fx.ColorfulFrame(ZQDImageEngine::pixelBuffer(qim), ZQDImageEngine::pixelBuffer(mask), qim.width(),
                             qim.height(), mode);
        });
        mask = QImage();
        stages.time(Stages::Png, [&] { writeResult(std::move(qim)); });
    }
}

// --- rotate, sharpen and mixer ----------------------------------------------

// The stages of an operation on the whole photo: `decode` reads it, `work`
// changes it (the library's pass, or the toolkit's turn), then the working
// file is written.
void stagedOperation(benchmark::State &state, const std::string &row, const std::function<QImage()> &decode,
                     const std::function<void(QImage &)> &work)
{
    Stages stages(state, row);
    for (auto _ : state) {
        QImage qim;
        stages.time(Stages::Decode, [&] { qim = decode(); });
        stages.time(Stages::Library, [&] { work(qim); });
        stages.time(Stages::Png, [&] { writeResult(std::move(qim)); });
    }
}

void stagedRevolve(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    stagedOperation(state, "rotate 90", [] { return QImageReader(gPhoto).read(); },
                    [&](QImage &qim) { qim = engine.rotate(std::move(qim), 90).mirrored(false, false); });
}

void stagedSharpen(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    stagedOperation(state, "sharpen", [&] { return engine.loadPic(gPhoto); }, [&](QImage &qim) {
        uchar *bits = ZQDImageEngine::pixelBuffer(qim);
        std::unique_ptr<uchar[]> blurred(fx.SharpInit(bits, qim.width(), qim.height()));
        fx.SharpProcess(bits, blurred.get(), qim.width(), qim.height(), 0.6f);
    });
}

void stagedMixer(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    stagedOperation(state, "colour mixer", [&] { return engine.loadPic(gPhoto); }, [&](QImage &qim) {
        fx.ColorMixing(ZQDImageEngine::pixelBuffer(qim), qim.width(), qim.height(), 20, 15, 30);
    });
}

// --- focus blur --------------------------------------------------------------

void facadeWeakinit(benchmark::State &state)
{
    {
        FacadeTimer timer(state, "weakinit");
        for (auto _ : state)
            timer.time([&] { gFacade->weakinit(gPhoto); });
    }
    gFacade->weakrelease();
}

void stagedWeakinit(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    Stages stages(state, "weakinit");
    for (auto _ : state) {
        QImage picture;
        stages.time(Stages::Decode,
                    [&] { picture = engine.getScaleImage(gPhoto, 1.0).convertToFormat(QImage::Format_RGB32); });
        stages.time(Stages::Library, [&] {
            delete[] fx.WeakInit(ZQDImageEngine::pixelBuffer(picture), picture.width(), picture.height(), 9);
        });
    }
}

void facadeWeakprogress(benchmark::State &state)
{
    gFacade->weakinit(gPhoto);
    timeFacadeCall(state, "weakprogress step",
                   [&] { return gFacade->weakprogress(gPhoto, 400, 900, kWidth / 2, kHeight / 2); });
    gFacade->weakrelease();
}

void stagedWeakprogress(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    QImage picture = engine.loadPic(gPhoto);
    std::unique_ptr<uchar[]> blurred(fx.WeakInit(ZQDImageEngine::pixelBuffer(picture), kWidth, kHeight, 9));
    Stages stages(state, "weakprogress step");
    for (auto _ : state) {
        QImage mask, work;
        stages.time(Stages::Masks,
                    [&] { mask = engine.drawGradientCircle(kWidth, kHeight, 400, 900, kWidth / 2, kHeight / 2); });
        stages.time(Stages::Library, [&] {
            work = picture.copy();
            fx.WeakProcess(ZQDImageEngine::pixelBuffer(work), blurred.get(), ZQDImageEngine::pixelBuffer(mask),
                           kWidth, kHeight);
        });
        stages.time(Stages::Png, [&] { writeResult(std::move(work)); });
    }
}

// --- the 48-megapixel photo --------------------------------------------------

constexpr int kBigWidth = 8000;
constexpr int kBigHeight = 6000;
QString gBigPhoto;
QString gBigWorking;

struct BigRow {
    double cpuMs = -1;
    double wallMs = -1;
    double peakMiB = -1;
};
std::map<std::string, BigRow> gBigRows;
std::vector<std::string> gBigOrder;

// Runs `call` (a facade call answering a file, or "" when it writes none)
// once per iteration; the summary keeps the mean times and the largest peak.
void bigOperation(benchmark::State &state, const std::string &name, const std::function<QString()> &call,
                  bool writesFile = true)
{
    if (!gBigRows.count(name))
        gBigOrder.push_back(name);
    BigRow &r = gBigRows[name];
    double cpu = 0, wall = 0, peak = -1;
    for (auto _ : state) {
        const bool peakKnown = resetPeakMemory();
        const qint64 before = memoryKiB("VmRSS:");
        const double start = cpuMs();
        QElapsedTimer clock;
        clock.start();
        const QString written = call();
        wall += double(clock.nsecsElapsed()) / 1e6;
        cpu += cpuMs() - start;
        const qint64 high = memoryKiB("VmHWM:");
        if (peakKnown && before >= 0 && high >= 0)
            peak = std::max(peak, double(high - before) / 1024.0);
        if (writesFile)
            requireFile(state, written);
    }
    const double n = double(state.iterations());
    if (n > 0) {
        r = {cpu / n, wall / n, peak};
        state.counters["peak_MiB"] = peak;
    }
}

void registerBig(int iterations)
{
    auto add = [iterations](const std::string &name, std::function<QString()> call, bool writesFile = true) {
        benchmark::RegisterBenchmark(("mp48/" + name).c_str(),
                                     [name, call, writesFile](benchmark::State &s) {
                                         bigOperation(s, name, call, writesFile);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
    };
    for (int id : {1018, 1048, 1104})
        add("look " + std::to_string(id), [id] { return gFacade->loadImage(gBigPhoto, id); });
    add("simple frame 1707", [] { return gFacade->framesimpleImage(gBigPhoto, 1707); });
    add("colourful frame 1501", [] { return gFacade->framecolorfulImage(gBigPhoto, 1501); });
    add("rotate 90", [] { return gFacade->revolvingImage(gBigPhoto, 1.0, 90, false, false, false); });
    add("sharpen", [] { return gFacade->SharpImage(gBigPhoto, kBigWidth, kBigHeight, 0.6f); });
    add("colour mixer", [] { return gFacade->mixingcolorImage(gBigPhoto, kBigWidth, kBigHeight, 20, 15, 30); });
    add("crop", [] {
        gFacade->clearTemporaryPic();
        return gFacade->cropPic(gBigPhoto, kBigWidth, kBigHeight, 6000, 4000, 1000, 1000);
    });
    add("text", [] {
        return gFacade->writingFontImage(QString(), gBigPhoto, 4, 200, 200, QStringLiteral(":/fontbg/round.png"), 1,
                                         QStringLiteral("Hello"), 10, 24, QStringLiteral("#202020"), 0, 1, 300, 200,
                                         40, 40);
    });
    add("focus blur weakinit", [] {
        gFacade->weakinit(gBigPhoto);
        return QString();
    }, false);
    add("focus blur step", [] {
        const QString step = gFacade->weakprogress(gBigPhoto, 1500, 3000, kBigWidth / 2, kBigHeight / 2);
        gFacade->weakrelease();
        return step;
    });
    // The working file the editor saves: the photo as a working PNG.
    add("export (JPEG 92)", [] {
        static EditorTools tools(gFacade);
        return tools.exportImage(gBigWorking, gBigPhoto, QString(), 92);
    });
}

void printBigSummary()
{
    if (gBigOrder.empty())
        return;
    const double copyMiB = double(kBigWidth) * kBigHeight * 4 / (1024.0 * 1024.0);
    std::printf("\n| 48 MP (8000 x 6000) operation | CPU ms | wall ms | peak MiB above start | copies of the picture |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const std::string &name : gBigOrder) {
        const BigRow &r = gBigRows[name];
        std::printf("| %s | %.0f | %.0f | %.0f | %.2f |\n", name.c_str(), r.cpuMs, r.wallMs, r.peakMiB,
                    r.peakMiB < 0 ? -1.0 : r.peakMiB / copyMiB);
    }
}

void printSummary()
{
    if (gOrder.empty())
        return;
    auto cell = [](double ms) { return ms < 0 ? std::string("-") : std::to_string(int(ms + 0.5)); };
    auto ratio = [](const Row &r) {
        if (r.bytes <= 0 || r.qtBytes <= 0)
            return std::string("-");
        char text[16];
        std::snprintf(text, sizeof text, "%.3f", double(r.bytes) / double(r.qtBytes));
        return std::string(text);
    };
    std::printf("\n| operation (CPU ms per call) | before: stages, Qt PNG write | after: facade call | decode | masks "
                "| library | PNG write | Qt PNG write | stages sum | file vs Qt's |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string &name : gOrder) {
        const Row &r = gRows[name];
        double sum = 0;
        for (double v : r.stage)
            sum += v > 0 ? v : 0;
        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", name.c_str(), cell(r.before).c_str(),
                    cell(r.facade).c_str(), cell(r.stage[0]).c_str(), cell(r.stage[1]).c_str(),
                    cell(r.stage[2]).c_str(), cell(r.stage[3]).c_str(), cell(r.beforePng).c_str(), cell(sum).c_str(),
                    ratio(r).c_str());
    }
}

void registerAll(int iterations, bool before)
{
    auto registerOne = [iterations](const std::string &name, std::function<void(benchmark::State &)> fn,
                                    bool qtWriter) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [fn, qtWriter](benchmark::State &s) {
                                         gQtWriter = qtWriter;
                                         fn(s);
                                         gQtWriter = false;
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
    };
    // Every staged benchmark that writes a working file also comes as
    // before/<op> when asked for (weakinit writes none).
    auto add = [&](const std::string &name, std::function<void(benchmark::State &)> fn) {
        registerOne(name, fn, false);
        if (before && name.rfind("stages/", 0) == 0 && name != "stages/weakinit")
            registerOne("before/" + name.substr(7), fn, true);
    };
    const QList<int> looks = {1018, 1019, 1020, 1021, 1022, 1023, 1026, 1027, 1028, 1030,
                              1031, 1032, 1033, 1034, 1035, 1038, 1039, 1040, 1041, 1042,
                              1043, 1044, 1045, 1046, 1047, 1048, 1101, 1102, 1104, 1500};
    // facade/<op>: the call as QML makes it, timed into the summary's row.
    auto addFacade = [&](const std::string &name, const std::string &row, std::function<QString()> call) {
        add("facade/" + name, [row, call](benchmark::State &s) { timeFacadeCall(s, row, call); });
    };
    for (int id : looks) {
        const std::string number = std::to_string(id);
        add("stages/look/" + number, [id](benchmark::State &s) { stagedLook(s, id); });
        addFacade("look/" + number, "look " + number, [id] { return gFacade->loadImage(gPhoto, id); });
    }
    for (int id : {1707, 1706}) {
        const std::string number = std::to_string(id);
        add("stages/frame/" + number, [id](benchmark::State &s) { stagedSimpleFrame(s, id); });
        addFacade("frame/" + number, "simple frame " + number, [id] { return gFacade->framesimpleImage(gPhoto, id); });
    }
    add("stages/colourful/1501", [](benchmark::State &s) { stagedColourfulFrame(s, 1501); });
    addFacade("colourful/1501", "colourful frame 1501", [] { return gFacade->framecolorfulImage(gPhoto, 1501); });
    add("stages/rotate90", stagedRevolve);
    // A quarter turn at full size, as the rotate button asks for it.
    addFacade("rotate90", "rotate 90", [] { return gFacade->revolvingImage(gPhoto, 1.0, 90, false, false, false); });
    add("stages/sharpen", stagedSharpen);
    addFacade("sharpen", "sharpen", [] { return gFacade->SharpImage(gPhoto, kWidth, kHeight, 0.6f); });
    add("stages/mixer", stagedMixer);
    addFacade("mixer", "colour mixer", [] { return gFacade->mixingcolorImage(gPhoto, kWidth, kHeight, 20, 15, 30); });
    add("stages/weakinit", stagedWeakinit);
    add("facade/weakinit", facadeWeakinit);
    add("stages/weakprogress", stagedWeakprogress);
    add("facade/weakprogress", facadeWeakprogress);
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    const QString &root = bench.root;
    gPhoto = root + QStringLiteral("photo.jpg");
    if (!benchPhoto(7).save(gPhoto, "JPEG", 90))
        qFatal("cannot write the photo");
    gWorkingFile = root + QStringLiteral("staged.png");
    ZQDCommunication facade;
    gFacade = &facade;
    if (!QFile::exists(QStringLiteral(":/style/blowout2.jpg")))
        qWarning("the resource bundle is not linked in: the looks will fail");

    const bool before = qEnvironmentVariableIntValue("ZN_BENCH_BEFORE") == 1;
    registerAll(bench.iterations, before);
    gBigPhoto = root + QStringLiteral("photo48.jpg");
    if (!benchPhoto(11, kBigWidth, kBigHeight).save(gBigPhoto, "JPEG", 90))
        qFatal("cannot write the 48-megapixel photo");
    gBigWorking = root + QStringLiteral("working48.png");
    if (!QFile::copy(facade.qualityImage(gBigPhoto, 1.0), gBigWorking))
        qFatal("cannot write the 48-megapixel working file");
    registerBig(bench.iterations);
    const int status = bench.run();
    printSummary();
    printBigSummary();
    gFacade = nullptr;
    return status;
}
