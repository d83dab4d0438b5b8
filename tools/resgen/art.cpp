// The generator's drawing helpers declared in art.h: noise, float planes and
// canvases, blurs, picture encoding and decoding.
#include "art.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace resgen {

RGB hsv(double h, double s, double v)
{
    h = h - std::floor(h);
    const double c = v * s;
    const double hp = h * 6;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    RGB out;
    if (hp < 1) out = {c, x, 0};
    else if (hp < 2) out = {x, c, 0};
    else if (hp < 3) out = {0, c, x};
    else if (hp < 4) out = {0, x, c};
    else if (hp < 5) out = {x, 0, c};
    else out = {c, 0, x};
    const double m = v - c;
    return {out.r + m, out.g + m, out.b + m};
}

namespace {

inline uint64_t hash3(int64_t x, int64_t y, uint64_t seed)
{
    uint64_t h = seed * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(x) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ (h >> 31)) * 0xBF58476D1CE4E5B9ull;
    h ^= static_cast<uint64_t>(y) * 0x165667B19E3779F9ull;
    h = (h ^ (h >> 29)) * 0x94D049BB133111EBull;
    return h ^ (h >> 32);
}

inline double lattice(int64_t x, int64_t y, int period, uint64_t seed)
{
    x %= period;
    y %= period;
    if (x < 0) x += period;
    if (y < 0) y += period;
    return (hash3(x, y, seed) >> 11) * (1.0 / 9007199254740992.0);
}

inline double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

double TileNoise::at(double x, double y, int period, uint64_t seed) const
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double tx = fade(x - fx), ty = fade(y - fy);
    const double a = lattice(ix, iy, period, seed), b = lattice(ix + 1, iy, period, seed);
    const double c = lattice(ix, iy + 1, period, seed), d = lattice(ix + 1, iy + 1, period, seed);
    return lerp(lerp(a, b, tx), lerp(c, d, tx), ty);
}

double TileNoise::fbm(double x, double y, int octaves, double gain) const
{
    double sum = 0, amp = 1, norm = 0;
    int period = m_period;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * at(x, y, period, m_seed + 1013 * o);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / norm;
}

namespace {

// One box pass of the given radius along a line of n values at stride.
void boxLine(float *data, int n, std::ptrdiff_t stride, int radius, bool wrap, std::vector<float> &tmp)
{
    tmp.resize(n);
    for (int i = 0; i < n; ++i)
        tmp[i] = data[i * stride];
    auto sample = [&](int i) {
        if (wrap) {
            i %= n;
            if (i < 0) i += n;
        } else {
            i = std::clamp(i, 0, n - 1);
        }
        return tmp[i];
    };
    double acc = 0;
    for (int i = -radius; i <= radius; ++i)
        acc += sample(i);
    const double inv = 1.0 / (2 * radius + 1);
    for (int i = 0; i < n; ++i) {
        data[i * stride] = static_cast<float>(acc * inv);
        acc += sample(i + radius + 1) - sample(i - radius);
    }
}

}  // namespace

void Plane::blur(double sigma, bool wrap)
{
    if (sigma <= 0.3 || w == 0 || h == 0)
        return;
    // Three boxes of width ~ sqrt(12 sigma^2 / 3 + 1) approximate the Gaussian.
    const int radius = std::max(1, static_cast<int>(std::lround((std::sqrt(4.0 * sigma * sigma + 1) - 1) / 2)));
    std::vector<float> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            boxLine(&v[static_cast<std::size_t>(y) * w], w, 1, radius, wrap, tmp);
        for (int x = 0; x < w; ++x)
            boxLine(&v[x], h, w, radius, wrap, tmp);
    }
}

namespace {

// Calls f(x, y), row by row, for every pixel of a w x h plane that the box
// [x0, x1) x [y0, y1) touches.
template <typename F>
void forPixelsIn(int w, int h, double x0, double y0, double x1, double y1, F f)
{
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(w, static_cast<int>(std::ceil(x1)));
    const int iy1 = std::min(h, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x)
            f(x, y);
}

}  // namespace

void Plane::addShape(double x0, double y0, double x1, double y1, const std::function<bool(double, double)> &inside,
                     float weight)
{
    forPixelsIn(w, h, x0, y0, x1, y1, [&](int x, int y) {
        int n = 0;
        for (int sy = 0; sy < 4; ++sy)
            for (int sx = 0; sx < 4; ++sx)
                n += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
        if (n)
            at(x, y) += weight * n / 16.0f;
    });
}

void Plane::maxDistanceShape(double x0, double y0, double x1, double y1,
                             const std::function<double(double, double)> &distance, float weight)
{
    forPixelsIn(w, h, x0, y0, x1, y1, [&](int x, int y) {
        const double d = distance(x + 0.5, y + 0.5);
        const float c = static_cast<float>(clamp01(0.5 - d)) * weight;
        if (c > at(x, y))
            at(x, y) = c;
    });
}

Canvas::Canvas(int w_, int h_, RGB fill)
    : w(w_), h(h_), r(w_, h_, static_cast<float>(fill.r)), g(w_, h_, static_cast<float>(fill.g)),
      b(w_, h_, static_cast<float>(fill.b))
{
}

void Canvas::withAlpha(float fill) { a = Plane(w, h, fill); }

void Canvas::shade(const std::function<RGB(int, int, double, double)> &f)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            set(x, y, f(x, y, (x + 0.5) / w, (y + 0.5) / h));
}

void Canvas::addLight(const Plane &p, const RGB &c, double gain)
{
    const float kr = static_cast<float>(c.r * gain), kg = static_cast<float>(c.g * gain),
                kb = static_cast<float>(c.b * gain);
    for (std::size_t i = 0; i < p.v.size(); ++i) {
        const float s = p.v[i];
        if (s == 0)
            continue;
        r.v[i] += kr * s;
        g.v[i] += kg * s;
        b.v[i] += kb * s;
    }
}

void Canvas::paint(const Plane &p, const RGB &c, double opacity)
{
    for (std::size_t i = 0; i < p.v.size(); ++i) {
        const float k = static_cast<float>(std::min(1.0f, p.v[i]) * opacity);
        if (k <= 0)
            continue;
        r.v[i] += (static_cast<float>(c.r) - r.v[i]) * k;
        g.v[i] += (static_cast<float>(c.g) - g.v[i]) * k;
        b.v[i] += (static_cast<float>(c.b) - b.v[i]) * k;
    }
}

void Canvas::darken(const Plane &p, double strength)
{
    for (std::size_t i = 0; i < p.v.size(); ++i) {
        const float k = 1.0f - static_cast<float>(strength) * std::min(1.0f, p.v[i]);
        r.v[i] *= k;
        g.v[i] *= k;
        b.v[i] *= k;
    }
}

void Canvas::addGlow(double cx, double cy, double sigma, const RGB &c, double gain)
{
    const double reach = sigma * 3.5;
    const int x0 = std::max(0, static_cast<int>(cx - reach)), x1 = std::min(w, static_cast<int>(cx + reach) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - reach)), y1 = std::min(h, static_cast<int>(cy + reach) + 1);
    const double k = -0.5 / (sigma * sigma);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double e = gain * std::exp((dx * dx + dy * dy) * k);
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            r.v[i] += static_cast<float>(c.r * e);
            g.v[i] += static_cast<float>(c.g * e);
            b.v[i] += static_cast<float>(c.b * e);
        }
}

void Canvas::blur(double sigma)
{
    r.blur(sigma);
    g.blur(sigma);
    b.blur(sigma);
    if (!a.v.empty())
        a.blur(sigma);
}

QImage Canvas::toImage() const
{
    const bool alpha = !a.v.empty();
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    auto to8 = [](float v) { return static_cast<int>(std::lround(clamp01(v) * 255.0)); };
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba(to8(r.at(x, y)), to8(g.at(x, y)), to8(b.at(x, y)), alpha ? to8(a.at(x, y)) : 255);
    }
    return img;
}

namespace {

Bytes encode(const QImage &image, const char *format, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "resgen: %s encoding failed: %s\n", format, qPrintable(writer.errorString()));
        std::abort();
    }
    return Bytes(data.begin(), data.end());
}

}  // namespace

Bytes encodeJpeg(const QImage &image, int quality)
{
    return encode(image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32),
                  "jpeg", quality);
}

Bytes encodePng(const QImage &image) { return encode(image, "png", -1); }

QImage decode(const Bytes &bytes)
{
    QImage img;
    img.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
    return img;
}

double segmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    const double dx = px - (ax + t * vx), dy = py - (ay + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace resgen
