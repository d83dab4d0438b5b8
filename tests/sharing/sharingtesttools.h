// Shared pieces of the sharing tests: the local HTTP server, an MD5 computed
// by Python's hashlib, and the test picture.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// One recorded request of the test server.
struct RecordedRequest
{
    QString method;
    QString path;
    QList<QPair<QString, QString>> headers; // in arrival order, names as sent
    QByteArray body;
    bool hasParts = false;
    QString partsError;
    struct Part
    {
        QString name;
        QString filename; // null when the part has none
        QByteArray data;
    };
    QList<Part> parts;

    // The value of the first header with this name (case-insensitive); null if none.
    QString header(const QString &name) const;
    int headerCount(const QString &name) const;
};

class TestServer
{
public:
    TestServer() = default;
    ~TestServer();
    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    bool start();
    int port() const { return serverPort; }
    // A port on 127.0.0.1 where connecting never completes.
    int unconnectablePort() const { return fullPort; }
    QString url(const QString &path) const;
    // Requests recorded so far, oldest first.
    QList<RecordedRequest> requests() const;
    int requestCount() const;

private:
    QProcess process;
    QTemporaryDir logDir;
    int serverPort = 0;
    int fullPort = 0;
};

// Lower-case hexadecimal MD5 of `bytes`, computed by Python's hashlib.
QByteArray pythonMd5Hex(const QByteArray &bytes);

// A picture file's bytes: a PNG without metadata whose data holds every byte
// value, CR, LF and CR LF runs and a stray hyphen pair, so a lost or changed
// byte shows.
QByteArray testPictureBytes();
