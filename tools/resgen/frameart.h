// The drawing kit of the simple frames: the canvas geometry a frame is
// drawn on, its edges and corners in frames of their own, and the painting
// helpers the designs share (frames.cpp tells how a canvas becomes a frame
// file). The designs themselves are in framedesigns_plain.cpp and
// framedesigns_ornate.cpp.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <functional>
#include <vector>

namespace resgen::frames {

struct Geometry {
    int cw, ch, bh;                    // corner width, top and bottom corner heights
    int insetX, insetTop, insetBottom; // how far the corners lie over the photo
    int t, s;                          // top/bottom tile width, side tile height
    int nT = 0, nS = 0;                // tiles a side on the drawing canvas

    int width() const { return 2 * cw + nT * t; }
    int height() const { return ch + bh + nS * s; }
    int sideBand() const { return cw - insetX; }
    int topBand() const { return ch - insetTop; }
    int bottomBand() const { return bh - insetBottom; }
    // Where the photo lies on the canvas.
    QRectF photo() const
    {
        return QRectF(sideBand(), topBand(), width() - 2 * sideBand(), height() - topBand() - bottomBand());
    }
};

// The four edges in a frame of their own: along runs the edge's length
// (clockwise: top left to right, right top to bottom, bottom right to left,
// left bottom to top), across runs inwards from the outer edge. start is
// where the edge's first tile begins, band how thick the edge is outside the
// photo.
struct Edge {
    int index;       // 0 top, 1 right, 2 bottom, 3 left
    double length;
    double start;
    double band;
    QTransform toCanvas;
};

// A canvas for the given corners, insets and tiles, with an even number of
// tiles a side (at least six, and about three corners long).
Geometry make(int cw, int ch, int bh, int insetX, int insetTop, int insetBottom, int t, int s);

// The canvas's four edges, top, right, bottom, left.
std::vector<Edge> edges(const Geometry &g);

// Calls f for every repeat k of an element that sits at along = start +
// k * period + offset, across the whole edge (corners included).
void repeatAlong(const Edge &e, double period, double offset, const std::function<void(double)> &f);

// The four corners as mirror images of the top-left one: f draws in a frame
// whose origin is the outer corner, x running along the top or bottom edge
// and y along the side, inwards; w, h are the corner's size.
void forEachCorner(QPainter &p, const Geometry &g, const std::function<void(QPainter &, int corner, double w, double h)> &f);

// f draws each edge in the edge's own frame (see Edge), top, right, bottom, left.
void forEachEdge(QPainter &p, const Geometry &g, const std::function<void(const Edge &)> &f);

// Signed distance to a rounded rectangle: negative inside.
double roundedRectDistance(double x, double y, const QRectF &r, double radius);

// Blends colour (with alpha) over the canvas pixel by pixel; alpha(x, y) in 0..1.
void blendPixels(QImage &img, const QRectF &area, const QColor &colour, const std::function<double(double, double)> &alpha);

// A soft shadow cast inwards over the photo from its edge (or from a rounded
// window of the given radius), darkest at the edge.
void innerShadow(QImage &img, const QRectF &window, double width, double strength, double radius = 0);

// The canvas outside the photo (or outside a rounded window) as a non-zero-winding path.
QPainterPath bandPath(const Geometry &g, double radius = 0);

// Fills the canvas outside the photo (or outside a rounded window).
void fillBand(QPainter &p, const Geometry &g, const QBrush &brush, double radius = 0);

// A plain print: the band filled, a one-pixel outline round the canvas and a
// soft shadow of the given width and strength over the photo's edge.
void plainPrint(QImage &img, const Geometry &g, const QColor &band, const QColor &outline, double shadowWidth,
                double shadowStrength);

// Shapes repeated along every edge as repeatAlong places them, gathered on the
// canvas: place(local, e, along) adds one to local, in the edge's frame, or skips it.
QPainterPath alongEdges(const std::vector<Edge> &edges, double period, double offset,
                        const std::function<void(QPainterPath &, const Edge &, double)> &place);

// An empty path that fills by the non-zero winding rule, so that the shapes
// added to it unite instead of cutting holes where they overlap.
QPainterPath windingPath();

// A rectangle as a non-zero-winding path, ready to unite or subtract.
QPainterPath rectPath(const QRectF &r);

// A pen with round caps and joins.
QPen roundPen(const QColor &c, double width);

// A heart of the given overall height, point down, centred on (cx, cy).
QPainterPath heartPath(double cx, double cy, double size);

// ---------------------------------------------------------------- designs
// Each draws its whole frame on the canvas, the photo's area left clear.
void drawWhite(QImage &img, const Geometry &g);
void drawPolkaDots(QImage &img, const Geometry &g);
void drawFilmStrip(QImage &img, const Geometry &g);
void drawNegative(QImage &img, const Geometry &g);
void drawPinkMood(QImage &img, const Geometry &g);
void drawVintage(QImage &img, const Geometry &g);
void drawBlack(QImage &img, const Geometry &g);
void drawTape(QImage &img, const Geometry &g);
void drawClassic(QImage &img, const Geometry &g);
void drawScallops(QImage &img, const Geometry &g);
void drawLace(QImage &img, const Geometry &g);
void drawCamcorder(QImage &img, const Geometry &g);
void drawInstant(QImage &img, const Geometry &g);
void drawStamp(QImage &img, const Geometry &g);

}  // namespace resgen::frames
