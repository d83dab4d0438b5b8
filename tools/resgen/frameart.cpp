// The frames' drawing kit (see frameart.h).
#include "frameart.h"

#include <algorithm>
#include <cmath>

#include "art.h"

namespace resgen::frames {

Geometry make(int cw, int ch, int bh, int insetX, int insetTop, int insetBottom, int t, int s)
{
    Geometry g{cw, ch, bh, insetX, insetTop, insetBottom, t, s};
    // At least six tiles a side and the run about three corners long.
    g.nT = std::max(6, (3 * cw + t - 1) / t);
    g.nS = std::max(6, (3 * std::max(ch, bh) + s - 1) / s);
    g.nT += g.nT % 2;
    g.nS += g.nS % 2;
    return g;
}



std::vector<Edge> edges(const Geometry &g)
{
    const double W = g.width(), H = g.height();
    std::vector<Edge> e;
    e.push_back({0, W, double(g.cw), double(g.topBand()), QTransform()});
    e.push_back({1, H, double(g.ch), double(g.sideBand()), QTransform().translate(W, 0).rotate(90)});
    e.push_back({2, W, double(g.cw), double(g.bottomBand()), QTransform().translate(W, H).rotate(180)});
    e.push_back({3, H, double(g.bh), double(g.sideBand()), QTransform().translate(0, H).rotate(270)});
    return e;
}

// Calls f for every repeat k of an element that sits at along = start +
// k * period + offset, across the whole edge (corners included).
void repeatAlong(const Edge &e, double period, double offset, const std::function<void(double)> &f)
{
    const int k0 = static_cast<int>(std::floor(-e.start / period)) - 1;
    const int k1 = static_cast<int>(std::ceil((e.length - e.start) / period)) + 1;
    for (int k = k0; k <= k1; ++k)
        f(e.start + k * period + offset);
}

// The four corners as mirror images of the top-left one: f draws in a frame
// whose origin is the outer corner, x running along the top or bottom edge
// and y along the side, inwards; w, h are the corner's size.
void forEachCorner(QPainter &p, const Geometry &g, const std::function<void(QPainter &, int corner, double w, double h)> &f)
{
    const double W = g.width(), H = g.height();
    const QTransform t[4] = {QTransform(), QTransform(-1, 0, 0, 1, W, 0), QTransform(1, 0, 0, -1, 0, H),
                             QTransform(-1, 0, 0, -1, W, H)};
    for (int c = 0; c < 4; ++c) {
        p.save();
        p.setTransform(t[c]);
        f(p, c, g.cw, c < 2 ? g.ch : g.bh);
        p.restore();
    }
}

// f draws each edge in the edge's own frame (see Edge), top, right, bottom, left.
void forEachEdge(QPainter &p, const Geometry &g, const std::function<void(const Edge &)> &f)
{
    for (const Edge &e : edges(g)) {
        p.save();
        p.setTransform(e.toCanvas);
        f(e);
        p.restore();
    }
}

// Signed distance to a rounded rectangle: negative inside.
double roundedRectDistance(double x, double y, const QRectF &r, double radius)
{
    const double cx = r.center().x(), cy = r.center().y();
    const double qx = std::fabs(x - cx) - (r.width() / 2 - radius), qy = std::fabs(y - cy) - (r.height() / 2 - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
    return outside - radius;
}

// Blends colour (with alpha) over the canvas pixel by pixel; alpha(x, y) in 0..1.
void blendPixels(QImage &img, const QRectF &area, const QColor &colour, const std::function<double(double, double)> &alpha)
{
    const int x0 = std::max(0, static_cast<int>(std::floor(area.left())));
    const int y0 = std::max(0, static_cast<int>(std::floor(area.top())));
    const int x1 = std::min(img.width(), static_cast<int>(std::ceil(area.right())));
    const int y1 = std::min(img.height(), static_cast<int>(std::ceil(area.bottom())));
    for (int y = y0; y < y1; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = x0; x < x1; ++x) {
            const double a = clamp01(alpha(x + 0.5, y + 0.5)) * colour.alphaF();
            if (a <= 0)
                continue;
            // Premultiplied source-over.
            const QRgb d = line[x];
            auto ch = [&](int s, int dv) { return static_cast<int>(std::lround(s * a + dv * (1 - a))); };
            line[x] = qRgba(ch(colour.red(), qRed(d)), ch(colour.green(), qGreen(d)), ch(colour.blue(), qBlue(d)),
                            static_cast<int>(std::lround(255 * a + qAlpha(d) * (1 - a))));
        }
    }
}

// A soft shadow cast inwards over the photo from its edge (or from a rounded
// window of the given radius), darkest at the edge.
void innerShadow(QImage &img, const QRectF &window, double width, double strength, double radius)
{
    blendPixels(img, window, QColor(0, 0, 0), [&](double x, double y) {
        const double d = -roundedRectDistance(x, y, window, radius);  // depth inside
        if (d < 0)
            return 0.0;
        const double t = 1 - d / width;
        return t <= 0 ? 0.0 : strength * t * t;
    });
}

// Fills the canvas outside the photo (or outside a rounded window).
QPainterPath bandPath(const Geometry &g, double radius)
{
    QPainterPath hole = windingPath();
    hole.addRoundedRect(g.photo(), radius, radius);
    return rectPath(QRectF(0, 0, g.width(), g.height())).subtracted(hole);
}

void fillBand(QPainter &p, const Geometry &g, const QBrush &brush, double radius)
{
    p.fillPath(bandPath(g, radius), brush);
}

void plainPrint(QImage &img, const Geometry &g, const QColor &band, const QColor &outline, double shadowWidth,
                double shadowStrength)
{
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        fillBand(p, g, band);
        p.setPen(QPen(outline, 1));
        p.drawRect(QRectF(0.5, 0.5, g.width() - 1, g.height() - 1));
    }
    innerShadow(img, g.photo(), shadowWidth, shadowStrength);
}

QPainterPath alongEdges(const std::vector<Edge> &edges, double period, double offset,
                        const std::function<void(QPainterPath &, const Edge &, double)> &place)
{
    QPainterPath all = windingPath();
    for (const Edge &e : edges) {
        QPainterPath local = windingPath();
        repeatAlong(e, period, offset, [&](double a) { place(local, e, a); });
        all.addPath(e.toCanvas.map(local));
    }
    return all;
}

QPainterPath windingPath()
{
    QPainterPath p;
    p.setFillRule(Qt::WindingFill);
    return p;
}

QPainterPath rectPath(const QRectF &r)
{
    QPainterPath p = windingPath();
    p.addRect(r);
    return p;
}

QPen roundPen(const QColor &c, double width)
{
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPainterPath heartPath(double cx, double cy, double size)
{
    // Two arcs and a point, size = overall height.
    const double s = size / 2;
    QPainterPath path = windingPath();
    path.moveTo(cx, cy + s);
    path.cubicTo(cx - s * 1.3, cy + s * 0.1, cx - s * 1.0, cy - s * 1.05, cx, cy - s * 0.45);
    path.cubicTo(cx + s * 1.0, cy - s * 1.05, cx + s * 1.3, cy + s * 0.1, cx, cy + s);
    path.closeSubpath();
    return path;
}

}  // namespace resgen::frames
