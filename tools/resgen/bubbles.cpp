// Speech bubbles: the bubble files (bubble/*.qvqp) and their plain pictures
// (fontbg/*.png, the same PNG the file embeds). Every bubble's text area lies
// inside its body; light bubbles take near-black text, dark ones white.
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "art.h"
#include "formats/bubblefile.h"
#include "jobs.h"

namespace resgen {
namespace {

struct BubbleDesign {
    const char *file;
    const char *label;
    int width, height;
    QRect text;  // left, top, right (excluded), bottom (excluded) as x, y, w, h
    bool dark;
    QColor fill;
    std::function<QPainterPath()> shape;
    std::function<void(QPainter &)> extra;  // decoration drawn after the body
};

QPainterPath roundedWithTail(QRectF body, double radius, QPointF tailBase1, QPointF tip, QPointF tailBase2)
{
    QPainterPath p;
    p.addRoundedRect(body, radius, radius);
    QPainterPath tail;
    tail.moveTo(tailBase1);
    tail.quadTo((tailBase1 + tip) / 2 + QPointF(-6, 4), tip);
    tail.quadTo((tailBase2 + tip) / 2 + QPointF(4, -2), tailBase2);
    tail.closeSubpath();
    return p.united(tail);
}

QPainterPath ellipseWithTail(QRectF body, QPointF tailBase1, QPointF tip, QPointF tailBase2)
{
    QPainterPath p;
    p.addEllipse(body);
    QPainterPath tail;
    tail.moveTo(tailBase1);
    tail.quadTo((tailBase1 + tip) / 2, tip);
    tail.quadTo((tailBase2 + tip) / 2, tailBase2);
    tail.closeSubpath();
    return p.united(tail);
}

const std::vector<BubbleDesign> &designs()
{
    static const std::vector<BubbleDesign> list = {
        {"round", "Speech", 474, 421, QRect(48, 36, 375, 282), false, QColor(0xFF, 0xFF, 0xFF),
         [] { return roundedWithTail(QRectF(10, 8, 454, 334), 80, QPointF(100, 320), QPointF(58, 410), QPointF(170, 336)); },
         nullptr},
        {"cloud", "Thought", 480, 400, QRect(90, 80, 300, 196), false, QColor(0xFF, 0xFF, 0xFF),
         [] {
             QPainterPath p;
             const struct {
                 double x, y, r;
             } puffs[] = {{140, 118, 78}, {240, 96, 86}, {340, 118, 78}, {390, 190, 68}, {330, 258, 72},
                          {230, 272, 80}, {130, 254, 72}, {85, 186, 68}, {240, 180, 118}};
             for (const auto &c : puffs) {
                 QPainterPath puff;
                 puff.addEllipse(QPointF(c.x, c.y), c.r, c.r);
                 p = p.united(puff);
             }
             p.addEllipse(QPointF(95, 340), 22, 22);
             p.addEllipse(QPointF(58, 378), 13, 13);
             return p;
         },
         nullptr},
        {"shout", "Shout", 500, 440, QRect(120, 130, 260, 180), false, QColor(0xFF, 0xE0, 0x4F),
         [] {
             QPolygonF poly;
             for (int i = 0; i < 36; ++i) {
                 const double a = i * kPi / 18;
                 const double r = i % 2 ? 0.78 : 1.0;
                 const double wobble = 1 + 0.06 * std::sin(i * 2.3);
                 poly << QPointF(250 + std::cos(a) * 232 * r * wobble, 220 + std::sin(a) * 202 * r * wobble);
             }
             QPainterPath p;
             p.addPolygon(poly);
             p.closeSubpath();
             return p;
         },
         nullptr},
        {"chat", "Dark chat", 460, 300, QRect(40, 34, 380, 186), true, QColor(0x2B, 0x2D, 0x33),
         [] { return roundedWithTail(QRectF(8, 8, 444, 236), 40, QPointF(330, 230), QPointF(420, 292), QPointF(390, 236)); },
         nullptr},
        {"heart", "Heart", 440, 400, QRect(110, 90, 220, 150), false, QColor(0xFF, 0xC1, 0xD3),
         [] {
             QPainterPath p;
             p.moveTo(220, 390);
             p.cubicTo(-60, 210, 20, -40, 220, 90);
             p.cubicTo(420, -40, 500, 210, 220, 390);
             p.closeSubpath();
             return p;
         },
         nullptr},
        {"scroll", "Scroll", 520, 220, QRect(70, 40, 380, 140), false, QColor(0xF5, 0xE6, 0xC4),
         [] {
             QPainterPath p, left, right;
             p.addRoundedRect(QRectF(40, 24, 440, 172), 6, 6);
             left.addEllipse(QRectF(14, 16, 52, 188));
             right.addEllipse(QRectF(454, 16, 52, 188));
             return p.united(left).united(right);
         },
         [](QPainter &q) {
             q.setPen(QPen(QColor(0x9C, 0x7A, 0x48), 2));
             q.setBrush(QColor(0xE3, 0xCC, 0x9A));
             q.drawEllipse(QRectF(22, 26, 36, 168));
             q.drawEllipse(QRectF(462, 26, 36, 168));
             q.setBrush(QColor(0xC9, 0xA8, 0x6E));
             q.drawEllipse(QRectF(32, 40, 16, 140));
             q.drawEllipse(QRectF(472, 40, 16, 140));
         }},
        {"note", "Sticky note", 400, 400, QRect(40, 50, 320, 290), false, QColor(0xFF, 0xEE, 0x80),
         [] {
             QPainterPath p;
             p.moveTo(14, 14);
             p.lineTo(386, 14);
             p.lineTo(386, 320);
             p.lineTo(320, 386);
             p.lineTo(14, 386);
             p.closeSubpath();
             return p;
         },
         [](QPainter &q) {
             QPainterPath fold;
             fold.moveTo(386, 320);
             fold.lineTo(330, 330);
             fold.lineTo(320, 386);
             fold.closeSubpath();
             q.setPen(Qt::NoPen);
             q.setBrush(QColor(0xE8, 0xD0, 0x4A));
             q.drawPath(fold);
             q.setBrush(QColor(0xF4, 0x9E, 0xB2, 200));
             q.drawRect(QRectF(150, 0, 100, 30));  // a strip of tape
         }},
        {"oval", "Blue oval", 460, 340, QRect(80, 56, 300, 160), true, QColor(0x1C, 0x64, 0xC8),
         [] { return ellipseWithTail(QRectF(10, 10, 440, 262), QPointF(150, 250), QPointF(90, 332), QPointF(210, 266)); },
         nullptr},
        {"caption", "Caption box", 480, 300, QRect(36, 36, 408, 228), false, QColor(0xFF, 0xFD, 0xF2),
         [] {
             QPainterPath p;
             p.addRect(QRectF(12, 12, 456, 276));
             return p;
         },
         nullptr},
        {"night", "Night", 440, 360, QRect(60, 56, 320, 190), true, QColor(0x1B, 0x24, 0x4A),
         [] { return roundedWithTail(QRectF(10, 10, 420, 280), 90, QPointF(280, 270), QPointF(350, 352), QPointF(330, 284)); },
         [](QPainter &q) {
             Rng rng(4010);
             q.setPen(Qt::NoPen);
             for (int i = 0; i < 40; ++i) {
                 const QPointF c(rng.range(40, 400), rng.range(30, 270));
                 if (QRectF(60, 56, 320, 190).contains(c))
                     continue;
                 q.setBrush(QColor(0xFF, 0xF3, 0xC4, 150 + rng.below(100)));
                 q.drawEllipse(c, rng.range(0.8, 2.2), rng.range(0.8, 2.2));
             }
         }},
    };
    return list;
}

QImage drawBubble(const BubbleDesign &d)
{
    QImage img(d.width, d.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = d.shape();
    // A soft drop shadow, then the body with its outline.
    for (int i = 3; i >= 1; --i)
        p.fillPath(shape.translated(i * 1.2, i * 1.8), QColor(0, 0, 0, 18));
    const QColor outline = d.dark ? d.fill.lighter(160) : QColor(0x33, 0x33, 0x33);
    p.setPen(QPen(outline, d.dark ? 3 : 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient grad(0, 0, 0, d.height);
    grad.setColorAt(0, d.fill.lighter(106));
    grad.setColorAt(1, d.fill.darker(104));
    p.setBrush(grad);
    p.drawPath(shape);
    if (d.extra)
        d.extra(p);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

uint32_t colorRef(const QColor &c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

void makeBubble(Bundle &bundle, const BubbleDesign &d, int order)
{
    const QImage img = drawBubble(d);
    const Bytes png = encodePng(img);
    BubbleFile f;
    f.name = d.file;
    f.left = d.text.x();
    f.top = d.text.y();
    f.right = d.text.x() + d.text.width();
    f.bottom = d.text.y() + d.text.height();
    const uint8_t v = d.dark ? 0xFF : 0x10;
    f.textColor = {v, v, v};
    f.backgroundColor = colorRef(d.fill);
    f.shadowColor = 0x00808080;
    f.outlineColor = d.dark ? 0x00FFFFFF : 0x00333333;
    f.fontName = "DejaVu Sans";
    f.png = png;
    const std::string file = std::string("bubble/") + d.file + ".qvqp";
    const std::string picture = std::string("fontbg/") + d.file + ".png";
    bundle.add(file, writeBubbleFile(f));
    bundle.add(picture, png);
    QJsonObject e;
    e.insert("file", QString::fromStdString(":/" + file));
    e.insert("picture", QString::fromStdString(":/" + picture));
    e.insert("name", d.label);
    e.insert("size", QJsonArray{d.width, d.height});
    e.insert("textRect", QJsonArray{d.text.x(), d.text.y(), d.text.width(), d.text.height()});
    e.insert("textColor", d.dark ? "#ffffff" : "#101010");
    bundle.addIndexEntry("bubbles", order, e);
}

}  // namespace

void addBubbleJobs(std::vector<Job> &jobs)
{
    addDesignJobs(jobs, "bubble/", designs(), makeBubble);
}

}  // namespace resgen
