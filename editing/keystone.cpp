// Perspective (perspectiveImage): the turned plane's outline, the largest
// rectangle of the photo's proportions inside it, and the resampling through
// the homography, in bands.
#include "keystone.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "straighten.h"
#include "bandworkers.h"
#include "toolpicture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace perspective {

namespace {

constexpr double kFocal = 1.5;  // focal length in long sides: 45 + 45 degrees keep every corner in front
constexpr double kInset = 2;    // pixels kept clear of the outline on each side, as straighten does

struct Vec {
    double x, y;
};

using Matrix = std::array<double, 9>;

Matrix multiply(const Matrix &a, const Matrix &b)
{
    Matrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i * 3 + j] += a[i * 3 + k] * b[k * 3 + j];
    return m;
}

Matrix transposed(const Matrix &a)
{
    return {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]};
}

// The turn: about the horizontal axis by the vertical angle, then about the
// vertical axis by the horizontal one.
Matrix turnOf(double vertical, double horizontal)
{
    const double t = vertical * std::numbers::pi / 180, p = horizontal * std::numbers::pi / 180;
    const Matrix rx = {1, 0, 0, 0, std::cos(t), -std::sin(t), 0, std::sin(t), std::cos(t)};
    const Matrix ry = {std::cos(p), 0, std::sin(p), 0, 1, 0, -std::sin(p), 0, std::cos(p)};
    return multiply(ry, rx);
}

// The largest w with a centred-at-c rectangle 2w x 2w/aspect inside the
// convex outline (corners in order); concave in c.
double halfWidthAt(const std::array<Vec, 4> &quad, Vec c, double aspect, double orientation)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 4; ++i) {
        const Vec a = quad[i], b = quad[(i + 1) % 4];
        // Inward normal n, the inside being n . p <= d.
        const double nx = (b.y - a.y) * orientation, ny = -(b.x - a.x) * orientation;
        const double d = nx * a.x + ny * a.y;
        best = std::min(best, (d - nx * c.x - ny * c.y) / (std::abs(nx) + std::abs(ny) / aspect));
    }
    return best;
}

template <typename F>
double mostOf(double low, double high, F value, double *at)
{
    for (int i = 0; i < 80; ++i) {
        const double a = low + (high - low) / 3, b = high - (high - low) / 3;
        if (value(a) < value(b))
            low = a;
        else
            high = b;
    }
    *at = (low + high) / 2;
    return value(*at);
}

}  // namespace

Mapping mappingFor(QSize source, double vertical, double horizontal)
{
    const int width = source.width(), height = source.height();
    if (width < 1 || height < 1)
        return {};
    const double f = kFocal * std::max(width, height);
    const Matrix turn = turnOf(vertical, horizontal);
    // The source's corners on the turned plane, seen from the camera.
    std::array<Vec, 4> quad;
    const Vec corners[4] = {{-width / 2.0, -height / 2.0}, {width / 2.0, -height / 2.0},
                            {width / 2.0, height / 2.0}, {-width / 2.0, height / 2.0}};
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i].x, y = corners[i].y;
        const double qx = turn[0] * x + turn[1] * y + turn[2] * f;
        const double qy = turn[3] * x + turn[4] * y + turn[5] * f;
        const double qz = turn[6] * x + turn[7] * y + turn[8] * f;
        quad[i] = {f * qx / qz, f * qy / qz};
    }
    // Corners run clockwise on screen (y down); the orientation sign makes
    // the normals point inwards either way.
    double area = 0;
    for (int i = 0; i < 4; ++i)
        area += quad[i].x * quad[(i + 1) % 4].y - quad[(i + 1) % 4].x * quad[i].y;
    const double orientation = area > 0 ? 1 : -1;
    const double aspect = double(width) / height;
    double left = quad[0].x, right = quad[0].x, top = quad[0].y, bottom = quad[0].y;
    for (const Vec &v : quad) {
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        top = std::min(top, v.y);
        bottom = std::max(bottom, v.y);
    }
    double cx = 0, cy = 0;
    auto bestDown = [&](double x, double *y) {
        return mostOf(top, bottom, [&](double yy) { return halfWidthAt(quad, {x, yy}, aspect, orientation); }, y);
    };
    mostOf(left, right, [&](double x) { double y; return bestDown(x, &y); }, &cx);
    const double half = bestDown(cx, &cy);
    // Whole pixels inside, never more than the source's own.
    const double span = std::max(1.0, 2 * half - 2 * kInset);
    const double share = std::min(1.0, span / width);
    const QSize output(std::max(1, int(std::floor(share * width))), std::max(1, int(std::floor(share * height))));
    const double step = span / output.width();
    // Output pixel (x, y) -> plane (a, b, f) -> turned back -> source.
    const Matrix toPlane = {step, 0, cx + (0.5 - output.width() / 2.0) * step,
                            0, step, cy + (0.5 - output.height() / 2.0) * step,
                            0, 0, f};
    const Matrix toSource = {f, 0, (width / 2.0 - 0.5), 0, f, (height / 2.0 - 0.5), 0, 0, 1};
    return {output, multiply(toSource, multiply(transposed(turn), toPlane))};
}

QSize croppedSize(QSize source, double vertical, double horizontal)
{
    if (vertical == 0 && horizontal == 0)
        return source;
    return mappingFor(source, vertical, horizontal).output;
}

namespace {

// floor(v) for the positions' range, without a call into the maths library.
inline qint64 roundedDown(double v)
{
    const qint64 i = qint64(v);
    return i > v ? i - 1 : i;
}

// The source position of output pixel (x, y) in fixed point, rounded.
inline void positionOf(const Mapping &m, int x, int y, qint64 *fx, qint64 *fy)
{
    const auto &h = m.h;
    constexpr double one = double(qint64(1) << straighten::kFractionBits);
    const double scale = one / (h[6] * x + h[7] * y + h[8]);
    *fx = roundedDown((h[0] * x + h[1] * y + h[2]) * scale + 0.5);
    *fy = roundedDown((h[3] * x + h[4] * y + h[5]) * scale + 0.5);
}

inline QRgb pixelAt(const QImage &source, const Mapping &m, int x, int y)
{
    qint64 fx, fy;
    positionOf(m, x, y, &fx, &fy);
    return straighten::sample(source, fx, fy);
}

}  // namespace

QRgb correctedPixel(const QImage &source, const Mapping &mapping, int x, int y)
{
    return pixelAt(source, mapping, x, y);
}

QImage apply(const QImage &picture, double vertical, double horizontal)
{
    if (picture.isNull() || picture.depth() != 32 || !std::isfinite(vertical) || !std::isfinite(horizontal))
        return {};
    if (vertical == 0 && horizontal == 0)
        return picture;
    const Mapping m = mappingFor(picture.size(), vertical, horizontal);
    QImage out(m.output, picture.format());
    if (out.isNull())
        return {};
    uchar *bits = out.bits();  // detached once, before the bands share it
    const qsizetype stride = out.bytesPerLine();
    const int width = out.width();
    const uchar *source = picture.constBits();
    const qsizetype sourceStride = picture.bytesPerLine();
    const qint64 limitX = qint64(picture.width() - 1) << straighten::kFractionBits;
    const qint64 limitY = qint64(picture.height() - 1) << straighten::kFractionBits;
    const bool whole = bandworkers::forRows(out.height(), out.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(bits + y * stride);
            for (int x = 0; x < width; ++x) {
                qint64 fx, fy;
                positionOf(m, x, y, &fx, &fy);
                // Where all four neighbours exist, sample() comes down to this.
                if (fx < 0 || fy < 0 || fx >= limitX || fy >= limitY) {
                    line[x] = straighten::sample(picture, fx, fy);
                    continue;
                }
                const QRgb *top = reinterpret_cast<const QRgb *>(source + (fy >> straighten::kFractionBits) * sourceStride)
                                  + (fx >> straighten::kFractionBits);
                const QRgb *bottom = reinterpret_cast<const QRgb *>(reinterpret_cast<const uchar *>(top) + sourceStride);
                line[x] = straighten::mixFour(top[0], top[1], bottom[0], bottom[1], straighten::weightOf(fx),
                                              straighten::weightOf(fy));
            }
        }
    });
    return whole ? out : QImage();  // null when the job was replaced
}

}  // namespace perspective

namespace {

bool correctable(double vertical, double horizontal)
{
    if (!std::isfinite(vertical) || !std::isfinite(horizontal) || std::abs(vertical) > 45 || std::abs(horizontal) > 45) {
        OperationError::set(QStringLiteral("Perspective: each correction must be between -45\u00b0 and 45\u00b0."));
        return false;
    }
    return true;
}

}  // namespace

QImage EditorTools::keystoned(const QImage &picture, double vertical, double horizontal)
{
    if (picture.isNull() || !correctable(vertical, horizontal))
        return {};
    return perspective::apply(toolpicture::prepared(picture), vertical, horizontal);
}

QString EditorTools::perspectiveImage(QString path, double vertical, double horizontal)
{
    OperationError::clear();
    if (!correctable(vertical, horizontal))
        return {};
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), keystoned(picture, vertical, horizontal), path,
                              QStringLiteral("Perspective"));
}

QSize EditorTools::perspectiveSize(int width, int height, double vertical, double horizontal)
{
    if (width < 1 || height < 1 || !std::isfinite(vertical) || !std::isfinite(horizontal))
        return {};
    return perspective::croppedSize({width, height}, vertical, horizontal);
}
