// Text tab: a riff written the way guitarists paste tablature as plain text. One line per string
// from the highest, named by its tuning ("e|", "B|", ...), frets spaced by their duration, "|" at
// the bar lines, wrapped into systems at a width, with chord names above when there are any.
#pragma once

#include <string>
#include <vector>

#include "model/song.h"

namespace zel {

inline constexpr int DefaultTextTabWidth = 80;
inline constexpr int MinTextTabWidth = 20;
inline constexpr int MaxTextTabWidth = 1000;
// One character of line for every sixty-fourth of a whole note: a quarter takes four.
inline constexpr int TicksPerTextColumn = 64;

// The records `first`..`last` of the riff (clamped to its notes; -1 as `last` means to the end)
// as text tab, lines ending in a line feed, systems parted by an empty line. Bar lines count
// from the start of the riff. A tie chain shows the frets it sounds once, then holds.
std::string TextTab(const TRiff& riff, int first = 0, int last = -1,
                    int width = DefaultTextTabWidth);

// The name of each string as text tab writes it, highest first; the top string's name is in
// lower case when a lower string has the same name ("e" over "E").
std::vector<std::string> TextTabStringNames(const TRiff& riff);

} // namespace zel
