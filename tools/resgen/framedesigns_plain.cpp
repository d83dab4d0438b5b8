// Simple frames 1701 to 1706: white, polka dots, film strip, negative, pink
// mood and vintage.
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "art.h"
#include "frameart.h"
#include "glyphs.h"

namespace resgen::frames {

// 1701 White: a plain white border with a thin shadow line on the photo.
void drawWhite(QImage &img, const Geometry &g)
{
    plainPrint(img, g, QColor(0xFC, 0xFC, 0xFA), QColor(0xE4, 0xE4, 0xE0), 7, 0.30);
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

namespace {

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

}  // namespace

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
            QPainterPath rosette = windingPath();
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

}  // namespace resgen::frames
