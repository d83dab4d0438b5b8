#include "touchapplicationviewer.h"

#include "multitouch.h"
#include "networkaccessmanagerinteractor.h"

#include <QQmlEngine>
#include <QTouchEvent>

TouchApplicationViewer::TouchApplicationViewer(MultiTouch *touch, QWindow *parent)
    : QmlApplicationViewer(parent)
    , m_touch(touch)
{
    // Every request QML makes by itself shares one cookie jar, so that
    // "nami" can clear them all; this has to be in place before any document loads.
    engine()->setNetworkAccessManagerFactory(SharedJarNetworkAccessManagerFactory::instance());
    qmlRegisterType<TouchPoint>("Multitouch", 1, 0, "TouchPoint");
    setOrientation(ScreenOrientationLockPortrait);
}

bool TouchApplicationViewer::event(QEvent *event)
{
    if (m_touch) {
        switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            m_touch->update(*static_cast<QTouchEvent *>(event));
            // Taken by the tracker, but left unaccepted so that the platform
            // turns the primary finger into mouse events for the items (the
            // phone delivered both to every window).
            event->ignore();
            return true;
        default:
            break;
        }
    }
    return QmlApplicationViewer::event(event);
}
