// The working-file writer against QImage::save(path, "png", -1) on the same
// 8-megapixel (3264 x 2448) photo, opaque (RGB32, as a decoded photo) and with
// alpha (ARGB32 premultiplied, as a picture painted with transparency).
// Counters: the file size of each write ("bytes") and, for the writer, its
// size relative to Qt's file of the same picture ("vs_qt", 1.0 = equal).
//
// The photo is the wallpaper shipped with the desktop when it is installed,
// scaled to cover 8 MP, with a little sensor-like grain; otherwise a generated
// picture of smooth shading with the same grain.

#include "workingpngwriter.h"

#include "benchphoto.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;

// The photo with a soft oval vignette in alpha, premultiplied.
QImage withAlpha(const QImage &photo)
{
    QImage a = photo.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(a.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const double dx = (x - kWidth / 2.0) / (kWidth / 2.0), dy = (y - kHeight / 2.0) / (kHeight / 2.0);
            const int alpha = std::clamp(int(255 * (1.4 - std::sqrt(dx * dx + dy * dy))), 0, 255);
            line[x] = (line[x] & 0xffffffu) | quint32(alpha) << 24;
        }
    }
    return a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

const QImage &picture(bool alpha)
{
    static const QImage opaque = benchPhoto(99);
    static const QImage transparent = withAlpha(opaque);
    return alpha ? transparent : opaque;
}

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

std::map<bool, qint64> &qtSizes()
{
    static std::map<bool, qint64> sizes;
    return sizes;
}

qint64 qtSize(bool alpha)
{
    auto &sizes = qtSizes();
    if (!sizes.count(alpha)) {
        const QString path = folder().filePath("reference.png");
        picture(alpha).save(path, "png", -1);
        sizes[alpha] = QFileInfo(path).size();
    }
    return sizes[alpha];
}

void BM_WorkingPngWriter(benchmark::State &state)
{
    const bool alpha = state.range(0) != 0;
    const QImage &img = picture(alpha);
    const QString path = folder().filePath("working.png");
    for (auto _ : state) {
        if (!saveWorkingPng(img, path))
            state.SkipWithError("saveWorkingPng failed");
    }
    const qint64 size = QFileInfo(path).size();
    state.counters["bytes"] = double(size);
    state.counters["vs_qt"] = double(size) / double(qtSize(alpha));
    state.SetLabel(alpha ? "alpha" : "opaque");
}

void BM_QImageSavePng(benchmark::State &state)
{
    const bool alpha = state.range(0) != 0;
    const QImage &img = picture(alpha);
    const QString path = folder().filePath("qt.png");
    for (auto _ : state) {
        if (!img.save(path, "png", -1))
            state.SkipWithError("QImage::save failed");
    }
    const qint64 size = QFileInfo(path).size();
    qtSizes()[alpha] = size;
    state.counters["bytes"] = double(size);
    state.SetLabel(alpha ? "alpha" : "opaque");
}

}  // namespace

BENCHMARK(BM_QImageSavePng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WorkingPngWriter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
