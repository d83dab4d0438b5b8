// Cookies of the QML engine's own network access (images, XMLHttpRequest).
//
// Qt Quick hands different kinds of request to different network access
// managers, some on loader threads. So that every cookie QML collects can be
// dropped at once, the view installs one factory whose managers all share one
// thread-safe cookie jar; clearCookies() empties that jar. The sharing
// controller's own manager keeps its cookies.
#pragma once

#include <QRecursiveMutex>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QObject>
#include <QQmlNetworkAccessManagerFactory>

class QQmlEngine;

// A cookie jar that several managers on several threads may use at once.
class SharedCookieJar : public QNetworkCookieJar
{
    Q_OBJECT
public:
    explicit SharedCookieJar(QObject *parent = nullptr);

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool updateCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // Every cookie held, and dropping them all.
    QList<QNetworkCookie> cookies() const;
    void clear();

private:
    // Recursive: the base class's setCookiesFromUrl calls insertCookie and updateCookie.
    mutable QRecursiveMutex mutex;
};

// Makes the QML engine's managers, every one over the same jar. One factory
// serves the whole process and outlives every engine that uses it.
class SharedJarNetworkAccessManagerFactory : public QQmlNetworkAccessManagerFactory
{
public:
    static SharedJarNetworkAccessManagerFactory *instance();

    QNetworkAccessManager *create(QObject *parent) override;
    SharedCookieJar *jar() { return &m_jar; }

private:
    SharedJarNetworkAccessManagerFactory() = default;
    SharedCookieJar m_jar;
};

class NetworkAccessManagerInteractor : public QObject
{
    Q_OBJECT
public:
    NetworkAccessManagerInteractor(QQmlEngine *declarativeEngine, QObject *parent = nullptr);

public slots:
    void clearCookies();

private:
    QQmlEngine *m_declarativeEngine;
};
