// What the controller's tests share: a recorder of what QML would see, the
// parts of a multipart body, and the test bench (folders, server, picture).
#pragma once

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

inline QByteArray field(const char *name, const QByteArray &value)
{
    return QByteArray("--AaB03x\r\nContent-Disposition: form-data; name=\"") + name + "\"\r\n\r\n"
        + value + "\r\n";
}

// The part of the picture "pic.png" and the closing boundary, which end every
// upload body.
inline QByteArray pictureTail(const char *name, const QByteArray &bytes)
{
    return QByteArray("--AaB03x\r\nContent-Disposition: form-data; name=\"") + name
        + "\"; filename=\"pic.png\"\r\n\r\n" + bytes + "\r\n--AaB03x--";
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline int modeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

// The controller's test bench: a work folder, the test server, a picture,
// the program's own data folder and the current folder, where nothing may
// ever be written. A test class derives from it and QtTest runs its set-up
// and checks around every test.
class HttpFixture : public QObject
{
    Q_OBJECT

private slots:
    // Once, before the first test: the folders, the server and the picture.
    void initTestCase()
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
    // Before each test: no status file from the test before.
    void init()
    {
        QFile::remove(statusFile);
    }
    // After each test: the current folder is still empty.
    void cleanup()
    {
        QCOMPARE(QDir(startFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

protected:
    QString writePicture(const QString &name, const QByteArray &bytes)
    {
        const QString path = workDir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return path;
    }
    // Waits until the controller is idle, with anything queued after the
    // finish delivered too.
    bool waitIdle(ZQCHttpController &http, int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        while (http.isBusy() && !deadline.hasExpired())
            QTest::qWait(10);
        QTest::qWait(50); // anything queued after the finish still arrives
        return !http.isBusy();
    }

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
