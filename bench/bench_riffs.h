// The benchmarks' riff: `count` notes of mixed lengths, dots, chords and rests, the same for a
// given count in every run, so timings compare; and the exchange benchmarks' song built from it.
#pragma once

#include <random>
#include <string>

#include "model/song.h"
#include "model/structure.h"

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

// Four columns of riffs of `notes` / 8 records, each played twice: `notes` records in all.
inline void MakeSong(TProject& project, int notes) {
    TEditorState editor;
    ResetProject(project, editor);
    std::string row;
    for (int c = 0; c < 4; ++c) {
        const std::string riff(1, char('0' + c));
        project.RiffNames.GrowTo(c + 1);
        project.RiffNames.SetCaption(c, "R" + riff);
        project.InstrumentNames.GrowTo(c + 1);
        project.InstrumentNames.SetCaption(c, "Voice" + riff);
        project.Riffs[size_t(c)] = MakeRiff(notes / 8);
        project.Riffs[size_t(c)].Tempo = uint16_t(100 + 10 * c);
        SetStructureField(row, RiffFieldIndex(c), "R" + riff);
        SetStructureField(row, RepeatFieldIndex(c), "2");
    }
    project.RiffNames.EnsureBlankTab();
    project.InstrumentNames.EnsureBlankTab();
    project.Structure = {row};
}

// Ninety rows of four riffs side by side (19 records at 100 to 130 bpm), the slowest about 6.8
// seconds long: ten minutes and a quarter.
inline void MakeTenMinuteSong(TProject& project) {
    MakeSong(project, 8 * 19);
    std::string row = project.Structure.front();
    for (int c = 0; c < 4; ++c)
        SetStructureField(row, RepeatFieldIndex(c), "1");
    project.Structure.assign(90, row);
}

} // namespace zel::bench
