// Sharpening, the colour mixer, rotate / scale / mirror, the scaled decode
// and the focus blur, through the facade and the engine.
#include "enginetest.h"

#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"

#include "qtqveffect.h"

#include <QImageReader>

#include <memory>

using namespace enginetest;

namespace {

// Fine stripes in every channel: a blur moves each pixel far from where it
// was, so sharp, blurred and half-way pixels are easy to tell apart.
QImage stripes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool on = ((x / 4) + (y / 4)) % 2;
            row[x] = on ? qRgb(230, 210, 190) : qRgb(20, 40, 60);
        }
    }
    return image;
}

int channel(const QImage &image, int x, int y, int c)
{
    const QRgb p = image.pixel(x, y);
    return c == 0 ? qBlue(p) : c == 1 ? qGreen(p) : qRed(p);
}

// Whether (x, y) of `actual` lies within `slack` of `expected` in B, G and R.
bool near(const QImage &expected, const QImage &actual, int x, int y, int slack)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(channel(expected, x, y, c) - channel(actual, x, y, c)) > slack)
            return false;
    return true;
}

// The focus blur's blurred copy of a 32-bit picture, as the library makes it.
QImage blurredCopyOf(const QImage &sharp)
{
    QImage copy = sharp;
    std::unique_ptr<uchar[]> blurred(Qtqveffect().WeakInit(copy.bits(), copy.width(), copy.height(), 9));
    memcpy(copy.bits(), blurred.get(), size_t(copy.width()) * copy.height() * 4);
    return copy;
}

QString describe(const QImage &image, int x, int y)
{
    return QStringLiteral("(%1, %2) = #%3").arg(x).arg(y).arg(image.pixel(x, y) & 0xffffff, 6, 16, QChar('0'));
}

}  // namespace

class AdjustTest : public FacadeTestCase
{
    Q_OBJECT

    QImage picture;   // 400 x 300
    QString pictureFile;

private slots:
    void initTestCase()
    {
        picture = photo(400, 300);
        pictureFile = writePhoto("adjust/picture.png", picture);
    }

    void cleanup()
    {
        engine.weakrelease();
    }

    // --- sharpen and colour mixer ----------------------------------------------

    // The facade's result is the library's unsharp merge against its own
    // blurred copy; a grey-scale JPEG is sharpened as 32-bit pixels.
    void sharpenIsTheLibrarysMerge()
    {
        QImage expected = picture;
        Qtqveffect fx;
        std::unique_ptr<uchar[]> blurred(fx.SharpInit(expected.bits(), 400, 300));
        fx.SharpProcess(expected.bits(), blurred.get(), 400, 300, 0.7f);
        QVERIFY(!difference(picture, expected).isEmpty());
        ZN_COMPARE_PICTURES(expected, readRgb32(facade.SharpImage("file://" + pictureFile, 400, 300, 0.7f)));

        const QString grey = writePhoto("adjust/grey.jpg", greyPhoto(120, 90), "JPEG", 90);
        const QString greyAsRgb = writePhoto("adjust/grey-rgb.png", QImage(grey).convertToFormat(QImage::Format_RGB32));
        ZN_COMPARE_PICTURES(rgb32(engine.SharpenImage(greyAsRgb, 120, 90, 0.5f)),
                            rgb32(engine.SharpenImage(grey, 120, 90, 0.5f)));
    }

    void mixerIsTheLibrarysMix()
    {
        QImage expected = picture;
        Qtqveffect().ColorMixing(expected.bits(), 400, 300, 20, -30, 50);
        QVERIFY(!difference(picture, expected).isEmpty());
        ZN_COMPARE_PICTURES(expected, readRgb32(facade.mixingcolorImage(pictureFile, 400, 300, 20, -30, 50)));
    }

    void sizeOtherThanThePictures_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("wider") << 401 << 300;
        QTest::newRow("taller") << 400 << 301;
        QTest::newRow("twice") << 800 << 600;
        QTest::newRow("smaller") << 200 << 150;
        QTest::newRow("transposed") << 300 << 400;
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -400 << 300;
    }

    // The library takes width and height as the buffer's: any size but the
    // decoded picture's is refused, and no working file is left.
    void sizeOtherThanThePictures()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        for (int i = 0; i < 4; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("size .* is not the picture's 400x300"));
        QVERIFY(engine.SharpenImage(pictureFile, width, height, 0.5f).isNull());
        QVERIFY(engine.MixingColorBCS(pictureFile, width, height, 10, 10, 10).isNull());
        QVERIFY(!QFile::exists(facade.SharpImage(pictureFile, width, height, 0.5f)));
        QVERIFY(!QFile::exists(facade.mixingcolorImage(pictureFile, width, height, 10, 10, 10)));
    }

    void missingPictures()
    {
        const QString missing = documentRoot() + "adjust/none.png";
        QVERIFY(engine.SharpenImage(missing, 400, 300, 0.5f).isNull());
        QVERIFY(engine.MixingColorBCS(missing, 400, 300, 1, 1, 1).isNull());
        QVERIFY(engine.revolvImage(missing, 1.0, 0, false, false, true).isNull());
        QVERIFY(engine.getScaleImage(missing, 1.0).isNull());
        QVERIFY(engine.getScaleImage(missing, 0.5).isNull());
    }

    // --- rotate, scale, mirror ---------------------------------------------------

    void revolveUnchanged()
    {
        const QString path = facade.revolvingImage("file://" + pictureFile, 1.0, 0, false, false, true);
        QCOMPARE(path, workingFolder() + "picture_norvik.png");
        ZN_COMPARE_PICTURES(picture, readRgb32(path));
    }

    // Without swap the box is the stored size transposed, cut from the
    // centre: 50 black rows above and below the picture's middle columns.
    void revolveIntoTheTransposedBox()
    {
        const QImage result = rgb32(engine.revolvImage(pictureFile, 1.0, 0, false, false, false));
        QCOMPARE(result.size(), QSize(300, 400));
        ZN_COMPARE_PICTURES(picture.copy(50, 0, 300, 300), result.copy(0, 50, 300, 300));
        QImage black(300, 50, QImage::Format_RGB32);
        black.fill(Qt::black);
        ZN_COMPARE_PICTURES(black, result.copy(0, 0, 300, 50));
        ZN_COMPARE_PICTURES(black, result.copy(0, 350, 300, 50));
    }

    // Half scale keeps the box: the picture decoded at 200 x 150 in the
    // middle, black around it.
    void revolveAtHalfScale()
    {
        const QImage result = rgb32(engine.revolvImage(pictureFile, 0.5, 0, false, false, true));
        QCOMPARE(result.size(), QSize(400, 300));
        QImageReader reader(pictureFile);
        reader.setScaledSize(QSize(200, 150));
        ZN_COMPARE_PICTURES(reader.read(), result.copy(100, 75, 200, 150));
        QImage black(400, 75, QImage::Format_RGB32);
        black.fill(Qt::black);
        ZN_COMPARE_PICTURES(black, result.copy(0, 0, 400, 75));
        ZN_COMPARE_PICTURES(black, result.copy(0, 225, 400, 75));
        ZN_COMPARE_PICTURES(black.copy(0, 0, 100, 75), result.copy(0, 100, 100, 75));
        ZN_COMPARE_PICTURES(black.copy(0, 0, 100, 75), result.copy(300, 100, 100, 75));
    }

    // Twice the scale crops into the centre.
    void revolveAtDoubleScale()
    {
        const QImage result = rgb32(engine.revolvImage(pictureFile, 2.0, 0, false, false, true));
        QCOMPARE(result.size(), QSize(400, 300));
        QImageReader reader(pictureFile);
        reader.setScaledSize(QSize(800, 600));
        ZN_COMPARE_PICTURES(reader.read().copy(200, 150, 400, 300), result);
    }

    // 45 degrees: the corners of the box are transparent, the middle opaque,
    // and the working file keeps the transparency.
    void revolveByFortyFiveDegrees()
    {
        QImage smooth(400, 300, QImage::Format_RGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                smooth.setPixel(x, y, qRgb(x * 255 / 399, y * 255 / 299, 90));
        const QString file = writePhoto("adjust/smooth.png", smooth);
        const QString path = facade.revolvingImage(file, 1.0, 45, false, false, true);
        const QImage result = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(result.size(), QSize(400, 300));
        for (const QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 299), QPoint(399, 299), QPoint(20, 20)})
            QVERIFY2(qAlpha(result.pixel(corner)) == 0, qPrintable(describe(result, corner.x(), corner.y())));
        QCOMPARE(qAlpha(result.pixel(200, 150)), 255);
        // The picture's centre stays in the centre (smooth scaling shifts it by
        // at most a little).
        QVERIFY2(near(smooth, result, 200, 150, 2), qPrintable(describe(result, 200, 150)));
        // Turned clockwise: 50 pixels below the centre lies what was 35 to the
        // right of it and 35 above.
        QVERIFY2(std::abs(qRed(result.pixel(200, 200)) - qRed(smooth.pixel(235, 185))) <= 3,
                 qPrintable(describe(result, 200, 200)));
    }

    void revolveMirrorsAndQuarterTurns()
    {
        ZN_COMPARE_PICTURES(picture.mirrored(true, false),
                            rgb32(engine.revolvImage(pictureFile, 1.0, 0, true, false, true)));
        ZN_COMPARE_PICTURES(picture.mirrored(false, true),
                            rgb32(engine.revolvImage(pictureFile, 1.0, 0, false, true, true)));
        ZN_COMPARE_PICTURES(picture.mirrored(true, true),
                            rgb32(engine.revolvImage(pictureFile, 1.0, 180, false, false, true)));
        // A quarter turn clockwise, in the transposed box: the whole picture.
        const QImage turned = rgb32(engine.revolvImage(pictureFile, 1.0, 90, false, false, false));
        QCOMPARE(turned.size(), QSize(300, 400));
        ZN_COMPARE_PICTURES(picture.transformed(QTransform().rotate(90)), turned);
        QCOMPARE(turned.pixel(299, 0), picture.pixel(0, 0));
        // A grey picture turns as well.
        const QString grey = writePhoto("adjust/grey-turn.png", greyPhoto(40, 30));
        const QImage greyTurned = rgb32(engine.revolvImage(grey, 1.0, 30, false, false, true));
        QCOMPARE(greyTurned.size(), QSize(40, 30));
    }

    void revolveRefusesAnEmptyScale()
    {
        QVERIFY(engine.revolvImage(pictureFile, 0.0, 0, false, false, true).isNull());
        QVERIFY(engine.revolvImage(pictureFile, -1.0, 0, false, false, true).isNull());
        QVERIFY(engine.revolvImage(pictureFile, 0.001, 0, false, false, true).isNull());
    }

    void scaledDecode()
    {
        const QImage half = engine.getScaleImage(pictureFile, 0.5);
        QCOMPARE(half.size(), QSize(200, 150));
        QCOMPARE(engine.getScaleImage(pictureFile, 1.0).size(), QSize(400, 300));
        // The aspect ratio wins over the rounded target.
        // 400 x 300 times 0.333: the target 133 x 99 holds 132 x 99.
        QCOMPARE(engine.getScaleImage(pictureFile, 0.333).size(), QSize(132, 99));
        // In the reader's own format.
        const QString grey = writePhoto("adjust/grey-scale.png", greyPhoto(40, 30));
        QCOMPARE(engine.getScaleImage(grey, 0.5).format(), QImage::Format_Grayscale8);
        QVERIFY(engine.getScaleImage(pictureFile, 0.0).isNull());
    }

    // --- focus blur --------------------------------------------------------------

    void stepsWithoutASequenceGiveNothing()
    {
        QVERIFY(engine.weakprogress(50, 100, 10, 10).isNull());
        QVERIFY(engine.weakRectprogress(50, 100, 0, 0, 10, 10).isNull());
        QVERIFY(!QFile::exists(facade.weakprogress(pictureFile, 50, 100, 10, 10)));
        engine.weakrelease();
        engine.weakrelease();
        engine.weakinit(documentRoot() + "adjust/none.png");
        QVERIFY(engine.weakprogress(50, 100, 10, 10).isNull());
        QVERIFY(engine.weakRectprogress(50, 100, 0, 0, 10, 10).isNull());
        engine.weakrelease();
        QVERIFY(engine.weakprogress(50, 100, 10, 10).isNull());
    }

    // r1 50, r2 100 around (200, 200) of a 400 x 400 picture: the point is
    // the picture itself, distance 150 the blurred copy, distance 75 half way.
    void circleSharpInsideBlurredOutside()
    {
        const QImage sharp = stripes(400, 400);
        const QString file = writePhoto("adjust/stripes.png", sharp);
        const QImage blurredCopy = blurredCopyOf(sharp);
        QVERIFY(!difference(sharp, blurredCopy).isEmpty());

        facade.weakinit("file://" + file);
        const QString path = facade.weakprogress("file://" + file, 50, 100, 200, 200);
        QCOMPARE(path, workingFolder() + "stripes_norvik.png");
        const QImage result = readRgb32(path);
        QCOMPARE(result.size(), QSize(400, 400));

        for (const QPoint p : {QPoint(200, 200), QPoint(230, 200), QPoint(200, 160)})
            QVERIFY2(near(sharp, result, p.x(), p.y(), 0), qPrintable(describe(result, p.x(), p.y())));
        for (const QPoint p : {QPoint(350, 200), QPoint(200, 50), QPoint(306, 306), QPoint(390, 390)})
            QVERIFY2(near(blurredCopy, result, p.x(), p.y(), 1), qPrintable(describe(result, p.x(), p.y())));
        for (const QPoint p : {QPoint(275, 200), QPoint(200, 125), QPoint(147, 147)}) {
            for (int c = 0; c < 3; ++c) {
                const int s = channel(sharp, p.x(), p.y(), c), b = channel(blurredCopy, p.x(), p.y(), c);
                const int r = channel(result, p.x(), p.y(), c);
                QVERIFY2(std::abs(s - b) > 40, "the test picture must differ from its blur here");
                QVERIFY2(std::abs(2 * r - (s + b)) <= std::abs(s - b) / 5 + 2,
                         qPrintable(QStringLiteral("%1: sharp %2, blurred %3").arg(describe(result, p.x(), p.y())).arg(s).arg(b)));
            }
        }
    }

    // Every step starts from the picture as loaded: the second circle's
    // result shows no trace of the first.
    void stepsDoNotAccumulate()
    {
        const QImage sharp = stripes(400, 400);
        const QString file = writePhoto("adjust/stripes2.png", sharp);
        engine.weakinit(file);
        const QImage first = rgb32(engine.weakprogress(30, 60, 100, 100));
        const QImage second = rgb32(engine.weakprogress(30, 60, 300, 300));
        QVERIFY(near(sharp, first, 100, 100, 0));
        QVERIFY(!near(sharp, first, 300, 300, 30));
        QVERIFY(near(sharp, second, 300, 300, 0));
        QVERIFY(!near(sharp, second, 100, 100, 30));
        // Far from both circles the two results are alike.
        QVERIFY(near(first, second, 380, 20, 0));
        // A second weakinit replaces the first picture.
        const QString other = writePhoto("adjust/other.png", photo(120, 80));
        engine.weakinit(other);
        QCOMPARE(engine.weakprogress(30, 60, 60, 40).size(), QSize(120, 80));
    }

    // The band between two points 2 x r2 apart: sharp within r1 of its
    // centre line, blurred from r2 on.
    void bandAcrossTheSegment()
    {
        const QImage sharp = stripes(400, 400);
        const QString file = writePhoto("adjust/band.png", sharp);
        facade.weakinit(file);
        const QImage result = readRgb32(facade.weakRectprogress(file, 30, 100, 200, 100, 200, 300));
        for (int x : {20, 200, 380}) {
            QVERIFY2(near(sharp, result, x, 200, 0), qPrintable(describe(result, x, 200)));
            QVERIFY2(near(sharp, result, x, 180, 0), qPrintable(describe(result, x, 180)));
            QVERIFY2(!near(sharp, result, x, 60, 30), qPrintable(describe(result, x, 60)));
            QVERIFY2(!near(sharp, result, x, 340, 30), qPrintable(describe(result, x, 340)));
        }
    }

    // r1 > r2 leaves no stop but the white ends: everything is blurred but the
    // top row and the left column, which the mask's outline keeps sharp.
    void bandWithTheRadiiReversed()
    {
        const QImage sharp = stripes(120, 90);
        const QString file = writePhoto("adjust/reversed.png", sharp);
        const QImage blurredCopy = blurredCopyOf(sharp);
        engine.weakinit(file);
        const QImage result = rgb32(engine.weakRectprogress(100, 50, 60, 20, 60, 70));
        for (int x = 0; x < 120; ++x)
            QVERIFY2(near(sharp, result, x, 0, 0), qPrintable(describe(result, x, 0)));
        for (int y = 0; y < 90; ++y)
            QVERIFY2(near(sharp, result, 0, y, 0), qPrintable(describe(result, 0, y)));
        for (int y = 1; y < 90; ++y)
            for (int x = 1; x < 120; ++x)
                if (!near(blurredCopy, result, x, y, 1))
                    QFAIL(qPrintable(describe(result, x, y) + " is not the blurred copy"));
    }

    // The masks: black inside, white beyond r2, and the default pen's outline
    // in the top row and the left column only.
    void maskOutlines()
    {
        const QImage circle = engine.drawGradientCircle(60, 40, 5, 10, 30, 20);
        QCOMPARE(circle.size(), QSize(60, 40));
        QCOMPARE(circle.format(), QImage::Format_RGB32);
        QCOMPARE(circle.pixel(30, 20), qRgb(0, 0, 0));
        QCOMPARE(circle.pixel(59, 39), qRgb(255, 255, 255));
        QCOMPARE(circle.pixel(59, 20), qRgb(255, 255, 255));
        QCOMPARE(circle.pixel(30, 39), qRgb(255, 255, 255));
        for (int x = 0; x < 60; ++x)
            QCOMPARE(circle.pixel(x, 0), qRgb(0, 0, 0));
        for (int y = 0; y < 40; ++y)
            QCOMPARE(circle.pixel(0, y), qRgb(0, 0, 0));
        // Half way from r1 to r2, about mid grey.
        QVERIFY(std::abs(qRed(circle.pixel(37, 20)) - 127) <= 16);

        const QImage band = engine.drawGradientRect(60, 40, 5, 10, 30, 10, 30, 30);
        QCOMPARE(band.pixel(30, 20), qRgb(0, 0, 0));
        QCOMPARE(band.pixel(59, 39), qRgb(255, 255, 255));
        QCOMPARE(band.pixel(59, 1), qRgb(255, 255, 255));
        QCOMPARE(band.pixel(0, 39), qRgb(0, 0, 0));
        // r2 = 0: no usable stop but the ends, and no crash.
        QCOMPARE(engine.drawGradientCircle(20, 20, 0, 0, 10, 10).size(), QSize(20, 20));
        QVERIFY(engine.drawGradientCircle(0, 10, 1, 2, 0, 0).isNull());
    }

    // A grey-scale or palette source is blurred as 32-bit pixels.
    void focusBlurOfAGreyPicture()
    {
        const QString grey = writePhoto("adjust/grey-focus.jpg", greyPhoto(160, 120), "JPEG", 90);
        const QString asRgb =
            writePhoto("adjust/grey-focus-rgb.png", QImage(grey).convertToFormat(QImage::Format_RGB32));
        engine.weakinit(asRgb);
        const QImage expected = rgb32(engine.weakprogress(20, 50, 80, 60));
        engine.weakinit(grey);
        ZN_COMPARE_PICTURES(expected, rgb32(engine.weakprogress(20, 50, 80, 60)));
        const QString palette = writePhoto("adjust/palette-focus.png",
                                           photo(160, 120).convertToFormat(QImage::Format_Indexed8));
        engine.weakinit(palette);
        QCOMPARE(engine.weakRectprogress(20, 50, 80, 10, 80, 110).size(), QSize(160, 120));
    }
};

ZN_ENGINE_TEST_MAIN(AdjustTest)
#include "tst_adjust.moc"
