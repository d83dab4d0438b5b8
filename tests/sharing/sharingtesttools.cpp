// The local HTTP server, the hashlib MD5 and the test picture shared by the
// sharing tests (see sharingtesttools.h).
#include "sharingtesttools.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

QString RecordedRequest::header(const QString &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QString();
}

int RecordedRequest::headerCount(const QString &name) const
{
    int n = 0;
    for (const auto &h : headers)
        n += h.first.compare(name, Qt::CaseInsensitive) == 0;
    return n;
}

TestServer::~TestServer()
{
    if (process.state() != QProcess::NotRunning) {
        process.closeWriteChannel(); // the server ends when its input ends
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
}

bool TestServer::start()
{
    if (!logDir.isValid())
        return false;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral(ZN_PYTHON), {QStringLiteral(ZN_TEST_SERVER), logDir.path()});
    if (!process.waitForStarted(10000))
        return false;
    QByteArray line;
    while (!line.contains('\n')) {
        if (!process.waitForReadyRead(10000))
            return false;
        line += process.readAllStandardOutput();
    }
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 4 || words.at(0) != "PORT" || words.at(2) != "FULL")
        return false;
    serverPort = words.at(1).toInt();
    fullPort = words.at(3).toInt();
    return serverPort > 0 && fullPort > 0;
}

QString TestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort).arg(path);
}

int TestServer::requestCount() const
{
    return int(QDir(logDir.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
}

QList<RecordedRequest> TestServer::requests() const
{
    QList<RecordedRequest> out;
    const int count = requestCount();
    for (int n = 1; n <= count; ++n) {
        QFile file(logDir.filePath(QStringLiteral("%1.json").arg(n)));
        if (!file.open(QIODevice::ReadOnly))
            break;
        const QJsonObject entry = QJsonDocument::fromJson(file.readAll()).object();
        RecordedRequest r;
        r.method = entry.value(QLatin1String("method")).toString();
        r.path = entry.value(QLatin1String("path")).toString();
        for (const QJsonValue &h : entry.value(QLatin1String("headers")).toArray()) {
            const QJsonArray pair = h.toArray();
            r.headers.append({pair.at(0).toString(), pair.at(1).toString()});
        }
        r.body = QByteArray::fromBase64(entry.value(QLatin1String("body")).toString().toLatin1());
        r.partsError = entry.value(QLatin1String("parts_error")).toString();
        if (entry.contains(QLatin1String("parts"))) {
            r.hasParts = true;
            for (const QJsonValue &p : entry.value(QLatin1String("parts")).toArray()) {
                const QJsonObject part = p.toObject();
                RecordedRequest::Part rp;
                rp.name = part.value(QLatin1String("name")).toString();
                if (!part.value(QLatin1String("filename")).isNull())
                    rp.filename = part.value(QLatin1String("filename")).toString(QLatin1String(""));
                rp.data = QByteArray::fromBase64(part.value(QLatin1String("data")).toString().toLatin1());
                r.parts.append(rp);
            }
        }
        out.append(r);
    }
    return out;
}

QByteArray pythonMd5Hex(const QByteArray &bytes)
{
    QProcess python;
    python.start(QStringLiteral(ZN_PYTHON),
                 {QStringLiteral("-c"),
                  QStringLiteral("import hashlib, sys; "
                                 "sys.stdout.write(hashlib.md5(sys.stdin.buffer.read()).hexdigest())")});
    if (!python.waitForStarted(10000))
        return QByteArray();
    python.write(bytes);
    python.closeWriteChannel();
    if (!python.waitForFinished(10000))
        return QByteArray();
    return python.readAllStandardOutput();
}

QByteArray testPictureBytes()
{
    // The chunks of a PNG with no metadata, so the upload sends it as it is;
    // the picture data holds the bytes a multipart body could get wrong.
    QByteArray data;
    for (int v = 0; v < 256; ++v)
        data.append(char(v));
    data.append("\r\n\r\n\n\r--\r\n-");
    for (int v = 255; v >= 0; --v)
        data.append(char(v));
    data.append("\r\n", 2);
    const auto chunk = [](const char *type, const QByteArray &body) {
        QByteArray c;
        const quint32 n = quint32(body.size());
        c.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
        c.append(type, 4).append(body).append(QByteArray(4, '\0'));  // the CRC is not read on the way
        return c;
    };
    QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
    bytes += chunk("IHDR", QByteArray("\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 13));
    bytes += chunk("IDAT", data);
    bytes += chunk("IEND", QByteArray());
    // The part's own CR LF follows: both must survive.
    return bytes;
}
