// The controller's pure pieces: file names, the OAuth header list, multipart
// text fields and the social-network signatures (checked against MD5 computed
// by Python's hashlib over the same base strings).
#include "ZQCHttpController.h"
#include "sharingtesttools.h"

#include <QRegularExpression>
#include <QTest>

class TestUploadBodies : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data();
    void fileNames();
    void oauthHeaderList_data();
    void oauthHeaderList();
    void textField();
    void signatureBaseStrings_data();
    void signatureBaseStrings();
    void digestIsLatin1Md5();
    void initialRequestObject();

private:
    ZQCHttpController http;
};

void TestUploadBodies::fileNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("slashes") << "/home/user/MyDocs/a_norvik.png" << "a_norvik.png";
    QTest::newRow("backslashes") << "C:\\pics\\b.jpg" << "b.jpg";
    QTest::newRow("backslash wins over a later slash") << "x\\dir/c.png" << "dir/c.png";
    QTest::newRow("bare name") << "c.png" << "";
    QTest::newRow("trailing slash") << "/tmp/" << "";
    QTest::newRow("empty") << "" << "";
}

void TestUploadBodies::fileNames()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    const QString got = http.getFileName(path);
    QCOMPARE(got, name);
    QVERIFY(!got.isNull() || name.isEmpty());
}

void TestUploadBodies::oauthHeaderList_data()
{
    QTest::addColumn<QString>("para");
    QTest::addColumn<QString>("header");
    QTest::newRow("pairs in given order")
        << "oauth_nonce=abc&oauth_consumer_key=k1&oauth_signature=x%2By%3D"
        << "oauth_nonce=\"abc\", oauth_consumer_key=\"k1\", oauth_signature=\"x%2By%3D\"";
    QTest::newRow("trailing ampersand") << "a=1&" << "a=\"1\", =\"\"";
    QTest::newRow("element without equals") << "a=1&flag" << "a=\"1\", flag=\"flag\"";
    QTest::newRow("value keeps later equals") << "k=v=w" << "k=\"v=w\"";
    QTest::newRow("empty") << "" << "=\"\"";
}

void TestUploadBodies::oauthHeaderList()
{
    QFETCH(QString, para);
    QFETCH(QString, header);
    QCOMPARE(http.encodeSinaPara(para.split('&'), ",", true), header);
}

void TestUploadBodies::textField()
{
    QCOMPARE(http.mixKeyValue("status", QString::fromLatin1("caf\xe9 au lait"), "--AaB03x"),
             QByteArray("--AaB03x\r\n"
                        "Content-Disposition: form-data; name=\"status\"\r\n"
                        "\r\n"
                        "caf\xe9 au lait\r\n"));
    // One byte per character: what Latin-1 cannot hold becomes "?".
    QCOMPARE(http.mixKeyValue(QString::fromUtf8("\u7167"), QString::fromUtf8("a\u7167b"), "--b"),
             QByteArray("--b\r\nContent-Disposition: form-data; name=\"?\"\r\n\r\na?b\r\n"));
    QCOMPARE(http.mixKeyValue("", "", "--b"),
             QByteArray("--b\r\nContent-Disposition: form-data; name=\"\"\r\n\r\n\r\n"));
}

// Each signature is compared with hashlib's MD5 of the base string written
// out by hand, so a wrong order, a missing entry or a stray separator shows.
void TestUploadBodies::signatureBaseStrings_data()
{
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QByteArray>("baseString");

    QTest::newRow("user query, no optionals")
        << http.generateSig("users.getInfo", "tok", "", "", "secret")
        << QByteArray("access_token=tokformat=JSONmethod=users.getInfov=1.0secret");
    QTest::newRow("user query, uids and fields")
        << http.generateSig("users.getInfo", "tok", "123,456", "name,tinyurl", "secret")
        << QByteArray("access_token=tokfields=name,tinyurlformat=JSONmethod=users.getInfo"
                      "uids=123,456v=1.0secret");
    QTest::newRow("album query, empty optionals")
        << http.generateAlbumSig("photos.getAlbums", "tok", "", "", "", "secret")
        << QByteArray("access_token=tokaids=format=JSONmethod=photos.getAlbumsv=1.0secret");
    QTest::newRow("album query, all")
        << http.generateAlbumSig("photos.getAlbums", "tok", "42", "1", "10", "secret")
        << QByteArray("access_token=tokaids=count=10format=JSONmethod=photos.getAlbums"
                      "page=1uid=42v=1.0secret");
    QTest::newRow("upper case sorts first")
        << http.generateSig("m", "Z", "", "", "")
        << QByteArray("access_token=Zformat=JSONmethod=mv=1.0");
}

void TestUploadBodies::signatureBaseStrings()
{
    QFETCH(QString, signature);
    QFETCH(QByteArray, baseString);
    QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(signature).hasMatch());
    QCOMPARE(signature.toLatin1(), pythonMd5Hex(baseString));
}

void TestUploadBodies::digestIsLatin1Md5()
{
    // One byte per character: the Latin-1 range goes in as single bytes.
    const QString text = QString::fromLatin1("\xe4\xf6\xfc\xff\x80 plain");
    QCOMPARE(http.getMd5Digest(text).toLatin1(), pythonMd5Hex(text.toLatin1()));
    QCOMPARE(http.getMd5Digest(""), QString("d41d8cd98f00b204e9800998ecf8427e"));

    // The base string: sorted by character code, joined without separator.
    QCOMPARE(http.encodeRenRenPara({"b=2", "B=1", "a=", "ab=0"}, "S"), QString("B=1a=ab=0b=2S"));
}

void TestUploadBodies::initialRequestObject()
{
    ZQCHttpController fresh;
    QVERIFY(fresh.currentNetworkRequest().url().isEmpty());
    QVERIFY(fresh.currentNetworkRequest().rawHeaderList().isEmpty());
    QVERIFY(!fresh.isBusy());
}

QTEST_GUILESS_MAIN(TestUploadBodies)
#include "tst_uploadbodies.moc"
