#include "ZQDPaintImage.h"

ZQDPaintImage::ZQDPaintImage(QObject *parent)
    : QObject(parent)
{
}

ZQDPaintImage::ZQDPaintImage(const QString &imagePath, float posx, float posy, float copywidth,
                             float copyheight, float copyx, float copyy, float degree, bool horizontal,
                             bool vertical, float scale, QObject *parent)
    : QObject(parent)
    , imagePath(imagePath)
    , posx(posx)
    , posy(posy)
    , copyx(copyx)
    , copyy(copyy)
    , copywidth(copywidth)
    , copyheight(copyheight)
    , scale(scale)
    , degree(degree)
    , horizontal(horizontal)
    , vertical(vertical)
{
}

QString ZQDPaintImage::getImagePath() { return imagePath; }
float ZQDPaintImage::getposx() { return posx; }
float ZQDPaintImage::getposy() { return posy; }
float ZQDPaintImage::getcopyx() { return copyx; }
float ZQDPaintImage::getcopyy() { return copyy; }
float ZQDPaintImage::getcopywidth() { return copywidth; }
float ZQDPaintImage::getcopyheight() { return copyheight; }
float ZQDPaintImage::getscale() { return scale; }
float ZQDPaintImage::getdegree() { return degree; }
int ZQDPaintImage::gethorizontal() { return horizontal; }
int ZQDPaintImage::getvertical() { return vertical; }
