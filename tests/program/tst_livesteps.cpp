// Live previews in memory: every step gives the bytes its operation writes
// for the same picture (odd sizes, with and without alpha), every live form
// of the table among them (steps replayed in memory too), and the runner
// serves a preview by address, previews steps on a copy it makes in memory,
// hands a step's value back, keeps previews to screen copies, and gives a
// collage layout's cells from its worker.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "displaycopies.h"
#include "livesteps.h"
#include "operationerror.h"
#include "operationrunner.h"
#include "operationtable.h"
#include "photoreader.h"
#include "pictureprovider.h"
#include "testsupport.h"

#include <QSignalSpy>

using testsupport::documentRoot;
using testsupport::positionPicture;
using testsupport::writePicture;

namespace {

QVariantList calls(std::initializer_list<QVariantList> list)
{
    QVariantList all;
    for (const QVariantList &c : list)
        all.append(QVariant(c));
    return all;
}

// A picture with some pixels see-through, for the steps that keep alpha.
QImage translucent(int width, int height)
{
    QImage picture = positionPicture(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 2)
            picture.setPixel(x, y, qRgba(x % 256, y % 256, 30, (x + y) % 256));
    return picture;
}

// The file form's result, read back as the step's format.
QImage written(const QString &path, QImage::Format format)
{
    return QImage(path).convertToFormat(format);
}

}  // namespace

class LiveStepsTest : public QObject
{
    Q_OBJECT

    ZQDCommunication facade;
    EditorTools tools{&facade};

    QSet<QString> stepped;  // the operations step() ran

    livesteps::Outcome step(const QString &operation, const QVariantList &args, std::vector<QImage> pictures)
    {
        stepped.insert(operation);
        OperationError::clear();
        return livesteps::run(facade, operation, args, pictures);
    }

private slots:
    void stepsGiveWhatTheirOperationsWrite_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("opaque 333 x 217") << positionPicture(333, 217);
        QTest::newRow("translucent 201 x 97") << translucent(201, 97);
    }

    void stepsGiveWhatTheirOperationsWrite()
    {
        QFETCH(QImage, picture);
        const QString file = writePicture(documentRoot() + "source.screen.png", picture);
        const QString edited = writePicture(documentRoot() + "edited.screen.png", positionPicture(picture.width(), picture.height()).mirrored(true, false));
        const QImage source = imageio::readPicture(file);
        const int w = source.width(), h = source.height();

        // As shown: premultiplied (a working file is written from a pixmap,
        // which keeps a translucent pixel premultiplied; the shown colour is
        // the same).
        auto same = [](const livesteps::Outcome &live, const QString &path) {
            QVERIFY2(live.ok && !path.isEmpty(), qPrintable(OperationError::take()));
            const QImage::Format shown = QImage::Format_ARGB32_Premultiplied;
            const QString difference = zntest::difference(written(path, shown), live.picture.convertToFormat(shown));
            QVERIFY2(difference.isEmpty(), qPrintable(path + ": " + difference));
        };
        same(step("loadImage", {file, 1020}, {source}), facade.loadImage(file, 1020));
        same(step("mixingcolorImage", {file, w, h, 30, -20, 45}, {source}),
             facade.mixingcolorImage(file, w, h, 30, -20, 45));
        same(step("SharpImage", {file, w, h, 0.7}, {source}), facade.SharpImage(file, w, h, 0.7f));
        same(step("tools.toneImage", {file, 40, -30, 25, 60, -15, 70}, {source}),
             tools.toneImage(file, 40, -30, 25, 60, -15, 70));
        same(step("tools.blendImage", {file, edited, 0.35}, {source, imageio::readPicture(edited)}),
             tools.blendImage(file, edited, 0.35));

        same(step("tools.healImage", {file, w / 2, h / 2, 8}, {source}), tools.healImage(file, w / 2, h / 2, 8));
        same(step("cropPic", {file, w, h, w / 2, h / 3, w / 5, h / 4}, {source}),
             facade.cropPic(file, w, h, w / 2, h / 3, w / 5, h / 4));
        same(step("tools.selectiveImage", {file, w / 3, h / 2, 30, 20, -10, 30}, {source}),
             tools.selectiveImage(file, w / 3, h / 2, 30, 20, -10, 30));
        same(step("tools.perspectiveImage", {file, 10.0, -5.0}, {source}), tools.perspectiveImage(file, 10, -5));
        same(step("tools.curvesImage", {file, "rgb", "0,0 128,160 255,255"}, {source}),
             tools.curvesImage(file, "rgb", "0,0 128,160 255,255"));
        same(step("tools.hslImage", {file, "red", 10, -40, 20}, {source}), tools.hslImage(file, "red", 10, -40, 20));

        facade.weakinit(file);
        same(step("weakprogress", {file, 20.0, 60.0, w / 3, h / 2}, {}), facade.weakprogress(file, 20, 60, w / 3, h / 2));
        same(step("weakRectprogress", {file, 15.0, 40.0, 0, h / 4, w, h / 2}, {}),
             facade.weakRectprogress(file, 15, 40, 0, h / 4, w, h / 2));
        facade.weakrelease();

        // Steps replayed in memory have the very pixels of their replay
        // through working files (a translucent picture included).
        auto recorded = [&](const QString &object, const QString &call, const QVariantList &args, double strength = 1) {
            QVariantMap made{{"object", object}, {"call", call}, {"args", args}, {"strength", strength}};
            return QVariant(tools.stepFor(made, w, h));
        };
        auto replaysAsFiles = [&](const QVariantList &recordedSteps) {
            const QString steps = tools.stepsJson(recordedSteps);
            QVERIFY2(!steps.isEmpty(), qPrintable(tools.lastError()));
            const QStringList files = tools.replaySteps(file, steps);
            QCOMPARE(files.size(), recordedSteps.size());
            const livesteps::Outcome replayed = step("tools.replaySteps", {file, steps}, {source});
            QVERIFY2(replayed.ok, qPrintable(OperationError::take()));
            // Exactly, straight alpha and all.
            const QImage expected = written(files.last(), QImage::Format_ARGB32);
            const QImage actual = replayed.picture.convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(expected == actual, qPrintable(zntest::difference(expected, actual) + " (or in the see-through pixels)"));
        };
        const QVariant crop = recorded("communication", "cropPic", {w, h, w * 3 / 4, h * 2 / 3, w / 8, h / 5});
        replaysAsFiles({crop});  // written as it is, not through a pixmap
        replaysAsFiles({crop, recorded("communication", "loadImage", {1018}, 0.8),
                        recorded("tools", "toneImage", {40, -30, 25, 60, -15, 70}, 0.6),
                        recorded("communication", "mixingcolorImage", {w, h, 30, -20, 45}),
                        recorded("tools", "healImage", {w / 2, h / 2, 8}),
                        recorded("tools", "perspectiveImage", {10.0, -5.0}),
                        recorded("tools", "curvesImage", {"rgb", "0,0 128,160 255,255"}, 0.5),
                        recorded("tools", "hslImage", {"red", 10, -40, 20})});

        const livesteps::Outcome histogram = step("tools.brightnessHistogram", {file, 32}, {source});
        QVERIFY(histogram.ok && histogram.picture.isNull());
        QCOMPARE(histogram.value.toList(), tools.brightnessHistogram(file, 32));

        // Every live form of the table was compared with its file form.
        QSet<QString> live;
        for (const operations::Operation &op : operations::all()) {
            if (op.live)
                live.insert(op.name);
        }
        QCOMPARE(stepped, live);
    }

    void runnerServesPreviewsByAddress()
    {
        OperationRunner runner;
        const QString photo = writePicture(documentRoot() + "photo.png", positionPicture(90, 60));
        QSignalSpy spy(&runner, &OperationRunner::finished);
        runner.runQuick("copy", calls({{"screenCopy", photo, 90}}));
        QTRY_COMPARE(spy.size(), 1);
        const QString copy = spy.takeFirst().at(2).toString();
        QVERIFY(runner.isCopy(copy));
        const int toned = runner.preview("tone", calls({{"tools.toneImage", copy, 50, 0, 0, 0, 0, 0},
                                                        {"tools.brightnessHistogram", "$previous", 16}}));
        const int refused = runner.preview("other", calls({{"mixingcolorImage", photo, 90, 60, 10, 0, 0}}));
        runner.waitIdle();
        QTRY_COMPARE(spy.size(), 2);
        QMap<int, QList<QVariant>> ends;
        for (const QList<QVariant> &args : std::as_const(spy))
            ends[args.at(0).toInt()] = args;

        const QString address = ends[toned].at(2).toString();
        QCOMPARE(address, PictureProvider::liveAddress("tone"));
        PictureProvider provider(runner.displayCopies());
        const QString id = address.section('/', 3) + "?v=7";
        QSize size;
        const QImage shown = provider.requestImage(id, &size, QSize());
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), written(tools.toneImage(copy, 50, 0, 0, 0, 0, 0), QImage::Format_RGB32));
        QCOMPARE(provider.requestImage(id, &size, QSize(45, 45)).size(), QSize(45, 30));
        // The histogram is that of the toned picture.
        QCOMPARE(ends[toned].at(5).toList().size(), 16);
        QVERIFY(ends[toned].at(5).toList() != tools.brightnessHistogram(copy, 16));

        // Previews read screen copies only.
        QVERIFY(ends[refused].at(2).toString().isEmpty());
        QVERIFY(ends[refused].at(3).toString().contains("screen copy"));
    }

    void runnerPreviewsStepsOnACopyInMemory()
    {
        OperationRunner runner;
        const QString photo = writePicture(documentRoot() + "steps.jpg", positionPicture(640, 480), "JPEG", 90);
        QVariantMap tone{{"object", "tools"}, {"call", "toneImage"}, {"args", QVariantList{30, 0, 0, 10, 0, 0}}};
        QVariantMap mix{{"call", "mixingcolorImage"}, {"args", QVariantList{640, 480, 20, 10, -30}}, {"strength", 0.5}};
        const QString steps = tools.stepsJson({tools.stepFor(tone, 640, 480), tools.stepFor(mix, 640, 480)});
        const QString turn = tools.stepsJson(
            {tools.stepFor({{"call", "revolvingImage"}, {"args", QVariantList{1.0, 90, false, false, false}}}, 640, 480)});
        QSignalSpy spy(&runner, &OperationRunner::finished);
        auto copyThen = [&](const QString &json) {
            return calls({{"thumbnailCopy", photo, 200}, {"tools.replaySteps", "$previous", json}});
        };
        const int live = runner.preview("steps", copyThen(steps));
        const int files = runner.runQuick("files", copyThen(steps));
        const int refused = runner.preview("turn", copyThen(turn));
        runner.waitIdle();
        QTRY_COMPARE(spy.size(), 3);
        QMap<int, QList<QVariant>> ends;
        for (const QList<QVariant> &args : std::as_const(spy))
            ends[args.at(0).toInt()] = args;

        // Made in memory from the photo itself, the picture the working files give.
        QCOMPARE(ends[live].at(2).toString(), PictureProvider::liveAddress("steps"));
        const QImage shown = runner.displayCopies()->live("steps");
        QCOMPARE(shown.size(), QSize(200, 150));
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), written(ends[files].at(2).toString(), QImage::Format_RGB32));
        // A turn has no form in memory: said so, for the preview through files.
        QVERIFY(ends[refused].at(2).toString().isEmpty());
        QVERIFY2(ends[refused].at(3).toString().contains("in memory"), qPrintable(ends[refused].at(3).toString()));
    }

    void collageJobHandsBackTheLayoutsCells()
    {
        OperationRunner runner;
        QSignalSpy spy(&runner, &OperationRunner::finished);
        const QString layout = ":/puzzletemplate/002-001.zeltambpt";
        const QString border = ":/puzzleframe/002.ptbj";
        const QString pattern = ":/puzzlegrain/paper.jpg";
        runner.run("collage", calls({{"getTemplateRule", layout, border, pattern}, {"collageCells"}}));
        QTRY_COMPARE(spy.size(), 1);
        const QList<QVariant> end = spy.first();
        QVERIFY2(!end.at(2).toString().isEmpty(), qPrintable(end.at(3).toString()));
        // The GUI thread's facade reads the same cells.
        ZQDCommunication reference;
        QVERIFY(!reference.getTemplateRule(layout, border, pattern).isEmpty());
        const QVariantList cells = end.at(5).toList();
        QCOMPARE(cells.size(), reference.imageRectCount());
        QVERIFY(cells.size() > 0);
        for (int i = 0; i < cells.size(); ++i) {
            const QVariantMap cell = cells.at(i).toMap();
            ZQDImageRect *r = reference.getImageRect(i);
            QCOMPARE(cell.value("x").toInt(), r->getx());
            QCOMPARE(cell.value("y").toInt(), r->gety());
            QCOMPARE(cell.value("w").toInt(), r->getwidth());
            QCOMPARE(cell.value("h").toInt(), r->getheight());
        }
    }
};

ZN_PROGRAM_TEST_MAIN(LiveStepsTest)
#include "tst_livesteps.moc"
