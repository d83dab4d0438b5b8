// Free collages and stitching: cells fitted to the placed photos, the collage
// drawn on its background, the background cut to the canvas, tiled patterns
// and the stitched background.
#include "ZQDImageEngine.h"
#include "collagesupport.h"
#include "collagetest.h"
#include "layoutwriters.h"

#include <cmath>

using namespace collagetest;

class FreeCollageTest : public QObject
{
    Q_OBJECT

private slots:
    void cellsAreFittedToThePlacedPhotos()
    {
        ZQDImageEngine engine;
        engine.addPaintImage("file://" + writePicture("square.png", positionPicture(1000, 1000)));
        engine.addPaintImage(writePicture("small.png", positionPicture(200, 100)));
        QVERIFY(engine.getMixRule(kFree002001));
        QCOMPARE(cellsOf(engine), (QList<Cell>{{44, 21, 554, 554, -3.0f}, {221, 643, 200, 100, 5.0f}}));
        // The photos stay in the list for the collage.
        QCOMPARE(engine.paintImageCount(), 2);
    }

    void cellsWithoutAReadablePhotoKeepTheirOwnSize()
    {
        ZQDImageEngine engine;
        QVERIFY(engine.getMixRule(kFree002001));
        QCOMPARE(cellsOf(engine), (QList<Cell>{{44, 21, 554, 554, -3.0f}, {137, 509, 369, 369, 5.0f}}));

        engine.addPaintImage(inRoot("gone.png"));
        QVERIFY(engine.getMixRule(kFree002001));
        QCOMPARE(cellsOf(engine).first(), (Cell{44, 21, 554, 554, -3.0f}));
    }

    void unreadableLayoutKeepsTheCells()
    {
        ZQDImageEngine engine;
        QVERIFY(engine.getMixRule(kFree002001));
        QVERIFY(!engine.getMixRule(inRoot("missing.zypt")));
        writeBytes(QStringLiteral("junk.zypt"), std::vector<unsigned char>(400, 1));
        QVERIFY(!engine.getMixRule(inRoot("junk.zypt")));
        QCOMPARE(engine.imageRectCount(), 2);
    }

    void collageDrawsZoomedTurnedPhotosAndEmptiesTheList()
    {
        ZQDImageEngine engine;
        QImage bg(640, 896, QImage::Format_RGB32);
        bg.fill(qRgb(20, 90, 40));
        const QString bgPath = writePicture("bg.png", bg);
        const QImage photo = positionPicture(400, 200);
        const QString path = writePicture("photo.png", photo);

        // Half size, no turn, at (100, 50); then the same photo at a quarter turn.
        engine.addPaintImage(path, 100, 50, 0, 0, 0, 0, 0, false, false, 0.5f);
        engine.addPaintImage(path, 300, 400, 0, 0, 0, 0, 90, false, false, 0.5f);
        const QImage collage = engine.mixImages(bgPath).toImage();
        QCOMPARE(engine.paintImageCount(), 0);
        QCOMPARE(collage.size(), QSize(640, 896));
        const QRect first = boundsOf(collage.copy(0, 0, 640, 300), [](QRgb p) { return p != qRgb(20, 90, 40); });
        QCOMPARE(rectText(first), rectText(QRect(100, 50, 200, 100)));
        const QRect second = boundsOf(collage.copy(0, 300, 640, 596), [](QRgb p) { return p != qRgb(20, 90, 40); });
        QCOMPARE(rectText(second.translated(0, 300)), rectText(QRect(300, 400, 100, 200)));
    }

    void missingPhotosAndBackgroundsDrawNothing()
    {
        ZQDImageEngine engine;
        QVERIFY(engine.getMixRule(kFree002001));
        const QImage photo = positionPicture(100, 100);
        const QString path = writePicture("photo.png", photo);
        engine.addPaintImage(inRoot("gone.png"), 10, 10);
        engine.addPaintImage(path, 20, 30);
        // No background: the layout's canvas, transparent where no photo is.
        const QImage collage = engine.mixImages(inRoot("nobackground.jpg")).toImage();
        QCOMPARE(collage.size(), QSize(640, 896));
        QCOMPARE(collage.pixel(5, 5), 0u);
        QCOMPARE(collage.pixel(20, 30), photo.pixel(0, 0));
        QCOMPARE(engine.paintImageCount(), 0);
    }

    void zoomsBeyondTheCapAreSkipped()
    {
        ZQDImageEngine engine;
        QImage bg(64, 64, QImage::Format_RGB32);
        bg.fill(Qt::white);
        const QString bgPath = writePicture("bg.png", bg);
        const QString path = writePicture("photo.png", positionPicture(400, 200));
        for (const float scale : {0.0f, -1.0f, 1000.0f, std::nanf(""), INFINITY})
            engine.addPaintImage(path, 0, 0, 0, 0, 0, 0, 0, false, false, scale);
        engine.addPaintImage(path, std::nanf(""), 0);
        engine.addPaintImage(path, 0, 0, 0, 0, 0, 0, std::nanf(""));
        const QImage collage = engine.mixImages(bgPath).toImage();
        QCOMPARE(zntest::argbDigest(collage), zntest::argbDigest(bg));
    }

    void backgroundIsCutAroundItsCentre()
    {
        ZQDImageEngine engine;
        const QImage picture = positionPicture(640, 960);
        const QString path = writePicture("tall.png", picture);
        const QImage cut = engine.revolvFreeBgImage(path, 1.0f, 640, 896).toImage();
        QCOMPARE(cut.size(), QSize(640, 896));
        QCOMPARE(cut.pixel(0, 0), picture.pixel(0, 32));
        QCOMPARE(cut.pixel(639, 895), picture.pixel(639, 927));

        // Zoomed twice: the window's corner sits at ((1280 - 640) / 2, (1920 - 896) / 2).
        const QImage zoomed = engine.revolvFreeBgImage(path, 2.0f, 640, 896).toImage();
        QCOMPARE(zoomed.size(), QSize(640, 896));
        const QImage big = picture.scaled(1280, 1920, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(zoomed.pixel(0, 0), big.pixel(320, 512));

        // A window larger than the picture: zero bytes (black) around it.
        const QImage wide = engine.revolvFreeBgImage(path, 1.0f, 700, 960).toImage();
        QCOMPARE(wide.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(wide.pixel(30, 0), picture.pixel(0, 0));
    }

    void backgroundWindowsBeyondTheCapAreRefused_data()
    {
        QTest::addColumn<float>("scale");
        QTest::addColumn<float>("w");
        QTest::addColumn<float>("h");
        QTest::newRow("no width") << 1.0f << 0.0f << 896.0f;
        QTest::newRow("negative height") << 1.0f << 640.0f << -896.0f;
        QTest::newRow("window past the cap") << 1.0f << 16385.0f << 896.0f;
        QTest::newRow("window beyond int") << 1.0f << 640.0f << 3e10f;
        QTest::newRow("window not a number") << 1.0f << std::nanf("") << 896.0f;
        QTest::newRow("zoom zero") << 0.0f << 640.0f << 896.0f;
        QTest::newRow("zoom negative") << -1.0f << 640.0f << 896.0f;
        QTest::newRow("zoom past the cap") << 40.0f << 640.0f << 896.0f;
        QTest::newRow("zoom not a number") << std::nanf("") << 640.0f << 896.0f;
    }

    void backgroundWindowsBeyondTheCapAreRefused()
    {
        QFETCH(float, scale);
        QFETCH(float, w);
        QFETCH(float, h);
        ZQDImageEngine engine;
        const QString path = writePicture("tall.png", positionPicture(640, 960));
        QVERIFY(engine.revolvFreeBgImage(path, scale, w, h).isNull());
        QVERIFY(engine.revolvFreeBgImage(inRoot("gone.png"), 1.0f, 640, 896).isNull());
    }

    void patternIsTiledFromTheTopLeft()
    {
        ZQDImageEngine engine;
        QImage pattern(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                pattern.setPixel(x, y, qRgba(x * 16, y * 16, 200, 255));
        const QString path = writePicture("pattern.png", pattern);
        const QImage tiled = engine.pingpu(100, 50, "file://" + path);
        QCOMPARE(tiled.size(), QSize(100, 50));
        QCOMPARE(tiled.format(), QImage::Format_ARGB32);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(tiled.pixel(x, y), pattern.pixel(x % 16, y % 16));
        // Seven across, the seventh cut after four columns; four down, the
        // fourth cut after two rows.
        QCOMPARE(tiled.pixel(96, 0), pattern.pixel(0, 0));
        QCOMPARE(tiled.pixel(99, 0), pattern.pixel(3, 0));
        QCOMPARE(tiled.pixel(0, 48), pattern.pixel(0, 0));
        QCOMPARE(tiled.pixel(0, 49), pattern.pixel(0, 1));
    }

    void patternSizesAndPaths()
    {
        ZQDImageEngine engine;
        const QImage blank = engine.pingpu(30, 20, inRoot("gone.png"));
        QCOMPARE(blank.size(), QSize(30, 20));
        QCOMPARE(blank.pixel(10, 10), 0u);
        QCOMPARE(engine.pingpu(20, 20, QStringLiteral("qrc://:/puzzlegrain/paper.jpg")).pixel(5, 5),
                 QImage(kPaper).pixel(5, 5));
        QVERIFY(engine.pingpu(0, 20, kPaper).isNull());
        QVERIFY(engine.pingpu(20, -1, kPaper).isNull());
        QVERIFY(engine.pingpu(16385, 1, kPaper).isNull());
    }

    void stitchedBackgroundIsRoundedUpToWholeTiles()
    {
        ZQDImageEngine engine;
        // Border 002: corners 80, inset 40, tiles 38. 640 - 80 = 560 leaves 28
        // of a tile, 480 - 80 = 400 leaves 20: both are rounded up.
        const QImage background = engine.joinIn(kBorder002, kPaper, 640.9f, 480.2f).toImage();
        QCOMPARE(background.size(), QSize(80 + 10 + 640, 80 + 18 + 480));
        QVERIFY(qAlpha(background.pixel(0, 0)) < 255);
        QCOMPARE(qAlpha(background.pixel(365, 289)), 255);
        // The border read stays: no file this time.
        QCOMPARE(engine.joinIn(inRoot("missing.ptbj"), kPaper, 640, 480).size(), QSize(730, 578));
        // The same border the template collage would use.
        QVERIFY(!engine.getTemplateRule(":/puzzletemplate/002-001.zeltambpt", inRoot("missing.ptbj"), kPaper).isNull());
    }

    void stitchedAreasBeyondTheCapAreRefused()
    {
        ZQDImageEngine engine;
        for (const auto &[w, h] : {std::pair{0.0f, 480.0f}, {640.0f, -1.0f}, {16385.0f, 480.0f}, {640.0f, 1e30f},
                                   {std::nanf(""), 480.0f}, {640.0f, -INFINITY}})
            QVERIFY2(engine.joinIn(kBorder002, kPaper, w, h).isNull(), qPrintable(QString::number(w)));
        // The area itself fits, the border makes it too large.
        QVERIFY(engine.joinIn(kBorder002, kPaper, 16384, 480).isNull());
    }

    // A free collage of four generated photos on a generated background in a
    // layout of our own: fixed pixels, kept for a look.
    void ownFreeCollageGolden()
    {
        ZQDImageEngine engine;
        layoutwriters::FreeSpec plan;
        plan.cells.resize(4);
        const int places[4][5] = {{30, 40, 360, 300, -6}, {260, 120, 340, 340, 8}, {40, 430, 300, 400, 3},
                                  {330, 500, 280, 300, -10}};
        for (int i = 0; i < 4; ++i) {
            layoutwriters::FreeCell &c = plan.cells[i];
            c.x = places[i][0];
            c.y = places[i][1];
            c.w = places[i][2];
            c.h = places[i][3];
            c.rotation[0] = c.rotation[1] = places[i][4];
        }
        const QString layout = writeBytes(QStringLiteral("own.zypt"), layoutwriters::WriteFree(plan).bytes);
        const QString photos[4] = {writePicture("f0.png", positionPicture(800, 600)),
                                   writePicture("f1.png", ringsPicture(500, 500)),
                                   writePicture("f2.png", positionPicture(600, 800, 200)),
                                   writePicture("f3.png", ringsPicture(400, 600))};
        for (const QString &p : photos)
            engine.addPaintImage(p);
        QVERIFY(engine.getMixRule(layout));
        QCOMPARE(engine.imageRectCount(), 4);

        const QString bg = writePicture("own-bg.png", checkerPicture(960, 40, qRgb(70, 52, 40), qRgb(84, 64, 50)));
        const QImage window = engine.revolvFreeBgImage(bg, 1.0f, 640, 896).toImage();
        QCOMPARE(window.size(), QSize(640, 896));
        const QString windowPath = writePicture("own-freebg.png", window);

        // Each photo at its fitted size, turned by its cell's tilt about the
        // cell's centre, as the collage screen places it.
        engine.clearPaintImageList();
        const QSize sizes[4] = {{800, 600}, {500, 500}, {600, 800}, {400, 600}};
        for (int i = 0; i < 4; ++i) {
            ZQDImageRect *r = engine.getImageRect(i);
            const float scale = float(r->getwidth()) / sizes[i].width();
            const QSize turned = collagesupport::turnedSize(QSize(r->getwidth(), r->getheight()), r->getDegree());
            engine.addPaintImage(photos[i], r->getx() + r->getwidth() * 0.5f - (turned.width() - 1) * 0.5f,
                                 r->gety() + r->getheight() * 0.5f - (turned.height() - 1) * 0.5f, 0, 0, 0, 0,
                                 r->getDegree(), false, false, scale);
        }
        const QImage collage = engine.mixImages(windowPath).toImage();
        keepArtefact(collage, QStringLiteral("free-own.png"));
        QCOMPARE(zntest::argbDigest(collage), QByteArray("c3582b19a0c3cd0606b686e89b6411abc2e53abf"));
    }

    // A stitched collage on our own border and pattern: three photos one
    // below the other at one width.
    void ownStitchedCollageGolden()
    {
        ZQDImageEngine engine;
        layoutwriters::BorderSpec plan = layoutwriters::SimpleBorder(24, 12, 8);
        for (int i = 0; i < 8; ++i)
            for (int r = 0; r < plan.piece[i].height; ++r)
                for (int c = 0; c < plan.piece[i].width; ++c) {
                    const bool outer = (i == 0 || i == 2 || i == 4) ? r < 8 : (i == 1 || i == 3 || i == 5) ? r >= 16
                                                                                                              : false;
                    const bool side = (i == 0 || i == 1 || i == 6) ? c < 8 : (i == 2 || i == 3 || i == 7) ? c >= 16
                                                                                                             : false;
                    if (outer || side)
                        layoutwriters::SetMask(plan.piece[i], r, c, 255, 90);
                }
        const QString border = writeBytes(QStringLiteral("stitch.ptbj"), layoutwriters::WriteBorder(plan).bytes);
        const QString pattern = writePicture("stitch-pattern.png", checkerPicture(16, 4, qRgb(250, 250, 250), qRgb(200, 40, 60)));
        const QString photos[3] = {writePicture("t0.png", positionPicture(600, 400)),
                                   writePicture("t1.png", ringsPicture(300, 300)),
                                   writePicture("t2.png", positionPicture(400, 500, 10))};
        const QSize sizes[3] = {{600, 400}, {300, 300}, {400, 500}};
        const int width = 480;
        float height = 0;
        float heights[3];
        for (int i = 0; i < 3; ++i) {
            heights[i] = std::floor(float(width) * sizes[i].height() / sizes[i].width());
            height += heights[i];
        }
        const QImage background = engine.joinIn(border, pattern, width, height).toImage();
        QVERIFY(!background.isNull());
        const QString saved = writePicture("stitchbg.png", background);
        const float left = (background.width() - width) * 0.5f;
        float top = (background.height() - height) * 0.5f;
        for (int i = 0; i < 3; ++i) {
            engine.addPaintImage(photos[i], std::floor(left), std::floor(top), width, heights[i], 0, 0, 0, false,
                                 false, float(width) / sizes[i].width());
            top += heights[i];
        }
        const QImage collage = engine.mixtemplateImages(saved).toImage();
        QCOMPARE(collage.size(), background.size());
        keepArtefact(collage, QStringLiteral("stitched-own.png"));
        QCOMPARE(zntest::argbDigest(collage), QByteArray("351b90ddbd4c16c5146775c11654affc3ea534d8"));
    }

    // The shipped art, to be looked at: five photos in free layout 005-002 on
    // the cork board, and three stitched inside border 010.
    void shippedCollageArtefacts()
    {
        ZQDImageEngine engine;
        QString photos[5];
        for (int i = 0; i < 5; ++i)
            photos[i] = writePicture(QStringLiteral("sf%1.png").arg(i),
                                     i % 2 ? ringsPicture(500 + 40 * i, 400) : positionPicture(400, 520, 50 * i));
        for (const QString &p : photos)
            engine.addPaintImage(p);
        QVERIFY(engine.getMixRule(QStringLiteral(":/puzzlef/005-002.zypt")));
        const QImage cork = engine.revolvFreeBgImage(QStringLiteral(":/miximage/cork.jpg"), 1.0f, 640, 896).toImage();
        QCOMPARE(cork.size(), QSize(640, 896));
        const QString bg = writePicture("cork.png", cork);
        engine.clearPaintImageList();
        for (int i = 0; i < 5; ++i) {
            ZQDImageRect *r = engine.getImageRect(i);
            const QSize stored = QImage(photos[i]).size();
            const QSize turned = collagesupport::turnedSize(QSize(r->getwidth(), r->getheight()), r->getDegree());
            engine.addPaintImage(photos[i], r->getx() + r->getwidth() * 0.5f - (turned.width() - 1) * 0.5f,
                                 r->gety() + r->getheight() * 0.5f - (turned.height() - 1) * 0.5f, 0, 0, 0, 0,
                                 r->getDegree(), false, false, float(r->getwidth()) / stored.width());
        }
        const QImage free = engine.mixImages(bg).toImage();
        QCOMPARE(free.size(), QSize(640, 896));
        keepArtefact(free, QStringLiteral("free-shipped-005-002.png"));

        const QImage stitchBg = engine.joinIn(QStringLiteral(":/puzzleframe/010.ptbj"),
                                              QStringLiteral(":/puzzlegrain/wood.jpg"), 480, 960).toImage();
        QVERIFY(!stitchBg.isNull());
        const QString saved = writePicture("shipped-stitchbg.png", stitchBg);
        const float left = (stitchBg.width() - 480) * 0.5f;
        const float top = (stitchBg.height() - 960) * 0.5f;
        for (int i = 0; i < 3; ++i)
            engine.addPaintImage(photos[i], left, top + 320 * i, 480, 320, 0, 16, 0, false, false,
                                 480.0f / QImage(photos[i]).width());
        keepArtefact(engine.mixtemplateImages(saved).toImage(), QStringLiteral("stitched-shipped-010.png"));
    }
};

ZN_COLLAGE_TEST_MAIN(FreeCollageTest)
#include "tst_free.moc"
