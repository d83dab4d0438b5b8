// Tone: exposure, highlights, shadows, warmth, tint and vignette, each an
// amount from -100 to 100 (0 leaves the picture as it is).
//
// The first five work value by value, so they become one table of 256
// entries per colour channel; the vignette scales each pixel by a weight
// that grows from the picture's centre to its corners.
#pragma once

#include <QImage>
#include <QRgb>

#include <array>

namespace tone {

struct Settings {
    int exposure = 0;    // + brighter (in light, with a soft shoulder), - darker
    int highlights = 0;  // + brighter bright tones, - recovers them
    int shadows = 0;     // + lifts the dark tones, - deepens them
    int warmth = 0;      // + amber (more red, less blue), - blue
    int tint = 0;        // + magenta (less green), - green
    int vignette = 0;    // + darker corners, - lighter corners; the centre stays

    bool neutral() const;
    // Every amount clamped to -100..100.
    Settings clamped() const;
};

// One value 0..1 through exposure, shadows and highlights, in that order.
double toneCurve(double value, const Settings &settings);
// One byte of channel 0 (red), 1 (green) or 2 (blue) through the tone curve
// and the channel's warmth and tint gain, rounded and clamped.
int channelValue(int value, int channel, const Settings &settings);
// The vignette's strength at pixel (x, y) of a width x height picture in
// 256ths: 0 inside an ellipse around the centre, rising smoothly to
// |vignette| * 0.7 at the corners.
int vignetteWeight(int x, int y, int width, int height, int vignette);
// One pixel of the result (the plain form of apply): the channel tables'
// value, then the vignette towards black (or white for a negative amount).
QRgb tonePixel(QRgb pixel, int x, int y, int width, int height, const Settings &settings);

// The three channel tables (red, green, blue).
std::array<std::array<unsigned char, 256>, 3> channelTables(const Settings &settings);
// The picture (Format_RGB32 or Format_ARGB32) with the settings made; alpha
// is kept. Gives the same bytes as tonePixel on every pixel.
QImage apply(const QImage &picture, const Settings &settings);

// Darkening or lightening one byte by a vignette weight (256ths).
inline int vignetteByte(int value, int weight, bool darken)
{
    return darken ? (value * (256 - weight) + 128) >> 8 : value + (((255 - value) * weight + 128) >> 8);
}

}  // namespace tone
