// OAuthSigner: OAuth 1.0a parameters signed with HMAC-SHA1.
#include "OAuthSigner.h"

#include <QByteArray>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>

OAuthSigner::OAuthSigner(QObject *parent) : QObject(parent) {}

// ALPHA, DIGIT, "-", ".", "_", "~" stay; every other byte of the UTF-8 form
// becomes %XX with upper-case hex digits.
QString OAuthSigner::encode(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

// Lower-case scheme and host, the port only when it is not the scheme's
// default, the path ("/" when empty); no query, no fragment.
QString OAuthSigner::baseUri(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    QString uri = scheme + QLatin1String("://") + url.host(QUrl::FullyEncoded).toLower();
    if (url.host().contains(QLatin1Char(':'))) // IPv6 literal
        uri = scheme + QLatin1String("://[") + url.host(QUrl::FullyEncoded).toLower()
            + QLatin1Char(']');
    const int port = url.port();
    const bool defaultPort = port == -1 || (scheme == QLatin1String("http") && port == 80)
        || (scheme == QLatin1String("https") && port == 443);
    if (!defaultPort)
        uri += QLatin1Char(':') + QString::number(port);
    const QString path = url.path(QUrl::FullyEncoded);
    uri += path.isEmpty() ? QStringLiteral("/") : path;
    return uri;
}

// The query read as a form: pairs split on "&", name and value on the first
// "=", "+" is a space, then percent-decoded. A name without "=" has an empty
// value.
QList<OAuthSigner::Parameter> OAuthSigner::queryParameters(const QUrl &url)
{
    QList<Parameter> parameters;
    if (!url.hasQuery())
        return parameters;
    const QString query = url.query(QUrl::FullyEncoded);
    const QStringList pieces = query.split(QLatin1Char('&'), Qt::SkipEmptyParts);
    auto decode = [](QString part) {
        part.replace(QLatin1Char('+'), QLatin1Char(' '));
        return QUrl::fromPercentEncoding(part.toLatin1());
    };
    for (const QString &piece : pieces) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0)
            parameters.append({decode(piece), QString()});
        else
            parameters.append({decode(piece.left(equals)), decode(piece.mid(equals + 1))});
    }
    return parameters;
}

// Names and values encoded, sorted by name then value (byte order), joined
// as name=value pairs with "&".
QString OAuthSigner::normalizedParameters(QList<Parameter> parameters)
{
    for (Parameter &p : parameters)
        p = {encode(p.first), encode(p.second)};
    std::sort(parameters.begin(), parameters.end());
    QStringList pairs;
    pairs.reserve(parameters.size());
    for (const Parameter &p : parameters)
        pairs << p.first + QLatin1Char('=') + p.second;
    return pairs.join(QLatin1Char('&'));
}

QString OAuthSigner::buildBaseString(const QString &method, const QUrl &url,
                                     const QList<Parameter> &parameters)
{
    QList<Parameter> all = queryParameters(url);
    for (const Parameter &p : parameters) {
        if (p.first != QLatin1String("realm") && p.first != QLatin1String("oauth_signature"))
            all.append(p);
    }
    return method.toUpper() + QLatin1Char('&') + encode(baseUri(url)) + QLatin1Char('&')
        + encode(normalizedParameters(all));
}

QString OAuthSigner::hmacSha1(const QString &baseString, const QString &consumerSecret,
                              const QString &tokenSecret)
{
    const QByteArray key = (encode(consumerSecret) + QLatin1Char('&') + encode(tokenSecret)).toUtf8();
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(baseString.toUtf8(), key, QCryptographicHash::Sha1)
            .toBase64());
}

QString OAuthSigner::percentEncode(const QString &text) const
{
    return encode(text);
}

static QList<OAuthSigner::Parameter> fromMap(const QVariantMap &map)
{
    QList<OAuthSigner::Parameter> parameters;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        parameters.append({it.key(), it.value().toString()});
    return parameters;
}

QString OAuthSigner::baseString(const QString &method, const QString &url,
                                const QVariantMap &parameters) const
{
    return buildBaseString(method, QUrl(url), fromMap(parameters));
}

QString OAuthSigner::signature(const QString &baseString, const QString &consumerSecret,
                               const QString &tokenSecret) const
{
    return hmacSha1(baseString, consumerSecret, tokenSecret);
}

QString OAuthSigner::newNonce() const
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof(words)).toHex());
}

QString OAuthSigner::newTimestamp() const
{
    return QString::number(QDateTime::currentSecsSinceEpoch());
}

QString OAuthSigner::authorizationParameters(const QString &method, const QString &url,
                                             const QString &consumerKey,
                                             const QString &consumerSecret, const QString &token,
                                             const QString &tokenSecret,
                                             const QVariantMap &extra) const
{
    return authorizationParametersAt(method, url, consumerKey, consumerSecret, token, tokenSecret,
                                     newNonce(), newTimestamp(), extra);
}

QString OAuthSigner::authorizationParametersAt(const QString &method, const QString &url,
                                               const QString &consumerKey,
                                               const QString &consumerSecret,
                                               const QString &token, const QString &tokenSecret,
                                               const QString &nonce, const QString &timestamp,
                                               const QVariantMap &extra) const
{
    QList<Parameter> oauth;
    oauth.append({QStringLiteral("oauth_consumer_key"), consumerKey});
    oauth.append({QStringLiteral("oauth_nonce"), nonce});
    oauth.append({QStringLiteral("oauth_signature_method"), QStringLiteral("HMAC-SHA1")});
    oauth.append({QStringLiteral("oauth_timestamp"), timestamp});
    if (!token.isEmpty())
        oauth.append({QStringLiteral("oauth_token"), token});

    // oauth_* entries of `extra` join (or replace) the protocol parameters;
    // the others are signed only.
    QList<Parameter> bodyFields;
    for (const Parameter &p : fromMap(extra)) {
        if (p.first == QLatin1String("realm") || p.first == QLatin1String("oauth_signature"))
            continue;
        if (!p.first.startsWith(QLatin1String("oauth_"))) {
            bodyFields.append(p);
            continue;
        }
        auto same = std::find_if(oauth.begin(), oauth.end(),
                                 [&](const Parameter &o) { return o.first == p.first; });
        if (same != oauth.end())
            same->second = p.second;
        else
            oauth.append(p);
    }
    const QList<Parameter> signedParameters = oauth + bodyFields;

    const QString base = buildBaseString(method, QUrl(url), signedParameters);
    oauth.append({QStringLiteral("oauth_signature"), hmacSha1(base, consumerSecret, tokenSecret)});
    std::sort(oauth.begin(), oauth.end());

    QStringList pairs;
    for (const Parameter &p : oauth)
        pairs << p.first + QLatin1Char('=') + encode(p.second);
    return pairs.join(QLatin1Char('&'));
}
