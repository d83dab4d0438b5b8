// The command-line front's exit status: 0 when every call did its work; 1
// and one line on stderr (with the reason when there is one) when a call
// returned "", false, a path naming no file or a null picture, and nothing
// after it runs; nothing written in the current folder when there is no
// document root.
#include "clicall.h"
#include "testsupport.h"

#include <QPixmap>

using namespace testsupport;

namespace {

using Run = testsupport::CliRun;

Run cli(const QStringList &arguments, const QString &root = documentRoot(), const QString &folder = {})
{
    return testsupport::runCli(arguments, root, folder);
}

}  // namespace

class CliStatusTest : public QObject
{
    Q_OBJECT

    QString picture;

private slots:
    void initTestCase()
    {
        picture = writePicture(documentRoot() + "walk.png", positionPicture(300, 200));
    }

    void whatCountsAsFailure()
    {
        QVERIFY(resultIsFailure(QString()));
        QVERIFY(resultIsFailure(false));
        QVERIFY(resultIsFailure(documentRoot() + "no-such-file.png"));
        QVERIFY(resultIsFailure(QPixmap()));
        QVERIFY(!resultIsFailure(picture));
        QVERIFY(!resultIsFailure(documentRoot()));  // a folder is there too
        QVERIFY(!resultIsFailure(true));
        QVERIFY(!resultIsFailure(QString("Nokia N8")));
        QVERIFY(!resultIsFailure(0));
        QVERIFY(!resultIsFailure(QVariant()));  // void
        QVERIFY(!resultIsFailure(QPixmap(2, 2)));
    }

    void statusOfEachOutcome_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("success") << QStringList{"qualityImage", picture, "0.5", "--", "copyImage", picture, "x"}
                                 << 0 << QString();
        QTest::newRow("empty path") << QStringList{"qualityImage", documentRoot() + "missing.png"} << 1
                                    << "communication.qualityImage failed";
        QTest::newRow("false") << QStringList{"copyImage", documentRoot() + "missing.png", "x"} << 1
                               << "communication.copyImage failed";
        QTest::newRow("null picture") << QStringList{"compressImage", documentRoot() + "missing.png"} << 1
                                      << "communication.compressImage failed";
        QTest::newRow("reason given") << QStringList{"cropPic", picture, "300", "200", "0", "10", "0", "0"} << 1
                                      << "communication.cropPic failed: The crop box is empty.";
        // The chain stops at the failure: the last call is not made.
        QTest::newRow("stops there") << QStringList{"qualityImage", documentRoot() + "missing.png", "--",
                                                    "qualityImage", picture} << 1
                                     << "communication.qualityImage failed";
    }

    void statusOfEachOutcome()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        QDir(documentRoot() + ".qvrkTemp").removeRecursively();
        const Run run = cli(arguments);
        QCOMPARE(run.status, status);
        if (status == 0) {
            QVERIFY2(run.err.isEmpty(), qPrintable(run.err.join('\n')));
            return;
        }
        QCOMPARE(run.err.size(), 1);
        QVERIFY2(run.err.first().startsWith("zeltanorvik-cli: " + message), qPrintable(run.err.first()));
        QVERIFY(!QFileInfo::exists(workingFolder() + "walk_norvik.png"));
    }

    // No root can be made: every call fails and says why, and nothing lands
    // in the folder the front was started in.
    void noRootWritesNothingInTheCurrentFolder()
    {
        QTemporaryDir here;
        const QString blocked = writePicture(here.filePath("elsewhere/a-file"), positionPicture(2, 2));
        QDir().mkpath(here.filePath("cwd"));
        const QString cwd = here.filePath("cwd");
        const QString photo = writePicture(here.filePath("elsewhere/photo.png"), positionPicture(30, 20));
        for (const QStringList &call : {QStringList{"qualityImage", photo}, QStringList{"cropPic", photo, "30", "20",
                                                                                        "10", "10", "0", "0"},
                                        QStringList{"copyImage", photo, "x"}, QStringList{"getMeeGoRootDir"}}) {
            const Run run = cli(call, blocked + "/MyDocs", cwd);
            QCOMPARE(run.status, 1);
            QCOMPARE(run.err.size(), 1);
            QVERIFY2(run.err.first().contains("no folder for your pictures"), qPrintable(run.err.first()));
            QCOMPARE(QDir(cwd).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        }
    }

    // A full disk and a read-only folder: status 1 and the reason in words.
    void fullAndReadOnlyDisk()
    {
        QTemporaryDir here;
        const QString root = here.filePath("MyDocs");
        ScratchMount disk(root, "256k");
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        const QString photo = writePicture(here.filePath("noise.png"), noisePicture(400, 300));
        Run run = cli({"qualityImage", photo}, root);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err.size(), 1);
        QVERIFY2(run.err.first().contains("The disk is full"), qPrintable(run.err.first()));

        QVERIFY(cli({"qualityImage", photo, "0.1"}, root).status == 0);
        QVERIFY(disk.makeReadOnly());
        run = cli({"qualityImage", photo, "0.2"}, root);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.value(0).contains("cannot be written"), qPrintable(run.err.value(0)));
    }
};

ZN_PROGRAM_TEST_MAIN(CliStatusTest)
#include "tst_clistatus.moc"
