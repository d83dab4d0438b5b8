// The sharing helpers on their own: the picture check at its limit, the body
// device that cannot be rewound once read, and the account store's file when
// no keyring is used.
#include "sharing/accountstore.h"
#include "sharing/onceuploaddevice.h"
#include "sharing/uploadpicture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

int modeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

} // namespace

class TestSharingHelpers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void pictureAtTheLimit();
    void uploadsCarryNoMetadata();
    void bodyIsHandedOutOnce();

    void accountsInAnOwnerOnlyFile();
    void unreadableAccountsFileIsKeptAside_data();
    void unreadableAccountsFileIsKeptAside();
    void legacyPlainSettingsAreRemoved();

private:
    QTemporaryDir workDir;
};

void TestSharingHelpers::initTestCase()
{
    QVERIFY(workDir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(workDir.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(workDir.filePath("config")));
    QCoreApplication::setOrganizationName("zn-test");
    QCoreApplication::setApplicationName("sharinghelpers");
}

void TestSharingHelpers::pictureAtTheLimit()
{
    const QString path = workDir.filePath("limit.png");
    QByteArray bytes(1000, 'x');
    bytes[0] = '\x89';
    bytes[999] = '\0';
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
    }
    QByteArray read;
    QCOMPARE(readUploadPicture(path, &read, 1000), PictureRefusal::None);
    QCOMPARE(read, bytes);
    QCOMPARE(readUploadPicture(path, &read, 999), PictureRefusal::TooLarge);
    QVERIFY(read.isEmpty());
    QCOMPARE(readUploadPicture(QString(), &read), PictureRefusal::Missing);
    QCOMPARE(refusalWord(PictureRefusal::TooLarge), QString("picture-too-large"));
    QCOMPARE(refusalWord(PictureRefusal::None), QString());
}

// A JPEG loses its EXIF, XMP and comment, a PNG its text, a WebP its EXIF
// and XMP chunks: the pixels come through unchanged. A TIFF cannot be sent
// without its tags, so it is refused.
void TestSharingHelpers::uploadsCarryNoMetadata()
{
    QImage picture(24, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            picture.setPixel(x, y, qRgb(x * 10, y * 15, 90));
    picture.setText("Location", "59.9 N, 10.7 E");
    const QByteArray place("GPS 59.9 N");
    auto encoded = [&](const char *format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, format, 100);
        return bytes;
    };
    auto segment = [](char marker, const QByteArray &payload) {
        const int length = int(payload.size()) + 2;
        return QByteArray("\xff", 1) + marker + char(length >> 8) + char(length) + payload;
    };
    QByteArray jpeg = encoded("JPEG");
    jpeg.insert(2, segment('\xe1', QByteArray("Exif\0\0", 6) + place) + segment('\xe1', "http://ns.adobe.com/xap/1.0/" + QByteArray(1, '\0') + place)
                       + segment('\xfe', place));
    QByteArray webp = encoded("WEBP");
    webp += QByteArray("EXIF", 4) + QByteArray("\x0a\0\0\0", 4) + place;
    const quint32 riff = quint32(webp.size() - 8);
    for (int i = 0; i < 4; ++i)
        webp[4 + i] = char(riff >> (8 * i));
    const QByteArray png = encoded("PNG");
    QVERIFY(png.contains("Location"));

    for (const QByteArray &original : {jpeg, png, webp}) {
        const QString path = workDir.filePath("placed");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(original);
        f.close();
        QByteArray sent;
        QCOMPARE(readUploadPicture(path, &sent), PictureRefusal::None);
        QVERIFY(!sent.contains(place) && !sent.contains("Location"));
        QCOMPARE(QImage::fromData(sent), QImage::fromData(original));
    }

    const QString tiff = workDir.filePath("placed.tif");
    picture.save(tiff, "TIFF");
    QByteArray sent;
    QCOMPARE(readUploadPicture(tiff, &sent), PictureRefusal::Kind);
    QVERIFY(sent.isEmpty());
    QCOMPARE(refusalWord(PictureRefusal::Kind), QString("picture-kind"));
}

void TestSharingHelpers::bodyIsHandedOutOnce()
{
    OnceUploadDevice body("0123456789");
    QCOMPARE(body.size(), qint64(10));
    QVERIFY(!body.isSequential());
    QVERIFY(body.reset()); // nothing sent yet: a connection that never opened
    QVERIFY(!body.handedOut());
    QCOMPARE(body.read(4), QByteArray("0123"));
    QVERIFY(body.handedOut());
    QVERIFY(!body.reset());
    QVERIFY(!body.seek(2));
    QVERIFY(body.seek(6)); // forward is fine
    QCOMPARE(body.readAll(), QByteArray("6789"));
    QVERIFY(!body.reset());
    QCOMPARE(body.pos(), qint64(10));
}

void TestSharingHelpers::accountsInAnOwnerOnlyFile()
{
    AccountStore store;
    store.setKeyringAllowed(false);
    QVERIFY(!store.usesKeyring());
    const QString file = store.fallbackFile();
    QVERIFY2(file.startsWith(workDir.filePath("data") + '/'), qPrintable(file));
    QVERIFY(!QFile::exists(file));

    QSignalSpy loaded(&store, &AccountStore::loaded);
    QSignalSpy saved(&store, &AccountStore::saved);
    QSignalSpy forgotten(&store, &AccountStore::forgotten);

    store.load("social");
    QCOMPARE(loaded.size(), 1);
    QVERIFY(loaded.last().at(1).toMap().isEmpty());

    const QVariantMap social{{"endpoint", "https://example.invalid/up"}, {"token", "T0K"},
                             {"secret", QString::fromUtf8("s\u00e9cret")}};
    const QVariantMap microblog{{"token", "m-token"}, {"tokenSecret", "m-secret"}};
    store.save("social", social);
    store.save("microblog", microblog);
    QCOMPARE(saved.size(), 2);
    QVERIFY(saved.at(0).at(1).toBool() && saved.at(1).at(1).toBool());
    QCOMPARE(modeOf(file), 0600);
    QCOMPARE(modeOf(QFileInfo(file).path()), 0700);

    // A new store (the next run) finds both.
    AccountStore again;
    again.setKeyringAllowed(false);
    QSignalSpy loadedAgain(&again, &AccountStore::loaded);
    again.load("social");
    again.load("microblog");
    QCOMPARE(loadedAgain.at(0).at(1).toMap(), social);
    QCOMPARE(loadedAgain.at(1).at(1).toMap(), microblog);

    // Forgetting one keeps the other; forgetting the last removes the file.
    store.forget("social");
    QCOMPARE(forgotten.size(), 1);
    QVERIFY(forgotten.last().at(1).toBool());
    store.load("social");
    QVERIFY(loaded.last().at(1).toMap().isEmpty());
    store.load("microblog");
    QCOMPARE(loaded.last().at(1).toMap(), microblog);
    QCOMPARE(modeOf(file), 0600);
    store.forget("microblog");
    QVERIFY(!QFile::exists(file));

    // A file that lost its mode gets it back on the next save.
    store.save("social", social);
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                            | QFileDevice::ReadOther));
    store.save("social", social);
    QCOMPARE(modeOf(file), 0600);
    store.forget("social");

    // No state folder: saving fails, and says so.
    qputenv("XDG_DATA_HOME", "/dev/null/data");
    store.save("social", social);
    qputenv("XDG_DATA_HOME", QFile::encodeName(workDir.filePath("data")));
    QVERIFY(!saved.last().at(1).toBool());
}

void TestSharingHelpers::unreadableAccountsFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("one stray byte") << QByteArray("x") << false;
    QTest::newRow("larger than the limit") << QByteArray() << true;
}

// A file that cannot be read whole is renamed aside, never written over; the
// store says so, and the next save makes a new file with that account alone.
void TestSharingHelpers::unreadableAccountsFileIsKeptAside()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, tooLarge);
    AccountStore store;
    store.setKeyringAllowed(false);
    const QString file = store.fallbackFile();
    const QVariantMap social{{"token", "T0K"}};
    const QVariantMap microblog{{"token", "m-token"}};
    store.save("social", social);
    store.save("microblog", microblog);
    QByteArray damaged;
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        damaged = f.readAll() + tail;
    }
    if (tooLarge) {
        damaged.insert(damaged.size() - 1, ",\"pad\":\"" + QByteArray(int(AccountStore::kFileBytesMax), 'p') + '"');
    }
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(damaged);
    }

    QSignalSpy problem(&store, &AccountStore::problemChanged);
    QSignalSpy saved(&store, &AccountStore::saved);
    store.save("social", social);
    QVERIFY(saved.last().at(1).toBool());
    QCOMPARE(problem.size(), 1);
    const QStringList aside = QDir(QFileInfo(file).path()).entryList({"accounts.json.unreadable-*"});
    QCOMPARE(aside.size(), 1);
    QVERIFY2(store.problem().contains(aside.first()), qPrintable(store.problem()));
    QFile kept(QFileInfo(file).path() + '/' + aside.first());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    QCOMPARE(modeOf(kept.fileName()), 0600);

    QSignalSpy loaded(&store, &AccountStore::loaded);
    store.load("social");
    QCOMPARE(loaded.last().at(1).toMap(), social);
    store.forget("social");
    QVERIFY(QFile::remove(kept.fileName()));
}

void TestSharingHelpers::legacyPlainSettingsAreRemoved()
{
    {
        QSettings settings;
        settings.setValue("sharing/sinaToken", "plain-token");
        settings.setValue("sharing/renrenSecret", "plain-secret");
        settings.setValue("sharing/service", 1);
    }
    AccountStore store;
    QSettings settings;
    QVERIFY(!settings.contains("sharing/sinaToken"));
    QVERIFY(!settings.contains("sharing/renrenSecret"));
    QCOMPARE(settings.value("sharing/service").toInt(), 1); // not a secret
    QFile file(settings.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("plain"));
}

QTEST_GUILESS_MAIN(TestSharingHelpers)
#include "tst_sharinghelpers.moc"
