// Drawing helpers of the generator.
//
// Contents: Rng (fixed-seed generator); TileNoise (value noise that repeats
// with a whole period, and its fractal sum); Plane and Canvas (float pictures
// with shape, glow and blur operations, drawn by our own code so the masks
// and textures never depend on the toolkit's rasteriser); conversions to
// QImage; JPEG and PNG encoding to bytes.
//
// Canvas values are 0..1 in the picture's own (sRGB) scale; adding light is
// plain addition, clamped when the canvas becomes a picture.
#pragma once

#include <QImage>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "formats/bytewriter.h"

namespace resgen {

constexpr double kPi = 3.14159265358979323846;

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

struct RGB {
    double r = 0, g = 0, b = 0;
    RGB() = default;
    constexpr RGB(double r_, double g_, double b_) : r(r_), g(g_), b(b_) {}
    static RGB hex(uint32_t v) { return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0}; }
    RGB operator*(double k) const { return {r * k, g * k, b * k}; }
    RGB operator+(const RGB &o) const { return {r + o.r, g + o.g, b + o.b}; }
};
inline RGB mix(const RGB &a, const RGB &b, double t) { return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)}; }
// Hue 0..1, saturation 0..1, value 0..1.
RGB hsv(double h, double s, double v);

// splitmix64: small, fast and the same everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return (next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return static_cast<int>(uniform() * n); }
    // Sum of uniforms: a cheap bell curve on -1..1.
    double bell() { return (uniform() + uniform() + uniform() - 1.5) / 1.5; }
    bool chance(double p) { return uniform() < p; }

private:
    uint64_t m_state;
};

// Value noise on an integer lattice that repeats every period cells in both
// directions; fbm() sums octaves whose periods double, so it repeats too.
class TileNoise {
public:
    TileNoise(uint64_t seed, int period) : m_seed(seed), m_period(period) {}
    // x, y in lattice cells; about 0..1.
    double at(double x, double y) const { return at(x, y, m_period, m_seed); }
    // Octaves of half the amplitude and twice the frequency, normalised to 0..1.
    double fbm(double x, double y, int octaves, double gain = 0.5) const;
    int period() const { return m_period; }

private:
    double at(double x, double y, int period, uint64_t seed) const;
    uint64_t m_seed;
    int m_period;
};

// One float channel.
struct Plane {
    int w = 0, h = 0;
    std::vector<float> v;
    Plane() = default;
    Plane(int w_, int h_, float fill = 0) : w(w_), h(h_), v(static_cast<std::size_t>(w_) * h_, fill) {}
    float &at(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
    float at(int x, int y) const { return v[static_cast<std::size_t>(y) * w + x]; }
    // Gaussian blur by three box passes each way (edges held); wrap repeats
    // the plane instead, for tiles.
    void blur(double sigma, bool wrap = false);
    // Coverage of a shape given by an inside test, 4 x 4 samples a pixel,
    // added (times weight) inside the box [x0, x1) x [y0, y1).
    void addShape(double x0, double y0, double x1, double y1, const std::function<bool(double, double)> &inside,
                  float weight = 1);
    // Coverage of a shape given by its signed distance (negative inside),
    // antialiased over one pixel, maximised into the plane.
    void maxDistanceShape(double x0, double y0, double x1, double y1,
                          const std::function<double(double, double)> &distance, float weight = 1);
};

// An RGB float picture with an optional alpha plane.
struct Canvas {
    int w = 0, h = 0;
    Plane r, g, b;
    Plane a;  // empty unless withAlpha()
    Canvas(int w_, int h_, RGB fill = {});
    void withAlpha(float fill);
    void set(int x, int y, const RGB &c)
    {
        r.at(x, y) = static_cast<float>(c.r);
        g.at(x, y) = static_cast<float>(c.g);
        b.at(x, y) = static_cast<float>(c.b);
    }
    RGB get(int x, int y) const { return {r.at(x, y), g.at(x, y), b.at(x, y)}; }
    // Calls f(x, y, u, v) for every pixel (u, v: 0..1 across the picture,
    // sampled at pixel centres) and stores its colour.
    void shade(const std::function<RGB(int, int, double, double)> &f);
    // Adds colour times the plane's values (light on light).
    void addLight(const Plane &p, const RGB &colour, double gain = 1);
    // Paints colour over the canvas where the plane covers it (0..1).
    void paint(const Plane &coverage, const RGB &colour, double opacity = 1);
    // Multiplies the canvas by 1 - strength * plane (a darkening stain).
    void darken(const Plane &p, double strength);
    // A Gaussian spot of light.
    void addGlow(double cx, double cy, double sigma, const RGB &colour, double gain = 1);
    void blur(double sigma);
    // Clamped and rounded to 8 bits: Format_RGB32, or Format_ARGB32 with alpha.
    QImage toImage() const;
};

// Luminance-like weight, for checks and the contact sheet.
inline double luma(const RGB &c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

Bytes encodeJpeg(const QImage &image, int quality = 88);
Bytes encodePng(const QImage &image);
QImage decode(const Bytes &bytes);

// Distance from p to the segment a-b.
double segmentDistance(double px, double py, double ax, double ay, double bx, double by);

}  // namespace resgen
