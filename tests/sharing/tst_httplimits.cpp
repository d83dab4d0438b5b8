// The controller against misbehaving servers and strange files: pictures
// refused at once, silence, dropped connections, cancelling, and the status
// file that never blocks the answer.
#include "httptestbench.h"

class TestHttpLimits : public HttpFixture
{
    Q_OBJECT

private slots:
    void strangePicturesAreRefusedAtOnce_data();
    void strangePicturesAreRefusedAtOnce();
    void silenceEndsWithAnError_data();
    void silenceEndsWithAnError();
    void droppedConnectionPostsOnce_data();
    void droppedConnectionPostsOnce();
    void cancelMidUpload();
    void cancelIdleRemovesLeftover();
    void newRequestSupersedesOld();
    void answerDeliveredWithoutStatusFile();
    void statusFileKeptFromOthers();
};

void TestHttpLimits::strangePicturesAreRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("failure");
    QTest::newRow("missing") << "missing" << "picture-missing";
    QTest::newRow("empty") << "empty" << "picture-empty";
    QTest::newRow("folder") << "folder" << "picture-not-a-file";
    QTest::newRow("named pipe without a writer") << "fifo" << "picture-not-a-file";
    QTest::newRow("/dev/zero") << "zero" << "picture-not-a-file";
    QTest::newRow("link to /dev/zero") << "zero-link" << "picture-not-a-file";
    QTest::newRow("one byte over 50 MB") << "large" << "picture-too-large";
}

void TestHttpLimits::strangePicturesAreRefusedAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    QString path = dir.filePath("picture.png");
    if (kind == "empty") {
        QVERIFY(!writePicture("empty.png", QByteArray()).isEmpty());
        path = workDir.filePath("empty.png");
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (kind == "zero") {
        path = "/dev/zero";
    } else if (kind == "zero-link") {
        QVERIFY(QFile::link("/dev/zero", path));
    } else if (kind == "large") {
        QFile big(path); // sparse: no 50 MB written
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(50 * 1024 * 1024 + 1));
    }

    ZQCHttpController http;
    Recorder rec(http);
    http.getRequest(server.url("/ok"));
    QVERIFY(waitIdle(http));
    const QList<QByteArray> headersBefore = http.currentNetworkRequest().rawHeaderList();
    const int before = server.requestCount();

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!http.uploadSinaRequest(server.url("/ok"), "a=1", path, "", "", "s"));
    QCOMPARE(http.lastFailure(), failure);
    QVERIFY(!http.uploadRenRenRequest(server.url("/ok"), "t", "m", path, "k", "d"));
    QVERIFY(!http.uploadRenRenRequest(server.url("/ok"), "t", "m", path, "k", "d", "1"));
    QCOMPARE(http.lastFailure(), failure);
    QVERIFY2(clock.elapsed() < 2000, "refused at once, without reading the file");
    QVERIFY(!http.isBusy());
    QTest::qWait(200);
    QCOMPARE(server.requestCount(), before);
    QCOMPARE(http.currentNetworkRequest().rawHeaderList(), headersBefore);
    QVERIFY(rec.events.isEmpty());
}

// A service that stops moving ends the request with the error path within the
// stall limit (shortened here to one second), whatever stage it stopped at.
void TestHttpLimits::silenceEndsWithAnError_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("connecting never completes") << "unconnectable" << QByteArray();
    QTest::newRow("never answers") << "/silent" << QByteArray();
    QTest::newRow("stalls mid-body") << "/stall-body" << QByteArray("0123456789");
    QTest::newRow("endless header") << "/endless-header" << QByteArray();
}

void TestHttpLimits::silenceEndsWithAnError()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    ZQCHttpController http;
    http.setStallLimit(1000);
    Recorder rec(http);
    QElapsedTimer clock;
    clock.start();
    const QString url = path == "unconnectable"
        ? QString("http://127.0.0.1:%1/ok").arg(server.unconnectablePort())
        : server.url(path);
    QVERIFY(http.uploadRenRenRequest(url, "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 10000);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 900 && took < 6000, qPrintable(QString::number(took)));
    QCOMPARE(rec.events, (QStringList{"error", "renren"}));
    QCOMPARE(rec.bodies.first(), body); // what came before the silence
    QCOMPARE(http.lastFailure(), QString("timeout"));
    QVERIFY(!http.isBusy());

    // The limit counts silence, not length: a slow but moving answer is whole.
    QVERIFY(http.uploadRenRenRequest(server.url("/slow-body"), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 2, 10000);
    QCOMPARE(rec.bodies.last(), QByteArray("first half|second half"));
    QCOMPARE(http.lastFailure(), QString());
}

// A connection that drops before the answer, or a garbled answer, makes the
// network stack try again; an upload must reach the service once only.
void TestHttpLimits::droppedConnectionPostsOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("social");
    QTest::newRow("dropped, microblog") << "/drop" << false;
    QTest::newRow("dropped, social") << "/drop" << true;
    QTest::newRow("garbled status line") << "/garbled" << false;
}

void TestHttpLimits::droppedConnectionPostsOnce()
{
    QFETCH(QString, path);
    QFETCH(bool, social);
    ZQCHttpController http;
    Recorder rec(http);
    // An earlier request leaves a kept-alive connection behind.
    QVERIFY(http.getRequest(server.url("/ok")));
    QVERIFY(waitIdle(http));
    const int before = server.requestCount();
    const bool started = social
        ? http.uploadRenRenRequest(server.url(path), "t", "m", picture, "k", "d")
        : http.uploadSinaRequest(server.url(path), "a=1", picture, "", "", "s");
    QVERIFY(started);
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QTest::qWait(500); // a re-sent request would arrive meanwhile
    QCOMPARE(server.requestCount() - before, 1);
    QCOMPARE(server.requests().last().method, QString("POST"));
    QCOMPARE(rec.events.first(), QString("error"));
    QCOMPARE(http.lastFailure(), QString("network"));

    // The next tap is a new, single post.
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 2, 15000);
    QCOMPARE(server.requestCount() - before, 2);
    QVERIFY(rec.bodies.last().startsWith("ok POST "));
}

void TestHttpLimits::cancelMidUpload()
{
    // A body large enough that the slow reader leaves it half sent.
    QByteArray large(24 * 1024 * 1024, 'p');
    const QString path = writePicture("large.png", large);
    ZQCHttpController http;
    Recorder rec(http);
    bool cancelled = false;
    qint64 sentWhenCancelled = -1;
    connect(&http, &ZQCHttpController::s_progress, &http, [&](QVariant sent, QVariant total) {
        if (!cancelled && sent.toLongLong() > 0 && sent.toLongLong() < total.toLongLong()) {
            cancelled = true;
            sentWhenCancelled = sent.toLongLong();
            http.cancelDownload();
        }
    });
    QVERIFY(http.uploadSinaRequest(server.url("/slow-read"), "a=1", path, "", "", "s"));
    QVERIFY(QFile::exists(statusFile));
    QTRY_VERIFY_WITH_TIMEOUT(cancelled, 15000);
    QVERIFY(sentWhenCancelled < large.size());
    QVERIFY(waitIdle(http));
    QTest::qWait(300);
    QVERIFY(rec.uploads() == 0);
    QVERIFY(!rec.events.contains("error"));
    QVERIFY(!QFile::exists(statusFile));

    // The controller works again afterwards.
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, QStringList{"sina"});
}

void TestHttpLimits::cancelIdleRemovesLeftover()
{
    {
        QFile leftover(statusFile);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("old answer");
    }
    ZQCHttpController http;
    Recorder rec(http);
    const int before = server.requestCount();
    http.cancelDownload();
    QVERIFY(!QFile::exists(statusFile));
    QTest::qWait(100);
    QVERIFY(rec.events.isEmpty());
    QCOMPARE(server.requestCount(), before);

    // A cancel while idle does not spoil the next request.
    QVERIFY(http.uploadRenRenRequest(server.url("/ok"), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, QStringList{"renren"});
}

void TestHttpLimits::newRequestSupersedesOld()
{
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadSinaRequest(server.url("/slow-body"), "a=1", picture, "", "", "s"));
    QTest::qWait(100); // the first answer is under way
    QVERIFY(http.uploadRenRenRequest(server.url("/ok"), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QTest::qWait(600); // past the end of the slow answer
    QCOMPARE(rec.events, QStringList{"renren"});
    QVERIFY(rec.bodies.first().startsWith("ok POST "));
}

// The answer reaches the interface whether or not the status file can be
// written: a folder in the way of the file, or no state folder at all.
void TestHttpLimits::answerDeliveredWithoutStatusFile()
{
    QVERIFY(QDir().mkdir(statusFile));
    {
        ZQCHttpController http;
        Recorder rec(http);
        QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
        QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
        QCOMPARE(rec.events, QStringList{"sina"});
        QVERIFY(rec.bodies.first().startsWith("ok POST "));

        QVERIFY(http.uploadSinaRequest(server.url("/status/500"), "a=1", picture, "", "", "s"));
        QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 2, 15000);
        QCOMPARE(rec.events, (QStringList{"sina", "error", "sina"}));
        QCOMPARE(rec.bodies.last(), QByteArray("error body 500"));
    }
    QVERIFY(QDir().rmdir(statusFile));

    // No data folder can be made under a plain file.
    qputenv("XDG_DATA_HOME", "/dev/null/data");
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadRenRenRequest(server.url("/ok"), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, QStringList{"renren"});
    QVERIFY(rec.bodies.first().startsWith("ok POST "));
    http.cancelDownload(); // nothing to remove, nothing removed elsewhere
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
}

// The answer may hold anything the service says about the account: its copy
// on disk is for the user alone, and a read-only current folder changes
// nothing (cleanup() checks that folder stays empty).
void TestHttpLimits::statusFileKeptFromOthers()
{
    QVERIFY(QFile::setPermissions(startFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QVERIFY(QFile::setPermissions(startFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ExeOwner));
    QCOMPARE(rec.events, QStringList{"sina"});
    QCOMPARE(readFile(statusFile), rec.bodies.first());
    QCOMPARE(modeOf(statusFile), 0600);
    QCOMPARE(modeOf(QFileInfo(statusFile).path()), 0700);
}

QTEST_GUILESS_MAIN(TestHttpLimits)
#include "tst_httplimits.moc"
