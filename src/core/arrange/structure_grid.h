// The song grid's rules that need no window: how a cell reads, which part of a cell the pointer
// is over, which list a double click opens and how far the mouse wheel scrolls. Grid rows and
// columns count from 1 (row 0 is the header, column 0 the row labels).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/structure_ops.h"

namespace zel {

struct TStructCell {
    std::string Repeat; // the repeat count as it is stored
    std::string Riff;   // the riff name; empty: the cell is blank
    bool Filled() const { return !Riff.empty(); }
    // "2x"; an empty repeat shows as a bare "x".
    std::string RepeatText() const { return Repeat + 'x'; }
};

// The cell at grid row `row`, column `col`; rows past the structure read as blank.
TStructCell StructCell(const TStructure& structure, int row, int col);

// The left part of a cell (its first 25 pixels) holds the repeat count, the rest the riff.
inline constexpr int StructRepeatAreaWidth = 25;
inline bool HoverOnRiff(int xInCell) {
    return xInCell > StructRepeatAreaWidth;
}

// The pointer's cell and area, kept while it moves over the grid.
struct TStructHover {
    int HoverCol = 0;
    int HoverRow = 0;
    bool HoverOnRiff = false;
    bool operator==(const TStructHover&) const = default;
};

enum class TStructList { Repeat, Riff };
// A double click over the repeat area of a cell that has a repeat count changes the repeat;
// anywhere else it changes the riff.
TStructList DoubleClickList(const TStructure& structure, const TStructHover& hover);

// The grid's top row after `notches` wheel notches (positive scrolls down): a notch moves by a
// sixth of the fully visible rows, at least one row; the last row stops at the bottom and the
// first structure row at the top. `rowCount` counts the header row.
int StructWheelTop(int top, int rowCount, int visibleRows, int notches);

// Where a grid row starts in a rendered song; rows that take no time have none.
struct TRowStart {
    int64_t Frame;
    int GridRow;
};
// The grid row playing at `frame`, from starts in playing order; 0 before the first.
int RowAtFrame(std::span<const TRowStart> starts, int64_t frame);

} // namespace zel
