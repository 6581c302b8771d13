// Song structure rows: TAB-separated fields, two per instrument column (repeat count, riff name).
#pragma once

#include <string>
#include <string_view>

namespace zel {

// Field `index` of a row; fields past the end of the row read as empty text.
std::string_view StructureField(std::string_view row, int index);

// Sets field `index` of a row, padding the row with TAB characters when it is shorter. TAB, CR
// and LF in the value become blanks so that the value stays one field.
void SetStructureField(std::string& row, int index, std::string_view value);

inline int RepeatFieldIndex(int column) {
    return 2 * column;
}
inline int RiffFieldIndex(int column) {
    return 2 * column + 1;
}

} // namespace zel
