// The layout-file writers of layoutwriters.h: each lays a file out byte for
// byte and notes its record boundaries.
#include "layoutwriters.h"

#include <cstring>

#include "ctemplatepuzzle.h"

namespace layoutwriters {

void Writer::u32(uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        m_bytes.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

void Writer::f32(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u32(u);
}

void Writer::text(const std::string &s, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

void WriteLayoutHeader(Writer &w, const std::string &magic)
{
    w.fill(12, 0x01);
    w.text(magic, 5);
    w.fill(15, 0x01);
}

LayoutFile WriteFrame(const FrameSpec &plan)
{
    Writer w;
    LayoutFile f;
    WriteLayoutHeader(w, "QVRBK");
    w.i32(960);
    w.i32(640);
    w.i32(190);
    for (int32_t v : plan.insets)
        w.i32(v);
    w.i32(0);
    for (const FramePiece &p : plan.piece) {
        f.boundaries.push_back(w.size());
        f.middles.push_back(w.size() + 2);  // inside the flag word
        w.u8(p.flag);
        w.fill(3, 0);
        if (p.flag != 1)
            continue;
        f.middles.push_back(w.size() + 6);  // inside the length word
        w.i32(0);
        w.i32(p.declaredLength ? *p.declaredLength : static_cast<int32_t>(p.data.size()));
        if (p.data.size() > 1)
            f.middles.push_back(w.size() + p.data.size() / 2);  // mid-piece
        w.raw(p.data);
    }
    f.boundaries.push_back(w.size());
    f.bytes = std::move(w.bytes());
    return f;
}

FrameSpec SampleFrame()
{
    FrameSpec s;
    for (int32_t &v : s.insets)
        v = 29;
    for (int i = 0; i < 8; ++i) {
        s.piece[i].data.assign(20 + 3 * i, static_cast<unsigned char>(0xA0 + i));
        s.piece[i].data[0] = 0x89;  // looks like the start of a PNG; never decoded here
    }
    return s;
}

namespace {

// The start of cell-layout and free-layout files: the header, the int 1, the
// cell count (the cells' own unless one is given), the canvas size, eight 0x01.
template <typename Plan>
void WriteCellLayoutStart(Writer &w, const Plan &plan, int32_t width, int32_t height)
{
    WriteLayoutHeader(w, plan.magic);
    for (int32_t v : {1, plan.count ? *plan.count : static_cast<int32_t>(plan.cells.size()), width, height})
        w.i32(v);
    w.fill(8, 0x01);
}

}  // namespace

LayoutFile WriteFormat(const FormatSpec &plan)
{
    Writer w;
    LayoutFile f;
    WriteCellLayoutStart(w, plan, plan.width, plan.height);
    for (const _tagCGRect &c : plan.cells) {
        f.boundaries.push_back(w.size());
        f.middles.push_back(w.size() + 6);
        for (int32_t v : {c.x, c.y, c.w, c.h})
            w.i32(v);
    }
    f.boundaries.push_back(w.size());
    f.bytes = std::move(w.bytes());
    return f;
}

LayoutFile WriteBorder(const BorderSpec &plan)
{
    Writer w;
    LayoutFile f;
    WriteLayoutHeader(w, plan.magic);
    for (int32_t c : plan.colour)
        w.i32(c);
    w.u8(8);
    w.i32(plan.insetX);
    w.i32(plan.insetY);
    w.fill(13, 0x01);
    for (const BorderPiece &p : plan.piece) {
        f.boundaries.push_back(w.size());
        f.middles.push_back(w.size() + 5);  // inside the size words
        w.i32(p.width);
        w.i32(p.height);
        if (!p.pixels.empty() || !p.writePattern) {
            if (p.pixels.size() > 1)
                f.middles.push_back(w.size() + p.pixels.size() / 2);
            w.raw(p.pixels);
        } else {
            const std::size_t n = static_cast<std::size_t>(p.width) * p.height * 4;
            if (n > 1)
                f.middles.push_back(w.size() + n / 2);
            for (std::size_t i = 0; i < n; ++i)
                w.u8(static_cast<uint8_t>(i * 7 + 3));
        }
    }
    f.boundaries.push_back(w.size());
    f.bytes = std::move(w.bytes());
    return f;
}

BorderSpec SimpleBorder(int corner, int tile, int inset)
{
    BorderSpec s;
    s.insetX = inset;
    s.insetY = inset;
    for (int i = 0; i < 8; ++i) {
        BorderPiece &p = s.piece[i];
        if (i < 4) {
            p.width = corner;
            p.height = corner;
        } else if (i < 6) {
            p.width = tile;
            p.height = corner;
        } else {
            p.width = corner;
            p.height = tile;
        }
        p.pixels.resize(static_cast<std::size_t>(p.width) * p.height * 4);
        for (std::size_t k = 0; k < p.pixels.size(); k += 4) {
            p.pixels[k + 0] = 0;
            p.pixels[k + 1] = 255;
            p.pixels[k + 2] = 255;
            p.pixels[k + 3] = 255;
        }
    }
    return s;
}

BorderState SnapshotBorder(ctemplatepuzzle &t)
{
    BorderState s;
    const _tagCGSize size = t.ResetSize(_tagCGSize{61, 47});
    s.w = size.w;
    s.h = size.h;
    s.masked.resize(120 * 100 * 4);
    for (std::size_t i = 0; i < s.masked.size(); ++i)
        s.masked[i] = static_cast<unsigned char>(i * 7 + 3);
    t.GetResultBackImage(s.masked.data(), 120, 100);
    return s;
}

LayoutFile WriteFree(const FreeSpec &plan)
{
    Writer w;
    LayoutFile f;
    WriteCellLayoutStart(w, plan, 640, 896);
    for (const FreeCell &c : plan.cells) {
        f.boundaries.push_back(w.size());
        f.middles.push_back(w.size() + 28);
        for (int32_t v : {c.x, c.y, c.w, c.h, c.offsetX[0], c.offsetX[1], c.offsetY[0], c.offsetY[1], c.rotation[0],
                          c.rotation[1]})
            w.i32(v);
        w.f32(c.factor[0]);
        w.f32(c.factor[1]);
        w.fill(8, 0x01);
    }
    f.boundaries.push_back(w.size());
    f.bytes = std::move(w.bytes());
    return f;
}

FreeSpec Free002001()
{
    FreeSpec s;
    s.cells = {FreeCell{.x = 44, .y = 21, .w = 554, .h = 554, .rotation = {-3, -3}},
               FreeCell{.x = 137, .y = 509, .w = 369, .h = 369, .rotation = {5, 5}}};
    return s;
}

LayoutFile WriteBubble(const BubbleSpec &plan)
{
    Writer w;
    LayoutFile f;
    // Header record, 171 bytes.
    w.text("1.0.0", 8);
    w.text("QVQP", 6);
    w.u8(1);
    w.text("bubble", 40);
    w.fill(20 + 20 + 60 + 16, 0);
    f.boundaries.push_back(w.size());
    // Text-area record, 172 bytes, 4-byte fields aligned inside it.
    w.u32(172);
    w.text("QW.1.0.0", 10);
    w.fill(2, 0);
    f.middles.push_back(w.size() + 2);  // inside LeftTopX
    w.u32(plan.left);
    w.u32(plan.top);
    w.u32(plan.left);                   // left-bottom corner
    w.u32(plan.bottom);
    w.u32(plan.right);                  // right-top corner
    w.u32(plan.top);
    w.u32(plan.right);
    w.u32(plan.bottom);
    w.u8(0);                            // Gradient
    for (uint8_t c : plan.colour)
        w.u8(c);
    w.u32(0);                           // Colorref2
    w.u8(0);                            // BackGround
    w.u32(0xFFFFFF);                    // BKColorref
    w.fill(2, 0);
    w.u32(0);                           // Rotate
    w.u8(0);                            // Shadow
    w.u32(0);                           // SHColorref
    w.fill(3, 0);
    w.u32(0);                           // ShadowThickness
    w.u8(0);                            // OutLine
    w.u32(0);                           // OLColorref
    w.fill(3, 0);
    w.u32(0);                           // OutLineThickness
    w.text("font", 64);
    w.fill(16, 0);
    f.boundaries.push_back(w.size());
    // Picture record, 40 bytes.
    w.u32(40 + static_cast<uint32_t>(plan.picture.size()));
    w.text("QI.1.0.0", 10);
    w.fill(2, 0);
    w.u32(13);
    w.u32(static_cast<uint32_t>(plan.picture.size()));
    w.fill(16, 0);
    f.boundaries.push_back(w.size());
    w.raw(plan.picture);
    f.boundaries.push_back(w.size());
    f.bytes = std::move(w.bytes());
    return f;
}

}  // namespace layoutwriters
