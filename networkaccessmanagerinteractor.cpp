#include "networkaccessmanagerinteractor.h"

#include "logging.h"

#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QQmlEngine>

SharedCookieJar::SharedCookieJar(QObject *parent)
    : QNetworkCookieJar(parent)
{
}

QList<QNetworkCookie> SharedCookieJar::cookiesForUrl(const QUrl &url) const
{
    QMutexLocker lock(&mutex);
    return QNetworkCookieJar::cookiesForUrl(url);
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    QMutexLocker lock(&mutex);
    return QNetworkCookieJar::setCookiesFromUrl(cookieList, url);
}

bool SharedCookieJar::insertCookie(const QNetworkCookie &cookie)
{
    QMutexLocker lock(&mutex);
    return QNetworkCookieJar::insertCookie(cookie);
}

bool SharedCookieJar::updateCookie(const QNetworkCookie &cookie)
{
    QMutexLocker lock(&mutex);
    return QNetworkCookieJar::updateCookie(cookie);
}

bool SharedCookieJar::deleteCookie(const QNetworkCookie &cookie)
{
    QMutexLocker lock(&mutex);
    return QNetworkCookieJar::deleteCookie(cookie);
}

QList<QNetworkCookie> SharedCookieJar::cookies() const
{
    QMutexLocker lock(&mutex);
    return allCookies();
}

void SharedCookieJar::clear()
{
    QMutexLocker lock(&mutex);
    setAllCookies({});
}

SharedJarNetworkAccessManagerFactory *SharedJarNetworkAccessManagerFactory::instance()
{
    // Deliberately never destroyed: engines and their loader threads may ask
    // for managers until the very end of the process.
    static auto *factory = new SharedJarNetworkAccessManagerFactory;
    return factory;
}

QNetworkAccessManager *SharedJarNetworkAccessManagerFactory::create(QObject *parent)
{
    auto *manager = new QNetworkAccessManager(parent);
    manager->setCookieJar(&m_jar);
    // A manager on the jar's own thread adopts the jar as its child; the jar
    // belongs to the factory, not to any one manager.
    if (m_jar.parent() == manager)
        m_jar.setParent(nullptr);
    return manager;
}

NetworkAccessManagerInteractor::NetworkAccessManagerInteractor(QQmlEngine *declarativeEngine, QObject *parent)
    : QObject(parent)
    , m_declarativeEngine(declarativeEngine)
{
}

void NetworkAccessManagerInteractor::clearCookies()
{
    QNetworkAccessManager *manager = m_declarativeEngine ? m_declarativeEngine->networkAccessManager() : nullptr;
    if (!manager) {
        qCDebug(lcNetwork) << "Unable to retrieve Network Access Manager from declarative engine";
        return;
    }
    if (auto *factory = dynamic_cast<SharedJarNetworkAccessManagerFactory *>(
            m_declarativeEngine->networkAccessManagerFactory())) {
        // All of the engine's managers share this jar: emptying it drops every
        // cookie QML has collected, whichever manager collected it.
        factory->jar()->clear();
    } else {
        manager->setCookieJar(new QNetworkCookieJar);
    }
    qCDebug(lcNetwork) << "Replaced cookie jar";
}
