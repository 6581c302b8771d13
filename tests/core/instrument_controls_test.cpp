// The instrument editor's control values: knob texts in tenths, which button stands for which
// field value, and the cut of control values to the record's field widths.
#include <gtest/gtest.h>

#include <algorithm>

#include "sound/instrument_controls.h"

namespace zel {
namespace {

TEST(InstrumentControls, TenthsTextShowsOneDecimal) {
    const std::pair<int, const char*> cases[] = {
        {0, "0.0"},    {1, "0.1"},    {9, "0.9"},      {10, "1.0"},  {55, "5.5"},
        {500, "50.0"}, {999, "99.9"}, {1000, "100.0"}, {-5, "-0.5"}, {-123, "-12.3"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(TenthsText(value), text) << value;
}

TEST(InstrumentControls, ButtonsOfFieldValues) {
    // wave -> button: Sine, Triangle, Square, Noise; anything beyond shows as Noise
    const std::pair<uint8_t, int> waves[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {255, 3}};
    for (const auto& [wave, button] : waves)
        EXPECT_EQ(WaveButton(wave), button) << int(wave);
    // target -> button: Pitch, Filter, Amplitude, None
    const std::pair<uint8_t, int> targets[] = {{1, 0}, {2, 1}, {3, 2}, {0, 3}, {4, 3}, {200, 3}};
    for (const auto& [target, button] : targets)
        EXPECT_EQ(ModTargetButton(target), button) << int(target);
}

TEST(InstrumentControls, FirstButtonDownDecides) {
    struct TCase {
        std::array<bool, 4> Down;
        uint8_t Wave;
        uint8_t ModTarget;
    };
    const TCase cases[] = {
        {{true, false, false, false}, WaveSine, ModPitch},
        {{false, true, false, false}, WaveTriangle, ModFilter},
        {{false, false, true, false}, WaveSquare, ModAmp},
        {{false, false, false, true}, WaveNoise, ModNone},
        {{false, false, false, false}, WaveNoise, ModNone}, // none down
        {{false, true, true, true}, WaveTriangle, ModFilter},
        {{true, false, false, true}, WaveSine, ModPitch},
    };
    for (const TCase& c : cases) {
        TInstrumentControls controls;
        controls.WaveDown = c.Down;
        controls.ModDown = c.Down;
        TInstrument instrument = InstrumentFromControls(controls);
        EXPECT_EQ(instrument.Wave, c.Wave);
        EXPECT_EQ(instrument.ModTarget, c.ModTarget);
    }
}

TEST(InstrumentControls, NumbersAreCutToFieldWidths) {
    TInstrumentControls controls;
    controls.Skew = 300;         // 8 bits: 44
    controls.Octave = -8;        // 16 bits signed
    controls.ModFreq = 70000;    // 16 bits: 4464
    controls.ModDepth = 256 + 7; // 8 bits: 7
    controls.AmpEnv = {1000, 0, 123456789, -1};
    controls.FilterEnv = {1, 2, 3, 4};
    controls.MixLeft = -1; // 8 bits: 255
    controls.MixRight = 100;
    TInstrument instrument = InstrumentFromControls(controls);
    EXPECT_EQ(instrument.Skew, 44);
    EXPECT_EQ(instrument.Octave, -8);
    EXPECT_EQ(instrument.ModFreq, 4464);
    EXPECT_EQ(instrument.ModDepth, 7);
    EXPECT_EQ(instrument.AmpEnv, (TEnvelope{1000, 0, 123456789, -1}));
    EXPECT_EQ(instrument.FilterEnv, (TEnvelope{1, 2, 3, 4}));
    EXPECT_EQ(instrument.MixLeft, 255);
    EXPECT_EQ(instrument.MixRight, 100);
}

TEST(InstrumentControls, RecordsWithinTheRangesSurviveTheControls) {
    TInstrument low;
    low.Wave = WaveSine;
    low.Skew = 0;
    low.Octave = OctaveMin;
    low.ModFreq = ModFreqMin;
    low.ModDepth = 0;
    low.ModTarget = ModPitch;
    low.AmpEnv = {0, 0, 0, 0};
    low.FilterEnv = {0, 0, 0, 0};
    low.MixLeft = 0;
    low.MixRight = 0;
    TInstrument high;
    high.Wave = WaveNoise;
    high.Skew = SkewMax;
    high.Octave = OctaveMax;
    high.ModFreq = ModFreqMax;
    high.ModDepth = ModDepthMax;
    high.ModTarget = ModNone;
    high.AmpEnv = {EnvelopeMax, EnvelopeMax, EnvelopeMax, EnvelopeMax};
    high.FilterEnv = {1, 10, 100, 999};
    high.MixLeft = MixMax;
    high.MixRight = 37;
    TInstrument mixed = high;
    mixed.Wave = WaveSquare;
    mixed.ModTarget = ModAmp;
    for (const TInstrument& instrument : {low, high, mixed, TInstrument{}}) {
        TInstrumentControls controls = ControlsFromInstrument(instrument);
        EXPECT_EQ(std::count(controls.WaveDown.begin(), controls.WaveDown.end(), true), 1);
        EXPECT_EQ(std::count(controls.ModDown.begin(), controls.ModDown.end(), true), 1);
        EXPECT_EQ(InstrumentFromControls(controls), instrument);
    }
}

} // namespace
} // namespace zel
