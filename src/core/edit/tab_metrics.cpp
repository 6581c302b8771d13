#include "edit/tab_metrics.h"

#include <algorithm>

namespace zel {

TTabMetrics ComputeTabMetrics(int fontPixels) {
    int h = std::max(1, fontPixels);
    TTabMetrics m;
    m.LineHeight = h;
    m.StaffSpace = 2 * h / 3;
    m.ColumnWidth = 2 * h;
    m.StaffTop = 5 * h;
    m.TabTop = 12 * h;
    m.FirstColumn = 8 * h;
    m.PenWidth = std::max(1, h / 24);
    return m;
}

int StringLineY(const TTabMetrics& m, const TRiff& riff, int slot) {
    return m.TabTop + (StringCount(riff) - slot - 1) * m.LineHeight;
}

int BandHeight(const TTabMetrics& m, const TRiff& riff) {
    return m.TabTop + (StringCount(riff) + 3) * m.LineHeight;
}

int StaffStepTop(const TTabMetrics& m, int step) {
    return m.StaffTop + ((10 - step) * m.StaffSpace) / 2 - m.StaffSpace / 2;
}

} // namespace zel
