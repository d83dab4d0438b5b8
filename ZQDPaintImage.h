// One photo placed in a collage: where it goes (posx, posy), which part of it
// is used (copyx, copyy, copywidth, copyheight), and its turn, flips and scale.
// QML adds these through addPaintImage just before a collage is rendered.
#pragma once

#include <QObject>
#include <QString>

class ZQDPaintImage : public QObject
{
    Q_OBJECT
public:
    explicit ZQDPaintImage(QObject *parent = nullptr);
    ZQDPaintImage(const QString &imagePath, float posx, float posy, float copywidth, float copyheight,
                  float copyx, float copyy, float degree, bool horizontal, bool vertical, float scale,
                  QObject *parent = nullptr);

public slots:
    QString getImagePath();
    float getposx();
    float getposy();
    float getcopyx();
    float getcopyy();
    float getcopywidth();
    float getcopyheight();
    float getscale();
    float getdegree();
    int gethorizontal();
    int getvertical();

private:
    QString imagePath;
    float posx = 0.0f;
    float posy = 0.0f;
    float copyx = 0.0f;
    float copyy = 0.0f;
    float copywidth = 0.0f;
    float copyheight = 0.0f;
    float scale = 1.0f;
    float degree = 0.0f;
    bool horizontal = false;
    bool vertical = false;
};
