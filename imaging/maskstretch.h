// Stretching a small mask or texture to a photo's exact size, nearest
// neighbour, pixel for pixel as a QPixmap scaled with Qt::FastTransformation
// (aspect ignored) picks its source pixels, but without the pixmap: the column
// map is worked out once, every distinct row is gathered once and rows that
// come from the same source row are copied whole.
//
//   sourceIndices      the source position of each target position, one axis
//   stretchMatchesScaling  whether the fixed-point stepping applies to a size pair
//   stretch            the whole picture into a new Format_RGB32 image
//   opaque             the pixmap's picture as opaque Format_RGB32, the same
//                      on every processor
#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace maskstretch {

// The source column (or row) of each of `to` target columns when `from`
// source columns are stretched, as the raster painter steps in 16.16 fixed
// point for a drawing scaled by to / from:
//   r = from / (to / from * from)      (the inverse scale, in double)
//   step = int(r * 65536), first = ceil(r * 32768) - 1
//   index(i) = (first + i * step) >> 16
// Every index lies in [0, from). Empty when either count is below 1.
std::vector<int> sourceIndices(int from, int to);

// True when sourceIndices reproduces the pixmap's own scaling for a picture
// of `from` stretched to `to`: the painter's fixed-point scaler serves it
// (each axis stretched less than 512 times, no side beyond 32767) and the
// picture is one of the 32-bit formats that scaler draws from.
bool stretchMatchesScaling(QImage::Format format, QSize from, QSize to);

// `source` (Format_RGB32) stretched to width x height as a new Format_RGB32
// picture: pixel (x, y) is a copy of source pixel (sourceIndices(w, width)[x],
// sourceIndices(h, height)[y]). Null for a null or other-format source, a
// size below 1, or a result that cannot be allocated.
QImage stretch(const QImage &source, int width, int height);

// `drawn` (a pixmap's picture) as Format_RGB32. A premultiplied picture has
// each colour divided by its alpha exactly: c = round(c * 255 / a), halves up
// (0 where a is 0). Qt's own conversion divides with the processor's
// approximate reciprocal, whose last bits differ from one processor to
// another, and rounds a few hundred (colour, alpha) pairs the other way, so
// the same mask would give different looks on different machines. Other
// formats take Qt's conversion (exact for them).
QImage opaque(const QImage &drawn);

}  // namespace maskstretch
