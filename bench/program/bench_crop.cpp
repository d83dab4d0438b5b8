// One crop of a 4-megapixel photo (2448 x 1632 JPEG), as the interface asks
// for it, with the crop box at 80 % of the picture each way:
//
//   crop/now      cropPic on the photo: it always cuts anew.
//   crop/before   what the interface had to do while cropPic handed back any
//                 existing file of the output's name: step down the name
//                 chain with full-size copies (qualityImage at 1.0) to a name
//                 not yet written, here four of them as after a look and a
//                 few previews, each checked by decoding it as the interface's
//                 file check does (an 8 x 8 image of it), then cropPic.
//
// One iteration each by default (ZN_BENCH_ITERATIONS=n for more); real time,
// the working files included.

#include "ZQDCommunication.h"

#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 1632;
constexpr int kCopiesBefore = 4;

QString gPhoto;
ZQDCommunication *gFacade = nullptr;

QString cropOf(const QString &source)
{
    return gFacade->cropPic(source, kWidth, kHeight, kWidth * 4 / 5, kHeight * 4 / 5, kWidth / 10, kHeight / 10);
}

void cropNow(benchmark::State &state)
{
    for (auto _ : state) {
        if (cropOf(gPhoto).isEmpty())
            state.SkipWithError("the crop failed");
    }
}

void cropBefore(benchmark::State &state)
{
    for (auto _ : state) {
        QString from = gPhoto;
        for (int i = 0; i < kCopiesBefore && !from.isEmpty(); ++i) {
            from = gFacade->qualityImage(from, 1.0);
            QImageReader check(from);
            check.setScaledSize(QSize(8, 8));
            if (check.read().isNull())
                from.clear();
        }
        if (from.isEmpty() || cropOf(from).isEmpty())
            state.SkipWithError("the copies or the crop failed");
    }
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    gPhoto = bench.root + QStringLiteral("photo.jpg");
    if (!benchPhoto(11).scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
             .save(gPhoto, "JPEG", 90))
        qFatal("cannot write the photo");
    ZQDCommunication facade;
    gFacade = &facade;

    const int n = bench.iterations;
    benchmark::RegisterBenchmark("crop/now", cropNow)->Iterations(n)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("crop/before", cropBefore)->Iterations(n)->Unit(benchmark::kMillisecond)->UseRealTime();
    const int status = bench.run();
    gFacade = nullptr;
    return status;
}
