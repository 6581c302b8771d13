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

} // namespace zel
