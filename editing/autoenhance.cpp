// Auto enhance (autoEnhanceImage): the library's automatic levels, mixed in
// part, then a gamma and a saturation set from what the levelled picture
// measures.
#include "autoenhance.h"

#include "EditorTools.h"
#include "levels.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <algorithm>
#include <cmath>

namespace autoenhance {

namespace {

constexpr int kNeutralShare = 218;      // step 1, in 256ths: 85 % of the brightening
constexpr int kColourShare = 128;       // and 50 % of the colour change
constexpr double kTargetLow = 0.30;     // step 2: means in this band stay
constexpr double kTargetHigh = 0.60;
constexpr double kGammaReach = 0.5;     // part of the way to the band
constexpr double kFlatChroma = 0.16;    // step 3: colourful enough from here
constexpr double kMostSaturation = 0.25;

int greyOf(int r, int g, int b)
{
    return (30 * r + 59 * g + 11 * b) / 100;
}

}  // namespace

Measure measure(const QImage &picture)
{
    Measure m;
    const qint64 n = qint64(picture.width()) * picture.height();
    if (n == 0)
        return m;
    qint64 brightness = 0, chroma = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            brightness += greyOf(r, g, b);
            chroma += std::max({r, g, b}) - std::min({r, g, b});
        }
    }
    m.meanBrightness = double(brightness) / double(n) / 255;
    m.meanChroma = double(chroma) / double(n) / 255;
    return m;
}

double gammaFor(double mean)
{
    if (mean <= 0 || mean >= 1 || (mean >= kTargetLow && mean <= kTargetHigh))
        return 1;
    const double target = mean < kTargetLow ? kTargetLow : kTargetHigh;
    // The exponent that takes the mean to the band's edge, taken part way.
    const double full = std::log(target) / std::log(mean);
    return std::clamp(1 + (full - 1) * kGammaReach, 0.7, 1.4);
}

double saturationFor(double meanChroma)
{
    if (meanChroma >= kFlatChroma)
        return 1;
    return 1 + kMostSaturation * (1 - meanChroma / kFlatChroma);
}

std::array<unsigned char, 256> gammaTable(double gamma)
{
    std::array<unsigned char, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<unsigned char>(std::lround(255 * std::pow(v / 255.0, gamma)));
    return table;
}

QRgb levelsPixel(QRgb original, QRgb levelled)
{
    const int o[3] = {qRed(original), qGreen(original), qBlue(original)};
    const int d[3] = {qRed(levelled) - o[0], qGreen(levelled) - o[1], qBlue(levelled) - o[2]};
    // The change split into its part common to the three channels and the
    // rest, which shifts the colour.
    const int common = (d[0] + d[1] + d[2]) * 256 / 3;  // in 256ths
    int c[3];
    for (int i = 0; i < 3; ++i) {
        const int shift = d[i] * 256 - common;  // 256ths
        const int moved = (common * kNeutralShare + shift * kColourShare) / 256;
        c[i] = std::clamp(o[i] + (moved + (moved >= 0 ? 128 : -128)) / 256, 0, 255);
    }
    return qRgba(c[0], c[1], c[2], qAlpha(original));
}

QRgb finishPixel(QRgb pixel, const std::array<unsigned char, 256> &gamma, int saturation256)
{
    const int r = gamma[qRed(pixel)], g = gamma[qGreen(pixel)], b = gamma[qBlue(pixel)];
    const int grey = greyOf(r, g, b);
    auto saturate = [&](int c) {
        return std::clamp(grey + (((c - grey) * saturation256 + (c >= grey ? 128 : -128)) / 256), 0, 255);
    };
    return qRgba(saturate(r), saturate(g), saturate(b), qAlpha(pixel));
}

QImage apply(const QImage &picture)
{
    if (picture.isNull() || picture.depth() != 32)
        return {};
    QImage levelled = picture.copy();
    if (levelled.isNull())
        return {};
    // The library works on whole buffers of 4-byte pixels; a 32-bit QImage's
    // rows follow each other without padding. Its alpha bytes stay as they are.
    AutoColorLevel(levelled.bits(), levelled.width(), levelled.height(), true);
    QImage mixed(picture.size(), picture.format());
    if (mixed.isNull())
        return {};
    for (int y = 0; y < mixed.height(); ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        const QRgb *to = reinterpret_cast<const QRgb *>(levelled.constScanLine(y));
        QRgb *out = reinterpret_cast<QRgb *>(mixed.scanLine(y));
        for (int x = 0; x < mixed.width(); ++x)
            out[x] = levelsPixel(from[x], to[x]);
    }
    const Measure m = measure(mixed);
    const auto gamma = gammaTable(gammaFor(m.meanBrightness));
    const int saturation256 = int(std::lround(saturationFor(m.meanChroma) * 256));
    for (int y = 0; y < mixed.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(mixed.scanLine(y));
        for (int x = 0; x < mixed.width(); ++x)
            line[x] = finishPixel(line[x], gamma, saturation256);
    }
    return mixed;
}

}  // namespace autoenhance

QString EditorTools::autoEnhanceImage(QString path)
{
    OperationError::clear();
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), autoenhance::apply(picture), path, QStringLiteral("Auto enhance"));
}
