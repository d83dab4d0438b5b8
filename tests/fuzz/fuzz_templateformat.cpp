// Fuzzes the cell-layout reader and the fitting that runs on what it read:
// a refused file keeps the previous layout and never leaves more than nine
// cells; every index query stays in bounds.
#include <cstdint>
#include <vector>

#include "ctemplatepuzzle.h"
#include "fuzzcheck.h"
#include "layoutwriters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size > kFuzzMaxInput)
        return 0;
    std::vector<unsigned char> in(data, data + size);
    static layoutwriters::LayoutFile base = [] {
        layoutwriters::FormatSpec s;
        s.cells = {{0, 0, 640, 313}, {0, 321, 640, 575}};
        return layoutwriters::WriteFormat(s);
    }();
    static layoutwriters::LayoutFile border = layoutwriters::WriteBorder(layoutwriters::SimpleBorder(80, 38, 40));

    cpuzzleformat &format = ctemplatepuzzle::m_format;
    FUZZ_CHECK(format.ReadPuzzleFormatFile(base.data(), base.length()) == 1);
    const int read = format.ReadPuzzleFormatFile(in.data(), static_cast<int>(size));
    FUZZ_CHECK(read == 0 || read == 1);
    FUZZ_CHECK(format.GetPuzzleFormatCount() >= 0 && format.GetPuzzleFormatCount() <= kPuzzleMaxCells);
    if (read == 0) {
        FUZZ_CHECK(format.GetPuzzleFormatCount() == 2);
        const _tagCGRect c = format.GetPuzzleRectWithIndex(1);
        FUZZ_CHECK(c.x == 0 && c.y == 321 && c.w == 640 && c.h == 575);
    }

    ctemplatepuzzle t;
    FUZZ_CHECK(t.ReadPuzzleFrameFile(border.data(), border.length()) == 1);
    for (int pass = 0; pass < 2; ++pass) {
        const _tagCGSize s = t.ResetAll();
        (void)s;
        for (int i = -1; i <= kPuzzleMaxCells + 1; ++i) {
            const _tagCGRect r = t.GetFormatRectWithIndex(i);
            if (i < 0 || i >= t.GetFormatCount())
                FUZZ_CHECK(r.x == 0 && r.y == 0 && r.w == 0 && r.h == 0);
        }
    }
    return 0;
}
