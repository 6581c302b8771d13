// The riff settings the properties window edits: string presets and tuning, tempo, time
// signature, key, and the settings text for the clipboard. The window binds to these.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/song.h"

namespace zel {

// Open-string pitches of the presets: B E A D G B E.
inline constexpr std::array<int, 7> StringPresets = {-13, -8, -3, 2, 7, 11, 16};
inline constexpr int TuningSliderMin = -13;
inline constexpr int TuningSliderMax = 16;
inline constexpr int MinStrings = 4;
inline constexpr int MaxStrings = 7;

inline constexpr std::array<const char*, 13> KeyEntries = {
    "G flat", "D flat", "A flat", "E flat", "B flat", "F", "C", "G", "D", "A", "E", "B", "F#"};

// Gives the riff `strings` strings (4..7) tuned from the preset table; other counts do nothing.
bool ApplyStringPreset(TRiff& riff, int strings);
// Moves every string by `semitones`, except strings that would leave the sliders' range.
// Returns whether any string moved.
bool ShiftAllStrings(TRiff& riff, int semitones);
// Gives every riff the tempo; returns how many changed.
int SetTempoOfAllRiffs(TProject& project, uint16_t tempo);

// The denominator field holds an exponent: 1 -> 0, 4 -> 2, 16 -> 4 (and 0 -> 0).
int BarsBExponent(uint16_t barsB);
uint16_t BarsBFromExponent(int exponent);
// Characters the numerator field takes: digits, blanks and control keys.
bool IsNumeratorChar(char c);
int KeyEntryIndex(int key);

// The window's fields, filled from a riff and stored back into it.
struct TRiffProperties {
    std::string Name;
    uint16_t Tempo = 120;
    std::string BarsA = "4";
    int BarsBExp = 2;
    int KeyIndex = 6;
};
TRiffProperties FillRiffProperties(const TProject& project, int index);
// Writes name (an empty name becomes "Riff" + number), tempo, time signature and key. Tuning
// is not part of it: the string controls write it as they change.
void StoreRiffProperties(TProject& project, int index, const TRiffProperties& properties);

// Pastes a riff-settings text (the twelve fields of a riff line); false, with nothing changed,
// when the text does not have exactly twelve fields.
bool PasteRiffSettings(TRiff& riff, std::string_view text);

} // namespace zel
