// Auto enhance (autoEnhanceImage): the library's automatic levels, mixed in
// part, then a gamma and a saturation set from what the levelled picture
// measures.
#include "autoenhance.h"

#include "EditorTools.h"
#include "bandworkers.h"
#include "levels.h"
#include "operationerror.h"
#include "toolpicture.h"

#include <algorithm>
#include <cmath>

namespace autoenhance {

namespace {

// Step 1 in 65536ths: a channel moves by kOwn of its own change plus kEach
// of each channel's change, which takes 85 % of the change common to the
// three channels (kOwn + 3 kEach) and 50 % of the rest (kOwn).
constexpr int kOwn = 32768;
constexpr int kEach = 7646;
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

Measure measure(const QImage &picture, int step)
{
    Measure m;
    const qint64 n = qint64((picture.width() + step - 1) / step) * ((picture.height() + step - 1) / step);
    if (n == 0)
        return m;
    qint64 brightness = 0, chroma = 0;
    for (int y = 0; y < picture.height(); y += step) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); x += step) {
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
    const int each = (d[0] + d[1] + d[2]) * kEach;
    int c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = std::clamp((o[i] * 65536 + d[i] * kOwn + each + 32768) >> 16, 0, 255);
    return qRgba(c[0], c[1], c[2], qAlpha(original));
}

QRgb finishPixel(QRgb pixel, const std::array<unsigned char, 256> &gamma, int saturation256)
{
    const int r = gamma[qRed(pixel)], g = gamma[qGreen(pixel)], b = gamma[qBlue(pixel)];
    // Each channel moved away from the pixel's grey by the gain, rounded.
    const int greyPart = greyOf(r, g, b) * (256 - saturation256) + 128;
    auto saturate = [&](int c) { return std::clamp((c * saturation256 + greyPart) >> 8, 0, 255); };
    return qRgba(saturate(r), saturate(g), saturate(b), qAlpha(pixel));
}

namespace {

// The levels' table of each channel, read back from the levelled picture:
// the library maps each byte value through one table per channel.
using Tables = std::array<std::array<int, 256>, 3>;

Tables levelsTables(const QImage &picture, const QImage &levelled)
{
    Tables t{};
    for (auto &table : t)
        for (int v = 0; v < 256; ++v)
            table[v] = v;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        const QRgb *to = reinterpret_cast<const QRgb *>(levelled.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            t[0][qRed(from[x])] = qRed(to[x]);
            t[1][qGreen(from[x])] = qGreen(to[x]);
            t[2][qBlue(from[x])] = qBlue(to[x]);
        }
    }
    return t;
}

}  // namespace

QImage apply(const QImage &picture)
{
    if (picture.isNull() || picture.depth() != 32)
        return {};
    QImage out = picture.copy();
    if (out.isNull())
        return {};
    // The library works on whole buffers of 4-byte pixels; a 32-bit QImage's
    // rows follow each other without padding. Its alpha bytes stay as they are.
    AutoColorLevel(out.bits(), out.width(), out.height(), true);
    const Tables levels = levelsTables(picture, out);
    // Step 1 as sums of tables (the same sums levelsPixel makes): a
    // channel's own part and every channel's shared part.
    std::array<std::array<int, 256>, 3> own{}, shared{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            own[c][v] = v * 65536 + (levels[c][v] - v) * kOwn + 32768;
            shared[c][v] = (levels[c][v] - v) * kEach;
        }
    auto levelled = [&](QRgb p) {
        const int r = qRed(p), g = qGreen(p), b = qBlue(p);
        const int each = shared[0][r] + shared[1][g] + shared[2][b];
        return qRgba(std::clamp((own[0][r] + each) >> 16, 0, 255), std::clamp((own[1][g] + each) >> 16, 0, 255),
                     std::clamp((own[2][b] + each) >> 16, 0, 255), qAlpha(p));
    };
    // Steps 2 and 3 are set from the measure of step 1's result, taken on
    // the pixels the measure reads; then one pass makes all three steps.
    QImage sampled((picture.width() + 1) / 2, (picture.height() + 1) / 2, QImage::Format_RGB32);
    if (sampled.isNull())
        return {};
    for (int y = 0; y < sampled.height(); ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(picture.constScanLine(2 * y));
        QRgb *to = reinterpret_cast<QRgb *>(sampled.scanLine(y));
        for (int x = 0; x < sampled.width(); ++x)
            to[x] = levelled(from[2 * x]);
    }
    Measure m = measure(sampled, 1);
    const auto gamma = gammaTable(gammaFor(m.meanBrightness));
    const int saturation256 = int(std::lround(saturationFor(m.meanChroma) * 256));
    uchar *bits = out.bits();  // detached once, before the bands share it
    // Null when the job was replaced before every band ran.
    const bool whole = bandworkers::forRows(out.height(), out.width(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const QRgb *from = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            QRgb *line = reinterpret_cast<QRgb *>(bits + y * out.bytesPerLine());
            if (saturation256 == 256) {
                // Gamma alone works channel by channel.
                for (int x = 0; x < out.width(); ++x) {
                    const QRgb p = levelled(from[x]);
                    line[x] = qRgba(gamma[qRed(p)], gamma[qGreen(p)], gamma[qBlue(p)], qAlpha(p));
                }
            } else {
                for (int x = 0; x < out.width(); ++x)
                    line[x] = finishPixel(levelled(from[x]), gamma, saturation256);
            }
        }
    });
    return whole ? out : QImage();
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
