// Collage backgrounds: small seamless pattern tiles for template and stitched
// collages (puzzlegrain/), tiled from the top-left corner over any size, and
// full backgrounds for free collages (miximage/, 640 x 960).
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "art.h"
#include "jobs.h"
#include "shapes.h"

namespace resgen {

void ditherCanvas(Canvas &c, uint64_t seed);

namespace {

// Draws f nine times, shifted by whole tiles, so anything crossing an edge
// comes back in on the other side.
void drawWrapped(QPainter &p, int w, int h, const std::function<void(QPainter &)> &f)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            p.save();
            p.translate(dx * w, dy * h);
            f(p);
            p.restore();
        }
}

// The scale the drawn tiles are made at on this thread: 1 for the collage
// canvas, 2 to 4 for the print variants (a tile w x h is then drawn again
// k times larger, not enlarged).
thread_local int tTileScale = 1;

QImage tile(int w, int h, const QColor &ground, const std::function<void(QPainter &)> &f)
{
    const int k = tTileScale;
    QImage img(w * k, h * k, QImage::Format_RGB32);
    img.fill(ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(k, k);
    drawWrapped(p, w, h, f);
    return img;
}

QPainterPath heart(double cx, double cy, double size)
{
    const double s = size / 2;
    QPainterPath path;
    path.moveTo(cx, cy + s);
    path.cubicTo(cx - s * 1.3, cy + s * 0.1, cx - s * 1.0, cy - s * 1.05, cx, cy - s * 0.45);
    path.cubicTo(cx + s * 1.0, cy - s * 1.05, cx + s * 1.3, cy + s * 0.1, cx, cy + s);
    return path;
}

QPolygonF star(double cx, double cy, double r, double angle)
{
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const double rr = i % 2 ? r * 0.42 : r;
        const double a = angle - kPi / 2 + i * kPi / 5;
        poly << QPointF(cx + std::cos(a) * rr, cy + std::sin(a) * rr);
    }
    return poly;
}

// Textured tiles drawn per pixel from noise that repeats with the tile.
QImage noiseTile(int w, int h, uint64_t seed, const std::function<RGB(double, double, const TileNoise &)> &f)
{
    TileNoise n(seed, 8);
    Canvas c(w, h);
    c.shade([&](int, int, double u, double v) { return f(u, v, n); });
    ditherCanvas(c, seed);
    return c.toImage();
}

struct Pattern {
    const char *file;
    const char *label;
    std::function<QImage()> make;
};

const std::vector<Pattern> &patterns()
{
    static const std::vector<Pattern> list = {
        {"paper.jpg", "Paper", [] {
             Rng rng(2001);
             Plane fib(128, 128);
             for (int i = 0; i < 260; ++i) {
                 auto curve = wanderingCurve(rng, rng.range(0, 128), rng.range(0, 128), rng.range(0, 2 * kPi), rng.range(4, 14), 1.2, 6);
                 for (int dy = -1; dy <= 1; ++dy)
                     for (int dx = -1; dx <= 1; ++dx) {
                         std::vector<Pt> shifted;
                         for (Pt p : curve)
                             shifted.push_back({p.x + dx * 128, p.y + dy * 128});
                         strokePolyline(fib, shifted, 0.7, 0.5f);
                     }
             }
             TileNoise n(2001, 8);
             Canvas c(128, 128);
             c.shade([&](int x, int y, double u, double v) {
                 const double k = 0.95 + 0.03 * (n.fbm(u * 8, v * 8, 4) - 0.5) - 0.04 * fib.at(x, y);
                 return RGB(k, k * 0.985, k * 0.95);
             });
             ditherCanvas(c, 2001);
             return c.toImage();
         }},
        {"linen.jpg", "Linen", [] {
             return noiseTile(128, 128, 2002, [](double u, double v, const TileNoise &n) {
                 // Threads both ways, each a little uneven.
                 const double warp = 0.5 + 0.5 * std::sin(u * 128 * kPi / 2 + 1.5 * n.at(u * 8, v * 32));
                 const double weft = 0.5 + 0.5 * std::sin(v * 128 * kPi / 2 + 1.5 * n.at(u * 32 + 3, v * 8));
                 const double k = 0.80 + 0.06 * warp + 0.06 * weft + 0.05 * (n.fbm(u * 16, v * 16, 3) - 0.5);
                 return RGB(k, k * 0.96, k * 0.88);
             });
         }},
        {"kraft.jpg", "Kraft paper", [] {
             return noiseTile(128, 128, 2003, [](double u, double v, const TileNoise &n) {
                 const double fib = n.fbm(u * 32, v * 8, 3) - 0.5;
                 const double k = 1 + 0.10 * (n.fbm(u * 8, v * 8, 5) - 0.5) + 0.08 * fib;
                 return RGB(0.76 * k, 0.60 * k, 0.42 * k);
             });
         }},
        {"wood.jpg", "Wood", [] {
             return noiseTile(128, 128, 2004, [](double u, double v, const TileNoise &n) {
                 // Two planks a tile, grain running across.
                 const double plank = std::floor(v * 2);
                 const double local = v * 2 - plank;
                 const double rings = std::sin((v * 8 + 0.6 * n.fbm(u * 8 + plank * 3, v * 8, 4)) * 2 * kPi * 3);
                 const double k = 0.85 + 0.08 * rings + 0.06 * (n.fbm(u * 16, v * 64, 2) - 0.5);
                 const double seam = local < 0.03 || local > 0.97 ? 0.55 : 1.0;
                 const double tint = plank ? 0.93 : 1.0;
                 return RGB(0.72 * k * seam * tint, 0.48 * k * seam * tint, 0.28 * k * seam * tint);
             });
         }},
        {"denim.jpg", "Denim", [] {
             return noiseTile(96, 96, 2005, [](double u, double v, const TileNoise &n) {
                 const double twill = 0.5 + 0.5 * std::sin((u + v) * 96 * kPi / 2);
                 const double k = 0.75 + 0.2 * twill + 0.12 * (n.fbm(u * 24, v * 8, 3) - 0.5);
                 return RGB(0.22 * k, 0.34 * k, 0.56 * k + 0.05);
             });
         }},
        {"dots.png", "Dots", [] {
             return tile(48, 48, QColor(0xF9, 0xC5, 0xD1), [](QPainter &p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(Qt::white);
                 p.drawEllipse(QPointF(12, 12), 6, 6);
                 p.drawEllipse(QPointF(36, 36), 6, 6);
             });
         }},
        {"stripes.png", "Stripes", [] {
             return tile(64, 64, QColor(0xFF, 0xFF, 0xFF), [](QPainter &p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0x9F, 0xDF, 0xCF));
                 // Diagonal bands 8 wide every 16 along x + y: a whole number per tile.
                 for (int k = -8; k < 8; ++k) {
                     QPolygonF band;
                     const double c0 = k * 16.0, c1 = c0 + 8;
                     band << QPointF(c0, 0) << QPointF(c1, 0) << QPointF(c1 - 64, 64) << QPointF(c0 - 64, 64);
                     p.drawPolygon(band);
                 }
             });
         }},
        {"gingham.png", "Gingham", [] {
             return tile(40, 40, QColor(0xFF, 0xFF, 0xFF), [](QPainter &p) {
                 p.fillRect(QRectF(0, 0, 20, 40), QColor(0xE5, 0x39, 0x35, 110));
                 p.fillRect(QRectF(0, 0, 40, 20), QColor(0xE5, 0x39, 0x35, 110));
             });
         }},
        {"hearts.png", "Hearts", [] {
             return tile(64, 64, QColor(0xFF, 0xF4, 0xF0), [](QPainter &p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0xF0, 0x6A, 0x8A));
                 p.drawPath(heart(16, 16, 14));
                 p.setBrush(QColor(0xF7, 0xA8, 0xBA));
                 p.drawPath(heart(48, 48, 14));
             });
         }},
        {"stars.png", "Stars", [] {
             return tile(64, 64, QColor(0x1E, 0x2A, 0x52), [](QPainter &p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0xFF, 0xD5, 0x4F));
                 p.drawPolygon(star(16, 18, 8, 0.1));
                 p.setBrush(QColor(0xFF, 0xF3, 0xC4));
                 p.drawPolygon(star(46, 46, 5, -0.2));
                 p.drawEllipse(QPointF(50, 12), 1.5, 1.5);
                 p.drawEllipse(QPointF(12, 50), 1.2, 1.2);
             });
         }},
        {"chevron.png", "Chevron", [] {
             return tile(64, 32, QColor(0xFF, 0xFF, 0xFF), [](QPainter &p) {
                 QPainterPath zig;
                 zig.moveTo(-16, 24);
                 for (int i = 0; i <= 6; ++i)
                     zig.lineTo(-16 + i * 16, i % 2 ? 8 : 24);
                 p.setPen(QPen(QColor(0x4D, 0xB6, 0xAC), 8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                 p.setBrush(Qt::NoBrush);
                 p.drawPath(zig);
             });
         }},
        {"flowers.png", "Flowers", [] {
             return tile(96, 96, QColor(0xE8, 0xF5, 0xE0), [](QPainter &p) {
                 const struct {
                     double x, y, r;
                     QColor c;
                 } fl[] = {{20, 22, 9, QColor(0xF4, 0x8F, 0xB1)}, {66, 40, 8, QColor(0xFF, 0xB7, 0x4D)},
                           {36, 74, 10, QColor(0x90, 0xCA, 0xF9)}, {82, 86, 7, QColor(0xCE, 0x93, 0xD8)}};
                 for (const auto &f : fl) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(0x81, 0xC7, 0x84));
                     p.drawEllipse(QPointF(f.x + f.r * 1.1, f.y + f.r * 0.9), f.r * 0.7, f.r * 0.35);
                     p.setBrush(f.c);
                     for (int i = 0; i < 5; ++i) {
                         const double a = i * 2 * kPi / 5;
                         p.drawEllipse(QPointF(f.x + std::cos(a) * f.r * 0.55, f.y + std::sin(a) * f.r * 0.55), f.r * 0.45, f.r * 0.45);
                     }
                     p.setBrush(QColor(0xFF, 0xF1, 0x76));
                     p.drawEllipse(QPointF(f.x, f.y), f.r * 0.3, f.r * 0.3);
                 }
             });
         }},
        {"confetti.png", "Confetti", [] {
             Rng rng(2013);
             const QColor colours[] = {QColor(0xEF, 0x53, 0x50), QColor(0xFF, 0xCA, 0x28), QColor(0x42, 0xA5, 0xF5),
                                       QColor(0x66, 0xBB, 0x6A), QColor(0xAB, 0x47, 0xBC)};
             struct Bit {
                 double x, y, a;
                 int c;
                 bool round;
             };
             std::vector<Bit> bits;
             for (int i = 0; i < 22; ++i)
                 bits.push_back({rng.range(0, 96), rng.range(0, 96), rng.range(0, 180), rng.below(5), rng.chance(0.5)});
             return tile(96, 96, QColor(0xFF, 0xFF, 0xFF), [=](QPainter &p) {
                 p.setPen(Qt::NoPen);
                 for (const Bit &b : bits) {
                     p.setBrush(colours[b.c]);
                     if (b.round) {
                         p.drawEllipse(QPointF(b.x, b.y), 2.5, 2.5);
                     } else {
                         p.save();
                         p.translate(b.x, b.y);
                         p.rotate(b.a);
                         p.drawRect(QRectF(-4, -1.5, 8, 3));
                         p.restore();
                     }
                 }
             });
         }},
        {"grid.png", "Graph paper", [] {
             return tile(40, 40, QColor(0xFF, 0xFF, 0xFF), [](QPainter &p) {
                 p.setPen(QPen(QColor(0xBB, 0xDE, 0xFB), 1));
                 for (int i = 0; i < 40; i += 10) {
                     p.drawLine(QPointF(i + 0.5, 0), QPointF(i + 0.5, 40));
                     p.drawLine(QPointF(0, i + 0.5), QPointF(40, i + 0.5));
                 }
                 p.setPen(QPen(QColor(0x90, 0xCA, 0xF9), 1));
                 p.drawLine(QPointF(0.5, 0), QPointF(0.5, 40));
                 p.drawLine(QPointF(0, 0.5), QPointF(40, 0.5));
             });
         }},
    };
    return list;
}

void makePattern(Bundle &bundle, const Pattern &pattern, int order)
{
    const QImage img = pattern.make();
    const std::string path = std::string("puzzlegrain/") + pattern.file;
    const bool png = std::string(pattern.file).ends_with(".png");
    bundle.add(path, png ? encodePng(img) : encodeJpeg(img, 90));
    QJsonObject e;
    e.insert("file", QString::fromStdString(":/" + path));
    e.insert("name", pattern.label);
    e.insert("size", QJsonArray{img.width(), img.height()});
    bundle.addIndexEntry("patterns", order, e);
    // Print variants of the drawn tiles, beside it in puzzlegrain@<k>x/ (a
    // textured tile comes out at its own size and has none: the print
    // enlarges it).
    for (int k = 2; k <= kPrintScales; ++k) {
        tTileScale = k;
        const QImage larger = pattern.make();
        tTileScale = 1;
        if (larger.size() == img.size() * k)
            bundle.add(printVariantPath("puzzlegrain/", k, pattern.file), encodePng(larger));
    }
}

// ---------------------------------------------------------------- backgrounds

constexpr int kBgW = 640, kBgH = 960;

struct Background {
    const char *file;
    const char *label;
    std::function<void(Canvas &)> draw;
};

const std::vector<Background> &backgrounds()
{
    static const std::vector<Background> list = {
        {"wood.jpg", "Wooden table", [](Canvas &c) {
             TileNoise n(3001, 16);
             c.shade([&](int x, int, double u, double v) {
                 const int plank = x / 128;
                 const double lx = (x % 128) / 128.0;
                 const double grain = std::sin((u * 30 + 2.5 * n.fbm(u * 6 + plank * 7, v * 1.5, 5)) * 2 * kPi);
                 const double knot = std::exp(-std::pow(std::hypot((lx - 0.5) * 3, (v - 0.2 - 0.13 * plank) * 8), 2));
                 double k = 0.82 + 0.07 * grain + 0.08 * (n.fbm(u * 40, v * 4, 3) - 0.5) - 0.25 * knot;
                 k *= 0.9 + 0.12 * ((plank * 37) % 5) / 4.0;
                 if (lx < 0.012 || lx > 0.988)
                     k *= 0.45;
                 return RGB(0.66 * k, 0.44 * k, 0.26 * k);
             });
         }},
        {"cork.jpg", "Cork board", [](Canvas &c) {
             TileNoise n(3002, 64);
             Rng rng(3002);
             c.shade([&](int, int, double u, double v) {
                 const double speck = n.fbm(u * 90, v * 135, 3);
                 const double k = 0.75 + 0.5 * (speck - 0.5) + 0.1 * (n.fbm(u * 6, v * 9, 4) - 0.5);
                 return RGB(0.78 * k, 0.58 * k, 0.38 * k);
             });
             Plane dark(kBgW, kBgH);
             for (int i = 0; i < 3000; ++i)
                 addDot(dark, rng.range(0, kBgW), rng.range(0, kBgH), rng.range(0.4, 1.4), 0.6f);
             c.darken(dark, 0.5);
         }},
        {"linen.jpg", "Linen", [](Canvas &c) {
             TileNoise n(3003, 64);
             c.shade([&](int x, int y, double u, double v) {
                 const double warp = 0.5 + 0.5 * std::sin(x * kPi / 2 + 1.5 * n.at(u * 40, v * 240));
                 const double weft = 0.5 + 0.5 * std::sin(y * kPi / 2 + 1.5 * n.at(u * 160 + 3, v * 60));
                 const double k = 0.84 + 0.05 * warp + 0.05 * weft + 0.06 * (n.fbm(u * 12, v * 18, 4) - 0.5);
                 return RGB(k, k * 0.97, k * 0.9);
             });
         }},
        {"watercolor.jpg", "Watercolour", [](Canvas &c) {
             TileNoise n(3004, 16);
             Rng rng(3004);
             c.shade([](int, int, double, double) { return RGB(0.99, 0.98, 0.96); });
             const RGB washes[] = {{0.98, 0.72, 0.78}, {0.68, 0.82, 0.96}, {0.99, 0.9, 0.6}, {0.75, 0.9, 0.78}, {0.85, 0.75, 0.95}};
             for (int i = 0; i < 11; ++i) {
                 const double cx = rng.range(0, 1), cy = rng.range(0, 1), r = rng.range(0.15, 0.35);
                 const RGB col = washes[i % 5];
                 const double phase = rng.range(0, 50);
                 for (int y = 0; y < kBgH; ++y)
                     for (int x = 0; x < kBgW; ++x) {
                         const double u = (x + 0.5) / kBgW, v = (y + 0.5) / kBgH;
                         const double d = std::hypot(u - cx, (v - cy) * 1.5) / r + 0.5 * (n.fbm(u * 5 + phase, v * 5, 5) - 0.5);
                         if (d > 1.05)
                             continue;
                         // Pigment pools at the edge of a wash.
                         const double a = (0.35 + 0.3 * smoothstep(0.6, 1.0, d)) * (1 - smoothstep(0.97, 1.05, d));
                         const RGB cur = c.get(x, y);
                         c.set(x, y, RGB(cur.r * lerp(1, col.r, a), cur.g * lerp(1, col.g, a), cur.b * lerp(1, col.b, a)));
                     }
             }
         }},
        {"nightsky.jpg", "Night sky", [](Canvas &c) {
             Rng rng(3005);
             TileNoise n(3005, 8);
             c.shade([&](int, int, double u, double v) {
                 const double glow = 0.3 * std::pow(v, 2.2);
                 const double haze = 0.08 * n.fbm(u * 3, v * 4, 5);
                 return RGB(0.05 + glow * 0.5 + haze, 0.06 + glow * 0.3 + haze * 0.6, 0.18 + glow * 0.6 + haze * 1.2);
             });
             Plane stars(kBgW, kBgH);
             for (int i = 0; i < 900; ++i)
                 addDot(stars, rng.range(0, kBgW), rng.range(0, kBgH * 0.8), rng.range(0.3, 1.1), static_cast<float>(rng.range(0.3, 1)));
             c.addLight(stars, RGB(0.95, 0.95, 1.0));
             for (int i = 0; i < 12; ++i)
                 addSparkle(c, rng.range(0, kBgW), rng.range(0, kBgH * 0.7), rng.range(6, 16), RGB(0.9, 0.92, 1), 0.8);
             for (int i = 0; i < 40; ++i)
                 addBokeh(c, rng.range(0, kBgW), kBgH - std::pow(rng.uniform(), 1.5) * 220, rng.range(8, 26),
                          rng.chance(0.7) ? RGB(1, 0.7, 0.35) : RGB(0.5, 0.7, 1), rng.range(0.12, 0.3));
         }},
        {"kraft.jpg", "Kraft paper", [](Canvas &c) {
             TileNoise n(3006, 16);
             c.shade([&](int, int, double u, double v) {
                 const double d1 = (v - 0.5) * kBgH, d2 = (u - 0.5) * kBgW;
                 const double fold = 0.05 * std::exp(-d1 * d1 / 4) - 0.04 * std::exp(-(d1 - 5) * (d1 - 5) / 30) +
                                     0.04 * std::exp(-d2 * d2 / 4) - 0.03 * std::exp(-(d2 + 5) * (d2 + 5) / 30);
                 const double k = 1 + 0.1 * (n.fbm(u * 8, v * 12, 5) - 0.5) + 0.06 * (n.fbm(u * 80, v * 30, 2) - 0.5) + fold;
                 return RGB(0.74 * k, 0.58 * k, 0.40 * k);
             });
         }},
        {"marble.jpg", "Marble", [](Canvas &c) {
             TileNoise n(3007, 16);
             c.shade([&](int, int, double u, double v) {
                 const double t = u * 3 + v * 5 + 3.5 * n.fbm(u * 3, v * 4, 6);
                 const double vein = std::pow(1 - std::fabs(std::sin(t * kPi)), 14);
                 const double fine = std::pow(1 - std::fabs(std::sin((u * 9 - v * 4 + 2 * n.fbm(u * 8 + 5, v * 8, 5)) * kPi)), 30);
                 const double k = 0.95 - 0.28 * vein - 0.12 * fine + 0.03 * (n.fbm(u * 20, v * 30, 3) - 0.5);
                 return RGB(k, k * 0.99, k * 0.985);
             });
         }},
        {"chalkboard.jpg", "Chalkboard", [](Canvas &c) {
             TileNoise n(3008, 16);
             c.shade([&](int, int, double u, double v) {
                 const double smudge = std::pow(n.fbm(u * 3, v * 4, 5), 2.5) * 0.25;
                 const double grain = 0.04 * (n.fbm(u * 120, v * 180, 2) - 0.5);
                 const double k = 0.2 + smudge + grain;
                 return RGB(k * 0.9, k * 1.25, k * 1.05);
             });
         }},
        {"sunset.jpg", "Sunset", [](Canvas &c) {
             TileNoise n(3009, 8);
             c.shade([&](int, int, double u, double v) {
                 RGB col = mix(RGB(0.28, 0.22, 0.55), RGB(0.95, 0.45, 0.45), smoothstep(0.0, 0.55, v));
                 col = mix(col, RGB(1.0, 0.78, 0.45), smoothstep(0.5, 0.85, v));
                 const double sun = std::hypot(u - 0.5, (v - 0.8) * 1.5);
                 col = col + RGB(1, 0.85, 0.6) * (0.6 * std::exp(-sun * sun / 0.01));
                 const double cloud = smoothstep(0.55, 0.8, n.fbm(u * 3, v * 12, 5)) * (1 - v);
                 return mix(col, RGB(1.0, 0.7, 0.75), cloud * 0.5);
             });
         }},
        {"confetti.jpg", "Confetti", [](Canvas &c) {
             Rng rng(3010);
             c.shade([](int, int, double, double v) { return mix(RGB(1, 1, 1), RGB(0.98, 0.95, 0.92), v); });
             const RGB colours[] = {{0.94, 0.33, 0.31}, {1, 0.79, 0.16}, {0.26, 0.65, 0.96}, {0.4, 0.73, 0.42}, {0.67, 0.28, 0.74}};
             for (int k = 0; k < 5; ++k) {
                 Plane p(kBgW, kBgH);
                 for (int i = 0; i < 90; ++i) {
                     const double x = rng.range(0, kBgW), y = rng.range(0, kBgH), a = rng.range(0, kPi), l = rng.range(4, 9);
                     if (rng.chance(0.4))
                         addDot(p, x, y, rng.range(2, 4));
                     else
                         strokePolyline(p, {{x - std::cos(a) * l, y - std::sin(a) * l}, {x + std::cos(a) * l, y + std::sin(a) * l}}, 3.5);
                 }
                 c.paint(p, colours[k]);
             }
         }},
    };
    return list;
}

void makeBackground(Bundle &bundle, const Background &bg, int order)
{
    Canvas c(kBgW, kBgH);
    bg.draw(c);
    ditherCanvas(c, 3000 + order);
    const std::string path = std::string("miximage/") + bg.file;
    bundle.add(path, encodeJpeg(c.toImage(), 88));
    QJsonObject e;
    e.insert("file", QString::fromStdString(":/" + path));
    e.insert("name", bg.label);
    bundle.addIndexEntry("freeBackgrounds", order, e);
}

}  // namespace

void addPatternJobs(std::vector<Job> &jobs)
{
    addDesignJobs(jobs, "puzzlegrain/", patterns(), makePattern);
    addDesignJobs(jobs, "miximage/", backgrounds(), makeBackground);
}

}  // namespace resgen
