// Steps: a batch of 8-megapixel photos with one look through the command line,
// one job against two (wall and CPU time, peak memory per job in copies of
// the photo), beside a vips loop (Gaussian blur and JPEG write per photo) at
// the same parallelism; and ten steps at 8 megapixels replayed after the
// first one changed, on the screen copy (through working files, and in
// memory as the editor's preview makes it) and on the photo, against the
// same ten calls made one by one.
//
//   ./build/bench/program/bench_steps
//
// ZN_STEPS_PHOTOS=n sets the batch's photos (6; tools/bench.sh --quick takes 2).
// The "summary" row gives the ratios: jobs2_over_jobs1 (goal <= 0.7),
// ours_over_vips at one and two jobs, replay_over_steps (the photo's ten
// steps replayed, over the ten made one by one; goal <= 1 on top of ten
// single steps) and the preview's seconds.
#include "benchmain.h"
#include "benchmemory.h"

#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "livesteps.h"
#include "photoreader.h"
#include "picturememory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>

#include <spawn.h>
#include <sys/wait.h>

#include <deque>
#include <map>

extern char **environ;

namespace {

struct Spent {
    double wall = 0;
    double cpu = 0;        // user + system of every process
    qint64 peakKiB = 0;    // the largest resident memory of one process
};

// Runs each command line, `parallel` at a time, each under /usr/bin/time
// (a small process of its own: a process started from this one would count
// this one's memory as its own peak), and waits for all of them.
Spent runAll(const QList<QStringList> &commands, int parallel, const QString &scratch, bool mayFail = false)
{
    Spent spent;
    QElapsedTimer wall;
    wall.start();
    std::deque<QStringList> waiting(commands.begin(), commands.end());
    std::map<pid_t, QString> reports;
    int started = 0;
    auto start = [&](const QStringList &command) {
        const QString report = scratch + QStringLiteral("time-%1.txt").arg(started++);
        QStringList words{"/usr/bin/time", "-f", "%M %U %S", "-o", report};
        words += command;
        std::vector<QByteArray> bytes;
        for (const QString &w : words)
            bytes.push_back(QFile::encodeName(w));
        std::vector<char *> argv;
        for (QByteArray &w : bytes)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            qFatal("cannot start %s", argv[0]);
        reports[pid] = report;
    };
    while (!waiting.empty() || !reports.empty()) {
        while (int(reports.size()) < parallel && !waiting.empty()) {
            start(waiting.front());
            waiting.pop_front();
        }
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        if (pid <= 0)
            break;
        if (!mayFail && (!WIFEXITED(status) || WEXITSTATUS(status) != 0))
            qWarning("a command of the benchmark failed (status %d)", status);
        QFile report(reports[pid]);
        reports.erase(pid);
        if (!report.open(QIODevice::ReadOnly))
            continue;
        // The last line: "%M %U %S" (a failed command's status line comes before it).
        const QList<QByteArray> lines = report.readAll().trimmed().split('\n');
        const QList<QByteArray> fields = lines.last().split(' ');
        if (fields.size() < 3)
            continue;
        spent.peakKiB = std::max(spent.peakKiB, fields.at(0).toLongLong());
        spent.cpu += fields.at(1).toDouble() + fields.at(2).toDouble();
    }
    spent.wall = double(wall.nsecsElapsed()) / 1e9;
    return spent;
}

struct Inputs {
    QString root;
    QStringList photos;     // 8 megapixels, JPEG
    QString lookSteps;      // one look
    QString screenCopy;     // the first photo at the screen copy's size
    QString tenSteps;       // ten steps, in proportions
    qint64 photoBytes = 0;  // one decoded photo
    qint64 baseKiB = 0;     // the command line doing nothing
};

Inputs inputs;
std::map<std::string, Spent> results;
double tenOneByOne = 0;
double tenReplayed = 0;
double previewReplayed = 0;
double previewInMemory = 0;

QString writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void batch(benchmark::State &state, bool vips, int jobs)
{
    const QString out = inputs.root + QStringLiteral("out/");
    for (auto _ : state) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QList<QStringList> commands;
        if (vips) {
            // A process a photo; each gets the cores the jobs share.
            qputenv("VIPS_CONCURRENCY", QByteArray::number(std::max(1, QThread::idealThreadCount() / jobs)));
            for (int i = 0; i < inputs.photos.size(); ++i)
                commands.append({"vips", "gaussblur", inputs.photos.at(i),
                                 out + QStringLiteral("v%1.jpg[Q=92]").arg(i), "2"});
        } else {
            QStringList command{QStringLiteral(ZN_CLI_PROGRAM), "--apply", inputs.lookSteps, "--jobs",
                                QString::number(jobs), "--out", out};
            commands.append(command + inputs.photos);
        }
        const Spent spent = runAll(commands, vips ? jobs : 1, inputs.root);
        state.SetIterationTime(spent.wall);
        results[(vips ? "vips/" : "batch/") + std::to_string(jobs)] = spent;
        state.counters["cpu_s"] = spent.cpu;
        state.counters["peak_MB"] = double(spent.peakKiB) / 1024;
        if (!vips) {
            const double perJob = double(spent.peakKiB - inputs.baseKiB) * 1024 / jobs;
            state.counters["job_photo_copies"] = perJob / double(inputs.photoBytes);
        }
    }
}

// The ten calls, one by one, on this thread's own objects.
double oneByOne(ZQDCommunication &facade, EditorTools &tools, const QString &photo)
{
    const QVariantMap read = tools.readSteps(inputs.tenSteps);
    QElapsedTimer timer;
    timer.start();
    // The same steps, each replayed alone on the picture the one before made
    // (a replay of one step is one call, as an Apply makes it).
    QString current = photo;
    for (const QVariant &step : read.value("steps").toList()) {
        const QString one = tools.stepsJson({step});
        const QStringList made = tools.replaySteps(current, one);
        if (made.isEmpty())
            qFatal("a step failed: %s", qPrintable(tools.lastError()));
        current = made.last();
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

void replay(benchmark::State &state, bool screen)
{
    ZQDCommunication facade;
    EditorTools tools(&facade);
    const QString picture = screen ? inputs.screenCopy : inputs.photos.first();
    for (auto _ : state) {
        imageio::PictureMemory::shared().clear();
        QElapsedTimer timer;
        timer.start();
        const QStringList files = tools.replaySteps(picture, inputs.tenSteps);
        const double took = double(timer.nsecsElapsed()) / 1e9;
        if (files.size() != 10)
            state.SkipWithError(qPrintable(tools.lastError()));
        state.SetIterationTime(took);
        (screen ? previewReplayed : tenReplayed) = took;
        if (!screen) {
            imageio::PictureMemory::shared().clear();
            tenOneByOne = oneByOne(facade, tools, picture);
            state.counters["one_by_one_s"] = tenOneByOne;
            state.counters["mean_step_s"] = tenOneByOne / 10;
        }
    }
}

// The preview as the editor makes it: the ten steps replayed in memory on
// the screen copy, nothing written.
void replayInMemory(benchmark::State &state)
{
    ZQDCommunication facade;
    const QImage picture = imageio::readPicture(inputs.screenCopy);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const livesteps::Outcome made =
            livesteps::run(facade, "tools.replaySteps", {inputs.screenCopy, inputs.tenSteps}, {picture});
        previewInMemory = double(timer.nsecsElapsed()) / 1e9;
        if (!made.ok)
            state.SkipWithError("the steps were not replayed in memory");
        state.SetIterationTime(previewInMemory);
    }
}

void summary(benchmark::State &state)
{
    for (auto _ : state) {
    }
    auto wall = [](const std::string &name) {
        const auto found = results.find(name);
        return found == results.end() ? 0.0 : found->second.wall;
    };
    const double one = wall("batch/1");
    const double two = wall("batch/2");
    if (one > 0)
        state.counters["jobs2_over_jobs1"] = two / one;
    if (wall("vips/1") > 0)
        state.counters["ours_over_vips_jobs1"] = one / wall("vips/1");
    if (wall("vips/2") > 0)
        state.counters["ours_over_vips_jobs2"] = two / wall("vips/2");
    if (tenOneByOne > 0)
        state.counters["replay_over_steps"] = tenReplayed / tenOneByOne;
    state.counters["preview_s"] = previewReplayed;
    state.counters["preview_in_memory_s"] = previewInMemory;
}

QByteArray tenStepsFile(EditorTools &tools, int w, int h)
{
    auto step = [](const char *object, const char *call, const QVariantList &args) {
        QVariantMap m{{"call", call}, {"args", args}};
        if (object)
            m.insert("object", object);
        return m;
    };
    const QList<QVariantMap> pixels = {
        step(nullptr, "loadImage", {1020}),
        step("tools", "toneImage", {10, 0, 0, 5, 0, 0}),
        step(nullptr, "SharpImage", {w, h, 0.3}),
        step("tools", "healImage", {w / 3, h / 3, w / 80}),
        step("tools", "selectiveImage", {w / 2, h / 2, w / 10, 20, 10, 10}),
        step("tools", "curvesImage", {"rgb", "0,0 128,140 255,255"}),
        step("tools", "hslImage", {"blue", 10, 20, 0}),
        step(nullptr, "mixingcolorImage", {w, h, 10, 10, 10}),
        step("tools", "perspectiveImage", {5.0, 0.0}),
        step(nullptr, "cropPic", {w, h, w * 8 / 10, h * 8 / 10, w / 10, h / 10}),
    };
    QVariantList steps;
    for (const QVariantMap &s : pixels) {
        // Measured on the photo as it is at that step: only the crop, the
        // last, changes the size, and the perspective keeps it.
        const QVariantMap made = tools.stepFor(s, w, h);
        if (made.isEmpty())
            qFatal("the bench's step is refused: %s", qPrintable(tools.lastError()));
        steps.append(made);
    }
    return tools.stepsJson(steps).toUtf8();
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    inputs.root = bench.root;
    bool ok = false;
    int count = qEnvironmentVariableIntValue("ZN_STEPS_PHOTOS", &ok);
    if (!ok || count <= 0)
        count = 6;
    QDir().mkpath(bench.root + "photos");
    QImage first;
    for (int i = 0; i < count; ++i) {
        const QImage photo = benchPhoto(quint32(101 + i));
        if (i == 0)
            first = photo;
        const QString path = bench.root + QStringLiteral("photos/photo%1.jpg").arg(i);
        if (!photo.save(path, "JPEG", 92))
            qFatal("cannot write %s", qPrintable(path));
        inputs.photos << path;
    }
    inputs.photoBytes = first.sizeInBytes();
    inputs.lookSteps = writeText(bench.root + "look.json",
                                 "{\"format\": \"zeltanorvik-steps\", \"version\": 1, \"steps\": "
                                 "[{\"call\": \"loadImage\", \"args\": [1020], \"label\": \"Look\"}]}\n");
    const int side = ZQDImageEngine::kScreenSide;
    inputs.screenCopy = bench.root + "photos/photo0.screen.png";
    first.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(inputs.screenCopy);
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        inputs.tenSteps = QString::fromUtf8(tenStepsFile(tools, first.width(), first.height()));
    }
    // The command line's own memory, before any photo.
    const Spent idle = runAll({{QStringLiteral(ZN_CLI_PROGRAM), "--steps", inputs.screenCopy}}, 1, bench.root, true);
    inputs.baseKiB = idle.peakKiB;

    for (int jobs : {1, 2}) {
        benchmark::RegisterBenchmark(QStringLiteral("batch/jobs:%1").arg(jobs).toUtf8().constData(),
                                     [jobs](benchmark::State &s) { batch(s, false, jobs); })
            ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(bench.iterations);
        benchmark::RegisterBenchmark(QStringLiteral("vips/jobs:%1").arg(jobs).toUtf8().constData(),
                                     [jobs](benchmark::State &s) { batch(s, true, jobs); })
            ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(bench.iterations);
    }
    benchmark::RegisterBenchmark("replay10/screen", [](benchmark::State &s) { replay(s, true); })
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench.iterations);
    benchmark::RegisterBenchmark("replay10/screen/memory", replayInMemory)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench.iterations);
    benchmark::RegisterBenchmark("replay10/photo", [](benchmark::State &s) { replay(s, false); })
        ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(bench.iterations);
    benchmark::RegisterBenchmark("summary", summary)->Iterations(1);
    return bench.run();
}
