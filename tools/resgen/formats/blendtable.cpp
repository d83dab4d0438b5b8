// Writer of blend table files (layout in blendtable.h).
#include "blendtable.h"

namespace resgen {

Bytes writeBlendTables(const std::array<BlendTable, 3> &tables)
{
    ByteWriter w;
    w.u8(3);
    for (const BlendTable &t : tables) {
        w.u8(0x04);
        w.u8(0x01);
        w.u8(0x09);
        w.raw(t.data(), t.size());
    }
    return w.take();
}

}  // namespace resgen
