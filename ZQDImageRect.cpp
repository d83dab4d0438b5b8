#include "ZQDImageRect.h"

ZQDImageRect::ZQDImageRect(QObject *parent)
    : QObject(parent)
{
}

ZQDImageRect::ZQDImageRect(int x, int y, int width, int height, float rotateDegree, QObject *parent)
    : QObject(parent)
{
    set(x, y, width, height, rotateDegree);
}

void ZQDImageRect::set(int x, int y, int width, int height, float rotateDegree)
{
    this->x = x;
    this->y = y;
    this->width = width;
    this->height = height;
    this->rotateDegree = rotateDegree;
}

int ZQDImageRect::getx() { return x; }
int ZQDImageRect::gety() { return y; }
int ZQDImageRect::getwidth() { return width; }
int ZQDImageRect::getheight() { return height; }
float ZQDImageRect::getDegree() { return rotateDegree; }
