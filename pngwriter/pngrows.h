// Picture rows as PNG rows: which colour type, bit depth and byte order a
// QImage format is written with (the choices QImage::save(path, "png") makes,
// so the file decodes to the same pixels, in the same format, with the same
// palette), and the rows packed into that order and filtered, any range of
// rows at a time, for the working-file writer.
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pngrows {

enum PngColorType : uint8_t { Gray = 0, Rgb = 2, Palette = 3, Rgba = 6 };
enum Filter : uint8_t { FilterNone = 0, FilterPaeth = 4 };

enum class Pack {
    Direct,       // the scanline already is the PNG row (Indexed8, Grayscale8, RGB888, RGBA8888, Mono)
    BgrxToRgb,    // RGB32: B G R X (little-endian 0xffRRGGBB) -> R G B
    BgraToRgba,   // ARGB32: B G R A -> R G B A
    RgbxToRgb,    // RGBX8888: R G B X -> R G B
    BgrToRgb,     // BGR888: B G R -> R G B
    ReverseBits,  // MonoLSB: least significant bit first -> most significant bit first
    Swap16,       // Grayscale16, RGBA64: native 16-bit samples -> big-endian
    Rgbx64ToRgb16 // RGBX64: native 16-bit R G B X -> big-endian R G B
};

struct Layout {
    PngColorType colorType = Rgb;
    int bitDepth = 8;
    std::size_t rowBytes = 0;        // bytes of one packed PNG row (without the filter byte)
    Pack pack = Pack::Direct;
    // The picture is first converted to this format, a band of rows at a time,
    // exactly as QImage::save converts formats the PNG writer cannot take as they are.
    QImage::Format convertTo = QImage::Format_Invalid;
    bool palette = false;
    uchar padMask = 0;               // the used bits of a one-bit row's last byte (0: all used)
};

// False for a null picture.
bool chooseLayout(const QImage &image, Layout *out);

// Filters any range of rows, each as its filter byte and the filtered PNG row.
class RowFilter
{
public:
    // `image` and `layout` must outlive the filter.
    RowFilter(const QImage &image, const Layout &layout);

    bool ok() const { return rows[0] && rows[1]; }
    std::size_t stride() const { return layout.rowBytes + 1; }

    // Rows y0 .. y1 - 1 into `out`, stride() bytes each; false when a row
    // cannot be converted.
    bool filterRows(int y0, int y1, uchar *out);

private:
    const uchar *packed(int y, uchar *buffer);

    const QImage &image;
    const Layout &layout;
    const int width;
    const int height;
    const Filter filter;
    const std::size_t bpp;
    std::unique_ptr<uchar[]> rows[2];
    QImage band;
    int bandFirst = 0;
    int bandEnd = 0;
};

// The row routines on their own (the writer's tests check the vector forms
// against the plain ones).
uchar paethPredict(int a, int b, int c);
void paethRowPlain(const uchar *cur, const uchar *prev, std::size_t n, std::size_t bpp, uchar *out);
using PaethRow = void (*)(const uchar *, const uchar *, std::size_t, std::size_t, uchar *);
PaethRow choosePaethRow();
void packRow32Plain(const uchar *src, int width, bool alpha, uchar *dst);
void packRow32(const uchar *src, int width, bool alpha, uchar *dst);

}  // namespace pngrows
