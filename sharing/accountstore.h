// AccountStore: the sharing accounts the user chose to remember (reached from
// QML as http.accounts).
//
// Each service's account is one JSON object of its fields (address, keys,
// token, secrets). It is kept in the system keyring through QtKeychain when a
// keyring service runs on the session bus; otherwise, or when the keyring
// refuses, in accounts.json in the sharing state folder, a file only its owner
// may read (mode 0600, in a 0700 folder). An account lives in one place at a
// time: a save to the keyring removes it from the file.
//
//   load(service)            -> loaded(service, account)   ({} when none)
//   save(service, account)   -> saved(service, ok)
//   forget(service)          -> forgotten(service, ok)
//
// The signals may come at once (the file) or later (the keyring answers over
// the bus). Older versions kept the fields in plain text in the settings file;
// those entries are removed when the store is created.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class AccountStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool usesKeyring READ usesKeyring NOTIFY backendChanged)

public:
    explicit AccountStore(QObject *parent = nullptr);

    Q_INVOKABLE void load(const QString &service);
    Q_INVOKABLE void save(const QString &service, const QVariantMap &account);
    Q_INVOKABLE void forget(const QString &service);

    // The keyring is asked first (a keyring service was found on the bus and
    // the keyring was not turned off). The bus is asked on first use, not at
    // start-up.
    bool usesKeyring() const;
    // Keeps accounts in the file only (tests, or a keyring that misbehaves).
    void setKeyringAllowed(bool allowed);
    // The fallback file's path (its folder is made when an account is saved).
    QString fallbackFile() const;

    // A secrets service (freedesktop Secret Service or KWallet) is registered
    // on the session bus.
    static bool keyringServiceRunning();

signals:
    void loaded(QString service, QVariantMap account);
    void saved(QString service, bool ok);
    void forgotten(QString service, bool ok);
    void backendChanged();

private:
    QString keyringService() const;
    QVariantMap readFromFile(const QString &service) const;
    bool writeToFile(const QString &service, const QVariantMap *account) const;
    static void removeLegacySettings();

    enum class Keyring { Unknown, Used, NotUsed };
    mutable Keyring keyring = Keyring::Unknown;
};
