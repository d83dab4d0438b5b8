// Heal (healImage): the patch search over the spot's ring of context, the
// colour plane fitted over that ring, and the soft-edged fill.
#include "heal.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace heal {

namespace {

constexpr int kSearchReach = 8;   // patch centres up to 8 radii from the spot
constexpr int kRingSamples = 1500; // at most this many ring pixels compared per patch

struct Offset {
    int dx, dy;
};

// The ring r < d <= 2r around the spot, thinned to about kRingSamples
// pixels, keeping those inside the picture.
std::vector<Offset> ringOf(QSize size, const Spot &s)
{
    const int r = s.radius, outer = 2 * r;
    const double area = 3.0 * 3.14159 * r * r;
    const int stride = std::max(1, int(std::ceil(std::sqrt(area / kRingSamples))));
    std::vector<Offset> ring;
    for (int dy = -outer; dy <= outer; dy += stride)
        for (int dx = -outer; dx <= outer; dx += stride) {
            const int d2 = dx * dx + dy * dy;
            if (d2 <= r * r || d2 > outer * outer)
                continue;
            const int x = s.x + dx, y = s.y + dy;
            if (x >= 0 && y >= 0 && x < size.width() && y < size.height())
                ring.push_back({dx, dy});
        }
    return ring;
}

// The pixels read without a call into QImage per pixel.
struct Pixels {
    explicit Pixels(const QImage &p) : bits(p.constBits()), stride(p.bytesPerLine()) {}
    QRgb at(int x, int y) const { return reinterpret_cast<const QRgb *>(bits + y * stride)[x]; }
    const uchar *bits;
    qsizetype stride;
};

// How unlike the patch's ring is to the spot's: the squared differences
// per channel less what a constant colour shift would explain.
double mismatch(const Pixels &p, const Spot &s, const std::vector<Offset> &ring, int sx, int sy)
{
    double sum[3] = {0, 0, 0}, squares = 0;
    for (const Offset &o : ring) {
        const QRgb a = p.at(s.x + o.dx, s.y + o.dy), b = p.at(sx + o.dx, sy + o.dy);
        const int d[3] = {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)};
        for (int c = 0; c < 3; ++c) {
            sum[c] += d[c];
            squares += double(d[c]) * d[c];
        }
    }
    const double n = double(ring.size());
    return squares - (sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]) / n;
}

// Least squares of diff = a + b dx + c dy per channel over the ring.
std::array<std::array<double, 3>, 3> colourPlane(const Pixels &p, const Spot &s, const std::vector<Offset> &ring,
                                                 QPoint from)
{
    double m[3][3] = {}, v[3][3] = {};  // normal matrix; right-hand side per channel
    for (const Offset &o : ring) {
        const QRgb a = p.at(s.x + o.dx, s.y + o.dy), b = p.at(from.x() + o.dx, from.y() + o.dy);
        const double row[3] = {1.0, double(o.dx) / s.radius, double(o.dy) / s.radius};
        const double d[3] = {double(qRed(a) - qRed(b)), double(qGreen(a) - qGreen(b)), double(qBlue(a) - qBlue(b))};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += row[i] * row[j];
            for (int c = 0; c < 3; ++c)
                v[c][i] += row[i] * d[c];
        }
    }
    std::array<std::array<double, 3>, 3> plane{};
    // Cramer's rule; a ring cut by the picture's edge may leave the slopes
    // undetermined, and then only the mean shift is used.
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
               + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double whole = det(m);
    for (int c = 0; c < 3; ++c) {
        if (std::abs(whole) < 1e-6 * std::max(1.0, m[0][0] * m[0][0] * m[0][0])) {
            plane[c] = {m[0][0] > 0 ? v[c][0] / m[0][0] : 0.0, 0.0, 0.0};
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            double t[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    t[i][j] = j == k ? v[c][i] : m[i][j];
            plane[c][k] = det(t) / whole;
        }
    }
    return plane;
}

}  // namespace

int largestRadius(QSize picture)
{
    return std::max(0, (std::min(picture.width(), picture.height()) - 1) / 4);
}

bool fits(QSize picture, const Spot &s)
{
    return s.radius >= 1 && s.radius <= largestRadius(picture) && s.x >= 0 && s.y >= 0 && s.x < picture.width()
           && s.y < picture.height();
}

QPoint sourceFor(const QImage &picture, const Spot &s)
{
    if (!fits(picture.size(), s))
        return {-1, -1};
    const std::vector<Offset> ring = ringOf(picture.size(), s);
    if (ring.empty())
        return {-1, -1};
    const int r = s.radius, outer = 2 * r;
    // Centres whose whole context disc lies inside the picture, clear of the spot.
    const int left = std::max(outer, s.x - kSearchReach * r), right = std::min(picture.width() - 1 - outer, s.x + kSearchReach * r);
    const int top = std::max(outer, s.y - kSearchReach * r), bottom = std::min(picture.height() - 1 - outer, s.y + kSearchReach * r);
    auto clear = [&](int sx, int sy) {
        const qint64 dx = sx - s.x, dy = sy - s.y;
        return dx * dx + dy * dy >= qint64(9) * r * r;
    };
    const Pixels pixels(picture);
    double best = std::numeric_limits<double>::infinity();
    QPoint found(-1, -1);
    auto consider = [&](int sx, int sy) {
        if (sx < left || sx > right || sy < top || sy > bottom || !clear(sx, sy))
            return;
        const double m = mismatch(pixels, s, ring, sx, sy);
        if (m < best) {
            best = m;
            found = {sx, sy};
        }
    };
    // Coarse, then every pixel around the best.
    const int step = std::max(1, r / 3);
    for (int sy = top; sy <= bottom; sy += step)
        for (int sx = left; sx <= right; sx += step)
            consider(sx, sy);
    if (found.x() < 0 || step == 1)
        return found;
    const QPoint coarse = found;
    for (int sy = coarse.y() - step + 1; sy < coarse.y() + step; ++sy)
        for (int sx = coarse.x() - step + 1; sx < coarse.x() + step; ++sx)
            consider(sx, sy);
    return found;
}

int edgeWeight(qint64 d2, int radius)
{
    const double d = std::sqrt(double(d2)) / radius;
    if (d <= 1)
        return 256;
    if (d >= kEdge)
        return 0;
    const double t = (kEdge - d) / (kEdge - 1);
    return int(std::lround(t * t * (3 - 2 * t) * 256));
}

QImage apply(const QImage &picture, const Spot &s)
{
    if (picture.isNull() || picture.depth() != 32)
        return {};
    const QPoint from = sourceFor(picture, s);
    if (from.x() < 0)
        return {};
    const Pixels pixels(picture);
    const auto plane = colourPlane(pixels, s, ringOf(picture.size(), s), from);
    QImage out = picture.copy();
    if (out.isNull())
        return {};
    const int r = s.radius, reach = int(std::ceil(kEdge * r));
    const int width = out.width(), height = out.height();
    for (int dy = -reach; dy <= reach; ++dy) {
        const int y = s.y + dy;
        if (y < 0 || y >= height)
            continue;
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int dx = -reach; dx <= reach; ++dx) {
            const int x = s.x + dx;
            if (x < 0 || x >= width)
                continue;
            const int w = edgeWeight(qint64(dx) * dx + qint64(dy) * dy, r);
            if (w == 0)
                continue;
            const QRgb patch = pixels.at(from.x() + dx, from.y() + dy), here = line[x];
            const double u = double(dx) / r, v = double(dy) / r;
            int rgb[3] = {qRed(patch), qGreen(patch), qBlue(patch)};
            const int old[3] = {qRed(here), qGreen(here), qBlue(here)};
            for (int c = 0; c < 3; ++c) {
                const int fill = std::clamp(int(std::lround(rgb[c] + plane[c][0] + plane[c][1] * u + plane[c][2] * v)), 0, 255);
                rgb[c] = old[c] + (((fill - old[c]) * w + 128) >> 8);
            }
            line[x] = qRgba(rgb[0], rgb[1], rgb[2], qAlpha(here));
        }
    }
    return out;
}

}  // namespace heal

namespace {

bool healable(QSize size, const heal::Spot &spot)
{
    if (spot.radius < 1) {
        OperationError::set(QStringLiteral("Heal: the spot's size must be at least 1 pixel."));
        return false;
    }
    if (spot.x < 0 || spot.y < 0 || spot.x >= size.width() || spot.y >= size.height()) {
        OperationError::set(QStringLiteral("Heal: the spot (%1, %2) is outside the %3 \u00d7 %4 picture.")
                                .arg(spot.x).arg(spot.y).arg(size.width()).arg(size.height()));
        return false;
    }
    if (!heal::fits(size, spot)) {
        OperationError::set(QStringLiteral("Heal: the spot is too large for this picture (a radius of at most %1 pixels).")
                                .arg(heal::largestRadius(size)));
        return false;
    }
    return true;
}

}  // namespace

QImage EditorTools::healed(const QImage &decoded, int x, int y, int radius)
{
    const heal::Spot spot{x, y, radius};
    if (decoded.isNull() || !healable(decoded.size(), spot))
        return {};
    QImage out = heal::apply(toolpicture::prepared(decoded), spot);
    if (out.isNull())
        OperationError::set(QStringLiteral("Heal: no part of the picture around the spot can fill it."));
    return out;
}

QString EditorTools::healImage(QString path, int x, int y, int radius)
{
    OperationError::clear();
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    const QImage out = healed(picture, x, y, radius);
    return out.isNull() ? QString() : toolpicture::write(communication(), out, path, QStringLiteral("Heal"));
}
