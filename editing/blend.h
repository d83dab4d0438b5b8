// Strength: an edited picture mixed over the picture it was made from.
#pragma once

#include <QImage>

namespace blend {

// The weight of the edited picture in 256ths: strength 0..1 (clamped) rounded.
int weightOf(double strength);

// One byte: original + (edited - original) * weight / 256, rounded half up.
// Weight 0 gives the original byte, 256 the edited byte.
inline unsigned char mixByte(int original, int edited, int weight)
{
    return static_cast<unsigned char>((original * (256 - weight) + edited * weight + 128) >> 8);
}

// Every byte of two 32-bit pictures of the same size and format mixed with
// `weight` (all four bytes, so alpha mixes too). A null picture when the
// sizes or formats differ.
QImage mix(const QImage &original, const QImage &edited, int weight);

// `original` made fit to mix with `edited`: the same format (alpha when
// either has it) and size. When the edit laid a border around the photo (a
// larger picture), the photo sits at its own size in the centre over a copy
// of itself enlarged to cover the whole; when the edit made it smaller, it
// is stretched to the edited size.
QImage matchedOriginal(const QImage &original, const QImage &edited);

}  // namespace blend
