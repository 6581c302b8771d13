#include "model/structure.h"

#include "model/text_fields.h"

namespace zel {

std::string_view StructureField(std::string_view row, int index) {
    return TabField(row, index);
}

std::string_view TStructureCells::NextField() {
    size_t tab = m_row.find('\t', m_pos);
    std::string_view field = m_row.substr(m_pos, tab == std::string_view::npos ? tab : tab - m_pos);
    if (tab == std::string_view::npos)
        m_done = true;
    else
        m_pos = tab + 1;
    return field;
}

bool TStructureCells::Next(std::string_view& repeat, std::string_view& riff) {
    if (m_done)
        return false;
    repeat = NextField();
    riff = m_done ? std::string_view{} : NextField();
    ++m_column;
    return true;
}

void SetStructureField(std::string& row, int index, std::string_view value) {
    if (index < 0)
        return;
    int fields = TabFieldCount(row);
    if (fields <= index)
        row.append(size_t(index - fields + 1), '\t');
    size_t start = 0;
    for (int i = 0; i < index; ++i)
        start = row.find('\t', start) + 1;
    size_t end = row.find('\t', start);
    if (end == std::string::npos)
        end = row.size();
    row.replace(start, end - start, WithoutFieldBreaks(value));
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
