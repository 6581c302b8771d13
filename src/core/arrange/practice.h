// Practising with playback: the playback speed (the song rendered at scaled tempos, so every
// note keeps its pitch and its sound) and the usual steps of the speed control.
#pragma once

#include "model/song.h"

namespace zel {

inline constexpr int MinSpeedPercent = 25;
inline constexpr int MaxSpeedPercent = 200;

// A tempo times `percent` / 100, to the nearest whole beat per minute (at least 1).
uint16_t ScaledTempo(uint16_t tempo, int percent);
// Every riff's tempo scaled so. False, and nothing changed, for a speed outside 25..200 %.
bool ScaleTempos(TProject& project, int percent);

// The next of the usual speeds (50, 60, 70, 80, 90, 100, 125, 150, and the ends 25 and 200)
// above (`direction` > 0) or below `percent`, which may be any value typed; the end itself at
// an end.
int NextSpeedStep(int percent, int direction);

} // namespace zel
