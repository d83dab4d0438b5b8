// Shapes drawn into float planes and canvases: dots, strokes, bokeh discs,
// sparkles, snow crystals, hearts, stars and flowers. All coordinates are in
// pixels; everything is antialiased by coverage.
#pragma once

#include <vector>

#include "art.h"

namespace resgen {

struct Pt {
    double x = 0, y = 0;
};

// A filled disc of radius r (at least a faint pixel for tiny r).
void addDot(Plane &p, double cx, double cy, double r, float weight = 1);
// A polyline of the given width, round joins; coverage is maximised, so
// crossings do not double up.
void strokePolyline(Plane &p, const std::vector<Pt> &points, double width, float weight = 1);
// A smooth random curve of n points from a start point and heading.
std::vector<Pt> wanderingCurve(Rng &rng, double x, double y, double heading, double length, double bend, int n = 24);
// An out-of-focus light: a disc with a soft edge and a slightly brighter rim.
void addBokeh(Canvas &c, double cx, double cy, double r, const RGB &colour, double intensity);
// A star-burst glint: a small core glow and rays thin thin spikes.
void addSparkle(Canvas &c, double cx, double cy, double size, const RGB &colour, double intensity, int rays = 4,
                double angle = 0);
// A six-armed snow crystal of the given radius.
void addSnowCrystal(Plane &p, double cx, double cy, double radius, double angle, double width, float weight = 1);
// Filled polygon (non-zero winding) by 4 x 4 samples.
void fillPolygon(Plane &p, const std::vector<Pt> &poly, float weight = 1);
// Outline of a five-pointed (or n-pointed) star.
std::vector<Pt> starPolygon(double cx, double cy, double outer, double inner, int points, double angle);
// A heart of the given height, point down, turned by angle (radians).
void fillHeart(Plane &p, double cx, double cy, double size, double angle, float weight = 1);
// A flower: petals around a centre; coverage of petals and centre separately.
void fillFlower(Plane &petals, Plane &centre, double cx, double cy, double radius, int petalCount, double angle);

}  // namespace resgen
