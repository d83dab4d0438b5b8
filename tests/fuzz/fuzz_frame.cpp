// Fuzzes the frame reader and the compositor: any bytes are read or refused;
// a refused file leaves the previous frame as it was; decoding a readable
// file gives what reading it gives; the composite of whatever was read is
// opaque everywhere.
#include <cstdint>
#include <cstring>
#include <vector>

#include "cframe.h"
#include "fuzzcheck.h"
#include "layoutwriters.h"

namespace {

struct State {
    std::vector<std::vector<unsigned char>> pieces;
    int width = 0, height = 0;  // composite of a 100 x 100 photo: shows the insets
    bool operator==(const State &) const = default;
};

// The composite part costs as much as the insets are large, so it is taken
// only when they are modest.
State Snapshot(cframe &f, bool withComposite = true)
{
    State s;
    for (int i = 0; i < 8; ++i) {
        int len = 0;
        uchar *p = f.GetFrameImage(i, len);
        s.pieces.push_back(p ? std::vector<unsigned char>(p, p + len) : std::vector<unsigned char>{});
    }
    if (!withComposite)
        return s;
    static std::vector<unsigned char> photo(100 * 100 * 4, 0x80);
    f.GetCompositeImage(photo.data(), 100, 100, 1.0f, &s.width, &s.height);
    return s;
}

int32_t RawInt(const uint8_t *d, std::size_t off)
{
    return static_cast<int32_t>(d[off] | d[off + 1] << 8 | d[off + 2] << 16 | static_cast<uint32_t>(d[off + 3]) << 24);
}

// What was read (read 1) or kept: decoding gives the same, and the composite is opaque.
void CheckRead(cframe &f, int read, std::vector<unsigned char> &in)
{
    const uint8_t *data = in.data();
    const std::size_t size = in.size();

    // Insets far beyond any frame only make the composite big, not different.
    bool modest = true;
    if (read == 1) {
        for (int k = 0; k < 8; ++k) {
            const int32_t v = RawInt(data, 44 + 4 * k);
            modest = modest && v >= -128 && v <= 128;
        }
    }

    cframe g;
    FUZZ_CHECK(g.DecodeFrameFile(in.data(), static_cast<int>(size)) == 1);
    if (read == 1)
        FUZZ_CHECK(Snapshot(g, modest) == Snapshot(f, modest));

    // Hand decoded pieces back, sized from their own bytes, and compose.
    for (int i = 0; i < 8; ++i) {
        int len = 0;
        uchar *p = f.GetFrameImage(i, len);
        if (!p || len <= 0) {
            f.SetFrameImageData(i, nullptr, 0, 0);
            continue;
        }
        const int w = p[0] % 48, h = (len > 1 ? p[1] : p[0]) % 48;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 4);
        for (std::size_t k = 0; k < pixels.size(); ++k)
            pixels[k] = p[k % static_cast<std::size_t>(len)];
        f.SetFrameImageData(i, pixels.data(), w, h);
    }
    if (!modest)
        return;
    const int W = 1 + (size > 0 ? data[size - 1] % 96 : 0);
    const int H = 1 + (size > 1 ? data[size - 2] % 96 : 0);
    const float scale = size > 2 && (data[size - 3] & 1) ? 0.25f + (data[size - 3] >> 1) / 32.0f : 1.0f;
    std::vector<unsigned char> photo(static_cast<std::size_t>(W) * H * 4);
    for (std::size_t k = 0; k < photo.size(); ++k)
        photo[k] = static_cast<unsigned char>(k * 31 + 7);
    for (int pass = 0; pass < 2; ++pass) {
        int ow = -1, oh = -1;
        uchar *out = f.GetCompositeImage(photo.data(), W, H, scale, &ow, &oh);
        if (!out) {
            FUZZ_CHECK(ow == 0 && oh == 0);
            continue;
        }
        FUZZ_CHECK(ow >= 1 && oh >= 1);
        for (std::size_t k = 0; k < static_cast<std::size_t>(ow) * oh; ++k)
            FUZZ_CHECK(out[k * 4 + 3] == 255);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    static layoutwriters::LayoutFile base = layoutwriters::WriteFrame(layoutwriters::SampleFrame());
    return FuzzReader(data, size, base.bytes, &cframe::ReadFrameFile, [](cframe &f) { return Snapshot(f); },
                      CheckRead);
}
