// Tab-separated fields and the lenient integer reading that every text form of the program uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Field `index` (0-based) of a TAB-separated line; a field beyond the last TAB is empty.
std::string_view TabField(std::string_view line, int index);

// All fields of a TAB-separated line (one field for a line without TAB).
std::vector<std::string_view> SplitTabs(std::string_view line);

// Number of fields: the number of TAB characters plus one.
int TabFieldCount(std::string_view line);

// Reads an optionally signed decimal integer: leading blanks skipped, then "-" or "+", then
// digits up to the first other character. No digits give 0. The value saturates at the 32-bit
// range instead of overflowing. `hasDigits` (optional) tells whether any digit was read.
int32_t ReadLeadingInt(std::string_view text, bool* hasDigits = nullptr);

// The same reading, but the value wraps modulo 2^64 like an unbounded number cut to its low
// bits: the caller keeps the low 8, 16 or 32 bits of the exact value.
uint64_t ReadLeadingIntWrapped(std::string_view text);

// Replaces every TAB, CR and LF by a blank: a name or field holding them would split the line
// or the fields of the files it is written to.
std::string WithoutFieldBreaks(std::string_view text);

} // namespace zel
