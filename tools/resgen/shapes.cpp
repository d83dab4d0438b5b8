// Shapes drawn into float planes and canvases (see shapes.h).
#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace resgen {

void addDot(Plane &p, double cx, double cy, double r, float weight)
{
    if (r < 0.5) {
        // Below a pixel: keep the area of the dot as the pixel's weight.
        const double area = kPi * r * r;
        const int x = static_cast<int>(std::floor(cx)), y = static_cast<int>(std::floor(cy));
        if (x >= 0 && y >= 0 && x < p.w && y < p.h)
            p.at(x, y) = std::max(p.at(x, y), static_cast<float>(weight * std::min(1.0, area * 1.3)));
        return;
    }
    p.maxDistanceShape(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1, [&](double x, double y) {
        return std::hypot(x - cx, y - cy) - r;
    }, weight);
}

void strokePolyline(Plane &p, const std::vector<Pt> &pts, double width, float weight)
{
    if (pts.size() < 2)
        return;
    const double half = width / 2;
    // Thin lines keep their brightness in proportion to their width.
    const float w = width < 1 ? static_cast<float>(weight * width) : weight;
    const double hw = std::max(half, 0.5);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        const Pt a = pts[i], b = pts[i + 1];
        const double x0 = std::min(a.x, b.x) - hw - 1, x1 = std::max(a.x, b.x) + hw + 1;
        const double y0 = std::min(a.y, b.y) - hw - 1, y1 = std::max(a.y, b.y) + hw + 1;
        p.maxDistanceShape(x0, y0, x1, y1, [&](double x, double y) {
            return segmentDistance(x, y, a.x, a.y, b.x, b.y) - hw;
        }, w);
    }
}

std::vector<Pt> wanderingCurve(Rng &rng, double x, double y, double heading, double length, double bend, int n)
{
    std::vector<Pt> pts;
    const double step = length / (n - 1);
    double turn = rng.range(-bend, bend);
    for (int i = 0; i < n; ++i) {
        pts.push_back({x, y});
        turn += rng.range(-bend, bend) * 0.35;
        turn = std::clamp(turn, -bend, bend);
        heading += turn / n * 4;
        x += std::cos(heading) * step;
        y += std::sin(heading) * step;
    }
    return pts;
}

void addBokeh(Canvas &c, double cx, double cy, double r, const RGB &colour, double intensity)
{
    const double soft = 1.2 + r * 0.08;
    const int x0 = std::max(0, static_cast<int>(cx - r - soft - 1)), x1 = std::min(c.w, static_cast<int>(cx + r + soft + 2));
    const int y0 = std::max(0, static_cast<int>(cy - r - soft - 1)), y1 = std::min(c.h, static_cast<int>(cy + r + soft + 2));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            const double cover = 1 - smoothstep(r - soft, r + soft * 0.5, d);
            if (cover <= 0)
                continue;
            const double rim = 1 + 0.35 * smoothstep(r * 0.6, r, d);
            const double k = cover * rim * intensity;
            const std::size_t i = static_cast<std::size_t>(y) * c.w + x;
            c.r.v[i] += static_cast<float>(colour.r * k);
            c.g.v[i] += static_cast<float>(colour.g * k);
            c.b.v[i] += static_cast<float>(colour.b * k);
        }
}

void addSparkle(Canvas &c, double cx, double cy, double size, const RGB &colour, double intensity, int rays,
                double angle)
{
    c.addGlow(cx, cy, std::max(0.8, size * 0.12), colour, intensity);
    c.addGlow(cx, cy, std::max(1.5, size * 0.35), colour, intensity * 0.25);
    const double reach = size;
    const int x0 = std::max(0, static_cast<int>(cx - reach - 2)), x1 = std::min(c.w, static_cast<int>(cx + reach + 3));
    const int y0 = std::max(0, static_cast<int>(cy - reach - 2)), y1 = std::min(c.h, static_cast<int>(cy + reach + 3));
    const double thick = std::max(0.55, size * 0.025);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            double k = 0;
            for (int i = 0; i < rays; ++i) {
                const double a = angle + kPi * i / rays;
                const double along = dx * std::cos(a) + dy * std::sin(a);
                const double across = -dx * std::sin(a) + dy * std::cos(a);
                // Even rays long, odd ones shorter (eight-ray bursts).
                const double len = (i % 2 == 0 || rays <= 2) ? reach : reach * 0.45;
                const double t = std::fabs(along) / len;
                if (t >= 1)
                    continue;
                k += std::pow(1 - t, 2.2) * std::exp(-across * across / (2 * thick * thick));
            }
            if (k <= 0)
                continue;
            k *= intensity;
            const std::size_t i = static_cast<std::size_t>(y) * c.w + x;
            c.r.v[i] += static_cast<float>(colour.r * k);
            c.g.v[i] += static_cast<float>(colour.g * k);
            c.b.v[i] += static_cast<float>(colour.b * k);
        }
}

void addSnowCrystal(Plane &p, double cx, double cy, double radius, double angle, double width, float weight)
{
    for (int arm = 0; arm < 6; ++arm) {
        const double a = angle + arm * kPi / 3;
        const double ca = std::cos(a), sa = std::sin(a);
        strokePolyline(p, {{cx, cy}, {cx + ca * radius, cy + sa * radius}}, width, weight);
        // Two pairs of side branches along each arm.
        for (double t : {0.45, 0.72}) {
            const double bx = cx + ca * radius * t, by = cy + sa * radius * t;
            const double len = radius * (t < 0.5 ? 0.34 : 0.22);
            for (double side : {-1.0, 1.0}) {
                const double b = a + side * kPi / 3.2;
                strokePolyline(p, {{bx, by}, {bx + std::cos(b) * len, by + std::sin(b) * len}}, width * 0.85, weight);
            }
        }
    }
    addDot(p, cx, cy, width * 1.4, weight);
}

void fillPolygon(Plane &p, const std::vector<Pt> &poly, float weight)
{
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt &q : poly) {
        x0 = std::min(x0, q.x);
        y0 = std::min(y0, q.y);
        x1 = std::max(x1, q.x);
        y1 = std::max(y1, q.y);
    }
    p.addShape(x0 - 1, y0 - 1, x1 + 1, y1 + 1, [&](double x, double y) {
        int winding = 0;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const Pt a = poly[i], b = poly[(i + 1) % poly.size()];
            const double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
            if (a.y <= y) {
                if (b.y > y && cross > 0)
                    ++winding;
            } else if (b.y <= y && cross < 0) {
                --winding;
            }
        }
        return winding != 0;
    }, weight);
}

std::vector<Pt> starPolygon(double cx, double cy, double outer, double inner, int points, double angle)
{
    std::vector<Pt> poly;
    for (int i = 0; i < points * 2; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double a = angle - kPi / 2 + i * kPi / points;
        poly.push_back({cx + std::cos(a) * r, cy + std::sin(a) * r});
    }
    return poly;
}

void fillHeart(Plane &p, double cx, double cy, double size, double angle, float weight)
{
    const double s = size / 2.3;  // the implicit heart spans about 2.3 units tall
    const double ca = std::cos(angle), sa = std::sin(angle);
    p.addShape(cx - size, cy - size, cx + size, cy + size, [&](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double u = (dx * ca + dy * sa) / s;
        const double v = -(-dx * sa + dy * ca) / s + 0.15;
        const double q = u * u + v * v - 1;
        return q * q * q - u * u * v * v * v <= 0;
    }, weight);
}

void fillFlower(Plane &petals, Plane &centre, double cx, double cy, double radius, int petalCount, double angle)
{
    const double core = radius * 0.28;
    petals.addShape(cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1, [&](double x, double y) {
        const double dx = x - cx, dy = y - cy;
        const double r = std::hypot(dx, dy) / radius;
        const double a = std::atan2(dy, dx) - angle;
        // Rounded petals: the outline swells to the full radius between gaps.
        const double lobe = std::pow(std::fabs(std::cos(a * petalCount / 2)), 0.6);
        return r <= 0.35 + 0.65 * lobe;
    });
    addDot(centre, cx, cy, core);
}

}  // namespace resgen
