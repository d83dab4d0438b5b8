// Selective: a control point that changes brightness, contrast and
// saturation around itself, fading with the distance (to nothing at 1.75 x
// its radius) and stronger on colours like the one under the point.
//
// Each pixel: its colour at full strength through one table (brightness as
// a gamma, then contrast about the middle grey) and the saturation mix, then
// mixed back over the original by the weight, distance weight x likeness
// weight, both in 256ths.
#pragma once

#include <QImage>
#include <QRgb>

#include <array>

namespace selective {

struct Point {
    int x = 0, y = 0;  // centre, in pixels
    int radius = 1;
    int brightness = 0, contrast = 0, saturation = 0;  // each -100..100

    bool neutral() const { return brightness == 0 && contrast == 0 && saturation == 0; }
};

constexpr double kReach = 1.75;  // nothing changes beyond kReach x radius

// The weight by the squared distance d2 from the point in 256ths: 256 at the
// point, (1 - d2 / (kReach r)^2)^2 on the way out, 0 from kReach x radius on.
int distanceWeight(qint64 d2, int radius);
// The weight by the squared colour distance (sum over R, G, B) from the
// point's colour in 256ths: 256 for the same colour, down to a fifth.
int likenessWeight(int colourDistance2);
// The colour under the point: the mean of a small square around it.
QRgb pointColour(const QImage &picture, const Point &point);
// The brightness and contrast table.
std::array<unsigned char, 256> toneTable(const Point &point);
// One pixel at full strength (brightness, contrast, then saturation).
QRgb adjusted(QRgb pixel, const std::array<unsigned char, 256> &table, int saturation);
// Pixel (x, y) of the result (the plain form): `reference` is pointColour().
QRgb selectivePixel(QRgb pixel, int x, int y, const Point &point, QRgb reference);

// The picture (Format_RGB32 or Format_ARGB32) with the point's change made;
// alpha is kept. Neutral amounts give the picture itself.
QImage apply(const QImage &picture, const Point &point);

}  // namespace selective
