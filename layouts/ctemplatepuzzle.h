// Template collage files: cell layouts (".zeltambpt") and borders (".ptbj").
//
// A cell layout lists up to nine cells on a design canvas (640 x 896 in every
// shipped layout); the library keeps exactly one a thread,
// ctemplatepuzzle::m_format, shared by every ctemplatepuzzle of that thread
// (a collage job on a worker never sees the layout the interface just read).
// A border holds eight raw mask pieces (four corners, four edge tiles, in the
// frame pieces' order) and the border's insets. ResetAll grows the canvas so
// the edge tiles fit and moves the edge cells under the border;
// GetResultBackImage cuts a background of the grown size to the border's shape.
//
// Contents: cpuzzleformat (cell layout); ctemplatepuzzle (border reader, the
// fitting, the mask rule FrameProcessEx).
//
// Limits (anything beyond is refused and the previous content kept):
//   - at most kPuzzleMaxCells cells;
//   - canvas sides 0..kPuzzleMaxCoordinate, cell values within
//     +-kPuzzleMaxCoordinate;
//   - border pieces at most kPuzzleMaxPieceSide pixels a side; the corner
//     (piece 0), the top tile's width and the left tile's height at least 1;
//   - border insets 0..kPuzzleMaxPieceSide.
#pragma once

#include "layouttypes.h"

constexpr int kPuzzleMaxCells = 9;
constexpr int kPuzzleMaxCoordinate = 16384;
constexpr int kPuzzleMaxPieceSide = 4096;

class QTQVEFFECT_EXPORT cpuzzleformat {
public:
    cpuzzleformat();
    virtual ~cpuzzleformat();

    // Returns 0 and keeps the previous layout when the magic "QVPTM" is
    // missing, the count is negative or above nine, a value is outside the
    // limits or the data is shorter than the cells it announces; otherwise
    // stores count, canvas size and cells and returns 1.
    int ReadPuzzleFormatFile(uchar *data, int length);
    int GetPuzzleFormatCount();
    _tagCGSize GetPuzzleResultSize();
    // Cell i; all zeros for an index outside 0..count-1.
    _tagCGRect GetPuzzleRectWithIndex(int i);
    // Replaces cell i; ignored for an index outside 0..count-1.
    void SetPuzzleRectWithIndex(int i, _tagCGRect rect);

private:
    int m_nCount = 0;
    int m_nResultWidth = 0;
    int m_nResultHeight = 0;
    _tagCGRect m_rect[kPuzzleMaxCells] = {};
};

class QTQVEFFECT_EXPORT ctemplatepuzzle {
public:
    ctemplatepuzzle();
    virtual ~ctemplatepuzzle();
    ctemplatepuzzle(const ctemplatepuzzle &) = delete;
    ctemplatepuzzle &operator=(const ctemplatepuzzle &) = delete;

    // Forwards to m_format.
    int ReadPuzzleFormatFile(uchar *data, int length);
    // Returns 0 and keeps the previous border when the magic "PTBJ " is
    // missing, the data is shorter than the records it announces or a piece
    // or inset is outside the limits; otherwise replaces colour, insets and
    // all eight pieces and returns 1.
    int ReadPuzzleFrameFile(uchar *data, int length);
    // Undoes the previous fitting of m_format's cells, fits them to the
    // border and returns the grown canvas size. Without a border it only
    // returns the stored size (0 x 0 before any fitting).
    _tagCGSize ResetAll();
    // The size of a w x h content rounded up to whole tiles plus the border.
    // Without a border the size comes back unchanged; a result beyond the int
    // range gives 0 x 0.
    _tagCGSize ResetSize(_tagCGSize size);
    int GetFormatCount();
    // Cell i of m_format moved by half the extra size; all zeros for an index
    // outside 0..count-1.
    _tagCGRect GetFormatRectWithIndex(int i);
    // Applies the border mask in place to a width x height 32-bit picture.
    // Mask pixels beyond a piece's own size or the picture's are skipped;
    // without a border nothing happens.
    void GetResultBackImage(uchar *image, int width, int height);
    // The mask rule for one pixel: m = src byte 2, g = src byte 1.
    void FrameProcessEx(uchar *dst, uchar *src);
    // Frees the pieces; the border counts as not read afterwards.
    void ReleaseTemplatePuzzleFrame();

    // The one cell layout of the library on this thread.
    static thread_local cpuzzleformat m_format;

private:
    uchar m_cPieceCount = 0;        // 8 once a border is read
    int m_nInsetX = 0;              // how far the border reaches into the content
    int m_nInsetY = 0;
    int m_nBaseWidth = 0;           // design canvas taken from m_format by ResetAll
    int m_nBaseHeight = 0;
    int m_nExtraWidth = 0;          // size ResetAll adds to the canvas
    int m_nExtraHeight = 0;
    int m_nPieceWidth[8] = {};
    int m_nPieceHeight[8] = {};
    uchar *m_pPiece[8] = {};        // raw 32-bit mask pixels, owned
    uchar m_cBorderColor[3] = {};   // low bytes of the file's colour ints
    int m_nGrowX = 0;               // half-paddings given to edge cells by ResetAll
    int m_nGrowY = 0;
};
