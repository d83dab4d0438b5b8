// The QML facade: scaled decode and working copies, the working-file write,
// the operations that are not in this build, the fixed identity, and cache
// pictures of shown items.
#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "operationerror.h"
#include "testsupport.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

#include <limits>

using namespace testsupport;

namespace {

QString tempFolder()
{
    return workingFolder();
}

QStringList workingFiles()
{
    return QDir(tempFolder()).entryList(QDir::Files | QDir::Hidden);
}

}  // namespace

class FacadeTest : public QObject
{
    Q_OBJECT

    QString camera;  // a 3264 x 2448 JPEG

private slots:
    void initTestCase()
    {
        camera = writePicture(documentRoot() + "camera.jpg", positionPicture(3264, 2448), "JPEG");
    }

    void init()
    {
        ZQDCommunication communication;
        communication.clearTemporaryPic();
        QDir(documentRoot() + ".qvrkCache").removeRecursively();
    }

    void scaledDecode()
    {
        ZQDCommunication communication;
        QCOMPARE(communication.compressImage(camera, 0.5).size(), QSize(1632, 1224));
        QCOMPARE(communication.compressImage(camera).size(), QSize(3264, 2448));
        // trunc(3264 * 0.3) x trunc(2448 * 0.3) = 979 x 734, then the largest
        // 4:3 size inside it in whole pixels: 978 x 734.
        QCOMPARE(communication.compressImage(camera, 0.3).size(), QSize(978, 734));
        QCOMPARE(communication.compressImage("file://" + camera, 0.5).isNull(), true);
        QVERIFY(communication.compressImage(documentRoot() + "missing.jpg", 0.5).isNull());
        QVERIFY(communication.compressImage(camera, 0.0).isNull());
    }

    void workingCopyIsNamedAfterItsSource()
    {
        ZQDCommunication communication;
        const QString fromPath = communication.qualityImage(camera, 0.25);
        QCOMPARE(fromPath, tempFolder() + "camera_norvik.png");
        QCOMPARE(QImage(fromPath).size(), QSize(816, 612));
        const QString fromUrl = communication.qualityImage("file://" + camera, 0.5);
        QCOMPARE(fromUrl, fromPath);
        QCOMPARE(QImage(fromUrl).size(), QSize(1632, 1224));
        QCOMPARE(workingFiles(), QStringList{"camera_norvik.png"});

        // A step on the working file writes a second one, the stem twice.
        const QString next = communication.qualityImage(fromUrl, 0.5);
        QCOMPARE(next, tempFolder() + "camera_norvik_norvik.png");
        QCOMPARE(QImage(next).size(), QSize(816, 612));
    }

    // A failed step answers "" and leaves the previous working file as it was.
    void failedStepKeepsThePreviousFile()
    {
        ZQDCommunication communication;
        const QString first = communication.qualityImage(camera, 0.1);
        QVERIFY(QFileInfo::exists(first));
        const QByteArray before = testsupport::fileBytes(first);
        QCOMPARE(communication.qualityImage(camera, 0.0), QString());
        QCOMPARE(testsupport::fileBytes(first), before);
        QCOMPARE(communication.qualityImage(documentRoot() + "missing.jpg"), QString());
        QVERIFY(!QFileInfo::exists(tempFolder() + "missing_norvik.png"));
    }

    // A zoom that is not a finite positive number, or whose picture would be
    // more than 16384 pixels on a side (turned, for the rotate tool), is
    // refused before anything is decoded: no file, and the reason recorded.
    void zoomsBeyondTheCapAreRefused()
    {
        ZQDCommunication communication;
        const QString small = writePicture(documentRoot() + "small.png", positionPicture(100, 75));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        for (double zoom : {163.85, 1e6, 1e10, -1e10, nan, inf, -inf}) {
            OperationError::clear();
            QVERIFY(communication.compressImage(small, zoom).isNull());
            QVERIFY2(!OperationError::take().isEmpty(), qPrintable(QString::number(zoom)));
            QVERIFY(!QFileInfo::exists(communication.qualityImage(small, zoom)));
            QVERIFY(!OperationError::take().isEmpty());
            QVERIFY(!QFileInfo::exists(communication.revolvingImage(small, zoom, 0, false, false, true)));
            QVERIFY(!OperationError::take().isEmpty());
        }
        // 16000 x 12000 is within the cap, but not once turned by 45 degrees.
        QVERIFY(!QFileInfo::exists(communication.revolvingImage(small, 160, 45, false, false, true)));
        QVERIFY(OperationError::take().contains("16384"));
        QVERIFY(!QFileInfo::exists(communication.revolvingImage(small, 1.0, nan, false, false, true)));
        QVERIFY(!OperationError::take().isEmpty());
        // Ordinary zooms still work.
        QCOMPARE(communication.compressImage(small, 2.5).size(), QSize(249, 187));
        QCOMPARE(QImage(communication.revolvingImage(small, 2.0, 30, false, false, true)).size(), QSize(100, 75));
        QCOMPARE(OperationError::take(), QString());
    }

    void fixedIdentity()
    {
        ZQDCommunication communication;
        QCOMPARE(communication.getDeviceName(), QString("Nokia N8"));
        const QString imei = communication.getImei();
        QCOMPARE(imei.size(), 15);
        QVERIFY(std::all_of(imei.begin(), imei.end(), [](QChar c) { return c.isDigit(); }));
        QCOMPARE(communication.getMeeGoRootDir(), documentRoot());
        const QString t = communication.getCurrentTimeString();
        QCOMPARE(t.size(), 19);
        QCOMPARE(t.at(10), QChar(' '));
    }

    // What QML sees: 40 slots and 5 invokable methods, named as QML calls them.
    void qmlInterface()
    {
        const QMetaObject &meta = ZQDCommunication::staticMetaObject;
        int slotCount = 0;
        int methodCount = 0;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            if (m.access() != QMetaMethod::Public)
                continue;
            slotCount += m.methodType() == QMetaMethod::Slot;
            methodCount += m.methodType() == QMetaMethod::Method;
        }
        QCOMPARE(slotCount, 40);
        QCOMPARE(methodCount, 5);
        auto names = [&](const char *signature) {
            const int index = meta.indexOfMethod(signature);
            return index < 0 ? QList<QByteArray>{"missing"} : meta.method(index).parameterNames();
        };
        QCOMPARE(names("loadImage(QString,int)"), (QList<QByteArray>{"", ""}));
        QCOMPARE(names("framesimpleImage(QString,int)"), (QList<QByteArray>{"pathimage", "processid"}));
        QCOMPARE(names("cropPic(QString,int,int,int,int,int,int)"),
                 (QList<QByteArray>{"filename", "imsgeScreenWidth", "imageScreenHeight", "boxWidth", "boxHeight",
                                    "boxStartx", "boxStarty"}));
        QCOMPARE(names("turnPic(QObject*,QString,int,int)"),
                 (QList<QByteArray>{"imageObj", "filename", "boxWidth", "boxHeight"}));
    }
};

// Rendering shown items into cache and working files.
class ItemCaptureTest : public QObject
{
    Q_OBJECT

    QQuickView view;
    QQuickItem *box = nullptr;

private slots:
    void initTestCase()
    {
        view.setSource(QUrl("data:text/plain,"));  // an empty scene first
        QQmlComponent component(view.engine());
        component.setData("import QtQuick\n"
                          "Rectangle { width: 60; height: 40; color: '#ff0000'\n"
                          "  Rectangle { x: 40; width: 20; height: 20; color: '#0000ff' } }",
                          QUrl());
        box = qobject_cast<QQuickItem *>(component.create());
        QVERIFY2(box, qPrintable(component.errorString()));
        box->setParentItem(view.contentItem());
        view.resize(100, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    void cleanupTestCase()
    {
        delete box;
    }

    // Rendered once; a cache picture that exists is used as it stands, even
    // when the item has changed since.
    void cachePictureIsRenderedOnce()
    {
        ZQDCommunication communication;
        const QString source = documentRoot() + "shown.jpg";
        QCOMPARE(communication.isHaveSaveCacheImage(source), QString());
        const QString path = communication.saveCacheImage(source, box);
        QCOMPARE(path, documentRoot() + ".qvrkCache/shown_cache.png");
        QImage first(path);
        QCOMPARE(first.size(), QSize(60, 40));
        QVERIFY(first.hasAlphaChannel());
        QCOMPARE(first.pixelColor(5, 30), QColor(255, 0, 0));
        QCOMPARE(first.pixelColor(50, 10), QColor(0, 0, 255));  // children are part of the picture

        box->setProperty("color", QColor(0, 255, 0));
        QCOMPARE(communication.saveCacheImage("file://" + source, box), path);
        QCOMPARE(QImage(path).pixelColor(5, 30), QColor(255, 0, 0));
        QCOMPARE(communication.isHaveSaveCacheImage(source), path);
        box->setProperty("color", QColor(255, 0, 0));

        // The cache survives emptying the temporary folder.
        QVERIFY(communication.clearTemporaryPic());
        QCOMPARE(communication.isHaveSaveCacheImage(source), path);
    }

    void cacheOfSomethingElseThanAnItem()
    {
        ZQDCommunication communication;
        QObject notAnItem;
        QCOMPARE(communication.saveCacheImage(documentRoot() + "other.jpg", &notAnItem), QString());
        QCOMPARE(communication.saveCacheImage(documentRoot() + "other.jpg", nullptr), QString());
        QCOMPARE(communication.isHaveSaveCacheImage(documentRoot() + "other.jpg"), QString());
    }

    void itemOutOfSightIsNotRendered()
    {
        ZQDCommunication communication;
        QQuickItem loose;  // in no window
        loose.setSize(QSizeF(10, 10));
        QCOMPARE(communication.saveCacheImage(documentRoot() + "loose.jpg", &loose), QString());
        QVERIFY(!QFileInfo::exists(documentRoot() + ".qvrkCache/loose_cache.png"));
    }

    // The item over black, cut to the box; beyond the item the box is black.
    void renderIntoAWorkingFile()
    {
        ZQDCommunication communication;
        communication.clearTemporaryPic();
        const QString source = writePicture(documentRoot() + "render.png", positionPicture(10, 10));
        const QString path = communication.turnPic(box, source, 70, 30);
        QCOMPARE(path, workingFolder() + "render_norvik.png");
        const QImage out(path);
        QCOMPARE(out.size(), QSize(70, 30));
        QVERIFY(!out.hasAlphaChannel());
        QCOMPARE(out.pixelColor(5, 25), QColor(255, 0, 0));
        QCOMPARE(out.pixelColor(65, 5), QColor(0, 0, 0));
        // Rendered anew each time, like a crop.
        QCOMPARE(communication.turnPic(box, source, 10, 10), path);
        QCOMPARE(QImage(path).size(), QSize(10, 10));
        // The source must load, even though only the item is drawn.
        QCOMPARE(communication.turnPic(box, documentRoot() + "nothing.png", 10, 10), QString());
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir work;
    testsupport::documentRoot() = work.path() + QStringLiteral("/MyDocs/");
    qputenv("ZELTANORVIK_ROOT", testsupport::documentRoot().toUtf8());
    qputenv("XDG_RUNTIME_DIR", work.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FacadeTest facade;
    ItemCaptureTest capture;
    int failures = QTest::qExec(&facade, argc, argv);
    failures += QTest::qExec(&capture, argc, argv);
    return failures;
}
#include "tst_facade.moc"
