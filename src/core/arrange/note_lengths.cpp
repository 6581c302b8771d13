#include "arrange/note_lengths.h"

#include <algorithm>
#include <cstdlib>

#include "model/song.h"

namespace zel {

namespace {

constexpr int Shortest = 16;               // a sixty-fourth
constexpr int Longest = 2048 + 1024 + 512; // a double-dotted double whole note

// The durations of the table, dots included, shortest first.
const std::vector<TNoteLength>& LengthTable() {
    static const std::vector<TNoteLength> table = [] {
        std::vector<TNoteLength> t;
        for (uint8_t d = 0; d <= 7; ++d) {
            int ticks = DurationTicks(d);
            t.push_back({ticks, d, 0});
            t.push_back({ticks + ticks / 2, d, NoteDot});
            t.push_back({ticks + ticks / 2 + ticks / 4, d, NoteDotDot});
        }
        std::stable_sort(t.begin(), t.end(), [](const TNoteLength& a, const TNoteLength& b) {
            return a.Ticks < b.Ticks;
        });
        return t;
    }();
    return table;
}

} // namespace

void SplitLength(int64_t length, bool note, std::vector<TNoteLength>& pieces, int64_t maxPieces) {
    const std::vector<TNoteLength>& table = LengthTable();
    auto emit = [&](const TNoteLength& l, bool tied) {
        pieces.push_back({l.Ticks, l.Duration, uint8_t(l.Flags | (tied ? NoteTie : 0))});
    };
    bool first = true;
    for (int64_t n = 0; n < maxPieces && (length >= TogetherTicks || (note && first)); ++n) {
        first = false;
        if (length > Longest) {
            emit(table[table.size() - 3], note); // a double whole note
            length -= 2048;
            continue;
        }
        // The nearest; between two as near, the plainer (no dots before dots).
        const TNoteLength* best = &table.front();
        for (const TNoteLength& l : table) {
            int64_t miss = std::llabs(l.Ticks - length),
                    bestMiss = std::llabs(best->Ticks - length);
            if (miss < bestMiss || (miss == bestMiss && l.Flags < best->Flags))
                best = &l;
        }
        if (std::llabs(best->Ticks - length) < TogetherTicks || length < Shortest) {
            emit(*best, false);
            return;
        }
        const TNoteLength* fit = &table.front();
        for (const TNoteLength& l : table)
            if (l.Ticks <= length)
                fit = &l;
        length -= fit->Ticks;
        emit(*fit, note && length >= TogetherTicks);
    }
}

} // namespace zel
