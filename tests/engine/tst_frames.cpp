// Frames through the facade: the fourteen simple frames grow the photo by
// their corners and insets, unknown frames leave it alone (whatever frame the
// compositor read before), grey and palette photos frame like colour ones,
// and the six colourful frames screen their masks over the photo in its size.
#include "enginetest.h"

#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"

#include "qtqveffect.h"

using namespace enginetest;

namespace {

bool allOpaque(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

}  // namespace

class FramesTest : public FacadeTestCase
{
    Q_OBJECT

    QImage vga;
    QString vgaFile;

private slots:
    void initTestCase()
    {
        QVERIFY2(bundleLinked(), "the resource bundle is not linked into this test");
        vga = photo(640, 480);
        vgaFile = writePhoto("frames/vga.png", vga);
    }

    // The wide black frame: 296-pixel corners over the photo by 278 and
    // one-pixel tiles, so nothing is trimmed: 640 x 480 becomes 676 x 516,
    // with the photo untouched in the middle.
    void blackFrameAroundVga()
    {
        const QString path = facade.framesimpleImage("file://" + vgaFile, 1707);
        QCOMPARE(path, workingFolder() + "vga_norvik.png");
        const QImage framed = readRgb32(path);
        QCOMPARE(framed.size(), QSize(676, 516));
        QVERIFY(allOpaque(QImage(path)));
        ZN_COMPARE_PICTURES(vga.copy(200, 150, 240, 180), framed.copy(218, 168, 240, 180));
    }

    void everySimpleFrame_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("cornerWidth");
        QTest::addColumn<int>("insetX");
        const QJsonArray frames = bundleIndex("frames");
        QCOMPARE(frames.size(), 14);
        for (const QJsonValue &v : frames) {
            const QJsonObject f = v.toObject();
            QTest::addRow("%d", f.value("id").toInt())
                << f.value("id").toInt() << f.value("corner").toArray().at(0).toInt()
                << f.value("inset").toArray().at(0).toInt();
        }
    }

    // Every frame grows the photo: at most by its two corners less their
    // insets (less a trimmed remainder narrower than one tile).
    void everySimpleFrame()
    {
        QFETCH(int, id);
        QFETCH(int, cornerWidth);
        QFETCH(int, insetX);
        const QPixmap framed = engine.FrameSimple(vgaFile, id);
        QVERIFY(!framed.isNull());
        const int grown = 2 * (cornerWidth - insetX);
        QVERIFY2(framed.width() <= vga.width() + grown && framed.width() > vga.width() + grown - cornerWidth,
                 qPrintable(QString::number(framed.width())));
        QVERIFY(framed.height() > vga.height());
        QVERIFY(allOpaque(framed.toImage()));
        QVERIFY(!difference(vga, framed.toImage().copy(0, 0, 640, 480)).isEmpty());
    }

    // A photo larger than the screen lands in its frame where its screen
    // copy lands in the compositor's frame (found here the slow way: a copy
    // with its centre marked, composed twice), scaled, with its own pixels.
    void largePhotoLandsWhereItsCopyDoes()
    {
        const QImage large = photo(2000, 1500);
        const QString file = writePhoto("frames/large.png", large);
        const QSize copy = ZQDImageEngine::screenCopySize(large.size());
        for (int id = 1701; id <= 1714; ++id) {
            QVERIFY(engine.loadSimpleFrame(id));
            QImage plain(copy, QImage::Format_RGB32);
            plain.fill(Qt::black);
            QImage marked = plain;
            marked.setPixel(copy.width() / 2, copy.height() / 2, qRgb(255, 255, 255));
            const QImage a = engine.composeSimpleFrame(plain);
            const QImage b = engine.composeSimpleFrame(marked);
            QPoint landing(-1, -1);
            for (int y = 0; y < a.height() && landing.x() < 0; ++y)
                for (int x = 0; x < a.width() && landing.x() < 0; ++x)
                    if (a.pixel(x, y) != b.pixel(x, y))
                        landing = QPoint(x, y);
            QVERIFY(landing.x() >= 0);
            const double sx = double(large.width()) / copy.width(), sy = double(large.height()) / copy.height();
            const QImage framed = rgb32(engine.FrameSimple(file, id));
            QCOMPARE(framed.size(), QSize(qRound(a.width() * sx), qRound(a.height() * sy)));
            const QPoint offset(qRound(sx * (landing.x() - copy.width() / 2)), qRound(sy * (landing.y() - copy.height() / 2)));
            const QRect middle(large.width() / 2 - 30, large.height() / 2 - 30, 60, 60);
            ZN_COMPARE_PICTURES(large.copy(middle), framed.copy(middle.translated(offset)));
        }
    }

    // An unknown frame leaves the photo alone, also right after a frame that
    // the compositor still holds.
    void unknownSimpleFrameLeavesThePhoto()
    {
        QVERIFY(!engine.FrameSimple(vgaFile, 1707).isNull());
        for (int id : {1700, 1715, 1500, 0}) {
            const QPixmap result = engine.FrameSimple(vgaFile, id);
            ZN_COMPARE_PICTURES(vga, rgb32(result));
        }
    }

    void missingPhoto()
    {
        const QString missing = documentRoot() + "frames/none.jpg";
        QVERIFY(engine.FrameSimple(missing, 1707).isNull());
        QVERIFY(engine.FrameColorful(missing, 1501).isNull());
        QVERIFY(!QFile::exists(facade.framesimpleImage(missing, 1701)));
        QVERIFY(!QFile::exists(facade.framecolorfulImage(missing, 1500)));
    }

    void greyAndPalettePhotos_data()
    {
        QTest::addColumn<QString>("file");
        const QImage small = photo(160, 120);
        QTest::newRow("grey JPEG") << writePhoto("frames/grey.jpg", greyPhoto(160, 120), "JPEG", 92);
        QTest::newRow("palette PNG")
            << writePhoto("frames/palette.png", small.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither));
        QTest::newRow("16-bit PNG") << writePhoto("frames/rgb16.png", small.convertToFormat(QImage::Format_RGBX64));
    }

    // A photo of any stored format frames exactly as its pixels do in 32 bits.
    void greyAndPalettePhotos()
    {
        QFETCH(QString, file);
        const QImage decoded(file);
        QVERIFY(decoded.depth() != 32);
        const QString asRgb = writePhoto("frames/as-rgb.png", decoded.convertToFormat(QImage::Format_RGB32));
        for (int id : {1701, 1713}) {
            const QPixmap expected = engine.FrameSimple(asRgb, id);
            QVERIFY(expected.width() > decoded.width());
            ZN_COMPARE_PICTURES(rgb32(expected), rgb32(engine.FrameSimple(file, id)));
            ZN_COMPARE_PICTURES(rgb32(engine.FrameColorful(asRgb, 1502)), rgb32(engine.FrameColorful(file, 1502)));
        }
    }

    void colourfulFrames_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("mode");
        QTest::newRow("1500") << 1500 << ":/colorful/guangyun1.jpg" << 1;
        QTest::newRow("1501") << 1501 << ":/colorful/yinhe2.jpg" << 2;
        QTest::newRow("1502") << 1502 << ":/colorful/xueye1.jpg" << 1;
        QTest::newRow("1503") << 1503 << ":/colorful/aixin2.jpg" << 2;
        QTest::newRow("1504") << 1504 << ":/colorful/wujiaoxing1.jpg" << 1;
        QTest::newRow("1505") << 1505 << ":/colorful/qisehua1.jpg" << 1;
    }

    // Each colourful frame is its mask stretched over the photo and screened
    // by the library with its mode (1501 and 1503 mode 2); the bundle's index
    // agrees on mask and mode.
    void colourfulFrames()
    {
        QFETCH(int, id);
        QFETCH(QString, mask);
        QFETCH(int, mode);
        const char *recipeMask = nullptr;
        int recipeMode = 0;
        QVERIFY(ZQDImageEngine::colorfulFrameRecipe(id, &recipeMask, &recipeMode));
        QCOMPARE(QString::fromLatin1(recipeMask), mask);
        QCOMPARE(recipeMode, mode);
        bool listed = false;
        for (const QJsonValue &v : bundleIndex("colorfulFrames")) {
            const QJsonObject f = v.toObject();
            if (f.value("id").toInt() == id) {
                listed = true;
                QCOMPARE(f.value("mask").toString(), mask);
                QCOMPARE(f.value("mode").toInt(), mode);
            }
        }
        QVERIFY(listed);

        const QSize size(120, 90);
        const QString file = writePhoto("frames/colourful.png", photo(size.width(), size.height()));
        QImage expected = photo(size.width(), size.height());
        QImage m = stretchedMask(mask, size);
        Qtqveffect().ColorfulFrame(expected.bits(), m.bits(), size.width(), size.height(), mode);
        QVERIFY(!difference(photo(size.width(), size.height()), expected).isEmpty());
        const QString path = facade.framecolorfulImage(file, id);
        ZN_COMPARE_PICTURES(expected, readRgb32(path));
    }

    void unknownColourfulFrameLeavesThePhoto()
    {
        for (int id : {1600, 1499, 1506, 1707}) {
            QVERIFY(!ZQDImageEngine::colorfulFrameRecipe(id, nullptr, nullptr));
            ZN_COMPARE_PICTURES(vga, rgb32(engine.FrameColorful(vgaFile, id)));
        }
    }
};

ZN_ENGINE_TEST_MAIN(FramesTest)
#include "tst_frames.moc"
