// Selective (selectiveImage): the two weights, the full-strength colour and
// the pass over the point's reach, in bands.
#include "selective.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "bandworkers.h"
#include "toolpicture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace selective {

namespace {

constexpr double kLikenessSpread = 60;  // colour distance where likeness falls to e^-1/2 of its span
constexpr double kLeastLikeness = 0.2;  // the share unlike colours still get
constexpr int kLikenessShift = 4;       // the likeness table's step: 16 units of squared distance

const std::vector<unsigned short> &likenessTable()
{
    static const std::vector<unsigned short> table = [] {
        std::vector<unsigned short> t((3 * 255 * 255 >> kLikenessShift) + 1);
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double d2 = double(i << kLikenessShift);
            const double like = kLeastLikeness + (1 - kLeastLikeness) * std::exp(-d2 / (2 * kLikenessSpread * kLikenessSpread));
            t[i] = static_cast<unsigned short>(std::lround(like * 256));
        }
        return t;
    }();
    return table;
}

inline int clampByte(int v)
{
    return std::clamp(v, 0, 255);
}

inline int mixByte(int old, int full, int weight)
{
    return old + (((full - old) * weight + 128) >> 8);
}

inline int colourDistance2(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

// The whole pixel: weight from both distances, then the mix.
inline QRgb pixelOf(QRgb pixel, qint64 d2, const Point &p, QRgb reference,
                    const std::array<unsigned char, 256> &table)
{
    const int near = distanceWeight(d2, p.radius);
    if (near == 0)
        return pixel;
    const int weight = (near * likenessTable()[colourDistance2(pixel, reference) >> kLikenessShift] + 128) >> 8;
    const QRgb full = adjusted(pixel, table, p.saturation);
    return qRgba(mixByte(qRed(pixel), qRed(full), weight), mixByte(qGreen(pixel), qGreen(full), weight),
                 mixByte(qBlue(pixel), qBlue(full), weight), qAlpha(pixel));
}

}  // namespace

int distanceWeight(qint64 d2, int radius)
{
    const double reach = kReach * radius;
    const double t = double(d2) / (reach * reach);
    if (t >= 1)
        return 0;
    return int(std::lround((1 - t) * (1 - t) * 256));
}

int likenessWeight(int colourDistance2)
{
    return likenessTable()[std::clamp(colourDistance2, 0, 3 * 255 * 255) >> kLikenessShift];
}

QRgb pointColour(const QImage &picture, const Point &p)
{
    const int half = std::clamp(p.radius / 10, 1, 6);
    qint64 sum[3] = {0, 0, 0}, n = 0;
    for (int y = std::max(0, p.y - half); y <= std::min(picture.height() - 1, p.y + half); ++y)
        for (int x = std::max(0, p.x - half); x <= std::min(picture.width() - 1, p.x + half); ++x) {
            const QRgb c = picture.pixel(x, y);
            sum[0] += qRed(c);
            sum[1] += qGreen(c);
            sum[2] += qBlue(c);
            ++n;
        }
    if (n == 0)
        return qRgb(0, 0, 0);
    return qRgb(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n), int((sum[2] + n / 2) / n));
}

std::array<unsigned char, 256> toneTable(const Point &p)
{
    // Brightness +-100: the gamma 1/2 .. 2, so black and white stay; contrast
    // -100 flattens to middle grey, +100 doubles the distance from it.
    const double gamma = std::exp2(-p.brightness / 100.0);
    const double gain = 1 + p.contrast / 100.0;
    std::array<unsigned char, 256> table{};
    for (int v = 0; v < 256; ++v) {
        const double bright = 255 * std::pow(v / 255.0, gamma);
        table[v] = static_cast<unsigned char>(clampByte(int(std::lround(127.5 + (bright - 127.5) * gain))));
    }
    return table;
}

QRgb adjusted(QRgb pixel, const std::array<unsigned char, 256> &table, int saturation)
{
    const int r = table[qRed(pixel)], g = table[qGreen(pixel)], b = table[qBlue(pixel)];
    if (saturation == 0)
        return qRgba(r, g, b, qAlpha(pixel));
    // Away from (or towards) the pixel's grey, in 256ths.
    const int grey = (77 * r + 150 * g + 29 * b + 128) >> 8;
    const int gain = 256 + saturation * 256 / 100;
    auto saturate = [&](int c) { return clampByte(grey + (((c - grey) * gain + 128) >> 8)); };
    return qRgba(saturate(r), saturate(g), saturate(b), qAlpha(pixel));
}

QRgb selectivePixel(QRgb pixel, int x, int y, const Point &p, QRgb reference)
{
    const qint64 dx = x - p.x, dy = y - p.y;
    return pixelOf(pixel, dx * dx + dy * dy, p, reference, toneTable(p));
}

QImage apply(const QImage &picture, const Point &p)
{
    if (picture.isNull() || picture.depth() != 32 || p.radius < 1)
        return {};
    if (p.neutral())
        return picture;
    QImage out = picture.copy();
    if (out.isNull())
        return {};
    const QRgb reference = pointColour(picture, p);
    const auto table = toneTable(p);
    // Only the square around the reach can change.
    const int reach = int(std::ceil(kReach * p.radius));
    const int left = std::max(0, p.x - reach), right = std::min(picture.width() - 1, p.x + reach);
    const int top = std::max(0, p.y - reach), bottom = std::min(picture.height() - 1, p.y + reach);
    if (left > right || top > bottom)
        return out;
    uchar *bits = out.bits();  // detached once, before the bands share it
    const qsizetype stride = out.bytesPerLine();
    const bool whole = bandworkers::forRows(bottom - top + 1, right - left + 1, [&](int first, int end) {
        for (int y = top + first; y < top + end; ++y) {
            const qint64 dy = y - p.y;
            QRgb *line = reinterpret_cast<QRgb *>(bits + y * stride);
            for (int x = left; x <= right; ++x) {
                const qint64 dx = x - p.x;
                line[x] = pixelOf(line[x], dx * dx + dy * dy, p, reference, table);
            }
        }
    });
    return whole ? out : QImage();  // null when the job was replaced
}

}  // namespace selective

namespace {

bool selectable(QSize size, const selective::Point &p)
{
    for (int amount : {p.brightness, p.contrast, p.saturation})
        if (amount < -100 || amount > 100) {
            OperationError::set(QStringLiteral("Selective: brightness, contrast and saturation must be between -100 and 100."));
            return false;
        }
    if (p.radius < 1 || p.radius > 100000) {
        OperationError::set(QStringLiteral("Selective: the radius must be between 1 and 100000 pixels."));
        return false;
    }
    if (size.isValid() && (p.x < 0 || p.y < 0 || p.x >= size.width() || p.y >= size.height())) {
        OperationError::set(QStringLiteral("Selective: the point (%1, %2) is outside the %3 \u00d7 %4 picture.")
                                .arg(p.x).arg(p.y).arg(size.width()).arg(size.height()));
        return false;
    }
    return true;
}

}  // namespace

QImage EditorTools::selected(const QImage &picture, int x, int y, int radius, int brightness, int contrast,
                             int saturation)
{
    const selective::Point point{x, y, radius, brightness, contrast, saturation};
    if (picture.isNull() || !selectable(picture.size(), point))
        return {};
    return selective::apply(toolpicture::prepared(picture), point);
}

QString EditorTools::selectiveImage(QString path, int x, int y, int radius, int brightness, int contrast,
                                    int saturation)
{
    OperationError::clear();
    if (!selectable(QSize(), {x, y, radius, brightness, contrast, saturation}))
        return {};
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    const QImage out = selected(picture, x, y, radius, brightness, contrast, saturation);
    return out.isNull() ? QString() : toolpicture::write(communication(), out, path, QStringLiteral("Selective"));
}
