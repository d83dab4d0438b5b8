// The fourteen simple frames (ini/*.qvrbk).
//
// A frame file holds four corners and four edge tiles; the frame compositor
// lays the corners at the photo's corners, repeats the tiles between them and
// lets every piece overlap the photo by its inset. Each frame here is drawn
// whole on a canvas of two corners and a run of tiles a side, with every
// repeating element placed at a whole number of tiles from the corners, and
// then cut into its eight pieces, so the pieces join without seams however
// many tiles a photo needs.
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

#include "art.h"
#include "formats/framefile.h"
#include "glyphs.h"
#include "jobs.h"

namespace resgen {
namespace {

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
void innerShadow(QImage &img, const QRectF &window, double width, double strength, double radius = 0)
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
void fillBand(QPainter &p, const Geometry &g, const QBrush &brush, double radius = 0)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRect(QRectF(0, 0, g.width(), g.height()));
    QPainterPath hole;
    hole.setFillRule(Qt::WindingFill);
    hole.addRoundedRect(g.photo(), radius, radius);
    p.fillPath(path.subtracted(hole), brush);
}

QPainterPath rectPath(const QRectF &r)
{
    QPainterPath p;
    p.setFillRule(Qt::WindingFill);
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
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.moveTo(cx, cy + s);
    path.cubicTo(cx - s * 1.3, cy + s * 0.1, cx - s * 1.0, cy - s * 1.05, cx, cy - s * 0.45);
    path.cubicTo(cx + s * 1.0, cy - s * 1.05, cx + s * 1.3, cy + s * 0.1, cx, cy + s);
    path.closeSubpath();
    return path;
}

// ---------------------------------------------------------------- designs

// 1701 White: a plain white border with a thin shadow line on the photo.
void drawWhite(QImage &img, const Geometry &g)
{
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        fillBand(p, g, QColor(0xFC, 0xFC, 0xFA));
        p.setPen(QPen(QColor(0xE4, 0xE4, 0xE0), 1));
        p.drawRect(QRectF(0.5, 0.5, g.width() - 1, g.height() - 1));
    }
    innerShadow(img, g.photo(), 7, 0.30);
    innerShadow(img, g.photo(), 1.2, 0.35);
}

// 1702 Polka dots: coloured dots on a light border.
void drawPolkaDots(QImage &img, const Geometry &g)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, g, QColor(0xFF, 0xF6, 0xEA));
    const QColor pink(0xF2, 0x7A, 0x9A), teal(0x3F, 0xB8, 0xAF), yellow(0xF6, 0xC4, 0x45), coral(0xFF, 0x8C, 0x69);
    forEachEdge(p, g, [&](const Edge &e) {
        p.setPen(Qt::NoPen);
        const double t = g.t;
        repeatAlong(e, t, t / 2, [&](double a) {
            if (a < e.band || a > e.length - e.band)
                return;
            p.setBrush(pink);
            p.drawEllipse(QPointF(a, e.band / 2), 10, 10);
        });
        repeatAlong(e, t, 0, [&](double a) {
            if (a < e.band + 8 || a > e.length - e.band - 8)
                return;
            p.setBrush(teal);
            p.drawEllipse(QPointF(a, e.band * 0.26), 5, 5);
            p.setBrush(yellow);
            p.drawEllipse(QPointF(a, e.band * 0.74), 5, 5);
        });
    });
    forEachCorner(p, g, [&](QPainter &q, int, double, double) {
        const double b = g.sideBand();
        q.setPen(QPen(Qt::white, 3));
        q.setBrush(coral);
        q.drawEllipse(QPointF(b / 2, b / 2), 14, 14);
    });
    p.setPen(QPen(Qt::white, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(g.photo().adjusted(-1, -1, 1, 1));
    p.end();
    innerShadow(img, g.photo(), 6, 0.25);
}

// A strip's shading: edge at the top and bottom of the canvas, middle half way.
QLinearGradient stripShade(const Geometry &g, const QColor &edge, const QColor &middle)
{
    QLinearGradient grad(0, 0, 0, g.height());
    grad.setColorAt(0, edge);
    grad.setColorAt(0.5, middle);
    grad.setColorAt(1, edge);
    return grad;
}

// The sprocket-hole strip shared by the film strip and the negative: the
// band colour, holes near the outer edge of the top and bottom bands and a
// window with slightly rounded corners.
void drawStrip(QImage &img, const Geometry &g, const QBrush &band, const QColor &hole)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, g, band, 6);
    forEachEdge(p, g, [&](const Edge &e) {
        if (e.index % 2 == 1)
            return;  // the sides have no holes
        p.setPen(Qt::NoPen);
        p.setBrush(hole);
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a - 12 < 0 || a + 12 > e.length)
                return;
            p.drawRoundedRect(QRectF(a - 11, 9, 22, 17), 3.5, 3.5);
        });
    });
}

// 1703 Film strip: a black strip with sprocket holes top and bottom.
void drawFilmStrip(QImage &img, const Geometry &g)
{
    drawStrip(img, g, stripShade(g, QColor(0x22, 0x22, 0x22), QColor(0x10, 0x10, 0x10)), QColor(0xEE, 0xEC, 0xE4));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Faint edge marks between the holes and the picture.
    forEachEdge(p, g, [&](const Edge &e) {
        if (e.index % 2 == 1)
            return;
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.2));
        repeatAlong(e, g.t, 4, [&](double a) {
            if (a < 20 || a > e.length - 20)
                return;
            p.drawLine(QPointF(a, 36), QPointF(a + 5, 36));
        });
    });
}

// 1704 Negative: an orange-brown negative strip with frame numbers.
void drawNegative(QImage &img, const Geometry &g)
{
    drawStrip(img, g, stripShade(g, QColor(0xC4, 0x72, 0x32), QColor(0xA9, 0x5B, 0x27)), QColor(0xF4, 0xEC, 0xDE));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor print(0xFF, 0xD0, 0x6E);
    // Key marks: small triangles between the numbers.
    forEachEdge(p, g, [&](const Edge &e) {
        if (e.index % 2 == 1)
            return;
        p.setPen(Qt::NoPen);
        p.setBrush(print);
        repeatAlong(e, g.t, 0, [&](double a) {
            if (a < g.cw - 2 || a > e.length - g.cw + 2)
                return;
            QPolygonF tri;
            tri << QPointF(a - 2.5, 41) << QPointF(a + 2.5, 44) << QPointF(a - 2.5, 47);
            p.drawPolygon(tri);
        });
    });
    p.setPen(roundPen(print, 1.5));
    p.setBrush(Qt::NoBrush);
    const double W = g.width(), H = g.height();
    p.drawPath(strokeText("23", 20, 57, 9));
    p.drawPath(strokeText("23A", W - 20 - strokeTextWidth("23A", 9), 57, 9));
    p.drawPath(strokeText("24", 20, H - 48, 9));
    p.drawPath(strokeText("24A", W - 20 - strokeTextWidth("24A", 9), H - 48, 9));
}

// 1705 Pink mood: a pink border with small hearts and a stitched line.
void drawPinkMood(QImage &img, const Geometry &g)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, g, QColor(0xF8, 0xB4, 0xCA));
    const QColor white(0xFF, 0xFF, 0xFF), hot(0xEC, 0x40, 0x7A);
    forEachEdge(p, g, [&](const Edge &e) {
        // A lighter outer half.
        p.fillRect(QRectF(0, 0, e.length, e.band * 0.45), QColor(0xFB, 0xCD, 0xDB));
        p.setPen(Qt::NoPen);
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a < e.band || a > e.length - e.band)
                return;
            p.setBrush(white);
            p.drawPath(heartPath(a, e.band * 0.42, 14));
        });
        repeatAlong(e, g.t, 0, [&](double a) {
            if (a < e.band + 6 || a > e.length - e.band - 6)
                return;
            p.setBrush(hot);
            p.drawPath(heartPath(a, e.band * 0.68, 8));
        });
        // Stitches: short dashes at a whole fraction of the tile.
        p.setPen(roundPen(white, 1.8));
        const double dash = g.t / 4.0;
        repeatAlong(e, dash, 0, [&](double a) {
            if (a < e.band - 6 || a + dash * 0.5 > e.length - e.band + 6)
                return;
            p.drawLine(QPointF(a, e.band - 6), QPointF(a + dash * 0.5, e.band - 6));
        });
    });
    forEachCorner(p, g, [&](QPainter &q, int, double, double) {
        const double b = g.sideBand();
        q.setPen(Qt::NoPen);
        q.setBrush(QColor(0xFF, 0xFF, 0xFF, 110));
        q.drawEllipse(QPointF(b * 0.45, b * 0.45), 16, 16);
        q.setBrush(hot);
        q.drawPath(heartPath(b * 0.45, b * 0.47, 20));
    });
    p.end();
    innerShadow(img, g.photo(), 5, 0.22);
}

// 1706 Vintage: an ornate dark-gold moulding with beads and corner rosettes,
// mitred at the corners and lit from the top left.
void drawVintage(QImage &img, const Geometry &g)
{
    const int W = g.width(), H = g.height();
    const double band = g.sideBand();
    TileNoise wear(1706, 4);
    const RGB dark(0.18, 0.12, 0.05), deep(0.35, 0.24, 0.09), gold(0.63, 0.48, 0.18), bright(0.95, 0.83, 0.52),
        flat(0.79, 0.64, 0.31);
    for (int y = 0; y < H; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double d[4] = {py, W - px, H - py, px};  // top, right, bottom, left
            int edge = 0;
            for (int i = 1; i < 4; ++i)
                if (d[i] < d[edge])
                    edge = i;
            const double a = d[edge];
            if (a >= band)
                continue;
            // Along the edge, measured from its first tile, for the beads.
            const double along = edge == 0 ? px - g.cw : edge == 1 ? py - g.ch : edge == 2 ? W - px - g.cw : H - py - g.bh;
            RGB c;
            if (a < 3) {
                c = dark;
            } else if (a < 14) {
                const double t = (a - 3) / 11;
                c = mix(gold, bright, std::pow(std::sin(t * kPi), 2.0) * (t < 0.4 ? 1 : 0.8));
            } else if (a < 17) {
                c = deep;
            } else if (a < 31) {
                // Beads: one per 12 pixels, lit on their upper-left side.
                const double u = std::fmod(along, 12.0);
                const double bu = (u < 0 ? u + 12 : u) - 6, bv = a - 24;
                const double r = std::hypot(bu / 5.0, bv / 5.6);
                if (r < 1) {
                    const double light = 0.5 + 0.5 * (-(bu + bv) / 7.0);
                    c = mix(gold, bright, clamp01(light) * (1 - r * r));
                } else {
                    c = mix(deep, gold, 0.35);
                }
            } else if (a < 34) {
                c = deep;
            } else if (a < 50) {
                const double engraving = std::fabs(a - 42) < 0.7 ? -0.2 : 0;
                c = flat * (1 + engraving);
            } else if (a < 56) {
                c = mix(bright, deep, (a - 50) / 6);
            } else {
                c = dark;
            }
            const double shade[4] = {1.08, 0.80, 0.72, 0.98};
            const double grain = 0.92 + 0.16 * wear.fbm(along / 9.0, a / 9.0, 3);
            c = c * (shade[edge] * grain);
            line[x] = qRgba(static_cast<int>(std::lround(clamp01(c.r) * 255)),
                            static_cast<int>(std::lround(clamp01(c.g) * 255)),
                            static_cast<int>(std::lround(clamp01(c.b) * 255)), 255);
        }
    }
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        forEachCorner(p, g, [&](QPainter &q, int, double, double) {
            const QPointF c(24, 24);
            QRadialGradient rg(c - QPointF(4, 4), 18);
            rg.setColorAt(0, QColor(0xF6, 0xDE, 0x96));
            rg.setColorAt(1, QColor(0x8C, 0x68, 0x24));
            q.setPen(QPen(QColor(0x3A, 0x28, 0x10), 1.2));
            q.setBrush(rg);
            QPainterPath rosette;
            rosette.setFillRule(Qt::WindingFill);
            for (int i = 0; i < 8; ++i) {
                const double ang = i * kPi / 4;
                rosette.addEllipse(c + QPointF(std::cos(ang) * 9, std::sin(ang) * 9), 6, 6);
            }
            q.drawPath(rosette.simplified());
            q.setBrush(QColor(0x5A, 0x3F, 0x18));
            q.drawEllipse(c, 5, 5);
            q.setBrush(QColor(0xF1, 0xD4, 0x8A));
            q.setPen(Qt::NoPen);
            q.drawEllipse(c - QPointF(1.2, 1.2), 2, 2);
        });
    }
    innerShadow(img, g.photo(), 11, 0.5);
}

// 1707 Black: a wide black border whose inner edge lies well over the photo,
// with rounded inner corners, a fine grey line and a soft shadow.
void drawBlack(QImage &img, const Geometry &g)
{
    const QRectF window(44, 44, g.width() - 88, g.height() - 88);
    blendPixels(img, QRectF(0, 0, g.width(), g.height()), QColor(0x0B, 0x0B, 0x0B), [&](double x, double y) {
        return clamp01(0.5 + roundedRectDistance(x, y, window, 36));
    });
    blendPixels(img, window, QColor(0x55, 0x55, 0x55), [&](double x, double y) {
        const double d = -roundedRectDistance(x, y, window, 36);
        return clamp01(1 - std::fabs(d - 2.0)) * 0.9;
    });
    innerShadow(img, window.adjusted(3, 3, -3, -3), 22, 0.45, 33);
}

// 1708 Tape: a white print held by strips of translucent tape at the corners.
void drawTape(QImage &img, const Geometry &g)
{
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        fillBand(p, g, QColor(0xFF, 0xFF, 0xFF));
        p.setPen(QPen(QColor(0xE2, 0xE2, 0xDE), 1));
        p.drawRect(QRectF(0.5, 0.5, g.width() - 1, g.height() - 1));
    }
    innerShadow(img, g.photo(), 4, 0.22);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tapes[4] = {QColor(0x8F, 0xD6, 0xB6, 205), QColor(0xF2, 0x9F, 0xB8, 205), QColor(0xF0, 0xCF, 0x6C, 205),
                             QColor(0x8F, 0xBF, 0xEC, 205)};
    Rng rng(1708);
    forEachCorner(p, g, [&](QPainter &q, int corner, double, double) {
        const double b = g.sideBand();
        q.save();
        q.translate(b + 6, b + 6);
        q.rotate(-45);
        // A strip with torn, zigzag ends.
        const double half = 62, w = 17;
        QPainterPath strip;
        strip.setFillRule(Qt::WindingFill);
        strip.moveTo(-half, -w);
        for (int i = 0; i <= 8; ++i)  // near end
            strip.lineTo(-half + ((i % 2) ? 3.5 : 0) + rng.range(-0.8, 0.8), -w + i * (2 * w / 8));
        for (int i = 8; i >= 0; --i)  // far end
            strip.lineTo(half - ((i % 2) ? 3.5 : 0) + rng.range(-0.8, 0.8), -w + i * (2 * w / 8));
        strip.closeSubpath();
        q.fillPath(strip.translated(1.2, 1.6), QColor(0, 0, 0, 28));
        q.fillPath(strip, tapes[corner]);
        // Faint stripes printed on the tape.
        q.setClipPath(strip);
        q.setPen(QPen(QColor(255, 255, 255, 95), 3));
        for (double x = -half; x < half; x += 10)
            q.drawLine(QPointF(x, -w), QPointF(x + 8, w));
        q.restore();
    });
}

// 1709 Classic: a thin double line on cream, with small diamonds in the corners.
void drawClassic(QImage &img, const Geometry &g)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, g, QColor(0xF4, 0xEC, 0xD8));
    const QColor ink(0x5E, 0x4C, 0x39);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.2));
    p.drawRect(QRectF(10, 10, g.width() - 20, g.height() - 20));
    p.setPen(QPen(ink, 2.4));
    const double inner = g.sideBand() - 9;
    p.drawRect(QRectF(inner, inner, g.width() - 2 * inner, g.height() - 2 * inner));
    forEachCorner(p, g, [&](QPainter &q, int, double, double) {
        QPolygonF diamond;
        const QPointF c(22, 22);
        diamond << c + QPointF(0, -5) << c + QPointF(5, 0) << c + QPointF(0, 5) << c + QPointF(-5, 0);
        q.setPen(Qt::NoPen);
        q.setBrush(ink);
        q.drawPolygon(diamond);
    });
    p.end();
    innerShadow(img, g.photo(), 5, 0.28);
}

// 1710 Scallops: a pastel border whose inner edge is a row of semicircles
// lying over the photo, with white dots and a white line along the scallops.
void drawScallops(QImage &img, const Geometry &g)
{
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    shape.addRect(QRectF(0, 0, g.width(), g.height()));
    QPainterPath hole;
    hole.setFillRule(Qt::WindingFill);
    hole.addRect(g.photo());
    shape = shape.subtracted(hole);
    QPainterPath scallops;
    scallops.setFillRule(Qt::WindingFill);
    for (const Edge &e : edges(g)) {
        QPainterPath local;
        local.setFillRule(Qt::WindingFill);
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a - g.t / 2.0 < e.band - 0.5 || a + g.t / 2.0 > e.length - e.band + 0.5)
                return;
            local.addEllipse(QPointF(a, e.band), g.t / 2.0, g.t / 2.0);
        });
        scallops.addPath(e.toCanvas.map(local));
    }
    // A bigger scallop in each inner corner covers where the rows meet.
    const QRectF ph = g.photo();
    for (const QPointF c : {ph.topLeft(), ph.topRight(), ph.bottomLeft(), ph.bottomRight()})
        scallops.addEllipse(c, 16, 16);
    shape = shape.united(scallops);
    const QColor colour(0x8E, 0xD1, 0xE6);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape.translated(0, 1.5), QColor(0, 0, 0, 40));
        p.fillPath(shape, colour);
        p.setClipPath(shape);
        p.setPen(roundPen(QColor(255, 255, 255, 235), 1.6));
        p.setBrush(Qt::NoBrush);
        forEachEdge(p, g, [&](const Edge &e) {
            repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
                if (a - g.t / 2.0 < e.band - 0.5 || a + g.t / 2.0 > e.length - e.band + 0.5)
                    return;
                p.drawArc(QRectF(a - g.t / 2.0 + 4, e.band - g.t / 2.0 + 4, g.t - 8, g.t - 8), 180 * 16, 180 * 16);
            });
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 220));
            repeatAlong(e, g.t, 0, [&](double a) {
                p.drawEllipse(QPointF(a, e.band * 0.35), 2.6, 2.6);
            });
            p.setPen(roundPen(QColor(255, 255, 255, 235), 1.6));
            p.setBrush(Qt::NoBrush);
        });
    }
}

// 1711 Lace: a white lace edge, solid outside; over the photo's edge a row
// of net holes and open-work scallops with eyelets, inner rings and picots,
// and a round motif in each corner.
void drawLace(QImage &img, const Geometry &g)
{
    QPainterPath lace;
    lace.setFillRule(Qt::WindingFill);
    lace.addRect(QRectF(0, 0, g.width(), g.height()));
    QPainterPath hole;
    hole.setFillRule(Qt::WindingFill);
    hole.addRect(g.photo());
    lace = lace.subtracted(hole);
    QPainterPath solid, open;
    solid.setFillRule(Qt::WindingFill);
    open.setFillRule(Qt::WindingFill);  // added lace, and what is cut out of it
    const double r = g.t / 2.0;  // scallop radius
    auto motif = [&](QPainterPath &add, QPainterPath &cut, QPointF c, double radius, int picots, bool eyelet) {
        add.addEllipse(c, radius, radius);
        for (int i = 0; i < picots; ++i) {
            const double a = i * 2 * kPi / picots;
            add.addEllipse(c + QPointF(std::cos(a), std::sin(a)) * (radius + 0.6), 1.5, 1.5);
        }
        QPainterPath ring;
        ring.setFillRule(Qt::WindingFill);
        ring.addEllipse(c, radius * 0.68, radius * 0.68);
        QPainterPath inner;
        inner.setFillRule(Qt::WindingFill);
        inner.addEllipse(c, radius * 0.68 - 1.3, radius * 0.68 - 1.3);
        cut = cut.united(ring.subtracted(inner));
        if (eyelet)
            cut.addEllipse(c, radius * 0.3, radius * 0.3);
    };
    for (const Edge &e : edges(g)) {
        QPainterPath add, cut;
        add.setFillRule(Qt::WindingFill);
        cut.setFillRule(Qt::WindingFill);
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a - r < e.band + 8 || a + r > e.length - e.band - 8)
                return;
            QPainterPath one, oneCut;
            one.setFillRule(Qt::WindingFill);
            oneCut.setFillRule(Qt::WindingFill);
            motif(one, oneCut, QPointF(a, e.band + 1), r, 14, true);
            // Only the half over the photo shows: the rest is solid band.
            add.addPath(one);
            cut = cut.united(oneCut.intersected(rectPath(QRectF(a - r - 2, e.band + 1, 2 * r + 4, r + 4))));
        });
        repeatAlong(e, 6, 3, [&](double a) {  // a row of net holes along the top of the scallops
            if (a < e.band + 4 || a > e.length - e.band - 4)
                return;
            cut.addEllipse(QPointF(a, e.band + 2.5), 1.2, 1.2);
        });
        solid.addPath(e.toCanvas.map(add));
        open = open.united(e.toCanvas.map(cut));
    }
    const QRectF ph = g.photo();
    for (const QPointF c : {ph.topLeft(), ph.topRight(), ph.bottomLeft(), ph.bottomRight()}) {
        const QPointF towards(c.x() < ph.center().x() ? 3 : -3, c.y() < ph.center().y() ? 3 : -3);
        motif(solid, open, c + towards, 16, 18, false);
    }
    // Holes only over the photo: in the band they would just show the white
    // under the frame.
    lace = lace.united(solid).subtracted(open.intersected(rectPath(ph)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(lace.translated(0.8, 1.2), QColor(0, 0, 0, 45));
    p.fillPath(lace, QColor(0xFF, 0xFF, 0xFF));
    // Embroidered rings on the solid part (white on white would not show).
    p.setPen(QPen(QColor(0xD8, 0xD8, 0xD4), 1.1));
    p.setBrush(Qt::NoBrush);
    forEachEdge(p, g, [&](const Edge &e) {
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a < e.band * 0.5 || a > e.length - e.band * 0.5)
                return;
            p.drawEllipse(QPointF(a, e.band * 0.4), 3.5, 3.5);
        });
    });
}

// 1712 Camcorder: a thin black edge, viewfinder corner marks, "REC", a
// battery mark, the time code and "HD".
void drawCamcorder(QImage &img, const Geometry &g)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    fillBand(p, g, QColor(0, 0, 0));
    const QRectF ph = g.photo();
    const QColor white(0xFF, 0xFF, 0xFF), shadow(0, 0, 0, 110);
    auto stroke = [&](const QPainterPath &path, double width) {
        p.setBrush(Qt::NoBrush);
        p.setPen(roundPen(shadow, width + 2.4));
        p.drawPath(path.translated(0.8, 0.8));
        p.setPen(roundPen(white, width));
        p.drawPath(path);
    };
    // Corner brackets.
    forEachCorner(p, g, [&](QPainter &q, int, double, double) {
        const double b = g.sideBand() + 24;
        QPainterPath bracket;
        bracket.setFillRule(Qt::WindingFill);
        bracket.moveTo(b, b + 44);
        bracket.lineTo(b, b);
        bracket.lineTo(b + 44, b);
        q.setBrush(Qt::NoBrush);
        q.setPen(roundPen(shadow, 5.4));
        q.drawPath(bracket.translated(0.8, 0.8));
        q.setPen(roundPen(white, 3));
        q.drawPath(bracket);
    });
    const double W = g.width(), H = g.height();
    // REC with its red dot.
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(ph.left() + 88.8, ph.top() + 38.8), 7, 7);
    p.setBrush(QColor(0xF0, 0x2A, 0x2A));
    p.drawEllipse(QPointF(ph.left() + 88, ph.top() + 38), 6.5, 6.5);
    stroke(strokeText("REC", ph.left() + 102, ph.top() + 45, 14), 2.4);
    // Battery: body, nub and three bars.
    const QRectF battery(W - ph.left() - 140, ph.top() + 30, 30, 15);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(shadow, 4.4));
    p.drawRoundedRect(battery.translated(0.8, 0.8), 2, 2);
    p.setPen(QPen(white, 2));
    p.drawRoundedRect(battery, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(white);
    p.drawRect(QRectF(battery.right() + 1, battery.top() + 4, 3, 7));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(battery.left() + 3 + i * 8.5, battery.top() + 3, 6.5, 9));
    // Time code and HD.
    stroke(strokeText("00:12:36", ph.left() + 36, H - ph.top() - 36, 12), 2.0);
    const QRectF hd(W - ph.left() - 108, H - ph.top() - 54, 38, 20);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(shadow, 4.2));
    p.drawRoundedRect(hd.translated(0.8, 0.8), 3, 3);
    p.setPen(QPen(white, 1.8));
    p.drawRoundedRect(hd, 3, 3);
    stroke(strokeText("HD", hd.left() + 9, hd.bottom() - 5, 10), 1.8);
}

// 1713 Instant photo: a white instant-print border, much wider at the bottom.
void drawInstant(QImage &img, const Geometry &g)
{
    TileNoise grain(1713, 4);
    const int W = g.width(), H = g.height();
    for (int y = 0; y < H; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            // Grain that repeats with the tiles in both directions.
            const double n = grain.fbm((x % g.t) * 4.0 / g.t, (y % g.s) * 4.0 / g.s, 2) - 0.5;
            const int v = static_cast<int>(std::lround(249 + n * 4));
            line[x] = qRgba(v, v, v - 5, 255);
        }
    }
    const QRectF ph = g.photo();
    // The pieces are transparent where the photo shows.
    for (int y = static_cast<int>(ph.top()); y < static_cast<int>(ph.bottom()); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = static_cast<int>(ph.left()); x < static_cast<int>(ph.right()); ++x)
            line[x] = 0;
    }
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xDE, 0xDC, 0xD4), 1));
        p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
    }
    innerShadow(img, ph, 4, 0.3);
    innerShadow(img, ph, 1, 0.3);
}

// 1714 Stamp: perforated postage-stamp paper on a manila envelope, with a
// red printed line, the value and a postmark.
void drawStamp(QImage &img, const Geometry &g)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double W = g.width(), H = g.height();
    QPainterPath envelope;
    envelope.setFillRule(Qt::WindingFill);
    envelope.addRect(QRectF(0, 0, W, H));
    QPainterPath hole;
    hole.setFillRule(Qt::WindingFill);
    hole.addRect(g.photo());
    p.fillPath(envelope.subtracted(hole), QColor(0xC9, 0xB2, 0x8A));
    // The paper, its edge 6 pixels in, with a semicircular hole every tile.
    const double edge = 6;
    QPainterPath paper;
    paper.setFillRule(Qt::WindingFill);
    paper.addRect(QRectF(edge, edge, W - 2 * edge, H - 2 * edge));
    QPainterPath holes;
    holes.setFillRule(Qt::WindingFill);
    for (const Edge &e : edges(g)) {
        QPainterPath local;
        local.setFillRule(Qt::WindingFill);
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a < 12 || a > e.length - 12)
                return;
            local.addEllipse(QPointF(a, edge), 5, 5);
        });
        holes.addPath(e.toCanvas.map(local));
    }
    for (const QPointF c : {QPointF(edge, edge), QPointF(W - edge, edge), QPointF(edge, H - edge), QPointF(W - edge, H - edge)})
        holes.addEllipse(c, 5, 5);
    paper = paper.subtracted(holes).subtracted(hole);
    p.fillPath(paper.translated(0.6, 0.9), QColor(0, 0, 0, 35));
    p.fillPath(paper, QColor(0xFF, 0xFD, 0xF6));
    const QColor red(0xC0, 0x39, 0x2B);
    p.setPen(QPen(red, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(24, 24, W - 48, H - 48));
    p.setPen(QPen(QColor(0x55, 0x55, 0x55, 140), 1));
    p.drawRect(g.photo().adjusted(-0.5, -0.5, 0.5, 0.5));
    // The value, bottom right, over the picture.
    const QRectF ph = g.photo();
    const QPainterPath value = strokeText("80", ph.right() - 44, ph.bottom() - 12, 18);
    p.setPen(roundPen(QColor(255, 255, 255, 230), 6));
    p.drawPath(value);
    p.setPen(roundPen(red, 3));
    p.drawPath(value);
    // The postmark, top right: two rings, a date bar and wavy lines fading out.
    const QColor ink(0x2C, 0x2C, 0x34, 150);
    const QPointF pm(W - 64, 62);
    p.setPen(QPen(ink, 2.4));
    p.drawEllipse(pm, 34, 34);
    p.setPen(QPen(ink, 1.4));
    p.drawEllipse(pm, 27, 27);
    p.setPen(roundPen(ink, 1.8));
    p.drawPath(strokeText("12-05", pm.x() - strokeTextWidth("12-05", 9) / 2, pm.y() + 4.5, 9));
    for (int i = 0; i < 3; ++i) {
        QPainterPath wave;
        wave.setFillRule(Qt::WindingFill);
        const double y = pm.y() - 12 + i * 12;
        wave.moveTo(pm.x() - 36, y);
        for (double x = pm.x() - 36; x > W - 109; x -= 2)
            wave.lineTo(x, y + 2.5 * std::sin((x - pm.x()) / 4.0));
        QLinearGradient fade(pm.x() - 36, 0, W - 109, 0);
        fade.setColorAt(0, ink);
        fade.setColorAt(1, QColor(ink.red(), ink.green(), ink.blue(), 0));
        p.setPen(QPen(QBrush(fade), 1.6));
        p.drawPath(wave);
    }
}

struct FrameDesign {
    int id;
    const char *file;
    const char *label;
    Geometry geometry;
    void (*draw)(QImage &, const Geometry &);
};

const std::vector<FrameDesign> &designs()
{
    static const std::vector<FrameDesign> list = {
        {1701, "baikuang", "White", make(56, 56, 56, 20, 20, 20, 8, 8), drawWhite},
        {1702, "bodian", "Polka dots", make(72, 72, 72, 18, 18, 18, 54, 54), drawPolkaDots},
        {1703, "dianyingjiaopian", "Film strip", make(80, 72, 72, 66, 8, 8, 40, 12), drawFilmStrip},
        {1704, "feilin", "Negative", make(80, 72, 72, 66, 8, 8, 40, 12), drawNegative},
        {1705, "fenhongxinqing", "Pink mood", make(70, 70, 70, 22, 22, 22, 44, 44), drawPinkMood},
        {1706, "fuguxiangkuang", "Vintage", make(84, 84, 84, 24, 24, 24, 12, 12), drawVintage},
        {1707, "heikuang", "Black", make(296, 296, 296, 278, 278, 278, 1, 1), drawBlack},
        {1708, "jiaodai", "Tape", make(120, 120, 120, 90, 90, 90, 6, 6), drawTape},
        {1709, "jingdianbiankuang", "Classic", make(56, 56, 56, 12, 12, 12, 4, 4), drawClassic},
        {1710, "keaibanyuan", "Scallops", make(52, 52, 52, 16, 16, 16, 24, 24), drawScallops},
        {1711, "leisibian", "Lace", make(64, 64, 64, 36, 36, 36, 24, 24), drawLace},
        {1712, "luxiangji", "Camcorder", make(170, 170, 170, 160, 160, 160, 2, 2), drawCamcorder},
        {1713, "xiangzhi", "Instant photo", make(48, 48, 144, 14, 14, 14, 16, 16), drawInstant},
        {1714, "youpiao", "Stamp", make(110, 110, 110, 70, 70, 70, 16, 16), drawStamp},
    };
    return list;
}

Bytes piecePng(const QImage &canvas, const QRect &r)
{
    return encodePng(canvas.copy(r).convertToFormat(QImage::Format_ARGB32));
}

void makeFrame(Bundle &bundle, const FrameDesign &d, int order)
{
    const Geometry &g = d.geometry;
    QImage canvas(g.width(), g.height(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    d.draw(canvas, g);
    const int W = g.width(), H = g.height();
    const int k = g.nT / 2, j = g.nS / 2;
    FrameFile file;
    // Insets: every corner overlaps the photo by insetX across and by its
    // own vertical inset.
    file.cutWidth = {g.insetX, g.insetX, g.insetX, g.insetX};
    file.cutHeight = {g.insetTop, g.insetBottom, g.insetTop, g.insetBottom};
    file.pieces[0] = piecePng(canvas, QRect(0, 0, g.cw, g.ch));                       // top-left
    file.pieces[1] = piecePng(canvas, QRect(0, H - g.bh, g.cw, g.bh));                // bottom-left
    file.pieces[2] = piecePng(canvas, QRect(W - g.cw, 0, g.cw, g.ch));                // top-right
    file.pieces[3] = piecePng(canvas, QRect(W - g.cw, H - g.bh, g.cw, g.bh));         // bottom-right
    file.pieces[4] = piecePng(canvas, QRect(g.cw + k * g.t, 0, g.t, g.ch));           // top
    file.pieces[5] = piecePng(canvas, QRect(g.cw + k * g.t, H - g.bh, g.t, g.bh));    // bottom
    file.pieces[6] = piecePng(canvas, QRect(0, g.ch + j * g.s, g.cw, g.s));           // left
    file.pieces[7] = piecePng(canvas, QRect(W - g.cw, g.ch + j * g.s, g.cw, g.s));    // right
    const std::string path = std::string("ini/") + d.file + ".qvrbk";
    bundle.add(path, writeFrameFile(file));

    QJsonObject e;
    e.insert("id", d.id);
    e.insert("name", d.label);
    e.insert("file", QString::fromStdString(":/" + path));
    e.insert("corner", QJsonArray{g.cw, g.ch});
    e.insert("inset", QJsonArray{g.insetX, g.insetTop});
    bundle.addIndexEntry("frames", order, e);
}

}  // namespace

void addFrameJobs(std::vector<Job> &jobs)
{
    int order = 0;
    for (const FrameDesign &d : designs()) {
        const int o = order++;
        jobs.push_back({std::string("ini/") + d.file, [&d, o](Bundle &b) { makeFrame(b, d, o); }});
    }
}

}  // namespace resgen
