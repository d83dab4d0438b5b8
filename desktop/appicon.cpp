#include "appicon.h"

#include <QColor>
#include <QList>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>

namespace AppIcon {

namespace {

constexpr double kUnits = 256;

struct Shape
{
    enum Kind { Tile, Disc, Ring };
    Kind kind;
    QColor colour;
    QPointF a;          // Tile: top-left; Disc, Ring: centre
    QPointF b;          // Tile: bottom-right
    double radius = 0;  // Tile: corner radius; Disc, Ring: radius (a ring's at the middle of its line)
    double line = 0;    // Ring: line width
};

// The splash screen's mark (a lens ring around a small sun, with a blue
// dot) on a dark rounded tile.
const QList<Shape> &shapes()
{
    static const QList<Shape> list = {
        {Shape::Tile, QColor(0x12, 0x12, 0x12), {16, 16}, {240, 240}, 48, 0},
        {Shape::Ring, QColor(0xff, 0xb7, 0x4d), {128, 128}, {}, 74, 12},
        {Shape::Disc, QColor(0xff, 0xb7, 0x4d), {115, 115}, {}, 35, 0},
        {Shape::Disc, QColor(0x4f, 0xc3, 0xf7), {156, 156}, {}, 18, 0},
    };
    return list;
}

}  // namespace

QImage draw(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / kUnits, side / kUnits);
    for (const Shape &s : shapes()) {
        painter.setPen(s.kind == Shape::Ring ? QPen(s.colour, s.line) : QPen(Qt::NoPen));
        painter.setBrush(s.kind == Shape::Ring ? QBrush(Qt::NoBrush) : QBrush(s.colour));
        if (s.kind == Shape::Tile)
            painter.drawRoundedRect(QRectF(s.a, s.b), s.radius, s.radius);
        else
            painter.drawEllipse(s.a, s.radius, s.radius);
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
        const QString colour = s.colour.name();
        if (s.kind == Shape::Tile) {
            const QRectF r(s.a, s.b);
            out += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                       .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(s.radius).arg(colour);
        } else if (s.kind == Shape::Ring) {
            out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"none\" stroke=\"%4\" "
                                  "stroke-width=\"%5\"/>\n")
                       .arg(s.a.x()).arg(s.a.y()).arg(s.radius).arg(colour).arg(s.line);
        } else {
            out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                       .arg(s.a.x()).arg(s.a.y()).arg(s.radius).arg(colour);
        }
    }
    out += QStringLiteral("</svg>\n");
    return out;
}

}  // namespace AppIcon
