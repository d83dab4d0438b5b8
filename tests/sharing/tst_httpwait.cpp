// The command line's wait for an upload's outcome, against the local server.
#include "ZQCHttpController.h"
#include "httpwait.h"
#include "sharingtesttools.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A controller and the wait on it, what the wait writes to standard output
// and error kept in buffers.
struct Waiting {
    explicit Waiting(int timeoutMs = 300000) : wait(&http, &out, &err, timeoutMs)
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }
    ZQCHttpController http;
    QBuffer out, err;
    HttpWait wait;
};

class TestHttpWait : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outcomes_data();
    void outcomes();
    void nothingInFlightReturnsAtOnce();
    void silentFinishEndsTheWait();
    void timeLimitCancels();

private:
    QTemporaryDir workDir;
    TestServer server;
    QString picture;
};

void TestHttpWait::initTestCase()
{
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    // The status file goes to the program's data folder: keep it here.
    qputenv("XDG_DATA_HOME", QFile::encodeName(workDir.filePath("data")));
    QVERIFY(server.start());
    picture = workDir.filePath("p.png");
    QFile f(picture);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(testPictureBytes());
}

void TestHttpWait::outcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("social");
    QTest::addColumn<QByteArray>("stdoutStart");
    QTest::addColumn<int>("status");
    QTest::newRow("microblog ok") << "/ok" << false << QByteArray("ok POST ") << 0;
    QTest::newRow("social ok after redirects") << "/redirect/2" << true << QByteArray("ok GET 0\n") << 0;
    QTest::newRow("social 404") << "/status/404" << true << QByteArray("error body 404\n") << 1;
    QTest::newRow("microblog dropped") << "/drop" << false << QByteArray("\n") << 1;
}

void TestHttpWait::outcomes()
{
    QFETCH(QString, path);
    QFETCH(bool, social);
    QFETCH(QByteArray, stdoutStart);
    QFETCH(int, status);

    Waiting w;
    auto &[http, out, err, wait] = w;
    const bool started = social
        ? http.uploadRenRenRequest(server.url(path), "t", "m", picture, "k", "d")
        : http.uploadSinaRequest(server.url(path), "a=1", picture, "", "", "s");
    QVERIFY(started);
    wait.afterCall()();
    QVERIFY(!http.isBusy());
    QVERIFY2(out.data().startsWith(stdoutStart), out.data().constData());
    QVERIFY(out.data().endsWith('\n'));
    QCOMPARE(out.data().count('\n'), 1);
    QCOMPARE(wait.exitStatus(), status);
    QCOMPARE(err.data().contains("error\n"), status == 1);
    if (path != "/drop")
        QVERIFY2(err.data().contains("progress "), err.data().constData());
}

void TestHttpWait::nothingInFlightReturnsAtOnce()
{
    Waiting w(1000);
    auto &[http, out, err, wait] = w;
    QVERIFY(!http.uploadSinaRequest(server.url("/ok"), "a=1", workDir.filePath("none"), "", "", "s"));
    QElapsedTimer clock;
    clock.start();
    wait.waitForOutcome();
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(out.data().isEmpty());
    QCOMPARE(wait.exitStatus(), 0);
}

// A bare request right after start-up delivers no body; its end still ends
// the wait, and a failure still counts.
void TestHttpWait::silentFinishEndsTheWait()
{
    Waiting w(10000);
    auto &[http, out, err, wait] = w;
    QVERIFY(http.getRequest(server.url("/ok")));
    wait.waitForOutcome();
    QVERIFY(!http.isBusy());
    QVERIFY(out.data().isEmpty());
    QCOMPARE(wait.exitStatus(), 0);

    QVERIFY(http.getRequest(server.url("/status/500")));
    wait.waitForOutcome();
    QCOMPARE(wait.exitStatus(), 1);
    QVERIFY(out.data().isEmpty());
}

void TestHttpWait::timeLimitCancels()
{
    const QString large = workDir.filePath("large.png");
    {
        QFile f(large);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(16 * 1024 * 1024, 'x'));
    }
    Waiting w(300);
    auto &[http, out, err, wait] = w;
    QVERIFY(http.uploadSinaRequest(server.url("/slow-read"), "a=1", large, "", "", "s"));
    wait.waitForOutcome();
    QVERIFY(!http.isBusy());
    QCOMPARE(wait.exitStatus(), 1);
    QVERIFY(err.data().contains("no answer"));
    QVERIFY(!QFile::exists(http.statusFilePath()));
}

QTEST_GUILESS_MAIN(TestHttpWait)
#include "tst_httpwait.moc"
