#include "model/structure_ops.h"

#include <utility>

#include "model/structure.h"
#include "model/text_fields.h"

namespace zel {

std::string RowLetters(int n) {
    if (n <= 0)
        return {};
    if (n <= 26)
        return std::string(1, char('A' + n - 1));
    // Beyond ZZ the first character runs on in character-code order, as row labels always
    // have; it stays a single byte.
    int first = 64 + (n - 1) / 26;
    return std::string(1, char(first > 255 ? 255 : first)) + char('A' + (n - 1) % 26);
}

void ExtendStructure(TStructure& structure, int entries) {
    if (entries > int(structure.size()))
        structure.resize(size_t(entries));
}

void SetCellRepeat(TStructure& structure, int row, int col, int repeat) {
    if (row < 1 || col < 1)
        return;
    ExtendStructure(structure, row);
    SetStructureField(structure[size_t(row - 1)], RepeatFieldIndex(col - 1),
                      std::to_string(repeat));
}

void SetCellRiff(TStructure& structure, int row, int col, std::string_view riffName) {
    if (row < 1 || col < 1)
        return;
    ExtendStructure(structure, row);
    std::string& entry = structure[size_t(row - 1)];
    SetStructureField(entry, RiffFieldIndex(col - 1), riffName);
    if (StructureField(entry, RepeatFieldIndex(col - 1)).empty())
        SetStructureField(entry, RepeatFieldIndex(col - 1), "1");
}

void InsertStructureRow(TStructure& structure, int row) {
    int at = std::max(row - 1, 0);
    if (at >= int(structure.size()))
        structure.emplace_back();
    else
        structure.insert(structure.begin() + at, std::string());
}

void DeleteStructureRow(TStructure& structure, int row) {
    if (row >= 1 && row - 1 < int(structure.size()))
        structure.erase(structure.begin() + (row - 1));
}

void MoveStructureRow(TStructure& structure, int from, int to) {
    if (from < 1 || to < 1 || from == to)
        return;
    int step = from > to ? -1 : 1;
    ExtendStructure(structure, from + 1);
    ExtendStructure(structure, to + 1);
    for (int i = from; i != to; i += step)
        std::swap(structure[size_t(i - 1)], structure[size_t(i - 1 + step)]);
}

std::string CopyStructureCells(TStructure& structure, const TGridRect& rect, bool cut) {
    std::string text;
    if (rect.Left < 1 || rect.Top < 1 || rect.Right < rect.Left)
        return text;
    int firstField = RepeatFieldIndex(rect.Left - 1);
    int lastField = RiffFieldIndex(rect.Right - 1);
    for (int r = rect.Top - 1; r < int(structure.size());) {
        for (int f = firstField; f <= lastField; ++f) {
            text += StructureField(structure[size_t(r)], f);
            if (cut && !StructureField(structure[size_t(r)], f).empty())
                SetStructureField(structure[size_t(r)], f, "");
            if (f != lastField)
                text += '\t';
        }
        ++r;
        if (r > rect.Bottom - 1)
            break;
        text += "\r\n";
    }
    return text;
}

void PasteStructureCells(TStructure& structure, int col, int row, std::string_view text) {
    if (col < 1 || row < 1)
        return;
    // The row being written is held as a list of fields and joined once when the paste moves
    // on, so a long clipboard text costs time in proportion to its length.
    std::vector<std::string> fields;
    int heldEntry = -1;
    auto release = [&] {
        if (heldEntry < 0)
            return;
        std::string joined;
        for (size_t f = 0; f < fields.size(); ++f)
            joined += (f ? "\t" : "") + fields[f];
        structure[size_t(heldEntry)] = std::move(joined);
        heldEntry = -1;
    };
    auto write = [&](int entry, int field, std::string_view value) {
        if (heldEntry != entry) {
            release();
            fields.clear();
            for (auto part : SplitTabs(structure[size_t(entry)]))
                fields.emplace_back(part);
            heldEntry = entry;
        }
        if (size_t(field) >= fields.size())
            fields.resize(size_t(field) + 1);
        fields[size_t(field)] = value;
    };

    size_t pos = 0;
    int field = RepeatFieldIndex(col - 1);
    int entry = row - 1;
    for (;;) {
        ExtendStructure(structure, entry + 1);
        if (pos >= text.size())
            break;
        // The line feed of a CR LF pair belongs to the CR before it.
        if (pos > 0 && pos < text.size() && text[pos] == '\n' && text[pos - 1] == '\r')
            ++pos;
        size_t start = pos;
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) >= 32)
            ++pos;
        write(entry, field, text.substr(start, pos - start));
        if (pos < text.size()) {
            // CR ends a row; so does a line feed on its own, as text from other programs on
            // this system ends its lines.
            if (text[pos] == '\r' || text[pos] == '\n') {
                field = RepeatFieldIndex(col - 1);
                ++entry;
            } else {
                ++field;
            }
        }
        ++pos;
    }
    release();
}

void SwapStructureColumns(TStructure& structure, int a, int b) {
    if (a == b || a < 0 || b < 0)
        return;
    for (auto& row : structure) {
        for (int part = 0; part < 2; ++part) {
            std::string fa(StructureField(row, 2 * a + part));
            std::string fb(StructureField(row, 2 * b + part));
            SetStructureField(row, 2 * a + part, fb);
            SetStructureField(row, 2 * b + part, fa);
        }
    }
}

void ClearStructureColumn(TStructure& structure, int k) {
    if (k < 0)
        return;
    for (auto& row : structure)
        for (int f = RepeatFieldIndex(k); f <= RiffFieldIndex(k); ++f)
            if (f < TabFieldCount(row))
                SetStructureField(row, f, "");
}

} // namespace zel
