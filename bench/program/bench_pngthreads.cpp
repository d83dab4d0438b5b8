// The working-file writer on one thread and on every core: an 8-megapixel
// photo (run coder) and a painted picture of the same size (full deflate),
// written with the thread limit at 1, 2 and 4. The files are the same bytes
// whatever the number of threads (tests/pngwriter); this shows the time.
#include "imaging/bandworkers.h"
#include "benchphoto.h"
#include "workingpngwriter.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

namespace {

QString gFolder;

const QImage &photo()
{
    static const QImage image = benchPhoto(3);
    return image;
}

const QImage &painted()
{
    static const QImage image = [] {
        QImage p(3264, 2448, QImage::Format_RGB32);
        p.fill(Qt::white);
        QPainter painter(&p);
        for (int i = 0; i < 400; ++i) {
            painter.setBrush(QColor::fromHsv((i * 37) % 360, 180, 220));
            painter.drawEllipse((i * 211) % 3000, (i * 97) % 2200, 120 + i % 200, 90 + i % 150);
        }
        return p;
    }();
    return image;
}

void write(benchmark::State &state, const QImage &image)
{
    bandworkers::setThreadLimit(int(state.range(0)));
    const QString path = gFolder + QStringLiteral("/out.png");
    for (auto _ : state) {
        if (!saveWorkingPng(image, path))
            state.SkipWithError("the file could not be written");
    }
    bandworkers::setThreadLimit(0);
}

void BM_WritePhoto(benchmark::State &state)
{
    write(state, photo());
}
void BM_WritePainted(benchmark::State &state)
{
    write(state, painted());
}

BENCHMARK(BM_WritePhoto)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WritePainted)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    gFolder = dir.path();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
