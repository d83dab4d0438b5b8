// The HDR looks' chain as one streaming pass (internal, not exported): a
// per-channel table, the unsharp mask of CSharp::useEffect, a second table.
//
// CSharp::useEffect blurs the whole picture into a second buffer (rows, then
// columns) and then forms the unsharp result from the picture and the blur.
// Output row y of the blur needs the row-pass results of rows y - h .. y + h
// only, and the row pass of a row reads that row alone, so the picture can be
// taken a row at a time (kernelblur::StreamBlur): a row is looked up in the
// first table when it enters the window, and output row y is blurred,
// sharpened against the picture's own row y (still holding its looked-up
// bytes) and written back once rows up to y + h have entered. The working
// set is a ring of 2h + 1 rows, so no picture-sized blur is made.
#pragma once

#include "simd.h"
#include "styles_shared.h"

namespace styles {

// before on every pixel, then CSharp::useEffect(image, width, height, radius,
// amount), then after (when not null) on every pixel: the same bytes, byte 3
// ending as 255. Where useEffect would refuse (radius outside 1..50) only the
// tables are applied, as in the step-by-step chain, and the result is false;
// false with the picture untouched when memory runs out; a picture with a
// size below 1 is left as it is (true).
bool LutUnsharpLut(unsigned char *image, int width, int height, const ChannelLut &before, int radius,
                   float amount, const ChannelLut *after);

}  // namespace styles
