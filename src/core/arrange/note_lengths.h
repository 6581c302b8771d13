// Note lengths in ticks written as durations of the table: the nearest duration (dots included)
// when one comes within a sixty-fourth, otherwise the longest ones that fit, tied. Imports that
// place notes by their onset (MIDI files with their own timing, Guitar Pro files) share it.
#pragma once

#include <cstdint>
#include <vector>

namespace zel {

struct TNoteLength {
    int Ticks;
    uint8_t Duration;
    uint8_t Flags; // NoteDot or NoteDotDot; SplitLength adds NoteTie to every piece but the last
};

// Onsets less than a sixty-fourth apart sound together; shorter gaps are no rests.
inline constexpr int64_t TogetherTicks = 16;

// The records that cover `length` ticks. A note gets at least the shortest duration and its
// pieces are tied; a rest shorter than a sixty-fourth gets no record. At most `maxPieces` are
// added, so a caller with limits never builds more than it can take.
void SplitLength(int64_t length, bool note, std::vector<TNoteLength>& pieces,
                 int64_t maxPieces = INT64_MAX);

} // namespace zel
