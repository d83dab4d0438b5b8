// What the two programs make of their command lines: file URLs, names that
// look like options, names holding line breaks, files that cannot be opened
// (with the reason), --help and --version.
#include "testsupport.h"

#include "startfiles.h"

using namespace testsupport;

class CommandLineTest : public QObject
{
    Q_OBJECT

    QString folder;

private slots:
    void initTestCase()
    {
        folder = documentRoot() + "odd names/";
        QVERIFY(QDir().mkpath(folder));
    }

    void init()
    {
        QDir(documentRoot() + ".qvrkTemp").removeRecursively();
    }

    // An escaped file URL names the file; a word Qt would take for its own
    // option ("-platform", "-reverse") is a file like any other.
    void cliTakesEveryWordAsItsOwn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("word");
        QTest::newRow("escaped URL") << "a b.png" << "file://" + QString::fromUtf8(QUrl::toPercentEncoding(folder, "/")) + "a%20b.png";
        QTest::newRow("-platform") << "-platform" << "-platform";
        QTest::newRow("-reverse") << "-reverse" << "-reverse";
    }
    void cliTakesEveryWordAsItsOwn()
    {
        QFETCH(QString, name);
        QFETCH(QString, word);
        writePicture(folder + name, positionPicture(120, 80));
        const CliRun run = runCli({"qualityImage", word, "0.5"}, documentRoot(), folder);
        QCOMPARE(run.err, QStringList());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.size(), 1);
        QCOMPARE(QImage(run.out.first()).size(), QSize(60, 40));
    }

    // One result, one line: a line break in a name is written "\n", a
    // backslash "\\".
    void cliResultStaysOnOneLine()
    {
        const QString source = writePicture(folder + "two\nlines\\here.png", positionPicture(100, 60));
        QVERIFY(!source.isEmpty());
        const CliRun run = runCli({"qualityImage", source, "0.5"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.size(), 1);
        QVERIFY2(run.out.first().endsWith("two\\nlines\\\\here_norvik.png"), qPrintable(run.out.first()));
    }

    // A file that cannot be read fails with the reason, on one line.
    void cliSaysWhyAFileCannotBeRead()
    {
        const QString loop = folder + "loop.jpg";
        QVERIFY(QFile::link(loop, loop));
        CliRun run = runCli({"qualityImage", loop, "0.5"});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err.size(), 1);
        QVERIFY2(run.err.first().contains("symbolic link that leads round in a loop"), qPrintable(run.err.first()));
        run = runCli({"qualityImage", folder + "missing.jpg", "0.5"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.first().contains("no such file"), qPrintable(run.err.value(0)));
    }

    void cliHelpAndVersion()
    {
        CliRun run = runCli({"--version"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringList{"zeltanorvik-cli " ZN_VERSION});
        run = runCli({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.first().startsWith("usage: zeltanorvik-cli"));
        run = runCli({"--no-such-option"});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.first().contains("no-such-option"));
    }

    void editorHelpAndVersion()
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(ZN_EDITOR_PROGRAM, {"--version"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), QString("zeltanorvik " ZN_VERSION));
        process.start(ZN_EDITOR_PROGRAM, {"--help"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString help = QString::fromUtf8(process.readAllStandardOutput());
        for (const char *option : {"--open <FILE>", "--tool <NAME>", "--size <WIDTHxHEIGHT>", "[FILE...]"})
            QVERIFY2(help.contains(option), option);
    }

    // The editor's files: paths and file URLs become absolute paths; what
    // cannot be opened is named with the reason.
    void startFilesGiveReasons()
    {
        const QString photo = writePicture(folder + "a b.png", positionPicture(40, 30));
        QVERIFY(QDir().mkpath(folder + "sub"));
        QFile::link(folder + "loop.jpg", folder + "loop.jpg");
        QFile empty(folder + "empty.jpg");
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        const StartFiles::Result result = StartFiles::resolve(
            {"a b.png", "file://" + QString::fromUtf8(QUrl::toPercentEncoding(photo, "/")), "sub", "loop.jpg", "empty.jpg", "gone.jpg",
             "https://example.org/x.jpg"});
        QDir::setCurrent(previous);
        QCOMPARE(result.paths, (QStringList{photo, photo}));
        QCOMPARE(result.problems,
                 (QStringList{"sub cannot be opened: it is a folder.",
                              "loop.jpg cannot be opened: it is a symbolic link that leads round in a loop.",
                              "empty.jpg cannot be opened: the file is empty.",
                              "gone.jpg cannot be opened: there is no such file.",
                              "https://example.org/x.jpg cannot be opened: only files on this computer can."}));
    }
};

ZN_PROGRAM_TEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
