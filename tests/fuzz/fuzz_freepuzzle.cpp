// Fuzzes the free-layout reader: any bytes are read or refused; a refused
// file keeps the previous cells; no count above nine is ever left behind and
// every cell query stays in bounds.
#include <cstdint>
#include <cstring>
#include <vector>

#include "cfreepuzzle.h"
#include "fuzzcheck.h"
#include "layoutwriters.h"

namespace {

std::vector<int> Snapshot(cfreepuzzle &p)
{
    std::vector<int> s{p.GetCount()};
    for (int i = -1; i <= kFreePuzzleMaxCells; ++i) {
        const _tagCGRect r = p.GetMaxRectWithIndex(i);
        float rot = p.GetRotationWithIndex(i);
        int bits;
        std::memcpy(&bits, &rot, sizeof bits);
        s.insert(s.end(), {r.x, r.y, r.w, r.h, bits});
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    static layoutwriters::LayoutFile base = layoutwriters::WriteFree(layoutwriters::Free002001());
    return FuzzReader(data, size, base.bytes, &cfreepuzzle::ReadFrameFile, Snapshot,
                      [](cfreepuzzle &p, int, std::vector<unsigned char> &) {
                          FUZZ_CHECK(p.GetCount() >= 0 && p.GetCount() <= kFreePuzzleMaxCells);
                          const _tagCGSize sizes[] = {{1000, 500}, {1, 1}, {0, 7}, {3, 100000}};
                          for (int i = -1; i <= kFreePuzzleMaxCells; ++i) {
                              for (const _tagCGSize &s : sizes) {
                                  const _tagCGRect r = p.GetViewRectWithIndex(i, s);
                                  if (i < 0 || i >= p.GetCount())
                                      FUZZ_CHECK(r.x == 0 && r.y == 0 && r.w == 0 && r.h == 0);
                              }
                          }
                      });
}
