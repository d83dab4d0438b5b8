// Perspective: keystone correction. The photo is treated as a plane seen by
// a camera (focal length 1.5 x its long side) and turned about its
// horizontal axis (vertical) and its vertical axis (horizontal), which is a
// projective map, so straight lines stay straight. The turned photo is then
// cropped, as straighten crops, to the largest rectangle of its own
// proportions inside it, so no corner is empty.
#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>

#include <array>

namespace perspective {

// Output pixel (x, y) to source position: (X, Y, Z) = H (x, y, 1); the
// source pixel-centre position is (X / Z, Y / Z).
struct Mapping {
    QSize output;
    std::array<double, 9> h{};  // row by row
};

// Vertical > 0 widens the top (verticals that converge upwards, from a
// camera tilted up, come apart), horizontal > 0 widens the right side;
// degrees, -45..45 each. Null output for an empty picture.
Mapping mappingFor(QSize source, double vertical, double horizontal);
// The size the correction gives (the picture's own for 0, 0).
QSize croppedSize(QSize source, double vertical, double horizontal);

// Output pixel (x, y) (the plain form): the position through H, sampled
// bilinearly as straighten samples.
QRgb correctedPixel(const QImage &source, const Mapping &mapping, int x, int y);

// The corrected, cropped picture (Format_RGB32 or Format_ARGB32 in, the
// same out); 0, 0 gives the picture itself.
QImage apply(const QImage &picture, double vertical, double horizontal);

}  // namespace perspective
