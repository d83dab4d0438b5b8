// Tone (toneImage): the channel tables, the vignette weight and the pass that
// applies both; plus the brightness histogram the Tone panel shows.
#include "tone.h"

#include "EditorTools.h"
#include "bandworkers.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <QVariantList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tone {

namespace {

constexpr double kStops = 1.5;          // exposure +-100: +-1.5 stops
constexpr double kToneReach = 0.9;      // shadows and highlights: the bump's scale
constexpr double kWarmthGain = 0.12;    // warmth +-100: red and blue +-12 %
constexpr double kTintGain = 0.10;      // tint +-100: green -+10 %
constexpr double kVignetteDepth = 0.7;  // vignette +-100 at the corners
constexpr double kVignetteStart = 0.45; // where it begins, in half-diagonals

double toLight(double v) { return std::pow(v, 2.2); }
double fromLight(double l) { return std::pow(l, 1 / 2.2); }

int clampAmount(int v) { return std::clamp(v, -100, 100); }

}  // namespace

bool Settings::neutral() const
{
    return exposure == 0 && highlights == 0 && shadows == 0 && warmth == 0 && tint == 0 && vignette == 0;
}

Settings Settings::clamped() const
{
    return {clampAmount(exposure), clampAmount(highlights), clampAmount(shadows),
            clampAmount(warmth), clampAmount(tint), clampAmount(vignette)};
}

double toneCurve(double value, const Settings &s)
{
    double v = value;
    if (s.exposure != 0) {
        // In light: darker scales down; brighter scales up with a shoulder
        // (l g / (1 + (g - 1) l)) so white stays white instead of clipping.
        const double gain = std::exp2(kStops * s.exposure / 100.0);
        const double l = toLight(v);
        v = fromLight(s.exposure < 0 ? l * gain : l * gain / (1 + (gain - 1) * l));
    }
    // Bumps that vanish at black and white: x (1 - x)^2 peaks at a third,
    // x^2 (1 - x) at two thirds; both scales keep the curve rising.
    if (s.shadows != 0)
        v += kToneReach * s.shadows / 100.0 * v * (1 - v) * (1 - v);
    if (s.highlights != 0)
        v += kToneReach * s.highlights / 100.0 * v * v * (1 - v);
    return v;
}

int channelValue(int value, int channel, const Settings &s)
{
    double gain = 1;
    if (channel == 0)
        gain += kWarmthGain * s.warmth / 100.0;
    else if (channel == 2)
        gain -= kWarmthGain * s.warmth / 100.0;
    else
        gain -= kTintGain * s.tint / 100.0;
    const double out = std::round(255 * toneCurve(value / 255.0, s) * gain);
    return static_cast<int>(std::clamp(out, 0.0, 255.0));
}

namespace {

// The vignette's shape: the weight (in 256ths of the full amount) by the
// squared distance from the centre in half-diagonals, r2 = 0..1 in
// kShapeSteps steps; 0 up to the start, then a smooth step to 1 at the corners.
constexpr int kShapeSteps = 4096;

const std::array<int, kShapeSteps + 1> &vignetteShape()
{
    static const std::array<int, kShapeSteps + 1> shape = [] {
        std::array<int, kShapeSteps + 1> s{};
        for (int i = 0; i <= kShapeSteps; ++i) {
            const double r = std::sqrt(double(i) / kShapeSteps);
            const double t = std::clamp((r - kVignetteStart) / (1 - kVignetteStart), 0.0, 1.0);
            s[i] = int(std::lround(t * t * (3 - 2 * t) * 65536));
        }
        return s;
    }();
    return shape;
}

// Squared distance from the centre, per axis, in kShapeSteps of r2: dx and
// dy in half-sizes, r2 = (dx^2 + dy^2) / 2, so the shape follows the
// picture's proportions and reaches 1 at the corners.
double axisShare(int at, int length)
{
    const double d = (at + 0.5 - length / 2.0) / (length / 2.0);
    return d * d / 2 * kShapeSteps;
}

int weightAt(double share, int depth)
{
    const int step = std::min(kShapeSteps, int(share));
    return (vignetteShape()[step] * depth + 32768) >> 16;
}

// The weight at the corners in 256ths: |vignette| * 0.7.
int depthOf(int vignette)
{
    return int(std::lround(kVignetteDepth * std::abs(vignette) / 100.0 * 256));
}

}  // namespace

int vignetteWeight(int x, int y, int width, int height, int vignette)
{
    if (vignette == 0 || width < 1 || height < 1)
        return 0;
    return weightAt(axisShare(x, width) + axisShare(y, height), depthOf(vignette));
}

QRgb tonePixel(QRgb pixel, int x, int y, int width, int height, const Settings &settings)
{
    const Settings s = settings.clamped();
    int rgb[3] = {channelValue(qRed(pixel), 0, s), channelValue(qGreen(pixel), 1, s),
                  channelValue(qBlue(pixel), 2, s)};
    const int weight = vignetteWeight(x, y, width, height, s.vignette);
    for (int &c : rgb)
        c = vignetteByte(c, weight, s.vignette > 0);
    return qRgba(rgb[0], rgb[1], rgb[2], qAlpha(pixel));
}

std::array<std::array<unsigned char, 256>, 3> channelTables(const Settings &settings)
{
    const Settings s = settings.clamped();
    std::array<std::array<unsigned char, 256>, 3> tables{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            tables[c][v] = static_cast<unsigned char>(channelValue(v, c, s));
    return tables;
}

QImage apply(const QImage &picture, const Settings &settings)
{
    const Settings s = settings.clamped();
    if (picture.isNull() || picture.depth() != 32)
        return {};
    if (s.neutral())
        return picture;
    const auto tables = channelTables(s);
    const int width = picture.width(), height = picture.height();
    QImage out(picture.size(), picture.format());
    if (out.isNull())
        return {};
    // The vignette weight: each axis's share once, summed per pixel, and
    // mirrored about the centre column.
    std::vector<double> across(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        across[x] = axisShare(x, width);
    const bool darken = s.vignette > 0;
    const int depth = depthOf(s.vignette);
    uchar *bits = out.bits();  // detached once, before the bands share it
    // Null when the job was replaced before every band ran.
    const bool whole = bandworkers::forRows(height, width, [&](int first, int end) {
        std::vector<int> weights(static_cast<size_t>(width));
        for (int y = first; y < end; ++y) {
            if (s.vignette != 0) {
                const double down = axisShare(y, height);
                for (int x = 0; x < (width + 1) / 2; ++x)
                    weights[x] = weights[width - 1 - x] = weightAt(across[x] + down, depth);
            }
            const uchar *in = picture.constScanLine(y);
            uchar *o = bits + y * out.bytesPerLine();
            for (int x = 0; x < width; ++x, in += 4, o += 4) {
                // Bytes in memory: blue, green, red, alpha.
                int b = tables[2][in[0]], g = tables[1][in[1]], r = tables[0][in[2]];
                if (const int w = s.vignette != 0 ? weights[x] : 0) {
                    b = vignetteByte(b, w, darken);
                    g = vignetteByte(g, w, darken);
                    r = vignetteByte(r, w, darken);
                }
                o[0] = static_cast<uchar>(b);
                o[1] = static_cast<uchar>(g);
                o[2] = static_cast<uchar>(r);
                o[3] = in[3];
            }
        }
    });
    return whole ? out : QImage();
}

}  // namespace tone

QString EditorTools::toneImage(QString path, int exposure, int highlights, int shadows, int warmth, int tint,
                               int vignette)
{
    OperationError::clear();
    const tone::Settings settings{exposure, highlights, shadows, warmth, tint, vignette};
    if (!tonable(settings))
        return {};
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), tone::apply(picture, settings), path, QStringLiteral("Tone"));
}

bool EditorTools::tonable(const tone::Settings &settings)
{
    const tone::Settings clamped = settings.clamped();
    if (clamped.exposure != settings.exposure || clamped.highlights != settings.highlights
        || clamped.shadows != settings.shadows || clamped.warmth != settings.warmth || clamped.tint != settings.tint
        || clamped.vignette != settings.vignette) {
        OperationError::set(QStringLiteral("Tone: every amount must be between -100 and 100."));
        return false;
    }
    return true;
}

QImage EditorTools::toned(const QImage &picture, int exposure, int highlights, int shadows, int warmth, int tint,
                          int vignette)
{
    const tone::Settings settings{exposure, highlights, shadows, warmth, tint, vignette};
    return tonable(settings) ? tone::apply(toolpicture::prepared(picture), settings) : QImage();
}

QVariantList EditorTools::brightnessHistogram(QString path, int bins)
{
    OperationError::clear();
    if (!histogramBins(bins))
        return {};
    const QImage picture = toolpicture::load(path);
    return picture.isNull() ? QVariantList() : histogramOf(picture, bins);
}

bool EditorTools::histogramBins(int bins)
{
    if (bins < 1 || bins > 256 || 256 % bins != 0) {
        OperationError::set(QStringLiteral("Histogram: %1 bins do not divide 256.").arg(bins));
        return false;
    }
    return true;
}

QVariantList EditorTools::histogramOf(const QImage &decoded, int bins)
{
    QVariantList shares;
    if (!histogramBins(bins) || decoded.isNull())
        return shares;
    const QImage picture = toolpicture::prepared(decoded);
    // Brightness as the library's histogram counts grey: (30 R + 59 G + 11 B) / 100.
    std::vector<qint64> counts(static_cast<size_t>(bins), 0);
    const int per = 256 / bins;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            ++counts[(30 * qRed(line[x]) + 59 * qGreen(line[x]) + 11 * qBlue(line[x])) / 100 / per];
    }
    // Shares of the fullest bin, 0..1, for drawing.
    const qint64 most = std::max<qint64>(1, *std::max_element(counts.begin(), counts.end()));
    for (qint64 c : counts)
        shares.append(double(c) / double(most));
    return shares;
}
