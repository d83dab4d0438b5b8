// The command-line front, run as a program: the list of operations, a call
// that writes a working file, chained calls, and the refused calls.
#include "testsupport.h"

#include <QProcess>

using namespace testsupport;

namespace {

using Run = testsupport::CliRun;

Run cli(const QStringList &arguments)
{
    return testsupport::runCli(arguments);
}

}  // namespace

class CliTest : public QObject
{
    Q_OBJECT

    QString picture;

private slots:
    void initTestCase()
    {
        picture = writePicture(documentRoot() + "walk.png", positionPicture(300, 200));
    }

    void init()
    {
        QDir(documentRoot() + ".qvrkTemp").removeRecursively();
    }

    void listShowsEveryOperation()
    {
        const Run run = cli({"--list"});
        QCOMPARE(run.status, 0);
        const QStringList facade = run.out.filter(QRegularExpression("^communication: "));
        QCOMPARE(facade.size(), 45);
        QVERIFY(facade.contains("communication: QString qualityImage(QString pathimage, double timesTemp)"));
        QVERIFY(facade.contains("communication: QString loadImage(QString, int)"));
        QVERIFY(facade.contains("communication: void addPaintImage(QString imagepath)"));
        QVERIFY(!run.out.filter(QRegularExpression("^http: ")).isEmpty());
    }

    void callWritesAWorkingFile()
    {
        const Run run = cli({"qualityImage", picture, "0.5"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringList{workingFolder() + "walk_norvik.png"});
        QCOMPARE(QImage(run.out.first()).size(), QSize(150, 100));
    }

    // Calls in one process, in order: the second crops the first one's file;
    // results are printed as paths, numbers, words, sizes or "null".
    void chainedCalls()
    {
        const QString working = workingFolder() + "walk_norvik.png";
        const Run run = cli({"qualityImage", "file://" + picture, "--", "cropPic", working, "300", "200", "40", "30",
                             "10", "10", "--", "compressImage", picture, "0.25", "--", "imageRectCount", "--",
                             "getImageRect", "0", "--", "addPaintImage", picture, "--", "getDeviceName"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, (QStringList{working, workingFolder() + "walk_norvik_norvik.png", "75x50", "0",
                                       "null", "Nokia N8"}));
        QCOMPARE(QImage(run.out.at(1)).size(), QSize(40, 30));
    }

    void refusedCalls_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown operation") << QStringList{"qualityImage", picture, "--", "noSuchThing"}
                                           << "communication has no operation 'noSuchThing'";
        QTest::newRow("wrong count") << QStringList{"qualityImage", picture, "--", "cropPic", picture, "1"}
                                     << "communication.cropPic takes 7 arguments, 2 given";
        QTest::newRow("range of counts") << QStringList{"qualityImage", picture, "--", "addPaintImage"}
                                         << "communication.addPaintImage takes 1 to 11 arguments, 0 given";
        QTest::newRow("not a number") << QStringList{"qualityImage", picture, "--", "qualityImage", picture, "half"}
                                      << "argument 2 of communication.qualityImage ('half') is not a double";
        QTest::newRow("not a flag")
            << QStringList{"qualityImage", picture, "--", "revolvingImage", picture, "1", "90", "yes", "0", "0"}
            << "argument 4 of communication.revolvingImage ('yes') is not a bool";
        QTest::newRow("no object by that name") << QStringList{"qualityImage", picture, "--", "--object", "nobody", "x"}
                                                << "no published object named 'nobody'";
        QTest::newRow("other object") << QStringList{"qualityImage", picture, "--", "--object", "http", "qualityImage"}
                                      << "http has no operation 'qualityImage'";
    }

    // One line on stderr, status 2, and not even the valid calls before it run.
    void refusedCalls()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = cli(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        const QStringList &lines = run.err;
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith("zeltanorvik-cli: " + message), qPrintable(lines.first()));
        QVERIFY(!QFileInfo::exists(workingFolder() + "walk_norvik.png"));
    }
};

ZN_PROGRAM_TEST_MAIN(CliTest)
#include "tst_cli.moc"
