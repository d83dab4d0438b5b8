// Template collage files: the cell layout (cpuzzleformat) and the border
// (ctemplatepuzzle) with its fitting and mask.
//
// Contents: cpuzzleformat (reading, plain access); ctemplatepuzzle reading;
// fitting (ResetAll, ResetSize, GetFormatRectWithIndex); the mask
// (FrameProcessEx, GetResultBackImage).
//
// Cell layout: 32-byte header with the magic "QVPTM" at 12, an unread int,
// the cell count at 36, the canvas size at 40 and 44, 8 filler bytes, then
// from offset 56 the cells as four ints x, y, w, h.
//
// Border: 32-byte header with the magic "PTBJ " at 12, three colour ints at
// 32, 36, 40 (low bytes kept), the piece count byte at 44 (always 8, unread),
// the insets x and y at 45 and 49 (unaligned), 13 filler bytes, then from
// offset 66 eight pieces, each a width, a height and width x height x 4 bytes
// of raw pixels.
#include "ctemplatepuzzle.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "bytereader.h"

namespace {

// The design canvas of the shipped layouts; edge cells are found by exact
// comparison with it.
constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 896;

constexpr int kPieceCount = 8;
constexpr std::size_t kFormatCountOffset = 36;
constexpr std::size_t kFormatCellsOffset = 56;
constexpr std::size_t kBorderColourOffset = 32;
constexpr std::size_t kBorderInsetsOffset = 45;
constexpr std::size_t kBorderPiecesOffset = 66;

bool InCoordinateRange(int v) { return v >= -kPuzzleMaxCoordinate && v <= kPuzzleMaxCoordinate; }

}  // namespace

// --- cpuzzleformat ---------------------------------------------------------

cpuzzleformat::cpuzzleformat() = default;
cpuzzleformat::~cpuzzleformat() = default;

int cpuzzleformat::ReadPuzzleFormatFile(uchar *data, int length)
{
    layoutio::ByteReader r(data, length);
    if (!r.matchesAt(12, "QVPTM", 5))
        return 0;
    int32_t count, width, height;
    if (!r.int32At(kFormatCountOffset, count) || !r.int32At(kFormatCountOffset + 4, width) ||
        !r.int32At(kFormatCountOffset + 8, height))
        return 0;
    if (count < 0 || count > kPuzzleMaxCells)
        return 0;
    if (width < 0 || width > kPuzzleMaxCoordinate || height < 0 || height > kPuzzleMaxCoordinate)
        return 0;
    if (!r.seek(kFormatCellsOffset))
        return 0;
    _tagCGRect cells[kPuzzleMaxCells];
    for (int i = 0; i < count; ++i) {
        int32_t v[4];
        for (int k = 0; k < 4; ++k) {
            if (!r.readInt32(v[k]) || !InCoordinateRange(v[k]))
                return 0;
        }
        cells[i] = _tagCGRect{v[0], v[1], v[2], v[3]};
    }
    m_nCount = count;
    m_nResultWidth = width;
    m_nResultHeight = height;
    for (int i = 0; i < kPuzzleMaxCells; ++i)
        m_rect[i] = i < count ? cells[i] : _tagCGRect{};
    return 1;
}

int cpuzzleformat::GetPuzzleFormatCount() { return m_nCount; }

_tagCGSize cpuzzleformat::GetPuzzleResultSize() { return _tagCGSize{m_nResultWidth, m_nResultHeight}; }

_tagCGRect cpuzzleformat::GetPuzzleRectWithIndex(int i)
{
    if (i < 0 || i >= m_nCount)
        return _tagCGRect{};
    return m_rect[i];
}

void cpuzzleformat::SetPuzzleRectWithIndex(int i, _tagCGRect rect)
{
    if (i < 0 || i >= m_nCount)
        return;
    m_rect[i] = rect;
}

// --- ctemplatepuzzle: reading -----------------------------------------------

thread_local cpuzzleformat ctemplatepuzzle::m_format;

ctemplatepuzzle::ctemplatepuzzle() = default;

ctemplatepuzzle::~ctemplatepuzzle() { ReleaseTemplatePuzzleFrame(); }

int ctemplatepuzzle::ReadPuzzleFormatFile(uchar *data, int length)
{
    return m_format.ReadPuzzleFormatFile(data, length);
}

int ctemplatepuzzle::ReadPuzzleFrameFile(uchar *data, int length)
{
    layoutio::ByteReader r(data, length);
    if (!r.matchesAt(12, "PTBJ ", 5))
        return 0;
    int32_t colour[3], insetX, insetY;
    for (int k = 0; k < 3; ++k) {
        if (!r.int32At(kBorderColourOffset + 4 * k, colour[k]))
            return 0;
    }
    if (!r.int32At(kBorderInsetsOffset, insetX) || !r.int32At(kBorderInsetsOffset + 4, insetY))
        return 0;
    if (insetX < 0 || insetX > kPuzzleMaxPieceSide || insetY < 0 || insetY > kPuzzleMaxPieceSide)
        return 0;
    if (!r.seek(kBorderPiecesOffset))
        return 0;

    int widths[kPieceCount], heights[kPieceCount];
    const uchar *pixels[kPieceCount];
    std::size_t bytes[kPieceCount];
    for (int i = 0; i < kPieceCount; ++i) {
        int32_t w, h;
        if (!r.readInt32(w) || !r.readInt32(h))
            return 0;
        if (!layoutio::PixelBytes(w, h, kPuzzleMaxPieceSide, bytes[i]))
            return 0;
        pixels[i] = r.take(bytes[i]);
        if (!pixels[i])
            return 0;
        widths[i] = w;
        heights[i] = h;
    }
    // The fitting divides by the top tile's width and the side tile's height
    // and measures everything against the corner.
    if (widths[0] < 1 || heights[0] < 1 || widths[4] < 1 || heights[6] < 1)
        return 0;

    uchar *copies[kPieceCount] = {};
    for (int i = 0; i < kPieceCount; ++i) {
        if (bytes[i] == 0)
            continue;
        copies[i] = new (std::nothrow) uchar[bytes[i]];
        if (!copies[i]) {
            for (int j = 0; j < i; ++j)
                delete[] copies[j];
            return 0;
        }
        std::memcpy(copies[i], pixels[i], bytes[i]);
    }

    ReleaseTemplatePuzzleFrame();
    for (int i = 0; i < kPieceCount; ++i) {
        m_pPiece[i] = copies[i];
        m_nPieceWidth[i] = widths[i];
        m_nPieceHeight[i] = heights[i];
    }
    for (int k = 0; k < 3; ++k)
        m_cBorderColor[k] = static_cast<uchar>(colour[k] & 0xff);
    m_nInsetX = insetX;
    m_nInsetY = insetY;
    m_cPieceCount = kPieceCount;
    return 1;
}

void ctemplatepuzzle::ReleaseTemplatePuzzleFrame()
{
    for (int i = 0; i < kPieceCount; ++i) {
        delete[] m_pPiece[i];
        m_pPiece[i] = nullptr;
        m_nPieceWidth[i] = 0;
        m_nPieceHeight[i] = 0;
    }
    m_cPieceCount = 0;
}

// --- ctemplatepuzzle: fitting -------------------------------------------------

_tagCGSize ctemplatepuzzle::ResetAll()
{
    if (m_cPieceCount != kPieceCount)
        return _tagCGSize{m_nBaseWidth + m_nExtraWidth, m_nBaseHeight + m_nExtraHeight};

    const int count = m_format.GetPuzzleFormatCount();
    // Undo the previous fitting so that this one starts from the file's cells.
    for (int i = 0; i < count; ++i) {
        _tagCGRect c = m_format.GetPuzzleRectWithIndex(i);
        if (c.x < 0) {
            c.w -= m_nGrowX;
            c.x += m_nGrowX;
        }
        if (c.x + c.w > kCanvasWidth)
            c.w -= m_nGrowX;
        if (c.y < 0) {
            c.y += m_nGrowY;
            c.h -= m_nGrowY;
        }
        if (c.y + c.h > kCanvasHeight)
            c.h -= m_nGrowY;
        m_format.SetPuzzleRectWithIndex(i, c);
    }

    const int w0 = m_nPieceWidth[0], h0 = m_nPieceHeight[0];
    const int t = m_nPieceWidth[4], s = m_nPieceHeight[6];
    const _tagCGSize base = m_format.GetPuzzleResultSize();
    m_nGrowX = 0;
    m_nGrowY = 0;
    m_nExtraWidth = (w0 - m_nInsetX) * 2;
    m_nExtraHeight = (h0 - m_nInsetY) * 2;
    m_nBaseWidth = base.w;
    m_nBaseHeight = base.h;

    const int rx = (base.w - 2 * m_nInsetX) % t;
    if (rx != 0) {
        const int pad = t - rx;
        m_nExtraWidth += pad;
        m_nGrowX = pad;
    }
    const int ry = (base.h - 2 * m_nInsetY) % s;
    if (ry != 0) {
        m_nExtraHeight += s - ry;
        m_nGrowY = s - ry;
    }
    m_nGrowX = static_cast<int>(m_nGrowX * 0.5);
    m_nGrowY = static_cast<int>(m_nGrowY * 0.5);

    // Cells touching the canvas edges absorb the padding.
    for (int i = 0; i < count; ++i) {
        _tagCGRect c = m_format.GetPuzzleRectWithIndex(i);
        if (c.x == 0) {
            c.w += m_nGrowX;
            c.x = -m_nGrowX;
        }
        if (c.x + c.w == kCanvasWidth)
            c.w += m_nGrowX;
        if (c.y == 0) {
            c.h += m_nGrowY;
            c.y = -m_nGrowY;
        }
        if (c.y + c.h == kCanvasHeight)
            c.h += m_nGrowY;
        m_format.SetPuzzleRectWithIndex(i, c);
    }
    return _tagCGSize{base.w + m_nExtraWidth, base.h + m_nExtraHeight};
}

_tagCGSize ctemplatepuzzle::ResetSize(_tagCGSize size)
{
    if (m_cPieceCount != kPieceCount)
        return size;
    const long long w0 = m_nPieceWidth[0], h0 = m_nPieceHeight[0];
    const long long t = m_nPieceWidth[4], s = m_nPieceHeight[6];
    const long long rx = (size.w - 2LL * m_nInsetX) % t;
    const long long ry = (size.h - 2LL * m_nInsetY) % s;
    const long long w = (w0 - m_nInsetX) * 2 + (rx != 0 ? t : 0) - rx + size.w;
    const long long h = (h0 - m_nInsetY) * 2 + (ry != 0 ? s : 0) - ry + size.h;
    constexpr long long lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    if (w < lo || w > hi || h < lo || h > hi)
        return _tagCGSize{};
    return _tagCGSize{static_cast<int>(w), static_cast<int>(h)};
}

int ctemplatepuzzle::GetFormatCount() { return m_format.GetPuzzleFormatCount(); }

_tagCGRect ctemplatepuzzle::GetFormatRectWithIndex(int i)
{
    if (i < 0 || i >= m_format.GetPuzzleFormatCount())
        return _tagCGRect{};
    _tagCGRect c = m_format.GetPuzzleRectWithIndex(i);
    c.x += static_cast<int>(m_nExtraWidth * 0.5);
    c.y += static_cast<int>(m_nExtraHeight * 0.5);
    return c;
}

// --- ctemplatepuzzle: the mask ----------------------------------------------------

// m = src byte 2 blends the colour toward the mask level g = src byte 1 and
// makes the pixel opaque; m = 0 or 255 sets the alpha to g and blackens the
// colour when g is strictly between 0 and 255.
void ctemplatepuzzle::FrameProcessEx(uchar *dst, uchar *src)
{
    if (!dst || !src)
        return;
    const int m = src[2];
    const int g = src[1];
    if (m >= 1 && m <= 254) {
        const double a = m / 255.0;
        dst[3] = 255;
        for (int k = 0; k < 3; ++k)
            dst[k] = static_cast<uchar>(static_cast<unsigned>((1 - a) * g + dst[k] * a));
    } else {
        dst[3] = static_cast<uchar>(g);
        if (g >= 1 && g <= 254) {
            dst[0] = 0;
            dst[1] = 0;
            dst[2] = 0;
        }
    }
}

void ctemplatepuzzle::GetResultBackImage(uchar *image, int width, int height)
{
    if (m_cPieceCount != kPieceCount || !image || width <= 0 || height <= 0)
        return;
    const long long W = width, H = height;
    const long long w0 = m_nPieceWidth[0], h0 = m_nPieceHeight[0];
    const long long t = m_nPieceWidth[4], s = m_nPieceHeight[6];

    // Applies rows x cols of piece p with its top-left pixel at picture row
    // row0, column col0. Pixels beyond the piece's own size (a piece smaller
    // than the corner it is measured by) or beyond the picture are skipped.
    auto apply = [&](int p, long long rows, long long cols, long long row0, long long col0) {
        const long long pw = m_nPieceWidth[p], ph = m_nPieceHeight[p];
        if (!m_pPiece[p])
            return;
        const long long r0 = row0 < 0 ? -row0 : 0;
        const long long r1 = std::min(std::min(rows, ph), H - row0);
        const long long c0 = col0 < 0 ? -col0 : 0;
        const long long c1 = std::min(std::min(cols, pw), W - col0);
        if (r0 >= r1 || c0 >= c1)
            return;
        for (long long r = r0; r < r1; ++r) {
            uchar *d = image + (static_cast<std::size_t>(row0 + r) * W + (col0 + c0)) * 4;
            uchar *m = m_pPiece[p] + (static_cast<std::size_t>(r) * pw + c0) * 4;
            for (long long c = c0; c < c1; ++c, d += 4, m += 4)
                FrameProcessEx(d, m);
        }
    };

    const long long ns = (H - 2 * h0) / s;
    for (long long k = 0; k < ns; ++k) {
        apply(6, s, w0, h0 + k * s, 0);
        apply(7, s, w0, h0 + k * s, W - w0);
    }
    const long long nt = (W - 2 * w0) / t;
    for (long long k = 0; k < nt; ++k) {
        apply(4, h0, t, 0, w0 + k * t);
        apply(5, h0, t, H - h0, w0 + k * t);
    }
    apply(0, h0, w0, 0, 0);
    apply(2, h0, w0, 0, W - w0);
    const long long bottom = h0 + ns * s;
    apply(1, H - bottom, w0, bottom, 0);
    apply(3, H - bottom, w0, bottom, W - w0);
}
