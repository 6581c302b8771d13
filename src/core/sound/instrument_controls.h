// The instrument editor's controls as plain values: their ranges, the knob text of the sliders
// that show tenths, and the moves between an instrument record and the controls (which button
// of a group stands for which field value, and how control values are cut to the field widths).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/instrument.h"

namespace zel {

inline constexpr int SkewMax = 100;
inline constexpr int OctaveMin = -8;
inline constexpr int OctaveMax = 8;
inline constexpr int ModFreqMin = 1;
inline constexpr int ModFreqMax = 500;
inline constexpr int ModDepthMax = 100;
inline constexpr int EnvelopeMax = 1000;
inline constexpr int MixMax = 100;

// The colour of the instrument editor's debug lines (0x00BBGGRR: teal).
inline constexpr uint32_t InstrumentDebugColour = 0x808000;

// A value in tenths as the knob shows it: v / 10, a full stop, v mod 10 ("0.1", "50.0").
// Negative values keep one minus sign in front ("-0.5").
std::string TenthsText(int value);

// What the controls hold. The buttons of each group in their order on screen: wave Sine,
// Triangle, Square, Noise; modulation Pitch, Filter, Amplitude, None.
struct TInstrumentControls {
    std::array<bool, 4> WaveDown{};
    std::array<bool, 4> ModDown{};
    int Skew = 0;
    int Octave = 0;
    int ModFreq = ModFreqMin;
    int ModDepth = 0;
    std::array<int, 4> AmpEnv{}; // attack, decay, sustain, release
    std::array<int, 4> FilterEnv{};
    int MixLeft = 0;
    int MixRight = 0;

    bool operator==(const TInstrumentControls&) const = default;
};

// The button of each group that shows a field value: a wave beyond Square shows as Noise, a
// modulation target that is not Pitch, Filter or Amplitude as None.
int WaveButton(uint8_t wave);
int ModTargetButton(uint8_t target);

// Controls to record: the first button down of each group decides (none down reads as Noise
// and as no modulation); every number is cut to its field's width.
TInstrument InstrumentFromControls(const TInstrumentControls& controls);
// Record to controls: one button down in each group, the numbers as stored (the controls
// themselves keep them within their ranges).
TInstrumentControls ControlsFromInstrument(const TInstrument& instrument);

} // namespace zel
