// The cookies of QML's own network access: every manager the QML engine
// makes shares one jar, and clearCookies() empties it; other managers keep
// theirs.
#include "networkaccessmanagerinteractor.h"
#include "testsupport.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// A small HTTP server: "/xhr" and "/picture.png" each set a cookie, "/echo"
// answers with the Cookie header it was sent.
class CookieServer : public QTcpServer
{
public:
    CookieServer()
    {
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path));
    }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &request = pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        QByteArray cookie;
        for (const QByteArray &line : request.split('\n')) {
            if (line.toLower().startsWith("cookie:"))
                cookie = line.mid(7).trimmed();
        }
        pending.remove(socket);
        QByteArray headers = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
        QByteArray body;
        if (path == "/xhr") {
            headers += "Set-Cookie: fromxhr=1; Path=/\r\nContent-Type: text/plain\r\n";
            body = "hello";
        } else if (path == "/picture.png") {
            headers += "Set-Cookie: fromimage=2; Path=/\r\nContent-Type: image/png\r\n";
            body = png;
        } else {
            headers += "Content-Type: text/plain\r\n";
            body = cookie.isEmpty() ? QByteArray("none") : cookie;
        }
        headers += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
        socket->write(headers + body);
        socket->disconnectFromHost();
    }

    QByteArray png;
    QHash<QTcpSocket *, QByteArray> pending;
};

const char *kDocument = "import QtQuick\n"
                        "Item {\n"
                        "  property string answer: ''\n"
                        "  property alias picture: image\n"
                        "  function get(url) {\n"
                        "    answer = ''\n"
                        "    var x = new XMLHttpRequest()\n"
                        "    x.onreadystatechange = function() { if (x.readyState === XMLHttpRequest.DONE) answer = x.responseText }\n"
                        "    x.open('GET', url); x.send()\n"
                        "  }\n"
                        "  Image { id: image; cache: false }\n"
                        "}\n";

QStringList cookieNames(const SharedCookieJar *jar)
{
    QStringList names;
    for (const QNetworkCookie &c : jar->cookies())
        names.append(QString::fromLatin1(c.name()));
    names.sort();
    return names;
}

}  // namespace

class CookiesTest : public QObject
{
    Q_OBJECT

    CookieServer server;

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules("zn.network.debug=true");
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    // Requests QML makes by itself, through different managers (images load
    // on a thread of their own), land in the one jar, and clearing it drops
    // them all; requests after that carry no cookie.
    void everyQmlRequestSharesOneJar()
    {
        SharedJarNetworkAccessManagerFactory *factory = SharedJarNetworkAccessManagerFactory::instance();
        factory->jar()->clear();
        QQmlEngine engine;
        engine.setNetworkAccessManagerFactory(factory);
        QQmlComponent component(&engine);
        component.setData(kDocument, QUrl());
        std::unique_ptr<QObject> document(component.create());
        QVERIFY2(document, qPrintable(component.errorString()));

        QMetaObject::invokeMethod(document.get(), "get", Q_ARG(QVariant, server.url("/xhr")));
        QTRY_COMPARE(document->property("answer").toString(), QString("hello"));
        QObject *picture = document->property("picture").value<QObject *>();
        picture->setProperty("source", QUrl(server.url("/picture.png")));
        QTRY_COMPARE(picture->property("status").toInt(), 1);  // Image.Ready
        QCOMPARE(cookieNames(factory->jar()), (QStringList{"fromimage", "fromxhr"}));

        QMetaObject::invokeMethod(document.get(), "get", Q_ARG(QVariant, server.url("/echo")));
        QTRY_VERIFY(!document->property("answer").toString().isEmpty());
        QVERIFY(document->property("answer").toString().contains("fromxhr=1"));

        NetworkAccessManagerInteractor nami(&engine);
        QTest::ignoreMessage(QtDebugMsg, "Replaced cookie jar");
        nami.clearCookies();
        QCOMPARE(factory->jar()->cookies().size(), 0);
        QMetaObject::invokeMethod(document.get(), "get", Q_ARG(QVariant, server.url("/echo")));
        QTRY_VERIFY(!document->property("answer").toString().isEmpty());
        QCOMPARE(document->property("answer").toString(), QString("none"));
    }

    void clearTwiceLeavesAnEmptyJarAndOthersAlone()
    {
        SharedJarNetworkAccessManagerFactory *factory = SharedJarNetworkAccessManagerFactory::instance();
        QQmlEngine engine;
        engine.setNetworkAccessManagerFactory(factory);
        const QUrl site("http://example.invalid/");
        factory->jar()->setCookiesFromUrl({QNetworkCookie("a", "1"), QNetworkCookie("b", "2")}, site);
        QNetworkAccessManager controllersOwn;  // the upload controller has its own manager
        controllersOwn.cookieJar()->setCookiesFromUrl({QNetworkCookie("kept", "3")}, site);

        NetworkAccessManagerInteractor nami(&engine);
        QTest::ignoreMessage(QtDebugMsg, "Replaced cookie jar");
        QTest::ignoreMessage(QtDebugMsg, "Replaced cookie jar");
        nami.clearCookies();
        nami.clearCookies();
        QCOMPARE(factory->jar()->cookies().size(), 0);
        QCOMPARE(controllersOwn.cookieJar()->cookiesForUrl(site).size(), 1);
        // The engine's own manager still uses the shared jar.
        QCOMPARE(engine.networkAccessManager()->cookieJar(), factory->jar());
    }

    // An engine with managers of its own gets a fresh, empty jar.
    void engineWithoutTheSharedFactory()
    {
        QQmlEngine engine;
        QNetworkAccessManager *manager = engine.networkAccessManager();
        const QUrl site("http://example.invalid/");
        manager->cookieJar()->setCookiesFromUrl({QNetworkCookie("old", "1")}, site);
        NetworkAccessManagerInteractor nami(&engine);
        QTest::ignoreMessage(QtDebugMsg, "Replaced cookie jar");
        nami.clearCookies();
        QCOMPARE(manager->cookieJar()->cookiesForUrl(site).size(), 0);

        NetworkAccessManagerInteractor noEngine(nullptr);
        QTest::ignoreMessage(QtDebugMsg, "Unable to retrieve Network Access Manager from declarative engine");
        noEngine.clearCookies();
    }
};

ZN_PROGRAM_TEST_MAIN(CookiesTest)
#include "tst_cookies.moc"
