#include "appicon.h"

#include <QColor>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>

#include <cmath>

namespace AppIcon {

namespace {

constexpr double kUnits = 256;

struct Shape
{
    enum Kind { Tile, Disc, Polygon };
    Kind kind;
    QColor colour;
    QList<QPointF> points;  // Tile: top-left and bottom-right; Disc: centre and a point on the rim
    double radius = 0;      // Tile corner radius
};

const QList<Shape> &shapes()
{
    static const QList<Shape> list = {
        {Shape::Tile, QColor(0x1e, 0x1e, 0x1e), {{16, 16}, {240, 240}}, 44},
        {Shape::Disc, QColor(0xff, 0xf3, 0xe0), {{172, 82}, {172, 108}}},
        {Shape::Polygon, QColor(0xf5, 0x7c, 0x00), {{36, 204}, {104, 96}, {150, 164}, {174, 136}, {220, 204}}},
        {Shape::Polygon, QColor(0xff, 0xb7, 0x4d), {{36, 204}, {92, 150}, {128, 178}, {178, 122}, {220, 180}, {220, 204}}},
    };
    return list;
}

double discRadius(const Shape &s)
{
    const QPointF d = s.points[1] - s.points[0];
    return std::hypot(d.x(), d.y());
}

}  // namespace

QImage draw(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.scale(side / kUnits, side / kUnits);
    for (const Shape &s : shapes()) {
        painter.setBrush(s.colour);
        switch (s.kind) {
        case Shape::Tile:
            painter.drawRoundedRect(QRectF(s.points[0], s.points[1]), s.radius, s.radius);
            break;
        case Shape::Disc:
            painter.drawEllipse(s.points[0], discRadius(s), discRadius(s));
            break;
        case Shape::Polygon:
            painter.drawPolygon(QPolygonF(s.points));
            break;
        }
    }
    painter.end();
    return image;
}

QString svg()
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                                 "viewBox=\"0 0 256 256\">\n");
    for (const Shape &s : shapes()) {
        const QString fill = s.colour.name();
        switch (s.kind) {
        case Shape::Tile: {
            const QRectF r(s.points[0], s.points[1]);
            out += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                       .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(s.radius).arg(fill);
            break;
        }
        case Shape::Disc:
            out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                       .arg(s.points[0].x()).arg(s.points[0].y()).arg(discRadius(s)).arg(fill);
            break;
        case Shape::Polygon: {
            QStringList pts;
            for (const QPointF &p : s.points)
                pts << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
            out += QStringLiteral("  <polygon points=\"%1\" fill=\"%2\"/>\n").arg(pts.join(QLatin1Char(' ')), fill);
            break;
        }
        }
    }
    out += QStringLiteral("</svg>\n");
    return out;
}

}  // namespace AppIcon
