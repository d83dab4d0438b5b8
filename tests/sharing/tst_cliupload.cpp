// zeltanorvik-cli --object http: an upload's body on stdout, progress on
// stderr, and the exit status after the outcome.
#include "sharingtesttools.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCliUpload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        QVERIFY(server.start());
        picture = workDir.filePath("p.png");
        QFile f(picture);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(testPictureBytes());
    }

    void upload_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("stdoutStart");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("social ok") << QStringList{"uploadRenRenRequest", server.url("/ok"), "t", "m",
                                                  picture, "k", "d"}
                                   << QByteArray("ok POST ") << 0;
        QTest::newRow("microblog 500") << QStringList{"uploadSinaRequest", server.url("/status/500"),
                                                      "a=1", picture, "", "", "s"}
                                       << QByteArray("error body 500\ntrue\n") << 1;
        QTest::newRow("unreadable picture") << QStringList{"uploadSinaRequest", server.url("/ok"), "a=1",
                                                           workDir.filePath("none"), "", "", "s"}
                                            << QByteArray("false\n") << 1;
    }

    void upload()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, stdoutStart);
        QFETCH(int, exitCode);
        QProcess cli;
        cli.setWorkingDirectory(workDir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", workDir.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", workDir.filePath("config"));
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(ZN_CLI), QStringList{"--object", "http"} + arguments);
        QVERIFY(cli.waitForFinished(60000));
        const QByteArray out = cli.readAllStandardOutput();
        const QByteArray err = cli.readAllStandardError();
        QVERIFY2(out.startsWith(stdoutStart), out.constData());
        QCOMPARE(cli.exitCode(), exitCode);
        if (stdoutStart != "false\n")
            QVERIFY2(err.contains("progress "), err.constData());
    }

private:
    QTemporaryDir workDir;
    TestServer server;
    QString picture;
};

QTEST_GUILESS_MAIN(TestCliUpload)
#include "tst_cliupload.moc"
