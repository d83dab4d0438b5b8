// Blend table files (eb/): three precomputed two-operand blends each, row =
// the value being changed, column = the other operand; and the two mask
// files that ride in the same folder (the tilt-shift masks and the texture of
// the time-travel look).
#include <QJsonArray>
#include <algorithm>
#include <cmath>

#include "art.h"
#include "formats/blendtable.h"
#include "jobs.h"

namespace resgen {
namespace {

// The named blends on 0..1: a is the value being changed, b the other operand.
double multiply(double a, double b) { return a * b; }
double screen(double a, double b) { return 1 - (1 - a) * (1 - b); }
double overlay(double a, double b) { return a < 0.5 ? 2 * a * b : 1 - 2 * (1 - a) * (1 - b); }
double hardLight(double a, double b) { return overlay(b, a); }
double softLight(double a, double b)
{
    if (b <= 0.5)
        return a - (1 - 2 * b) * a * (1 - a);
    const double d = a <= 0.25 ? ((16 * a - 12) * a + 4) * a : std::sqrt(a);
    return a + (2 * b - 1) * (d - a);
}
double subtract(double a, double b) { return a - b; }
double vividLight(double a, double b)
{
    if (b < 0.5)
        return b <= 0 ? 0 : 1 - (1 - a) / (2 * b);
    return b >= 1 ? 1 : a / (2 * (1 - b));
}
double pinLight(double a, double b) { return b < 0.5 ? std::min(a, 2 * b) : std::max(a, 2 * b - 1); }

struct NamedBlend {
    const char *name;
    double (*f)(double, double);
    double opacity;  // mixed with the unchanged value: a + (f - a) * opacity
};

BlendTable makeTable(const NamedBlend &blend)
{
    BlendTable t{};
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col) {
            const double a = row / 255.0, b = col / 255.0;
            const double v = a + (blend.f(a, b) - a) * blend.opacity;
            t[row * 256 + col] = static_cast<uint8_t>(std::lround(clamp01(v) * 255));
        }
    return t;
}

struct TableFile {
    const char *path;
    NamedBlend tables[3];
    const char *use;
};

// effect034: the dazzle look (T0 with the pixel itself, T1 with a colour
// wash, T2 with a vignette); effect5: the aged-yellow look (T0 with a stained
// yellowed paper, T1 with a vignette, T2 with the constants 8 and 48, a warm
// lift of the shadows); effect6: the kraft-paper look (T0 with the constants
// 100, 10, 14, which take blue out; T1 with paper fibres, T2 with brown
// kraft paper that the photo is printed on).
const TableFile kTableFiles[] = {
    {"eb/effect034.eb", {{"overlay", overlay, 0.7}, {"soft light", softLight, 1.0}, {"multiply", multiply, 1.0}},
     "Dazzle (1032)"},
    {"eb/effect5.eb", {{"multiply", multiply, 1.0}, {"soft light", softLight, 1.0}, {"screen", screen, 1.0}},
     "Aged yellow (1038)"},
    {"eb/effect6.eb", {{"subtract", subtract, 0.3}, {"overlay", overlay, 1.0}, {"multiply", multiply, 1.0}},
     "Kraft paper (1031)"},
    {"eb/qvrk_Cartoon.eb", {{"hard light", hardLight, 1.0}, {"vivid light", vividLight, 1.0}, {"pin light", pinLight, 1.0}},
     "not used by any look"},
};

void makeTableFile(Bundle &bundle, const TableFile &file, int order)
{
    std::array<BlendTable, 3> tables;
    QJsonArray names;
    for (int i = 0; i < 3; ++i) {
        tables[i] = makeTable(file.tables[i]);
        QJsonObject t;
        t.insert("blend", file.tables[i].name);
        t.insert("opacity", file.tables[i].opacity);
        names.append(t);
    }
    bundle.add(file.path, writeBlendTables(tables));
    QJsonObject entry;
    entry.insert("file", QString(":/") + file.path);
    entry.insert("tables", names);
    entry.insert("usedBy", file.use);
    bundle.addIndexEntry("blendTables", order, entry);
}

// Two 640 x 640 single-byte masks: a horizontal sharp band (255 in the band,
// fading to 0 above and below) and a soft vignette (255 in the centre).
void makeTiltShiftMasks(Bundle &bundle)
{
    constexpr int n = 640;
    Bytes data(2 * n * n);
    for (int y = 0; y < n; ++y) {
        const double dy = std::fabs(y + 0.5 - n * 0.5);
        const double band = 1 - smoothstep(n * 0.11, n * 0.33, dy);
        for (int x = 0; x < n; ++x)
            data[y * n + x] = static_cast<uint8_t>(std::lround(band * 255));
    }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double dx = (x + 0.5) / n - 0.5, dy = (y + 0.5) / n - 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * 2;  // 1 at the middle of an edge
            const double v = 1 - 0.5 * smoothstep(0.45, 1.42, r);
            data[n * n + y * n + x] = static_cast<uint8_t>(std::lround(v * 255));
        }
    bundle.add("eb/qvrk_lomo_16.eb", std::move(data));
    QJsonObject entry;
    entry.insert("file", ":/eb/qvrk_lomo_16.eb");
    entry.insert("usedBy", "Tilt-shift (1104): a sharp band, then a vignette, 640 x 640 bytes each");
    bundle.addIndexEntry("blendTables", 10, entry);
}

// A 240 x 240 texture of 4-byte pixels: byte 0 weighs the zoom blur (heavier
// in the middle), bytes 1, 2, 3 carry a swirl of violet, amber and teal
// around mid grey for the overlay.
void makeTimeTravelTexture(Bundle &bundle)
{
    constexpr int n = 240;
    Bytes data(n * n * 4);
    TileNoise noise(0xC7u, 4);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double dx = (x + 0.5) / n - 0.5, dy = (y + 0.5) / n - 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * 2;
            const double angle = std::atan2(dy, dx) / (2 * kPi) + r * 0.6 + 0.15 * noise.fbm(x / 60.0, y / 60.0, 3);
            const RGB tint = hsv(0.78 + 0.35 * std::sin(angle * 2 * kPi), 0.55, 0.72);
            const RGB c = mix(RGB(0.5, 0.5, 0.5), tint, 0.35 + 0.45 * smoothstep(0.1, 1.3, r));
            uint8_t *p = &data[(y * n + x) * 4];
            p[0] = static_cast<uint8_t>(std::lround(255 * (1 - 0.65 * smoothstep(0, 1.4, r))));
            p[1] = static_cast<uint8_t>(std::lround(clamp01(c.r) * 255));
            p[2] = static_cast<uint8_t>(std::lround(clamp01(c.g) * 255));
            p[3] = static_cast<uint8_t>(std::lround(clamp01(c.b) * 255));
        }
    bundle.add("eb/qvrk_cy.eb", std::move(data));
    QJsonObject entry;
    entry.insert("file", ":/eb/qvrk_cy.eb");
    entry.insert("usedBy", "time-travel texture, 240 x 240 (weight, R, G, B); not used by any look");
    bundle.addIndexEntry("blendTables", 11, entry);
}

}  // namespace

void addBlendTableJobs(std::vector<Job> &jobs)
{
    int order = 0;
    for (const TableFile &file : kTableFiles) {
        const int o = order++;
        jobs.push_back({file.path, [&file, o](Bundle &b) { makeTableFile(b, file, o); }});
    }
    jobs.push_back({"eb/qvrk_lomo_16", makeTiltShiftMasks});
    jobs.push_back({"eb/qvrk_cy", makeTimeTravelTexture});
}

}  // namespace resgen
