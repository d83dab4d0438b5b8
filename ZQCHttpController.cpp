// ZQCHttpController: request engine, response path and the two uploads.
//
//   request engine      request, dropReply, replaceTempFile, removeTempFile
//   response path       httpReadyRead, progress, on_networkError, on_SslErrors,
//                       httpFinished, cancelDownload
//   QML surface         getRequest, setUserInfo
//   microblog upload    uploadSinaRequest, encodeSinaPara, mixKeyValue
//   social upload       uploadRenRenRequest (both forms), generateSig,
//                       generateAlbumSig, encodeRenRenPara, getMd5Digest
#include "ZQCHttpController.h"

#include "sharing/accountstore.h"
#include "sharing/onceuploaddevice.h"
#include "sharing/sharingstate.h"
#include "sharing/uploadpicture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLoggingCategory>
#include <QSslConfiguration>

#include <initializer_list>
#include <utility>

const QString respText = QStringLiteral("E:\\uploadStatus.txt");

namespace {

Q_LOGGING_CATEGORY(lcHttp, "zn.sharing", QtInfoMsg)

// The multipart delimiter as written in the body; the header names the
// boundary without the two leading hyphens.
const QString kBoundary = QStringLiteral("--AaB03x");
const QByteArray kMultipartType = QByteArrayLiteral("multipart/form-data; boundary=AaB03x");

// The picture's part and the closing delimiter that end both upload bodies.
QByteArray pictureTail(const char *field, const QString &fileName, const QByteArray &picture)
{
    QByteArray tail = kBoundary.toLatin1();
    tail += "\r\n";
    tail += "Content-Disposition: form-data; name=\"";
    tail += field;
    tail += "\"; filename=\"";
    tail += fileName.toLatin1();
    tail += "\"\r\n";
    tail += "\r\n";
    tail += picture;
    tail += "\r\n";
    tail += kBoundary.toLatin1();
    tail += "--";
    return tail;
}

// The parameters the social network signs: the four every request carries,
// then those of `optional` that are not empty, as "name=value".
QStringList renrenParameters(const QString &method, const QString &accessToken,
                             std::initializer_list<std::pair<const char *, QString>> optional)
{
    QStringList list;
    list << QLatin1String("method=") + method << QStringLiteral("v=1.0")
         << QLatin1String("access_token=") + accessToken << QStringLiteral("format=JSON");
    for (const auto &[name, value] : optional) {
        if (!value.isEmpty())
            list << QLatin1String(name) + QLatin1Char('=') + value;
    }
    return list;
}

} // namespace

ZQCHttpController::ZQCHttpController(QObject *parent)
    : QObject(parent),
      httpReply(nullptr),
      httpTempFile(nullptr),
      currentRequest(ENoRequest),
      httpRequestAborted(false),
      redirectsFollowed(0),
      bodyCut(false),
      stallLimitMs(kStallLimitMs),
      timedOut(false),
      accountStore(new AccountStore(this))
{
    // Redirects are handled in httpFinished, one hop at a time.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    // One request per connection at a time, over HTTP/1.1, where the body
    // device below keeps an upload from being sent twice.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    networkRequest.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, false);

    stallTimer.setSingleShot(true);
    connect(&stallTimer, &QTimer::timeout, this, &ZQCHttpController::stalled);
}

ZQCHttpController::~ZQCHttpController()
{
    // The manager (a member) outlives this body; keep its replies from
    // calling back into a controller that is being torn down.
    const auto replies = httpEngine.findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies)
        disconnect(reply, nullptr, this, nullptr);
    if (httpReply) {
        httpReply->abort();
        delete httpReply;
        httpReply = nullptr;
    }
    delete httpTempFile;
    httpTempFile = nullptr;
}

// ---------------------------------------------------------------------------
// Request engine

QByteArray ZQCHttpController::hostHeader(const QUrl &target)
{
    QUrl hostOnly = target;
    hostOnly.setUserInfo(QString());
    return hostOnly.authority(QUrl::FullyEncoded).toLatin1();
}

QString ZQCHttpController::originOf(const QUrl &target)
{
    const int port = target.port(target.scheme() == QLatin1String("https") ? 443 : 80);
    return target.scheme().toLower() + QLatin1String("://")
        + target.host(QUrl::FullyEncoded).toLower() + QLatin1Char(':') + QString::number(port);
}

QString ZQCHttpController::statusFilePath() const
{
    const QString folder = sharingStateFolderPath();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(respText);
}

void ZQCHttpController::removeTempFile()
{
    const QString statusFile = statusFilePath();
    if (!statusFile.isEmpty() && QFile::exists(statusFile))
        QFile::remove(statusFile);
}

void ZQCHttpController::replaceTempFile()
{
    if (httpTempFile) {
        httpTempFile->close();
        delete httpTempFile;
        httpTempFile = nullptr;
    }
    removeTempFile();
    const QString folder = sharingStateFolder();
    if (folder.isEmpty()) {
        qCDebug(lcHttp) << "no state folder for the status file";
        return;
    }
    httpTempFile = new QFile(QDir(folder).filePath(respText));
    // A new file, owner-only from the start.
    if (!httpTempFile->open(QIODevice::WriteOnly | QIODevice::NewOnly,
                            QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qCDebug(lcHttp) << "status file cannot be created:" << httpTempFile->errorString();
        delete httpTempFile;
        httpTempFile = nullptr;
    }
}

void ZQCHttpController::dropReply()
{
    stallTimer.stop();
    QNetworkReply *old = httpReply;
    httpReply = nullptr;
    disconnect(old, nullptr, this, nullptr);
    old->abort();
    old->deleteLater();
}

void ZQCHttpController::request(QUrl url, int requestMode, QByteArray str)
{
    replaceTempFile();
    httpRequestAborted = false;
    redirectsFollowed = 0;
    responseBody.clear();
    bodyCut = false;
    timedOut = false;
    failure.clear();
    qCDebug(lcHttp) << url;
    if (httpReply)
        dropReply();

    qCDebug(lcHttp) << "request 1.0";
    networkRequest.setUrl(url);
    // A "Host" header left by an earlier upload names the server this request
    // goes to, not the one the upload went to.
    if (networkRequest.hasRawHeader("Host"))
        networkRequest.setRawHeader("Host", hostHeader(url));
    // Credentials go only to the server they were made for.
    if (networkRequest.hasRawHeader("Authorization") && originOf(url) != authorizationOrigin)
        networkRequest.setRawHeader("Authorization", QByteArray());

    if (requestMode != EHttpRequestGet) {
        networkRequest.setSslConfiguration(QSslConfiguration::defaultConfiguration());
        // A kept-alive connection may have been closed by the server since the
        // last request; the stack would find out only after writing the body,
        // and could not send it again. A fresh connection avoids that.
        httpEngine.clearConnectionCache();
        auto *body = new OnceUploadDevice(str);
        httpReply = httpEngine.post(networkRequest, body);
        if (httpReply)
            body->setParent(httpReply);
        else
            delete body;
    } else {
        httpReply = httpEngine.get(networkRequest);
    }

    if (!httpReply) {
        qCDebug(lcHttp) << "reply is null";
    } else {
        connect(httpReply, &QNetworkReply::finished, this, &ZQCHttpController::httpFinished);
        connect(httpReply, &QNetworkReply::uploadProgress, this, &ZQCHttpController::progress);
        connect(httpReply, &QNetworkReply::readyRead, this, &ZQCHttpController::httpReadyRead);
        connect(httpReply, &QNetworkReply::errorOccurred, this,
                &ZQCHttpController::on_networkError);
        connect(httpReply, &QNetworkReply::sslErrors, this, &ZQCHttpController::on_SslErrors);
        // Any sign of life from the answer starts the stall clock again.
        connect(httpReply, &QNetworkReply::metaDataChanged, this,
                &ZQCHttpController::madeProgress);
        connect(httpReply, &QNetworkReply::downloadProgress, this,
                &ZQCHttpController::madeProgress);
        stallTimer.start(stallLimitMs);
    }
    qCDebug(lcHttp) << "request 2.0";
}

// ---------------------------------------------------------------------------
// Response path

void ZQCHttpController::madeProgress()
{
    if (httpReply && sender() == httpReply)
        stallTimer.start(stallLimitMs);
}

void ZQCHttpController::stalled()
{
    if (!httpReply)
        return;
    qCDebug(lcHttp) << "no progress for" << stallLimitMs << "ms, giving up";
    timedOut = true;
    // Finishes the reply at once (httpFinished runs inside abort), with an error.
    httpReply->abort();
}

void ZQCHttpController::httpReadyRead()
{
    qCDebug(lcHttp) << "httpReadyRead";
    if (!httpReply || sender() != httpReply)
        return;
    // Everything readable is taken, recorded or not, so an answer never piles
    // up in memory.
    QByteArray data = httpReply->readAll();
    const qint64 room = kMaxBodyBytes - responseBody.size();
    if (data.size() > room) {
        data.truncate(room);
        bodyCut = true;
    }
    if (httpTempFile && httpTempFile->isOpen())
        httpTempFile->write(data);
    responseBody += data;
    stallTimer.start(stallLimitMs);
    if (bodyCut) {
        qCDebug(lcHttp) << "response body cut at" << kMaxBodyBytes << "bytes";
        // Finishes the reply at once (httpFinished runs inside abort), with an
        // error; nothing of this object may be touched after it.
        httpReply->abort();
    }
}

void ZQCHttpController::progress(qint64 a, qint64 b)
{
    if (httpReply && sender() == httpReply)
        stallTimer.start(stallLimitMs);
    qCDebug(lcHttp) << "a=" << a;
    qCDebug(lcHttp) << "b=" << b;
    emit s_progress(QVariant(a), QVariant(b));
}

void ZQCHttpController::on_networkError(QNetworkReply::NetworkError code)
{
    qCDebug(lcHttp) << "network error=" << int(code);
}

void ZQCHttpController::on_SslErrors(QList<QSslError> errors)
{
    Q_UNUSED(errors);
    qCDebug(lcHttp) << "on_SslErrors";
}

void ZQCHttpController::httpFinished()
{
    qCDebug(lcHttp) << "httpFinished";
    QNetworkReply *reply = httpReply;
    if (!reply || sender() != reply)
        return;
    stallTimer.stop();

    if (httpRequestAborted) {
        if (httpTempFile) {
            httpTempFile->close();
            httpTempFile->remove();
            httpTempFile->deleteLater();
            httpTempFile = nullptr;
        }
        reply->deleteLater();
        httpReply = nullptr;
        return;
    }

    if (httpTempFile) {
        httpTempFile->flush();
        httpTempFile->close();
    }
    const QVariant redirectionTarget = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);

    bool failed = false;
    if (reply->error() != QNetworkReply::NoError) {
        qCDebug(lcHttp) << "httpReply->errorString()" << reply->errorString();
        failed = true;
    } else if (!redirectionTarget.isNull()) {
        // The target may be relative: resolve it against the reply that carried it.
        const QUrl target = reply->url().resolved(redirectionTarget.toUrl());
        const QString scheme = target.scheme().toLower();
        const bool webScheme = scheme == QLatin1String("http") || scheme == QLatin1String("https");
        if (!target.isValid() || !webScheme) {
            qCDebug(lcHttp) << "redirect refused:" << target;
            failed = true;
        } else if (redirectsFollowed >= kMaxRedirects) {
            qCDebug(lcHttp) << "too many redirects, last:" << target;
            failed = true;
        } else {
            url = target;
            const int followed = redirectsFollowed + 1;
            disconnect(reply, nullptr, this, nullptr);
            reply->deleteLater();
            httpReply = nullptr;
            request(url, EHttpRequestGet, QByteArray());
            redirectsFollowed = followed;
            return;
        }
    }

    if (failed) {
        failure = timedOut ? QStringLiteral("timeout") : QStringLiteral("network");
        emit s_httpError();
        // The QML handler may have started another request or cancelled this
        // one; then this reply is no longer ours to deliver.
        if (httpReply != reply)
            return;
        if (httpRequestAborted) {
            httpReply = nullptr;
            reply->deleteLater();
            delete httpTempFile;
            httpTempFile = nullptr;
            return;
        }
    }

    reply->deleteLater();
    delete httpTempFile;
    httpTempFile = nullptr;
    httpReply = nullptr;
    qCDebug(lcHttp) << "currentRequest =" << currentRequest;

    // The answer comes from memory: a status file that could not be written
    // (or was changed meanwhile) does not keep it from the interface.
    // Never a null array: QML would get a buffer it cannot read.
    const QByteArray bytes = responseBody.isNull() ? QByteArray("") : responseBody;
    responseBody.clear();
    if (currentRequest == ERequestPostSinaFile) {
        emit sinaUpload(QVariant(bytes));
    } else if (currentRequest == ERequestPostRenRenFile) {
        qCDebug(lcHttp) << "emit renrenUpload=" << bytes;
        emit renrenUpload(QVariant(bytes));
    }
}

void ZQCHttpController::cancelDownload()
{
    httpRequestAborted = true;
    stallTimer.stop();
    if (httpReply)
        httpReply->abort();
    removeTempFile();
}

// ---------------------------------------------------------------------------
// QML surface

bool ZQCHttpController::getRequest(QString aUrl)
{
    networkRequest.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    request(QUrl(aUrl), EHttpRequestPost, QByteArray());
    return true;
}

void ZQCHttpController::setUserInfo(QString uid, QString token)
{
    this->uid = uid;
    this->token = token;
}

QString ZQCHttpController::getFileName(QString filePath)
{
    const int backslash = filePath.lastIndexOf(QLatin1Char('\\'));
    if (backslash >= 0)
        return filePath.mid(backslash + 1);
    const int slash = filePath.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0)
        return filePath.mid(slash + 1);
    return QString();
}

QByteArray ZQCHttpController::readPicture(const QString &path)
{
    qCDebug(lcHttp) << path;
    QByteArray bytes;
    const PictureRefusal refusal = readUploadPicture(path, &bytes);
    failure = refusalWord(refusal);
    if (refusal != PictureRefusal::None)
        qCDebug(lcHttp) << "picture refused:" << failure;
    return bytes;
}

void ZQCHttpController::setMultipartHeaders(const QUrl &aUrl)
{
    networkRequest.setRawHeader("Host", hostHeader(aUrl));
    networkRequest.setRawHeader("Content-type", kMultipartType);
}

// ---------------------------------------------------------------------------
// Microblog upload

QByteArray ZQCHttpController::mixKeyValue(QString key, QString value, QString boundary)
{
    QByteArray field;
    field += boundary.toLatin1();
    field += "\r\n";
    field += "Content-Disposition: form-data; name=\"";
    field += key.toLatin1();
    field += "\"\r\n";
    field += "\r\n";
    field += value.toLatin1();
    field += "\r\n";
    return field;
}

QString ZQCHttpController::encodeSinaPara(QStringList paraList, QString splitter, bool quot)
{
    Q_UNUSED(quot); // the values are always quoted
    QString buf;
    for (qsizetype i = 0; i < paraList.size(); ++i) {
        const QString &element = paraList.at(i);
        const qsizetype equals = element.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? element : element.left(equals);
        const QString value = equals < 0 ? element : element.mid(equals + 1);
        buf += key + QLatin1String("=\"") + value + QLatin1Char('"');
        if (i + 1 < paraList.size())
            buf += splitter + QLatin1Char(' ');
    }
    qCDebug(lcHttp) << "encodePara buf=" << buf;
    return buf;
}

bool ZQCHttpController::uploadSinaRequest(QString aUrl, QString para, QString pic, QString lat,
                                          QString longi, QString encodedText)
{
    Q_UNUSED(longi);
    const QByteArray picture = readPicture(pic);
    qCDebug(lcHttp) << "uploadPicRequest status=" << encodedText;
    qCDebug(lcHttp) << "uploadPicRequest picFile=" << pic;
    qCDebug(lcHttp) << "uploadPicRequest lat=" << lat;
    if (picture.isEmpty())
        return false;

    const QUrl endpoint(aUrl);
    setMultipartHeaders(endpoint);
    const QString authorization = QLatin1String("OAuth ")
        + encodeSinaPara(para.split(QLatin1Char('&'), Qt::KeepEmptyParts, Qt::CaseSensitive),
                         QStringLiteral(","), true);
    const QByteArray basicArrray = authorization.toLatin1();
    qCDebug(lcHttp) << "basicArrray=" << basicArrray;
    networkRequest.setRawHeader("Authorization", basicArrray);
    authorizationOrigin = originOf(endpoint);

    QByteArray body = mixKeyValue(QStringLiteral("status"), encodedText, kBoundary);
    body += pictureTail("pic", getFileName(pic), picture);
    qCDebug(lcHttp) << "totalBytes=" << body;

    currentRequest = ERequestPostSinaFile;
    request(endpoint, EHttpRequestPost, body);
    return true;
}

// ---------------------------------------------------------------------------
// Social-network upload and signatures

QString ZQCHttpController::encodeRenRenPara(QStringList paraList, QString renrenSecretKey)
{
    paraList.sort(Qt::CaseSensitive);
    QString str = paraList.join(QString()) + renrenSecretKey;
    qCDebug(lcHttp) << "encodeRenRenPara str=" << str;
    return str;
}

QString ZQCHttpController::getMd5Digest(QString str)
{
    const QString ret = QString::fromLatin1(
        QCryptographicHash::hash(str.toLatin1(), QCryptographicHash::Md5).toHex());
    qCDebug(lcHttp) << "ret=" << ret;
    return ret;
}

QString ZQCHttpController::generateSig(QString method, QString accessToken, QString uids,
                                       QString fields, QString renrenSecretKey)
{
    const QStringList list = renrenParameters(method, accessToken, {{"uids", uids}, {"fields", fields}});
    return getMd5Digest(encodeRenRenPara(list, renrenSecretKey));
}

QString ZQCHttpController::generateAlbumSig(QString method, QString accessToken, QString uid,
                                            QString page, QString count, QString renrenSecretKey)
{
    QStringList list = renrenParameters(method, accessToken, {{"uid", uid}, {"page", page}, {"count", count}});
    list << QStringLiteral("aids=");
    return getMd5Digest(encodeRenRenPara(list, renrenSecretKey));
}

QByteArray ZQCHttpController::renrenBody(const QString &accessToken, const QString &method,
                                         const QString &picFile, const QByteArray &picture,
                                         const QString &renrenSecretKey, const QString &desc,
                                         const QString *aid)
{
    // The caption travels as its UTF-8 bytes, one character per byte, in the
    // signature and in the body alike.
    const QString caption = QString::fromLatin1(desc.toUtf8());

    QStringList list;
    QByteArray body;
    auto field = [&](const QString &name, const QString &value) {
        list << name + QLatin1Char('=') + value;
        body += mixKeyValue(name, value, kBoundary);
    };
    if (aid)
        field(QStringLiteral("aid"), *aid);
    field(QStringLiteral("method"), method);
    field(QStringLiteral("v"), QStringLiteral("1.0"));
    field(QStringLiteral("access_token"), accessToken);
    field(QStringLiteral("format"), QStringLiteral("JSON"));
    field(QStringLiteral("caption"), caption);

    const QString signature = getMd5Digest(encodeRenRenPara(list, renrenSecretKey));
    body += mixKeyValue(QStringLiteral("sig"), signature, kBoundary);

    body += pictureTail("upload", getFileName(picFile), picture);
    qCDebug(lcHttp) << "totalBytes=" << body;
    return body;
}

bool ZQCHttpController::uploadRenRenRequest(QString aUrl, QString accessToken, QString method,
                                            QString picFile, QString renrenSecretKey, QString desc)
{
    return postRenRenUpload(aUrl, accessToken, method, picFile, renrenSecretKey, desc, nullptr);
}

bool ZQCHttpController::uploadRenRenRequest(QString aUrl, QString accessToken, QString method,
                                            QString picFile, QString renrenSecretKey, QString desc,
                                            QString aid)
{
    return postRenRenUpload(aUrl, accessToken, method, picFile, renrenSecretKey, desc, &aid);
}

bool ZQCHttpController::postRenRenUpload(const QString &aUrl, const QString &accessToken, const QString &method,
                                         const QString &picFile, const QString &renrenSecretKey,
                                         const QString &desc, const QString *aid)
{
    const QByteArray picture = readPicture(picFile);
    qCDebug(lcHttp) << "uploadPicRequest picFile=" << picFile;
    if (picture.isEmpty())
        return false;

    const QUrl endpoint(aUrl);
    setMultipartHeaders(endpoint);
    // This service signs its body; an "Authorization" header from the other
    // service is not sent along.
    networkRequest.setRawHeader("Authorization", QByteArray());
    const QByteArray body = renrenBody(accessToken, method, picFile, picture, renrenSecretKey, desc, aid);
    currentRequest = ERequestPostRenRenFile;
    request(endpoint, EHttpRequestPost, body);
    return true;
}
