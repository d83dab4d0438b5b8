// Simple frames 1707 to 1714: black, tape, classic, scallops, lace,
// camcorder, instant photo and stamp.
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "art.h"
#include "frameart.h"
#include "glyphs.h"

namespace resgen::frames {

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
    plainPrint(img, g, QColor(0xFF, 0xFF, 0xFF), QColor(0xE2, 0xE2, 0xDE), 4, 0.22);
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
        QPainterPath strip = windingPath();
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
    QPainterPath shape = bandPath(g);
    QPainterPath scallops = alongEdges(edges(g), g.t, g.t / 2.0, [&](QPainterPath &local, const Edge &e, double a) {
        if (a - g.t / 2.0 < e.band - 0.5 || a + g.t / 2.0 > e.length - e.band + 0.5)
            return;
        local.addEllipse(QPointF(a, e.band), g.t / 2.0, g.t / 2.0);
    });
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
    QPainterPath lace = bandPath(g);
    QPainterPath solid = windingPath(), open = windingPath();  // added lace, and what is cut out of it
    const double r = g.t / 2.0;  // scallop radius
    auto motif = [&](QPainterPath &add, QPainterPath &cut, QPointF c, double radius, int picots, bool eyelet) {
        add.addEllipse(c, radius, radius);
        for (int i = 0; i < picots; ++i) {
            const double a = i * 2 * kPi / picots;
            add.addEllipse(c + QPointF(std::cos(a), std::sin(a)) * (radius + 0.6), 1.5, 1.5);
        }
        QPainterPath ring = windingPath();
        ring.addEllipse(c, radius * 0.68, radius * 0.68);
        QPainterPath inner = windingPath();
        inner.addEllipse(c, radius * 0.68 - 1.3, radius * 0.68 - 1.3);
        cut = cut.united(ring.subtracted(inner));
        if (eyelet)
            cut.addEllipse(c, radius * 0.3, radius * 0.3);
    };
    for (const Edge &e : edges(g)) {
        QPainterPath add = windingPath(), cut = windingPath();
        repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
            if (a - r < e.band + 8 || a + r > e.length - e.band - 8)
                return;
            QPainterPath one = windingPath(), oneCut = windingPath();
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
        QPainterPath bracket = windingPath();
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
    fillBand(p, g, QColor(0xC9, 0xB2, 0x8A));
    // The paper, its edge 6 pixels in, with a semicircular hole every tile.
    const double edge = 6;
    QPainterPath paper = rectPath(QRectF(edge, edge, W - 2 * edge, H - 2 * edge));
    QPainterPath holes = alongEdges(edges(g), g.t, g.t / 2.0, [&](QPainterPath &local, const Edge &e, double a) {
        if (a < 12 || a > e.length - 12)
            return;
        local.addEllipse(QPointF(a, edge), 5, 5);
    });
    for (const QPointF c : {QPointF(edge, edge), QPointF(W - edge, edge), QPointF(edge, H - edge), QPointF(W - edge, H - edge)})
        holes.addEllipse(c, 5, 5);
    paper = paper.subtracted(holes).subtracted(rectPath(g.photo()));
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
        QPainterPath wave = windingPath();
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

}  // namespace resgen::frames
