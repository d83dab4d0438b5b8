// OAuthSigner: builds OAuth 1.0a request parameters signed with HMAC-SHA1, for
// the interface to hand to ZQCHttpController::uploadSinaRequest (published to
// QML as "oauth").
//
//   percentEncode      the protocol's percent-encoding (UTF-8, unreserved kept)
//   baseUri            scheme://host[:port]/path as the base string holds it
//   baseString         METHOD & uri & sorted, encoded parameters
//   signature          base64 HMAC-SHA1 keyed with consumer & token secret
//   authorizationParameters   the oauth_* pairs, signature included, joined
//                      by "&" with the values already encoded
//
// The signed parameters are the URL's query, the oauth_* parameters and any
// extra parameters passed in (a form-urlencoded body); a multipart body is not
// signed. "realm" is never signed.
#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariantMap>

class OAuthSigner : public QObject
{
    Q_OBJECT

public:
    using Parameter = QPair<QString, QString>;

    explicit OAuthSigner(QObject *parent = nullptr);

    Q_INVOKABLE QString percentEncode(const QString &text) const;
    Q_INVOKABLE QString baseString(const QString &method, const QString &url,
                                   const QVariantMap &parameters) const;
    Q_INVOKABLE QString signature(const QString &baseString, const QString &consumerSecret,
                                  const QString &tokenSecret) const;
    Q_INVOKABLE QString newNonce() const;
    Q_INVOKABLE QString newTimestamp() const;

    // With a fresh nonce and the current time. `extra` is signed too; its
    // oauth_* entries (for example oauth_callback, oauth_verifier, or
    // oauth_version for a service that wants it) also appear in the result,
    // the others (body fields) do not. Empty `token` leaves oauth_token out.
    Q_INVOKABLE QString authorizationParameters(const QString &method, const QString &url,
                                                const QString &consumerKey,
                                                const QString &consumerSecret,
                                                const QString &token, const QString &tokenSecret,
                                                const QVariantMap &extra = QVariantMap()) const;
    // The same with the nonce and timestamp given.
    Q_INVOKABLE QString authorizationParametersAt(const QString &method, const QString &url,
                                                  const QString &consumerKey,
                                                  const QString &consumerSecret,
                                                  const QString &token,
                                                  const QString &tokenSecret,
                                                  const QString &nonce,
                                                  const QString &timestamp,
                                                  const QVariantMap &extra = QVariantMap()) const;

    // Plain functions behind the invokables; parameters may repeat a name.
    static QString encode(const QString &text);
    static QString baseUri(const QUrl &url);
    static QList<Parameter> queryParameters(const QUrl &url);
    static QString normalizedParameters(QList<Parameter> parameters);
    static QString buildBaseString(const QString &method, const QUrl &url,
                                   const QList<Parameter> &parameters);
    static QString hmacSha1(const QString &baseString, const QString &consumerSecret,
                            const QString &tokenSecret);
};
