// The share screen's logic, run by Qt Quick Test with the real controller and
// signer published as "http" and "oauth", against the local test server.
#include "OAuthSigner.h"
#include "ZQCHttpController.h"
#include "sharingtesttools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <memory>

class SharePageSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QCoreApplication::setOrganizationName(QStringLiteral("zn-test"));
        // The program's own folders, in the temporary folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(workDir.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(workDir.filePath("config")));
        http = std::make_unique<ZQCHttpController>();
        http->accounts()->setKeyringAllowed(false);
        http->setStallLimit(1500);
        const QString picture = workDir.filePath("share.png");
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        image.save(picture, "PNG");
        const bool serverUp = server.start();

        QQmlContext *context = engine->rootContext();
        context->setContextProperty("http", http.get());
        context->setContextProperty("oauth", &oauth);
        context->setContextProperty("testServer", serverUp ? server.url(QString()) : QString());
        context->setContextProperty("testPicture", picture);
        context->setContextProperty("testAccountsFile", http->accounts()->fallbackFile());
    }

private:
    QTemporaryDir workDir;
    TestServer server;
    std::unique_ptr<ZQCHttpController> http;
    OAuthSigner oauth;
};

QUICK_TEST_MAIN_WITH_SETUP(sharepage, SharePageSetup)
#include "tst_sharepage.moc"
