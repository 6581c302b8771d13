#include "sound/wave_plot_math.h"

#include <algorithm>

namespace zel {

TPlotScales Zoom(TPlotScales scales, int tag) {
    switch (tag) {
    case 0:
        if (scales.Vertical <= PlotScaleMax / 2)
            scales.Vertical *= 2;
        break;
    case 1:
        if (scales.Horizontal > PlotScaleMin)
            scales.Horizontal /= 2;
        break;
    case 2:
        if (scales.Vertical > PlotScaleMin)
            scales.Vertical /= 2;
        break;
    case 3:
        if (scales.Horizontal <= PlotScaleMax / 2)
            scales.Horizontal *= 2;
        break;
    default:
        break;
    }
    return scales;
}

int64_t PlotY(int sample, int verticalScale, int height) {
    return (int64_t(sample) * verticalScale / 128 + 32768) * height / 65536;
}

int64_t PlotWidth(int64_t frames, int horizontalScale) {
    return horizontalScale > 0 ? frames / horizontalScale : 0;
}

TPlotColumns PlotColumns(int64_t left, int64_t right, int64_t frames, int horizontalScale) {
    TPlotColumns columns;
    if (horizontalScale <= 0 || frames <= 0)
        return columns;
    // The last column whose frame exists: the highest x with x * scale < frames.
    const int64_t lastWithFrame = (frames - 1) / horizontalScale;
    columns.First = std::max<int64_t>(left, 0);
    columns.Last = std::min(right, lastWithFrame);
    return columns;
}

} // namespace zel
