// Speech-bubble files (".qvqp").
//
// A bubble file is three records back to back (a 171-byte header, a 172-byte
// description of the text area and a 40-byte picture record) followed at
// offset 383 by the bubble picture as PNG. The reader keeps the text area and
// the text colour; the picture itself is not decoded here.
//
// Contents: QPHeadInfo, QPWordInfo, QPImageInfo (the records); csbubble.
#pragma once

#include <cstdint>

#include "layouttypes.h"

// Offset of the bubble picture: the size of the three records.
constexpr int kBubblePictureOffset = 383;

struct QPHeadInfo {
    char chVersion[8] = {};
    char chFileFlag[6] = {};
    char chRatio = 0;
    char chFileName[40] = {};
    char chAuthor[20] = {};
    char chDate[20] = {};
    char chTag[60] = {};
    char chReserve1[4] = {};
    char chReserve2[4] = {};
    char chReserve3[4] = {};
    char chReserve4[4] = {};
};

struct QPWordInfo {
    uint32_t WordLength = 0;
    char WordFlags[10] = {};
    uint32_t LeftTopX = 0;
    uint32_t LeftTopY = 0;
    uint32_t LeftBottomX = 0;
    uint32_t LeftBottomY = 0;
    uint32_t RightTopX = 0;
    uint32_t RightTopY = 0;
    uint32_t RightBottomX = 0;
    uint32_t RightBottomY = 0;
    uint8_t Gradient = 0;
    uint8_t Colorref[4] = {};  // three colour bytes, then 0
    uint32_t Colorref2 = 0;
    uint8_t BackGround = 0;
    uint32_t BKColorref = 0;
    uint32_t Rotate = 0;
    uint8_t Shadow = 0;
    uint32_t SHColorref = 0;
    uint32_t ShadowThickness = 0;
    uint8_t OutLine = 0;
    uint32_t OLColorref = 0;
    uint32_t OutLineThickness = 0;
    char FontName[64] = {};
    char chReserve1[4] = {};
    char chReserve2[4] = {};
    char chReserve3[4] = {};
    char chReserve4[4] = {};
};

struct QPImageInfo {
    uint32_t lBKImageLength = 0;
    char chBKImageFlag[10] = {};
    uint32_t lBKImageFormat = 0;
    uint32_t lBKImageDataSize = 0;
    char chReserve1[4] = {};
    char chReserve2[4] = {};
    char chReserve3[4] = {};
    char chReserve4[4] = {};
};

class QTQVEFFECT_EXPORT csbubble {
public:
    csbubble();
    virtual ~csbubble();

    // Reads the text area's corners and the text colour and returns 383, the
    // offset of the picture data. Data shorter than 383 bytes, or a corner
    // coordinate above the int range, is refused: 0 is returned and the
    // previous content kept. A right edge left of the left edge (or a bottom
    // above the top) gives an empty rectangle, never a negative size.
    int ReadFrameFile(uchar *data, int length);
    // The text rectangle in bubble-picture pixels.
    _tagCGRect GetTextDrawRect();
    // Byte i (0, 1 or 2) of the text colour; 255 for index 3; 0 otherwise.
    int GetTextColorWithIndex(int i);

private:
    QPHeadInfo m_qpHeadInfo;
    QPWordInfo m_qpWordInfo;
    QPImageInfo m_qpImageInfo;
    _tagCGRect m_rect;      // not used
    _tagCGRect m_rectText;  // text area
};
