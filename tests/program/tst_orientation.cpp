// Photos stored turned, with an EXIF orientation (all eight), come out of
// every operation upright: the same pixels as the photo stored upright.
#include "ImageDispose.h"
#include "EditorTools.h"
#include "displaycopies.h"
#include "operationrunner.h"
#include "pictureprovider.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "operationerror.h"
#include "photoreader.h"
#include "phototestsupport.h"
#include "testsupport.h"

#include <QImageIOHandler>
#include <QImageReader>

using namespace phototest;
using namespace testsupport;

namespace {

// Upright 64 x 48: quarters of 32 x 24, whole JPEG blocks in each direction
// as far as the colours go, so the decoded quarters stay flat.
const QSize kUpright(64, 48);

QString photoWithOrientation(int orientation)
{
    const QString path = documentRoot() + QStringLiteral("turned%1.jpg").arg(orientation);
    if (!QFile::exists(path)) {
        testsupport::writePicture(path, storedAs(quarters(kUpright), orientation), "JPEG");
        if (orientation != 1)
            setOrientation(path, orientation);
    }
    return path;
}

}  // namespace

class OrientationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<int>("orientation");
        for (int v = 1; v <= 8; ++v)
            QTest::addRow("orientation %d", v) << v;
    }

    void cleanup() { QVERIFY2(OperationError::take().isEmpty(), "a photo was refused"); }

    // The stored picture really is turned: a reader that ignored the
    // orientation would see the quarters elsewhere.
    void storedTurnedButDecodedUpright()
    {
        QFETCH_GLOBAL(int, orientation);
        const QString photo = photoWithOrientation(orientation);
        QString why;
        QCOMPARE(QImage(photo).size(), orientation >= 5 ? kUpright.transposed() : kUpright);
        QCOMPARE(showsQuartersUpright(QImage(photo), &why), orientation == 1);

        QCOMPARE(imageio::uprightSize(photo), kUpright);
        QVERIFY2(showsQuartersUpright(imageio::readPicture(photo), &why), qPrintable(why));
        // A scaled decode asks the reader for the stored proportions.
        const QImage half = imageio::readPicture(photo, [](QSize upright) { return upright / 2; });
        QCOMPARE(half.size(), kUpright / 2);
        QVERIFY2(showsQuartersUpright(half, &why), qPrintable(why));
    }

    // Working files of the plain operations: upright, and no orientation of
    // their own to apply a second time.
    void operationsGiveUprightWorkingFiles()
    {
        QFETCH_GLOBAL(int, orientation);
        const QString photo = photoWithOrientation(orientation);
        ZQDCommunication facade;
        QString why;

        const QString copy = facade.qualityImage(photo, 1.0);
        QVERIFY2(showsQuartersUpright(QImage(copy), &why), qPrintable("copy: " + why));
        QCOMPARE(QImageReader(copy).transformation(), QImageIOHandler::TransformationNone);
        QCOMPARE(QImage(facade.qualityImage(photo, 0.5)).size(), kUpright / 2);

        // Crop: the box is on the upright picture (the right half here).
        facade.clearTemporaryPic();
        const QImage crop(facade.cropPic(photo, 64, 48, 32, 48, 32, 0));
        QCOMPARE(crop.size(), QSize(32, 48));
        QVERIFY(near(crop.pixel(16, 12), quarterColours().at(1), 40));
        QVERIFY(near(crop.pixel(16, 36), quarterColours().at(3), 40));

        // Rotate tool without a turn: the picture in its upright box.
        const QString same = facade.revolvingImage(photo, 1.0, 0, false, false, true);
        QVERIFY2(showsQuartersUpright(QImage(same), &why), qPrintable("rotate: " + why));

        // Text with no bubble picture: the photo alone.
        const QString text = facade.writingFontImage(QString(), photo, 1, 0, 0, QString(), 1, QString(), 0, 10,
                                                     "#000000", 0, 0, 0, 0, 0, 0);
        QVERIFY2(showsQuartersUpright(QImage(text), &why), qPrintable("text: " + why));

        // What the interface measures and shows: the upright size, and the
        // display copy upright too.
        OperationRunner runner;
        QCOMPARE(runner.pictureSize(photo), kUpright);
        DisplayCopies copies;
        QSize shownFull;
        const QImage shown = PictureProvider::picture(&copies, photo, kUpright, &shownFull);
        QCOMPARE(shownFull, kUpright);
        QVERIFY2(showsQuartersUpright(shown, &why), qPrintable("display: " + why));

        // The tools object's operations at their neutral settings.
        EditorTools tools(&facade);
        const QString tone = tools.toneImage(photo, 0, 0, 0, 0, 0, 0);
        QVERIFY2(showsQuartersUpright(QImage(tone), &why), qPrintable("tone: " + why));
        const QString straight = tools.straightenImage(photo, 0);
        QVERIFY2(showsQuartersUpright(QImage(straight), &why), qPrintable("straighten: " + why));

        // Focus blur sharp everywhere.
        facade.weakinit(photo);
        const QString focus = facade.weakprogress(photo, 1000, 2000, 32, 24);
        facade.weakrelease();
        QVERIFY2(showsQuartersUpright(QImage(focus), &why), qPrintable("focus: " + why));
    }

    // A collage cell cut from the photo, at full size and halved.
    void collageCellsAreUpright()
    {
        QFETCH_GLOBAL(int, orientation);
        const QString photo = photoWithOrientation(orientation);
        ZQDImageEngine engine;
        QString why;
        const QImage whole = engine.revolvImageTemplate(photo, 64, 48, 0, 0, 1.0f, 0, false, false);
        QVERIFY2(showsQuartersUpright(whole, &why), qPrintable(why));
        const QImage half = engine.revolvImageTemplate(photo, 32, 24, 0, 0, 0.5f, 0, false, false);
        QVERIFY2(showsQuartersUpright(half, &why), qPrintable(why));
    }

    // A look and a frame give the same picture as for the photo stored
    // upright (turned the wrong way, quarters would differ by about 100).
    void looksAndFramesMatchTheUprightPhoto()
    {
        QFETCH_GLOBAL(int, orientation);
        if (orientation == 1)
            QSKIP("the reference itself");
        ZQDCommunication facade;
        const QString photo = photoWithOrientation(orientation);
        const QString reference = photoWithOrientation(1);
        const struct {
            const char *name;
            std::function<QString(const QString &)> run;
        } operations[] = {
            {"look 1018", [&](const QString &p) { return facade.loadImage(p, 1018); }},
            {"simple frame 1701", [&](const QString &p) { return facade.framesimpleImage(p, 1701); }},
            {"colourful frame 1501", [&](const QString &p) { return facade.framecolorfulImage(p, 1501); }},
        };
        for (const auto &op : operations) {
            const QImage expected(op.run(reference));
            const QImage result(op.run(photo));
            QVERIFY2(!expected.isNull(), op.name);
            const double difference = meanDifference(result, expected);
            QVERIFY2(difference >= 0 && difference < 6,
                     qPrintable(QStringLiteral("%1: mean difference %2").arg(op.name).arg(difference)));
        }
    }
};

ZN_PROGRAM_TEST_MAIN(OrientationTest)
#include "tst_orientation.moc"
