// Fuzzes the border reader and the mask: any bytes are read or refused; a
// refused file keeps the previous border; the mask of whatever was read is
// applied to pictures of the sizes the border gives and of odd sizes.
#include <cstdint>
#include <vector>

#include "ctemplatepuzzle.h"
#include "fuzzcheck.h"
#include "layoutwriters.h"

namespace {

void Mask(ctemplatepuzzle &t, int w, int h)
{
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > 1 << 20)
        return;
    std::vector<unsigned char> picture(static_cast<std::size_t>(w) * h * 4, 0xC3);
    t.GetResultBackImage(picture.data(), w, h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    static layoutwriters::LayoutFile base = layoutwriters::WriteBorder(layoutwriters::SimpleBorder(6, 4, 3));
    return FuzzReader(data, size, base.bytes, &ctemplatepuzzle::ReadPuzzleFrameFile, layoutwriters::SnapshotBorder,
                      [](ctemplatepuzzle &t, int read, std::vector<unsigned char> &in) {
                          if (read == 0)
                              return;
                          const _tagCGSize fitted = t.ResetAll();
                          Mask(t, fitted.w, fitted.h);
                          const std::size_t size = in.size();
                          const int cw = 1 + (size > 0 ? in[size - 1] : 0), ch = 1 + (size > 1 ? in[size - 2] : 0);
                          const _tagCGSize grown = t.ResetSize(_tagCGSize{cw, ch});
                          Mask(t, grown.w, grown.h);
                          Mask(t, cw, ch);
                          Mask(t, 1, 1);
                      });
}
