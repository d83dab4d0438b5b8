// Template collages: the 73 cell layouts (puzzletemplate/*.zeltambpt), the
// per-count lists that name them (puzzlemodel/pattern2.plist ... 9), and the
// borders (puzzleframe/*.ptbj).
//
// A layout is written as nested splits of the 640 x 896 canvas: "v(a b)"
// stacks its parts top to bottom, "h(a b)" sets them side by side, "c" is a
// cell and "313:c" gives a part the weight 313 (1 by default). Parts share
// the length left after 8-pixel gaps in proportion to their weights, the
// last taking what remains, so every layout tiles its canvas exactly.
//
// A border piece pixel carries the mask level in byte 1 and the weight of the
// picture in byte 2: weight 255 with level 255 keeps the picture, weight 255
// (or 0) with a lower level makes it that transparent (and black where it is
// partly so), and a weight between 1 and 254 paints the level as a grey over
// the picture, the picture showing through by the weight.
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "art.h"
#include "formats/templatefiles.h"
#include "frameart.h"
#include "jobs.h"

namespace resgen {
namespace {

constexpr int kCanvasW = 640, kCanvasH = 896, kGap = 8;

class LayoutParser {
public:
    explicit LayoutParser(const std::string &text) : m_text(text) {}

    std::vector<CellRect> cells()
    {
        std::vector<CellRect> out;
        node(0, 0, kCanvasW, kCanvasH, out);
        skipSpace();
        if (m_pos != m_text.size())
            fail("trailing text");
        return out;
    }

private:
    [[noreturn]] void fail(const char *why)
    {
        std::fprintf(stderr, "resgen: layout \"%s\": %s at %zu\n", m_text.c_str(), why, m_pos);
        std::abort();
    }
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
    }
    // Reads one part at its place, (x, y, w, h).
    void node(int x, int y, int w, int h, std::vector<CellRect> &out)
    {
        skipSpace();
        if (m_pos >= m_text.size())
            fail("unexpected end");
        const char kind = m_text[m_pos++];
        if (kind == 'c') {
            out.push_back({x, y, w, h});
            return;
        }
        if ((kind != 'h' && kind != 'v') || m_pos >= m_text.size() || m_text[m_pos] != '(')
            fail("expected c, h( or v(");
        ++m_pos;
        // First collect the parts' weights and where each part's text starts.
        std::vector<int> weights;
        std::vector<std::size_t> starts;
        for (;;) {
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ')') {
                ++m_pos;
                break;
            }
            int weight = 1;
            if (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) {
                weight = 0;
                while (std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
                    weight = weight * 10 + (m_text[m_pos++] - '0');
                if (m_text[m_pos++] != ':')
                    fail("expected :");
            }
            weights.push_back(weight);
            starts.push_back(m_pos);
            skipPart();
        }
        const std::size_t end = m_pos;
        const int total = std::accumulate(weights.begin(), weights.end(), 0);
        const int length = kind == 'h' ? w : h;
        const int avail = length - kGap * (static_cast<int>(weights.size()) - 1);
        int pos = kind == 'h' ? x : y, used = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            const int len = i + 1 == weights.size() ? avail - used : avail * weights[i] / total;
            m_pos = starts[i];
            if (kind == 'h')
                node(pos, y, len, h, out);
            else
                node(x, pos, w, len, out);
            pos += len + kGap;
            used += len;
        }
        m_pos = end;
    }
    // Skips one part without placing it.
    void skipPart()
    {
        skipSpace();
        const char kind = m_text[m_pos++];
        if (kind == 'c')
            return;
        int depth = 0;
        do {
            if (m_pos >= m_text.size())
                fail("unbalanced");
            const char ch = m_text[m_pos++];
            depth += ch == '(' ? 1 : ch == ')' ? -1 : 0;
        } while (depth > 0);
    }

    std::string m_text;
    std::size_t m_pos = 0;
};

// The layouts for 2 to 9 cells, in the order their lists name them.
const std::vector<std::vector<const char *>> &layoutTexts()
{
    static const std::vector<std::vector<const char *>> all = {
        {"v(313:c 575:c)", "h(c c)", "v(c c)", "h(3:c 2:c)"},
        {"v(c c c)", "h(c c c)", "v(2:c h(c c))", "v(h(c c) 2:c)", "h(2:c v(c c))", "h(v(c c) 2:c)",
         "v(c 2:c c)", "h(c v(c c))", "v(c h(c c))", "h(v(2:c c) c)"},
        {"v(h(c c) h(c c))", "v(c c c c)", "h(c c c c)", "v(2:c h(c c c))", "v(h(c c c) 2:c)", "h(2:c v(c c c))",
         "v(c h(c c) c)", "h(v(c c) v(2:c c))", "v(2:h(c c) c c)", "h(c v(c c c))"},
        {"v(h(c c) c h(c c))", "v(h(c c) h(c c c))", "v(h(c c c) h(c c))", "v(2:c h(c c) h(c c))",
         "h(v(c c) v(c c c))", "v(c c c c c)", "v(3:c h(c c c c))", "h(2:c v(c c c c))", "v(h(c c) 2:c h(c c))",
         "v(2:h(2:c v(c c)) h(c c))", "h(v(c c c) v(c c))"},
        {"v(h(c c) h(c c) h(c c))", "v(h(c c c) h(c c c))", "v(2:c h(c c) h(c c c))", "h(v(c c) v(c c c c))",
         "v(2:c h(c c c) h(c c))", "v(h(c c c) 2:c h(c c))", "v(h(2:c v(c c)) h(c c c))", "v(c h(c c c c) c)",
         "v(h(c c) h(c c c c))", "h(2:v(c c c) v(c c c))"},
        {"v(h(c c) h(c c c) h(c c))", "v(h(c c c) c h(c c c))", "v(2:c h(c c c) h(c c c))",
         "v(h(c c c) h(c c c) 2:c)", "h(v(c c c) v(c c c c))", "v(h(c c) h(c c) h(c c c))", "v(h(c c c c) h(c c c))",
         "v(h(2:c v(c c)) h(c c) h(c c))", "h(2:c v(c c c) v(c c c))", "v(h(c c) 2:c h(c c c c))"},
        {"v(h(c c) h(c c) h(c c) h(c c))", "v(h(c c c) h(c c) h(c c c))", "v(h(c c c c) h(c c c c))",
         "v(2:c h(c c c) h(c c c c))", "v(h(c c c) 2:h(c c) h(c c c))", "h(v(c c c) v(c c) v(c c c))",
         "v(h(c c) h(c c c c) h(c c))", "v(h(2:c v(c c)) h(c c c) h(c c))", "v(h(c c c c) 2:c h(c c c))",
         "h(3:v(c c c c) 2:v(c c c c))"},
        {"v(h(c c c) h(c c c) h(c c c))", "v(h(c c) h(c c c) h(c c) h(c c))", "v(2:h(2:c v(c c)) h(c c c) h(c c c))",
         "v(h(c c c c) c h(c c c c))", "v(h(c c) h(c c c) h(c c c c))", "v(h(c c c) 2:h(c v(c c)) h(c c c))",
         "h(v(c c c c) v(c c c c c))", "v(h(c c c c) h(c c) h(c c c))"},
    };
    return all;
}

QString layoutName(int cells, int variant) { return QString::asprintf("%03d-%03d", cells, variant); }

void makeLayouts(Bundle &bundle)
{
    int order = 0;
    const auto &all = layoutTexts();
    for (std::size_t n = 0; n < all.size(); ++n) {
        const int cells = static_cast<int>(n) + 2;
        std::vector<std::string> names;
        for (std::size_t v = 0; v < all[n].size(); ++v) {
            const std::vector<CellRect> rects = LayoutParser(all[n][v]).cells();
            if (static_cast<int>(rects.size()) != cells) {
                std::fprintf(stderr, "resgen: layout \"%s\" has %zu cells, not %d\n", all[n][v], rects.size(), cells);
                std::abort();
            }
            const QString name = layoutName(cells, static_cast<int>(v) + 1);
            const std::string file = name.toStdString() + ".zeltambpt";
            bundle.add("puzzletemplate/" + file, writeCellLayout(rects, kCanvasW, kCanvasH));
            names.push_back(file);
            QJsonArray cellArray;
            for (const CellRect &r : rects)
                cellArray.append(QJsonArray{r.x, r.y, r.w, r.h});
            QJsonObject e;
            e.insert("file", QString::fromStdString(":/puzzletemplate/" + file));
            e.insert("name", QString("%1 photos, layout %2").arg(cells).arg(v + 1));
            e.insert("photos", cells);
            e.insert("cells", cellArray);
            bundle.addIndexEntry("templateLayouts", order++, e);
        }
        const std::string list = "puzzlemodel/pattern" + std::to_string(cells) + ".plist";
        bundle.add(list, writeLayoutList(names));
        QJsonObject l;
        l.insert("file", QString::fromStdString(":/" + list));
        l.insert("photos", cells);
        l.insert("count", static_cast<int>(names.size()));
        bundle.addIndexEntry("layoutLists", cells, l);
    }
}

// ---------------------------------------------------------------- borders

struct BorderGeometry {
    int corner;  // corner pieces are corner x corner
    int inset;   // the same both ways
    int t, s;    // top/bottom tile width, side tile height
    int nT = 0, nS = 0;
    int width() const { return 2 * corner + nT * t; }
    int height() const { return 2 * corner + nS * s; }
    int band() const { return corner - inset; }
};

// The two layers a border is painted in: what is kept of the picture (1 =
// kept), and a grey painted over it (level 0..1, coverage 0..1).
struct BorderLayers {
    QImage keep;   // Format_Grayscale8... painted white where kept
    QImage paint;  // ARGB32 premultiplied: grey colour with coverage alpha
};

// A border's edges in the frames' kit's terms (frameart.h), each edge's tiles
// starting after its corner.
using frames::alongEdges;
using frames::Edge;
using frames::repeatAlong;
using frames::windingPath;

std::vector<Edge> borderEdges(const BorderGeometry &g)
{
    const double W = g.width(), H = g.height(), start = g.corner, band = g.band();
    return {{0, W, start, band, QTransform()},
            {1, H, start, band, QTransform().translate(W, 0).rotate(90)},
            {2, W, start, band, QTransform().translate(W, H).rotate(180)},
            {3, H, start, band, QTransform().translate(0, H).rotate(270)}};
}

QPainterPath rectPath(double x, double y, double w, double h)
{
    return frames::rectPath(QRectF(x, y, w, h));
}

struct BorderDesign {
    const char *file;
    const char *label;
    BorderGeometry g;
    // Paints the kept shape (white on black) and the grey layer.
    std::function<void(QPainter &keep, QPainter &paint, const BorderGeometry &g)> draw;
};

QPen linePen(double grey, double width)
{
    QPen pen(QColor::fromRgbF(grey, grey, grey), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

const std::vector<BorderDesign> &borderDesigns()
{
    static const std::vector<BorderDesign> list = {
        {"001", "Plain margin", {16, 0, 2, 2}, [](QPainter &keep, QPainter &, const BorderGeometry &g) {
             keep.fillRect(QRectF(0, 0, g.width(), g.height()), Qt::white);
         }},
        {"002", "Scallops", {80, 40, 38, 38}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             // Round scallops along the outer edge, a stitched white line inside.
             const double W = g.width(), H = g.height(), r = 19;
             QPainterPath shape = rectPath(r, r, W - 2 * r, H - 2 * r);
             for (const Edge &e : borderEdges(g)) {
                 QPainterPath local = windingPath();
                 repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
                     if (a - r < g.corner - 1 || a + r > e.length - g.corner + 1)
                         return;
                     local.addEllipse(QPointF(a, r), r, r);
                 });
                 shape = shape.united(e.toCanvas.map(local));
             }
             // A big scallop on each corner, united with the shape (added as a
             // subpath, the even-odd fill of the united path would cut it out
             // where it overlaps the inner rectangle).
             QPainterPath corners = windingPath();
             for (const QPointF c : {QPointF(40, 40), QPointF(W - 40, 40), QPointF(40, H - 40), QPointF(W - 40, H - 40)})
                 corners.addEllipse(c, 39, 39);
             shape = shape.united(corners);
             keep.fillPath(shape.simplified(), Qt::white);
             paint.setPen(linePen(1.0, 2.2));
             for (const Edge &e : borderEdges(g)) {
                 paint.save();
                 paint.setTransform(e.toCanvas, true);  // on top of the drawing scale
                 repeatAlong(e, g.t / 4.0, 0, [&](double a) {
                     if (a < 31 || a + g.t / 8.0 > e.length - 31)
                         return;
                     paint.drawLine(QPointF(a, 31), QPointF(a + g.t / 8.0, 31));
                 });
                 paint.restore();
             }
         }},
        {"003", "Rounded", {48, 16, 4, 4}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             QPainterPath shape = windingPath();
             shape.addRoundedRect(QRectF(0, 0, g.width(), g.height()), 30, 30);
             keep.fillPath(shape, Qt::white);
             paint.setPen(linePen(1.0, 2));
             paint.setBrush(Qt::NoBrush);
             paint.drawRoundedRect(QRectF(9, 9, g.width() - 18, g.height() - 18), 22, 22);
         }},
        {"004", "Stamp", {40, 10, 20, 20}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             const double W = g.width(), H = g.height();
             QPainterPath shape = rectPath(0, 0, W, H);
             QPainterPath holes =
                 alongEdges(borderEdges(g), g.t, g.t / 2.0, [](QPainterPath &local, const Edge &e, double a) {
                     if (a < 8 || a > e.length - 8)
                         return;
                     local.addEllipse(QPointF(a, 0), 6, 6);
                 });
             for (const QPointF c : {QPointF(0, 0), QPointF(W, 0), QPointF(0, H), QPointF(W, H)})
                 holes.addEllipse(c, 6, 6);
             keep.fillPath(shape.subtracted(holes), Qt::white);
             paint.setPen(linePen(1.0, 1.6));
             paint.setBrush(Qt::NoBrush);
             paint.drawRect(QRectF(15, 15, W - 30, H - 30));
         }},
        {"005", "Torn paper", {64, 24, 78, 78}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             // A torn outer edge that repeats every tile, with white paper fibres along it.
             Rng rng(5005);
             std::vector<double> depth(79);
             for (double &d : depth)
                 d = rng.range(5, 16);
             depth[78] = depth[0];
             for (int pass = 0; pass < 2; ++pass)
                 for (int i = 1; i < 78; ++i)
                     depth[i] = (depth[i - 1] + depth[i] * 2 + depth[i + 1]) / 4;
             const double W = g.width(), H = g.height();
             QPainterPath shape = rectPath(18, 18, W - 36, H - 36);
             QPainterPath fringe = windingPath();
             for (const Edge &e : borderEdges(g)) {
                 QPainterPath tear = windingPath(), fibre = windingPath();
                 QPolygonF outline;
                 for (double a = 0; a <= e.length; a += 2) {
                     double u = std::fmod(a - e.start, 78.0);
                     if (u < 0)
                         u += 78;
                     const int i = static_cast<int>(u);
                     const double d = depth[i] + (depth[i + 1] - depth[i]) * (u - i);
                     outline << QPointF(a, d);
                 }
                 outline << QPointF(e.length, 40) << QPointF(0, 40);
                 tear.addPolygon(outline);
                 shape = shape.united(e.toCanvas.map(tear));
                 QPolygonF fibreLine(outline.mid(0, outline.size() - 2));
                 fibre.addPolygon(fibreLine.translated(0, 2.5));
                 fringe.addPath(e.toCanvas.map(fibre));
             }
             QPainterPath clipped = shape.intersected(rectPath(2, 2, W - 4, H - 4));
             keep.fillPath(clipped, Qt::white);
             paint.setClipPath(clipped);
             paint.setPen(linePen(1.0, 5));
             paint.setBrush(Qt::NoBrush);
             paint.drawPath(fringe);
         }},
        {"006", "Film", {64, 24, 32, 32}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             const double W = g.width(), H = g.height();
             keep.fillRect(QRectF(0, 0, W, H), Qt::white);
             QPainterPath black = rectPath(0, 0, W, H).subtracted(rectPath(40, 40, W - 80, H - 80));
             const QPainterPath holes =
                 alongEdges(borderEdges(g), g.t, g.t / 2.0, [](QPainterPath &local, const Edge &e, double a) {
                     if (a - 8 < 40 || a + 8 > e.length - 40)
                         return;
                     local.addRoundedRect(QRectF(a - 8, 13, 16, 12), 3, 3);
                 });
             paint.fillPath(black.subtracted(holes), QColor(10, 10, 10));
             paint.fillPath(holes, QColor(245, 245, 245));
         }},
        {"007", "Pinking", {36, 12, 16, 16}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             const double W = g.width(), H = g.height();
             QPainterPath shape = rectPath(8, 8, W - 16, H - 16);
             for (const Edge &e : borderEdges(g)) {
                 QPolygonF teeth;
                 for (double a = -g.t; a <= e.length + g.t; a += g.t / 2.0) {
                     const double u = std::fmod(a - e.start + 4 * g.t, double(g.t));
                     teeth << QPointF(a, u < g.t / 4.0 ? 0 : 8);
                 }
                 teeth << QPointF(e.length + g.t, 12) << QPointF(-g.t, 12);
                 QPainterPath local = windingPath();
                 local.addPolygon(teeth);
                 shape = shape.united(e.toCanvas.map(local));
             }
             keep.fillPath(shape.intersected(rectPath(0, 0, W, H)), Qt::white);
             paint.setPen(linePen(1.0, 1.5));
             paint.setBrush(Qt::NoBrush);
             paint.drawRect(QRectF(15, 15, W - 30, H - 30));
         }},
        {"008", "Double line", {56, 28, 6, 6}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             keep.fillRect(QRectF(0, 0, g.width(), g.height()), Qt::white);
             paint.setBrush(Qt::NoBrush);
             paint.setPen(linePen(1.0, 1.5));
             paint.drawRect(QRectF(8, 8, g.width() - 16, g.height() - 16));
             paint.setPen(linePen(1.0, 3));
             paint.drawRect(QRectF(15, 15, g.width() - 30, g.height() - 30));
         }},
        {"009", "Soft edge", {93, 49, 78, 78}, [](QPainter &keep, QPainter &, const BorderGeometry &g) {
             // Fades in from the outer edge over 30 pixels.
             const double W = g.width(), H = g.height();
             for (int i = 0; i < 30; ++i) {
                 const double level = std::pow((i + 1) / 30.0, 1.5);
                 keep.fillRect(QRectF(i, i, W - 2 * i, H - 2 * i), QColor::fromRgbF(level, level, level));
             }
         }},
        {"010", "Wavy", {50, 20, 30, 30}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             const double W = g.width(), H = g.height();
             QPainterPath shape = rectPath(14, 14, W - 28, H - 28);
             QPainterPath line = windingPath();
             for (const Edge &e : borderEdges(g)) {
                 QPolygonF wave, inner;
                 for (double a = 0; a <= e.length; a += 1) {
                     const double d = 7 + 5 * std::sin((a - e.start) / g.t * 2 * kPi);
                     wave << QPointF(a, d);
                     inner << QPointF(a, d + 8);
                 }
                 wave << QPointF(e.length, 20) << QPointF(0, 20);
                 QPainterPath local = windingPath(), l = windingPath();
                 local.addPolygon(wave);
                 l.addPolygon(inner);
                 shape = shape.united(e.toCanvas.map(local));
                 line.addPath(e.toCanvas.map(l));
             }
             keep.fillPath(shape.intersected(rectPath(2, 2, W - 4, H - 4)), Qt::white);
             paint.setClipPath(rectPath(0, 0, W, H).subtracted(rectPath(22, 22, W - 44, H - 44)));
             paint.setPen(linePen(1.0, 1.8));
             paint.setBrush(Qt::NoBrush);
             paint.drawPath(line);
         }},
        {"011", "Dots", {24, 6, 12, 12}, [](QPainter &keep, QPainter &paint, const BorderGeometry &g) {
             keep.fillRect(QRectF(0, 0, g.width(), g.height()), Qt::white);
             paint.setPen(Qt::NoPen);
             paint.setBrush(Qt::white);
             for (const Edge &e : borderEdges(g)) {
                 paint.save();
                 paint.setTransform(e.toCanvas, true);  // on top of the drawing scale
                 repeatAlong(e, g.t, g.t / 2.0, [&](double a) {
                     if (a < 9 || a > e.length - 9)
                         return;
                     paint.drawEllipse(QPointF(a, 9), 3, 3);
                 });
                 paint.restore();
             }
             for (const QPointF c : {QPointF(9, 9), QPointF(g.width() - 9, 9), QPointF(9, g.height() - 9),
                                     QPointF(g.width() - 9, g.height() - 9)})
                 paint.drawEllipse(c, 3, 3);
         }},
    };
    return list;
}

// Encodes the two layers into mask pixels (byte 1 level, byte 2 weight).
Bytes encodeMask(const QImage &keep, const QImage &paint, const QRect &r)
{
    Bytes out(static_cast<std::size_t>(r.width()) * r.height() * 4);
    std::size_t i = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x, i += 4) {
            const double kept = qRed(keep.pixel(x, y)) / 255.0;
            const QRgb p = paint.pixel(x, y);  // premultiplied
            const double cover = qAlpha(p) / 255.0;
            int level, weight;
            if (kept < 254.5 / 255) {
                level = static_cast<int>(std::lround(kept * 255));
                weight = 255;
            } else if (cover < 0.5 / 255) {
                level = weight = 255;
            } else {
                const double grey = qRed(p) / 255.0 / cover;
                level = static_cast<int>(std::lround(clamp01(grey) * 255));
                weight = std::clamp(static_cast<int>(std::lround((1 - cover) * 255)), 1, 254);
            }
            out[i] = static_cast<uint8_t>(level);
            out[i + 1] = static_cast<uint8_t>(level);
            out[i + 2] = static_cast<uint8_t>(weight);
            out[i + 3] = 255;
        }
    return out;
}

// The border drawn `scale` times larger: every piece and the inset that many
// times its size, so the pieces tile a background `scale` times larger just
// as the canvas-size pieces tile the canvas.
BorderFile drawBorder(const BorderDesign &d, const BorderGeometry &g, int scale)
{
    const int W = g.width() * scale, H = g.height() * scale;
    QImage keep(W, H, QImage::Format_RGB32), paint(W, H, QImage::Format_ARGB32_Premultiplied);
    keep.fill(Qt::black);
    paint.fill(Qt::transparent);
    {
        QPainter k(&keep), p(&paint);
        k.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::Antialiasing);
        k.scale(scale, scale);
        p.scale(scale, scale);
        d.draw(k, p, g);
    }
    // Inside the band's inner edge everything is kept, whatever was drawn.
    const int band = g.band() * scale;
    {
        QPainter k(&keep), p(&paint);
        const QRectF inside(band, band, W - 2.0 * band, H - 2.0 * band);
        k.fillRect(inside, Qt::white);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(inside, Qt::transparent);
    }
    const int c = g.corner * scale, t = g.t * scale, s = g.s * scale;
    const int tx = c + (g.nT / 2) * t, sy = c + (g.nS / 2) * s;
    const QRect rects[8] = {QRect(0, 0, c, c),         QRect(0, H - c, c, c), QRect(W - c, 0, c, c),
                            QRect(W - c, H - c, c, c), QRect(tx, 0, t, c),    QRect(tx, H - c, t, c),
                            QRect(0, sy, c, s),        QRect(W - c, sy, c, s)};
    BorderFile file;
    file.insetX = file.insetY = g.inset * scale;
    for (int i = 0; i < 8; ++i)
        file.pieces[i] = {rects[i].width(), rects[i].height(), encodeMask(keep, paint, rects[i])};
    return file;
}

void makeBorder(Bundle &bundle, const BorderDesign &d, int order)
{
    BorderGeometry g = d.g;
    g.nT = std::max(6, (3 * g.corner + g.t - 1) / g.t);
    g.nS = std::max(6, (3 * g.corner + g.s - 1) / g.s);
    const std::string path = std::string("puzzleframe/") + d.file + ".ptbj";
    bundle.add(path, writeBorderFile(drawBorder(d, g, 1)));
    for (int k = 2; k <= kPrintScales; ++k)
        bundle.add(printVariantPath("puzzleframe/", k, std::string(d.file) + ".ptbj"), writeBorderFile(drawBorder(d, g, k)));
    QJsonObject e;
    e.insert("file", QString::fromStdString(":/" + path));
    e.insert("name", d.label);
    e.insert("corner", g.corner);
    e.insert("inset", g.inset);
    e.insert("tile", QJsonArray{g.t, g.s});
    bundle.addIndexEntry("borders", order, e);
}

}  // namespace

void addTemplateCollageJobs(std::vector<Job> &jobs)
{
    jobs.push_back({"puzzletemplate", makeLayouts});
    addDesignJobs(jobs, "puzzleframe/", borderDesigns(), makeBorder);
}

}  // namespace resgen
