// Steps: a replay gives exactly the pixels of the same calls made one by one
// (through the runner too), scaled as the user meant on a photo of another
// size; steps go into a saved picture and come back out; a bad steps file is
// refused with the step and the reason before any photo is touched; the
// command line's batch does every photo it can and says which one failed.
#include "EditorTools.h"
#include "ZQDCommunication.h"
#include "operationrunner.h"
#include "testsupport.h"

#include <QSignalSpy>

using testsupport::CliRun;
using testsupport::documentRoot;
using testsupport::runCli;
using testsupport::workingFolder;
using testsupport::writePicture;

namespace {

QImage pixelsOf(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

// A photo-like JPEG: smooth colour with some texture.
QString photo(const QString &name, int width, int height)
{
    QImage image = testsupport::positionPicture(width, height);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int t = ((x * 7 + y * 13) % 23) * 3;
            row[x] = qRgb(qMin(255, qRed(row[x]) + t), qGreen(row[x]), qMax(0, qBlue(row[x]) - t));
        }
    }
    return writePicture(QDir::tempPath() + "/zn-steps-" + QString::number(getpid()) + "/" + name, image, "JPEG", 92);
}

QVariantMap step(const QString &object, const QString &call, const QVariantList &args)
{
    QVariantMap m{{"call", call}, {"args", args}};
    if (!object.isEmpty())
        m.insert("object", object);
    return m;
}

// JSON written with ' for " (readable in a test).
QString json(const char *text)
{
    return QString::fromUtf8(text).replace('\'', '"');
}

int filesIn(const QString &folder)
{
    return int(QDir(folder).entryList(QDir::Files).size());
}

}  // namespace

class StepsTest : public QObject
{
    Q_OBJECT

    ZQDCommunication facade;
    EditorTools tools{&facade};

    // The steps of the test, recorded as the editor records them (pixels of
    // each step's input picture: 600 x 400, then 300 x 200 after the crop).
    QString stepsFile()
    {
        QVariantMap tone = step("tools", "toneImage", {30, 0, 0, 10, 0, 0});
        tone.insert("strength", 0.6);
        tone.insert("label", "Tone: exposure +30");
        QVariantMap crop{{"calls", QVariantList{step({}, "revolvingImage", {1.0, 0, true, false, false}),
                                                step({}, "cropPic", {600, 400, 300, 200, 60, 40})}},
                         {"label", "Crop"},
                         {"tool", QVariantMap{{"name", "crop"}, {"settings", QVariantMap{{"ratio", "3:2"}}}}}};
        const QList<std::tuple<QVariantMap, int, int>> recorded = {
            {step({}, "loadImage", {1020}), 600, 400},
            {tone, 600, 400},
            {step({}, "SharpImage", {600, 400, 0.4}), 600, 400},
            {crop, 600, 400},
            {step("tools", "healImage", {100, 80, 12}), 300, 200},
            {step({}, "weakprogress", {30.5, 80.0, 150, 100}), 300, 200},
        };
        QVariantList steps;
        for (const auto &[s, w, h] : recorded) {
            const QVariantMap made = tools.stepFor(s, w, h);
            if (made.isEmpty())
                qWarning() << "refused:" << tools.lastError();
            steps.append(made);
        }
        return tools.stepsJson(steps);
    }

private slots:
    void replayEqualsTheCallsOneByOne()
    {
        const QString original = photo("walk.jpg", 600, 400);
        // The same calls, one by one, on the photo.
        QList<QImage> expected;
        const QString a = facade.loadImage(original, 1020);
        expected << pixelsOf(a);
        const QString b = tools.blendImage(a, tools.toneImage(a, 30, 0, 0, 10, 0, 0), 0.6);
        expected << pixelsOf(b);
        const QString c = facade.SharpImage(b, 600, 400, 0.4f);
        expected << pixelsOf(c);
        const QString d = facade.cropPic(facade.revolvingImage(c, 1.0, 0, true, false, false), 600, 400, 300, 200, 60, 40);
        expected << pixelsOf(d);
        const QString e = tools.healImage(d, 100, 80, 12);
        expected << pixelsOf(e);
        facade.weakinit(e);
        const QString f = facade.weakprogress(e, 30.5, 80.0, 150, 100);
        facade.weakrelease();
        expected << pixelsOf(f);
        for (const QImage &picture : std::as_const(expected))
            QVERIFY(!picture.isNull());
        QCOMPARE(expected.at(3).size(), QSize(300, 200));

        // Replayed as a job of the runner: every step's file, the last as the path.
        const QString json = stepsFile();
        QVERIFY2(!json.isEmpty(), qPrintable(tools.lastError()));
        OperationRunner runner;
        QSignalSpy spy(&runner, &OperationRunner::finished);
        runner.run("steps", QVariantList{QVariant(QVariantList{"tools.replaySteps", original, json})});
        QVERIFY(spy.wait(60000));
        QVERIFY2(spy.first().at(3).toString().isEmpty(), qPrintable(spy.first().at(3).toString()));
        const QStringList files = spy.first().at(5).toStringList();
        QCOMPARE(files.size(), 6);
        QCOMPARE(spy.first().at(2).toString(), files.last());
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(pixelsOf(files.at(i)) == expected.at(i), qPrintable(QString("step %1").arg(i + 1)));

        // On a photo twice the size, the crop keeps the same part of it.
        const QString large = photo("large.jpg", 1200, 800);
        const QStringList scaled = tools.replaySteps(large, json);
        QCOMPARE(scaled.size(), 6);
        QCOMPARE(QImage(scaled.at(3)).size(), QSize(600, 400));
        QCOMPARE(QImage(scaled.last()).size(), QSize(600, 400));
    }

    void stepsGoIntoTheSavedPictureAndComeBack()
    {
        const QString original = photo("trip.jpg", 300, 200);
        const QString working = facade.loadImage(original, 1020);
        const QString json = stepsFile();
        const QVariantMap wanted = tools.readSteps(json);
        QCOMPARE(wanted.value("error").toString(), QString());
        for (const QString format : {"jpeg", "png", "webp"}) {
            const QString saved = tools.exportImageAs(working, original, format, 90, 0, true, json);
            QVERIFY2(!saved.isEmpty(), qPrintable(tools.lastError()));
            const QString back = tools.stepsOf(saved);
            QVERIFY2(!back.isEmpty(), qPrintable(format + ": " + tools.lastError()));
            // The same steps, and where the photo they were made on is.
            QVariantMap carried = tools.readSteps(back);
            QCOMPARE(carried.take("original").toString(), QFileInfo(original).absoluteFilePath());
            QVariantMap plain = wanted;
            plain.remove("original");
            QCOMPARE(carried, plain);
            // Saved again from it without steps, it carries none: its steps
            // were made on another photo.
            const QString again = tools.exportImageAs(working, saved, format, 90, 0, true);
            QVERIFY(!again.isEmpty());
            QCOMPARE(tools.stepsOf(again), QString());
            QVERIFY(tools.lastError().contains("carries no steps"));
        }
        // An "original" the steps name already is kept; one that is not a path is refused.
        const QString named = QString(json).replace("\"version\": 1,", "\"version\": 1, \"original\": \"/photos/a.jpg\",");
        QCOMPARE(tools.readSteps(tools.stepsOf(tools.exportImageAs(working, original, "png", 90, 0, true, named)))
                     .value("original").toString(),
                 QString("/photos/a.jpg"));
        QVERIFY(tools.readSteps(QString(json).replace("\"version\": 1,", "\"version\": 1, \"original\": 3,"))
                    .value("error").toString().contains("original"));
        // Steps that cannot be replayed are not saved, and neither is the picture.
        QCOMPARE(tools.exportImageAs(working, original, "png", 90, 0, true, "{\"format\": 1}"), QString());
        QVERIFY(tools.lastError().contains("not a steps file"));
    }

    void previewReplaysOnTheScreenCopyInTheQuickLane()
    {
        const QString original = photo("preview.jpg", 900, 600);
        const QString json = stepsFile();
        OperationRunner runner;
        QSignalSpy spy(&runner, &OperationRunner::finished);
        runner.runQuick("copy", QVariantList{QVariant(QVariantList{"screenCopy", original, 450})});
        QVERIFY(spy.wait(60000));
        const QString copy = spy.takeFirst().at(2).toString();
        QCOMPARE(QImage(copy).size(), QSize(450, 300));
        // The photo itself is not the quick lane's.
        runner.runQuick("steps", QVariantList{QVariant(QVariantList{"tools.replaySteps", original, json})});
        QVERIFY(spy.wait(60000));
        QVERIFY(spy.takeFirst().at(3).toString().contains("screen copy"));
        runner.runQuick("steps", QVariantList{QVariant(QVariantList{"tools.replaySteps", copy, json})});
        QVERIFY(spy.wait(60000));
        const QStringList files = spy.first().at(5).toStringList();
        QCOMPARE(files.size(), 6);
        // Scaled as on the photo: the crop keeps half of each side.
        QCOMPARE(QImage(files.last()).size(), QSize(225, 150));
        // What the preview made is the quick lane's to work on further.
        for (const QString &file : files)
            QVERIFY(runner.isCopy(file));
        QVERIFY(runner.hasDisplayCopy(files.last(), QSize(225, 150)));
    }

    void stepsTooLargeForAJpegAreSaidSo()
    {
        const QString original = photo("long.jpg", 120, 80);
        const QString working = facade.loadImage(original, 1020);
        QVariantList many;
        for (int i = 0; i < 1000; ++i) {
            QVariantMap tone = step("tools", "toneImage", {i % 100, 0, 0, 0, 0, 0});
            tone.insert("label", QString("Tone: exposure +%1").arg(i % 100));
            many.append(tools.stepFor(tone, 120, 80));
        }
        const QString json = tools.stepsJson(many);
        QVERIFY(json.size() > 64 * 1024);
        QCOMPARE(tools.exportImageAs(working, original, "jpeg", 90, 0, true, json), QString());
        QVERIFY(tools.lastError().contains("too large for a JPEG"));
        const QString png = tools.exportImageAs(working, original, "png", 90, 0, true, json);
        QVERIFY(!png.isEmpty());
        QCOMPARE(tools.readSteps(tools.stepsOf(png)).value("steps").toList().size(), 1000);
    }

    void badStepsAreRefusedWithTheStepAndTheReason()
    {
        const QString head = json("{'format': 'zeltanorvik-steps', 'version': 1, 'steps': [{'call': 'loadImage', 'args': [1020]}, ");
        const QList<QPair<QString, QString>> cases = {
            {"{\"format\": \"zeltanorvik-steps\",\n \"version\": 1 \"steps\": []}", "not valid JSON"},
            {"{\"format\": \"zeltanorvik-steps\",\n \"version\": 1 \"steps\": []}", "line 2"},
            {json("{'format': 'another-editor', 'version': 1, 'steps': []}"), "not a steps file"},
            {json("{'format': 'zeltanorvik-steps', 'version': 2, 'steps': []}"), "version 2"},
            {head + json("{'call': 'paintEverything', 'args': []}]}"), "Step 2: There is no edit called"},
            {head + json("{'call': 'screenCopy', 'args': [100]}]}"), "Step 2"},
            {head + json("{'call': 'getTemplateRule', 'args': [':/a', ':/b', ':/c']}]}"), "not an edit"},
            {head + json("{'object': 'tools', 'call': 'exportImageAs', 'args': ['', 'jpeg', 90, 0, true]}]}"), "not an edit"},
            {head + json("{'call': 'weakinit', 'args': []}]}"), "not an edit"},
            {head + json("{'object': 'tools', 'call': 'brightnessHistogram', 'args': [16]}]}"), "not an edit"},
            {head + json("{'object': 'tools', 'call': 'blendImage', 'args': ['/etc/passwd', 0.5]}]}"), "not an edit"},
            {head + json("{'object': 'tools', 'call': 'toneImage', 'args': [30, 0]}]}"), "takes 6 arguments"},
            {head + json("{'object': 'tools', 'call': 'toneImage', 'args': [30, 0, 0, 'ten', 0, 0]}]}"), "whole number"},
            {head + json("{'object': 'tools', 'call': 'toneImage', 'args': [300, 0, 0, 0, 0, 0]}]}"), "between -100 and 100"},
            {head + json("{'call': 'SharpImage', 'args': [1e999, 1, 0.5]}]}"), "not valid JSON"},
            {head + json("{'call': 'writingFontImage', 'args': ['/etc/passwd', 0.01, 0, 0, ':/fontbg/round.png', 1, 'hi', 0, 20, '#000', 0, 0, 10, 10, 0, 0]}]}"),
             "program's own files"},
            {head + json("{'call': 'loadImage', 'args': [1020], 'strength': 2}]}"), "strength"},
            {QString(json("{'format': 'zeltanorvik-steps', 'version': 1, 'steps': ["))
                 + QString(json("{'call': 'loadImage', 'args': [1020]},")).repeated(1001) + "{}]}",
             "more than"},
            {json("{'format': 'zeltanorvik-steps', 'version': 1, 'steps': [], 'pad': '") + QString(1100000, 'x') + "\"}",
             "more than any steps file"},
        };
        const int before = filesIn(workingFolder());
        const QString original = photo("refused.jpg", 60, 40);
        for (const auto &[json, reason] : cases) {
            const QVariantMap read = tools.readSteps(json);
            QVERIFY(read.value("steps").toList().isEmpty());
            QVERIFY2(read.value("error").toString().contains(reason),
                     qPrintable(read.value("error").toString() + " / wanted: " + reason));
            QCOMPARE(tools.replaySteps(original, json), QStringList());
        }
        QCOMPARE(filesIn(workingFolder()), before);  // no photo touched
        // The editor's own step is refused the same way.
        QCOMPARE(tools.stepFor(step({}, "weakinit", {}), 60, 40), QVariantMap());
        QVERIFY(tools.lastError().contains("not an edit"));
        QCOMPARE(tools.stepFor(step({}, "loadImage", {1020}), 0, 40), QVariantMap());
        QCOMPARE(tools.stepFor(step({}, "SharpImage", {qInf(), 40, 0.5}), 60, 40), QVariantMap());
        QVERIFY(tools.lastError().contains("must be a whole number"));
    }

    void commandLineBatchDoesEveryPhotoItCan()
    {
        const QString stepsPath = QDir::tempPath() + "/zn-steps-" + QString::number(getpid()) + "/look.json";
        QFile file(stepsPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(json("{'format': 'zeltanorvik-steps', 'version': 1, 'steps': [{'call': 'loadImage', 'args': [1020]},\n            {'object': 'tools', 'call': 'toneImage', 'args': [20, 0, 0, 0, 0, 0], 'label': 'Tone'}]}").toUtf8());
        file.close();
        const QString out = documentRoot() + "batch";
        const QString first = photo("one.jpg", 320, 240);
        const QString second = photo("two.jpg", 240, 320);
        const CliRun run = runCli({"--apply", stepsPath, "--jobs", "2", "--out", out, "--format", "png", first,
                                   "/nowhere/missing.jpg", second});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out.size(), 2);
        QVERIFY(run.out.contains(out + "/one_edited.png"));
        QVERIFY(run.out.contains(out + "/two_edited.png"));
        QCOMPARE(run.err.filter("missing.jpg").size(), 1);
        QCOMPARE(QImage(out + "/two_edited.png").size(), QSize(240, 320));
        // The batch's result is the replay's.
        QCOMPARE(pixelsOf(out + "/one_edited.png"), pixelsOf(tools.replaySteps(first, QString::fromUtf8(testsupport::fileBytes(stepsPath))).last()));

        const CliRun carried = runCli({"--steps", out + "/one_edited.png"});
        QCOMPARE(carried.status, 0);
        QVERIFY(carried.out.join('\n').contains("\"label\": \"Tone\""));
        QCOMPARE(runCli({"--steps", first}).status, 1);
        // A bad steps file touches no photo.
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\": \"zeltanorvik-steps\", \"version\": 1, \"steps\": [{\"call\": \"nothing\"}]}");
        file.close();
        const CliRun refused = runCli({"--apply", stepsPath, "--out", out + "-refused", first});
        QCOMPARE(refused.status, 2);
        QVERIFY(refused.err.join(' ').contains("Step 1"));
        QVERIFY(!QDir(out + "-refused").exists());
    }
};

ZN_PROGRAM_TEST_MAIN(StepsTest)
#include "tst_steps.moc"
