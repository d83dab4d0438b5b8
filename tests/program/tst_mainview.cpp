// Start-up as the program runs it: the splash, the switch to the main document
// after three seconds, what is published to it, the seven connections to its
// root functions, and the teardown.
#include "MainView.h"
#include "OAuthSigner.h"
#include "ZQCHttpController.h"
#include "ZQDCommunication.h"
#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"
#include "testsupport.h"
#include "touchapplicationviewer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QStandardPaths>

namespace {

const char *kSplash = "import QtQuick\nRectangle { objectName: 'splash'; color: 'black' }\n";

// A main document that records which of its root functions ran, with what.
const char *kMain = "import QtQuick\n"
                    "import ZQDImageRect 1.0\n"
                    "import ZQDPaintImage 1.0\n"
                    "Item {\n"
                    "  objectName: 'main'\n"
                    "  property string picturesFolder\n"
                    "  property var calls: []\n"
                    "  property bool sawEverything: typeof communication === 'object' && typeof http === 'object'\n"
                    "      && typeof multitouch === 'object' && typeof nami === 'object' && typeof oauth === 'object'\n"
                    "  property var cell: ZQDImageRect {}\n"
                    "  property var photo: ZQDPaintImage {}\n"
                    "  function note(s) { var c = calls; c.push(s); calls = c }\n"
                    "  function sinaUpload(v) { note('sinaUpload ' + v) }\n"
                    "  function renrenUpload(v) { note('renrenUpload ' + v) }\n"
                    "  function httpError() { note('httpError') }\n"
                    "  function httpProgress(a, b) { note('httpProgress ' + a + ' ' + b) }\n"
                    "  function scaleChanged(v) { note('scaleChanged ' + v) }\n"
                    "  function pointChanged() { note('pointChanged ' + multitouch.touchPoints.length) }\n"
                    "  function rotateDegree(v) { note('rotateDegree ' + v) }\n"
                    "}\n";

// A main document without any of the root functions.
const char *kBareMain = "import QtQuick\nItem { objectName: 'main'; property string picturesFolder }\n";

void writeDocuments(const QString &folder, const char *main)
{
    QDir().mkpath(folder + "/qml/zeltanorvik");
    QFile splash(folder + "/qml/zeltanorvik/ShanpingImage.qml");
    QVERIFY(splash.open(QIODevice::WriteOnly));
    splash.write(kSplash);
    QFile mainFile(folder + "/qml/zeltanorvik/main.qml");
    QVERIFY(mainFile.open(QIODevice::WriteOnly));
    mainFile.write(main);
}

}  // namespace

class MainViewTest : public QObject
{
    Q_OBJECT

    QString previousDir;
    QTemporaryDir documents;

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        writeDocuments(documents.path(), kMain);
        QDir::setCurrent(documents.path());
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(previousDir);
    }

    void startUpAndWiring()
    {
        QPointer<MultiTouch> touch;
        QPointer<ZQDCommunication> communication;
        QPointer<ZQCHttpController> http;
        QPointer<OAuthSigner> oauth;
        {
            QElapsedTimer clock;
            clock.start();
            MainView mainView;
            TouchApplicationViewer *view = mainView.view();
            touch = mainView.multiTouch();
            communication = mainView.facade();
            http = mainView.httpController();
            oauth = mainView.oauthSigner();
            QVERIFY(touch && communication && http && oauth);

            // The splash: nothing published, nothing connected; on a desktop
            // platform a window of the phone's size rather than full screen.
            QCOMPARE(view->rootObject()->objectName(), QString("splash"));
            QVERIFY(!view->rootContext()->contextProperty("communication").isValid());
            QVERIFY(view->windowState() != Qt::WindowFullScreen);
            QCOMPARE(view->size(), QSize(480, 854));
            QCOMPARE(view->orientation(), QmlApplicationViewer::ScreenOrientationLockPortrait);
            QVERIFY(QTest::qWaitForWindowExposed(view));

            // Touches during the splash already reach the tracker.
            QSignalSpy points(touch.data(), &MultiTouch::touchPointsChanged);
            QPointingDevice *device = QTest::createTouchDevice();
            QTest::touchEvent(view, device).press(0, QPoint(10, 10));
            QTest::touchEvent(view, device).move(0, QPoint(20, 20));
            QTest::touchEvent(view, device).release(0, QPoint(20, 20));
            QCOMPARE(points.size(), 1);

            QTRY_COMPARE_WITH_TIMEOUT(view->rootObject()->objectName(), QString("main"), 6000);
            QVERIFY(clock.elapsed() >= MainView::kSplashMs - 50);
            QObject *root = view->rootObject();
            QVERIFY(root->property("sawEverything").toBool());
            QVERIFY(root->property("cell").value<QObject *>());
            QVERIFY(root->property("photo").value<QObject *>());
            // The Pictures folder only when there is one.
            const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            QCOMPARE(root->property("picturesFolder").toString().startsWith("file:///"), QFileInfo(pictures).isDir());
            QQmlContext *context = view->rootContext();
            QCOMPARE(context->contextProperty("multitouch").value<QObject *>(), touch.data());
            QCOMPARE(context->contextProperty("communication").value<QObject *>(), communication.data());
            QCOMPARE(context->contextProperty("http").value<QObject *>(), http.data());
            QCOMPARE(context->contextProperty("oauth").value<QObject *>(), oauth.data());
            QCOMPARE(context->contextProperty("nami").value<QObject *>(), mainView.cookieClearer());
            QCOMPARE(mainView.cookieClearer()->parent(), view);

            emit http->sinaUpload(QVariant("a"));
            emit http->renrenUpload(QVariant("b"));
            emit http->s_httpError();
            emit http->s_progress(QVariant(1), QVariant(2));
            emit touch->scaleFactor(QVariant(1.5f));
            emit touch->touchPointsChanged();
            emit touch->rotateDegree(QVariant(30));
            emit http->s_parseJson(3);  // connected to nothing
            QCOMPARE(root->property("calls").toStringList(),
                     (QStringList{"sinaUpload a", "renrenUpload b", "httpError", "httpProgress 1 2",
                                  "scaleChanged 1.5", "pointChanged 0", "rotateDegree 30"}));

            // The switch happens once.
            mainView.ShowMain();
            QCOMPARE(view->rootObject(), root);

            // Qt.quit() in a document closes the view.
            QVERIFY(view->isVisible());
            emit view->engine()->quit();
            QVERIFY(!view->isVisible());
        }
        QVERIFY(touch.isNull());
        QVERIFY(communication.isNull());
        QVERIFY(http.isNull());
        QVERIFY(oauth.isNull());
    }

    // Closing: the documents go before the objects they read, so no binding
    // is evaluated against a facade that is gone.
    void teardownLeavesTheDocumentsFirst()
    {
        QTemporaryDir reading;
        writeDocuments(reading.path(), "import QtQuick\nItem { objectName: 'main'; property string picturesFolder;"
                                       " readonly property string root: communication.getMeeGoRootDir() }\n");
        QDir::setCurrent(reading.path());
        {
            MainView mainView;
            mainView.ShowMain();
            QDir::setCurrent(documents.path());
            QVERIFY(!mainView.view()->rootObject()->property("root").toString().isEmpty());
            QTest::failOnWarning(QRegularExpression("TypeError"));
        }
    }

    // A main document without the root functions loads all the same; the
    // connections are simply not made.
    void mainDocumentWithoutTheFunctions()
    {
        QTemporaryDir bare;
        writeDocuments(bare.path(), kBareMain);
        QDir::setCurrent(bare.path());
        MainView mainView;
        mainView.ShowMain();
        QObject *root = mainView.view()->rootObject();
        QCOMPARE(root->objectName(), QString("main"));
        emit mainView.multiTouch()->scaleFactor(QVariant(2.0f));
        QVERIFY(mainView.view()->rootContext()->contextProperty("communication").isValid());
        QDir::setCurrent(documents.path());
    }

    // A main document with the root functions but no "picturesFolder" loads,
    // takes the splash's place and is wired like any other.
    void mainDocumentWithoutThePicturesFolder()
    {
        QTemporaryDir other;
        writeDocuments(other.path(), QByteArray(kMain).replace("  property string picturesFolder\n", "").constData());
        QDir::setCurrent(other.path());
        MainView mainView;
        QPointer<QQuickItem> splash = mainView.view()->rootObject();
        mainView.ShowMain();
        QDir::setCurrent(documents.path());
        QObject *root = mainView.view()->rootObject();
        QVERIFY(root);
        QCOMPARE(root->objectName(), QString("main"));
        QVERIFY(splash.isNull());
        QVERIFY(!root->property("picturesFolder").isValid());
        emit mainView.multiTouch()->rotateDegree(QVariant(45));
        QCOMPARE(root->property("calls").toStringList(), QStringList{"rotateDegree 45"});
    }
};

ZN_PROGRAM_TEST_MAIN(MainViewTest)
#include "tst_mainview.moc"
