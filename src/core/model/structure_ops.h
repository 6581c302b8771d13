// Editing the song structure as the grid does: rows are grid rows 1.. (structure entry row-1),
// columns are grid columns 1.. (instrument column-1). Every operation writes the structure
// directly; callers mark the project changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

using TStructure = std::vector<std::string>;

// Label of grid row n: "" for n <= 0, A..Z, then two characters (AA for 27, ZZ for 702).
std::string RowLetters(int n);

// Makes the structure at least `entries` rows long, adding empty rows.
void ExtendStructure(TStructure& structure, int entries);

// Cell choices for grid row `row` and column `col` (both from 1). The structure grows to the row.
void SetCellRepeat(TStructure& structure, int row, int col, int repeat);
// Sets the riff name; an empty repeat becomes "1".
void SetCellRiff(TStructure& structure, int row, int col, std::string_view riffName);

// Inserts an empty row at grid row `row` (appends one when the row lies past the end).
void InsertStructureRow(TStructure& structure, int row);
// Removes the row at grid row `row`; nothing happens past the end.
void DeleteStructureRow(TStructure& structure, int row);
// Moves grid row `from` to grid row `to`, the rows between shifting by one.
void MoveStructureRow(TStructure& structure, int from, int to);

struct TGridRect {
    int Left, Top, Right, Bottom; // grid columns and rows, inclusive
};
// The selected cells as text: two fields per cell (repeat, riff), TAB between fields, CR LF
// between rows. With `cut` the copied fields are emptied.
std::string CopyStructureCells(TStructure& structure, const TGridRect& rect, bool cut);
// Writes clipboard text into the cells from grid column `col`, row `row` on: TAB moves to the
// next field, CR to the first field of the next row.
void PasteStructureCells(TStructure& structure, int col, int row, std::string_view text);

// Exchanges the columns of instruments a and b (0-based) in every row.
void SwapStructureColumns(TStructure& structure, int a, int b);
// Empties the column of instrument k in every row that reaches it.
void ClearStructureColumn(TStructure& structure, int k);

} // namespace zel
