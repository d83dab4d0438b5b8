#include "accountstore.h"

#include "sharingstate.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
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

QVariantMap AccountStore::readFromFile(const QString &service) const
{
    QFile file(fallbackFile());
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return QVariantMap();
    return fromJson(file.read(1024 * 1024)).value(service).toMap();
}

// Replaces (or with a null `account`, removes) one service's entry.
bool AccountStore::writeToFile(const QString &service, const QVariantMap *account) const
{
    const QString path = fallbackFile();
    if (path.isEmpty())
        return false;
    if (account && sharingStateFolder().isEmpty())
        return false;
    QVariantMap all;
    {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly))
            all = fromJson(old.read(1024 * 1024));
    }
    if (!account && !all.contains(service))
        return true;
    if (account)
        all.insert(service, *account);
    else
        all.remove(service);
    if (all.isEmpty())
        return !QFile::exists(path) || QFile::remove(path);

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
