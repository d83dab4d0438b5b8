// Curves: the library's tone curve (SFCurve, a B-spline through the points)
// on the red, green and blue channels together or on one of them.
#pragma once

#include "curves.h"

#include <QImage>
#include <QString>

#include <array>
#include <vector>

namespace curvestool {

constexpr int kMostPoints = 16;

// "rgb", "red", "green" or "blue" as the library's channel (CHANNEL_COMPOSITE,
// CHANNEL_RED, ...); 0 for any other name.
int channelNamed(const QString &name);

// The points of "x,y x,y ...": whole numbers 0..255, 2 to kMostPoints of
// them, x increasing. Empty, with `why` said, when the text is not that.
std::vector<_POINT> pointsOf(const QString &text, QString *why);

// The curve's table; the identity exactly when every point lies on it
// (the spline's rounding would otherwise move some levels by one).
std::array<unsigned char, 256> tableOf(std::vector<_POINT> points);

// The picture (Format_RGB32 or Format_ARGB32) through the library's
// ApplyCurve with that table, in bands; alpha is kept. The identity curve
// gives the picture itself.
QImage apply(const QImage &picture, int channel, const std::vector<_POINT> &points);

}  // namespace curvestool
