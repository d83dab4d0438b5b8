// The one table of operations: every entry names a method its object has,
// with the parameters its arguments say, and is reachable from the runner and
// the command line; arguments are refused with their reason before anything
// runs; the runner tells the names of working files and remembers its copies
// (a photo whose name looks like a copy's is still the photo).
#include "EditorTools.h"
#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "clicall.h"
#include "operationrunner.h"
#include "operationtable.h"
#include "testsupport.h"

#include <QMetaMethod>
#include <QSignalSpy>

using testsupport::documentRoot;
using testsupport::positionPicture;
using testsupport::writePicture;

namespace {

// Whether a parameter of `type` takes an argument of `kind`.
bool takes(QMetaType type, operations::Kind kind)
{
    switch (kind) {
    case operations::Kind::Picture:
    case operations::Kind::Name:
    case operations::Kind::File:
        return type.id() == QMetaType::QString;
    case operations::Kind::Integer:
        return type.id() == QMetaType::Int;
    case operations::Kind::Number:
        return type.id() == QMetaType::Double || type.id() == QMetaType::Float;
    case operations::Kind::Flag:
        return type.id() == QMetaType::Bool;
    }
    return false;
}

// A word of the command line for an argument (within its range).
QString wordFor(const operations::Argument &a, const QString &picture)
{
    switch (a.kind) {
    case operations::Kind::Picture:
    case operations::Kind::Name:
    case operations::Kind::File:
        return picture;
    case operations::Kind::Flag:
        return "true";
    case operations::Kind::Integer:
    case operations::Kind::Number:
        if (a.among)
            return QString::number(a.among().front());
        return QString::number(std::isfinite(a.least) ? a.least : 1);
    }
    return {};
}

struct Ending {
    QString path;
    QString error;
};

Ending runJob(OperationRunner &runner, bool quick, const QVariantList &calls)
{
    QSignalSpy spy(&runner, &OperationRunner::finished);
    const int ticket = quick ? runner.runQuick("t", calls) : runner.run("t", calls);
    while (spy.isEmpty() && spy.wait(20000)) {
    }
    if (spy.isEmpty() || spy.first().at(0).toInt() != ticket)
        return {QString(), "no ending"};
    return {spy.first().at(2).toString(), spy.first().at(3).toString()};
}

QVariantList one(const QVariantList &call)
{
    return QVariantList{QVariant(call)};
}

}  // namespace

class OperationTableTest : public QObject
{
    Q_OBJECT

private slots:
    void everyEntryNamesItsMethod()
    {
        ZQDCommunication facade;
        EditorTools tools(&facade);
        QStringList names;
        for (const operations::Operation &op : operations::all()) {
            const QString name = QString::fromLatin1(op.name);
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.append(name);
            QVERIFY(OperationRunner::allowed(name));
            QVERIFY2(op.source < int(op.arguments.size()), qPrintable(name));
            if (op.object == operations::Object::Runner)
                continue;
            QObject *object = op.object == operations::Object::Tools ? static_cast<QObject *>(&tools) : &facade;
            const QString objectName = op.object == operations::Object::Tools ? "tools" : "communication";
            QCOMPARE(name, (op.object == operations::Object::Tools ? "tools." : "") + QString(op.method));
            // The method takes every argument, in order, of the kind the entry says.
            const QMetaMethod *method = nullptr;
            const QList<QMetaMethod> methods = callableMethods(object);
            for (const QMetaMethod &m : methods) {
                if (m.name() == op.method && m.parameterCount() == int(op.arguments.size()))
                    method = &m;
            }
            QVERIFY2(method, qPrintable(name));
            for (int i = 0; i < method->parameterCount(); ++i)
                QVERIFY2(takes(method->parameterMetaType(i), op.arguments[std::size_t(i)].kind),
                         qPrintable(name + " argument " + QString::number(i + 1)));
            // The command line reaches it, through the table.
            QCOMPARE(tableEntry(objectName, op.method), &op);
            QStringList words{"--object", objectName, op.method};
            for (const operations::Argument &a : op.arguments)
                words << wordFor(a, "/p.png");
            QList<CliCall> calls;
            QString error;
            QList<PublishedObject> objects{{"communication", &facade, {}}, {"tools", &tools, {}}};
            QVERIFY2(resolveCalls(words, objects, &calls, &error), qPrintable(name + ": " + error));
        }
        // The quick lane and the live previews read the same entries.
        QVERIFY(operations::find("writingFontImage")->source == 1);
        QCOMPARE(operations::find("tools.blendImage")->pictureArguments(), (std::vector<int>{0, 1}));
        QVERIFY(operations::find("weakprogress")->pictureArguments().empty());
        QVERIFY(!operations::find("compressImage"));
    }

    void argumentsAreCheckedBeforeAnythingRuns()
    {
        const QString photo = writePicture(documentRoot() + "checked.png", positionPicture(60, 40));
        OperationRunner runner;
        struct Case {
            QVariantList call;
            QString reason;
        };
        const QList<Case> cases = {
            {{"tools.toneImage", photo, 101, 0, 0, 0, 0, 0}, "between -100 and 100, not 101"},
            {{"loadImage", photo, "1019"}, "Argument 2 (look) of \u201cloadImage\u201d must be a whole number."},
            {{"loadImage", photo, 10.5}, "whole number"},
            {{"revolvingImage", photo, 1.0, 0.0, 1, false, false}, "true or false"},
            {{"loadImage", photo}, "\u201cloadImage\u201d takes 2 arguments, not 1."},
            {{"qualityImage", photo, 0.5, 1}, "takes 1 to 2 arguments, not 3"},
            // Look numbers are the engine's; 1024 falls between two looks.
            {{"loadImage", photo, 1024},
             "Argument 2 (look) of \u201cloadImage\u201d must be one of 1018\u20131023, 1026\u20131028, "
             "1030\u20131035, 1038\u20131048, 1101, 1102, 1104, 1500, not 1024."},
            {{"loadImage", photo, -1}, "not -1."},
            {{"mixingcolorImage", photo, 60, 40, 0, -101, 0}, "Argument 5 (contrast) of \u201cmixingcolorImage\u201d must be between -100 and 100, not -101."},
            {{"mixingcolorImage", photo, 60, 40, 0, 0, 300}, "not 300"},
        };
        for (const Case &c : cases) {
            const Ending end = runJob(runner, false, one(c.call));
            QVERIFY(end.path.isEmpty());
            QVERIFY2(end.error.contains(c.reason), qPrintable(end.error));
        }
        QVERIFY(QDir(zntest::workingFolder()).entryList(QDir::Files).isEmpty());
        // Every look the engine has passes, and the mixer's ends.
        QString reason;
        for (const int look : ZQDImageEngine::lookNumbers())
            QVERIFY2(operations::check(*operations::find("loadImage"), {photo, look}, &reason), qPrintable(reason));
        QVERIFY(operations::check(*operations::find("mixingcolorImage"), {photo, 60, 40, -100, 100, -100}, &reason));
        // The command line says the same.
        ZQDCommunication facade;
        EditorTools tools(&facade);
        QList<CliCall> calls;
        QString error;
        QVERIFY(!resolveCalls({"--object", "tools", "straightenImage", photo, "46"},
                              {{"communication", &facade, {}}, {"tools", &tools, {}}}, &calls, &error));
        QVERIFY2(error.contains("between -45 and 45, not 46"), qPrintable(error));
    }

    void runnerNamesWorkingFilesAndKnowsItsCopies()
    {
        ZQDCommunication facade;
        OperationRunner runner;
        QCOMPARE(runner.screenSide(), ZQDImageEngine::kScreenSide);
        // A photo named like a copy is still the photo: the quick lane refuses it.
        const QString photo = writePicture(documentRoot() + "beach.screenshot.png", positionPicture(120, 80));
        QCOMPARE(runner.workingFileFor("file://" + photo), facade.files()->setTemporaryPic(photo));
        QVERIFY(!runner.isCopy(photo));
        const Ending refused = runJob(runner, true, one({"loadImage", photo, 1019}));
        QVERIFY(refused.path.isEmpty());
        QVERIFY2(refused.error.contains("screen copy"), qPrintable(refused.error));

        // The copies it made, and what the quick worker made from them, are copies.
        const Ending copy = runJob(runner, true, one({"screenCopy", photo, 60}));
        QVERIFY2(runner.isCopy(copy.path), qPrintable(copy.path + copy.error));
        QCOMPARE(QImage(copy.path).size(), QSize(60, 40));
        const Ending look = runJob(runner, true, one({"loadImage", copy.path, 1019}));
        QCOMPARE(look.path, runner.workingFileFor(copy.path));
        QVERIFY(runner.isCopy(look.path));
        // The main worker's results are not.
        const Ending full = runJob(runner, false, one({"loadImage", photo, 1019}));
        QCOMPARE(full.path, runner.workingFileFor(photo));
        QVERIFY(!runner.isCopy(full.path));
        // Collages and saving stay on the main worker.
        const Ending collage = runJob(runner, true, one({"clearPaintImageList"}));
        QVERIFY2(collage.error.contains("quick lane"), qPrintable(collage.error));
    }
};

ZN_PROGRAM_TEST_MAIN(OperationTableTest)
#include "tst_operationtable.moc"
