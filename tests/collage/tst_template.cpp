// Template collages: the background and cells of a layout inside a border, a
// placed photo's zoom, turn, mirror and cut, and the collage drawn from the
// picture list.
#include "ZQDImageEngine.h"
#include "collagesupport.h"
#include "collagetest.h"
#include "layoutwriters.h"

#include <cmath>

using namespace collagetest;

namespace {

// A border of our own: corners 40, tiles 20, inset 16; the outer corner
// rounded off (transparent), a dark soft edge along the outside of every tile
// and a grey wash blended over the picture further in.
QString writeOwnBorder()
{
    layoutwriters::BorderSpec plan = layoutwriters::SimpleBorder(40, 20, 16);
    for (int i = 0; i < 8; ++i) {
        layoutwriters::BorderPiece &p = plan.piece[i];
        for (int r = 0; r < p.height; ++r)
            for (int c = 0; c < p.width; ++c) {
                // Distance from the collage's outside edge for this piece.
                const bool top = i == 0 || i == 2 || i == 4;
                const bool left = i == 0 || i == 1 || i == 6;
                const int fromEdgeV = top ? r : p.height - 1 - r;
                const int fromEdgeH = left ? c : p.width - 1 - c;
                int d;
                if (i < 4)
                    d = int(std::hypot(40 - fromEdgeH, 40 - fromEdgeV)) > 38 ? -1 : std::min(fromEdgeH, fromEdgeV);
                else
                    d = i < 6 ? fromEdgeV : fromEdgeH;
                if (d < 0)
                    layoutwriters::SetMask(p, r, c, 0, 0);
                else if (d < 6)
                    layoutwriters::SetMask(p, r, c, uint8_t(40 * d + 20), 0);
                else if (d < 14)
                    layoutwriters::SetMask(p, r, c, 230, 150);
            }
    }
    return writeBytes(QStringLiteral("own.ptbj"), layoutwriters::WriteBorder(plan).bytes);
}

QString writeOwnLayout()
{
    layoutwriters::FormatSpec plan;
    plan.cells = {{0, 0, 640, 444}, {0, 452, 316, 444}, {324, 452, 316, 444}};
    return writeBytes(QStringLiteral("own.zeltambpt"), layoutwriters::WriteFormat(plan).bytes);
}

}  // namespace

class TemplateCollageTest : public QObject
{
    Q_OBJECT

    // The photo the placement tests cut from.
    QImage placed;
    QString placedPath;

private slots:
    void initTestCase()
    {
        placed = positionPicture(300, 200);
        placedPath = writePicture("placed.png", placed);
    }

    void layoutInsideBorderGivesBackgroundAndCells()
    {
        ZQDImageEngine engine;
        const QImage background = engine.getTemplateRule(kLayout002001, kBorder002, kPaper).toImage();
        QCOMPARE(background.size(), QSize(730, 996));
        QCOMPARE(cellsOf(engine), (QList<Cell>{{40, 40, 650, 323}, {40, 371, 650, 585}}));
        for (ZQDImageRect *r : engine.imageRects())
            QCOMPARE(r->getDegree(), 0.0f);

        // Inside the border the pattern is tiled from the top-left corner.
        const QImage pattern = QImage(kPaper).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!pattern.isNull());
        for (const QPoint p : {QPoint(365, 498), QPoint(200, 300), QPoint(129, 640), QPoint(600, 900)})
            QCOMPARE(background.pixel(p), pattern.pixel(p.x() % pattern.width(), p.y() % pattern.height()));
        // The border cuts into the corners.
        QVERIFY(qAlpha(background.pixel(0, 0)) < 255);

        // Reading the same layout again starts from the file's cells.
        QCOMPARE(engine.getTemplateRule(kLayout002001, kBorder002, kPaper).size(), QSize(730, 996));
        QCOMPARE(cellsOf(engine), (QList<Cell>{{40, 40, 650, 323}, {40, 371, 650, 585}}));
        keepArtefact(background, QStringLiteral("template-background-002-001.png"));
    }

    void withoutAnyBorderNothingIsBuilt()
    {
        ZQDImageEngine engine;
        engine.addImageRect(new ZQDImageRect(1, 2, 3, 4, 0.0f));
        // A missing border file, then a file that is not a border.
        QVERIFY(engine.getTemplateRule(kLayout002001, inRoot("missing.ptbj"), kPaper).isNull());
        writeBytes(QStringLiteral("junk.ptbj"), std::vector<unsigned char>(300, 7));
        QVERIFY(engine.getTemplateRule(kLayout002001, inRoot("junk.ptbj"), kPaper).isNull());
        QCOMPARE(cellsOf(engine), (QList<Cell>{{1, 2, 3, 4}}));
        // Stitching has no size either.
        QVERIFY(engine.joinIn(inRoot("missing.ptbj"), kPaper, 640, 480).isNull());
    }

    void borderReadOnceStaysInUse()
    {
        ZQDImageEngine engine;
        QVERIFY(!engine.getTemplateRule(kLayout002001, kBorder002, kPaper).isNull());
        // No border file this time: the one read before still sizes the collage.
        QCOMPARE(engine.getTemplateRule(kLayout002001, inRoot("missing.ptbj"), kPaper).size(), QSize(730, 996));
        QCOMPARE(engine.imageRectCount(), 2);

        // A refused border keeps the cells as they were, but the background is
        // still made with the border in use.
        engine.clearImageRectList();
        engine.addImageRect(new ZQDImageRect(1, 2, 3, 4, 0.0f));
        writeBytes(QStringLiteral("junk.ptbj"), std::vector<unsigned char>(300, 7));
        QCOMPARE(engine.getTemplateRule(kLayout002001, inRoot("junk.ptbj"), kPaper).size(), QSize(730, 996));
        QCOMPARE(cellsOf(engine), (QList<Cell>{{1, 2, 3, 4}}));
    }

    void patternThatDoesNotLoadLeavesTheBackgroundTransparent()
    {
        ZQDImageEngine engine;
        const QImage background = engine.getTemplateRule(kLayout002001, kBorder002, inRoot("nopattern.png")).toImage();
        QCOMPARE(background.size(), QSize(730, 996));
        QCOMPARE(background.pixel(365, 498), 0u);
    }

    void placedPhotoIsZoomedBeforeItIsCut()
    {
        ZQDImageEngine engine;
        const QImage photo = positionPicture(2000, 1500);
        const QString path = writePicture("big.png", photo);
        // The whole decoded picture, and one column more: the decode is 1000 wide.
        const QImage cut = engine.revolvImageTemplate(path, 1000, 750, 0, 0, 0.5f, 0, false, false);
        QCOMPARE(cut.size(), QSize(1000, 750));
        QCOMPARE(cut.pixel(999, 749), photo.scaled(1000, 750, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                          .pixel(999, 749));
        const QImage wider = engine.revolvImageTemplate(path, 1001, 751, 0, 0, 0.5f, 0, false, false);
        // Zero bytes: black in an opaque picture.
        QCOMPARE(wider.pixel(1000, 10), qRgb(0, 0, 0));
        QCOMPARE(wider.pixel(10, 750), qRgb(0, 0, 0));
        QVERIFY(wider.pixel(999, 749) != 0u);
    }

    void placedPhotoIsTurnedMirroredAndCut()
    {
        ZQDImageEngine engine;
        const QImage cut = engine.revolvImageTemplate(placedPath, 40, 30, 100, 50, 1.0f, 0, false, false);
        QCOMPARE(cut.size(), QSize(40, 30));
        QCOMPARE(cut.pixel(0, 0), placed.pixel(100, 50));
        QCOMPARE(cut.pixel(39, 29), placed.pixel(139, 79));

        const QImage mirrored = engine.revolvImageTemplate(placedPath, 40, 30, 100, 50, 1.0f, 0, true, false);
        QCOMPARE(mirrored.pixel(0, 0), placed.pixel(299 - 100, 50));
        const QImage flipped = engine.revolvImageTemplate(placedPath, 40, 30, 100, 50, 1.0f, 0, false, true);
        QCOMPARE(flipped.pixel(0, 0), placed.pixel(100, 199 - 50));

        // A quarter turn clockwise: the bottom-left corner comes to the top-left.
        const QImage turned = engine.revolvImageTemplate(placedPath, 200, 300, 0, 0, 1.0f, 90, false, false);
        QCOMPARE(turned.size(), QSize(200, 300));
        QCOMPARE(qRed(turned.pixel(0, 0)), qRed(placed.pixel(0, 199)));
        QCOMPARE(qGreen(turned.pixel(0, 0)), qGreen(placed.pixel(0, 199)));

        // Cut partly outside: the rest is zero, as a copy gives it.
        const QImage outside = engine.revolvImageTemplate(placedPath, 20, 20, -10, 190, 1.0f, 0, false, false);
        QCOMPARE(outside.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(outside.pixel(10, 0), placed.pixel(0, 190));
    }

    void placementsBeyondTheCapAreRefused_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("scale");
        QTest::addColumn<float>("degree");
        const float nan = std::nanf("");
        const float inf = INFINITY;
        QTest::newRow("zero width") << 0.0f << 30.0f << 0.0f << 1.0f << 0.0f;
        QTest::newRow("negative height") << 40.0f << -30.0f << 0.0f << 1.0f << 0.0f;
        QTest::newRow("width past the cap") << 16385.0f << 30.0f << 0.0f << 1.0f << 0.0f;
        QTest::newRow("width beyond int") << 1e12f << 30.0f << 0.0f << 1.0f << 0.0f;
        QTest::newRow("width not a number") << nan << 30.0f << 0.0f << 1.0f << 0.0f;
        QTest::newRow("offset not a number") << 40.0f << 30.0f << nan << 1.0f << 0.0f;
        QTest::newRow("zoom zero") << 40.0f << 30.0f << 0.0f << 0.0f << 0.0f;
        QTest::newRow("zoom negative") << 40.0f << 30.0f << 0.0f << -2.0f << 0.0f;
        QTest::newRow("zoom past the cap") << 40.0f << 30.0f << 0.0f << 100.0f << 0.0f;
        QTest::newRow("zoom infinite") << 40.0f << 30.0f << 0.0f << inf << 0.0f;
        QTest::newRow("turn not a number") << 40.0f << 30.0f << 0.0f << 1.0f << nan;
    }

    void placementsBeyondTheCapAreRefused()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(float, x);
        QFETCH(float, scale);
        QFETCH(float, degree);
        ZQDImageEngine engine;
        QVERIFY(engine.revolvImageTemplate(placedPath, width, height, x, 0, scale, degree, false, false).isNull());
    }

    void farOffsetsGiveAnEmptyCutNotACrash()
    {
        ZQDImageEngine engine;
        const QImage cut = engine.revolvImageTemplate(placedPath, 8, 8, 1e20f, -1e20f, 1.0f, 0, false, false);
        QCOMPARE(cut.size(), QSize(8, 8));
        QCOMPARE(cut.pixel(3, 3), qRgb(0, 0, 0));
    }

    void emptyListReturnsTheBackgroundUnchanged()
    {
        ZQDImageEngine engine;
        const QImage background = engine.getTemplateRule(kLayout002001, kBorder002, kPaper).toImage();
        const QString saved = writePicture("templatebg.png", background);
        const QImage collage = engine.mixtemplateImages("file://" + saved).toImage();
        QCOMPARE(zntest::argbDigest(collage), zntest::argbDigest(background));
    }

    void collageDrawsEachPlacementAndEmptiesTheList()
    {
        ZQDImageEngine engine;
        const QImage background = engine.getTemplateRule(kLayout002001, kBorder002, kPaper).toImage();
        const QString saved = writePicture("templatebg.png", background);
        const QImage photo = positionPicture(900, 700);
        const QString path = writePicture("photo.png", photo);

        // Cell 0 gets the photo cut at (100, 20); cell 1 a photo that is not there.
        ZQDImageRect *cell0 = engine.getImageRect(0);
        ZQDImageRect *cell1 = engine.getImageRect(1);
        engine.addPaintImage(path, cell0->getx(), cell0->gety(), cell0->getwidth(), cell0->getheight(), 100, 20);
        engine.addPaintImage(inRoot("gone.png"), cell1->getx(), cell1->gety(), cell1->getwidth(),
                             cell1->getheight());
        const QImage collage = engine.mixtemplateImages(saved).toImage();
        QCOMPARE(engine.paintImageCount(), 0);
        QCOMPARE(collage.size(), QSize(730, 996));
        QCOMPARE(collage.pixel(40, 40), photo.pixel(100, 20));
        QCOMPARE(collage.pixel(40 + 649, 40 + 322), photo.pixel(100 + 649, 20 + 322));
        // Just outside the cell, and in the cell without its photo: the background.
        QCOMPARE(collage.pixel(300, 367), background.pixel(300, 367));
        QCOMPARE(collage.pixel(300, 600), background.pixel(300, 600));
    }

    void withoutBackgroundThePhotosAreStillDrawn()
    {
        ZQDImageEngine engine;
        const QImage photo = positionPicture(200, 100);
        const QString path = writePicture("photo.png", photo);
        engine.addPaintImage(path, 30, 40, 200, 100);
        const QImage collage = engine.mixtemplateImages(inRoot("nobackground.png")).toImage();
        QCOMPARE(collage.size(), QSize(230, 140));
        QCOMPARE(collage.pixel(0, 0), 0u);
        QCOMPARE(collage.pixel(30, 40), photo.pixel(0, 0));
        QCOMPARE(engine.paintImageCount(), 0);
        // Nothing at all to draw: no picture.
        QVERIFY(engine.mixtemplateImages(inRoot("nobackground.png")).isNull());
    }

    void resourceUrlsReachTheResources()
    {
        ZQDImageEngine engine;
        // "qrc" is removed, so a resource URL becomes a resource path.
        QCOMPARE(engine.mixtemplateImages(QStringLiteral("qrc:/puzzlegrain/paper.jpg")).size(), QSize(128, 128));
    }

    // A collage on data files of our own (no shipped art), so its pixels are
    // fixed: layout, border and pattern written here, three generated photos
    // zoomed to cover their cells, one turned a quarter and one mirrored.
    void ownTemplateCollageGolden()
    {
        ZQDImageEngine engine;
        const QString pattern = writePicture("checker.png", checkerPicture(24, 12, qRgb(238, 232, 220), qRgb(214, 206, 190)));
        const QImage background = engine.getTemplateRule(writeOwnLayout(), writeOwnBorder(), pattern).toImage();
        QCOMPARE(background.size(), QSize(700, 960));
        QCOMPARE(engine.imageRectCount(), 3);
        const QString saved = writePicture("own-templatebg.png", background);

        const QString photos[3] = {writePicture("p0.png", positionPicture(800, 600)),
                                   writePicture("p1.png", ringsPicture(600, 900)),
                                   writePicture("p2.png", ringsPicture(500, 500))};
        const QSize sizes[3] = {{800, 600}, {900, 600}, {500, 500}};  // after the turn for p1
        const float degrees[3] = {0, 90, 0};
        const bool mirror[3] = {false, false, true};
        for (int i = 0; i < 3; ++i) {
            ZQDImageRect *cell = engine.getImageRect(i);
            const float scale = std::max(float(cell->getwidth()) / sizes[i].width(),
                                         float(cell->getheight()) / sizes[i].height()) * 1.02f;
            const float copyx = (sizes[i].width() * scale - cell->getwidth()) * 0.5f;
            const float copyy = (sizes[i].height() * scale - cell->getheight()) * 0.5f;
            engine.addPaintImage(photos[i], cell->getx(), cell->gety(), cell->getwidth(), cell->getheight(), copyx,
                                 copyy, degrees[i], mirror[i], false, scale);
        }
        const QImage collage = engine.mixtemplateImages(saved).toImage();
        keepArtefact(collage, QStringLiteral("template-own.png"));
        QCOMPARE(zntest::argbDigest(collage), QByteArray("4e911a1d1e42d6e5797469ca3e514060ac4dbbcc"));
    }

    // The shipped art, to be looked at: four photos in layout 004-003 inside
    // border 005 on linen.
    void shippedTemplateCollageArtefact()
    {
        ZQDImageEngine engine;
        const QImage background = engine.getTemplateRule(QStringLiteral(":/puzzletemplate/004-003.zeltambpt"),
                                                         QStringLiteral(":/puzzleframe/005.ptbj"),
                                                         QStringLiteral(":/puzzlegrain/linen.jpg"))
                                      .toImage();
        QVERIFY(!background.isNull());
        QCOMPARE(engine.imageRectCount(), 4);
        const QString saved = writePicture("shipped-templatebg.png", background);
        for (int i = 0; i < 4; ++i) {
            const QImage photo = i % 2 ? ringsPicture(640, 480) : positionPicture(480, 640, 40 + 60 * i);
            const QString path = writePicture(QStringLiteral("s%1.png").arg(i), photo);
            ZQDImageRect *cell = engine.getImageRect(i);
            const float scale = std::max(float(cell->getwidth()) / photo.width(),
                                         float(cell->getheight()) / photo.height()) * 1.01f;
            engine.addPaintImage(path, cell->getx(), cell->gety(), cell->getwidth(), cell->getheight(),
                                 (photo.width() * scale - cell->getwidth()) * 0.5f,
                                 (photo.height() * scale - cell->getheight()) * 0.5f, 0, false, false, scale);
        }
        const QImage collage = engine.mixtemplateImages(saved).toImage();
        QCOMPARE(collage.size(), background.size());
        keepArtefact(collage, QStringLiteral("template-shipped-004-003.png"));
    }
};

ZN_COLLAGE_TEST_MAIN(TemplateCollageTest)
#include "tst_template.moc"
