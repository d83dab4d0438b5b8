// Frame files (".qvrbk") and the frame compositor.
//
// A frame file stores eight pieces, each a complete PNG file: four corners and
// four edge tiles, plus how far each corner lies over the photo (its inset).
// The library never decodes PNG: the caller takes each piece's bytes with
// GetFrameImage, decodes them and hands the 32-bit pixels back with
// SetFrameImageData. GetCompositeImage then trims the photo so the edge tiles
// fit a whole number of times and lays corners and tiles around it.
//
// Contents: cframe (reader and compositor); draw, drawRect (alpha blending of
// one 32-bit buffer over another, alpha in byte 3, blend by >> 8).
//
// Limits (anything beyond is refused, never read or allocated):
//   - a piece's PNG data is at most kFrameMaxPieceBytes bytes;
//   - decoded pieces are at most kFrameMaxPieceSide pixels a side;
//   - the photo and the composite are at most kFrameMaxSide pixels a side;
//   - the photo is at most kFramePhotoMaxPixels pixels in all (the largest
//     photo the editor takes), the composite at most kFrameMaxPixels or twice
//     the photo's pixels, whichever is more (a frame only adds a border).
#pragma once

#include "layouttypes.h"

constexpr int kFrameMaxPieceBytes = 16 * 1024 * 1024;
constexpr int kFrameMaxPieceSide = 4096;
constexpr int kFrameMaxSide = 32768;
constexpr long long kFrameMaxPixels = 64LL * 1024 * 1024;
constexpr long long kFramePhotoMaxPixels = 1LL << 28;

class QTQVEFFECT_EXPORT cframe {
public:
    cframe();
    virtual ~cframe();
    cframe(const cframe &) = delete;
    cframe &operator=(const cframe &) = delete;

    // Reads a whole frame file. Returns 0 and changes nothing when the data is
    // empty or malformed (shorter than its 80-byte header, a record or a
    // piece running past the end, fewer than eight records, a piece above the
    // size limit); otherwise stores insets, flags and the pieces' PNG data and
    // returns 1.
    int ReadFrameFile(uchar *data, int length);
    // Parses as much of the file as the data holds and always returns 1:
    // the insets when the header is complete, then each complete record in
    // turn; it stops at the first record that does not fit, leaving that
    // piece and the ones after it as they were.
    int DecodeFrameFile(uchar *data, int length);
    // The buffer of piece index (PNG data after reading, pixels after
    // SetFrameImageData; null for a piece the file lacks) and, in length, the
    // PNG data's byte length. An index outside 0..7 gives null and length 0.
    uchar *GetFrameImage(int index, int &length);
    // Replaces piece index by a copy of width x height 32-bit pixels. Null
    // pixels, a size of zero, a negative size or one above the limit leave the
    // piece empty (0 x 0, no buffer). The caller keeps its buffer.
    void SetFrameImageData(int index, uchar *pixels, int width, int height);
    // Frames a width x height 32-bit photo and returns the composite, whose
    // size goes to outWidth, outHeight. The buffer stays owned by the cframe
    // until the next call or its destruction. When scale is not 1.0 the
    // stored insets are rescaled in place first. A null or empty photo, or a
    // photo or composite above the limits, gives null and a size of 0 x 0.
    uchar *GetCompositeImage(uchar *image, int width, int height, float scale, int *outWidth,
                             int *outHeight);

    // Piece indices; every access to a piece goes through them.
    const int LEFTUP = 0;
    const int LEFTDOWN = 1;
    const int RIGHTUP = 2;
    const int RIGHTDOWN = 3;
    const int UP = 4;
    const int DOWN = 5;
    const int LEFT = 6;
    const int RIGHT = 7;
    const int BODERPART_COUNT = 8;

private:
    uchar *m_pResult = nullptr;   // last composite, owned
    int m_nCutWidth[4] = {};      // horizontal inset of each corner
    int m_nCutHeight[4] = {};     // vertical inset of each corner
    int m_bIsHaveImage[8] = {};   // 1 when the file carries the piece
    uchar *m_pImage[8] = {};      // PNG data, later decoded pixels; owned
    int m_nImageSize[8][2] = {};  // width, height of the decoded pixels (0 x 0 while PNG)
    int m_nImageLen[8] = {};      // byte length of the PNG data
};

// Blends the whole src (srcWidth x srcHeight) over dst with its top-left
// corner at (x, y). Pixels falling outside dst are skipped.
QTQVEFFECT_EXPORT void draw(uchar *dst, int dstWidth, int dstHeight, int x, int y, uchar *src,
                            int srcWidth, int srcHeight);
// Blends the pixels of src inside rect over dst, the rectangle's top-left
// corner landing at (x, y). Pixels outside src or dst are skipped.
QTQVEFFECT_EXPORT void drawRect(uchar *dst, int dstWidth, int dstHeight, uchar *src, int srcWidth,
                                int srcHeight, int x, int y, QV2DRect rect);
