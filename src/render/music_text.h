// Positions (bars and a stacked fraction) and chord names drawn on a canvas.
#pragma once

#include <cstdint>

#include "canvas.h"
#include "edit/music.h"
#include "model/song.h"

namespace zel {

// Draws the position `ticks` of the riff as complete bars, "+" and a stacked fraction of a
// whole note, top-left at (x, y); returns the x after it.
int PositionText(TCanvas& canvas, int x, int y, const TRiff& riff, int64_t ticks);

// Chord naming as drawn under the tab: the namer's memory plus the stagger that puts a name
// one line lower when the name before it was too wide for its column.
struct TChordDrawState {
    TChordNamer Namer;
    bool ChordStagger = false;
};

// Draws the chord name of a pitch-class set at (x, y); `columnWidth` decides the stagger.
void ChordName(TCanvas& canvas, TChordDrawState& state, uint16_t pattern, int x, int y,
               int columnWidth);

} // namespace zel
