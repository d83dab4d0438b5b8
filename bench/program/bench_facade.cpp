// Whole facade calls on an 8-megapixel photo (3264 x 2448 JPEG), single
// thread: every look number, a simple and a colourful frame, sharpening, the
// colour mixer, the focus blur's weakinit and one weakprogress step.
//
// Two benchmarks per operation:
//   facade/<op>   the QML facade's call as QML makes it, working file included;
//   stages/<op>   the same work stage by stage, with the time of each stage as
//                 a counter (milliseconds per call):
//                   decode_ms   the photo decoded to 32-bit pixels
//                   masks_ms    masks stretched to the photo and converted,
//                               data files read, frame pieces decoded, or the
//                               focus-blur mask painted
//                   library_ms  the effects library's own work
//                   png_ms      the picture handed back as a pixmap and the
//                               working-file PNG written
//
// After the runs a summary table (one row per operation: the facade call and
// its stages) is printed in Markdown.
//
// One iteration per benchmark by default (ZN_BENCH_ITERATIONS=n for more).
// The photo is the desktop wallpaper when it is installed, scaled and cut to
// 3264 x 2448, else a generated picture of smooth shading; both with a little
// sensor-like grain, stored as a JPEG of quality 90.

#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "workingpngwriter.h"

#include "qtqveffect.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;

QString gPhoto;          // the JPEG
QString gWorkingFile;    // where the staged runs write their PNG
ZQDCommunication *gFacade = nullptr;

// Milliseconds per call, for the summary.
struct Row {
    double facade = -1;
    double stage[4] = {-1, -1, -1, -1};
};
std::map<std::string, Row> gRows;
std::vector<std::string> gOrder;

Row &row(const std::string &name)
{
    if (!gRows.count(name))
        gOrder.push_back(name);
    return gRows[name];
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
        const auto start = std::chrono::steady_clock::now();
        work();
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

private:
    benchmark::State &state;
    std::string name;
    double total = 0;
};

QImage makePhoto()
{
    const QString folder = QStringLiteral("/usr/share/wallpapers/Path/contents/images/");
    const QStringList found = QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Size);  // largest first
    QImage img;
    if (!found.isEmpty())
        img.load(folder + found.first());
    if (!img.isNull()) {
        img = img.scaled(kWidth, kHeight, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        img = img.copy((img.width() - kWidth) / 2, (img.height() - kHeight) / 2, kWidth, kHeight);
    } else {
        img = QImage(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                const double u = double(x) / kWidth, v = double(y) / kHeight;
                line[x] = qRgb(int(120 + 100 * std::sin(6 * u + 2 * v)), int(110 + 90 * std::cos(4 * v - 3 * u * v)),
                               int(90 + 80 * std::sin(9 * u * v + 1)));
            }
        }
    }
    img = img.convertToFormat(QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int((seed >> 24) % 7) - 3;
            auto c = [n](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(c(qRed(line[x])), c(qGreen(line[x])), c(qBlue(line[x])));
        }
    }
    return img;
}

// Times the stages of one call; each stage adds to its counter.
class Stages
{
public:
    Stages(benchmark::State &state, std::string name) : state(state), name(std::move(name)) {}
    ~Stages()
    {
        Row &r = row(name);
        for (int i = 0; i < 4; ++i) {
            if (!used[i])
                continue;
            state.counters[kNames[i]] = benchmark::Counter(total[i], benchmark::Counter::kAvgIterations);
            if (state.iterations() > 0)
                r.stage[i] = total[i] / double(state.iterations());
        }
    }

    enum Stage { Decode, Masks, Library, Png };

    template <typename F>
    void time(Stage stage, F &&work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        total[stage] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        used[stage] = true;
    }

private:
    static constexpr const char *kNames[4] = {"decode_ms", "masks_ms", "library_ms", "png_ms"};
    benchmark::State &state;
    std::string name;
    double total[4] = {};
    bool used[4] = {};
};

// The facade's last step: the picture as the result pixmap, written as the
// working file.
void writeResult(QImage &&image)
{
    const QPixmap pix = ZQDImageEngine::resultPixmap(std::move(image));
    if (!saveWorkingPng(pix.toImage(), gWorkingFile))
        qFatal("the working file cannot be written");
}

void requireFile(benchmark::State &state, const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        state.SkipWithError("no working file was written");
}

// --- looks -------------------------------------------------------------------

void facadeLook(benchmark::State &state, int id)
{
    FacadeTimer timer(state, "look " + std::to_string(id));
    for (auto _ : state)
        timer.time([&] { requireFile(state, gFacade->loadImage(gPhoto, id)); });
}

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

void facadeSimpleFrame(benchmark::State &state, int id)
{
    FacadeTimer timer(state, "simple frame " + std::to_string(id));
    for (auto _ : state)
        timer.time([&] { requireFile(state, gFacade->framesimpleImage(gPhoto, id)); });
}

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

void facadeColourfulFrame(benchmark::State &state, int id)
{
    FacadeTimer timer(state, "colourful frame " + std::to_string(id));
    for (auto _ : state)
        timer.time([&] { requireFile(state, gFacade->framecolorfulImage(gPhoto, id)); });
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

// --- sharpen and mixer -------------------------------------------------------

void facadeSharpen(benchmark::State &state)
{
    FacadeTimer timer(state, "sharpen");
    for (auto _ : state)
        timer.time([&] { requireFile(state, gFacade->SharpImage(gPhoto, kWidth, kHeight, 0.6f)); });
}

void stagedSharpen(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    Stages stages(state, "sharpen");
    for (auto _ : state) {
        QImage qim;
        stages.time(Stages::Decode, [&] { qim = engine.loadPic(gPhoto); });
        stages.time(Stages::Library, [&] {
            uchar *bits = ZQDImageEngine::pixelBuffer(qim);
            std::unique_ptr<uchar[]> blurred(fx.SharpInit(bits, qim.width(), qim.height()));
            fx.SharpProcess(bits, blurred.get(), qim.width(), qim.height(), 0.6f);
        });
        stages.time(Stages::Png, [&] { writeResult(std::move(qim)); });
    }
}

void facadeMixer(benchmark::State &state)
{
    FacadeTimer timer(state, "colour mixer");
    for (auto _ : state)
        timer.time([&] { requireFile(state, gFacade->mixingcolorImage(gPhoto, kWidth, kHeight, 20, 15, 30)); });
}

void stagedMixer(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    Qtqveffect fx;
    Stages stages(state, "colour mixer");
    for (auto _ : state) {
        QImage qim;
        stages.time(Stages::Decode, [&] { qim = engine.loadPic(gPhoto); });
        stages.time(Stages::Library,
                    [&] { fx.ColorMixing(ZQDImageEngine::pixelBuffer(qim), qim.width(), qim.height(), 20, 15, 30); });
        stages.time(Stages::Png, [&] { writeResult(std::move(qim)); });
    }
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
    {
        FacadeTimer timer(state, "weakprogress step");
        for (auto _ : state)
            timer.time([&] { requireFile(state, gFacade->weakprogress(gPhoto, 400, 900, kWidth / 2, kHeight / 2)); });
    }
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

void printSummary()
{
    if (gOrder.empty())
        return;
    auto cell = [](double ms) { return ms < 0 ? std::string("-") : std::to_string(int(ms + 0.5)); };
    std::printf("\n| operation (ms per call) | facade call | decode | masks | library | PNG write | stages sum |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string &name : gOrder) {
        const Row &r = gRows[name];
        double sum = 0;
        for (double v : r.stage)
            sum += v > 0 ? v : 0;
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", name.c_str(), cell(r.facade).c_str(),
                    cell(r.stage[0]).c_str(), cell(r.stage[1]).c_str(), cell(r.stage[2]).c_str(),
                    cell(r.stage[3]).c_str(), cell(sum).c_str());
    }
}

void registerAll(int iterations)
{
    auto add = [iterations](const std::string &name, std::function<void(benchmark::State &)> fn) {
        benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State &s) { fn(s); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
    };
    const QList<int> looks = {1018, 1019, 1020, 1021, 1022, 1023, 1026, 1027, 1028, 1030,
                              1031, 1032, 1033, 1034, 1035, 1038, 1039, 1040, 1041, 1042,
                              1043, 1044, 1045, 1046, 1047, 1048, 1101, 1102, 1104, 1500};
    for (int id : looks) {
        add("stages/look/" + std::to_string(id), [id](benchmark::State &s) { stagedLook(s, id); });
        add("facade/look/" + std::to_string(id), [id](benchmark::State &s) { facadeLook(s, id); });
    }
    for (int id : {1707, 1706}) {
        add("stages/frame/" + std::to_string(id), [id](benchmark::State &s) { stagedSimpleFrame(s, id); });
        add("facade/frame/" + std::to_string(id), [id](benchmark::State &s) { facadeSimpleFrame(s, id); });
    }
    add("stages/colourful/1501", [](benchmark::State &s) { stagedColourfulFrame(s, 1501); });
    add("facade/colourful/1501", [](benchmark::State &s) { facadeColourfulFrame(s, 1501); });
    add("stages/sharpen", stagedSharpen);
    add("facade/sharpen", facadeSharpen);
    add("stages/mixer", stagedMixer);
    add("facade/mixer", facadeMixer);
    add("stages/weakinit", stagedWeakinit);
    add("facade/weakinit", facadeWeakinit);
    add("stages/weakprogress", stagedWeakprogress);
    add("facade/weakprogress", facadeWeakprogress);
}

}  // namespace

int main(int argc, char **argv)
{
    QTemporaryDir work;
    const QString root = work.path() + QStringLiteral("/MyDocs/");
    QDir().mkpath(root);
    // The facade's document folder is read once, before the facade exists.
    qputenv("ZELTANORVIK_ROOT", root.toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    gPhoto = root + QStringLiteral("photo.jpg");
    if (!makePhoto().save(gPhoto, "JPEG", 90))
        qFatal("cannot write the photo");
    gWorkingFile = root + QStringLiteral("staged.png");
    ZQDCommunication facade;
    gFacade = &facade;
    if (!QFile::exists(QStringLiteral(":/style/blowout2.jpg")))
        qWarning("the resource bundle is not linked in: the looks will fail");

    bool okIterations = false;
    const int iterations = qEnvironmentVariableIntValue("ZN_BENCH_ITERATIONS", &okIterations);
    registerAll(okIterations && iterations > 0 ? iterations : 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    gFacade = nullptr;
    return 0;
}
