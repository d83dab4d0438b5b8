// One cell of a collage layout, in the collage's own pixel space. The layout
// readers fill the engine's cell list with these; QML reads them back through
// the getters to draw the cells.
#pragma once

#include <QObject>

class ZQDImageRect : public QObject
{
    Q_OBJECT
public:
    explicit ZQDImageRect(QObject *parent = nullptr);
    ZQDImageRect(int x, int y, int width, int height, float rotateDegree, QObject *parent = nullptr);

    void set(int x, int y, int width, int height, float rotateDegree);

public slots:
    int getx();
    int gety();
    int getwidth();
    int getheight();
    float getDegree();

private:
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float rotateDegree = 0.0f;
};
