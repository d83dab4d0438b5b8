// The share screen's logic, run by Qt Quick Test with the real controller and
// signer published as "http" and "oauth", against the local test server.
#include "OAuthSigner.h"
#include "ZQCHttpController.h"
#include "sharingtesttools.h"

#include <QDir>
#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

class SharePageSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QDir::setCurrent(workDir.path()); // the status file lands here
        const QString picture = workDir.filePath("share.png");
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        image.save(picture, "PNG");
        const bool serverUp = server.start();

        QQmlContext *context = engine->rootContext();
        context->setContextProperty("http", &http);
        context->setContextProperty("oauth", &oauth);
        context->setContextProperty("testServer", serverUp ? server.url(QString()) : QString());
        context->setContextProperty("testPicture", picture);
        context->setContextProperty("testAccountsFile", workDir.filePath("sharing.ini"));
    }

private:
    QTemporaryDir workDir;
    TestServer server;
    ZQCHttpController http;
    OAuthSigner oauth;
};

QUICK_TEST_MAIN_WITH_SETUP(sharepage, SharePageSetup)
#include "tst_sharepage.moc"
