// Music arithmetic: bars in a riff's time signature, positions as bars and a fraction, and the
// names of pitches.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/song.h"

namespace zel {

inline constexpr std::array<std::string_view, 12> NoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

// Semitones of the diatonic steps C D E F G A B and the next C.
inline constexpr std::array<int, 8> NaturalSemis = {0, 2, 4, 5, 7, 9, 11, 12};
// Key signatures as sets of diatonic steps (bit 0 = C .. bit 6 = B), indexed by the number of
// sharps or flats.
inline constexpr std::array<uint8_t, 7> SharpMasks = {0x00, 0x08, 0x09, 0x19, 0x1B, 0x3B, 0x3F};
inline constexpr std::array<uint8_t, 7> FlatMasks = {0x00, 0x40, 0x44, 0x64, 0x66, 0x76, 0x77};
// Diatonic positions of a key signature's accidentals, in drawing order.
inline constexpr std::array<int, 6> SharpKeySigSteps = {10, 7, 11, 8, 5, 9};
inline constexpr std::array<int, 6> FlatKeySigSteps = {6, 9, 5, 8, 4, 7};
inline constexpr int MaxKeyAccidentals = 6;

// Accidental a note needs on the staff.
enum TAccidental : int { AccidentalNone = 0, AccidentalSharp = 1, AccidentalNatural = 3 };

struct TStaffPlace {
    int Position = 0; // diatonic position: 7 x octave + step, 0 = the C of pitch 0
    int Accidental = AccidentalNone;
    bool operator==(const TStaffPlace&) const = default;
};

// Pitch of a diatonic position in a key (Key clamped to six flats .. six sharps).
int StaffToPitch(int position, int key);
// Where a pitch is written in the riff's key, and the accidental it needs.
TStaffPlace PitchToStaff(const TRiff& riff, int pitch);
// The diatonic positions of the accidentals a key draws (sharps or flats, in order).
std::vector<int> KeySigSteps(int key);

// The pitch-class set (bit c for pitch class c) sounded by a note of the riff.
uint16_t NotePattern(const TRiff& riff, const TNote& note);

// Names chords note by note, remembering the last pattern and root so that a run of the same
// chord is named once and an ambiguous set is read in the light of the previous chord.
class TChordNamer {
public:
    // Forget the last pattern (a new band of notes starts); the root is kept.
    void StartBand() { LastChordMask = 0xFFFF; }
    // The name for this note's pattern: empty for a repeat of the previous pattern, a rest or
    // a single pitch class; "??" for a set no chord matches.
    std::string Name(uint16_t pattern);

    uint16_t LastChordMask = 0xFFFF;
    int LastChordRoot = 0;
};

// Duration index one step longer or shorter, wrapping within 0..7.
uint8_t LengthenDuration(uint8_t index);
uint8_t ShortenDuration(uint8_t index);

// Pitch class 0..11 of any pitch.
int PitchClass(int pitch);
// Note name and octave as the tuning sliders show them: "E 3" for -8, "C 4" for 0.
std::string PitchOctaveText(int pitch);

struct TBarSplit {
    int64_t Bars = 0;
    int Rest = 0; // ticks past the last complete bar
};

// Complete bars in the first `ticks` ticks of the riff, bar lengths cycling through the
// numerator list of BarsA over BarsB. A bar is never shorter than one tick.
TBarSplit BarSplit(const TRiff& riff, int64_t ticks);

// A position as it is drawn: the bar count (when shown), a "+" after it, and a reduced fraction
// of a whole note.
struct TPositionParts {
    bool ShowBars = false;
    int64_t Bars = 0;
    bool Plus = false;
    int Numerator = 0; // 0: no fraction
    int Denominator = 1024;
};
TPositionParts PositionParts(const TRiff& riff, int64_t ticks);
// The same as one line of text: "0", "1", "1+1/4", "3/8".
std::string PositionPlainText(const TRiff& riff, int64_t ticks);

} // namespace zel
