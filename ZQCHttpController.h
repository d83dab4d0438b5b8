// ZQCHttpController: the one object through which the interface shares
// pictures (published to QML as "http").
//
// It runs one HTTP request at a time on its own network access manager and
// one reused request object, keeps each response body and writes a copy to
// the status file `respText` in the sharing state folder (readable by the user
// alone; never the current folder), and reports back through signals:
//   s_progress(sent, total)   upload progress of the request body
//   s_httpError()             the finished reply reported an error
//   sinaUpload(body)          the microblog upload finished (QByteArray)
//   renrenUpload(body)        the social-network upload finished (QByteArray)
// The answer is delivered whether or not the status file could be written.
//
// Uploads:
//   uploadSinaRequest     multipart/form-data with an OAuth "Authorization"
//                         header built from parameters QML has already signed
//   uploadRenRenRequest   multipart/form-data signed with the service's MD5
//                         request signature (two forms: default album, album aid)
//   generateSig, generateAlbumSig   the same signature for QML's own calls
//
// Redirects are followed by the controller itself (at most kMaxRedirects in a
// chain, http and https only); a response body is kept up to kMaxBodyBytes.
//
// Limits: a request that makes no progress in either direction for the stall
// limit (30 s; connecting included) ends with the error path, and
// lastFailure() says "timeout". A POST is never sent twice by the network
// stack (see sharing/onceuploaddevice.h); it travels over HTTP/1.1 on a fresh
// connection, without pipelining. The picture must be a regular file of at
// most 50 MB (sharing/uploadpicture.h). Remembered accounts: `accounts`
// (sharing/accountstore.h).
#pragma once

#include "sharing/accountstore.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariant>

// The status file's name, drive letter and all (a plain file name on this
// system); the file lives in the sharing state folder.
extern const QString respText;

class ZQCHttpController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(AccountStore *accounts READ accounts CONSTANT)

public:
    enum TRequestMode {
        EHttpRequestGet = 0,
        EHttpRequestPost = 1
    };

    enum TRequestType {
        ENoRequest = 0,
        ERequestGetsis = 1,
        ERequestPostSinaFile = 2,
        ERequestPostRenRenFile = 3,
        ERequestPostGetAccessToken = 4
    };

    // Longest redirect chain followed before the request ends with an error.
    static constexpr int kMaxRedirects = 10;
    // Largest response body recorded; a longer answer is cut there and the
    // request ends with an error.
    static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;
    // Longest time without progress in either direction, connecting included.
    static constexpr int kStallLimitMs = 30000;

    explicit ZQCHttpController(QObject *parent = nullptr);
    ~ZQCHttpController() override;

signals:
    void sinaUpload(QVariant);
    void renrenUpload(QVariant);
    void s_progress(QVariant, QVariant);
    void s_parseJson(int);
    void s_httpError();

public slots:
    void cancelDownload();
    void setUserInfo(QString uid, QString token);

public:
    Q_INVOKABLE bool getRequest(QString aUrl);
    Q_INVOKABLE bool uploadSinaRequest(QString aUrl, QString para, QString pic, QString lat,
                                       QString longi, QString encodedText);
    Q_INVOKABLE bool uploadRenRenRequest(QString aUrl, QString accessToken, QString method,
                                         QString picFile, QString renrenSecretKey, QString desc);
    Q_INVOKABLE QString generateSig(QString method, QString accessToken, QString uids,
                                    QString fields, QString renrenSecretKey);
    Q_INVOKABLE QString generateAlbumSig(QString method, QString accessToken, QString uid,
                                         QString page, QString count, QString renrenSecretKey);
    Q_INVOKABLE bool uploadRenRenRequest(QString aUrl, QString accessToken, QString method,
                                         QString picFile, QString renrenSecretKey, QString desc,
                                         QString aid);

    // Building blocks of the uploads, public so the command-line front and the
    // tests can reach them; QML does not see them.
    void request(QUrl url, int requestMode, QByteArray str);
    QString getFileName(QString filePath);
    QString encodeSinaPara(QStringList paraList, QString splitter, bool quot);
    QByteArray mixKeyValue(QString key, QString value, QString boundary);
    QString encodeRenRenPara(QStringList paraList, QString renrenSecretKey);
    QString getMd5Digest(QString str);

    // Why the last request or upload failed, in one word: "timeout" (no
    // progress within the stall limit), "picture-missing", "picture-unreadable",
    // "picture-not-a-file", "picture-empty", "picture-too-large", "picture-kind", "network"
    // (any other error, an HTTP error status included); empty when it did not.
    Q_INVOKABLE QString lastFailure() const { return failure; }
    AccountStore *accounts() const { return accountStore; }

    // The request in flight, if any (for the command-line front and tests).
    bool isBusy() const { return httpReply != nullptr; }
    // Tests shorten the stall limit.
    void setStallLimit(int ms) { stallLimitMs = ms; }
    // Where the status file is written (when its folder can be made; the
    // answers are delivered either way).
    QString statusFilePath() const;
    // The request object as the next request will use it.
    const QNetworkRequest &currentNetworkRequest() const { return networkRequest; }

private slots:
    void progress(qint64 a, qint64 b);
    void httpFinished();
    void httpReadyRead();
    void on_networkError(QNetworkReply::NetworkError code);
    void on_SslErrors(QList<QSslError> errors);

private:
    void replaceTempFile();
    void removeTempFile();
    // "Host" and "Content-type" of a multipart upload to `aUrl`.
    void setMultipartHeaders(const QUrl &aUrl);
    // Reads a picture whole; empty (and lastFailure() set) when it is refused.
    QByteArray readPicture(const QString &path);
    // Starts the stall clock again: the request moved.
    void madeProgress();
    void stalled();
    QByteArray renrenBody(const QString &accessToken, const QString &method,
                          const QString &picFile, const QByteArray &picture,
                          const QString &renrenSecretKey, const QString &desc,
                          const QString *aid);
    // Both forms of uploadRenRenRequest: the album `aid` only when given.
    bool postRenRenUpload(const QString &aUrl, const QString &accessToken, const QString &method,
                          const QString &picFile, const QString &renrenSecretKey, const QString &desc,
                          const QString *aid);
    // Ends the request in flight without a signal (a superseded reply).
    void dropReply();
    // "host[:port]" of a URL, as the "Host" header carries it.
    static QByteArray hostHeader(const QUrl &target);
    static QString originOf(const QUrl &target);

    QString uid;
    QString token;
    QUrl url;
    QNetworkAccessManager httpEngine;
    QNetworkReply *httpReply;
    QFile *httpTempFile;
    int currentRequest;
    bool httpRequestAborted;
    QNetworkRequest networkRequest;

    // Redirects followed so far in the current chain.
    int redirectsFollowed;
    // The current response body, up to kMaxBodyBytes.
    QByteArray responseBody;
    // The current response was cut at kMaxBodyBytes.
    bool bodyCut;
    // Origin ("scheme://host:port") the "Authorization" header was set for;
    // it is sent to that origin only.
    QString authorizationOrigin;

    QTimer stallTimer;
    int stallLimitMs;
    // The request in flight was ended by the stall timer.
    bool timedOut;
    QString failure;
    AccountStore *accountStore;
};
