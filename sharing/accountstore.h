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
// the bus).
//
// A file that cannot be read whole (unreadable, larger than 1 MiB, not a JSON
// object) is never written over: it is renamed aside
// ("accounts.json.unreadable-<time>", the reason in the log), `problem` says
// so in words for the user, and the next save starts a new file. Every save
// writes the whole file anew (QSaveFile: a temporary file, flushed to the
// disk, renamed over the old one). Older versions kept the fields in plain text in the settings file;
// those entries are removed when the store is created.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class AccountStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool usesKeyring READ usesKeyring NOTIFY backendChanged)
    // What went wrong with the accounts file, for the share page; "" when nothing did.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)

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
    QString problem() const { return m_problem; }
    // The largest accounts file that is read.
    static constexpr qint64 kFileBytesMax = 1024 * 1024;

    // A secrets service (freedesktop Secret Service or KWallet) is registered
    // on the session bus.
    static bool keyringServiceRunning();

signals:
    void loaded(QString service, QVariantMap account);
    void saved(QString service, bool ok);
    void forgotten(QString service, bool ok);
    void backendChanged();
    void problemChanged();

private:
    QString keyringService() const;
    QVariantMap readFromFile(const QString &service);
    bool writeToFile(const QString &service, const QVariantMap *account);
    // Every account in the file ({} when there is none); false when the file
    // could not be read and could not be moved aside either.
    bool readAll(QVariantMap *all);
    bool setAside(const QString &path, const QString &reason);
    static void removeLegacySettings();

    enum class Keyring { Unknown, Used, NotUsed };
    mutable Keyring keyring = Keyring::Unknown;
    QString m_problem;
};
