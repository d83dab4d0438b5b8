#include "multitouch.h"

#include "logging.h"

#include <QTouchEvent>

#include <cmath>

namespace {

// Nearest integer, halves away from zero.
int nearest(double v)
{
    return int(std::lround(v));
}

// Distance between two positions in single precision.
float distance(const QPointF &a, const QPointF &b)
{
    const float dx = float(a.x()) - float(b.x());
    const float dy = float(a.y()) - float(b.y());
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

TouchPoint::TouchPoint(QObject *parent)
    : QObject(parent)
{
}

void TouchPoint::setX(int x)
{
    if (m_x == x)
        return;
    m_x = x;
    emit xChanged();
}

void TouchPoint::setY(int y)
{
    if (m_y == y)
        return;
    m_y = y;
    emit yChanged();
}

void TouchPoint::set(int x, int y)
{
    setX(x);
    setY(y);
}

MultiTouch::MultiTouch(QObject *parent)
    : QObject(parent)
{
}

MultiTouch::~MultiTouch()
{
    clear();
}

void MultiTouch::clear()
{
    while (!m_touch.isEmpty())
        delete m_touch.takeFirst();
}

QQmlListProperty<TouchPoint> MultiTouch::touchPoints()
{
    return QQmlListProperty<TouchPoint>(this, &m_touch, &MultiTouch::appendPoint, &MultiTouch::countPoints,
                                        &MultiTouch::pointAt, &MultiTouch::clearPoints);
}

qsizetype MultiTouch::countPoints(QQmlListProperty<TouchPoint> *list)
{
    return static_cast<QList<TouchPoint *> *>(list->data)->size();
}

TouchPoint *MultiTouch::pointAt(QQmlListProperty<TouchPoint> *list, qsizetype index)
{
    auto *points = static_cast<QList<TouchPoint *> *>(list->data);
    return index >= 0 && index < points->size() ? points->at(index) : nullptr;
}

void MultiTouch::appendPoint(QQmlListProperty<TouchPoint> *list, TouchPoint *point)
{
    if (point)
        static_cast<QList<TouchPoint *> *>(list->data)->append(point);
}

void MultiTouch::clearPoints(QQmlListProperty<TouchPoint> *list)
{
    // A clear from QML empties the list; the points themselves stay alive.
    static_cast<QList<TouchPoint *> *>(list->data)->clear();
}

void MultiTouch::update(QTouchEvent &event)
{
    switch (event.type()) {
    case QEvent::TouchBegin:
        return;
    case QEvent::TouchUpdate: {
        const QList<QEventPoint> &points = event.points();
        while (m_touch.size() > points.size())
            delete m_touch.takeLast();
        for (qsizetype i = 0; i < points.size(); ++i) {
            const QPointF pos = points.at(i).position();
            const int x = nearest(pos.x());
            const int y = nearest(pos.y());
            if (i < m_touch.size()) {
                m_touch.at(i)->set(x, y);
            } else {
                auto *point = new TouchPoint;
                point->set(x, y);
                m_touch.append(point);
            }
        }
        emit touchPointsChanged();
        clear();
        evaluatePinch(event);
        return;
    }
    case QEvent::TouchEnd:
        clear();
        evaluatePinch(event);
        return;
    default:
        return;
    }
}

void MultiTouch::evaluatePinch(const QTouchEvent &event)
{
    const QList<QEventPoint> &points = event.points();
    if (points.size() != 2)
        return;
    const QEventPoint &first = points.first();
    const QEventPoint &last = points.last();
    const float startDistance = distance(first.pressPosition(), last.pressPosition());
    if (!(startDistance > 0.0f)) {
        // Two fingers that came down on the same spot have no ratio yet.
        qCDebug(lcTouch) << "pinch with coincident start points ignored";
        return;
    }
    float current = distance(first.position(), last.position()) / startDistance;
    if (current > 1.0f)
        current = current * kZoomInDamping;
    if (event.touchPointStates() & QEventPoint::State::Released) {
        totalScaleFactor = totalScaleFactor * current;
        current = 1.0f;
    }
    float value = current * totalScaleFactor;
    if (value < kMinScale)
        value = kMinScale;
    if (value > kMaxScale)
        value = kMaxScale;
    emit scaleFactor(QVariant::fromValue(value));
}
