// OAuth 1.0a signing against the worked examples of RFC 5849 (sections 1.2,
// 3.4.1 and 3.6), whose base strings and signatures are published there.
#include "OAuthSigner.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrlQuery>

class TestOAuthSigner : public QObject
{
    Q_OBJECT

private slots:
    void rfcExampleSignatures_data();
    void rfcExampleSignatures();
    void rfcBaseStringWithQueryAndBody();
    void baseUriNormalisation_data();
    void baseUriNormalisation();
    void percentEncoding_data();
    void percentEncoding();
    void authorizationParametersFormat();
    void freshNonceAndTimestamp();
};

// The three requests of the RFC's introduction: temporary credentials, token
// credentials, and the protected photo.
void TestOAuthSigner::rfcExampleSignatures_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("tokenSecret");
    QTest::addColumn<QString>("nonce");
    QTest::addColumn<QString>("timestamp");
    QTest::addColumn<QVariantMap>("extra");
    QTest::addColumn<QString>("signature");

    QTest::newRow("initiate") << "POST" << "https://photos.example.net/initiate" << ""
                              << "" << "wIjqoS" << "137131200"
                              << QVariantMap{{"oauth_callback", "http://printer.example.com/ready"},
                                             {"realm", "Photos"}}
                              << "74KNZJeDHnMBp0EMJ9ZHt/XKycU=";
    QTest::newRow("token") << "POST" << "https://photos.example.net/token"
                           << "hh5s93j4hdidpola" << "hdhd0244k9j7ao03" << "walatlh" << "137131201"
                           << QVariantMap{{"oauth_verifier", "hfdp7dh39dks9884"}}
                           << "gKgrFCywp7rO0OXSjdot/IHF7IU=";
    QTest::newRow("photos") << "GET" << "http://photos.example.net/photos?file=vacation.jpg&size=original"
                            << "nnch734d00sl2jdk" << "pfkkdhi9sl3r4s00" << "chapoH" << "137131202"
                            << QVariantMap() << "MdpQcU8iPSUjWoN/UDMsK2sui9I=";
}

void TestOAuthSigner::rfcExampleSignatures()
{
    QFETCH(QString, method);
    QFETCH(QString, url);
    QFETCH(QString, token);
    QFETCH(QString, tokenSecret);
    QFETCH(QString, nonce);
    QFETCH(QString, timestamp);
    QFETCH(QVariantMap, extra);
    QFETCH(QString, signature);

    OAuthSigner signer;
    const QString para = signer.authorizationParametersAt(method, url, "dpf43f3p2l4k3l03",
                                                          "kd94hf93k423kf44", token, tokenSecret,
                                                          nonce, timestamp, extra);
    const QUrlQuery query(para);
    QCOMPARE(QUrl::fromPercentEncoding(query.queryItemValue("oauth_signature").toLatin1()),
             signature);
    QCOMPARE(query.queryItemValue("oauth_consumer_key"), QString("dpf43f3p2l4k3l03"));
    QCOMPARE(query.queryItemValue("oauth_signature_method"), QString("HMAC-SHA1"));
    QCOMPARE(query.queryItemValue("oauth_nonce"), nonce);
    QCOMPARE(query.queryItemValue("oauth_timestamp"), timestamp);
    QCOMPARE(query.hasQueryItem("oauth_token"), !token.isEmpty());
    QVERIFY(!query.hasQueryItem("realm"));
    // Query parameters of the URL are signed, not repeated in the header.
    QVERIFY(!query.hasQueryItem("file"));
}

// Section 3.4.1.1: query, OAuth and form-body parameters with repeated names,
// encoded characters and an empty value, in one base string.
void TestOAuthSigner::rfcBaseStringWithQueryAndBody()
{
    const QUrl url("http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b");
    const QList<OAuthSigner::Parameter> parameters = {
        {"realm", "Example"},
        {"oauth_consumer_key", "9djdj82h48djs9d2"},
        {"oauth_token", "kkk9d7dh3k39sjv7"},
        {"oauth_signature_method", "HMAC-SHA1"},
        {"oauth_timestamp", "137131201"},
        {"oauth_nonce", "7d8f3e4a"},
        {"oauth_signature", "bYT5CMsGcbgUdFHObYMEfcx6bsw%3D"},
        // the form body "c2&a3=2+q"
        {"c2", ""},
        {"a3", "2 q"},
    };
    QCOMPARE(OAuthSigner::buildBaseString("POST", url, parameters),
             QString("POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q"
                     "%26a3%3Da%26b5%3D%253D%25253D%26c%2540%3D%26c2%3D%26oauth_consumer_"
                     "key%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_signature_m"
                     "ethod%3DHMAC-SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk"
                     "9d7dh3k39sjv7"));

    // A form-encoded query's "+" is a space, as in the body.
    const QList<OAuthSigner::Parameter> fromQuery =
        OAuthSigner::queryParameters(QUrl("http://example.com/?a3=2+q&c2"));
    QCOMPARE(fromQuery, (QList<OAuthSigner::Parameter>{{"a3", "2 q"}, {"c2", ""}}));
}

// Section 3.4.1.2.
void TestOAuthSigner::baseUriNormalisation_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("baseUri");
    QTest::newRow("default port dropped") << "HTTP://EXAMPLE.COM:80/r%20v/X?id=123"
                                          << "http://example.com/r%20v/X";
    QTest::newRow("other port kept") << "https://www.example.net:8080/?q=1"
                                     << "https://www.example.net:8080/";
    QTest::newRow("https default") << "https://example.net:443/a#frag" << "https://example.net/a";
    QTest::newRow("empty path") << "http://example.net" << "http://example.net/";
}

void TestOAuthSigner::baseUriNormalisation()
{
    QFETCH(QString, url);
    QFETCH(QString, baseUri);
    QCOMPARE(OAuthSigner::baseUri(QUrl(url)), baseUri);
}

void TestOAuthSigner::percentEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("unreserved") << "AZaz09-._~" << "AZaz09-._~";
    QTest::newRow("space and plus") << "Ladies + Gentlemen" << "Ladies%20%2B%20Gentlemen";
    QTest::newRow("reserved") << "Dogs, Cats & Mice!*'()/=" << "Dogs%2C%20Cats%20%26%20Mice%21%2A%27%28%29%2F%3D";
    QTest::newRow("utf-8, upper-case hex") << QString::fromUtf8("\u2603é") << "%E2%98%83%C3%A9";
}

void TestOAuthSigner::percentEncoding()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    OAuthSigner signer;
    QCOMPARE(signer.percentEncode(text), encoded);
}

// The result is what the microblog upload takes as its parameter string:
// sorted key=value pairs joined by "&", the values in their final encoded form.
void TestOAuthSigner::authorizationParametersFormat()
{
    OAuthSigner signer;
    const QString para = signer.authorizationParametersAt(
        "POST", "https://api.example.org/upload", "key+1", "cs", "tok/2", "ts", "n o", "1",
        {{"oauth_version", "1.0"}, {"status", "not in the header"}});
    const QStringList pairs = para.split('&');
    QStringList keys;
    for (const QString &pair : pairs) {
        QCOMPARE(pair.count('='), 1);
        keys << pair.section('=', 0, 0);
        QVERIFY2(QRegularExpression("^[A-Za-z0-9%._~-]*$").match(pair.section('=', 1)).hasMatch(),
                 qPrintable(pair));
    }
    QCOMPARE(keys, (QStringList{"oauth_consumer_key", "oauth_nonce", "oauth_signature",
                                "oauth_signature_method", "oauth_timestamp", "oauth_token",
                                "oauth_version"}));
    QVERIFY(para.contains("oauth_consumer_key=key%2B1&"));
    QVERIFY(para.contains("oauth_token=tok%2F2&"));
    QVERIFY(para.contains("oauth_nonce=n%20o&"));

    // The body field is signed: the signature is the HMAC over the base string
    // that includes it.
    const QList<OAuthSigner::Parameter> signedParameters = {
        {"oauth_consumer_key", "key+1"}, {"oauth_nonce", "n o"},
        {"oauth_signature_method", "HMAC-SHA1"}, {"oauth_timestamp", "1"},
        {"oauth_token", "tok/2"}, {"oauth_version", "1.0"}, {"status", "not in the header"}};
    const QString expected = OAuthSigner::hmacSha1(
        OAuthSigner::buildBaseString("POST", QUrl("https://api.example.org/upload"), signedParameters),
        "cs", "ts");
    QVERIFY(para.contains("oauth_signature=" + signer.percentEncode(expected) + "&"));
}

void TestOAuthSigner::freshNonceAndTimestamp()
{
    OAuthSigner signer;
    const QString a = signer.newNonce();
    const QString b = signer.newNonce();
    QCOMPARE(a.size(), 32);
    QVERIFY(a != b);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QVERIFY(qAbs(signer.newTimestamp().toLongLong() - now) <= 2);

    const QString p1 = signer.authorizationParameters("GET", "http://h/", "k", "s", "", "");
    const QString p2 = signer.authorizationParameters("GET", "http://h/", "k", "s", "", "");
    QVERIFY(p1 != p2);
}

QTEST_GUILESS_MAIN(TestOAuthSigner)
#include "tst_oauthsigner.moc"
