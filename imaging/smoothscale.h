// Scaling a large picture smoothly on the band workers instead of with the
// toolkit's own smooth scaling. The toolkit shares a process-wide pool of
// threads between its scaling, its format conversions and the window's
// software renderer, and queues work there first come, first served: a
// twelve-megapixel photo scaled on an operation thread fills that queue for
// a tenth of a second, and the window's next frame waits behind it. Band
// workers are threads of their own, so the window only shares the processor.
//
// Smaller: the average of the source area each target pixel covers; larger:
// linear between the nearest source pixels (both axes on their own). Fixed
// point, so the bytes are the same on any number of threads.
#pragma once

#include <QImage>
#include <QSize>

namespace smoothscale {

// `picture` at `size` (aspect ignored), averaged with premultiplied alpha.
// Format_RGB32, Format_ARGB32 and Format_ARGB32_Premultiplied keep their
// format; anything else becomes Format_ARGB32_Premultiplied. Null when either
// is empty or the job running on this thread was cancelled.
QImage scaled(const QImage &picture, QSize size);

}  // namespace smoothscale
