// The looks' masks and textures (style/ and the look textures in colorful/),
// and the index of the looks.
//
// How each is read by its look decides how it is drawn: a texture that is
// screen-blended shows only where it is bright, so it is light on black; one
// that is soft-lit or overlaid brightens where light and darkens where dark,
// so it lives around mid grey; the composite-colour steps and multiplies act
// as vignettes and glows, bright where the photo should stay.
#include <QJsonArray>
#include <cmath>

#include "art.h"
#include "jobs.h"
#include "shapes.h"

namespace resgen {

// Adds +-half a level of fixed noise, so smooth gradients do not band.
void ditherCanvas(Canvas &c, uint64_t seed);

void ditherCanvas(Canvas &c, uint64_t seed)
{
    Rng rng(seed);
    for (std::size_t i = 0; i < c.r.v.size(); ++i) {
        const float d = static_cast<float>((rng.uniform() - 0.5) / 255.0);
        c.r.v[i] += d;
        c.g.v[i] += d;
        c.b.v[i] += d;
    }
}

namespace {

// Position measures: dx, dy from the centre in half-sizes (-1..1 across).
struct Polar {
    double dx, dy, r;
};
Polar polar(double u, double v)
{
    const double dx = (u - 0.5) * 2, dy = (v - 0.5) * 2;
    return {dx, dy, std::sqrt(dx * dx + dy * dy)};
}

void addJpeg(Bundle &bundle, const std::string &path, Canvas &c, uint64_t seed, int quality = 88)
{
    ditherCanvas(c, seed);
    bundle.add(path, encodeJpeg(c.toImage(), quality));
}

// The plain vignettes: the centre colour inside, the rim colour towards the
// corners, blending from radius start to 1.45 with the given power.
struct Vignette {
    const char *file;  // under style/
    int w, h;
    RGB centre, rim;
    double start, power;
    uint64_t seed;
};

const Vignette kVignettes[] = {
    // 1018 and 1032: warm classic lomo vignette (composite at 0.8).
    {"qvrk_lomo4.jpg", 354, 493, RGB(1.0, 0.985, 0.95), RGB(0.30, 0.22, 0.16), 0.30, 1.1, 1},
    // 1018 (composite at 0.6) and 1032 (multiply through effect034): neutral vignette.
    {"qvrk_lomo1_2.jpg", 354, 492, RGB(1, 1, 1), RGB(0.16, 0.16, 0.18), 0.38, 1.25, 2},
    // 1038: vignette around mid grey (soft light through effect5).
    {"qvrk_lomo5_2.jpg", 400, 535, RGB(0.56, 0.52, 0.42), RGB(0.16, 0.11, 0.06), 0.35, 1.2, 9},
    // 1041 (multiply) and 1048 (composite): a bright warm centre fading out.
    {"blowout2.jpg", 600, 600, RGB(1.0, 0.985, 0.95), RGB(0.74, 0.58, 0.44), 0.15, 0.9, 10},
    // 1041 (soft light) and 1048 (composite): mid grey inside a dark rim.
    {"vignette640.jpg", 600, 600, RGB(0.5, 0.5, 0.5), RGB(0.1, 0.1, 0.11), 0.45, 1.3, 11},
};

void makeVignette(Bundle &b, const Vignette &look, int)
{
    Canvas c(look.w, look.h);
    c.shade([&](int, int, double u, double v) {
        const double t = std::pow(smoothstep(look.start, 1.45, polar(u, v).r), look.power);
        return mix(look.centre, look.rim, t);
    });
    addJpeg(b, std::string("style/") + look.file, c, look.seed);
}

// 1032: a colour wash, cyan at the top left to magenta at the bottom right,
// around mid grey for the soft light of effect034.
void lomo1_1(Bundle &b)
{
    Canvas c(355, 492);
    const RGB cyan(0.30, 0.60, 0.68), magenta(0.74, 0.36, 0.62), warm(0.72, 0.58, 0.40);
    c.shade([&](int, int, double u, double v) {
        const double t = smoothstep(0.1, 0.9, u * 0.45 + v * 0.55);
        RGB col = mix(cyan, magenta, t);
        // A warm patch towards the top right keeps the wash from looking flat.
        const double warmth = std::exp(-((u - 0.9) * (u - 0.9) + (v - 0.12) * (v - 0.12)) / 0.06);
        return mix(col, warm, 0.6 * warmth);
    });
    addJpeg(b, "style/qvrk_lomo1_1.jpg", c, 3);
}

// 1026: dust, specks, hairs and scratches, white on black, with faded worn
// edges (screen at 0.8).
void oldPhotoDust(Bundle &b)
{
    const int w = 333, h = 500;
    Canvas c(w, h);
    Rng rng(1026);
    TileNoise haze(26, 8);
    c.shade([&](int, int, double u, double v) {
        const double edge = std::min(std::min(u, 1 - u) * w, std::min(v, 1 - v) * h);
        const double wear = std::exp(-edge / 7.0) * (0.2 + 0.6 * haze.fbm(u * 24, v * 24, 3));
        const double fog = 0.025 + 0.05 * std::pow(haze.fbm(u * 3, v * 4, 4), 2.0);
        const double k = fog + wear * 0.7;
        return RGB(k, k * 0.98, k * 0.94);
    });
    Plane marks(w, h);
    for (int i = 0; i < 260; ++i)  // specks
        addDot(marks, rng.range(0, w), rng.range(0, h), rng.range(0.25, 1.1), static_cast<float>(rng.range(0.35, 0.95)));
    for (int i = 0; i < 30; ++i) {  // dust clumps: a few dots together
        const double x = rng.range(0, w), y = rng.range(0, h);
        const int n = 2 + rng.below(4);
        for (int k = 0; k < n; ++k)
            addDot(marks, x + rng.range(-2.5, 2.5), y + rng.range(-2.5, 2.5), rng.range(0.6, 1.8),
                   static_cast<float>(rng.range(0.5, 0.9)));
    }
    for (int i = 0; i < 9; ++i) {  // hairs
        auto curve = wanderingCurve(rng, rng.range(0, w), rng.range(0, h), rng.range(0, 2 * kPi), rng.range(18, 70), 0.9);
        strokePolyline(marks, curve, rng.range(0.5, 0.9), static_cast<float>(rng.range(0.6, 0.95)));
    }
    for (int i = 0; i < 5; ++i) {  // vertical scratches, broken in places
        const double x = rng.range(0.05, 0.95) * w;
        const double y0 = rng.range(0, h * 0.5), len = rng.range(h * 0.3, h);
        std::vector<Pt> line;
        for (int k = 0; k <= 40; ++k) {
            const double t = k / 40.0;
            line.push_back({x + std::sin(t * 5 + i) * 1.5 + t * rng.range(-1, 1), y0 + t * len});
        }
        Plane scratch(w, h);
        strokePolyline(scratch, line, rng.range(0.45, 0.8), static_cast<float>(rng.range(0.45, 0.8)));
        const double phase = rng.range(0, 10);
        for (int y = 0; y < h; ++y) {
            const double gap = smoothstep(0.35, 0.6, haze.at(y / 17.0 + phase, i * 3.0));
            for (int xx = 0; xx < w; ++xx)
                scratch.at(xx, y) *= static_cast<float>(gap);
        }
        for (std::size_t k = 0; k < marks.v.size(); ++k)
            marks.v[k] = std::max(marks.v[k], scratch.v[k]);
    }
    c.addLight(marks, RGB(0.95, 0.93, 0.88));
    addJpeg(b, "style/qvrk_lzp_b.jpg", c, 4, 90);
}

// 1030: a warm red-orange light leak from the left edge, black elsewhere
// (screen): a glow along the edge whose reach varies, and a few brighter
// streaks sweeping in at a slant, yellow-white where they are strongest.
void lightLeak(Bundle &b)
{
    const int w = 765, h = 1024;
    Canvas c(w, h);
    TileNoise n(1030, 4);
    struct Streak {
        double v, slope, width, gain;
    };
    const Streak streaks[] = {{0.18, -0.35, 0.07, 0.9}, {0.47, -0.25, 0.05, 0.6}, {0.78, -0.4, 0.09, 0.75}};
    c.shade([&](int, int, double u, double v) {
        const double reach = 0.13 + 0.14 * n.fbm(v * 2.5, 0.5, 3);
        double k = 0.85 * std::exp(-u / reach);
        for (const Streak &s : streaks) {
            const double d = (v - s.v - s.slope * u) / s.width;
            k += s.gain * std::exp(-d * d) * std::exp(-u / 0.42);
        }
        // A fainter leak in the bottom-right corner.
        const double du = 1 - u, dv = 1 - v;
        k += 0.5 * std::exp(-std::sqrt(du * du * 3 + dv * dv) / 0.13);
        k *= 0.85 + 0.3 * n.fbm(u * 3 + 7, v * 5, 3);
        RGB col = mix(RGB(0.6, 0.04, 0.03), RGB(1.0, 0.38, 0.08), smoothstep(0.05, 0.55, k));
        col = mix(col, RGB(1.0, 0.88, 0.6), smoothstep(0.75, 1.3, k));
        return col * std::min(1.0, k * 1.15);
    });
    addJpeg(b, "style/qvrk_lianghong_001.jpg", c, 5);
}

// Paper fibres on a plane around 0: light and dark short curved fibres.
void fibres(Plane &p, Rng &rng, int count, double minLen, double maxLen, double strength)
{
    Plane light(p.w, p.h), dark(p.w, p.h);
    for (int i = 0; i < count; ++i) {
        auto curve = wanderingCurve(rng, rng.range(0, p.w), rng.range(0, p.h), rng.range(0, 2 * kPi),
                                    rng.range(minLen, maxLen), 1.6, 10);
        strokePolyline(rng.chance(0.5) ? light : dark, curve, rng.range(0.5, 1.3), static_cast<float>(rng.range(0.4, 1)));
    }
    for (std::size_t i = 0; i < p.v.size(); ++i)
        p.v[i] += static_cast<float>(strength * (light.v[i] - dark.v[i]));
}

// 1031: neutral paper fibre around mid grey (overlay through effect6).
void paperFibre1(Bundle &b)
{
    const int w = 765, h = 1024;
    Rng rng(10311);
    TileNoise n(10311, 16);
    Plane p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = static_cast<float>(0.08 * (n.fbm(x / 40.0, y / 40.0, 5) - 0.5) + 0.035 * (rng.uniform() - 0.5));
    fibres(p, rng, 2600, 6, 30, 0.09);
    Canvas c(w, h);
    c.shade([&](int x, int y, double, double) {
        const double k = 0.5 + p.at(x, y);
        return RGB(k, k, k);
    });
    addJpeg(b, "style/qvrk_laozhaop2_wenli1.jpg", c, 6);
}

// 1031: kraft-brown paper with mottling, two folds and darker edges; the
// photo is multiplied by it through effect6, as ink printed on brown paper.
void paperFibre2(Bundle &b)
{
    const int w = 765, h = 1024;
    Rng rng(10312);
    TileNoise n(10312, 8);
    Plane grain(w, h);
    fibres(grain, rng, 1500, 4, 18, 0.05);
    Canvas c(w, h);
    const double fold1 = rng.range(0.3, 0.45), fold2 = rng.range(0.55, 0.7);
    c.shade([&](int x, int y, double u, double v) {
        const double mottle = n.fbm(u * 6, v * 8, 5) - 0.5;
        const double blotch = std::pow(n.fbm(u * 2 + 3, v * 2 + 5, 4), 3.0);
        // A fold is a thin light line with a dark shoulder on one side.
        const double d1 = (v - fold1 - 0.03 * (u - 0.5)) * h;
        const double d2 = (u - fold2 + 0.02 * (v - 0.5)) * w;
        const double fold = 0.06 * std::exp(-d1 * d1 / 3) - 0.05 * std::exp(-(d1 - 4) * (d1 - 4) / 18) +
                            0.05 * std::exp(-d2 * d2 / 3) - 0.04 * std::exp(-(d2 + 4) * (d2 + 4) / 18);
        const Polar pol = polar(u, v);
        const double edge = -0.12 * smoothstep(0.7, 1.45, pol.r);
        const double k = mottle * 0.12 - blotch * 0.12 + fold + edge + grain.at(x, y);
        return RGB(0.96 + k, 0.77 + k * 0.9, 0.53 + k * 0.75);
    });
    addJpeg(b, "style/qvrk_laozhaop2_wenli2.jpg", c, 7);
}

// 1038: yellowed paper with water stains and foxing (multiply through effect5).
void stains(Bundle &b)
{
    const int w = 400, h = 535;
    Rng rng(1038);
    TileNoise n(1038, 8);
    Plane stain(w, h);
    for (int i = 0; i < 4; ++i) {  // water rings: a dark rim around a lighter patch
        const double cx = rng.range(0, w), cy = rng.range(0, h), r = rng.range(30, 90);
        const double phase = rng.range(0, 20);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double a = std::atan2(y - cy, x - cx);
                const double rr = r * (1 + 0.06 * std::sin(3 * a + phase) + 0.04 * std::sin(5 * a + 2 * phase) +
                                       0.03 * std::sin(8 * a - phase));
                const double d = std::hypot(x - cx, y - cy) - rr;
                stain.at(x, y) += static_cast<float>(0.55 * std::exp(-d * d / 10) + (d < 0 ? 0.12 : 0));
            }
    }
    for (int i = 0; i < 70; ++i)  // foxing: small brown spots
        addDot(stain, rng.range(0, w), rng.range(0, h), rng.range(0.6, 2.6), static_cast<float>(rng.range(0.3, 0.8)));
    stain.blur(0.8);
    Canvas c(w, h);
    c.shade([&](int x, int y, double u, double v) {
        const double blotch = std::pow(n.fbm(u * 3, v * 3, 5), 2.5) * 0.5;
        const Polar p = polar(u, v);
        const double edge = smoothstep(0.75, 1.45, p.r) * 0.45;
        const double s = std::min(1.0, stain.at(x, y) * 0.6 + blotch + edge);
        const RGB paper(1.0, 0.91, 0.60), brown(0.62, 0.42, 0.20);
        return mix(paper, brown, s);
    });
    addJpeg(b, "style/qvrk_lomo5_1.jpg", c, 8);
}

// 1048: a pink-rose gradient around mid grey (composite).
void pinkRose(Bundle &b)
{
    Canvas c(600, 600);
    c.shade([&](int, int, double u, double v) {
        const double t = smoothstep(0, 1, u * 0.4 + v * 0.6);
        RGB col = mix(RGB(0.88, 0.62, 0.68), RGB(0.64, 0.44, 0.56), t);
        const double glow = std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.25) * (v - 0.25)) / 0.08);
        return mix(col, RGB(0.95, 0.78, 0.78), 0.35 * glow);
    });
    addJpeg(b, "style/qvrk_fhjr3.jpg", c, 12);
}

// 1102: a golden sun glow from the top, on black (screen).
void sunGlow(Bundle &b)
{
    const int w = 600, h = 600;
    Canvas c(w, h);
    TileNoise n(1102, 32);
    c.shade([&](int, int, double u, double v) {
        const double dx = u - 0.55, dy = v + 0.12;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double angle = std::atan2(dy, dx);
        const double rays = 0.75 + 0.25 * n.fbm(angle * 9 + 40, 0.5, 3);
        const double k = std::exp(-d * d / 0.10) * 0.9 + std::exp(-d / 0.28) * 0.35 * rays;
        RGB col = mix(RGB(0.85, 0.42, 0.10), RGB(1.0, 0.80, 0.42), smoothstep(0.2, 0.8, k));
        col = mix(col, RGB(1.0, 0.95, 0.80), smoothstep(0.8, 1.1, k));
        return col * std::min(1.1, k);
    });
    addJpeg(b, "style/qvrk_rgha.jpg", c, 13);
}

// 1042: coloured bokeh lights and small stars on black, gathered at the top
// and bottom so the middle of the picture stays clear (screen).
void festival(Bundle &b)
{
    const int w = 400, h = 600;
    Canvas c(w, h);
    Rng rng(1042);
    const RGB colours[] = {{1.0, 0.25, 0.18}, {1.0, 0.72, 0.25}, {0.35, 0.85, 0.35}, {1.0, 0.9, 0.7}, {0.95, 0.4, 0.5}};
    for (int i = 0; i < 95; ++i) {
        const bool top = rng.chance(0.55);
        const double depth = std::pow(rng.uniform(), 1.6);  // 0 at the edge
        const double y = top ? depth * h * 0.34 : h - depth * h * 0.30;
        const double r = rng.range(5, 24) * (1.1 - depth * 0.5);
        addBokeh(c, rng.range(-10, w + 10), y, r, colours[rng.below(5)], rng.range(0.22, 0.55) * (1 - depth * 0.5));
    }
    for (int i = 0; i < 26; ++i) {
        const bool top = rng.chance(0.5);
        const double y = top ? rng.range(0, h * 0.38) : h - rng.range(0, h * 0.33);
        addSparkle(c, rng.range(0, w), y, rng.range(4, 14), RGB(1.0, 0.93, 0.75), rng.range(0.6, 1.0), 4,
                   rng.range(0, 0.6));
    }
    addJpeg(b, "style/qvrk_festival_1b.jpg", c, 14);
}

// 1047: a cross-process tint, yellow-green to magenta; its alpha sets the
// strength, transparent in the middle and opaque at the rim.
void crossProcess(Bundle &b)
{
    const int n = 640;
    Canvas c(n, n);
    c.withAlpha(0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double u = (x + 0.5) / n, v = (y + 0.5) / n;
            const Polar p = polar(u, v);
            const double t = smoothstep(0.0, 1.0, u * 0.5 + v * 0.5);
            c.set(x, y, mix(RGB(0.78, 0.88, 0.28), RGB(0.82, 0.26, 0.66), t));
            c.a.at(x, y) = static_cast<float>(std::pow(smoothstep(0.2, 1.3, p.r), 0.9));
        }
    b.add("style/qvrk_fzs.png", encodePng(c.toImage()));
}

// 1043: falling snow, white on black: far dots, nearer flakes, a few
// out-of-focus flakes in front and some crystals (screen).
void snow(Bundle &b)
{
    const int w = 600, h = 803;
    Canvas c(w, h);
    Rng rng(1043);
    Plane far(w, h), mid(w, h), near(w, h), crystals(w, h);
    for (int i = 0; i < 900; ++i)
        addDot(far, rng.range(0, w), rng.range(0, h), rng.range(0.4, 1.1), static_cast<float>(rng.range(0.35, 0.85)));
    for (int i = 0; i < 220; ++i)
        addDot(mid, rng.range(0, w), rng.range(0, h), rng.range(1.3, 3.0), static_cast<float>(rng.range(0.6, 1.0)));
    for (int i = 0; i < 26; ++i)
        addDot(near, rng.range(0, w), rng.range(0, h), rng.range(5, 12), static_cast<float>(rng.range(0.35, 0.7)));
    for (int i = 0; i < 14; ++i)
        addSnowCrystal(crystals, rng.range(0, w), rng.range(0, h), rng.range(6, 15), rng.range(0, 1), 1.1,
                       static_cast<float>(rng.range(0.75, 1.0)));
    mid.blur(0.7);
    near.blur(3.0);
    Plane glow = crystals;
    glow.blur(3.0);
    const RGB white(0.97, 0.98, 1.0);
    c.addLight(far, white);
    c.addLight(mid, white);
    c.addLight(near, white, 0.9);
    c.addLight(crystals, white);
    c.addLight(glow, RGB(0.75, 0.85, 1.0), 0.8);
    addJpeg(b, "colorful/2.jpg", c, 15);
}

// 1044: city lights out of focus in the lower part and a soft glow (screen).
void nightLights(Bundle &b)
{
    const int w = 598, h = 800;
    Canvas c(w, h);
    Rng rng(1044);
    c.shade([&](int, int, double u, double v) {
        const double k = 0.22 * std::pow(smoothstep(0.45, 1.0, v), 1.5) * (0.8 + 0.2 * std::sin(u * 7));
        return RGB(k * 1.0, k * 0.55, k * 0.22);
    });
    const RGB warm[] = {{1.0, 0.62, 0.2}, {1.0, 0.8, 0.35}, {1.0, 0.42, 0.18}, {0.95, 0.9, 0.7}};
    const RGB cool[] = {{0.3, 0.6, 1.0}, {0.4, 0.95, 0.9}, {0.8, 0.4, 1.0}};
    for (int i = 0; i < 150; ++i) {
        const double v = 1 - std::pow(rng.uniform(), 1.8) * 0.62;  // denser towards the bottom
        const double r = rng.range(6, 26) * (0.6 + 0.7 * (v - 0.38));
        const RGB col = rng.chance(0.78) ? warm[rng.below(4)] : cool[rng.below(3)];
        addBokeh(c, rng.range(-15, w + 15), v * h, r, col, rng.range(0.18, 0.5));
    }
    for (int i = 0; i < 30; ++i) {  // a few lights in the upper corners
        const bool left = rng.chance(0.5);
        const double x = left ? rng.range(-10, w * 0.22) : w - rng.range(-10, w * 0.22);
        addBokeh(c, x, rng.range(0, h * 0.35), rng.range(5, 16), warm[rng.below(4)], rng.range(0.15, 0.35));
    }
    addJpeg(b, "colorful/qvrk_yj.jpg", c, 16);
}

// 1045: a sun flare from the top-right corner with rays, a halo ring and
// ghosts along the line through the centre, on black (screen).
void sunFlare(Bundle &b)
{
    const int w = 598, h = 800;
    Canvas c(w, h);
    Rng rng(1045);
    const double sx = w * 0.86, sy = h * 0.09;
    c.addGlow(sx, sy, 60, RGB(1.0, 0.85, 0.6), 0.9);
    c.addGlow(sx, sy, 16, RGB(1.0, 0.97, 0.9), 1.2);
    c.addGlow(sx, sy, 170, RGB(1.0, 0.6, 0.3), 0.35);
    addSparkle(c, sx, sy, 230, RGB(1.0, 0.92, 0.8), 0.55, 6, 0.2);
    // The halo: a faint ring, warmer outside, cooler inside.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - sx, y - sy);
            const double ring = std::exp(-std::pow((d - 250) / 10, 2));
            const double inner = std::exp(-std::pow((d - 238) / 8, 2));
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            c.r.v[i] += static_cast<float>(0.10 * ring);
            c.g.v[i] += static_cast<float>(0.07 * ring + 0.05 * inner);
            c.b.v[i] += static_cast<float>(0.02 * ring + 0.09 * inner);
        }
    // Ghosts: discs along the line from the sun through the centre.
    const double cx = w * 0.5, cy = h * 0.5;
    const struct {
        double t, r, k;
        RGB col;
    } ghosts[] = {{0.45, 16, 0.18, {0.5, 1.0, 0.6}}, {0.7, 36, 0.10, {0.7, 0.5, 1.0}}, {1.15, 10, 0.25, {1.0, 0.7, 0.3}},
                  {1.35, 60, 0.07, {0.4, 0.8, 1.0}}, {1.6, 24, 0.12, {1.0, 0.5, 0.7}}, {1.8, 8, 0.2, {1.0, 0.9, 0.6}}};
    for (const auto &g : ghosts)
        addBokeh(c, sx + (cx - sx) * g.t, sy + (cy - sy) * g.t, g.r, g.col, g.k);
    addJpeg(b, "colorful/qvrk_qcgy.jpg", c, 17);
}

// 1046: sparkles and star bursts around mid grey (soft light).
void starlight(Bundle &b)
{
    const int w = 598, h = 800;
    Canvas c(w, h);
    Rng rng(1046);
    Canvas light(w, h);
    for (int i = 0; i < 55; ++i) {
        // More towards the edges than in the middle.
        double x = rng.range(0, w), y = rng.range(0, h);
        if (rng.chance(0.6)) {
            if (rng.chance(0.5))
                x = rng.chance(0.5) ? rng.range(0, w * 0.2) : w - rng.range(0, w * 0.2);
            else
                y = rng.chance(0.5) ? rng.range(0, h * 0.18) : h - rng.range(0, h * 0.18);
        }
        const double size = std::pow(rng.uniform(), 2.0) * 50 + 5;
        addSparkle(light, x, y, size, RGB(1, 0.97, 0.9), rng.range(0.5, 0.9), rng.chance(0.3) ? 8 : 4,
                   rng.range(-0.2, 0.2));
    }
    for (int i = 0; i < 260; ++i)
        light.addGlow(rng.range(0, w), rng.range(0, h), rng.range(0.6, 1.4), RGB(1, 1, 1), rng.range(0.3, 0.9));
    c.shade([&](int x, int y, double, double) {
        const RGB l = light.get(x, y);
        // Light lifts from mid grey towards white.
        return RGB(0.5 + 0.5 * std::min(1.0, l.r), 0.5 + 0.5 * std::min(1.0, l.g), 0.5 + 0.5 * std::min(1.0, l.b));
    });
    addJpeg(b, "colorful/qvrk_star.jpg", c, 18);
}

// 1500: the original look takes a texture but no step uses it; black
// changes nothing under a screen blend.
void original(Bundle &b)
{
    Canvas c(598, 800);
    b.add("colorful/0.jpg", encodeJpeg(c.toImage(), 88));
}

struct LookInfo {
    int id;
    const char *routine;
    const char *label;
    std::vector<const char *> masks;
    const char *table;
};

const std::vector<LookInfo> &looks()
{
    static const std::vector<LookInfo> list = {
        {1018, "StyleJinDian", "Classic", {"style/qvrk_lomo4.jpg", "style/qvrk_lomo1_2.jpg"}, nullptr},
        {1019, "StyleElegant", "Elegant", {}, nullptr},
        {1020, "StyleFilm", "Film", {}, nullptr},
        {1021, "StyleRetro", "Retro", {}, nullptr},
        {1022, "StyleCinnamon", "Cinnamon", {}, nullptr},
        {1023, "StyleJapanese", "Japanese", {}, nullptr},
        {1026, "StyleOldPhoto", "Old photo", {"style/qvrk_lzp_b.jpg"}, nullptr},
        {1027, "StyleImpression", "Impression", {}, nullptr},
        {1028, "StyleBaoColor", "Vivid", {}, nullptr},
        {1030, "StyleBrightRed", "Bright red", {"style/qvrk_lianghong_001.jpg"}, nullptr},
        {1031, "StyleNiuPiZhi", "Kraft paper", {"style/qvrk_laozhaop2_wenli1.jpg", "style/qvrk_laozhaop2_wenli2.jpg"},
         "eb/effect6.eb"},
        {1032, "StyleXuanCai", "Dazzle", {"style/qvrk_lomo1_1.jpg", "style/qvrk_lomo1_2.jpg"}, "eb/effect034.eb"},
        {1033, "StyleLomoHDRJinDian", "HDR classic", {}, nullptr},
        {1034, "StyleHeiBai", "Black & white", {}, nullptr},
        {1035, "StyleLomoHDR", "HDR", {}, nullptr},
        {1038, "StyleFanHuang", "Aged yellow", {"style/qvrk_lomo5_1.jpg", "style/qvrk_lomo5_2.jpg"}, "eb/effect5.eb"},
        {1039, "StyleLiuJin", "Golden years", {}, nullptr},
        {1040, "StyleXiaoQingXin", "Fresh", {}, nullptr},
        {1041, "StyleWarm", "Warm", {"style/blowout2.jpg", "style/vignette640.jpg"}, nullptr},
        {1042, "StyleLomoChristmas", "Christmas", {"style/qvrk_festival_1b.jpg"}, nullptr},
        {1043, "StyleLomoSnow", "Snow", {"colorful/2.jpg"}, nullptr},
        {1044, "StyleLomoNight", "Night", {"colorful/qvrk_yj.jpg"}, nullptr},
        {1045, "StyleLomoHalo", "Halo", {"colorful/qvrk_qcgy.jpg"}, nullptr},
        {1046, "StyleLomoStar", "Starlight", {"colorful/qvrk_star.jpg"}, nullptr},
        {1047, "StyleReverse", "Cross-process", {"style/qvrk_fzs.png"}, nullptr},
        {1048, "StyleFenHongJiaRen", "Pink lady", {"style/vignette640.jpg", "style/blowout2.jpg", "style/qvrk_fhjr3.jpg"},
         nullptr},
        {1101, "StyleGray", "Grey", {}, nullptr},
        {1102, "StyleRiguanghaian", "Sunlit coast", {"style/qvrk_rgha.jpg"}, nullptr},
        {1104, "StyleYiZhou", "Tilt-shift", {}, "eb/qvrk_lomo_16.eb"},
        {1500, "", "Original", {"colorful/0.jpg"}, nullptr},
    };
    return list;
}

void lookIndex(Bundle &bundle)
{
    int order = 0;
    for (const LookInfo &look : looks()) {
        QJsonObject e;
        e.insert("id", look.id);
        e.insert("name", look.label);
        if (*look.routine)
            e.insert("routine", look.routine);
        QJsonArray masks;
        for (const char *m : look.masks)
            masks.append(QString(":/") + m);
        e.insert("masks", masks);
        if (look.table)
            e.insert("table", QString(":/") + look.table);
        bundle.addIndexEntry("effects", order++, e);
    }
}

}  // namespace

void addEffectTextureJobs(std::vector<Job> &jobs)
{
    addDesignJobs(jobs, "style/", kVignettes, makeVignette);
    jobs.push_back({"style/qvrk_lomo1_1", lomo1_1});
    jobs.push_back({"style/qvrk_lzp_b", oldPhotoDust});
    jobs.push_back({"style/qvrk_lianghong_001", lightLeak});
    jobs.push_back({"style/qvrk_laozhaop2_wenli1", paperFibre1});
    jobs.push_back({"style/qvrk_laozhaop2_wenli2", paperFibre2});
    jobs.push_back({"style/qvrk_lomo5_1", stains});
    jobs.push_back({"style/qvrk_fhjr3", pinkRose});
    jobs.push_back({"style/qvrk_rgha", sunGlow});
    jobs.push_back({"style/qvrk_festival_1b", festival});
    jobs.push_back({"style/qvrk_fzs", crossProcess});
    jobs.push_back({"colorful/2", snow});
    jobs.push_back({"colorful/qvrk_yj", nightLights});
    jobs.push_back({"colorful/qvrk_qcgy", sunFlare});
    jobs.push_back({"colorful/qvrk_star", starlight});
    jobs.push_back({"colorful/0", original});
    jobs.push_back({"index/effects", lookIndex});
}

}  // namespace resgen
