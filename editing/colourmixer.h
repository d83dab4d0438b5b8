// Colour mixer: hue, saturation and lightness of the colours of one band of
// hues. The eight bands are centred on red 0, orange 30, yellow 60, green
// 120, aqua 180, blue 240, purple 270 and magenta 300 degrees; a band's
// weight falls from 1 at its centre to 0 at its neighbours' on a raised
// cosine, so the weights of neighbouring bands add up to 1 and a change
// blends smoothly into the next band. Near-greys, whose hue means little,
// are changed less.
#pragma once

#include <QImage>
#include <QRgb>
#include <QString>

namespace colourmixer {

constexpr int kBands = 8;

// The band's number (0 red .. 7 magenta), or -1 for an unknown name.
int bandNamed(const QString &name);

struct Settings {
    int band = 0;
    int hue = 0;         // -100..100: -+30 degrees towards the neighbours
    int saturation = 0;  // -100 grey .. 100 twice as saturated
    int lightness = 0;   // -100 half as light .. 100 half way to white

    bool neutral() const { return hue == 0 && saturation == 0 && lightness == 0; }
};

// The band's weight (0..1) for a hue in degrees (0..360).
double bandWeight(int band, double hue);

// One pixel (the plain form); alpha is kept.
QRgb mixedPixel(QRgb pixel, const Settings &settings);

// The picture (Format_RGB32 or Format_ARGB32) with the band changed, in
// bands of rows; neutral settings give the picture itself.
QImage apply(const QImage &picture, const Settings &settings);

}  // namespace colourmixer
