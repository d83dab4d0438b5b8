// Straighten: a turn by a fine angle, cropped to the largest upright
// rectangle of the picture's own proportions that lies wholly inside the
// turned picture, so no empty corner remains.
//
// The crop keeps the proportions (rather than taking the rectangle of the
// largest area, which grows narrower as the angle grows): a 4:3 photo stays
// 4:3 while the angle slider moves, and the preview only has to zoom.
#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>

namespace straighten {

// Fixed point of the sampling positions: 16 fraction bits.
constexpr int kFractionBits = 16;

// The share of the width and height that remains: for a W x H picture turned
// by an angle a (c = |cos a|, s = |sin a|), the largest centred rectangle
// k W x k H inside it has k = min(W / (W c + H s), H / (W s + H c)).
double keptShare(int width, int height, double degrees);
// The crop in whole pixels: k W and k H rounded down, less one pixel on each
// side, where the turned picture's edge passes through the pixels.
QSize croppedSize(int width, int height, double degrees);

// How output pixel (0, 0) and a step right or down map into the source, in
// fixed point: the output's centre sits on the source's centre, turned.
struct Mapping {
    qint64 originX = 0, originY = 0;  // source position of output pixel (0, 0)
    qint64 stepXx = 0, stepXy = 0;    // one pixel right in the output
    qint64 stepYx = 0, stepYy = 0;    // one pixel down in the output
};
Mapping mappingFor(QSize source, QSize output, double degrees);

// The bilinear mix of four pixels with weights in 256ths, each byte rounded.
inline QRgb mixFour(QRgb p00, QRgb p01, QRgb p10, QRgb p11, int ax, int ay)
{
    QRgb out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int upper = int((p00 >> shift) & 0xff) * (256 - ax) + int((p01 >> shift) & 0xff) * ax;
        const int lower = int((p10 >> shift) & 0xff) * (256 - ax) + int((p11 >> shift) & 0xff) * ax;
        out |= QRgb((upper * (256 - ay) + lower * ay + 32768) >> 16) << shift;
    }
    return out;
}

// Weights in 256ths keep every product within 32 bits.
inline int weightOf(qint64 f)
{
    return int((f & ((qint64(1) << kFractionBits) - 1)) >> (kFractionBits - 8));
}

// The source's colour at a fixed-point position, mixed from its four
// neighbours (bilinear, rounded); positions are clamped to the picture.
QRgb sample(const QImage &source, qint64 fx, qint64 fy);

// Output pixel (x, y): the plain form, each position computed from scratch.
QRgb straightenedPixel(const QImage &source, const Mapping &mapping, int x, int y);

// The turned and cropped picture (Format_RGB32 or Format_ARGB32 in, the same
// out). Angle 0 gives the picture itself.
QImage apply(const QImage &picture, double degrees);

}  // namespace straighten
