// Colour mixer (hslImage): the band weights, the change of one pixel in HSL
// and the pass over the picture.
#include "colourmixer.h"

#include "EditorTools.h"
#include "operationerror.h"
#include "bandworkers.h"
#include "toolpicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace colourmixer {

namespace {

constexpr std::array<const char *, kBands> kNames = {"red", "orange", "yellow", "green",
                                                     "aqua", "blue", "purple", "magenta"};
constexpr std::array<double, kBands> kCentres = {0, 30, 60, 120, 180, 240, 270, 300};
constexpr double kHueReach = 30;     // degrees at hue +-100
constexpr double kGreyChroma = 24;   // chroma (max - min) from which a colour takes the whole change
constexpr int kWeightSteps = 4;      // the weight table's steps per degree

// The band's weight by hue in quarter degrees, built once per band.
const std::array<float, 360 * kWeightSteps + 1> &weights(int band)
{
    static const auto all = [] {
        std::array<std::array<float, 360 * kWeightSteps + 1>, kBands> tables{};
        for (int b = 0; b < kBands; ++b)
            for (int i = 0; i <= 360 * kWeightSteps; ++i)
                tables[b][i] = float(bandWeight(b, double(i) / kWeightSteps));
        return tables;
    }();
    return all[band];
}

inline double hueToChannel(double p, double q, double t)
{
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (t < 1.0 / 6)
        return p + (q - p) * 6 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

inline int byteOf(double v)
{
    return std::clamp(int(std::lround(v * 255)), 0, 255);
}

}  // namespace

int bandNamed(const QString &name)
{
    for (int b = 0; b < kBands; ++b)
        if (name == QLatin1String(kNames[b]))
            return b;
    return -1;
}

double bandWeight(int band, double hue)
{
    const double centre = kCentres[band];
    const double next = band + 1 < kBands ? kCentres[band + 1] : 360;
    const double previous = band > 0 ? kCentres[band - 1] : kCentres[kBands - 1] - 360;
    // The hue's distance from the centre, either way round the circle.
    double d = std::fmod(hue - centre + 540, 360) - 180;
    const double span = d >= 0 ? next - centre : centre - previous;
    d = std::abs(d);
    if (d >= span)
        return 0;
    return 0.5 + 0.5 * std::cos(std::numbers::pi * d / span);
}

QRgb mixedPixel(QRgb pixel, const Settings &s)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    const int high = std::max({r, g, b}), low = std::min({r, g, b}), chroma = high - low;
    if (chroma == 0)
        return pixel;
    // Hue on the hexcone, in degrees.
    double hue;
    if (high == r)
        hue = 60.0 * (g - b) / chroma + (g < b ? 360 : 0);
    else if (high == g)
        hue = 60.0 * (b - r) / chroma + 120;
    else
        hue = 60.0 * (r - g) / chroma + 240;
    const double weight = weights(s.band)[int(hue * kWeightSteps)] * std::min(1.0, chroma / kGreyChroma);
    if (weight == 0)
        return pixel;
    double light = (high + low) / 510.0;
    double saturation = chroma / 255.0 / (1 - std::abs(2 * light - 1));
    hue += kHueReach * s.hue / 100.0 * weight;
    saturation = std::clamp(saturation * (1 + s.saturation / 100.0 * weight), 0.0, 1.0);
    const double lift = s.lightness / 100.0 * weight;
    light += 0.5 * lift * (lift > 0 ? 1 - light : light);
    // Back from HSL.
    const double q = light < 0.5 ? light * (1 + saturation) : light + saturation - light * saturation;
    const double p = 2 * light - q;
    const double t = std::fmod(hue + 360, 360) / 360;
    return qRgba(byteOf(hueToChannel(p, q, t + 1.0 / 3)), byteOf(hueToChannel(p, q, t)),
                 byteOf(hueToChannel(p, q, t - 1.0 / 3)), qAlpha(pixel));
}

QImage apply(const QImage &picture, const Settings &s)
{
    if (picture.isNull() || picture.depth() != 32 || s.band < 0 || s.band >= kBands)
        return {};
    if (s.neutral())
        return picture;
    QImage out(picture.size(), picture.format());
    if (out.isNull())
        return {};
    weights(s.band);  // built before the bands share it
    uchar *bits = out.bits();  // detached once, before the bands share it
    const int width = picture.width();
    const bool whole = bandworkers::forRows(picture.height(), width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const QRgb *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            QRgb *o = reinterpret_cast<QRgb *>(bits + y * out.bytesPerLine());
            for (int x = 0; x < width; ++x)
                o[x] = mixedPixel(in[x], s);
        }
    });
    return whole ? out : QImage();  // null when the job was replaced
}

}  // namespace colourmixer

namespace {

bool mixable(const colourmixer::Settings &s, const QString &band)
{
    if (s.band < 0) {
        OperationError::set(QStringLiteral("Colour mixer: \u201c%1\u201d is not a band (red, orange, yellow, green, "
                                           "aqua, blue, purple or magenta).").arg(band));
        return false;
    }
    for (int amount : {s.hue, s.saturation, s.lightness})
        if (amount < -100 || amount > 100) {
            OperationError::set(QStringLiteral("Colour mixer: hue, saturation and lightness must be between -100 and 100."));
            return false;
        }
    return true;
}

}  // namespace

QImage EditorTools::hslMixed(const QImage &picture, const QString &band, int hue, int saturation, int lightness)
{
    const colourmixer::Settings s{colourmixer::bandNamed(band), hue, saturation, lightness};
    if (picture.isNull() || !mixable(s, band))
        return {};
    return colourmixer::apply(toolpicture::prepared(picture), s);
}

QString EditorTools::hslImage(QString path, QString band, int hue, int saturation, int lightness)
{
    OperationError::clear();
    if (!mixable({colourmixer::bandNamed(band), hue, saturation, lightness}, band))
        return {};
    const QImage picture = toolpicture::load(path);
    if (picture.isNull())
        return {};
    return toolpicture::write(communication(), hslMixed(picture, band, hue, saturation, lightness), path,
                              QStringLiteral("Colour mixer"));
}
