// Collages at print size (tools.collageImage): scale 1 is the facade's own
// collage to the byte, a larger scale samples the photos afresh (sharper than
// the small collage enlarged), and the scale chosen by itself never enlarges a
// photo past its own pixels.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "collagetest.h"

#include <cmath>

using namespace collagetest;

namespace {

// Fine detail everywhere: a one-pixel grain over diagonal stripes, so a photo
// sampled at a larger zoom holds more than the same photo enlarged.
QImage detailedPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) * 6;
            const int stripe = ((x + y) / 3) % 2 ? 150 : 60;
            line[x] = qRgb(std::min(255, stripe + grain), 100 + grain, std::max(0, 200 - stripe + grain / 2));
        }
    }
    return image;
}

// The variance of the Laplacian of the grey picture inside `area`: how much
// fine detail it holds.
double laplacianVariance(const QImage &image, QRect area)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0, squares = 0;
    qint64 n = 0;
    for (int y = area.top() + 1; y < area.bottom(); ++y)
        for (int x = area.left() + 1; x < area.right(); ++x) {
            const auto at = [&](int px, int py) { return double(grey.constScanLine(py)[px]); };
            const double l = at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1) - 4 * at(x, y);
            sum += l;
            squares += l * l;
            ++n;
        }
    const double mean = sum / double(n);
    return squares / double(n) - mean * mean;
}

// The two-cell template's placements: the photo's top-left 650 x 323 at a zoom
// of 0.25 in the top cell, its centre at 0.2 in the bottom one.
void placeTemplatePhotos(ZQDCommunication &facade, const QString &photo)
{
    facade.addPaintImage(photo, 40, 40, 650, 323, 0, 0, 0, false, false, 0.25f);
    facade.addPaintImage(photo, 40, 371, 650, 585, 10, 20, 0, true, false, 0.2f);
}

}  // namespace

class PrintCollageTest : public QObject
{
    Q_OBJECT

    QString photo;

private slots:
    void initTestCase() { photo = writePicture("detailed.png", detailedPhoto(2800, 2400)); }

    void scaleOneIsTheFacadesCollage()
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        placeTemplatePhotos(facade, photo);
        const QImage own(facade.savePuzzleTemplate(background));
        placeTemplatePhotos(facade, photo);
        const QString print = tools.collageImage(QStringLiteral("template"), "file://" + background, 1, 0);
        QVERIFY2(!print.isEmpty(), qPrintable(tools.lastError()));
        QCOMPARE(QImage(print), own);
        QCOMPARE(facade.engine()->paintImageCount(), 0);

        QVERIFY(facade.getMixRule(kFree002001));
        const QString bg = facade.revolvFreeBgImage(QStringLiteral(":/miximage/cork.jpg"), 1.0f, 640, 896);
        facade.addPaintImage(photo, 44, 21, 0, 0, 0, 0, -3, false, false, 0.1f);
        const QImage ownFree(facade.savePuzzleFree(bg));
        facade.addPaintImage(photo, 44, 21, 0, 0, 0, 0, -3, false, false, 0.1f);
        QCOMPARE(QImage(tools.collageImage(QStringLiteral("free"), bg, 1, 0)), ownFree);
    }

    void largerScaleSamplesThePhotosAfresh()
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        placeTemplatePhotos(facade, photo);
        const QImage small(tools.collageImage(QStringLiteral("template"), background, 1, 0));
        placeTemplatePhotos(facade, photo);
        QCOMPARE(facade.engine()->collagePrintScale(), 4);
        const QString path = tools.collageImage(QStringLiteral("template"), background, 0, 0);
        QVERIFY2(!path.isEmpty(), qPrintable(tools.lastError()));
        const QImage large(path);
        QCOMPARE(large.size(), small.size() * 4);
        keepArtefact(large, QStringLiteral("print-template-4x.png"));

        // The top cell, inside its edges: sampled afresh against enlarged.
        const QRect cell(40 * 4 + 8, 40 * 4 + 8, 650 * 4 - 16, 323 * 4 - 16);
        const QImage enlarged = small.scaled(small.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double sharp = laplacianVariance(large, cell);
        const double soft = laplacianVariance(enlarged, cell);
        QVERIFY2(sharp >= 2 * soft, qPrintable(QStringLiteral("%1 against %2").arg(sharp).arg(soft)));
        // The same part of the photo lands in the same place: the cell's
        // average colour matches the small collage's.
        const auto mean = [](const QImage &image, QRect area) {
            const QImage part = image.copy(area).scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            return part.pixelColor(0, 0);
        };
        const QColor a = mean(large, cell), b = mean(enlarged, cell);
        QVERIFY(std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12
                && std::abs(a.blue() - b.blue()) < 12);

        // A free collage three times larger, stitched twice.
        QVERIFY(facade.getMixRule(kFree002001));
        const QString bg = facade.revolvFreeBgImage(QStringLiteral(":/miximage/cork.jpg"), 1.0f, 640, 896);
        facade.addPaintImage(photo, 44, 21, 0, 0, 0, 0, -3, false, false, 0.1f);
        QCOMPARE(QImage(tools.collageImage(QStringLiteral("free"), bg, 3, 0)).size(), QSize(1920, 2688));
        const QString strip = facade.getStitchingRule(kBorder002, kPaper, 640, 480);
        facade.addPaintImage(photo, 45, 49, 640, 480, 0, 0, 0, false, false, 0.25f);
        QCOMPARE(QImage(tools.collageImage(QStringLiteral("stitched"), strip, 2, 0)).size(), QImage(strip).size() * 2);
    }

    // The border and a drawn pattern are drawn again for the scale, not
    // enlarged: an edge of the border is as narrow at 4x as at 1x (the
    // partly transparent pixels along its edges grow with the edges' length,
    // four times, not with their area, sixteen), and the pattern is its 4x
    // tile repeated. A textured pattern is enlarged under a sharp border.
    void bordersAndPatternsAreDrawnForTheScale()
    {
        const auto partlyTransparent = [](const QImage &image) {
            const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
            qint64 n = 0;
            for (int y = 0; y < straight.height(); ++y)
                for (int x = 0; x < straight.width(); ++x)
                    n += qAlpha(straight.pixel(x, y)) > 20 && qAlpha(straight.pixel(x, y)) < 235;
            return n;
        };
        const QString dots = QStringLiteral(":/puzzlegrain/dots.png");
        for (const QString &pattern : {dots, kPaper}) {
            ZQDCommunication facade;
            EditorTools tools(&facade);
            const QString background = facade.getTemplateRule(kLayout002001, kBorder002, pattern);
            const QImage small(tools.collageImage(QStringLiteral("template"), background, 1, 0));
            const QImage large(tools.collageImage(QStringLiteral("template"), background, 4, 0));
            QCOMPARE(large.size(), small.size() * 4);
            const qint64 edge1 = partlyTransparent(small), edge4 = partlyTransparent(large);
            const qint64 enlarged =
                partlyTransparent(small.scaled(small.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            QVERIFY(edge1 > 100);
            QVERIFY2(edge4 <= 6 * edge1 && enlarged >= 10 * edge1,
                     qPrintable(QStringLiteral("%1 at 1x, %2 at 4x, %3 enlarged").arg(edge1).arg(edge4).arg(enlarged)));
            if (pattern == dots) {
                keepArtefact(large, QStringLiteral("print-border-4x.png"));
                const QImage tile(QStringLiteral(":/puzzlegrain@4x/dots.png"));
                QCOMPARE(tile.size(), QImage(dots).size() * 4);
                // Inside the border, off its stitching: the 4x tile repeated.
                for (const QPoint at : {QPoint(200, 180), QPoint(large.width() - 200, 400), QPoint(170, 1000)})
                    QCOMPARE(large.pixel(at) | 0xff000000u, tile.pixel(at.x() % tile.width(), at.y() % tile.height()));
            }
        }
        // Made from something else than what the engine drew last: enlarged.
        ZQDCommunication facade;
        EditorTools tools(&facade);
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, dots);
        QImage other(background);
        other.setPixel(0, 0, qRgba(1, 2, 3, 255));
        QVERIFY(other.save(background + QStringLiteral(".other.png")));
        const QImage large(tools.collageImage(QStringLiteral("template"), background + QStringLiteral(".other.png"), 4, 0));
        QCOMPARE(large.size(), other.size() * 4);
        QVERIFY(partlyTransparent(large) >= 10 * partlyTransparent(other));
    }

    // Rounded corners show the background at each cell's corner, at any
    // scale, and leave the rest of the cell as it was.
    void cornersAreRoundedAtEveryScale()
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        const QImage paper(background);
        placeTemplatePhotos(facade, photo);
        const QImage square(tools.collageImage(QStringLiteral("template"), background, 1, 0));
        for (int scale : {1, 2}) {
            placeTemplatePhotos(facade, photo);
            const QImage round(tools.collageImage(QStringLiteral("template"), background, scale, 24));
            QVERIFY2(!round.isNull(), qPrintable(tools.lastError()));
            // The top cell's top-left corner pixel is the background's.
            const QRgb corner = round.pixel(40 * scale + 1, 40 * scale + 1);
            const QRgb under = paper.scaled(paper.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                   .pixel(40 * scale + 1, 40 * scale + 1);
            QVERIFY2(std::abs(qRed(corner) - qRed(under)) <= 2 && std::abs(qGreen(corner) - qGreen(under)) <= 2
                         && std::abs(qBlue(corner) - qBlue(under)) <= 2,
                     qPrintable(QStringLiteral("%1 against %2").arg(corner, 0, 16).arg(under, 0, 16)));
            if (scale == 1) {
                QVERIFY(round.pixel(41, 41) != square.pixel(41, 41));
                QCOMPARE(round.copy(100, 100, 300, 200), square.copy(100, 100, 300, 200));
            }
        }
    }

    // The scale chosen by itself: the largest of 4, 3, 2 at which every photo
    // stays within its own pixels; 1 when a photo is already enlarged.
    void chosenScaleNeverEnlargesAPhoto()
    {
        ZQDCommunication facade;
        const auto scaleFor = [&](std::initializer_list<float> zooms) {
            for (float zoom : zooms)
                facade.addPaintImage(photo, 0, 0, 10, 10, 0, 0, 0, false, false, zoom);
            const int scale = facade.engine()->collagePrintScale();
            facade.clearPaintImageList();
            return scale;
        };
        QCOMPARE(scaleFor({0.25f, 0.1f}), 4);
        QCOMPARE(scaleFor({0.3f, 0.1f}), 3);
        QCOMPARE(scaleFor({0.5f}), 2);
        QCOMPARE(scaleFor({0.6f}), 1);
        QCOMPARE(scaleFor({0.1f, 1.5f}), 1);
        QCOMPARE(scaleFor({}), 1);
    }

    void refusalsSayWhyAndWriteNothing()
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        placeTemplatePhotos(facade, photo);
        QCOMPARE(tools.collageImage(QStringLiteral("poster"), background, 2, 0), QString());
        QVERIFY(tools.lastError().contains(QStringLiteral("not a kind of collage")));
        QCOMPARE(facade.engine()->paintImageCount(), 0);
        placeTemplatePhotos(facade, photo);
        QCOMPARE(tools.collageImage(QStringLiteral("template"), background, 5, 0), QString());
        QVERIFY(tools.lastError().contains(QStringLiteral("1 to 4 times")));
        placeTemplatePhotos(facade, photo);
        QCOMPARE(tools.collageImage(QStringLiteral("template"), background, 1, -4), QString());
        QVERIFY(tools.lastError().contains(QStringLiteral("0 to 200 pixels")));
        facade.addPaintImage(photo, 44, 21, 0, 0, 0, 0, -3, false, false, 0.1f);
        QCOMPARE(tools.collageImage(QStringLiteral("free"), background, 1, 8), QString());
        QVERIFY(tools.lastError().contains(QStringLiteral("no rounded corners")));
        QCOMPARE(tools.collageImage(QStringLiteral("template"), inRoot("gone.png"), 2, 0), QString());
        QVERIFY(tools.lastError().contains(QStringLiteral("could not be drawn")));
    }
};

QTEST_MAIN(PrintCollageTest)
#include "tst_print.moc"
