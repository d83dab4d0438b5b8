// Auto enhance: one tap that sets a dull, flat or colour-cast photo right and
// leaves a well-exposed one nearly as it is.
//
// 1. The library's automatic levels (each channel stretched from its own
//    darkest to brightest 0.6 %) take out a cast and a flat range. Their
//    change to each pixel is split in two: the part common to the three
//    channels (contrast and brightness) is taken at 85 %, the rest (the
//    colour shift) at 50 %, since a photo of a green forest or an orange
//    sunset is meant to lean towards one colour.
// 2. A gamma on the three channels brings a dark or pale picture's mean
//    brightness part of the way towards the middle; within a band around it
//    nothing changes.
// 3. A gentle saturation lift, for flat photos only: the less colourful the
//    picture, the more (none once it is colourful enough).
#pragma once

#include <QImage>

#include <array>

namespace autoenhance {

// Tone and colour of step 1's result, from which steps 2 and 3 are set:
// read on every other pixel of every other row (step 2), as a mean needs no more.
struct Measure {
    double meanBrightness = 0.5;  // 0..1, of (30 R + 59 G + 11 B) / 100
    double meanChroma = 0;        // 0..1, mean of max(R, G, B) - min(R, G, B)
};
Measure measure(const QImage &picture, int step = 2);

// The gamma of step 2 for a mean brightness (1: unchanged).
double gammaFor(double meanBrightness);
// The saturation gain of step 3 for a mean chroma (1: unchanged).
double saturationFor(double meanChroma);

// One pixel of step 1: the original moved towards its levelled value (the
// plain form of what apply does with tables).
QRgb levelsPixel(QRgb original, QRgb levelled);
// One pixel through steps 2 and 3: gamma table, then saturation around the
// pixel's grey (30 R + 59 G + 11 B) / 100, in 256ths.
QRgb finishPixel(QRgb pixel, const std::array<unsigned char, 256> &gamma, int saturation256);
std::array<unsigned char, 256> gammaTable(double gamma);

// The whole enhancement of a Format_RGB32 or Format_ARGB32 picture.
QImage apply(const QImage &picture);

}  // namespace autoenhance
