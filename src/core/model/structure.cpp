#include "model/structure.h"

#include "model/text_fields.h"

namespace zel {

namespace {

constexpr std::string_view FieldEnds = "\t\r";

// Where the field that starts at `start` ends: at the next TAB or CR, or at the row's end.
size_t FieldEnd(std::string_view row, size_t start) {
    size_t end = row.find_first_of(FieldEnds, start);
    return end == std::string_view::npos ? row.size() : end;
}

// Where field `index` starts; npos when the row has fewer fields.
size_t FieldStart(std::string_view row, int index) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        size_t end = FieldEnd(row, start);
        if (end == row.size())
            return std::string_view::npos;
        start = end + 1;
    }
    return start;
}

// A field's text: without LF, copied into `buffer` only when it holds one.
std::string_view FieldText(std::string_view raw, std::string& buffer) {
    if (raw.find('\n') == std::string_view::npos)
        return raw;
    buffer.clear();
    for (char c : raw)
        if (c != '\n')
            buffer += c;
    return buffer;
}

} // namespace

std::string StructureField(std::string_view row, int index) {
    size_t start = index < 0 ? std::string_view::npos : FieldStart(row, index);
    if (start == std::string_view::npos)
        return {};
    std::string buffer;
    return std::string(FieldText(row.substr(start, FieldEnd(row, start) - start), buffer));
}

std::string_view TStructureCells::NextField(std::string& buffer) {
    size_t end = FieldEnd(m_row, m_pos);
    std::string_view field = m_row.substr(m_pos, end - m_pos);
    if (end == m_row.size())
        m_done = true;
    else
        m_pos = end + 1;
    return FieldText(field, buffer);
}

bool TStructureCells::Next(std::string_view& repeat, std::string_view& riff) {
    if (m_done)
        return false;
    repeat = NextField(m_repeat);
    riff = m_done ? std::string_view{} : NextField(m_riff);
    ++m_column;
    return true;
}

void SetStructureField(std::string& row, int index, std::string_view value) {
    if (index < 0)
        return;
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        size_t end = FieldEnd(row, start);
        if (end == row.size())
            row += '\t';
        start = end + 1;
    }
    row.replace(start, FieldEnd(row, start) - start, WithoutFieldBreaks(value));
}

namespace {

// Calls `visit` with the start and length of every riff name field of `row` (fields 1, 3, 5...).
template <typename Visit> void ForEachRiffField(std::string_view row, Visit&& visit) {
    size_t start = 0;
    for (int field = 0;; ++field) {
        size_t end = row.find('\t', start);
        size_t stop = end == std::string_view::npos ? row.size() : end;
        if (field % 2 == 1)
            visit(start, stop - start);
        if (end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

} // namespace

int CountRiffCells(const std::vector<std::string>& structure, std::string_view name) {
    int count = 0;
    for (const std::string& row : structure)
        ForEachRiffField(row, [&](size_t start, size_t length) {
            count += std::string_view(row).substr(start, length) == name;
        });
    return count;
}

int RenameRiffCells(std::vector<std::string>& structure, std::string_view from,
                    std::string_view to) {
    int count = 0;
    if (from.empty())
        return 0; // empty fields are empty cells, not a riff's name
    for (std::string& row : structure) {
        std::vector<size_t> starts;
        ForEachRiffField(row, [&](size_t start, size_t length) {
            if (std::string_view(row).substr(start, length) == from)
                starts.push_back(start);
        });
        // From the right, so the earlier positions stay valid.
        for (auto it = starts.rbegin(); it != starts.rend(); ++it)
            row.replace(*it, from.size(), to);
        count += int(starts.size());
    }
    return count;
}

} // namespace zel
