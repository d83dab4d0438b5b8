// Free collage layouts (".zypt").
//
// A layout scatters up to nine cells over a 640 x 896 canvas. For each cell
// the file gives its place and the ranges from which its offset, tilt and size
// factor are picked; the picks happen once, while reading, and are the same on
// every read (the generator is reseeded on each pick).
//
// Contents: cfreepuzzle (reader, range pick, fitting of a picture into a cell).
//
// Limits (anything beyond is refused and the previous cells kept): at most
// kFreePuzzleMaxCells cells; every int of a cell record within
// +-kFreePuzzleMaxCoordinate; size factors finite and within 0..kFreePuzzleMaxFactor.
#pragma once

#include "layouttypes.h"

constexpr int kFreePuzzleMaxCells = 9;
constexpr int kFreePuzzleMaxCoordinate = 16384;
constexpr float kFreePuzzleMaxFactor = 100.0f;

class QTQVEFFECT_EXPORT cfreepuzzle {
public:
    cfreepuzzle();
    virtual ~cfreepuzzle();

    // Returns 0 and keeps the previous cells when the magic "ZZYPT" is
    // missing, the count is negative or 10 or more, the data is shorter than
    // the records it announces or a value is outside the limits; otherwise
    // resolves every cell and returns 1.
    int ReadFrameFile(uchar *data, int length);
    // A pick from low .. high in hundredths: reseeds the standard generator
    // with 0x7fffffff on every call.
    float AverageRandom(float low, float high);
    _tagCGSize GetResultSize();
    int GetCount();
    // Cell i; all zeros for an index outside 0..count-1.
    _tagCGRect GetMaxRectWithIndex(int i);
    // Cell i's rotation in degrees; 0.0 for an index outside 0..count-1.
    float GetRotationWithIndex(int i);
    // A picture of size fitted into cell i; all zeros for an index outside
    // 0..count-1.
    _tagCGRect GetViewRectWithIndex(int i, _tagCGSize size);
    // A picture of size shrunk (never enlarged) to fit maxRect and centred in
    // it; all zeros for a picture without area.
    _tagCGRect ChangeRectWithMaxRect(_tagCGSize size, _tagCGRect maxRect);

private:
    struct Cell {
        float m_fRotation = 0.0f;  // degrees, whole
        _tagCGRect m_rect;         // resolved cell
    };

    int m_nResultWidth = 0;
    int m_nResultHeight = 0;
    Cell m_cell[kFreePuzzleMaxCells];
    int m_nCount = 0;
};
