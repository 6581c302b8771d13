// The layout numbers of a riff band, all derived from the pixel height of the canvas font, and
// the geometry of staff steps and string lines.
#pragma once

#include "model/song.h"

namespace zel {

struct TTabMetrics {
    int LineHeight = 13;  // h: spacing of the tab lines, the base unit
    int StaffSpace = 8;   // distance between staff lines
    int ColumnWidth = 26; // distance between note columns
    int StaffTop = 65;    // top staff line below the band's top edge
    int TabTop = 156;     // top tab line below the band's top edge
    int FirstColumn = 104;
    int PenWidth = 1;
    bool operator==(const TTabMetrics&) const = default;
};

// Metrics for a font whose characters are `fontPixels` high (13 for the screen's Arial 10).
TTabMetrics ComputeTabMetrics(int fontPixels);

// y of string slot s's line (slot 0 is the bottom line); s = -1 gives the line below it.
int StringLineY(const TTabMetrics& m, const TRiff& riff, int slot);
// Height of one band: staff, tab lines and room for chord names.
int BandHeight(const TTabMetrics& m, const TRiff& riff);
// Top of the note-head box of staff step p (2 = bottom line, 10 = top line).
int StaffStepTop(const TTabMetrics& m, int step);

} // namespace zel
