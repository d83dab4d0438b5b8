// Collages and speech-bubble text from 8-megapixel photos (3264 x 2448 JPEGs
// of quality 90, nine different ones), single thread:
//
//   facade/template9   layout 009-001 in border 002 on paper: the background
//                      once beforehand, then per call the nine placements and
//                      savePuzzleTemplate, working file included
//   facade/free9       free layout 009-001 on the cork board: per call the nine
//                      placements, getMixRule (it reads the photos' sizes),
//                      the nine placements again and savePuzzleFree
//   print/template9x4_12mp  the template collage drawn four times larger
//                      (tools.collageImage) from nine 12 MP photos, with the
//                      peak of resident memory over the call (peak_MiB)
//   facade/text8mp     writingFontImage: a bubble zoomed 1.5 on a photo shown
//                      480 wide (screen scale 6.8), turned 10 degrees, burnt in
//
// and the same work stage by stage (stages/...), with each stage's share as a
// counter in milliseconds per call:
//   photos_ms   the photos decoded at their collage zoom (the reader scales
//               JPEGs while decoding), turned, mirrored and cut
//   draw_ms     background loaded, photos drawn onto it
//   bubble_ms   bubble scaled, text laid out and drawn into it
//   turn_ms     the bubble turned (smooth transformation)
//   decode_ms   the 8 MP photo decoded (text)
//   png_ms      the result handed back as a pixmap and written as a working file
//
// One iteration per benchmark by default (ZN_BENCH_ITERATIONS=n for more).

#include "ZQDCommunication.h"
#include "benchmain.h"
#include "benchmemory.h"
#include "EditorTools.h"
#include "ZQDImageEngine.h"
#include "collagesupport.h"
#include "workingpngwriter.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

namespace {

constexpr int kWidth = 3264;
constexpr int kHeight = 2448;
constexpr int kPhotos = 9;

QString gRoot;
QString gPhotos[kPhotos];
QString gWorkingFile;
QString gTemplateBackground;
QString gFreeBackground;
ZQDCommunication *gFacade = nullptr;

// Smooth shading that differs from photo to photo, with sensor-like grain.
QImage makePhoto(int index)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    quint32 seed = 7 + index;
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            seed = seed * 1664525u + 1013904223u;
            const int n = int((seed >> 24) % 7) - 3;
            auto c = [n](double value) { return std::clamp(int(value) + n, 0, 255); };
            line[x] = qRgb(c(120 + 100 * std::sin(6 * u + 2 * v + index)), c(110 + 90 * std::cos(4 * v - 3 * u * v + index)),
                           c(90 + 80 * std::sin(9 * u * v + 1 + 0.5 * index)));
        }
    }
    return img;
}

class Stages
{
public:
    explicit Stages(benchmark::State &state) : state(state) {}
    ~Stages()
    {
        for (const auto &[name, ms] : total)
            state.counters[name] = benchmark::Counter(ms, benchmark::Counter::kAvgIterations);
    }

    template <typename F>
    void time(const char *stage, F &&work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        total[stage] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

private:
    benchmark::State &state;
    std::map<std::string, double> total;
};

void requireFile(benchmark::State &state, const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        state.SkipWithError("no working file was written");
}

void writeResult(benchmark::State &state, QImage &&image)
{
    const QPixmap pix = QPixmap::fromImage(std::move(image));
    if (!saveWorkingPng(pix.toImage(), gWorkingFile))
        state.SkipWithError("the working file cannot be written");
}

// --- template collage --------------------------------------------------------

// Each photo zoomed to cover its cell, cut around the middle.
struct Placement {
    float x, y, w, h, copyx, copyy, scale;
};

// A staged collage's last two stages: the background loaded and the pictures
// drawn at their places on it, then the result written as the working file.
void drawAndWrite(benchmark::State &state, Stages &stages, const QString &backgroundFile,
                  const QList<Placement> &places, const QList<QImage> &pictures)
{
    QImage background;
    stages.time("draw_ms", [&] {
        background = gFacade->engine()->getScaleImage(backgroundFile, 1.0);
        QPainter painter(&background);
        for (int i = 0; i < pictures.size(); ++i)
            painter.drawImage(QPointF(places[i].x, places[i].y), pictures[i]);
    });
    stages.time("png_ms", [&] { writeResult(state, std::move(background)); });
}

QList<Placement> templatePlacements()
{
    QList<Placement> out;
    for (int i = 0; i < gFacade->imageRectCount(); ++i) {
        ZQDImageRect *cell = gFacade->getImageRect(i);
        const float scale =
            std::max(float(cell->getwidth()) / kWidth, float(cell->getheight()) / kHeight) * 1.01f;
        out.append({float(cell->getx()), float(cell->gety()), float(cell->getwidth()), float(cell->getheight()),
                    (kWidth * scale - cell->getwidth()) * 0.5f, (kHeight * scale - cell->getheight()) * 0.5f, scale});
    }
    return out;
}

void prepareTemplate()
{
    gTemplateBackground = gFacade->getTemplateRule(QStringLiteral(":/puzzletemplate/009-001.zeltambpt"),
                                                   QStringLiteral(":/puzzleframe/002.ptbj"),
                                                   QStringLiteral(":/puzzlegrain/paper.jpg"));
    // Keep the background apart from later working files of the same name.
    const QString kept = gRoot + QStringLiteral("template-background.png");
    QFile::remove(kept);
    QFile::copy(gTemplateBackground, kept);
    gTemplateBackground = kept;
}

void facadeTemplate(benchmark::State &state)
{
    prepareTemplate();
    const QList<Placement> places = templatePlacements();
    if (places.size() != kPhotos)
        state.SkipWithError("layout 009-001 is not in the bundle");
    for (auto _ : state) {
        gFacade->clearPaintImageList();
        for (int i = 0; i < places.size(); ++i) {
            const Placement &p = places[i];
            gFacade->addPaintImage(gPhotos[i], p.x, p.y, p.w, p.h, p.copyx, p.copyy, 0, false, false, p.scale);
        }
        requireFile(state, gFacade->savePuzzleTemplate(gTemplateBackground));
    }
}

void stagedTemplate(benchmark::State &state)
{
    prepareTemplate();
    ZQDImageEngine &engine = *gFacade->engine();
    const QList<Placement> places = templatePlacements();
    Stages stages(state);
    for (auto _ : state) {
        QList<QImage> cuts;
        stages.time("photos_ms", [&] {
            for (int i = 0; i < places.size(); ++i) {
                const Placement &p = places[i];
                cuts.append(engine.revolvImageTemplate(gPhotos[i], p.w, p.h, p.copyx, p.copyy, p.scale, 0, false,
                                                       false));
            }
        });
        drawAndWrite(state, stages, gTemplateBackground, places, cuts);
    }
}

// --- free collage ------------------------------------------------------------

void prepareFree()
{
    gFreeBackground = gFacade->revolvFreeBgImage(QStringLiteral(":/miximage/cork.jpg"), 1.0f, 640, 896);
    const QString kept = gRoot + QStringLiteral("free-background.png");
    QFile::remove(kept);
    QFile::copy(gFreeBackground, kept);
    gFreeBackground = kept;
}

// The fitted cells after getMixRule, as the collage screen places them: each
// photo at its cell's width, turned about the cell's centre.
QList<Placement> freePlacements(QList<float> &degrees)
{
    QList<Placement> out;
    for (int i = 0; i < gFacade->imageRectCount(); ++i) {
        ZQDImageRect *r = gFacade->getImageRect(i);
        const QSize turned = collagesupport::turnedSize(QSize(r->getwidth(), r->getheight()), r->getDegree());
        out.append({r->getx() + r->getwidth() * 0.5f - (turned.width() - 1) * 0.5f,
                    r->gety() + r->getheight() * 0.5f - (turned.height() - 1) * 0.5f, 0, 0, 0, 0,
                    float(r->getwidth()) / kWidth});
        degrees.append(r->getDegree());
    }
    return out;
}

void facadeFree(benchmark::State &state)
{
    prepareFree();
    for (auto _ : state) {
        gFacade->clearPaintImageList();
        for (const QString &photo : gPhotos)
            gFacade->addPaintImage(photo);
        if (!gFacade->getMixRule(QStringLiteral(":/puzzlef/009-001.zypt")))
            state.SkipWithError("free layout 009-001 is not in the bundle");
        QList<float> degrees;
        const QList<Placement> places = freePlacements(degrees);
        gFacade->clearPaintImageList();
        for (int i = 0; i < places.size(); ++i)
            gFacade->addPaintImage(gPhotos[i], places[i].x, places[i].y, 0, 0, 0, 0, degrees[i], false, false,
                                   places[i].scale);
        requireFile(state, gFacade->savePuzzleFree(gFreeBackground));
    }
}

void stagedFree(benchmark::State &state)
{
    prepareFree();
    ZQDImageEngine &engine = *gFacade->engine();
    gFacade->clearPaintImageList();
    for (const QString &photo : gPhotos)
        gFacade->addPaintImage(photo);
    gFacade->getMixRule(QStringLiteral(":/puzzlef/009-001.zypt"));
    QList<float> degrees;
    const QList<Placement> places = freePlacements(degrees);
    gFacade->clearPaintImageList();
    Stages stages(state);
    for (auto _ : state) {
        QList<QImage> photos;
        stages.time("photos_ms", [&] {
            for (int i = 0; i < places.size(); ++i)
                photos.append(engine.rotate(engine.getScaleImage(gPhotos[i], places[i].scale), degrees[i]));
        });
        drawAndWrite(state, stages, gFreeBackground, places, photos);
    }
}

// --- text --------------------------------------------------------------------

constexpr float kScreenScale = float(kWidth) / 480.0f;
const QString kText = QStringLiteral("Greetings from the seaside, where the weather is lovely");

void facadeText(benchmark::State &state)
{
    for (auto _ : state)
        requireFile(state, gFacade->writingFontImage(QStringLiteral(":/bubble/round.qvqp"), gPhotos[0], kScreenScale,
                                                     40, 30, QStringLiteral(":/fontbg/round.png"), 1.5f, kText, 10,
                                                     14, QStringLiteral("#101010"), 0, 1, 375, 282, 48, 36));
}

void stagedText(benchmark::State &state)
{
    ZQDImageEngine &engine = *gFacade->engine();
    const float k = 1.5f * kScreenScale;
    Stages stages(state);
    for (auto _ : state) {
        QImage turned;
        stages.time("bubble_ms", [&] {
            QImage bubble = QImage(QStringLiteral(":/fontbg/round.png"))
                                .scaled(int(474 * k), int(421 * k), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QImage layer(int(375 * k), int(282 * k), QImage::Format_ARGB32);
            layer.fill(0);
            {
                QPainter painter(&layer);
                QFont font;
                font.setPointSize(int(14 * k));
                font.setWeight(QFont::Bold);
                painter.setFont(font);
                painter.setPen(QColor(0x10, 0x10, 0x10));
                painter.drawText(layer.rect(), 0x1084, kText);
            }
            QPainter(&bubble).drawImage(QPointF(48 * k, 36 * k), layer);
            turned = bubble;
        });
        stages.time("turn_ms", [&] { turned = engine.rotate(turned, 10); });
        QImage photo;
        stages.time("decode_ms", [&] { photo = engine.loadPic(gPhotos[0]); });
        stages.time("draw_ms", [&] { QPainter(&photo).drawImage(QPointF(40 * kScreenScale, 30 * kScreenScale), turned); });
        stages.time("png_ms", [&] { writeResult(state, std::move(photo)); });
    }
}

// --- a collage for print --------------------------------------------------------

// Nine 12-megapixel photos (4000 x 3000 JPEGs, the 8-megapixel ones enlarged),
// made when the row first runs.
QStringList largePhotos()
{
    static QStringList photos;
    if (photos.isEmpty()) {
        for (int i = 0; i < kPhotos; ++i) {
            const QString path = gRoot + QStringLiteral("large%1.jpg").arg(i);
            const QImage photo = QImage(gPhotos[i]).scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (!photo.save(path, "JPEG", 90))
                qFatal("cannot write the large photos");
            photos.append(path);
        }
    }
    return photos;
}

// tools.collageImage at four times the canvas (2920 x 3984) with nine 12 MP
// photos placed as the collage screen places them, working file included,
// with the peak of resident memory over the call.
void printTemplate(benchmark::State &state)
{
    prepareTemplate();
    const QStringList photos = largePhotos();
    EditorTools tools(gFacade);
    const QList<Placement> places = templatePlacements();
    double peak = -1;
    for (auto _ : state) {
        gFacade->clearPaintImageList();
        for (int i = 0; i < places.size(); ++i) {
            // The placements are for the 8 MP photos: the same cut of a photo
            // 4000 / 3264 times larger.
            const Placement &p = places[i];
            const float k = float(kWidth) / 4000.0f;
            gFacade->addPaintImage(photos[i], p.x, p.y, p.w, p.h, p.copyx, p.copyy, 0, false, false, p.scale * k);
        }
        const bool peakKnown = resetPeakMemory();
        const qint64 before = memoryKiB("VmRSS:");
        requireFile(state, tools.collageImage(QStringLiteral("template"), gTemplateBackground, 4, 0));
        const qint64 high = memoryKiB("VmHWM:");
        if (peakKnown && before >= 0 && high >= 0)
            peak = std::max(peak, double(high - before) / 1024.0);
    }
    state.counters["peak_MiB"] = peak;
}

void registerAll(int iterations)
{
    auto add = [iterations](const char *name, void (*fn)(benchmark::State &)) {
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->Iterations(iterations);
    };
    add("stages/template9", stagedTemplate);
    add("facade/template9", facadeTemplate);
    add("stages/free9", stagedFree);
    add("facade/free9", facadeFree);
    add("stages/text8mp", stagedText);
    add("facade/text8mp", facadeText);
    add("print/template9x4_12mp", printTemplate);
}

}  // namespace

int main(int argc, char **argv)
{
    ProgramBench bench(argc, argv);
    gRoot = bench.root;
    for (int i = 0; i < kPhotos; ++i) {
        gPhotos[i] = gRoot + QStringLiteral("photo%1.jpg").arg(i);
        if (!makePhoto(i).save(gPhotos[i], "JPEG", 90))
            qFatal("cannot write the photos");
    }
    gWorkingFile = gRoot + QStringLiteral("staged.png");
    ZQDCommunication facade;
    gFacade = &facade;
    if (!QFile::exists(QStringLiteral(":/puzzleframe/002.ptbj")))
        qWarning("the resource bundle is not linked in: the collages will fail");

    registerAll(bench.iterations);
    const int status = bench.run();
    gFacade = nullptr;
    return status;
}
