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

} // namespace zel
