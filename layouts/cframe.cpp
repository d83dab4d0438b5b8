// Frame files and the frame compositor.
//
// Contents: alpha blending (BlendPixel, BlendRegion, draw, drawRect); parsing
// of a frame file into a temporary description (ParseFrame); cframe.
//
// File layout: a 32-byte header of filler and the magic, three unread ints,
// the four corners' insets (width, height pairs) at offset 44, an unread int,
// then from offset 80 eight piece records in piece-index order. A record is a
// 4-byte flag word (the piece follows only when its first byte is 1), then for
// a present piece a reserved word, the PNG length n and n bytes of PNG.
#include "cframe.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "bytereader.h"
#include "framegeometry.h"

namespace {

// One source pixel over one destination pixel: opaque copies, transparent
// leaves, anything between mixes by (src * a + dst * (255 - a)) >> 8.
inline void BlendPixel(uchar *d, const uchar *s)
{
    const unsigned a = s[3];
    if (a == 255) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
    } else if (a != 0) {
        const unsigned na = 255 - a;
        d[0] = static_cast<uchar>((s[0] * a + d[0] * na) >> 8);
        d[1] = static_cast<uchar>((s[1] * a + d[1] * na) >> 8);
        d[2] = static_cast<uchar>((s[2] * a + d[2] * na) >> 8);
        d[3] = 255;
    }
}

inline long long Max(long long a, long long b) { return a > b ? a : b; }
inline long long Min(long long a, long long b) { return a < b ? a : b; }

// Blends the source pixels of [left, right) x [top, bottom) over dst with
// (left, top) landing at (x, y). Pixels outside the source or the destination
// are skipped; skipping each one is the same as narrowing the loops to the
// overlap, which is what happens here. 64-bit positions so that no sum of
// file-given offsets can overflow.
void BlendRegion(uchar *dst, long long dstWidth, long long dstHeight, const uchar *src,
                 long long srcWidth, long long srcHeight, long long x, long long y, long long left,
                 long long top, long long right, long long bottom)
{
    if (!dst || !src || dstWidth <= 0 || dstHeight <= 0 || srcWidth <= 0 || srcHeight <= 0)
        return;
    // Source column sx lands on destination column x + sx - left.
    const long long sx0 = Max(Max(left, 0), left - x);
    const long long sx1 = Min(Min(right, srcWidth), left - x + dstWidth);
    const long long sy0 = Max(Max(top, 0), top - y);
    const long long sy1 = Min(Min(bottom, srcHeight), top - y + dstHeight);
    if (sx0 >= sx1 || sy0 >= sy1)
        return;
    for (long long sy = sy0; sy < sy1; ++sy) {
        const long long dy = y + sy - top;
        const uchar *s = src + (static_cast<std::size_t>(sy) * srcWidth + sx0) * 4;
        uchar *d = dst + (static_cast<std::size_t>(dy) * dstWidth + (x + sx0 - left)) * 4;
        for (long long sx = sx0; sx < sx1; ++sx, s += 4, d += 4)
            BlendPixel(d, s);
    }
}

struct ParsedPiece {
    bool present = false;
    const uchar *data = nullptr;
    int length = 0;
};

struct ParsedFrame {
    bool haveInsets = false;
    int insets[8] = {};      // width, height of corner 0, then corner 1, ...
    int records = 0;         // complete piece records read, 0..8
    ParsedPiece piece[8];
};

constexpr std::size_t kRecordsOffset = 80;

// Reads what the data holds, never past its end. A record is counted only when
// it is complete; reading stops at the first one that is not, or after a
// present piece that reaches the end of the data.
ParsedFrame ParseFrame(const uchar *data, int length, int pieceCount)
{
    ParsedFrame f;
    int32_t v[8];
    if (!framegeometry::readInsets(data, length, v))
        return f;
    f.haveInsets = true;
    std::memcpy(f.insets, v, sizeof v);
    layoutio::ByteReader r(data, length);
    if (!r.seek(kRecordsOffset))
        return f;
    for (int i = 0; i < pieceCount && i < 8; ++i) {
        const uchar *flag = r.take(4);
        if (!flag)
            break;
        if (flag[0] != 1) {
            f.piece[i] = ParsedPiece{};
            f.records = i + 1;
            continue;
        }
        int32_t reserved, n;
        if (!r.readInt32(reserved) || !r.readInt32(n))
            break;
        if (n <= 0) {
            f.piece[i] = ParsedPiece{};
        } else {
            if (n > kFrameMaxPieceBytes)
                break;
            const uchar *bytes = r.take(static_cast<std::size_t>(n));
            if (!bytes)
                break;
            f.piece[i] = ParsedPiece{true, bytes, n};
        }
        f.records = i + 1;
        if (r.remaining() == 0)
            break;
    }
    return f;
}

// Replaces one piece by its newly read state. The buffer now holds PNG data,
// so it has no decoded size yet; an absent piece keeps its last length.
void CommitPiece(const ParsedPiece &p, uchar *copy, uchar *&image, int &have, int (&size)[2],
                 int &length)
{
    delete[] image;
    image = copy;
    size[0] = 0;
    size[1] = 0;
    have = p.present ? 1 : 0;
    if (p.present)
        length = p.length;
}

}  // namespace

void draw(uchar *dst, int dstWidth, int dstHeight, int x, int y, uchar *src, int srcWidth,
          int srcHeight)
{
    if (srcHeight < 1)
        return;
    BlendRegion(dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, 0, 0, srcWidth,
                srcHeight);
}

void drawRect(uchar *dst, int dstWidth, int dstHeight, uchar *src, int srcWidth, int srcHeight,
              int x, int y, QV2DRect rect)
{
    if (static_cast<long long>(rect.bottom) - rect.top <= 0)
        return;
    BlendRegion(dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, rect.left, rect.top,
                rect.right, rect.bottom);
}

cframe::cframe() = default;

cframe::~cframe()
{
    delete[] m_pResult;
    for (int i = 0; i < BODERPART_COUNT; ++i)
        delete[] m_pImage[i];
}

int cframe::ReadFrameFile(uchar *data, int length)
{
    if (!data || length <= 0)
        return 0;
    const ParsedFrame f = ParseFrame(data, length, BODERPART_COUNT);
    if (!f.haveInsets || f.records != BODERPART_COUNT)
        return 0;
    // The parse above already proved every record fits; decoding the same
    // bytes reads exactly those records. Copy first so that running out of
    // memory leaves the previous frame untouched.
    uchar *copies[8] = {};
    for (int i = 0; i < BODERPART_COUNT; ++i) {
        if (!f.piece[i].present)
            continue;
        copies[i] = new (std::nothrow) uchar[f.piece[i].length];
        if (!copies[i]) {
            for (int j = 0; j < i; ++j)
                delete[] copies[j];
            return 0;
        }
        std::memcpy(copies[i], f.piece[i].data, f.piece[i].length);
    }
    for (int c = 0; c < 4; ++c) {
        m_nCutWidth[c] = f.insets[2 * c];
        m_nCutHeight[c] = f.insets[2 * c + 1];
    }
    for (int i = 0; i < BODERPART_COUNT; ++i)
        CommitPiece(f.piece[i], copies[i], m_pImage[i], m_bIsHaveImage[i], m_nImageSize[i], m_nImageLen[i]);
    return 1;
}

int cframe::DecodeFrameFile(uchar *data, int length)
{
    const ParsedFrame f = ParseFrame(data, length, BODERPART_COUNT);
    if (f.haveInsets) {
        for (int c = 0; c < 4; ++c) {
            m_nCutWidth[c] = f.insets[2 * c];
            m_nCutHeight[c] = f.insets[2 * c + 1];
        }
    }
    for (int i = 0; i < f.records; ++i) {
        uchar *copy = nullptr;
        if (f.piece[i].present) {
            copy = new (std::nothrow) uchar[f.piece[i].length];
            if (!copy)
                break;  // out of memory: stop here, like at the end of the data
            std::memcpy(copy, f.piece[i].data, f.piece[i].length);
        }
        CommitPiece(f.piece[i], copy, m_pImage[i], m_bIsHaveImage[i], m_nImageSize[i], m_nImageLen[i]);
    }
    return 1;
}

uchar *cframe::GetFrameImage(int index, int &length)
{
    if (index < 0 || index >= BODERPART_COUNT) {
        length = 0;
        return nullptr;
    }
    length = m_nImageLen[index];
    return m_pImage[index];
}

void cframe::SetFrameImageData(int index, uchar *pixels, int width, int height)
{
    if (index < 0 || index >= BODERPART_COUNT)
        return;
    delete[] m_pImage[index];
    m_pImage[index] = nullptr;
    m_nImageSize[index][0] = 0;
    m_nImageSize[index][1] = 0;
    std::size_t bytes = 0;
    if (!pixels || !layoutio::PixelBytes(width, height, kFrameMaxPieceSide, bytes) || bytes == 0)
        return;
    uchar *copy = new (std::nothrow) uchar[bytes];
    if (!copy)
        return;
    std::memcpy(copy, pixels, bytes);
    m_pImage[index] = copy;
    m_nImageSize[index][0] = width;
    m_nImageSize[index][1] = height;
}

uchar *cframe::GetCompositeImage(uchar *image, int width, int height, float scale, int *outWidth,
                                 int *outHeight)
{
    delete[] m_pResult;
    m_pResult = nullptr;
    if (outWidth)
        *outWidth = 0;
    if (outHeight)
        *outHeight = 0;
    if (!image || width <= 0 || height <= 0 || width > kFrameMaxSide || height > kFrameMaxSide ||
        static_cast<long long>(width) * height > kFramePhotoMaxPixels)
        return nullptr;

    // Insets are rescaled in place: a second call scales them again.
    if (scale != 1.0f) {
        for (int c = 0; c < 4; ++c) {
            m_nCutWidth[c] = layoutio::SaturateToInt(0.5f + static_cast<float>(m_nCutWidth[c]) * scale);
            m_nCutHeight[c] = layoutio::SaturateToInt(0.5f + static_cast<float>(m_nCutHeight[c]) * scale);
        }
    }

    long long size[framegeometry::PieceCount][2];
    for (int p = 0; p < BODERPART_COUNT; ++p) {
        size[p][0] = m_nImageSize[p][0];
        size[p][1] = m_nImageSize[p][1];
    }
    const long long W = width, H = height;
    const framegeometry::Layout l = framegeometry::layout(W, H, m_nCutWidth, m_nCutHeight, size);
    const long long outW = l.width, outH = l.height;
    std::size_t bytes = 0;
    // Sides first: only then is their product known to fit.
    if (!layoutio::PixelBytes(outW, outH, kFrameMaxSide, bytes) ||
        outW * outH > std::max(kFrameMaxPixels, 2 * W * H))
        return nullptr;
    m_pResult = new (std::nothrow) uchar[bytes];
    if (!m_pResult)
        return nullptr;
    std::memset(m_pResult, 255, bytes);

    BlendRegion(m_pResult, outW, outH, image, W, H, l.x, l.y, l.left, l.top, l.right, l.bottom);
    framegeometry::forEachPiece(l, size, [&](int p, long long x, long long y) {
        if (!m_bIsHaveImage[p] || !m_pImage[p])
            return;
        BlendRegion(m_pResult, outW, outH, m_pImage[p], size[p][0], size[p][1], x, y, 0, 0, size[p][0],
                    size[p][1]);
    });

    if (outWidth)
        *outWidth = static_cast<int>(outW);
    if (outHeight)
        *outHeight = static_cast<int>(outH);
    return m_pResult;
}
