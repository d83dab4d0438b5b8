// The controller against a real HTTP server on 127.0.0.1: the bytes of both
// uploads as they arrive, and every way an answer can come back.
#include "ZQCHttpController.h"
#include "sharingtesttools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// What QML would see, in order: "error", "sina:<body>", "renren:<body>".
struct Recorder
{
    explicit Recorder(ZQCHttpController &http)
    {
        QObject::connect(&http, &ZQCHttpController::s_httpError, &http,
                         [this] { events << QStringLiteral("error"); });
        QObject::connect(&http, &ZQCHttpController::sinaUpload, &http, [this](QVariant body) {
            events << QStringLiteral("sina");
            bodies << body.toByteArray();
            bodyTypes << body.metaType().id();
        });
        QObject::connect(&http, &ZQCHttpController::renrenUpload, &http, [this](QVariant body) {
            events << QStringLiteral("renren");
            bodies << body.toByteArray();
            bodyTypes << body.metaType().id();
        });
        QObject::connect(&http, &ZQCHttpController::s_progress, &http,
                         [this](QVariant sent, QVariant total) {
                             progress << qMakePair(sent, total);
                         });
    }
    int uploads() const { return int(bodies.size()); }

    QStringList events;
    QList<QByteArray> bodies;
    QList<int> bodyTypes;
    QList<QPair<QVariant, QVariant>> progress;
};

QByteArray field(const char *name, const QByteArray &value)
{
    return QByteArray("--AaB03x\r\nContent-Disposition: form-data; name=\"") + name + "\"\r\n\r\n"
        + value + "\r\n";
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int modeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

} // namespace

class TestHttpController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void microblogUploadBytes();
    void socialUploadBytes_data();
    void socialUploadBytes();
    void strangePicturesAreRefusedAtOnce_data();
    void strangePicturesAreRefusedAtOnce();

    void errorAnswersStillDeliverTheBody_data();
    void errorAnswersStillDeliverTheBody();
    void redirectsAreFollowed_data();
    void redirectsAreFollowed();
    void badRedirectsEndWithAnError_data();
    void badRedirectsEndWithAnError();
    void redirectToAnotherHost();
    void slowBodyIsAssembled();
    void oversizedBodyIsCut();
    void silenceEndsWithAnError_data();
    void silenceEndsWithAnError();
    void droppedConnectionPostsOnce_data();
    void droppedConnectionPostsOnce();

    void cancelMidUpload();
    void cancelIdleRemovesLeftover();
    void newRequestSupersedesOld();
    void getRequestAfterStartUp();
    void getRequestUsesLastUploadSignal();
    void answerDeliveredWithoutStatusFile();
    void statusFileKeptFromOthers();
    void progressReachesListeners();

private:
    bool waitIdle(ZQCHttpController &http, int ms = 15000);
    QString writePicture(const QString &name, const QByteArray &bytes);

    QTemporaryDir workDir;
    TestServer server;
    QString picture;
    QByteArray pictureBytes;
    // The program's own data folder (XDG_DATA_HOME) and the current folder,
    // where nothing may ever be written.
    QString dataHome;
    QString startFolder;
    QString statusFile;
};

void TestHttpController::initTestCase()
{
    QVERIFY(workDir.isValid());
    dataHome = workDir.filePath("data");
    startFolder = workDir.filePath("start");
    QVERIFY(QDir().mkpath(startFolder));
    QVERIFY(QDir::setCurrent(startFolder));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    statusFile = ZQCHttpController().statusFilePath();
    QVERIFY2(statusFile.startsWith(dataHome + '/'), qPrintable(statusFile));
    QVERIFY(statusFile.endsWith("/E:\\uploadStatus.txt"));
    QVERIFY2(server.start(), "the test HTTP server did not start");
    pictureBytes = testPictureBytes();
    picture = writePicture("pic.png", pictureBytes);
}

void TestHttpController::init()
{
    QFile::remove(statusFile);
}

void TestHttpController::cleanup()
{
    QCOMPARE(QDir(startFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

QString TestHttpController::writePicture(const QString &name, const QByteArray &bytes)
{
    const QString path = workDir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

bool TestHttpController::waitIdle(ZQCHttpController &http, int ms)
{
    QDeadlineTimer deadline(ms);
    while (http.isBusy() && !deadline.hasExpired())
        QTest::qWait(10);
    QTest::qWait(50); // anything queued after the finish still arrives
    return !http.isBusy();
}

// ---------------------------------------------------------------------------
// Bytes on the wire

void TestHttpController::microblogUploadBytes()
{
    ZQCHttpController http;
    Recorder rec(http);
    const int before = server.requestCount();
    const QString para = "oauth_consumer_key=abc&oauth_nonce=n1&oauth_signature=x%2By%3D&"
                         "oauth_signature_method=HMAC-SHA1";
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), para, picture, "30.5", "120.1",
                                   "Hello %E4 world"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);

    const QByteArray expected = field("status", "Hello %E4 world") + "--AaB03x\r\n"
        + "Content-Disposition: form-data; name=\"pic\"; filename=\"pic.png\"\r\n" + "\r\n"
        + pictureBytes + "\r\n" + "--AaB03x--";
    const QList<RecordedRequest> reqs = server.requests().mid(before);
    QCOMPARE(reqs.size(), 1);
    const RecordedRequest &r = reqs.first();
    QCOMPARE(r.method, QString("POST"));
    QCOMPARE(r.path, QString("/ok"));
    QCOMPARE(r.body, expected);
    QCOMPARE(r.header("Content-Length").toInt(), expected.size());
    QCOMPARE(r.header("Host"), QString("127.0.0.1:%1").arg(server.port()));
    QCOMPARE(r.headerCount("Host"), 1);
    QCOMPARE(r.header("Content-Type"), QString("multipart/form-data; boundary=AaB03x"));
    QCOMPARE(r.header("Authorization"),
             QString("OAuth oauth_consumer_key=\"abc\", oauth_nonce=\"n1\", "
                     "oauth_signature=\"x%2By%3D\", oauth_signature_method=\"HMAC-SHA1\""));

    // An independent multipart parser finds both fields and the picture intact.
    QVERIFY2(r.hasParts, qPrintable(r.partsError));
    QCOMPARE(r.parts.size(), 2);
    QCOMPARE(r.parts[0].name, QString("status"));
    QVERIFY(r.parts[0].filename.isNull());
    QCOMPARE(r.parts[0].data, QByteArray("Hello %E4 world"));
    QCOMPARE(r.parts[1].name, QString("pic"));
    QCOMPARE(r.parts[1].filename, QString("pic.png"));
    QCOMPARE(r.parts[1].data, pictureBytes);

    // The answer: one upload signal carrying the body, as a byte array; the
    // status file keeps it afterwards.
    QCOMPARE(rec.events, QStringList{"sina"});
    const QByteArray answer = "ok POST " + QByteArray::number(expected.size());
    QCOMPARE(rec.bodies.first(), answer);
    QCOMPARE(rec.bodyTypes.first(), int(QMetaType::QByteArray));
    QCOMPARE(readFile(statusFile), answer);
    QVERIFY(!http.isBusy());
}

void TestHttpController::socialUploadBytes_data()
{
    QTest::addColumn<bool>("albumForm");
    QTest::addColumn<QString>("aid");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("baseString");

    QTest::newRow("default album")
        << false << "" << "My day"
        << QByteArray("access_token=TOK-1caption=My dayformat=JSONmethod=photos.upload"
                      "v=1.0SECRET");
    QTest::newRow("album, access_token sorts before aid")
        << true << "7001" << "My day"
        << QByteArray("access_token=TOK-1aid=7001caption=My dayformat=JSON"
                      "method=photos.uploadv=1.0SECRET");
    QTest::newRow("album form with an empty aid")
        << true << "" << ""
        << QByteArray("access_token=TOK-1aid=caption=format=JSONmethod=photos.uploadv=1.0SECRET");
    QTest::newRow("non-ASCII caption travels as UTF-8")
        << false << "" << QString::fromUtf8("Grüße \u7167\u7247")
        << QByteArray("access_token=TOK-1caption=") + QString::fromUtf8("Grüße \u7167\u7247").toUtf8()
               + "format=JSONmethod=photos.uploadv=1.0SECRET";
}

void TestHttpController::socialUploadBytes()
{
    QFETCH(bool, albumForm);
    QFETCH(QString, aid);
    QFETCH(QString, caption);
    QFETCH(QByteArray, baseString);

    ZQCHttpController http;
    Recorder rec(http);
    // A microblog upload first leaves its Authorization header on the request.
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);

    const int before = server.requestCount();
    const QString endpoint = server.url("/ok");
    const bool started = albumForm
        ? http.uploadRenRenRequest(endpoint, "TOK-1", "photos.upload", picture, "SECRET", caption, aid)
        : http.uploadRenRenRequest(endpoint, "TOK-1", "photos.upload", picture, "SECRET", caption);
    QVERIFY(started);
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 2, 15000);

    const QByteArray sig = pythonMd5Hex(baseString);
    QCOMPARE(sig.size(), 32);
    const QByteArray captionBytes = caption.toUtf8();
    QByteArray expected;
    if (albumForm)
        expected += field("aid", aid.toLatin1());
    expected += field("method", "photos.upload") + field("v", "1.0") + field("access_token", "TOK-1")
        + field("format", "JSON") + field("caption", captionBytes) + field("sig", sig)
        + "--AaB03x\r\n"
        + "Content-Disposition: form-data; name=\"upload\"; filename=\"pic.png\"\r\n" + "\r\n"
        + pictureBytes + "\r\n" + "--AaB03x--";

    const QList<RecordedRequest> reqs = server.requests().mid(before);
    QCOMPARE(reqs.size(), 1);
    const RecordedRequest &r = reqs.first();
    QCOMPARE(r.method, QString("POST"));
    QCOMPARE(r.body, expected);
    QCOMPARE(r.header("Host"), QString("127.0.0.1:%1").arg(server.port()));
    QCOMPARE(r.header("Content-Type"), QString("multipart/form-data; boundary=AaB03x"));
    QCOMPARE(r.headerCount("Authorization"), 0);

    QVERIFY2(r.hasParts, qPrintable(r.partsError));
    QStringList names;
    for (const auto &p : r.parts)
        names << p.name;
    QStringList expectedNames{"method", "v", "access_token", "format", "caption", "sig", "upload"};
    if (albumForm)
        expectedNames.prepend("aid");
    QCOMPARE(names, expectedNames);
    const auto &parts = r.parts;
    QCOMPARE(parts[names.indexOf("caption")].data, captionBytes);
    QCOMPARE(parts[names.indexOf("sig")].data, sig);
    QCOMPARE(parts.last().filename, QString("pic.png"));
    QCOMPARE(parts.last().data, pictureBytes);

    QCOMPARE(rec.events, (QStringList{"sina", "renren"}));
    QCOMPARE(rec.bodies.last(), "ok POST " + QByteArray::number(expected.size()));
}

void TestHttpController::strangePicturesAreRefusedAtOnce_data()
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

void TestHttpController::strangePicturesAreRefusedAtOnce()
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

// ---------------------------------------------------------------------------
// Answers

void TestHttpController::errorAnswersStillDeliverTheBody_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("social");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("404 microblog") << "/status/404" << false << QByteArray("error body 404");
    QTest::newRow("403 social") << "/status/403" << true << QByteArray("error body 403");
    QTest::newRow("500 microblog") << "/status/500" << false << QByteArray("error body 500");
    QTest::newRow("503 social") << "/status/503" << true << QByteArray("error body 503");
    QTest::newRow("dropped connection") << "/drop" << true << QByteArray();
}

void TestHttpController::errorAnswersStillDeliverTheBody()
{
    QFETCH(QString, path);
    QFETCH(bool, social);
    QFETCH(QByteArray, body);

    ZQCHttpController http;
    Recorder rec(http);
    const bool started = social
        ? http.uploadRenRenRequest(server.url(path), "t", "m", picture, "k", "d")
        : http.uploadSinaRequest(server.url(path), "a=1", picture, "", "", "s");
    QVERIFY(started);
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, (QStringList{"error", social ? "renren" : "sina"}));
    QCOMPARE(rec.bodies.first(), body);
}

void TestHttpController::redirectsAreFollowed_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("chain");
    QTest::newRow("one relative hop") << "/redirect/0" << QStringList{"POST /redirect/0", "GET /ok"};
    QTest::newRow("three relative hops")
        << "/redirect/2"
        << QStringList{"POST /redirect/2", "GET /redirect/1", "GET /redirect/0", "GET /ok"};
    QTest::newRow("absolute targets")
        << "/redirect-abs/1" << QStringList{"POST /redirect-abs/1", "GET /redirect-abs/0", "GET /ok"};
    QStringList ten{"POST /redirect/9"};
    for (int n = 8; n >= 0; --n)
        ten << QString("GET /redirect/%1").arg(n);
    ten << "GET /ok";
    QTest::newRow("ten hops, the most followed") << "/redirect/9" << ten;
}

void TestHttpController::redirectsAreFollowed()
{
    QFETCH(QString, path);
    QFETCH(QStringList, chain);

    ZQCHttpController http;
    Recorder rec(http);
    const int before = server.requestCount();
    QVERIFY(http.uploadSinaRequest(server.url(path), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QVERIFY(waitIdle(http));

    QStringList seen;
    for (const RecordedRequest &r : server.requests().mid(before))
        seen << r.method + ' ' + r.path;
    QCOMPARE(seen, chain);
    QCOMPARE(rec.events, QStringList{"sina"});
    QCOMPARE(rec.bodies.first(), QByteArray("ok GET 0"));
    // Same server all along: the credentials stay on the request.
    QCOMPARE(server.requests().last().header("Authorization"), QString("OAuth a=\"1\""));
}

void TestHttpController::badRedirectsEndWithAnError_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("requests");
    QTest::newRow("eleven hops, one too many") << "/redirect/10" << 11;
    QTest::newRow("endless loop") << "/loop" << 11;
    QTest::newRow("to ftp") << "/redirect-to?u=ftp://127.0.0.1/x" << 1;
    QTest::newRow("to a local file") << "/redirect-to?u=file:///etc/passwd" << 1;
}

void TestHttpController::badRedirectsEndWithAnError()
{
    QFETCH(QString, path);
    QFETCH(int, requests);

    ZQCHttpController http;
    Recorder rec(http);
    const int before = server.requestCount();
    QVERIFY(http.uploadRenRenRequest(server.url(path), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QVERIFY(waitIdle(http));
    QCOMPARE(rec.events, (QStringList{"error", "renren"}));
    QCOMPARE(rec.bodies.first(), QByteArray("moved")); // the body of the last redirect answer
    QCOMPARE(server.requestCount() - before, requests);
}

// "localhost" and "127.0.0.1" are different origins: Host follows the URL,
// and the microblog credentials are not carried over.
void TestHttpController::redirectToAnotherHost()
{
    ZQCHttpController http;
    Recorder rec(http);
    const int before = server.requestCount();
    const QString target = QString("http://localhost:%1/ok").arg(server.port());
    QVERIFY(http.uploadSinaRequest(server.url("/redirect-to?u=" + QUrl::toPercentEncoding(target)),
                                   "oauth_token=secret", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, QStringList{"sina"});
    const QList<RecordedRequest> reqs = server.requests().mid(before);
    QCOMPARE(reqs.size(), 2);
    QCOMPARE(reqs[0].header("Authorization"), QString("OAuth oauth_token=\"secret\""));
    QCOMPARE(reqs[1].header("Host"), QString("localhost:%1").arg(server.port()));
    QCOMPARE(reqs[1].headerCount("Authorization"), 0);
}

void TestHttpController::slowBodyIsAssembled()
{
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadSinaRequest(server.url("/slow-body"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QCOMPARE(rec.events, QStringList{"sina"});
    QCOMPARE(rec.bodies.first(), QByteArray("first half|second half"));
}

void TestHttpController::oversizedBodyIsCut()
{
    ZQCHttpController http;
    Recorder rec(http);
    const qint64 size = ZQCHttpController::kMaxBodyBytes + 100000;
    QVERIFY(http.uploadSinaRequest(server.url(QString("/big/%1").arg(size)), "a=1", picture, "",
                                   "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 30000);
    QCOMPARE(rec.events, (QStringList{"error", "sina"}));
    QCOMPARE(qint64(rec.bodies.first().size()), ZQCHttpController::kMaxBodyBytes);
    QVERIFY(rec.bodies.first().startsWith("0123456789"));
    QCOMPARE(QFileInfo(statusFile).size(), ZQCHttpController::kMaxBodyBytes);

    // Just below the cap is delivered whole, without an error.
    Recorder rec2(http);
    const qint64 fits = ZQCHttpController::kMaxBodyBytes;
    QVERIFY(http.uploadSinaRequest(server.url(QString("/big/%1").arg(fits)), "a=1", picture, "",
                                   "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec2.uploads(), 1, 30000);
    QCOMPARE(rec2.events, QStringList{"sina"});
    QCOMPARE(qint64(rec2.bodies.first().size()), fits);
}

// A service that stops moving ends the request with the error path within the
// stall limit (shortened here to one second), whatever stage it stopped at.
void TestHttpController::silenceEndsWithAnError_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("connecting never completes") << "unconnectable" << QByteArray();
    QTest::newRow("never answers") << "/silent" << QByteArray();
    QTest::newRow("stalls mid-body") << "/stall-body" << QByteArray("0123456789");
    QTest::newRow("endless header") << "/endless-header" << QByteArray();
}

void TestHttpController::silenceEndsWithAnError()
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
void TestHttpController::droppedConnectionPostsOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("social");
    QTest::newRow("dropped, microblog") << "/drop" << false;
    QTest::newRow("dropped, social") << "/drop" << true;
    QTest::newRow("garbled status line") << "/garbled" << false;
}

void TestHttpController::droppedConnectionPostsOnce()
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

// ---------------------------------------------------------------------------
// Cancelling, superseding, the bare request

void TestHttpController::cancelMidUpload()
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

void TestHttpController::cancelIdleRemovesLeftover()
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

void TestHttpController::newRequestSupersedesOld()
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

void TestHttpController::getRequestAfterStartUp()
{
    {
        ZQCHttpController http;
        Recorder rec(http);
        const int before = server.requestCount();
        QVERIFY(http.getRequest(server.url("/ok")));
        QVERIFY(waitIdle(http));
        QVERIFY(rec.events.isEmpty()); // no upload selected yet
        const QList<RecordedRequest> reqs = server.requests().mid(before);
        QCOMPARE(reqs.size(), 1);
        QCOMPARE(reqs[0].method, QString("POST"));
        QCOMPARE(reqs[0].header("Content-Type"), QString("application/x-www-form-urlencoded"));
        QVERIFY(reqs[0].body.isEmpty());
        QCOMPARE(readFile(statusFile), QByteArray("ok POST 0"));
    }
    {
        ZQCHttpController http;
        Recorder rec(http);
        QVERIFY(http.getRequest(server.url("/status/500")));
        QVERIFY(waitIdle(http));
        QCOMPARE(rec.events, QStringList{"error"});
    }
}

void TestHttpController::getRequestUsesLastUploadSignal()
{
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadRenRenRequest(server.url("/ok"), "t", "m", picture, "k", "d"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    const int before = server.requestCount();
    QVERIFY(http.getRequest(server.url("/ok")));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 2, 15000);
    QCOMPARE(rec.events, (QStringList{"renren", "renren"}));
    QCOMPARE(rec.bodies.last(), QByteArray("ok POST 0"));
    // "Content-Type" replaced the upload's "Content-type"; Host was kept.
    const RecordedRequest r = server.requests().at(before);
    QCOMPARE(r.headerCount("Content-Type"), 1);
    QCOMPARE(r.header("Content-Type"), QString("application/x-www-form-urlencoded"));
    QCOMPARE(r.header("Host"), QString("127.0.0.1:%1").arg(server.port()));
}

// The answer reaches the interface whether or not the status file can be
// written: a folder in the way of the file, or no state folder at all.
void TestHttpController::answerDeliveredWithoutStatusFile()
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
void TestHttpController::statusFileKeptFromOthers()
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

void TestHttpController::progressReachesListeners()
{
    ZQCHttpController http;
    Recorder rec(http);
    QVERIFY(http.uploadSinaRequest(server.url("/ok"), "a=1", picture, "", "", "s"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.uploads(), 1, 15000);
    QVERIFY(!rec.progress.isEmpty());
    const qint64 bodySize = server.requests().last().body.size();
    bool sawComplete = false;
    qint64 last = 0;
    for (const auto &p : rec.progress) {
        QCOMPARE(p.first.metaType().id(), int(QMetaType::LongLong));
        QCOMPARE(p.second.metaType().id(), int(QMetaType::LongLong));
        const qint64 sent = p.first.toLongLong(), total = p.second.toLongLong();
        if (sent == 0 && total == 0)
            continue; // the closing report is passed on as it came
        QCOMPARE(total, bodySize);
        QVERIFY(sent >= last);
        last = sent;
        sawComplete |= sent == total;
    }
    QVERIFY(sawComplete);
}

QTEST_GUILESS_MAIN(TestHttpController)
#include "tst_httpcontroller.moc"
