// The facade's collage and text entries: what they hand the engine and which
// working file each writes.
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "collagetest.h"

#include <QJSEngine>
#include <QQmlEngine>

using namespace collagetest;

namespace {

QString working(const char *name) { return documentRoot() + QStringLiteral(".qvrkTemp/1/") + QLatin1String(name); }

}  // namespace

class FacadeCollageTest : public QObject
{
    Q_OBJECT

private slots:
    void templateAndStitchingBackgroundsShareOneWorkingFile()
    {
        ZQDCommunication facade;
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        QCOMPARE(background, working("templatebg_norvik.png"));
        QCOMPARE(QImage(background).size(), QSize(730, 996));
        QCOMPARE(facade.imageRectCount(), 2);
        QCOMPARE(facade.getImageRect(1)->gety(), 371);

        const QString stitched = facade.getStitchingRule(kBorder002, kPaper, 640, 480);
        QCOMPARE(stitched, background);
        QCOMPARE(QImage(stitched).size(), QSize(730, 578));
    }

    // Cells read from QML stay the engine's: the QML engine's collector does
    // not take them, so the next layout can clear the list safely.
    void cellsHandedToQmlStayWithTheEngine()
    {
        ZQDCommunication facade;
        QQmlEngine qml;
        qml.globalObject().setProperty(QStringLiteral("communication"), qml.newQObject(&facade));
        QQmlEngine::setObjectOwnership(&facade, QQmlEngine::CppOwnership);
        QVERIFY(!facade.getTemplateRule(kLayout002001, kBorder002, kPaper).isEmpty());
        QVERIFY(facade.getMixRule(QStringLiteral(":/puzzlef/002-001.zypt")));
        const QJSValue sum = qml.evaluate(QStringLiteral(
            "var s = 0; for (var i = 0; i < 50; ++i) s += communication.getImageRect(i % 2).getwidth(); s"));
        QVERIFY2(!sum.isError(), qPrintable(sum.toString()));
        QCOMPARE(sum.toInt(), 25 * (554 + 369));
        qml.collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(facade.getImageRect(1)->getwidth(), 369);
        QVERIFY(facade.getMixRule(QStringLiteral(":/puzzlef/002-001.zypt")));
        QVERIFY(!facade.getTemplateRule(kLayout002001, kBorder002, kPaper).isEmpty());
        QCOMPARE(facade.imageRectCount(), 2);
    }

    void collagesAreNamedByTheirKind()
    {
        ZQDCommunication facade;
        const QString background = facade.getTemplateRule(kLayout002001, kBorder002, kPaper);
        const QString photo = writePicture("photo.png", positionPicture(800, 600));

        facade.addPaintImage("file://" + photo, 40, 40, 650, 323, 10, 10);
        const QString templ = facade.savePuzzleTemplate("file://" + background);
        QCOMPARE(templ, working("template_norvik.png"));
        const QImage collage(templ);
        QCOMPARE(collage.size(), QSize(730, 996));
        QCOMPARE(collage.pixel(40, 40), positionPicture(800, 600).pixel(10, 10));
        QCOMPARE(facade.engine()->paintImageCount(), 0);

        facade.addPaintImage(photo, 0, 0, 100, 100);
        QCOMPARE(facade.savePuzzleStitching(background), working("stitching_norvik.png"));
        QVERIFY(QFile::exists(working("stitching_norvik.png")));

        QVERIFY(facade.getMixRule(QStringLiteral(":/puzzlef/002-001.zypt")));
        QVERIFY(!facade.getMixRule(inRoot("missing.zypt")));
        const QString bg = facade.revolvFreeBgImage(QStringLiteral(":/miximage/cork.jpg"), 1.0f, 640, 896);
        QCOMPARE(bg, working("freebgtemp_norvik.png"));
        QCOMPARE(QImage(bg).size(), QSize(640, 896));
        facade.addPaintImage(photo, 44, 21, 0, 0, 0, 0, -3, false, false, 0.5f);
        const QString free = facade.savePuzzleFree("file://" + bg);
        QCOMPARE(free, working("free_norvik.png"));
        QCOMPARE(QImage(free).size(), QSize(640, 896));
    }

    void failedStepsLeaveNoFile()
    {
        ZQDCommunication facade;
        // Nothing made: "", and the older picture under the name stays.
        writePicture(".qvrkTemp/1/freebgtemp_norvik.png", positionPicture(4, 4));
        QCOMPARE(facade.revolvFreeBgImage(inRoot("gone.jpg"), 1.0f, 640, 896), QString());
        QCOMPARE(QImage(working("freebgtemp_norvik.png")).size(), QSize(4, 4));
        // No border was ever read by this facade's engine.
        QVERIFY(!QFile::exists(facade.getStitchingRule(inRoot("gone.ptbj"), kPaper, 640, 480)));
    }

    void bubbleTextIsNamedAfterThePhoto()
    {
        ZQDCommunication facade;
        const QString photo = writePicture("holiday.png", positionPicture(960, 720));
        const QString result = facade.writingFontImage(QStringLiteral(":/bubble/round.qvqp"), "file://" + photo, 2.0f,
                                                       10, 10, QStringLiteral(":/fontbg/round.png"), 0.5f,
                                                       QStringLiteral("Hi"), 0, 12, QStringLiteral("#101010"), 0, 0,
                                                       375, 282, 48, 36);
        QCOMPARE(result, working("holiday_norvik.png"));
        const QImage burnt(result);
        QCOMPARE(burnt.size(), QSize(960, 720));
        // The bubble covers its box's centre, drawn at (20, 20) and 474 x 421.
        QVERIFY(burnt.pixel(20 + 237, 20 + 100) != positionPicture(960, 720).pixel(20 + 237, 20 + 100));
        QCOMPARE(burnt.pixel(600, 600), positionPicture(960, 720).pixel(600, 600));
        // A missing photo: no file.
        QVERIFY(!QFile::exists(facade.writingFontImage(QString(), inRoot("gone.png"), 1.0f, 0, 0,
                                                       QStringLiteral(":/fontbg/round.png"), 1.0f, QStringLiteral("x"),
                                                       0, 12, QStringLiteral("#000000"), 0, 0, 10, 10, 0, 0)));
    }
};

ZN_COLLAGE_TEST_MAIN(FacadeCollageTest)
#include "tst_facade.moc"
