// Writer of frame files (layout in framefile.h).
#include "framefile.h"

namespace resgen {

Bytes writeFrameFile(const FrameFile &frame)
{
    ByteWriter w;
    w.layoutHeader("QVRBK");
    w.i32(960);
    w.i32(640);
    w.i32(190);
    for (int c = 0; c < 4; ++c) {
        w.i32(frame.cutWidth[c]);
        w.i32(frame.cutHeight[c]);
    }
    w.i32(0);
    for (const Bytes &png : frame.pieces) {
        if (png.empty()) {
            w.i32(0);
            continue;
        }
        w.i32(1);
        w.i32(0);
        w.i32(static_cast<int32_t>(png.size()));
        w.raw(png);
    }
    return w.take();
}

}  // namespace resgen
