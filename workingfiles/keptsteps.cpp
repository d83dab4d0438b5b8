#include "keptsteps.h"

#include "logging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

namespace {

const QString kFormat = QStringLiteral("zeltanorvik-kept-steps");
const QString kOriginalFormat = QStringLiteral("zeltanorvik-saved-from");
const QString kOriginalSuffix = QStringLiteral(".original");

// One name for one photo, however it was named (URL, relative, through a link).
QString photoPath(const QString &photo)
{
    const QString local = photo.startsWith(QLatin1String("file:")) ? QUrl(photo).toLocalFile() : photo;
    if (local.isEmpty())
        return {};
    const QFileInfo info(local);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The whole file, or nothing when it is larger than `limit`.
bool readBounded(const QString &path, qint64 limit, QByteArray *data, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read: %2").arg(QFileInfo(path).fileName(), file.errorString());
        return false;
    }
    *data = file.read(limit + 1);
    if (data->size() > limit) {
        *error = QStringLiteral("%1 is too large for a steps file (more than %2 MB).")
                     .arg(QFileInfo(path).fileName())
                     .arg(limit / (1024 * 1024));
        return false;
    }
    return true;
}

}  // namespace

KeptSteps::KeptSteps(const QString &root, QObject *parent)
    : QObject(parent)
    , m_folder(root.isEmpty() ? QString() : root + QStringLiteral(".qvrkSteps/"))
{
}

QString KeptSteps::fileFor(const QString &photo, const QString &suffix) const
{
    const QString path = photoPath(photo);
    if (m_folder.isEmpty() || path.isEmpty())
        return {};
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_folder + QString::fromLatin1(hash) + suffix;
}

bool KeptSteps::keep(const QString &photo, const QString &steps)
{
    m_error.clear();
    const QString file = fileFor(photo);
    if (file.isEmpty()) {
        m_error = QStringLiteral("There is no folder to keep the steps in.");
        return false;
    }
    const QJsonDocument parsed = QJsonDocument::fromJson(steps.toUtf8());
    if (!parsed.isObject()) {
        m_error = QStringLiteral("The steps to keep are not a steps file.");
        return false;
    }
    QJsonObject record;
    record.insert(QStringLiteral("format"), kFormat);
    record.insert(QStringLiteral("photo"), photoPath(photo));
    record.insert(QStringLiteral("steps"), parsed.object());
    const QByteArray data = QJsonDocument(record).toJson(QJsonDocument::Compact);
    if (data.size() > kMaxBytes) {
        m_error = QStringLiteral("The steps are too many to keep.");
        return false;
    }
    if (!writeRecord(file, data))
        return false;
    prune(QStringLiteral("*.json"));
    return true;
}

bool KeptSteps::writeRecord(const QString &file, const QByteArray &data)
{
    QDir().mkpath(m_folder);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        m_error = QStringLiteral("The steps could not be kept: %1").arg(out.errorString());
        qCWarning(lcFiles) << "kept steps not written:" << file << out.errorString();
        return false;
    }
    return true;
}

bool KeptSteps::rememberOriginal(const QString &picture, const QString &original)
{
    m_error.clear();
    const QString file = fileFor(picture, kOriginalSuffix);
    const QString from = photoPath(original);
    if (file.isEmpty() || from.isEmpty()) {
        m_error = QStringLiteral("There is no folder to keep the steps in.");
        return false;
    }
    QJsonObject record;
    record.insert(QStringLiteral("format"), kOriginalFormat);
    record.insert(QStringLiteral("picture"), photoPath(picture));
    record.insert(QStringLiteral("original"), from);
    if (!writeRecord(file, QJsonDocument(record).toJson(QJsonDocument::Compact)))
        return false;
    prune(QStringLiteral("*") + kOriginalSuffix);
    return true;
}

QString KeptSteps::originalOf(const QString &picture)
{
    m_error.clear();
    const QString file = fileFor(picture, kOriginalSuffix);
    if (file.isEmpty() || !QFileInfo::exists(file))
        return {};
    QByteArray data;
    // A path and two names: anything larger is no such record.
    if (!readBounded(file, 64 * 1024, &data, &m_error)) {
        QFile::remove(file);
        return {};
    }
    const QJsonObject record = QJsonDocument::fromJson(data).object();
    const QString original = record.value(QStringLiteral("original")).toString();
    if (record.value(QStringLiteral("format")).toString() != kOriginalFormat
        || record.value(QStringLiteral("picture")).toString() != photoPath(picture) || !original.startsWith('/')) {
        QFile::remove(file);
        return {};
    }
    return original;
}

QString KeptSteps::kept(const QString &photo)
{
    m_error.clear();
    const QString file = fileFor(photo);
    if (file.isEmpty() || !QFileInfo::exists(file))
        return {};
    const QString path = photoPath(photo);
    if (!QFileInfo(path).isFile()) {
        QFile::remove(file);
        return {};
    }
    QByteArray data;
    if (!readBounded(file, kMaxBytes, &data, &m_error)) {
        QFile::remove(file);
        return {};
    }
    const QJsonObject record = QJsonDocument::fromJson(data).object();
    if (record.value(QStringLiteral("format")).toString() != kFormat
        || record.value(QStringLiteral("photo")).toString() != path
        || !record.value(QStringLiteral("steps")).isObject()) {
        qCWarning(lcFiles) << "damaged kept steps removed:" << file;
        m_error = QStringLiteral("The steps kept for this photo were damaged.");
        QFile::remove(file);
        return {};
    }
    return QString::fromUtf8(
        QJsonDocument(record.value(QStringLiteral("steps")).toObject()).toJson(QJsonDocument::Compact));
}

void KeptSteps::forget(const QString &photo)
{
    const QString file = fileFor(photo);
    if (!file.isEmpty())
        QFile::remove(file);
}

QString KeptSteps::readStepsFile(const QString &path)
{
    m_error.clear();
    const QString local = path.startsWith(QLatin1String("file:")) ? QUrl(path).toLocalFile() : path;
    QByteArray data;
    if (!readBounded(local, kMaxBytes, &data, &m_error))
        return {};
    if (data.isEmpty()) {
        m_error = QStringLiteral("%1 is empty.").arg(QFileInfo(local).fileName());
        return {};
    }
    return QString::fromUtf8(data);
}

// The most recently kept records of a kind stay; older ones go.
void KeptSteps::prune(const QString &pattern)
{
    QFileInfoList files = QDir(m_folder).entryInfoList({pattern}, QDir::Files, QDir::Time);
    for (qsizetype i = kMaxKept; i < files.size(); ++i)
        QFile::remove(files.at(i).filePath());
}
