// Text in speech bubbles: where the bubble, its text layer and the font land
// for a zoom and screen scale, wrapping and centring, bold, turning, and what
// missing pictures and stray numbers give.
#include "ZQDImageEngine.h"
#include "collagesupport.h"
#include "collagetest.h"

#include <cmath>

using namespace collagetest;

namespace {

const QRgb kGrey = qRgb(100, 100, 100);

// Ink of a red text on the white bubble: clearly redder than it is green.
bool redInk(QRgb p) { return qRed(p) - qGreen(p) > 60; }

int inkCount(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += redInk(image.pixel(x, y));
    return n;
}

// The rows that hold ink, as separate bands (lines of text).
int inkBands(const QImage &image)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = redInk(image.pixel(x, y));
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}

class Fixture
{
public:
    Fixture()
    {
        QImage bubble(474, 421, QImage::Format_ARGB32);
        bubble.fill(Qt::white);
        bubblePath = writePicture("white-bubble.png", bubble);
        photo = QImage(1200, 1000, QImage::Format_RGB32);
        photo.fill(kGrey);
        photoPath = writePicture("grey.png", photo);
    }

    // The bubble of 474 x 421 with the text area (48, 36, 375, 282), at
    // screen scale `srcScale`, placed at (10, 10) on the screen.
    QImage draw(const QString &text, float srcScale = 2.0f, int textSize = 20, int bold = 0, float degree = 0,
                float zoom = 1.0f)
    {
        return engine.drawTextOnImage(QString(), photoPath, srcScale, 10, 10, bubblePath, zoom, text, degree, textSize,
                                      QStringLiteral("#ff0000"), 0, bold, 375, 282, 48, 36)
            .toImage();
    }

    ZQDImageEngine engine;
    QString bubblePath;
    QString photoPath;
    QImage photo;
};

}  // namespace

class TextTest : public QObject
{
    Q_OBJECT

private slots:
    void bubblePlacementAtScreenScaleTwo()
    {
        const auto place = collagesupport::placeBubble(QSize(474, 421), 2.0f, 10, 10, 1.0f, 18, 0, 375, 282, 48, 36);
        QVERIFY(place);
        QCOMPARE(place->bubble, QSize(948, 842));
        QCOMPARE(place->layer, QSize(750, 564));
        QCOMPARE(place->layerAt, QPointF(96, 72));
        QCOMPARE(place->pointSize, 36);
        QCOMPARE(place->photoAt, QPointF(20, 20));
        // The zoom counts like the screen scale; the bubble's place does not.
        const auto zoomed = collagesupport::placeBubble(QSize(474, 421), 1.0f, 10, 10, 2.0f, 18, 0, 375, 282, 48, 36);
        QCOMPARE(zoomed->bubble, QSize(948, 842));
        QCOMPARE(zoomed->photoAt, QPointF(10, 10));
        // Truncation of every product.
        const auto odd = collagesupport::placeBubble(QSize(474, 421), 1.0f, 0, 0, 0.3f, 15, 0, 375, 282, 48, 36);
        QCOMPARE(odd->bubble, QSize(142, 126));
        QCOMPARE(odd->layer, QSize(112, 84));
        QCOMPARE(odd->pointSize, 4);
    }

    void bubbleAndTextLandWhereThePlacementSays()
    {
        Fixture f;
        const QImage result = f.draw(QStringLiteral("Hello"));
        QCOMPARE(result.size(), f.photo.size());
        QCOMPARE(rectText(differenceBounds(result, f.photo)), rectText(QRect(20, 20, 948, 842)));
        const QRect ink = boundsOf(result, redInk);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(QRect(20 + 96, 20 + 72, 750, 564).contains(ink), qPrintable(rectText(ink)));
        // Centred both ways in the layer (to within a few pixels of glyph shape).
        const QPointF layerCentre = QRectF(116, 92, 750, 564).center();
        QVERIFY2(std::abs(QRectF(ink).center().x() - layerCentre.x()) < 6, qPrintable(rectText(ink)));
        QVERIFY2(std::abs(QRectF(ink).center().y() - layerCentre.y()) < 12, qPrintable(rectText(ink)));
        keepArtefact(result, QStringLiteral("text-white-bubble.png"));
    }

    void fontIsTwiceTheSizeAtScreenScaleTwo()
    {
        // At screen scale 2 the text comes out as size 40 would at scale 1 on a
        // bubble picture twice as large with a text area twice as large.
        Fixture f;
        QImage big(948, 842, QImage::Format_ARGB32);
        big.fill(Qt::white);
        const QString bigBubble = writePicture("white-bubble-big.png", big);
        const QImage atTwo = f.draw(QStringLiteral("Twice"), 2.0f, 20);
        const QImage atOne = f.engine
                                 .drawTextOnImage(QString(), f.photoPath, 1.0f, 20, 20, bigBubble, 1.0f,
                                                  QStringLiteral("Twice"), 0, 40, QStringLiteral("#ff0000"), 0, 0,
                                                  750, 564, 96, 72)
                                 .toImage();
        QCOMPARE(zntest::argbDigest(atTwo), zntest::argbDigest(atOne));
        QVERIFY(zntest::argbDigest(atTwo) != zntest::argbDigest(f.draw(QStringLiteral("Twice"), 2.0f, 19)));
    }

    void longTextWrapsAndWhatDoesNotFitIsCut()
    {
        Fixture f;
        const QString words = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
        const QImage wrapped = f.draw(words, 1.0f, 14);
        const QRect layer(10 + 48, 10 + 36, 375, 282);
        QVERIFY(inkBands(wrapped) >= 2);
        QVERIFY2(layer.contains(boundsOf(wrapped, redInk)), qPrintable(rectText(boundsOf(wrapped, redInk))));

        // Far too much text at a large size: cut at the layer's edges.
        const QImage crowded = f.draw((words + QLatin1Char(' ')).repeated(6), 1.0f, 30);
        const QRect ink = boundsOf(crowded, redInk);
        QVERIFY2(layer.contains(ink), qPrintable(rectText(ink)));
        QVERIFY2(ink.top() <= layer.top() + 2 && ink.bottom() >= layer.bottom() - 2, qPrintable(rectText(ink)));
    }

    void boldDiffersOnlyInWeight()
    {
        Fixture f;
        const QImage normal = f.draw(QStringLiteral("Weight"), 1.0f, 30, 0);
        const QImage bold = f.draw(QStringLiteral("Weight"), 1.0f, 30, 1);
        const QImage alsoBold = f.draw(QStringLiteral("Weight"), 1.0f, 30, 7);
        const QRect layer(10 + 48, 10 + 36, 375, 282);
        QVERIFY(layer.contains(differenceBounds(normal, bold)));
        QVERIFY(!differenceBounds(normal, bold).isEmpty());
        QVERIFY(inkCount(bold, layer) > inkCount(normal, layer) * 11 / 10);
        QCOMPARE(zntest::argbDigest(alsoBold), zntest::argbDigest(bold));
    }

    void bubbleIsTurnedAboutItsBox()
    {
        Fixture f;
        const QRect turned = differenceBounds(f.draw(QStringLiteral("Turn"), 2.0f, 20, 0, 90), f.photo);
        QCOMPARE(turned.topLeft(), QPoint(20, 20));
        QVERIFY2(std::abs(turned.width() - 842) <= 1 && std::abs(turned.height() - 948) <= 1,
                 qPrintable(rectText(turned)));
        const QRect tilted = differenceBounds(f.draw(QStringLiteral("Tilt"), 1.0f, 20, 0, 30), f.photo);
        // cos 30 x 474 + sin 30 x 421 = 621, sin 30 x 474 + cos 30 x 421 = 602.
        QVERIFY2(std::abs(tilted.width() - 621) <= 2 && std::abs(tilted.height() - 602) <= 2, qPrintable(rectText(tilted)));
    }

    void missingPicturesAndStrayNumbers()
    {
        Fixture f;
        // No bubble picture: the photo comes back as it was.
        const QImage noBubble = f.engine
                                    .drawTextOnImage(QString(), f.photoPath, 2.0f, 10, 10, inRoot("gone.png"), 1.0f,
                                                     QStringLiteral("x"), 0, 20, QStringLiteral("#ff0000"), 0, 0, 375,
                                                     282, 48, 36)
                                    .toImage();
        QCOMPARE(zntest::argbDigest(noBubble), zntest::argbDigest(f.photo));
        // No photo: nothing.
        QVERIFY(f.engine
                    .drawTextOnImage(QString(), inRoot("gone.png"), 2.0f, 10, 10, f.bubblePath, 1.0f,
                                     QStringLiteral("x"), 0, 20, QStringLiteral("#ff0000"), 0, 0, 375, 282, 48, 36)
                    .isNull());
        // Zooms and places that are not numbers, not positive or past the cap.
        for (const float zoom : {0.0f, -1.0f, std::nanf(""), INFINITY, 40.0f})
            QVERIFY2(f.draw(QStringLiteral("x"), 1.0f, 20, 0, 0, zoom).isNull(), qPrintable(QString::number(zoom)));
        QVERIFY(f.draw(QStringLiteral("x"), 1.0f, 20, 0, std::nanf("")).isNull());
        QVERIFY(f.engine
                    .drawTextOnImage(QString(), f.photoPath, 1.0f, std::nanf(""), 10, f.bubblePath, 1.0f,
                                     QStringLiteral("x"), 0, 20, QStringLiteral("#ff0000"), 0, 0, 375, 282, 48, 36)
                    .isNull());
        QVERIFY(f.engine
                    .drawTextOnImage(QString(), f.photoPath, 1.0f, 10, 10, f.bubblePath, 1.0f, QStringLiteral("x"),
                                     0, 20, QStringLiteral("#ff0000"), 0, 0, 1e9f, 282, 48, 36)
                    .isNull());
        // A text area without pixels: the bubble alone.
        const QImage noArea = f.engine
                                  .drawTextOnImage(QString(), f.photoPath, 1.0f, 10, 10, f.bubblePath, 1.0f,
                                                   QStringLiteral("x"), 0, 20, QStringLiteral("#ff0000"), 0, 0,
                                                   -375, 0, 48, 36)
                                  .toImage();
        QCOMPARE(rectText(differenceBounds(noArea, f.photo)), rectText(QRect(10, 10, 474, 421)));
        QVERIFY(boundsOf(noArea, redInk).isEmpty());
        // Far off the photo: drawn nowhere, the photo still returned.
        QCOMPARE(zntest::argbDigest(f.engine
                                 .drawTextOnImage(QString(), f.photoPath, 1.0f, 1e12f, -1e12f, f.bubblePath, 1.0f,
                                                  QStringLiteral("x"), 0, 20, QStringLiteral("#ff0000"), 0, 0, 375,
                                                  282, 48, 36)
                                 .toImage()),
                 zntest::argbDigest(f.photo));
    }

    void textRectangleOfABubbleFile()
    {
        ZQDImageEngine engine;
        QCOMPARE(engine.preparetoDrawText(QStringLiteral(":/bubble/round.qvqp")), QRectF(48, 36, 375, 282));
        // A missing file leaves the rectangle of the bubble read before.
        QCOMPARE(engine.preparetoDrawText(inRoot("gone.qvqp")), QRectF(48, 36, 375, 282));
    }

    // A shipped bubble on a generated photo, turned, with wrapped text: to be
    // looked at (its pixels depend on the system's fonts).
    void shippedBubbleArtefact()
    {
        ZQDImageEngine engine;
        const QString photo = writePicture("photo.png", ringsPicture(1440, 1080));
        const QRectF area = engine.preparetoDrawText(QStringLiteral(":/bubble/round.qvqp"));
        const QImage result = engine
                                  .drawTextOnImage(QStringLiteral(":/bubble/round.qvqp"), photo, 3.0f, 40, 30,
                                                   QStringLiteral(":/fontbg/round.png"), 0.8f,
                                                   QStringLiteral("Hello from the speech bubble, with a line that wraps"),
                                                   -12, 16, QStringLiteral("#101010"), 0, 1, area.width(),
                                                   area.height(), area.x(), area.y())
                                  .toImage();
        QCOMPARE(result.size(), QSize(1440, 1080));
        keepArtefact(result, QStringLiteral("bubble-shipped-round.png"));
    }
};

ZN_COLLAGE_TEST_MAIN(TextTest)
#include "tst_text.moc"
