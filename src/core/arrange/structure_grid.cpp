#include "arrange/structure_grid.h"

#include <algorithm>

#include "model/structure.h"

namespace zel {

TStructCell StructCell(const TStructure& structure, int row, int col) {
    if (row < 1 || col < 1 || row > int(structure.size()))
        return {};
    std::string_view entry = structure[size_t(row - 1)];
    return {StructureField(entry, RepeatFieldIndex(col - 1)),
            StructureField(entry, RiffFieldIndex(col - 1))};
}

TStructList DoubleClickList(const TStructure& structure, const TStructHover& hover) {
    if (!hover.HoverOnRiff && !StructCell(structure, hover.HoverRow, hover.HoverCol).Repeat.empty())
        return TStructList::Repeat;
    return TStructList::Riff;
}

int StructWheelTop(int top, int rowCount, int visibleRows, int notches) {
    int step = std::max(visibleRows / 6, 1);
    int lowest = std::max(rowCount - visibleRows, 1);
    long long wanted = (long long)top + (long long)step * notches;
    return int(std::clamp<long long>(wanted, 1, lowest));
}

int RowAtFrame(std::span<const TRowStart> starts, int64_t frame) {
    auto after =
        std::upper_bound(starts.begin(), starts.end(), frame,
                         [](int64_t f, const TRowStart& start) { return f < start.Frame; });
    return after == starts.begin() ? 0 : std::prev(after)->GridRow;
}

} // namespace zel
