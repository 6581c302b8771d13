// Music arithmetic: bars in a riff's time signature, positions as bars and a fraction, and the
// names of pitches.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/song.h"

namespace zel {

inline constexpr std::array<std::string_view, 12> NoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

// Pitch class 0..11 of any pitch.
int PitchClass(int pitch);
// Note name and octave as the tuning sliders show them: "E 3" for -8, "C 4" for 0.
std::string PitchOctaveText(int pitch);

struct TBarSplit {
    int Bars = 0;
    int Rest = 0; // ticks past the last complete bar
};

// Complete bars in the first `ticks` ticks of the riff, bar lengths cycling through the
// numerator list of BarsA over BarsB. A bar is never shorter than one tick.
TBarSplit BarSplit(const TRiff& riff, int ticks);

// A position as it is drawn: the bar count (when shown), a "+" after it, and a reduced fraction
// of a whole note.
struct TPositionParts {
    bool ShowBars = false;
    int Bars = 0;
    bool Plus = false;
    int Numerator = 0; // 0: no fraction
    int Denominator = 1024;
};
TPositionParts PositionParts(const TRiff& riff, int ticks);
// The same as one line of text: "0", "1", "1+1/4", "3/8".
std::string PositionPlainText(const TRiff& riff, int ticks);

} // namespace zel
