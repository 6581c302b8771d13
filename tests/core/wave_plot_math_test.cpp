// The preview plot's arithmetic: zoom steps and their bounds, the row of a sample, the plot's
// width and the columns a repaint covers.
#include <gtest/gtest.h>

#include "sound/wave_plot_math.h"

namespace zel {
namespace {

TEST(WavePlotMath, ZoomStepsStayWithinBounds) {
    struct TCase {
        TPlotScales Before;
        int Tag;
        TPlotScales After;
    };
    const TCase cases[] = {
        {{8, 128}, 0, {8, 256}},         // vertical x 2
        {{8, 128}, 1, {4, 128}},         // horizontal / 2
        {{8, 128}, 2, {8, 64}},          // vertical / 2
        {{8, 128}, 3, {16, 128}},        // horizontal x 2
        {{1, 128}, 1, {1, 128}},         // horizontal already 1
        {{8, 1}, 2, {8, 1}},             // vertical already 1
        {{8, 65536}, 0, {8, 65536}},     // vertical at the top
        {{65536, 128}, 3, {65536, 128}}, // horizontal at the top
        {{8, 32768}, 0, {8, 65536}},     // up to the top
        {{32768, 128}, 3, {65536, 128}}, // up to the top
        {{3, 3}, 1, {1, 3}},             // halving truncates
        {{8, 128}, 4, {8, 128}},         // unknown tag
        {{8, 128}, -1, {8, 128}},
    };
    for (const TCase& c : cases) {
        TPlotScales after = Zoom(c.Before, c.Tag);
        EXPECT_EQ(after, c.After) << c.Before.Horizontal << "/" << c.Before.Vertical << " tag "
                                  << c.Tag;
    }
    // Any number of steps keeps both scales in range.
    TPlotScales scales;
    for (int i = 0; i < 40; ++i)
        scales = Zoom(Zoom(scales, 0), 3);
    EXPECT_EQ(scales, (TPlotScales{65536, 65536}));
    for (int i = 0; i < 40; ++i)
        scales = Zoom(Zoom(scales, 1), 2);
    EXPECT_EQ(scales, (TPlotScales{1, 1}));
}

TEST(WavePlotMath, SampleRows) {
    struct TCase {
        int Sample;
        int Vertical;
        int Height;
        int64_t Y;
    };
    const TCase cases[] = {
        {0, 128, 200, 100},           // the middle
        {32767, 128, 200, 199},       // (32767 + 32768) * 200 / 65536 = 199.99
        {-32768, 128, 200, 0},        // the top
        {1000, 128, 200, 103},        // 33768 * 200 / 65536 = 103.05
        {-1000, 128, 200, 96},        // 31768 * 200 / 65536 = 96.9
        {1000, 256, 200, 106},        // twice the height: 34768 * 200 / 65536 = 106.1
        {-1, 64, 200, 100},           // -1 * 64 / 128 truncates to 0, not -1
        {-255, 1, 100, 49},           // -255 / 128 = -1: 32767 * 100 / 65536 = 49.99
        {32767, 65536, 200, 51298},   // 16809472 * 200 passes 2^31: 64-bit arithmetic
        {-32768, 65536, 200, -51100}, // (-16777216 + 32768) * 200 / 65536 = -51100
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PlotY(c.Sample, c.Vertical, c.Height), c.Y)
            << c.Sample << " * " << c.Vertical << " at height " << c.Height;
}

TEST(WavePlotMath, PlotWidthAndColumns) {
    EXPECT_EQ(PlotWidth(352800, 8), 44100);
    EXPECT_EQ(PlotWidth(352800, 65536), 5);
    EXPECT_EQ(PlotWidth(15, 8), 1);
    EXPECT_EQ(PlotWidth(7, 8), 0);
    EXPECT_EQ(PlotWidth(0, 1), 0);

    struct TCase {
        int64_t Left, Right, Frames;
        int Scale;
        int64_t First, Last;
    };
    const TCase cases[] = {
        {0, 599, 352800, 8, 0, 599},             // the start of a long plot
        {22000, 22599, 352800, 8, 22000, 22599}, // the middle
        {44000, 44599, 352800, 8, 44000, 44099}, // stops at the last frame
        {0, 599, 100, 8, 0, 12},                 // 12 * 8 = 96 < 100, 13 * 8 = 104
        {0, 599, 96, 8, 0, 11},                  // 12 * 8 = 96 reaches the count
        {0, 599, 1, 65536, 0, 0},                // frame 0 exists
        {5, 9, 40, 8, 5, 4},                     // nothing beyond the frames
        {0, 599, 0, 8, 0, -1},                   // no frames
    };
    for (const TCase& c : cases) {
        TPlotColumns columns = PlotColumns(c.Left, c.Right, c.Frames, c.Scale);
        EXPECT_EQ(columns.First, c.First) << c.Left << ".." << c.Right << " of " << c.Frames;
        EXPECT_EQ(columns.Last, c.Last) << c.Left << ".." << c.Right << " of " << c.Frames;
    }
}

} // namespace
} // namespace zel
