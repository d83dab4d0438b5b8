// Straighten (straightenImage): the crop size and the bilinear resampling of
// the turned picture, walked along each output row in fixed point.
#include "straighten.h"

#include "EditorTools.h"
#include "bandworkers.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace straighten {

namespace {

constexpr qint64 kOne = qint64(1) << kFractionBits;

bool isStraight(double degrees)
{
    return std::fmod(degrees, 360.0) == 0.0;
}

qint64 fixedOf(double v)
{
    return static_cast<qint64>(std::llround(v * double(kOne)));
}

}  // namespace

double keptShare(int width, int height, double degrees)
{
    if (width < 1 || height < 1)
        return 0;
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::abs(std::cos(radians)), s = std::abs(std::sin(radians));
    const double w = width, h = height;
    return std::min(w / (w * c + h * s), h / (w * s + h * c));
}

QSize croppedSize(int width, int height, double degrees)
{
    if (isStraight(degrees))
        return {width, height};
    const double k = keptShare(width, height, degrees);
    return {std::max(1, int(std::floor(k * width)) - 2), std::max(1, int(std::floor(k * height)) - 2)};
}

Mapping mappingFor(QSize source, QSize output, double degrees)
{
    // Output positions are turned back by the angle (positive turns the
    // picture clockwise on screen, as the Rotate tool's preview shows it).
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::cos(radians), s = std::sin(radians);
    // Centre of output pixel (0, 0) relative to the output's centre.
    const double ox = 0.5 - output.width() / 2.0, oy = 0.5 - output.height() / 2.0;
    // Its source position, in pixel-centre coordinates (pixel i at i).
    const double sx = ox * c + oy * s + source.width() / 2.0 - 0.5;
    const double sy = -ox * s + oy * c + source.height() / 2.0 - 0.5;
    return {fixedOf(sx), fixedOf(sy), fixedOf(c), fixedOf(-s), fixedOf(s), fixedOf(c)};
}

QRgb sample(const QImage &source, qint64 fx, qint64 fy)
{
    const qint64 maxX = qint64(source.width() - 1) << kFractionBits;
    const qint64 maxY = qint64(source.height() - 1) << kFractionBits;
    fx = std::clamp<qint64>(fx, 0, maxX);
    fy = std::clamp<qint64>(fy, 0, maxY);
    const int x0 = int(fx >> kFractionBits), y0 = int(fy >> kFractionBits);
    const int x1 = std::min(x0 + 1, source.width() - 1), y1 = std::min(y0 + 1, source.height() - 1);
    const QRgb *top = reinterpret_cast<const QRgb *>(source.constScanLine(y0));
    const QRgb *bottom = reinterpret_cast<const QRgb *>(source.constScanLine(y1));
    return mixFour(top[x0], top[x1], bottom[x0], bottom[x1], weightOf(fx), weightOf(fy));
}

QRgb straightenedPixel(const QImage &source, const Mapping &m, int x, int y)
{
    return sample(source, m.originX + x * m.stepXx + y * m.stepYx, m.originY + x * m.stepXy + y * m.stepYy);
}

QImage apply(const QImage &picture, double degrees)
{
    if (picture.isNull() || picture.depth() != 32 || !std::isfinite(degrees))
        return {};
    if (isStraight(degrees))
        return picture;
    const QSize size = croppedSize(picture.width(), picture.height(), degrees);
    QImage out(size, picture.format());
    if (out.isNull())
        return {};
    const Mapping m = mappingFor(picture.size(), size, degrees);
    // A row is a straight segment in the source: when both its ends lie
    // where all four neighbours exist, so does every pixel between them.
    const qint64 limitX = qint64(picture.width() - 1) << kFractionBits;
    const qint64 limitY = qint64(picture.height() - 1) << kFractionBits;
    auto inside = [&](qint64 fx, qint64 fy) { return fx >= 0 && fx < limitX && fy >= 0 && fy < limitY; };
    const uchar *bits = picture.constBits();
    const qsizetype stride = picture.bytesPerLine();
    const int last = size.width() - 1;
    uchar *outBits = out.bits();  // detached once, before the bands share it
    // Null when the job was replaced before every band ran.
    const bool whole = bandworkers::forRows(size.height(), size.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            qint64 fx = m.originX + y * m.stepYx, fy = m.originY + y * m.stepYy;
            QRgb *line = reinterpret_cast<QRgb *>(outBits + y * out.bytesPerLine());
            if (!inside(fx, fy) || !inside(fx + last * m.stepXx, fy + last * m.stepXy)) {
                for (int x = 0; x <= last; ++x, fx += m.stepXx, fy += m.stepXy)
                    line[x] = sample(picture, fx, fy);
                continue;
            }
            for (int x = 0; x <= last; ++x, fx += m.stepXx, fy += m.stepXy) {
                const QRgb *top = reinterpret_cast<const QRgb *>(bits + (fy >> kFractionBits) * stride)
                                  + (fx >> kFractionBits);
                const QRgb *bottom = reinterpret_cast<const QRgb *>(reinterpret_cast<const uchar *>(top) + stride);
                line[x] = mixFour(top[0], top[1], bottom[0], bottom[1], weightOf(fx), weightOf(fy));
            }
        }
    });
    return whole ? out : QImage();
}

}  // namespace straighten

QString EditorTools::straightenImage(QString path, double degrees)
{
    OperationError::clear();
    if (!std::isfinite(degrees) || std::abs(degrees) > 45) {
        OperationError::set(QStringLiteral("Straighten: the angle must be between -45\u00b0 and 45\u00b0."));
        return {};
    }
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), straighten::apply(picture, degrees), path,
                              QStringLiteral("Straighten"));
}

QSize EditorTools::straightenedSize(int width, int height, double degrees)
{
    if (width < 1 || height < 1 || !std::isfinite(degrees))
        return {};
    return straighten::croppedSize(width, height, degrees);
}
