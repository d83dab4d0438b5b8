// Writer of speech-bubble files (layout in bubblefile.h).
#include "bubblefile.h"

namespace resgen {

Bytes writeBubbleFile(const BubbleFile &b)
{
    ByteWriter w;
    // Head record.
    w.fixedText("1.0.0", 8);
    w.fixedText("QVQP", 6);
    w.u8(1);
    w.fixedText(b.name, 40);
    w.fill(0, 20 + 20 + 60 + 16);
    // Word record.
    w.u32(172);
    w.fixedText("QW.1.0.0", 10);
    w.fill(0, 2);
    w.u32(b.left);    // left top
    w.u32(b.top);
    w.u32(b.left);    // left bottom
    w.u32(b.bottom);
    w.u32(b.right);   // right top
    w.u32(b.top);
    w.u32(b.right);   // right bottom
    w.u32(b.bottom);
    w.u8(0);          // gradient
    w.u8(b.textColor[0]);
    w.u8(b.textColor[1]);
    w.u8(b.textColor[2]);
    w.u8(0);
    w.u32(0);         // second colour
    w.u8(0);          // background flag
    w.u32(b.backgroundColor);
    w.fill(0, 2);
    w.u32(0);         // rotation
    w.u8(0);          // shadow flag
    w.u32(b.shadowColor);
    w.fill(0, 3);
    w.u32(0);         // shadow thickness
    w.u8(0);          // outline flag
    w.u32(b.outlineColor);
    w.fill(0, 3);
    w.u32(0);         // outline thickness
    w.fixedText(b.fontName, 64);
    w.fill(0, 16);
    // Image record.
    w.u32(static_cast<uint32_t>(40 + b.png.size()));
    w.fixedText("QI.1.0.0", 10);
    w.fill(0, 2);
    w.u32(13);
    w.u32(static_cast<uint32_t>(b.png.size()));
    w.fill(0, 16);
    w.raw(b.png);
    return w.take();
}

}  // namespace resgen
