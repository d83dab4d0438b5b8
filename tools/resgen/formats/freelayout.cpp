// Writer of free-collage layouts (layout in freelayout.h).
#include "freelayout.h"

namespace resgen {

Bytes writeFreeLayout(const std::vector<FreeCell> &cells)
{
    ByteWriter w;
    w.cellLayoutStart("ZZYPT", cells.size(), 640, 896);
    for (const FreeCell &c : cells) {
        w.i32s({c.x, c.y, c.w, c.h, c.offsetXLow, c.offsetXHigh, c.offsetYLow, c.offsetYHigh, c.rotationLow,
                c.rotationHigh});
        w.f32(c.factorLow);
        w.f32(c.factorHigh);
        w.fill(0x01, 8);
    }
    return w.take();
}

}  // namespace resgen
