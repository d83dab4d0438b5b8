// Free-collage layouts (puzzlef/*.zypt): five for each count of 2 to 9
// photos, scattered and tilted over the 640 x 896 canvas. Most cells have
// fixed placements (low = high); the fourth layout of every count uses true
// ranges for its offsets, tilts and size factors, each cell its own range.
#include <QJsonArray>
#include <algorithm>
#include <cmath>

#include "art.h"
#include "formats/freelayout.h"
#include "jobs.h"

namespace resgen {
namespace {

constexpr int kW = 640, kH = 896;

// A square cell of side s centred at (cx, cy) in canvas fractions, kept on
// the canvas with room for the largest offset.
FreeCell cellAt(double cx, double cy, int s, int tilt, int maxOffsetX = 0, int maxOffsetY = 0)
{
    FreeCell c;
    c.w = c.h = s;
    c.x = std::clamp(static_cast<int>(std::lround(cx * kW - s / 2.0)), 0, std::max(0, kW - s - maxOffsetX));
    c.y = std::clamp(static_cast<int>(std::lround(cy * kH - s / 2.0)), 0, std::max(0, kH - s - maxOffsetY));
    c.rotationLow = c.rotationHigh = tilt;
    return c;
}

// Rows of the grid that holds n cells, for a portrait canvas.
std::vector<int> rowsFor(int n)
{
    switch (n) {
    case 2: return {1, 1};
    case 3: return {2, 1};
    case 4: return {2, 2};
    case 5: return {2, 1, 2};
    case 6: return {2, 2, 2};
    case 7: return {2, 3, 2};
    case 8: return {3, 2, 3};
    default: return {3, 3, 3};
    }
}

std::vector<FreeCell> scattered(int n, Rng &rng, double overlap, int tiltRange, bool ranges)
{
    const std::vector<int> rows = rowsFor(n);
    const int maxCols = *std::max_element(rows.begin(), rows.end());
    const double cellFromWidth = kW / static_cast<double>(maxCols), cellFromHeight = kH / static_cast<double>(rows.size());
    const int side = static_cast<int>(std::min(cellFromWidth, cellFromHeight) * overlap);
    std::vector<FreeCell> cells;
    int sign = 1;
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int k = 0; k < rows[r]; ++k) {
            const double cx = (k + 0.5) / rows[r] + rng.range(-0.04, 0.04);
            const double cy = (r + 0.5) / rows.size() + rng.range(-0.03, 0.03);
            const int tilt = sign * (2 + rng.below(std::max(1, tiltRange - 1)));
            sign = -sign;
            const int offsetX = ranges ? 20 + rng.below(31) : 0;
            const int offsetY = ranges ? 50 - offsetX / 2 : 0;
            FreeCell c = cellAt(cx, cy, side, tilt, offsetX, offsetY);
            if (ranges) {
                c.offsetXLow = 0;
                c.offsetXHigh = offsetX;
                c.offsetYLow = 0;
                c.offsetYHigh = offsetY;
                c.rotationLow = -10 + rng.below(4);
                c.rotationHigh = 10 - rng.below(4);
                c.factorLow = 0.9f;
                c.factorHigh = 1.0f;
            }
            cells.push_back(c);
        }
    return cells;
}

// Cells along the diagonal from the top left, overlapping like dealt cards.
std::vector<FreeCell> cascade(int n, Rng &rng)
{
    std::vector<FreeCell> cells;
    const int side = static_cast<int>(std::min(kW * 0.78, kH * 1.6 / (n + 1)) + 60);
    for (int i = 0; i < n; ++i) {
        const double t = n == 1 ? 0.5 : i / double(n - 1);
        const double cx = 0.27 + 0.46 * t + rng.range(-0.02, 0.02), cy = (side / 2.0 + t * (kH - side)) / kH;
        cells.push_back(cellAt(cx, cy, side, (i % 2 ? 1 : -1) * (3 + rng.below(5))));
    }
    return cells;
}

// One large photo in the middle and the others round it, the large one last
// so it is drawn on top.
std::vector<FreeCell> centred(int n, Rng &rng)
{
    std::vector<FreeCell> cells;
    const int small = static_cast<int>(kW * (n <= 4 ? 0.42 : n <= 6 ? 0.36 : 0.32));
    for (int i = 0; i < n - 1; ++i) {
        const double a = -kPi / 2 + (i + 0.5) * 2 * kPi / (n - 1);
        const double cx = 0.5 + 0.33 * std::cos(a), cy = 0.5 + 0.36 * std::sin(a);
        cells.push_back(cellAt(cx, cy, small, (i % 2 ? 1 : -1) * (4 + rng.below(6))));
    }
    cells.push_back(cellAt(0.5, 0.5, static_cast<int>(kW * 0.58), rng.chance(0.5) ? 2 : -2));
    return cells;
}

std::vector<FreeCell> layoutFor(int n, int variant)
{
    Rng rng(static_cast<uint64_t>(n * 100 + variant));
    if (n == 2 && variant == 1) {
        FreeCell a, b;
        a.x = 44, a.y = 21, a.w = a.h = 554, a.rotationLow = a.rotationHigh = -3;
        b.x = 137, b.y = 509, b.w = b.h = 369, b.rotationLow = b.rotationHigh = 5;
        return {a, b};
    }
    switch (variant) {
    case 1: return scattered(n, rng, 1.12, 8, false);
    case 2: return cascade(n, rng);
    case 3: return centred(n, rng);
    case 4: return scattered(n, rng, 1.0, 8, true);
    default: return scattered(n, rng, 1.3, 10, false);
    }
}

void makeFreeLayouts(Bundle &bundle)
{
    int order = 0;
    for (int n = 2; n <= 9; ++n)
        for (int v = 1; v <= 5; ++v) {
            const std::vector<FreeCell> cells = layoutFor(n, v);
            const std::string file = QString::asprintf("%03d-%03d.zypt", n, v).toStdString();
            bundle.add("puzzlef/" + file, writeFreeLayout(cells));
            QJsonArray cellArray;
            for (const FreeCell &c : cells) {
                QJsonObject o;
                o.insert("rect", QJsonArray{c.x, c.y, c.w, c.h});
                o.insert("tilt", QJsonArray{c.rotationLow, c.rotationHigh});
                cellArray.append(o);
            }
            QJsonObject e;
            e.insert("file", QString::fromStdString(":/puzzlef/" + file));
            e.insert("name", QString("%1 photos, layout %2").arg(n).arg(v));
            e.insert("photos", n);
            e.insert("cells", cellArray);
            bundle.addIndexEntry("freeLayouts", order++, e);
        }
}

}  // namespace

void addFreeLayoutJobs(std::vector<Job> &jobs) { jobs.push_back({"puzzlef", makeFreeLayouts}); }

}  // namespace resgen
