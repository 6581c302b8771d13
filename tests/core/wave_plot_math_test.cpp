// The preview plot's arithmetic at its edges: zoom bounds, samples at full scale, and the last
// column that has a frame.
#include <gtest/gtest.h>

#include "sound/wave_plot_math.h"

namespace zel {
namespace {

TEST(WavePlotMath, ZoomStepsReachTheirBoundsAndStay) {
    TPlotScales scales;
    for (int i = 0; i < 40; ++i)
        scales = Zoom(Zoom(scales, 0), 3);
    EXPECT_EQ(scales, (TPlotScales{65536, 65536}));
    for (int i = 0; i < 40; ++i)
        scales = Zoom(Zoom(scales, 1), 2);
    EXPECT_EQ(scales, (TPlotScales{1, 1}));
    EXPECT_EQ(Zoom({8, 128}, 4), (TPlotScales{8, 128}));
}

TEST(WavePlotMath, FullScaleSamplesStayInsideThePlot) {
    EXPECT_EQ(PlotY(-32768, 128, 200), 0);
    EXPECT_EQ(PlotY(32767, 128, 200), 199);
    EXPECT_EQ(PlotY(0, 65536, 200), 100);
    EXPECT_EQ(PlotY(32767, 65536, 200), 51298); // past 2^31 on the way
}

TEST(WavePlotMath, ColumnsEndAtTheLastFrame) {
    EXPECT_EQ(PlotColumns(0, 599, 100, 8).Last, 12); // 12 * 8 = 96 < 100
    EXPECT_EQ(PlotColumns(0, 599, 96, 8).Last, 11);
    EXPECT_EQ(PlotColumns(0, 599, 1, 65536).Last, 0);
    EXPECT_LT(PlotColumns(0, 599, 0, 8).Last, 0);
    EXPECT_EQ(PlotWidth(15, 8), 1);
}

} // namespace
} // namespace zel
