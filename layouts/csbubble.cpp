// Speech-bubble files.
//
// Contents: csbubble (reading the text area and colour, access).
//
// Of the three records only these fields are read, at these offsets from the
// start of the file: LeftTopX 187, LeftTopY 191, RightBottomX 211,
// RightBottomY 215 (unsigned 32-bit little-endian), Colorref 220 (four bytes).
#include "csbubble.h"

#include <cstring>
#include <limits>

#include "bytereader.h"

namespace {

constexpr std::size_t kLeftTopXOffset = 187;
constexpr std::size_t kLeftTopYOffset = 191;
constexpr std::size_t kRightBottomXOffset = 211;
constexpr std::size_t kRightBottomYOffset = 215;
constexpr std::size_t kColorrefOffset = 220;

}  // namespace

csbubble::csbubble() = default;
csbubble::~csbubble() = default;

int csbubble::ReadFrameFile(uchar *data, int length)
{
    layoutio::ByteReader r(data, length);
    if (r.size() < static_cast<std::size_t>(kBubblePictureOffset))
        return 0;
    uint32_t left, top, right, bottom;
    if (!r.uint32At(kLeftTopXOffset, left) || !r.uint32At(kLeftTopYOffset, top) ||
        !r.uint32At(kRightBottomXOffset, right) || !r.uint32At(kRightBottomYOffset, bottom))
        return 0;
    constexpr uint32_t intMax = std::numeric_limits<int>::max();
    if (left > intMax || top > intMax || right > intMax || bottom > intMax)
        return 0;
    uint8_t colour[4];
    for (int k = 0; k < 4; ++k) {
        if (!r.byteAt(kColorrefOffset + k, colour[k]))
            return 0;
    }

    m_qpWordInfo.LeftTopX = left;
    m_qpWordInfo.LeftTopY = top;
    m_qpWordInfo.RightBottomX = right;
    m_qpWordInfo.RightBottomY = bottom;
    std::memcpy(m_qpWordInfo.Colorref, colour, 4);
    // An edge lying before its opposite gives an empty side, not a negative one.
    m_rectText.x = static_cast<int>(left);
    m_rectText.y = static_cast<int>(top);
    m_rectText.w = right > left ? static_cast<int>(right - left) : 0;
    m_rectText.h = bottom > top ? static_cast<int>(bottom - top) : 0;
    return kBubblePictureOffset;
}

_tagCGRect csbubble::GetTextDrawRect() { return m_rectText; }

int csbubble::GetTextColorWithIndex(int i)
{
    if (i == 3)
        return 255;
    if (i < 0 || i > 3)
        return 0;
    return m_qpWordInfo.Colorref[i];
}
