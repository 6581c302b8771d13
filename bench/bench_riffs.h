// The benchmarks' riff: `count` notes of mixed lengths, dots, chords and rests, the same for a
// given count in every run, so timings compare.
#pragma once

#include <random>

#include "model/song.h"

namespace zel::bench {

inline TRiff MakeRiff(int count) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> percent(0, 99);
    TRiff riff;
    for (int i = 0; i < count; ++i) {
        TNote note;
        note.Duration = uint8_t(percent(random) < 50 ? 4 : 2 + percent(random) % 5);
        note.Flags = percent(random) < 10 ? NoteDot : 0;
        int strings = 1 + percent(random) % 4;
        if (percent(random) >= 10)
            for (int s = 0; s < strings; ++s)
                note.Fret[size_t(percent(random) % 6)] = uint8_t(percent(random) % 13);
        riff.Notes.push_back(note);
    }
    riff.Notes.push_back(TNote{});
    riff.BarsA = "4 4 4 3";
    riff.Key = 2;
    return riff;
}

} // namespace zel::bench
