// Small writers of the layout and decoration file formats, for tests and fuzz
// seeds. Each writer lays a file out byte for byte from a description and
// reports where its records start and where a cut would land inside a
// record's data, so tests can truncate a file at every boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "layouttypes.h"

class ctemplatepuzzle;

// Rectangles compare and print in test messages.
inline bool operator==(const _tagCGRect &a, const _tagCGRect &b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
inline std::ostream &operator<<(std::ostream &o, const _tagCGRect &r)
{
    return o << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

namespace layoutwriters {

struct LayoutFile {
    std::vector<unsigned char> bytes;
    // Offsets where a record starts (the first is the end of the header) and
    // the end of the file.
    std::vector<std::size_t> boundaries;
    // Offsets strictly inside a record (a cut there leaves half a record).
    std::vector<std::size_t> middles;

    int length() const { return static_cast<int>(bytes.size()); }
    unsigned char *data() { return bytes.data(); }
    // The first n bytes, copied.
    std::vector<unsigned char> prefix(std::size_t n) const
    {
        return std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(n));
    }
};

// Little-endian byte sink.
class Writer {
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    void fill(std::size_t n, uint8_t v) { m_bytes.insert(m_bytes.end(), n, v); }
    void raw(const std::vector<unsigned char> &b) { m_bytes.insert(m_bytes.end(), b.begin(), b.end()); }
    // The text, then zeros up to size bytes (cut to size).
    void text(const std::string &s, std::size_t size);
    std::size_t size() const { return m_bytes.size(); }
    std::vector<unsigned char> &bytes() { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
};

// The header shared by frame, cell-layout and free-layout files: 12 bytes
// 0x01, a 5-byte magic, 15 bytes 0x01.
void WriteLayoutHeader(Writer &w, const std::string &magic);

// --- frame files (".qvrbk") ---
struct FramePiece {
    uint8_t flag = 1;              // first byte of the flag word; 1 = present
    std::optional<int32_t> declaredLength;  // unset: the data's own size
    std::vector<unsigned char> data;
};
struct FrameSpec {
    int32_t insets[8] = {};        // width, height of corners 0..3
    FramePiece piece[8];
};
LayoutFile WriteFrame(const FrameSpec &plan);
// Eight present pieces of distinct recognisable bytes, insets 29.
FrameSpec SampleFrame();

// --- cell layouts (".zeltambpt") ---
struct FormatSpec {
    std::string magic = "QVPTM";
    std::optional<int32_t> count;  // unset: the number of cells given
    int32_t width = 640;
    int32_t height = 896;
    std::vector<_tagCGRect> cells;
};
LayoutFile WriteFormat(const FormatSpec &plan);

// --- borders (".ptbj") ---
struct BorderPiece {
    int32_t width = 0;
    int32_t height = 0;
    // Written as given; empty means width x height x 4 bytes of a fixed
    // pattern. Tests give fewer bytes than declared to make a short file.
    std::vector<unsigned char> pixels;
    bool writePattern = true;
};
struct BorderSpec {
    std::string magic = "PTBJ ";
    int32_t colour[3] = {255, 255, 255};
    int32_t insetX = 0;
    int32_t insetY = 0;
    BorderPiece piece[8];
};
LayoutFile WriteBorder(const BorderSpec &plan);
// Corners c x c, top and bottom tiles t x c, side tiles c x t, given insets.
// Every mask pixel is (b, g, m, a) = (0, 255, 255, 255): leaves the picture.
BorderSpec SimpleBorder(int corner, int tile, int inset);
// One mask pixel (byte 1 = g, byte 2 = m).
inline void SetMask(BorderPiece &p, int row, int col, uint8_t g, uint8_t m)
{
    unsigned char *px = p.pixels.data() + (static_cast<std::size_t>(row) * p.width + col) * 4;
    px[1] = g;
    px[2] = m;
}

// What a caller sees of a border: the size it gives a 61 x 47 picture and the
// mask it cuts into a 120 x 100 picture of a fixed pattern.
struct BorderState {
    int w = 0, h = 0;
    std::vector<unsigned char> masked;
    bool operator==(const BorderState &) const = default;
};
BorderState SnapshotBorder(ctemplatepuzzle &t);

// --- free layouts (".zypt") ---
struct FreeCell {
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t offsetX[2] = {0, 0};
    int32_t offsetY[2] = {0, 0};
    int32_t rotation[2] = {0, 0};
    float factor[2] = {1.0f, 1.0f};
};
struct FreeSpec {
    std::string magic = "ZZYPT";
    std::optional<int32_t> count;  // unset: the number of cells given
    std::vector<FreeCell> cells;
};
LayoutFile WriteFree(const FreeSpec &plan);
// The two-cell layout 002-001: (44, 21, 554, 554) at -3 degrees and
// (137, 509, 369, 369) at 5 degrees, every range degenerate, factor 1.0.
FreeSpec Free002001();

// --- speech bubbles (".qvqp") ---
struct BubbleSpec {
    uint32_t left = 48, top = 36, right = 423, bottom = 318;
    uint8_t colour[4] = {0x10, 0x10, 0x10, 0};
    std::vector<unsigned char> picture = std::vector<unsigned char>(64, 0x89);
};
LayoutFile WriteBubble(const BubbleSpec &plan);

}  // namespace layoutwriters
