// The controller against a real HTTP server on 127.0.0.1: the bytes of both
// uploads as they arrive, answers and redirects, bodies, GET requests and
// progress.
#include "httptestbench.h"

class TestHttpController : public HttpFixture
{
    Q_OBJECT

private slots:
    void microblogUploadBytes();
    void socialUploadBytes_data();
    void socialUploadBytes();
    void errorAnswersStillDeliverTheBody_data();
    void errorAnswersStillDeliverTheBody();
    void redirectsAreFollowed_data();
    void redirectsAreFollowed();
    void badRedirectsEndWithAnError_data();
    void badRedirectsEndWithAnError();
    void redirectToAnotherHost();
    void slowBodyIsAssembled();
    void oversizedBodyIsCut();
    void getRequestAfterStartUp();
    void getRequestUsesLastUploadSignal();
    void progressReachesListeners();
};

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

    const QByteArray expected = field("status", "Hello %E4 world") + pictureTail("pic", pictureBytes);
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
        + pictureTail("upload", pictureBytes);

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
