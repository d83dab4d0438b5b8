// Multi-touch tracking for QML: the current finger positions as TouchPoint
// objects (the list property "touchPoints") and a two-finger pinch scale.
//
// Every touch update replaces the point list, announces it with
// touchPointsChanged() and empties it again; with two fingers it also reports
// the pinch as scaleFactor(v): the ratio of the fingers' distance now to their
// distance where they first touched (damped by 0.8 when zooming in), times the
// factor accumulated by earlier pinches, within [0.2, 3.5]. Lifting a finger
// folds the current ratio into the accumulated factor.
#pragma once

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QVariant>

class QTouchEvent;

class TouchPoint : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int x READ x WRITE setX NOTIFY xChanged)
    Q_PROPERTY(int y READ y WRITE setY NOTIFY yChanged)
public:
    explicit TouchPoint(QObject *parent = nullptr);

    int x() const { return m_x; }
    int y() const { return m_y; }

signals:
    void xChanged();
    void yChanged();

public slots:
    void setX(int x);
    void setY(int y);
    void set(int x, int y);

private:
    int m_x = 0;
    int m_y = 0;
};

class MultiTouch : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<TouchPoint> touchPoints READ touchPoints NOTIFY touchPointsChanged)
public:
    static constexpr float kMinScale = 0.2f;
    static constexpr float kMaxScale = 3.5f;
    static constexpr float kZoomInDamping = 0.8f;

    explicit MultiTouch(QObject *parent = nullptr);
    ~MultiTouch() override;

    void update(QTouchEvent &event);
    void clear();
    QQmlListProperty<TouchPoint> touchPoints();

    // The scale folded in by finished pinches (starts at 1, never clamped).
    float accumulatedScale() const { return totalScaleFactor; }

signals:
    void touchPointsChanged();
    void scaleFactor(QVariant);
    void rotateDegree(QVariant);

private:
    void evaluatePinch(const QTouchEvent &event);

    static qsizetype countPoints(QQmlListProperty<TouchPoint> *list);
    static TouchPoint *pointAt(QQmlListProperty<TouchPoint> *list, qsizetype index);
    static void appendPoint(QQmlListProperty<TouchPoint> *list, TouchPoint *point);
    static void clearPoints(QQmlListProperty<TouchPoint> *list);

    QList<TouchPoint *> m_touch;
    float totalScaleFactor = 1.0f;
};
