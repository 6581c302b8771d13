// Song structure rows: TAB-separated fields, two per instrument column (repeat count, riff name).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Every reader and writer of structure rows (the grid, playback, printing, info) takes fields
// by one rule: a field ends at TAB or CR, and LF is no part of any field. A project file can
// bring a lone line feed into a row; the cell then shows, plays and finds the riff by the name
// without it.

// Field `index` of a row; fields past the end of the row read as empty text. This looks through
// the row from its start: to read many fields of one row, use TStructureCells.
std::string StructureField(std::string_view row, int index);

// Reads a row's cells from left to right in one pass over it: a row may be megabytes wide, so
// reading column k must not look through the row from its start again.
class TStructureCells {
public:
    explicit TStructureCells(std::string_view row) : m_row(row) {}
    // The next column's repeat count and riff name (either may be empty; they stay valid until
    // the next call); false past the last column the row reaches into.
    bool Next(std::string_view& repeat, std::string_view& riff);
    // The column that the last Next() read, from 0.
    int Column() const { return m_column; }

private:
    std::string_view NextField(std::string& buffer);
    std::string_view m_row;
    size_t m_pos = 0;
    bool m_done = false;
    int m_column = -1;
    std::string m_repeat, m_riff; // fields that held line breaks, without them
};

// Sets field `index` of a row (fields as the readers count them), padding the row with TAB
// characters when it is shorter. TAB, CR and LF in the value become blanks so that the value
// stays one field.
void SetStructureField(std::string& row, int index, std::string_view value);

// How many cells of the song name the riff `name`.
int CountRiffCells(const std::vector<std::string>& structure, std::string_view name);
// Every cell that names riff `from` names `to` instead; returns how many did.
int RenameRiffCells(std::vector<std::string>& structure, std::string_view from,
                    std::string_view to);

inline int RepeatFieldIndex(int column) {
    return 2 * column;
}
inline int RiffFieldIndex(int column) {
    return 2 * column + 1;
}

} // namespace zel
