// Free collage layouts.
//
// Contents: reading (ReadFrameFile, AverageRandom); the fitting of a picture
// into a cell (ChangeRectWithMaxRect, GetViewRectWithIndex); plain access.
//
// File layout: 32-byte header with the magic "ZZYPT" at 12, an unread int,
// the cell count at 36, the canvas size at 40 and 44 (unread: 640 x 896 is
// fixed), 8 filler bytes, then from offset 56 one 56-byte record per cell:
// x, y, w, h; offset-x low, high; offset-y low, high; rotation low, high
// (ints); size factor low, high (floats); 8 filler bytes.
#include "cfreepuzzle.h"

#include <cmath>
#include <cstdlib>

#include "bytereader.h"

namespace {

constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 896;
constexpr std::size_t kCountOffset = 36;
constexpr std::size_t kRecordsOffset = 56;
constexpr std::size_t kRecordSize = 56;

struct CellRecord {
    int32_t x, y, w, h;
    int32_t offsetX[2], offsetY[2], rotation[2];
    float factor[2];
};

bool InCoordinateRange(int32_t v)
{
    return v >= -kFreePuzzleMaxCoordinate && v <= kFreePuzzleMaxCoordinate;
}

bool ReadRecord(layoutio::ByteReader &r, CellRecord &c)
{
    int32_t ints[10];
    for (int32_t &v : ints) {
        if (!r.readInt32(v) || !InCoordinateRange(v))
            return false;
    }
    for (float &f : c.factor) {
        if (!r.readFloat(f) || !std::isfinite(f) || f < 0.0f || f > kFreePuzzleMaxFactor)
            return false;
    }
    if (!r.skip(8))
        return false;
    c.x = ints[0];
    c.y = ints[1];
    c.w = ints[2];
    c.h = ints[3];
    c.offsetX[0] = ints[4];
    c.offsetX[1] = ints[5];
    c.offsetY[0] = ints[6];
    c.offsetY[1] = ints[7];
    c.rotation[0] = ints[8];
    c.rotation[1] = ints[9];
    return true;
}

}  // namespace

cfreepuzzle::cfreepuzzle() = default;
cfreepuzzle::~cfreepuzzle() = default;

// a = (int)(low * 100), b = (int)(high * 100) in single precision; the pick is
// b / 100 when they are equal, else ((rand() % (b - a)) + a) / 100. Reseeding
// every time makes every pick use the generator's first value, so a layout
// reads the same each time. The difference is taken in 64 bits, which only
// matters for arguments far outside any layout's ranges.
float cfreepuzzle::AverageRandom(float low, float high)
{
    const long long a = layoutio::SaturateToInt(low * 100.0f);
    const long long b = layoutio::SaturateToInt(high * 100.0f);
    srand(0x7fffffff);
    if (b == a)
        return static_cast<float>(b) / 100.0f;
    const long long pick = (static_cast<long long>(rand()) % (b - a)) + a;
    return static_cast<float>(pick) / 100.0f;
}

int cfreepuzzle::ReadFrameFile(uchar *data, int length)
{
    layoutio::ByteReader r(data, length);
    if (!r.matchesAt(12, "ZZYPT", 5))
        return 0;
    int32_t count;
    if (!r.int32At(kCountOffset, count) || count < 0 || count > kFreePuzzleMaxCells)
        return 0;
    if (!r.has(kRecordsOffset, kRecordSize * count) || !r.seek(kRecordsOffset))
        return 0;

    CellRecord records[kFreePuzzleMaxCells];
    for (int i = 0; i < count; ++i) {
        if (!ReadRecord(r, records[i]))
            return 0;
    }

    // Within the limits every sum and product below stays far inside int.
    Cell cells[kFreePuzzleMaxCells];
    for (int i = 0; i < count; ++i) {
        const CellRecord &c = records[i];
        const float dx = AverageRandom(static_cast<float>(c.offsetX[0]), static_cast<float>(c.offsetX[1]));
        const float dy = AverageRandom(static_cast<float>(c.offsetY[0]), static_cast<float>(c.offsetY[1]));
        const float rot = AverageRandom(static_cast<float>(c.rotation[0]), static_cast<float>(c.rotation[1]));
        const float s = AverageRandom(c.factor[0], c.factor[1]);
        // Products and differences in single precision, truncated toward zero.
        const float w = static_cast<float>(c.w), h = static_cast<float>(c.h);
        cells[i].m_fRotation = static_cast<float>(static_cast<int>(rot));
        cells[i].m_rect.w = static_cast<int>(s * w);
        cells[i].m_rect.h = static_cast<int>(s * h);
        cells[i].m_rect.x = static_cast<int>(dx) + c.x + static_cast<int>(w - s * w) / 2;
        cells[i].m_rect.y = static_cast<int>(dy) + c.y + static_cast<int>(h - s * h) / 2;
    }

    m_nResultWidth = kCanvasWidth;
    m_nResultHeight = kCanvasHeight;
    for (int i = 0; i < kFreePuzzleMaxCells; ++i)
        m_cell[i] = i < count ? cells[i] : Cell{};
    m_nCount = count;
    return 1;
}

_tagCGSize cfreepuzzle::GetResultSize() { return _tagCGSize{m_nResultWidth, m_nResultHeight}; }

int cfreepuzzle::GetCount() { return m_nCount; }

_tagCGRect cfreepuzzle::GetMaxRectWithIndex(int i)
{
    if (i < 0 || i >= m_nCount)
        return _tagCGRect{};
    return m_cell[i].m_rect;
}

float cfreepuzzle::GetRotationWithIndex(int i)
{
    if (i < 0 || i >= m_nCount)
        return 0.0f;
    return m_cell[i].m_fRotation;
}

_tagCGRect cfreepuzzle::GetViewRectWithIndex(int i, _tagCGSize size)
{
    if (i < 0 || i >= m_nCount)
        return _tagCGRect{};
    return ChangeRectWithMaxRect(size, m_cell[i].m_rect);
}

// k = min(w / W, h / H), at most 1; the picture k W x k H centred in the
// rectangle. The conversions saturate: the rectangle may come from anywhere.
_tagCGRect cfreepuzzle::ChangeRectWithMaxRect(_tagCGSize size, _tagCGRect maxRect)
{
    if (size.w <= 0 || size.h <= 0)
        return _tagCGRect{};
    double k = static_cast<double>(maxRect.w) / size.w;
    const double kh = static_cast<double>(maxRect.h) / size.h;
    if (kh < k)
        k = kh;
    if (k > 1.0)
        k = 1.0;
    _tagCGRect r;
    r.w = layoutio::SaturateToInt(k * size.w);
    r.h = layoutio::SaturateToInt(k * size.h);
    r.x = layoutio::SaturateToInt(maxRect.x + (static_cast<double>(maxRect.w) - r.w) * 0.5);
    r.y = layoutio::SaturateToInt(maxRect.y + (static_cast<double>(maxRect.h) - r.h) * 0.5);
    return r;
}
