// ZQCHttpController: the one object through which the interface shares
// pictures (published to QML as "http").
//
// It runs one HTTP request at a time on its own network access manager and
// one reused request object, writes each response body to the status file
// `respText` in the working directory, and reports back through signals:
//   s_progress(sent, total)   upload progress of the request body
//   s_httpError()             the finished reply reported an error
//   sinaUpload(body)          the microblog upload finished (QByteArray)
//   renrenUpload(body)        the social-network upload finished (QByteArray)
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
#pragma once

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
#include <QUrl>
#include <QVariant>

// The status file: a plain relative file name on this system, so it is
// created in the process's working directory, drive letter and all.
extern const QString respText;

class ZQCHttpController : public QObject
{
    Q_OBJECT

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

    // The request in flight, if any (for the command-line front and tests).
    bool isBusy() const { return httpReply != nullptr; }
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
    // Reads a picture whole; empty when missing, unreadable or empty.
    static QByteArray readPicture(const QString &path);
    QByteArray renrenBody(const QString &accessToken, const QString &method,
                          const QString &picFile, const QByteArray &picture,
                          const QString &renrenSecretKey, const QString &desc,
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
    // Bytes of the current response body written to the status file.
    qint64 bodyBytes;
    // The current response was cut at kMaxBodyBytes.
    bool bodyCut;
    // Origin ("scheme://host:port") the "Authorization" header was set for;
    // it is sent to that origin only.
    QString authorizationOrigin;
};
