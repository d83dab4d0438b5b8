#include "accountstore.h"

#include "sharingstate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSettings>

#include <qt6keychain/keychain.h>

namespace {

Q_LOGGING_CATEGORY(lcAccounts, "zn.sharing.accounts", QtInfoMsg)

const QString kFileName = QStringLiteral("accounts.json");

QVariantMap fromJson(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    return doc.isObject() ? doc.object().toVariantMap() : QVariantMap();
}

} // namespace

AccountStore::AccountStore(QObject *parent)
    : QObject(parent)
{
    removeLegacySettings();
}

bool AccountStore::keyringServiceRunning()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QStringList services{QStringLiteral("org.freedesktop.secrets"),
                               QStringLiteral("org.kde.kwalletd5"),
                               QStringLiteral("org.kde.kwalletd6")};
    for (const QString &name : services) {
        if (bus.interface()->isServiceRegistered(name))
            return true;
    }
    return false;
}

bool AccountStore::usesKeyring() const
{
    if (keyring == Keyring::Unknown)
        keyring = keyringServiceRunning() ? Keyring::Used : Keyring::NotUsed;
    return keyring == Keyring::Used;
}

void AccountStore::setKeyringAllowed(bool allowed)
{
    const bool before = usesKeyring();
    const bool now = allowed && keyringServiceRunning();
    keyring = now ? Keyring::Used : Keyring::NotUsed;
    if (now != before)
        emit backendChanged();
}

QString AccountStore::keyringService() const
{
    return QCoreApplication::applicationName() + QStringLiteral(" sharing");
}

QString AccountStore::fallbackFile() const
{
    const QString folder = sharingStateFolderPath();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(kFileName);
}

void AccountStore::removeLegacySettings()
{
    static const char *const legacy[] = {
        "sinaEndpoint", "sinaConsumerKey", "sinaConsumerSecret", "sinaToken", "sinaTokenSecret",
        "renrenEndpoint", "renrenToken", "renrenSecret", "renrenMethod", "renrenAlbum", "remember"};
    QSettings settings;
    settings.beginGroup(QStringLiteral("sharing"));
    for (const char *key : legacy) {
        if (settings.contains(QLatin1String(key)))
            settings.remove(QLatin1String(key));
    }
    settings.endGroup();
}

bool AccountStore::setAside(const QString &path, const QString &reason)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    const bool moved = QFile::rename(path, aside);
    if (moved) {
        qCWarning(lcAccounts) << "the accounts file" << path << "cannot be read:" << reason << "- kept as" << aside;
        m_problem = tr("Your remembered accounts could not be read (%1). The file was kept as %2; accounts "
                       "you remember from now on go into a new file.")
                        .arg(reason, aside);
    } else {
        qCWarning(lcAccounts) << "the accounts file" << path << "cannot be read:" << reason
                              << "- and cannot be moved aside; nothing is written to it";
        m_problem = tr("Your remembered accounts could not be read (%1), and the file %2 could not be moved "
                       "aside, so no account is remembered until it is moved or removed.")
                        .arg(reason, path);
    }
    emit problemChanged();
    return moved;
}

bool AccountStore::readAll(QVariantMap *all)
{
    all->clear();
    const QString path = fallbackFile();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return setAside(path, tr("it cannot be opened: %1").arg(file.errorString()));
    const QByteArray bytes = file.read(kFileBytesMax + 1);
    if (bytes.size() > kFileBytesMax)
        return setAside(path, tr("it is larger than %1 KiB").arg(kFileBytesMax / 1024));
    if (file.error() != QFileDevice::NoError)
        return setAside(path, tr("it cannot be read: %1").arg(file.errorString()));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return setAside(path, tr("it is not valid JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        return setAside(path, tr("it does not hold a list of accounts"));
    *all = doc.object().toVariantMap();
    return true;
}

QVariantMap AccountStore::readFromFile(const QString &service)
{
    QVariantMap all;
    readAll(&all);
    return all.value(service).toMap();
}

// Replaces (or with a null `account`, removes) one service's entry.
bool AccountStore::writeToFile(const QString &service, const QVariantMap *account)
{
    const QString path = fallbackFile();
    if (path.isEmpty())
        return false;
    if (account && sharingStateFolder().isEmpty())
        return false;
    QVariantMap all;
    if (!readAll(&all))
        return false;  // never written over: the user may still recover it
    if (!account && !all.contains(service))
        return true;
    if (account)
        all.insert(service, *account);
    else
        all.remove(service);
    if (all.isEmpty())
        return !QFile::exists(path) || QFile::remove(path);

    // Written whole: a temporary file, flushed to the disk, renamed over the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The new file is owner-only before a byte of it is written.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(QJsonObject::fromVariantMap(all)).toJson(QJsonDocument::Compact));
    if (!file.commit())
        return false;
    return keepToOwner(path, false);
}

void AccountStore::load(const QString &service)
{
    if (!usesKeyring()) {
        emit loaded(service, readFromFile(service));
        return;
    }
    auto *job = new QKeychain::ReadPasswordJob(keyringService(), this);
    job->setAutoDelete(true);
    job->setKey(service);
    connect(job, &QKeychain::Job::finished, this, [this, service, job] {
        if (job->error() == QKeychain::NoError) {
            emit loaded(service, fromJson(job->textData().toUtf8()));
            return;
        }
        if (job->error() != QKeychain::EntryNotFound)
            qCDebug(lcAccounts) << "keyring read failed:" << job->errorString();
        emit loaded(service, readFromFile(service));
    });
    job->start();
}

void AccountStore::save(const QString &service, const QVariantMap &account)
{
    if (!usesKeyring()) {
        emit saved(service, writeToFile(service, &account));
        return;
    }
    const QString text = QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(account)).toJson(QJsonDocument::Compact));
    auto *job = new QKeychain::WritePasswordJob(keyringService(), this);
    job->setAutoDelete(true);
    job->setKey(service);
    job->setTextData(text);
    connect(job, &QKeychain::Job::finished, this, [this, service, account, job] {
        if (job->error() == QKeychain::NoError) {
            writeToFile(service, nullptr); // the keyring holds it now
            emit saved(service, true);
            return;
        }
        qCDebug(lcAccounts) << "keyring write failed, keeping the account in the file:"
                            << job->errorString();
        emit saved(service, writeToFile(service, &account));
    });
    job->start();
}

void AccountStore::forget(const QString &service)
{
    const bool fileDone = writeToFile(service, nullptr);
    if (!usesKeyring()) {
        emit forgotten(service, fileDone);
        return;
    }
    auto *job = new QKeychain::DeletePasswordJob(keyringService(), this);
    job->setAutoDelete(true);
    job->setKey(service);
    connect(job, &QKeychain::Job::finished, this, [this, service, fileDone, job] {
        const bool keyringDone =
            job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound;
        if (!keyringDone)
            qCDebug(lcAccounts) << "keyring delete failed:" << job->errorString();
        emit forgotten(service, fileDone && keyringDone);
    });
    job->start();
}
