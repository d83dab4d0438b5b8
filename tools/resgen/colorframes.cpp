// The six colourful frames (colorful/): full-size masks screen-blended over
// the photo, so they are black wherever the photo must show through and the
// decoration gathers along the edges. Portrait, 598 x 800.
#include <QJsonArray>
#include <algorithm>
#include <cmath>

#include "art.h"
#include "jobs.h"
#include "shapes.h"

namespace resgen {

void ditherCanvas(Canvas &c, uint64_t seed);

namespace {

constexpr int kW = 598, kH = 800;

// Distance in pixels to the nearest edge of the picture.
double edgeDistance(double x, double y) { return std::min(std::min(x, kW - x), std::min(y, kH - y)); }

// The point at perimeter position t (0..1, clockwise from the top-left
// corner) and depth pixels in from the edge.
Pt perimeterPoint(double t, double depth)
{
    t = (t - std::floor(t)) * 2 * (kW + kH);
    if (t < kW)
        return {t, depth};
    if (t < kW + kH)
        return {kW - depth, t - kW};
    if (t < 2 * kW + kH)
        return {2 * kW + kH - t, kH - depth};
    return {depth, 2 * (kW + kH) - t};
}

// count points spread evenly round the perimeter with some jitter, at most
// maxDepth in from the edge, nearer the edge more often.
std::vector<Pt> spreadAround(Rng &rng, int count, double maxDepth, double power = 1.3)
{
    std::vector<Pt> pts;
    for (int i = 0; i < count; ++i) {
        const double t = (i + rng.range(0.1, 0.9)) / count;
        pts.push_back(perimeterPoint(t, std::pow(rng.uniform(), power) * maxDepth));
    }
    return pts;
}

// A rounded rectangle's inside distance: how far (x, y) lies inside the
// picture when its corners are rounded with radius r.
double roundedEdgeDistance(double x, double y, double r)
{
    const double qx = std::fabs(x - kW / 2.0) - (kW / 2.0 - r), qy = std::fabs(y - kH / 2.0) - (kH / 2.0 - r);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
    return r - outside;
}

// A random point at most maxDepth from an edge, spread evenly along the
// perimeter, nearer the edge more often.
Pt borderPoint(Rng &rng, double maxDepth, double power = 1.4)
{
    const double depth = std::pow(rng.uniform(), power) * maxDepth;
    const double t = rng.uniform() * 2 * (kW + kH);
    if (t < kW)
        return {t, depth};
    if (t < 2 * kW)
        return {t - kW, kH - depth};
    if (t < 2 * kW + kH)
        return {depth, t - 2 * kW};
    return {kW - depth, t - 2 * kW - kH};
}

void addFrame(Bundle &bundle, const char *path, Canvas &c, uint64_t seed)
{
    ditherCanvas(c, seed);
    bundle.add(path, encodeJpeg(c.toImage(), 88));
}

// 1500: soft light rings and a warm glow around the edges.
void halo(Bundle &b)
{
    Canvas c(kW, kH);
    Rng rng(1500);
    TileNoise n(1500, 8);
    c.shade([&](int x, int y, double u, double v) {
        const double d = roundedEdgeDistance(x + 0.5, y + 0.5, 70);
        const double along = (u + v) * 3;
        const double flicker = 0.75 + 0.5 * n.fbm(along, 0.5, 3);
        double k = 0.62 * std::exp(-std::max(d, 0.0) / 34) * flicker;
        k += 0.3 * std::exp(-std::pow((d - 30) / 5.0, 2)) * flicker;
        k += 0.16 * std::exp(-std::pow((d - 68) / 8.0, 2)) * (1.3 - flicker * 0.6);
        const RGB tint = mix(RGB(1.0, 0.86, 0.92), RGB(1.0, 0.9, 0.7), v);
        return tint * k;
    });
    for (int i = 0; i < 40; ++i) {
        const Pt p = borderPoint(rng, 110);
        addBokeh(c, p.x, p.y, rng.range(6, 22), mix(RGB(1, 0.85, 0.7), RGB(1, 0.75, 0.85), rng.uniform()),
                 rng.range(0.12, 0.3));
    }
    for (const Pt corner : {Pt{0, 0}, Pt{kW, 0}, Pt{0, kH}, Pt{kW, kH}})
        c.addGlow(corner.x, corner.y, 90, RGB(1, 0.92, 0.8), 0.5);
    addFrame(b, "colorful/guangyun1.jpg", c, 1500);
}

// 1501: milky-way dust and stars along the edges.
void galaxy(Bundle &b)
{
    Canvas c(kW, kH);
    Rng rng(1501);
    TileNoise shape(15011, 4), cloud(15012, 8), hue(15013, 4);
    Plane band(kW, kH);
    c.shade([&](int x, int y, double u, double v) {
        const double d = edgeDistance(x + 0.5, y + 0.5);
        const double m = 1 - smoothstep(40, 150, d + 110 * (shape.fbm(u * 4, v * 5, 4) - 0.5));
        band.at(x, y) = static_cast<float>(m);
        const double dens = std::pow(cloud.fbm(u * 5, v * 6, 6), 2.2) * 1.6;
        const double lane = smoothstep(0.52, 0.62, cloud.fbm(u * 9 + 3, v * 9 + 1, 4));
        const double hh = hue.fbm(u * 2, v * 2, 3);
        RGB col = mix(RGB(0.18, 0.22, 0.75), RGB(0.62, 0.22, 0.78), smoothstep(0.35, 0.55, hh));
        col = mix(col, RGB(1.0, 0.42, 0.65), smoothstep(0.55, 0.7, hh));
        col = mix(col, RGB(0.3, 0.75, 0.95), smoothstep(0.2, 0.05, hh) * 0.8);
        return col * (m * dens * (1 - 0.6 * lane));
    });
    Plane stars(kW, kH), bright(kW, kH);
    for (int i = 0; i < 1400; ++i) {
        const double x = rng.range(0, kW), y = rng.range(0, kH);
        const double m = band.at(static_cast<int>(x), static_cast<int>(y));
        if (rng.uniform() > m * 0.95 + 0.04)
            continue;
        addDot(stars, x, y, rng.range(0.35, 0.9), static_cast<float>(rng.range(0.5, 1.0)));
    }
    for (int i = 0; i < 40; ++i) {
        const Pt p = borderPoint(rng, 130);
        addDot(bright, p.x, p.y, rng.range(0.8, 1.6));
    }
    Plane glow = bright;
    glow.blur(3);
    c.addLight(stars, RGB(0.95, 0.95, 1.0));
    c.addLight(bright, RGB(1, 1, 1));
    c.addLight(glow, RGB(0.7, 0.8, 1.0), 1.2);
    for (int i = 0; i < 7; ++i) {
        const Pt p = borderPoint(rng, 100);
        addSparkle(c, p.x, p.y, rng.range(14, 30), RGB(0.9, 0.93, 1.0), 0.9, 4, rng.range(0, 0.3));
    }
    addFrame(b, "colorful/yinhe2.jpg", c, 1501);
}

// 1502: a frosty rim of ice feathers growing in from the edges, snow
// crystals near the edges and a few falling flakes.
void snowyNight(Bundle &b)
{
    Canvas c(kW, kH);
    Rng rng(1502);
    TileNoise shape(15021, 4);
    c.shade([&](int x, int y, double u, double v) {
        const double d = edgeDistance(x + 0.5, y + 0.5);
        const double m = 1 - smoothstep(0, 70, d + 50 * (shape.fbm(u * 5, v * 6, 4) - 0.5));
        const double k = 0.22 * m + 0.3 * std::exp(-d / 9);
        return RGB(0.8, 0.88, 1.0) * k;
    });
    // Feathers: a stem heading inwards with barbs on both sides, shorter
    // towards the tip; several generations from the edge.
    Plane frost(kW, kH);
    for (const Pt &root : spreadAround(rng, 320, 14, 1.0)) {
        // Inwards: towards the centre, give or take.
        const double heading = std::atan2(kH / 2.0 - root.y, kW / 2.0 - root.x) + rng.range(-0.7, 0.7);
        const double length = rng.range(18, 85) * (0.6 + 0.8 * shape.fbm(root.x / 120.0, root.y / 120.0, 3));
        auto stem = wanderingCurve(rng, root.x, root.y, heading, length, 0.25, 10);
        const float weight = static_cast<float>(rng.range(0.45, 0.9));
        strokePolyline(frost, stem, 0.9, weight);
        for (std::size_t i = 1; i + 1 < stem.size(); ++i) {
            const double t = i / double(stem.size() - 1);
            const double dir = std::atan2(stem[i + 1].y - stem[i].y, stem[i + 1].x - stem[i].x);
            const double barb = length * 0.28 * (1 - t);
            for (double side : {-1.0, 1.0}) {
                const double a = dir + side * 1.0;
                strokePolyline(frost, {stem[i], {stem[i].x + std::cos(a) * barb, stem[i].y + std::sin(a) * barb}}, 0.7,
                               weight * 0.8f);
            }
        }
    }
    Plane glow = frost;
    glow.blur(2.5);
    c.addLight(frost, RGB(0.92, 0.96, 1.0), 0.9);
    c.addLight(glow, RGB(0.6, 0.75, 1.0), 0.8);
    Plane crystals(kW, kH), flakes(kW, kH);
    for (int i = 0; i < 22; ++i) {
        const Pt p = borderPoint(rng, 120);
        addSnowCrystal(crystals, p.x, p.y, rng.range(7, 22), rng.range(0, 1), rng.range(1.0, 1.6));
    }
    for (int i = 0; i < 160; ++i)
        addDot(flakes, rng.range(0, kW), rng.range(0, kH), rng.range(0.6, 2.2), static_cast<float>(rng.range(0.4, 0.9)));
    flakes.blur(0.6);
    Plane cglow = crystals;
    cglow.blur(4);
    c.addLight(crystals, RGB(1, 1, 1));
    c.addLight(cglow, RGB(0.6, 0.75, 1.0), 0.9);
    c.addLight(flakes, RGB(0.95, 0.97, 1.0));
    addFrame(b, "colorful/xueye1.jpg", c, 1502);
}

// Shapes of a few colours, each filled and glowing.
struct Glowing {
    Plane fill{kW, kH};
    RGB colour;
};

void addGlowing(Canvas &c, std::vector<Glowing> &groups, double glowSigma, double glowGain)
{
    for (Glowing &g : groups) {
        Plane glow = g.fill;
        glow.blur(glowSigma);
        c.addLight(glow, g.colour, glowGain);
        c.paint(g.fill, g.colour, 0.92);
    }
}

// Shapes of four colours spread around the border, each filled and glowing:
// count shapes within depth of the edge, of size pow(u, power) * range +
// smallest; scatter puts one into a group, finish adds what the design adds.
struct GlowingShapes {
    const char *file;
    uint64_t seed;  // the frame's number
    RGB colours[4];
    int count;
    double depth, power, range, smallest, glowSigma;
    void (*scatter)(std::vector<Glowing> &groups, Rng &rng, const Pt &p, double size);
    void (*finish)(Canvas &c, Rng &rng);
};

void drawGlowingShapes(Bundle &b, const GlowingShapes &d)
{
    Canvas c(kW, kH);
    Rng rng(d.seed);
    std::vector<Glowing> groups;
    for (const RGB &colour : d.colours)
        groups.push_back({Plane(kW, kH), colour});
    for (const Pt &p : spreadAround(rng, d.count, d.depth)) {
        const double size = std::pow(rng.uniform(), d.power) * d.range + d.smallest;
        d.scatter(groups, rng, p, size);
    }
    addGlowing(c, groups, d.glowSigma, 1.4);
    d.finish(c, rng);
    addFrame(b, d.file, c, d.seed);
}

// 1503: glowing hearts around the border, with sparkles.
const GlowingShapes kHearts = {
    "colorful/aixin2.jpg", 1503, {RGB(1.0, 0.3, 0.5), RGB(1.0, 0.55, 0.7), RGB(0.95, 0.15, 0.25), RGB(1.0, 0.85, 0.9)},
    46, 90, 1.5, 50, 14, 8,
    [](std::vector<Glowing> &groups, Rng &rng, const Pt &p, double size) {
        fillHeart(groups[rng.below(4)].fill, p.x, p.y, size, rng.range(-0.5, 0.5));
    },
    [](Canvas &c, Rng &rng) {
        for (int i = 0; i < 30; ++i) {
            const Pt p = borderPoint(rng, 120);
            addSparkle(c, p.x, p.y, rng.range(4, 10), RGB(1, 0.9, 0.95), 0.8);
        }
    }};

// 1504: five-pointed stars of several sizes, with fine dots.
const GlowingShapes kStars = {
    "colorful/wujiaoxing1.jpg", 1504,
    {RGB(1.0, 0.82, 0.3), RGB(1.0, 0.95, 0.75), RGB(0.65, 0.85, 1.0), RGB(1.0, 0.65, 0.35)}, 40, 95, 1.6, 42, 8, 7,
    [](std::vector<Glowing> &groups, Rng &rng, const Pt &p, double size) {
        fillPolygon(groups[rng.below(4)].fill, starPolygon(p.x, p.y, size, size * 0.42, 5, rng.range(-0.6, 0.6)));
    },
    [](Canvas &c, Rng &rng) {
        Plane dots(kW, kH);
        for (int i = 0; i < 120; ++i) {
            const Pt p = borderPoint(rng, 150);
            addDot(dots, p.x, p.y, rng.range(0.6, 1.6), static_cast<float>(rng.range(0.5, 1)));
        }
        c.addLight(dots, RGB(1, 0.95, 0.8));
    }};

// 1505: flowers of the seven colours gathered in the corners, with leaves.
void flowers(Bundle &b)
{
    Canvas c(kW, kH);
    Rng rng(1505);
    const RGB rainbow[7] = {{1.0, 0.2, 0.25}, {1.0, 0.55, 0.1}, {1.0, 0.9, 0.2}, {0.35, 0.9, 0.3},
                            {0.2, 0.85, 0.95}, {0.3, 0.45, 1.0}, {0.7, 0.35, 1.0}};
    std::vector<Glowing> petals;
    for (const RGB &col : rainbow)
        petals.push_back({Plane(kW, kH), col});
    Plane centres(kW, kH), leaves(kW, kH);
    struct Cluster {
        double x, y, spread;
        int count;
    };
    const Cluster clusters[] = {{0, 0, 230, 13}, {kW, kH, 230, 13}, {kW, 0, 130, 6}, {0, kH, 130, 6}};
    int colour = 0;
    for (const Cluster &cl : clusters)
        for (int i = 0; i < cl.count; ++i) {
            const double a = rng.range(0, kPi / 2), dist = std::pow(rng.uniform(), 0.8) * cl.spread;
            const double sx = cl.x == 0 ? 1 : -1, sy = cl.y == 0 ? 1 : -1;
            const double x = cl.x + sx * std::cos(a) * dist, y = cl.y + sy * std::sin(a) * dist;
            const double r = rng.range(22, 48) * (1.2 - dist / cl.spread * 0.55);
            // Two leaves behind each flower.
            for (int l = 0; l < 2; ++l) {
                const double la = rng.range(0, 2 * kPi), len = r * 1.5;
                const double lx = x + std::cos(la) * len * 0.7, ly = y + std::sin(la) * len * 0.7;
                const double ca = std::cos(la), sa = std::sin(la);
                leaves.addShape(lx - len, ly - len, lx + len, ly + len, [&](double px, double py) {
                    const double dx = px - lx, dy = py - ly;
                    const double along = (dx * ca + dy * sa) / (len * 0.6), across = (-dx * sa + dy * ca) / (len * 0.22);
                    return along * along + across * across <= 1;
                });
            }
            fillFlower(petals[colour % 7].fill, centres, x, y, r, 5 + rng.below(3), rng.range(0, kPi));
            ++colour;
        }
    Plane leafGlow = leaves;
    leafGlow.blur(3);
    c.addLight(leafGlow, RGB(0.1, 0.45, 0.15), 0.6);
    c.paint(leaves, RGB(0.15, 0.55, 0.2), 0.8);
    addGlowing(c, petals, 5, 0.7);
    c.paint(centres, RGB(1.0, 0.95, 0.6), 1.0);
    addFrame(b, "colorful/qisehua1.jpg", c, 1505);
}

struct ColourfulInfo {
    int id;
    const char *file;
    int mode;
    const char *label;
    void (*draw)(Bundle &);
};
const ColourfulInfo kColourful[] = {
    {1500, "colorful/guangyun1.jpg", 1, "Halo", halo},
    {1501, "colorful/yinhe2.jpg", 2, "Galaxy", galaxy},
    {1502, "colorful/xueye1.jpg", 1, "Snowy night", snowyNight},
    {1503, "colorful/aixin2.jpg", 2, "Hearts", [](Bundle &b) { drawGlowingShapes(b, kHearts); }},
    {1504, "colorful/wujiaoxing1.jpg", 1, "Stars", [](Bundle &b) { drawGlowingShapes(b, kStars); }},
    {1505, "colorful/qisehua1.jpg", 1, "Flowers", flowers},
};

void colourfulIndex(Bundle &bundle)
{
    int order = 0;
    for (const ColourfulInfo &f : kColourful) {
        QJsonObject e;
        e.insert("id", f.id);
        e.insert("name", f.label);
        e.insert("mask", QString(":/") + f.file);
        e.insert("mode", f.mode);
        bundle.addIndexEntry("colorfulFrames", order++, e);
    }
}

}  // namespace

void addColorfulFrameJobs(std::vector<Job> &jobs)
{
    addDesignJobs(jobs, "", kColourful, [](Bundle &b, const ColourfulInfo &frame, int) { frame.draw(b); });
    jobs.push_back({"index/colorfulFrames", colourfulIndex});
}

}  // namespace resgen
