// Writer of free-collage layouts (layout in freelayout.h).
#include "freelayout.h"

namespace resgen {

Bytes writeFreeLayout(const std::vector<FreeCell> &cells)
{
    ByteWriter w;
    w.layoutHeader("ZZYPT");
    w.i32(1);
    w.i32(static_cast<int32_t>(cells.size()));
    w.i32(640);
    w.i32(896);
    w.fill(0x01, 8);
    for (const FreeCell &c : cells) {
        w.i32(c.x);
        w.i32(c.y);
        w.i32(c.w);
        w.i32(c.h);
        w.i32(c.offsetXLow);
        w.i32(c.offsetXHigh);
        w.i32(c.offsetYLow);
        w.i32(c.offsetYHigh);
        w.i32(c.rotationLow);
        w.i32(c.rotationHigh);
        w.f32(c.factorLow);
        w.f32(c.factorHigh);
        w.fill(0x01, 8);
    }
    return w.take();
}

}  // namespace resgen
