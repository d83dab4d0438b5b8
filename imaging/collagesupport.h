// Sizes and places that the collage and text operations work out from numbers
// the interface hands over: zooms, copy rectangles, text areas, positions.
//
// Those numbers come straight from QML and may be negative, zero, huge or not
// numbers at all. Every picture the collage and text operations allocate is
// sized here first and refused when a side would fall outside
// 1..kMaxPictureSide, so a stray value gives a null picture instead of an
// allocation of gigabytes (or a float-to-int conversion out of range).
//
// Contents: the cap; checked truncation; decode sizes for a zoom; the box of a
// turned picture; the placement of a speech bubble on a photo; reading layout
// files; drawing placed pictures onto a background.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

namespace collagesupport {

// Largest side of any picture a collage or text operation makes (a 16384 x
// 16384 ARGB picture is already 1 GiB).
constexpr int kMaxPictureSide = 16384;

// Whether w x h may be allocated: both sides within 1..kMaxPictureSide.
inline bool allocatable(int w, int h)
{
    return w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide;
}
inline bool allocatable(QSize s) { return allocatable(s.width(), s.height()); }

// (int)v, truncated toward zero, when v is a number whose truncation lies in
// lo..hi; nothing otherwise.
template <typename Real>
std::optional<int> truncatedWithin(Real v, int lo, int hi)
{
    // The int range as reals: every value strictly inside converts safely.
    if (!(v > Real(-2147483648.0) && v < Real(2147483648.0)))
        return std::nullopt;
    const int t = static_cast<int>(v);
    if (t < lo || t > hi)
        return std::nullopt;
    return t;
}

// (int)w x (int)h when both truncations lie in 1..kMaxPictureSide: the size
// of a picture an operation may make from numbers it was handed.
template <typename Real>
std::optional<QSize> pictureSize(Real w, Real h)
{
    const auto width = truncatedWithin(w, 1, kMaxPictureSide);
    const auto height = truncatedWithin(h, 1, kMaxPictureSide);
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

// A copy offset: any number converts, held to +-2^30 first (a copy that far
// outside the picture is all zeros either way). Nothing for a value that is
// not a number.
inline std::optional<int> copyOffset(float v)
{
    if (std::isnan(v))
        return std::nullopt;
    constexpr float kFar = 1073741824.0f;
    return static_cast<int>(v < -kFar ? -kFar : (v > kFar ? kFar : v));
}

// Where a picture is drawn: the point held to +-2^24 pixels (so the painter's
// fixed-point arithmetic never overflows; nothing is drawn that far out on any
// picture the engine makes). Nothing for a coordinate that is not a number.
inline std::optional<QPointF> drawPoint(double x, double y)
{
    if (std::isnan(x) || std::isnan(y))
        return std::nullopt;
    constexpr double kFar = 16777216.0;
    return QPointF(std::clamp(x, -kFar, kFar), std::clamp(y, -kFar, kFar));
}

// The size a picture stored at `stored` is decoded at for the zoom `scale`:
// `stored` itself for exactly 1, otherwise the largest size of the stored
// proportions inside (int)(w x scale) by (int)(h x scale), the products taken
// in Real. An empty size when the zoom is not a positive number or the target
// has no pixels or a side beyond kMaxPictureSide.
template <typename Real>
QSize decodeSize(QSize stored, Real scale)
{
    if (!stored.isValid() || stored.isEmpty())
        return {};
    if (scale == Real(1))
        return stored;
    const auto target = pictureSize(Real(stored.width()) * scale, Real(stored.height()) * scale);
    if (!target)
        return {};
    QSize fitted = stored;
    fitted.scale(*target, Qt::KeepAspectRatio);
    if (!allocatable(fitted))
        return {};
    return fitted;
}

// The bounding box of a w x h picture turned by `degree` (what a rotation of
// the picture produces, give or take a pixel), for checking it against the cap
// before turning. Empty for a turn that is not a number.
inline QSize turnedSize(QSize s, double degree)
{
    if (!std::isfinite(degree))
        return {};
    QTransform turn;
    turn.rotate(float(degree));
    const QRectF box = turn.mapRect(QRectF(0, 0, s.width(), s.height()));
    return QSize(int(std::ceil(box.width())) + 1, int(std::ceil(box.height())) + 1);
}

// Where a speech bubble and its text go, with k = zoom x screen scale:
struct BubblePlacement {
    QSize bubble;     // the bubble picture scaled: (int)(w k) x (int)(h k)
    QSize layer;      // the text layer: (int)(areaW k) x (int)(areaH k); may be empty
    QPointF layerAt;  // the layer's place on the scaled bubble: (areaX k, areaY k), see drawPoint
    int pointSize;    // the font: (int)(textSize k) points, held to 1..kMaxPictureSide
    QPointF photoAt;  // the turned bubble's top-left on the photo: (innerx, innery) x screen scale, see drawPoint
};

// The placement for a bubble picture of `picture` pixels; nothing when k is
// not a positive number, a position is not a number, or the scaled bubble, its
// turned box or the text layer would exceed kMaxPictureSide.
std::optional<BubblePlacement> placeBubble(QSize picture, float srcScale, float innerx, float innery, float zoom,
                                           int textSize, float degree, float areaW, float areaH, float areaX,
                                           float areaY);

// --- files and drawing (ZQDImageEngine_template.cpp) --------------------------

// The whole file, or nothing when it does not exist, cannot be opened or is too
// long to hand to a reader (whose lengths are ints).
std::optional<QByteArray> readLayoutBytes(const QString &path);

// A picture ready to be drawn at `at` on a collage.
struct PlacedPicture {
    QImage picture;
    QPointF at;
};

// Draws the pictures in order (source-over) on the background and returns the
// result. A background of another format than 32-bit is converted first, its
// alpha kept. Without a background the pictures go on a transparent canvas
// from the origin to their farthest right and bottom edge, at least `least`
// (held to kMaxPictureSide); null when there is nothing to draw at all.
QPixmap drawCollage(QImage background, const QList<PlacedPicture> &pictures, QSize least);

// The picture with its corners rounded off by `radius` pixels (held to half
// its shorter side), transparent outside, antialiased; the picture itself
// when the radius is not positive.
QImage roundedCorners(QImage picture, double radius);

}  // namespace collagesupport
