// Writer of blend table files (".eb").
//
// The count byte 3, then three times a three-byte header (04 01 09) and a
// 256 x 256 table, row-major: entry [row][column] is the blend of the value
// being changed (row) with the other operand (column). 196,618 bytes.
#pragma once

#include <array>

#include "bytewriter.h"

namespace resgen {

using BlendTable = std::array<uint8_t, 256 * 256>;

Bytes writeBlendTables(const std::array<BlendTable, 3> &tables);

}  // namespace resgen
