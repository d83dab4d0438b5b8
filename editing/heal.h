// Heal: a spot filled from a patch of its surroundings, so the texture goes
// on through it (a copy, never a blur), with the patch's colour matched to
// the spot's border and a soft edge.
//
// The patch is the one whose ring of context (radius to twice the radius)
// looks most like the spot's own ring, its mean colour set aside (that is
// corrected afterwards); the correction is a plane fitted to the colour
// difference over the ring, so a spot on a gradient gets the gradient.
#pragma once

#include <QImage>
#include <QPoint>

namespace heal {

struct Spot {
    int x = 0, y = 0;  // centre, in pixels
    int radius = 1;
};

// The fill covers the spot wholly and fades out to kEdge x radius.
constexpr double kEdge = 1.5;

// Whether the picture can take the spot: the centre inside it, a radius of
// at least 1 and room for a patch (sides of at least 4 radii + 1).
bool fits(QSize picture, const Spot &spot);
// The largest radius a picture of this size takes.
int largestRadius(QSize picture);

// The centre of the best patch for the spot, or (-1, -1) when there is none.
QPoint sourceFor(const QImage &picture, const Spot &spot);

// The fill's weight at squared distance d2 from the centre in 256ths: 256
// inside the spot, a smooth step down to 0 at kEdge x radius.
int edgeWeight(qint64 d2, int radius);

// The picture (Format_RGB32 or Format_ARGB32) with the spot healed; alpha is
// kept. Null when the spot does not fit or no patch is found.
QImage apply(const QImage &picture, const Spot &spot);

}  // namespace heal
