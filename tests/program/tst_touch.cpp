// Multi-touch tracking driven by real touch events through the program's view:
// the point list, the pinch scale with its damping, clamp and accumulation,
// and what the items of the scene still get.
#include "multitouch.h"
#include "testsupport.h"
#include "touchapplicationviewer.h"

#include <QPointingDevice>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>

namespace {

// A scene with a mouse area (counting presses) under a touch area (counting
// touches that reach the items).
const char *kScene = "import QtQuick\n"
                     "Item { width: 480; height: 854\n"
                     "  property int mousePresses: 0\n"
                     "  property int itemTouches: 0\n"
                     "  MouseArea { anchors.fill: parent; onPressed: mousePresses++ }\n"
                     "  MultiPointTouchArea { anchors.fill: parent; mouseEnabled: false\n"
                     "    onPressed: (points) => itemTouches += points.length } }\n";

}  // namespace

class TouchTest : public QObject
{
    Q_OBJECT

    QPointingDevice *device = nullptr;
    QString scenePath;

    // Each case gets a fresh tracker, so nothing accumulated carries over.
    struct Rig {
        MultiTouch touch;
        TouchApplicationViewer view{&touch};
        QSignalSpy scales{&touch, &MultiTouch::scaleFactor};
        QList<QList<QPoint>> pointsSeen;
        explicit Rig(const QString &scene)
        {
            QObject::connect(&touch, &MultiTouch::touchPointsChanged, &touch, [this] {
                QQmlListProperty<TouchPoint> list = touch.touchPoints();
                QList<QPoint> points;
                for (qsizetype i = 0; i < list.count(&list); ++i)
                    points.append(QPoint(list.at(&list, i)->x(), list.at(&list, i)->y()));
                pointsSeen.append(points);
            });
            view.setMainQmlFile(scene);
            view.resize(480, 854);
            view.show();
        }
        float lastScale() const
        {
            const QVariant v = scales.last().at(0);
            return v.metaType() == QMetaType::fromType<float>() ? v.value<float>() : -1.0f;
        }
    };

    // Fingers 0 and 1 put down, moved or lifted together, one event a step.
    struct TwoFingers {
        QTest::QTouchEventSequence seq;
        void press(QPoint a, QPoint b) { seq.press(0, a).press(1, b).commit(); }
        void move(QPoint a, QPoint b) { seq.move(0, a).move(1, b).commit(); }
        void release(QPoint a, QPoint b) { seq.release(0, a).release(1, b).commit(); }
    };

private slots:
    void initTestCase()
    {
        device = QTest::createTouchDevice();
        scenePath = testsupport::documentRoot() + "scene.qml";
        QDir().mkpath(testsupport::documentRoot());
        QFile f(scenePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kScene);
    }

    void oneFingerMoving()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QTest::touchEvent(&rig.view, device).press(0, QPoint(100, 100));
        QVERIFY(rig.pointsSeen.isEmpty());  // a touch begin changes nothing
        QTest::touchEvent(&rig.view, device).move(0, QPoint(120, 130));
        QTest::touchEvent(&rig.view, device).move(0, QPoint(140, 160));
        QTest::touchEvent(&rig.view, device).release(0, QPoint(140, 160));
        QCOMPARE(rig.pointsSeen.size(), 2);
        QCOMPARE(rig.pointsSeen.at(0), QList<QPoint>{QPoint(120, 130)});
        QCOMPARE(rig.pointsSeen.at(1), QList<QPoint>{QPoint(140, 160)});
        QCOMPARE(rig.scales.size(), 0);
        // Between events the list is empty again.
        QQmlListProperty<TouchPoint> list = rig.touch.touchPoints();
        QCOMPARE(list.count(&list), 0);
    }

    void threeFingers()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QTest::QTouchEventSequence seq = QTest::touchEvent(&rig.view, device);
        seq.press(0, QPoint(100, 100)).press(1, QPoint(200, 100)).press(2, QPoint(150, 200)).commit();
        seq.move(0, QPoint(90, 90)).move(1, QPoint(210, 90)).move(2, QPoint(150, 220)).commit();
        seq.release(0, QPoint(90, 90)).release(1, QPoint(210, 90)).release(2, QPoint(150, 220)).commit();
        QCOMPARE(rig.pointsSeen.size(), 1);
        QCOMPARE(rig.pointsSeen.at(0), (QList<QPoint>{QPoint(90, 90), QPoint(210, 90), QPoint(150, 220)}));
        QCOMPARE(rig.scales.size(), 0);
    }

    // Spreading to twice the start distance reports 2 x 0.8.
    void spreadToTwice()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        TwoFingers fingers{QTest::touchEvent(&rig.view, device)};
        fingers.press(QPoint(200, 400), QPoint(300, 400));
        fingers.move(QPoint(150, 400), QPoint(350, 400));
        QCOMPARE(rig.scales.size(), 1);
        QCOMPARE(rig.lastScale(), 1.6f);
        QCOMPARE(rig.touch.accumulatedScale(), 1.0f);
        fingers.release(QPoint(150, 400), QPoint(350, 400));
    }

    void pinchToATenthIsClamped()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        TwoFingers fingers{QTest::touchEvent(&rig.view, device)};
        fingers.press(QPoint(100, 400), QPoint(300, 400));
        fingers.move(QPoint(190, 400), QPoint(210, 400));
        QCOMPARE(rig.lastScale(), 0.2f);
        fingers.move(QPoint(0, 400), QPoint(479, 400));
        QCOMPARE(rig.lastScale(), float(479.0f / 200.0f * 0.8f));
    }

    // Lifting a finger folds the ratio into the accumulated factor; the next
    // pinch builds on it, and the report stays within [0.2, 3.5] while the
    // factor itself does not.
    void liftingAFingerAccumulates()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        TwoFingers fingers{QTest::touchEvent(&rig.view, device)};
        fingers.press(QPoint(200, 400), QPoint(280, 400));
        fingers.move(QPoint(190, 400), QPoint(290, 400));  // 100 / 80 = 1.25
        QCOMPARE(rig.lastScale(), 1.0f);
        fingers.seq.release(1, QPoint(290, 400)).commit();
        QCOMPARE(rig.lastScale(), 1.0f);
        QCOMPARE(rig.touch.accumulatedScale(), 1.0f);
        fingers.seq.release(0, QPoint(190, 400)).commit();

        fingers.press(QPoint(200, 400), QPoint(240, 400));
        fingers.move(QPoint(100, 400), QPoint(340, 400));  // 240 / 40 = 6
        QCOMPARE(rig.lastScale(), 3.5f);
        fingers.release(QPoint(100, 400), QPoint(340, 400));
        QCOMPARE(rig.touch.accumulatedScale(), 4.8f);
        QCOMPARE(rig.lastScale(), 3.5f);
    }

    // Two fingers that came down on one spot have no ratio: nothing is
    // reported and nothing accumulated, while the points are still reported.
    void coincidentStartPoints()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        TwoFingers fingers{QTest::touchEvent(&rig.view, device)};
        fingers.press(QPoint(240, 400), QPoint(240, 400));
        fingers.move(QPoint(200, 400), QPoint(280, 400));
        fingers.release(QPoint(200, 400), QPoint(280, 400));
        QCOMPARE(rig.scales.size(), 0);
        QCOMPARE(rig.touch.accumulatedScale(), 1.0f);
        QCOMPARE(rig.pointsSeen.size(), 1);
    }

    // The tracker takes every touch; the items get the primary finger as a
    // mouse and never the touch itself.
    void itemsGetTheFingerAsAMouse()
    {
        Rig rig(scenePath);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QTest::touchEvent(&rig.view, device).press(0, QPoint(50, 50));
        QTest::touchEvent(&rig.view, device).move(0, QPoint(60, 60));
        QTest::touchEvent(&rig.view, device).release(0, QPoint(60, 60));
        QObject *root = rig.view.rootObject();
        QCOMPARE(root->property("itemTouches").toInt(), 0);
        QCOMPARE(root->property("mousePresses").toInt(), 1);
        QCOMPARE(rig.pointsSeen.size(), 1);
    }

    void withoutATrackerTouchGoesToTheItems()
    {
        TouchApplicationViewer view(nullptr);
        view.setMainQmlFile(scenePath);
        view.resize(480, 854);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::touchEvent(&view, device).press(0, QPoint(50, 50));
        QTest::touchEvent(&view, device).release(0, QPoint(50, 50));
        QCOMPARE(view.rootObject()->property("itemTouches").toInt(), 1);
    }

    void pointsFromQml()
    {
        MultiTouch touch;
        QQmlListProperty<TouchPoint> list = touch.touchPoints();
        TouchPoint p;
        QSignalSpy xs(&p, &TouchPoint::xChanged);
        p.set(3, 0);
        p.set(3, 4);
        QCOMPARE(xs.size(), 1);
        list.append(&list, &p);
        QCOMPARE(list.count(&list), 1);
        QCOMPARE(list.at(&list, 0), &p);
        QCOMPARE(list.at(&list, 5), nullptr);
        list.clear(&list);  // empties the list, the point stays alive
        QCOMPARE(list.count(&list), 0);
        QCOMPARE(p.y(), 4);
    }

    void orientation()
    {
        TouchApplicationViewer view(nullptr);
        QCOMPARE(view.orientation(), QmlApplicationViewer::ScreenOrientationLockPortrait);
        view.setOrientation(QmlApplicationViewer::ScreenOrientationLockLandscape);
        QCOMPARE(view.orientation(), QmlApplicationViewer::ScreenOrientationLockLandscape);
        view.setOrientation(QmlApplicationViewer::ScreenOrientation(5));
        QCOMPARE(view.orientation(), QmlApplicationViewer::ScreenOrientationAuto);
        QCOMPARE(view.contentOrientation(), Qt::PrimaryOrientation);
    }

    // Documents resolve against the working directory (this test program's
    // folder holds neither "opt" nor "bin" together); a document missing
    // there is looked for beside the program.
    void documentPaths()
    {
        const QString appDir = QCoreApplication::applicationDirPath();
        QVERIFY(!(appDir.contains("opt") && appDir.contains("bin")));
        const QString previous = QDir::currentPath();
        QTemporaryDir cwd;
        QDir::setCurrent(cwd.path());
        QDir().mkpath("qml/zeltanorvik");
        QFile f("qml/zeltanorvik/here.qml");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(QmlApplicationViewer::adjustPath("qml/zeltanorvik/here.qml"), QString("qml/zeltanorvik/here.qml"));
        const QString beside = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QCOMPARE(QmlApplicationViewer::adjustPath(beside), appDir + "/" + beside);
        QCOMPARE(QmlApplicationViewer::adjustPath("qml/nowhere.qml"), QString("qml/nowhere.qml"));
        QDir::setCurrent(previous);
    }
};

ZN_PROGRAM_TEST_MAIN(TouchTest)
#include "tst_touch.moc"
