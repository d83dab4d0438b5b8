// Nearest-neighbour stretching of masks and textures, with the source
// positions a fast-scaled QPixmap takes (see maskstretch.h).
#include "maskstretch.h"

#include <QtMath>

#include <algorithm>
#include <cstring>

namespace maskstretch {

namespace {

// Beyond this on a side, or at a stretch of this many times or more, the
// painter leaves its fixed-point scaler for other paths that round
// differently; stretchMatchesScaling refuses those sizes.
constexpr int kMaxSide = 0x7fff;
constexpr double kMaxFactor = 512.0;

}  // namespace

std::vector<int> sourceIndices(int from, int to)
{
    if (from < 1 || to < 1)
        return {};
    // The scale a pixmap is drawn with, the width it maps the source to, and
    // back: three roundings in double, each one visible in the result.
    const double scale = double(to) / from;
    const double mapped = scale * from;
    const double inverse = from / mapped;
    // 16.16 fixed point: the step is truncated, the first position sits half
    // a step in, rounded up, less one.
    const qint64 step = qint64(inverse * 65536.0);
    qint64 position = qint64(std::ceil(inverse * 32768.0)) - 1;
    std::vector<int> indices(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i, position += step)
        indices[size_t(i)] = int(std::clamp<qint64>(position >> 16, 0, from - 1));
    return indices;
}

bool stretchMatchesScaling(QImage::Format format, QSize from, QSize to)
{
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (from.isEmpty() || to.isEmpty())
        return false;
    if (std::max({from.width(), from.height(), to.width(), to.height()}) > kMaxSide)
        return false;
    return double(to.width()) / from.width() < kMaxFactor && double(to.height()) / from.height() < kMaxFactor;
}

QImage opaque(const QImage &drawn)
{
    if (drawn.format() != QImage::Format_ARGB32_Premultiplied)
        return drawn.convertToFormat(QImage::Format_RGB32);
    QImage result(drawn.size(), QImage::Format_RGB32);
    if (result.isNull())
        return {};
    for (int y = 0; y < drawn.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(drawn.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb p = in[x];
            const uint a = qAlpha(p);
            const auto unpremultiplied = [a](uint c) { return a == 0 ? 0u : (510 * c + a) / (2 * a); };
            out[x] = a == 255 ? p : qRgb(int(unpremultiplied(qRed(p))), int(unpremultiplied(qGreen(p))),
                                         int(unpremultiplied(qBlue(p))));
        }
    }
    return result;
}

QImage stretch(const QImage &source, int width, int height)
{
    if (source.isNull() || source.format() != QImage::Format_RGB32 || width < 1 || height < 1)
        return {};
    QImage result(width, height, QImage::Format_RGB32);
    if (result.isNull())
        return {};
    const std::vector<int> columns = sourceIndices(source.width(), width);
    const std::vector<int> rows = sourceIndices(source.height(), height);

    // A Format_RGB32 row is whole words: width * 4 bytes, no padding.
    const size_t rowBytes = size_t(width) * 4;
    const qsizetype resultStride = result.bytesPerLine();
    uchar *out = result.bits();
    const uchar *previous = nullptr;
    for (int y = 0; y < height; ++y, out += resultStride) {
        if (previous && rows[size_t(y)] == rows[size_t(y) - 1]) {
            std::memcpy(out, previous, rowBytes);
        } else {
            const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(rows[size_t(y)]));
            auto *pixels = reinterpret_cast<QRgb *>(out);
            for (int x = 0; x < width; ++x)
                pixels[x] = in[columns[size_t(x)]];
        }
        previous = out;
    }
    return result;
}

}  // namespace maskstretch
