// Where a frame's pieces and the photo lie in its composite: the one rule the
// frame compositor (cframe) lays them by, shared with the program, which lays
// the pieces of a screen-size frame for a larger photo itself. Header only
// and not exported: the library's exported names stay as they are.
//
// The photo is trimmed so the edge tiles fit a whole number of times (the
// smaller half of the trim on the left and top); each corner lies over the
// photo by its inset; the top and bottom tiles step by the top tile's width,
// the side tiles by the left tile's height.
#pragma once

#include "bytereader.h"

#include <cstddef>
#include <cstdint>

namespace framegeometry {

// The pieces in the order a frame file stores them.
enum Piece { LeftUp, LeftDown, RightUp, RightDown, Up, Down, Left, Right, PieceCount };

// Where a frame file keeps the corners' insets: width, height of each corner.
constexpr std::size_t kInsetsOffset = 44;

// The four corners' insets (width, height of LeftUp, then LeftDown, RightUp,
// RightDown) from a frame file; false when the file is too short for them.
inline bool readInsets(const unsigned char *data, int length, int32_t insets[8])
{
    layoutio::ByteReader r(data, length);
    if (!r.seek(kInsetsOffset))
        return false;
    int32_t v[8];
    for (int32_t &i : v) {
        if (!r.readInt32(i))
            return false;
    }
    for (int i = 0; i < 8; ++i)
        insets[i] = v[i];
    return true;
}

struct Layout {
    long long width = 1, height = 1;  // the composite
    // The part of the photo kept, [left, right) x [top, bottom), and where
    // its top-left pixel lands.
    long long left = 0, top = 0, right = 0, bottom = 0;
    long long x = 0, y = 0;
    long long tilesAcross = 0, tilesDown = 0;
};

// The layout of a width x height photo. `cutWidth`, `cutHeight`: the corners'
// insets by corner piece; `size`: each piece's width and height (0 x 0 for a
// piece the frame lacks). The composite is at least 1 x 1.
inline Layout layout(long long width, long long height, const int cutWidth[4], const int cutHeight[4],
                     const long long size[PieceCount][2])
{
    const long long a0 = cutWidth[LeftUp], a2 = cutWidth[RightUp];
    const long long b0 = cutHeight[LeftUp], b1 = cutHeight[LeftDown];
    const long long tileW = size[Up][0], tileH = size[Left][1];
    // C remainders keep the dividend's sign. Without a top tile or a side
    // tile there is nothing to fit in that direction: no trim and no tiles.
    const long long innerW = width - a0 - a2, innerH = height - b0 - b1;
    const long long rx = tileW > 0 ? innerW % tileW : 0;
    const long long ry = tileH > 0 ? innerH % tileH : 0;

    Layout l;
    l.width = size[LeftUp][0] + size[RightUp][0] - a0 - a2 + width - rx;
    l.height = size[LeftUp][1] + size[LeftDown][1] - b0 - b1 + height - ry;
    if (l.width < 1)
        l.width = 1;
    if (l.height < 1)
        l.height = 1;
    l.left = rx / 2;
    l.top = ry / 2;
    l.right = width - rx / 2;
    l.bottom = height - ry / 2;
    l.x = size[LeftUp][0] - a0;
    l.y = size[LeftUp][1] - b0;
    l.tilesAcross = tileW > 0 ? (innerW - rx) / tileW : 0;
    l.tilesDown = tileH > 0 ? (innerH - ry) / tileH : 0;
    return l;
}

// Calls place(piece, x, y) for every piece laid, in the order they are laid
// (later ones over earlier ones): the corners, the top and bottom tiles, the
// side tiles. Pieces the frame lacks are the caller's to skip.
template <typename Place>
void forEachPiece(const Layout &l, const long long size[PieceCount][2], Place &&place)
{
    place(LeftUp, 0LL, 0LL);
    place(LeftDown, 0LL, l.height - size[LeftDown][1]);
    place(RightUp, l.width - size[RightUp][0], 0LL);
    place(RightDown, l.width - size[RightDown][0], l.height - size[RightDown][1]);
    // The bottom row steps by the top tile's width, below the lower-left corner.
    for (long long k = 0, x = size[LeftUp][0]; k < l.tilesAcross; ++k, x += size[Up][0]) {
        place(Up, x, 0LL);
        place(Down, x, l.height - size[LeftDown][1]);
    }
    for (long long k = 0, y = size[LeftUp][1]; k < l.tilesDown; ++k, y += size[Left][1]) {
        place(Left, 0LL, y);
        place(Right, l.width - size[RightUp][0], y);
    }
}

}  // namespace framegeometry
