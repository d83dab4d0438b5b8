// The "tools" object's editing operations, single thread, working file
// included (decode, pixels, PNG written):
//   whole/<op>    the call on the 8-megapixel photo (3264 x 2448 JPEG), as
//                 the interface makes it on Apply (goal: 0.3 s at most);
//   preview/<op>  the call on the screen-size copy (480 x 360 PNG working
//                 file: the photo fitted to the 480-pixel-wide view of the
//                 interface), as a slider step makes it (goal: 16 ms at most);
//   pixels/<op>   the pixel work alone on the 8-megapixel picture in memory;
//   stages/<step> what every whole call also pays: the photo decoded (JPEG),
//                 an edit decoded (PNG working file), the result written.
// Strength mixes the photo with a look-like edit of itself; tone sets every
// control at once; straighten turns by 4.5 degrees.
//
// The pixel passes of large pictures run in bands on up to four threads, and
// strength decodes its two pictures at once: "Time" is the wall-clock time
// the user waits, "CPU" the whole process's processor time (all threads).
// One iteration per benchmark unless ZN_BENCH_ITERATIONS=n says more.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "autoenhance.h"
#include "blend.h"
#include "levels.h"
#include "straighten.h"
#include "tone.h"
#include "toolpicture.h"
#include "heal.h"

#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

namespace {

struct Inputs {
    QString photo, edited;            // 8 MP JPEG, its edit (PNG)
    QString screen, screenEdited;     // the screen-size copies
    QImage pixels, pixelsEdited;      // the 8 MP pictures in memory
};
Inputs gIn;
EditorTools *gTools = nullptr;

QImage editOf(const QImage &image)
{
    QImage out = image.copy();
    out.invertPixels();
    return out;
}

void registerCall(const std::string &name, int iterations, std::function<QString()> call)
{
    benchmark::RegisterBenchmark(name.c_str(), [call](benchmark::State &state) {
        for (auto _ : state)
            if (call().isEmpty())
                state.SkipWithError("the operation failed");
    })->Iterations(iterations)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

void registerPixels(const std::string &name, int iterations, std::function<QImage()> work)
{
    benchmark::RegisterBenchmark(name.c_str(), [work](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(work());
    })->Iterations(iterations)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

void registerAll(int iterations)
{
    const int previews = iterations * 10;
    registerCall("whole/blendImage", iterations, [] { return gTools->blendImage(gIn.photo, gIn.edited, 0.6); });
    registerCall("whole/autoEnhanceImage", iterations, [] { return gTools->autoEnhanceImage(gIn.photo); });
    registerCall("whole/straightenImage", iterations, [] { return gTools->straightenImage(gIn.photo, 4.5); });
    registerCall("whole/toneImage", iterations,
                 [] { return gTools->toneImage(gIn.photo, 30, -40, 35, 20, -10, 50); });

    registerCall("preview/blendImage", previews,
                 [] { return gTools->blendImage(gIn.screen, gIn.screenEdited, 0.6); });
    registerCall("preview/straightenImage", previews, [] { return gTools->straightenImage(gIn.screen, 4.5); });
    registerCall("preview/toneImage", previews,
                 [] { return gTools->toneImage(gIn.screen, 30, -40, 35, 20, -10, 50); });
    registerCall("preview/brightnessHistogram", previews, [] {
        return gTools->brightnessHistogram(gIn.screen, 64).isEmpty() ? QString() : QStringLiteral("ok");
    });

    registerPixels("stages/decode_jpeg", iterations, [] { return toolpicture::load(gIn.photo); });
    registerPixels("stages/decode_png", iterations, [] { return toolpicture::load(gIn.edited); });
    registerCall("stages/write_working_file", iterations,
                 [] { return toolpicture::write(gTools->communication(), gIn.pixels, gIn.photo, "bench"); });
    registerPixels("pixels/blend", iterations,
                   [] { return blend::mix(gIn.pixels, gIn.pixelsEdited, blend::weightOf(0.6)); });
    registerPixels("pixels/autoenhance", iterations, [] { return autoenhance::apply(gIn.pixels); });
    registerPixels("pixels/autoenhance_library_levels", iterations, [] {
        QImage copy = gIn.pixels.copy();
        AutoColorLevel(copy.bits(), copy.width(), copy.height(), true);
        return copy;
    });
    registerPixels("pixels/straighten", iterations, [] { return straighten::apply(gIn.pixels, 4.5); });
    registerPixels("pixels/tone", iterations,
                   [] { return tone::apply(gIn.pixels, {30, -40, 35, 20, -10, 50}); });
}

// The retouching tools: each whole call on the 8-megapixel photo (goal 0.3 s;
// heal per spot), each live step in memory on the editor's screen copy (854
// pixels on the long side, as the live previews get it; goal 16 ms) and the
// pixel work alone on the 8-megapixel picture. Heal takes a spot of radius
// 30 on the photo, 8 on the copy; the selective point reaches most of the photo.
QImage gLive;

void registerRetouch(int iterations)
{
    const int steps = iterations * 20;
    registerCall("whole/healImage", iterations, [] { return gTools->healImage(gIn.photo, 1700, 1100, 30); });
    registerCall("whole/selectiveImage", iterations,
                 [] { return gTools->selectiveImage(gIn.photo, 1600, 1200, 800, 40, 20, 30); });
    registerCall("whole/perspectiveImage", iterations, [] { return gTools->perspectiveImage(gIn.photo, 15, -8); });
    registerCall("whole/curvesImage", iterations,
                 [] { return gTools->curvesImage(gIn.photo, "rgb", "0,0 64,80 192,200 255,255"); });
    registerCall("whole/hslImage", iterations, [] { return gTools->hslImage(gIn.photo, "orange", 20, -40, 15); });

    registerPixels("live/healImage", steps, [] { return EditorTools::healed(gLive, 445, 288, 8); });
    registerPixels("live/selectiveImage", steps,
                   [] { return EditorTools::selected(gLive, 418, 314, 209, 40, 20, 30); });
    registerPixels("live/perspectiveImage", steps, [] { return EditorTools::keystoned(gLive, 15, -8); });
    registerPixels("live/curvesImage", steps,
                   [] { return EditorTools::curved(gLive, "rgb", "0,0 64,80 192,200 255,255"); });
    registerPixels("live/hslImage", steps, [] { return EditorTools::hslMixed(gLive, "orange", 20, -40, 15); });

    registerPixels("pixels/heal", iterations, [] { return heal::apply(gIn.pixels, {1700, 1100, 30}); });
    registerPixels("pixels/selective", iterations,
                   [] { return EditorTools::selected(gIn.pixels, 1600, 1200, 800, 40, 20, 30); });
    registerPixels("pixels/perspective", iterations, [] { return EditorTools::keystoned(gIn.pixels, 15, -8); });
    registerPixels("pixels/curves", iterations,
                   [] { return EditorTools::curved(gIn.pixels, "rgb", "0,0 64,80 192,200 255,255"); });
    registerPixels("pixels/hsl", iterations, [] { return EditorTools::hslMixed(gIn.pixels, "orange", 20, -40, 15); });
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    const QString &root = bench.root;
    gIn.pixels = benchPhoto(7);
    gIn.pixelsEdited = editOf(gIn.pixels);
    gIn.photo = root + QStringLiteral("photo.jpg");
    gIn.edited = root + QStringLiteral("edited.png");
    gIn.screen = root + QStringLiteral("screen.png");
    gIn.screenEdited = root + QStringLiteral("screenedited.png");
    const QImage screen = gIn.pixels.scaled(480, 480, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!gIn.pixels.save(gIn.photo, "JPEG", 90) || !gIn.pixelsEdited.save(gIn.edited, "PNG")
        || !screen.save(gIn.screen, "PNG") || !editOf(screen).save(gIn.screenEdited, "PNG"))
        qFatal("cannot write the benchmark pictures");

    ZQDCommunication facade;
    EditorTools tools(&facade);
    gTools = &tools;
    registerAll(bench.iterations);
    gLive = gIn.pixels.scaled(854, 854, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    registerRetouch(bench.iterations);
    const int status = bench.run();
    gTools = nullptr;
    return status;
}
