// Fuzzes the speech-bubble reader: data is read (383) or refused (0) with the
// previous content kept; the text rectangle never has a negative size.
#include <cstdint>
#include <vector>

#include "csbubble.h"
#include "fuzzcheck.h"
#include "layoutwriters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size > kFuzzMaxInput)
        return 0;
    std::vector<unsigned char> in(data, data + size);
    static layoutwriters::LayoutFile base = layoutwriters::WriteBubble(layoutwriters::BubbleSpec{});

    csbubble b;
    FUZZ_CHECK(b.ReadFrameFile(base.data(), base.length()) == 383);
    const int read = b.ReadFrameFile(in.data(), static_cast<int>(size));
    FUZZ_CHECK(read == 0 || read == 383);
    FUZZ_CHECK(read == 0 || size >= 383);
    const _tagCGRect r = b.GetTextDrawRect();
    FUZZ_CHECK(r.w >= 0 && r.h >= 0);
    if (read == 0) {
        FUZZ_CHECK(r.x == 48 && r.y == 36 && r.w == 375 && r.h == 282);
        FUZZ_CHECK(b.GetTextColorWithIndex(0) == 0x10);
    }
    FUZZ_CHECK(b.GetTextColorWithIndex(3) == 255);
    for (int i = -2; i < 6; ++i) {
        const int c = b.GetTextColorWithIndex(i);
        FUZZ_CHECK(c >= 0 && c <= 255);
    }
    return 0;
}
