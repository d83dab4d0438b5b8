// Writers of the template-collage files: cell layouts (".zeltambpt"),
// borders (".ptbj") and the per-count layout lists (XML property lists).
//
// Cell layout: the shared header with magic "QVPTM", the int 1, the cell
// count, the canvas width and height, eight 0x01 bytes, then x, y, w, h of
// each cell.
//
// Border: the shared header with magic "PTBJ " (trailing space), three colour
// ints (255 each), the byte 8, insets x and y (unaligned ints), thirteen 0x01
// bytes, then eight piece records in piece order, each width, height and
// width x height x 4 bytes of raw pixels. In a border pixel byte 1 is the mask
// level and byte 2 the weight of the picture.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "bytewriter.h"

namespace resgen {

struct CellRect {
    int x = 0, y = 0, w = 0, h = 0;
};

Bytes writeCellLayout(const std::vector<CellRect> &cells, int canvasWidth, int canvasHeight);

struct BorderPiece {
    int width = 0;
    int height = 0;
    Bytes pixels;  // width * height * 4
};

struct BorderFile {
    int insetX = 0;
    int insetY = 0;
    std::array<BorderPiece, 8> pieces;
};

Bytes writeBorderFile(const BorderFile &border);

// A property list: an array of dictionaries, each with the one key "qvpt"
// naming a cell-layout file.
Bytes writeLayoutList(const std::vector<std::string> &fileNames);

}  // namespace resgen
