// The arithmetic of the preview plot: where a sample lies, how wide the plot is, which columns
// a repaint covers and how the zoom steps move the two scales.
#pragma once

#include <cstdint>

namespace zel {

inline constexpr int PlotScaleMin = 1;
inline constexpr int PlotScaleMax = 65536;
inline constexpr int PlotStartHorizontalScale = 8; // frames per pixel
inline constexpr int PlotStartVerticalScale = 128; // 128: one sample unit per unit
inline constexpr int PlotGridStep = 16;

struct TPlotScales {
    int Horizontal = PlotStartHorizontalScale;
    int Vertical = PlotStartVerticalScale;

    bool operator==(const TPlotScales&) const = default;
};

// The zoom buttons by their tags: 0 vertical x 2, 1 horizontal / 2, 2 vertical / 2,
// 3 horizontal x 2; each scale stays within PlotScaleMin..PlotScaleMax (a step beyond a bound
// does nothing), and an unknown tag changes nothing.
TPlotScales Zoom(TPlotScales scales, int tag);

// The row of a sample: ((s * vertical) / 128 + 32768) * height / 65536, divisions truncating
// toward zero, so larger samples lie lower.
int64_t PlotY(int sample, int verticalScale, int height);

// Pixels of the whole plot: frames / horizontal scale.
int64_t PlotWidth(int64_t frames, int horizontalScale);

// The columns of a repaint from `left` to `right` (inclusive) that have a frame to show:
// x * horizontal scale below the frame count. Empty when Last < First.
struct TPlotColumns {
    int64_t First = 0;
    int64_t Last = -1;
};
TPlotColumns PlotColumns(int64_t left, int64_t right, int64_t frames, int horizontalScale);

} // namespace zel
