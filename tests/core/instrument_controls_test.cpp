// The instrument editor's control values: knob texts in tenths, and records going through the
// controls and back.
#include <gtest/gtest.h>

#include <algorithm>

#include "sound/instrument_controls.h"

namespace zel {
namespace {

TEST(InstrumentControls, TenthsTextShowsOneDecimal) {
    const std::pair<int, const char*> cases[] = {{0, "0.0"},      {9, "0.9"},   {55, "5.5"},
                                                 {1000, "100.0"}, {-5, "-0.5"}, {-123, "-12.3"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(TenthsText(value), text) << value;
}

TEST(InstrumentControls, RecordsSurviveTheControlsAndNoneDownReadsAsTheLastButton) {
    TInstrument high;
    high.Wave = WaveNoise;
    high.Skew = SkewMax;
    high.Octave = OctaveMin;
    high.ModFreq = ModFreqMax;
    high.ModDepth = ModDepthMax;
    high.ModTarget = ModNone;
    high.AmpEnv = {EnvelopeMax, 0, 1, EnvelopeMax};
    high.FilterEnv = {1, 10, 100, 999};
    high.MixLeft = MixMax;
    high.MixRight = 37;
    TInstrument mixed = high;
    mixed.Wave = WaveSquare;
    mixed.ModTarget = ModAmp;
    for (const TInstrument& instrument : {high, mixed, TInstrument{}}) {
        TInstrumentControls controls = ControlsFromInstrument(instrument);
        EXPECT_EQ(std::count(controls.WaveDown.begin(), controls.WaveDown.end(), true), 1);
        EXPECT_EQ(std::count(controls.ModDown.begin(), controls.ModDown.end(), true), 1);
        EXPECT_EQ(InstrumentFromControls(controls), instrument);
    }
    TInstrumentControls none;
    EXPECT_EQ(InstrumentFromControls(none).Wave, WaveNoise);
    EXPECT_EQ(InstrumentFromControls(none).ModTarget, ModNone);
    // A record from a file with a wave beyond the known ones shows as Noise.
    high.Wave = 200;
    EXPECT_TRUE(ControlsFromInstrument(high).WaveDown[3]);
}

} // namespace
} // namespace zel
