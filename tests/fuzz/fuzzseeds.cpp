// Writes the seed corpora of the fuzz targets: well-formed files of each
// format built by the test writers, plus a few near misses.
// Usage: fuzz_seeds OUTDIR  (creates OUTDIR/<target>/seed-N files)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "layoutwriters.h"

namespace fs = std::filesystem;
using namespace layoutwriters;

namespace {

void Save(const fs::path &dir, const std::vector<LayoutFile> &files)
{
    fs::create_directories(dir);
    int n = 0;
    for (const LayoutFile &f : files) {
        std::ofstream out(dir / ("seed-" + std::to_string(n++)), std::ios::binary);
        out.write(reinterpret_cast<const char *>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
    }
}

std::vector<LayoutFile> Frames()
{
    std::vector<LayoutFile> v;
    FrameSpec s = SampleFrame();
    v.push_back(WriteFrame(s));
    s.piece[2].flag = 0;
    s.piece[5].declaredLength = -1;
    s.piece[5].data.clear();
    for (int i = 0; i < 8; ++i)
        s.insets[i] = 5 * i;
    v.push_back(WriteFrame(s));
    FrameSpec small;
    for (int i = 0; i < 8; ++i) {
        small.piece[i].data = {static_cast<unsigned char>(4 + i), static_cast<unsigned char>(3 + 2 * i), 0x10, 0xFF};
        small.insets[i] = i & 3;
    }
    v.push_back(WriteFrame(small));
    return v;
}

std::vector<LayoutFile> Formats()
{
    std::vector<LayoutFile> v;
    FormatSpec two;
    two.cells = {{0, 0, 640, 313}, {0, 321, 640, 575}};
    v.push_back(WriteFormat(two));
    FormatSpec nine;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            nine.cells.push_back(_tagCGRect{c * 216, r * 301, 208, 293});
    v.push_back(WriteFormat(nine));
    FormatSpec empty;
    v.push_back(WriteFormat(empty));
    return v;
}

std::vector<LayoutFile> Borders()
{
    std::vector<LayoutFile> v;
    v.push_back(WriteBorder(SimpleBorder(6, 4, 3)));
    BorderSpec marked = SimpleBorder(4, 3, 2);
    for (int i = 0; i < 8; ++i)
        SetMask(marked.piece[i], 0, 0, static_cast<uint8_t>(10 + i), static_cast<uint8_t>(i * 36));
    v.push_back(WriteBorder(marked));
    BorderSpec uneven = SimpleBorder(5, 2, 1);
    uneven.piece[6].width = 2;
    uneven.piece[6].pixels.resize(2 * 2 * 4);
    v.push_back(WriteBorder(uneven));
    return v;
}

std::vector<LayoutFile> FreeLayouts()
{
    std::vector<LayoutFile> v;
    v.push_back(WriteFree(Free002001()));
    FreeSpec ranges;
    ranges.cells.assign(9, FreeCell{.x = 10, .y = 20, .w = 300, .h = 200, .offsetX = {0, 50}, .offsetY = {0, 50},
                                    .rotation = {-10, 10}, .factor = {0.9f, 1.1f}});
    v.push_back(WriteFree(ranges));
    return v;
}

std::vector<LayoutFile> Bubbles()
{
    std::vector<LayoutFile> v;
    v.push_back(WriteBubble(BubbleSpec{}));
    BubbleSpec reversed;
    reversed.left = 400;
    reversed.right = 10;
    reversed.picture.clear();
    v.push_back(WriteBubble(reversed));
    return v;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    Save(out / "fuzz_frame", Frames());
    Save(out / "fuzz_templateformat", Formats());
    Save(out / "fuzz_border", Borders());
    Save(out / "fuzz_freepuzzle", FreeLayouts());
    Save(out / "fuzz_bubble", Bubbles());
    return 0;
}
