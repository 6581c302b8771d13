// Exchange with other programs at size: "export-midi" of a song of 400,000 notes (the song laid
// out, written as a MIDI file and saved), and the import that follows the file's timing of a
// MIDI file of 2,500,000 notes (single notes, chords and rests from several tracks). Baselines:
// the song's notes merely counted through the timeline walk of one riff, and the file's bytes
// merely copied. Prints medians, the ratios, and the times the exchange must stay under.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "arrange/timeline.h"
#include "bench_riffs.h"
#include "bench_timing.h"
#include "sound/sequencer.h"

using namespace zel;
using namespace zel::bench;

namespace {

constexpr int SongNotes = 400000;
constexpr int FileNotes = 2500000;
constexpr int Rounds = 3;

// Three tracks on three channels; a chord of three on every fifth onset, gaps of every length,
// some notes released early for a rest.
std::string MakeFile() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> percent(0, 99);
    static const int64_t gaps[] = {120, 240, 360, 480, 960, 1440, 60};
    std::vector<TMidiTrackWriter> tracks(4);
    tracks[0].Tempo(0, 500000);
    tracks[0].TimeSignature(0, 4, 2);
    int notes = 0;
    for (int t = 1; t <= 3; ++t) {
        int64_t tick = 0;
        while (notes < FileNotes * t / 3) {
            int64_t gap = gaps[size_t(percent(random) % 7)];
            int64_t length = percent(random) < 20 ? gap / 2 : gap;
            int count = percent(random) < 20 ? 3 : 1;
            for (int k = 0; k < count && notes < FileNotes; ++k, ++notes)
                tracks[size_t(t)].Note(tick, length, t - 1, 40 + percent(random) % 40, 90);
            tick += gap;
        }
    }
    return MidiFileBytes(1, 480, tracks);
}

} // namespace

int main() {
    TProject project;
    bench::MakeSong(project, SongNotes);
    // Fast enough to stay within the length export-midi accepts (what export-wav renders).
    for (int c = 0; c < 4; ++c)
        project.Riffs[size_t(c)].Tempo = uint16_t(900 + 10 * c);
    std::string target = (std::filesystem::temp_directory_path() / "bench_exchange.mid").string();

    std::vector<double> exportMs, walkMs, measureMs, layoutMs, encodeMs, saveMs;
    size_t bytes = 0;
    int64_t written = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        int64_t events = 0;
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 2; ++k)
                ForEachRiffEvent(project.Riffs[size_t(c)], 0,
                                 [&](const TRiffEvent& e) { events += e.Ticks > 0; });
        walkMs.push_back(Ms(Clock::now() - start));
        start = Clock::now();
        // As export-midi does it: the song measured first, then laid out and encoded.
        if (!MeasureSong(project, TSongMode::Export, 0).Error.empty())
            return 1;
        auto measured = Clock::now();
        TTimeline timeline = SongTimeline(project, {});
        auto laidOut = Clock::now();
        TMidiExport midi = TimelineToMidi(project, timeline);
        auto encoded = Clock::now();
        if (!midi.Error.empty() || !WriteBinaryFile(target, midi.Bytes))
            return 1;
        auto saved = Clock::now();
        exportMs.push_back(Ms(saved - start));
        measureMs.push_back(Ms(measured - start));
        layoutMs.push_back(Ms(laidOut - measured));
        encodeMs.push_back(Ms(encoded - laidOut));
        saveMs.push_back(Ms(saved - encoded));
        bytes = midi.Bytes.size();
        written = midi.Notes;
        if (events == 0)
            return 1;
    }
    std::filesystem::remove(target);
    std::printf("export-midi, song of %d records (%lld MIDI notes, %zu bytes):\n", SongNotes,
                static_cast<long long>(written), bytes);
    std::printf("  riff walk alone        %8.1f ms\n", Median(walkMs));
    std::printf(
        "  measured, laid out and written %8.1f ms   (%.1f x the walk; must stay under 1000 ms)\n",
        Median(exportMs), Median(exportMs) / std::max(Median(walkMs), 0.001));
    std::printf(
        "    of which measured %.1f ms, laid out %.1f ms, MIDI bytes %.1f ms, saved %.1f ms\n",
        Median(measureMs), Median(layoutMs), Median(encodeMs), Median(saveMs));

    std::string file = MakeFile();
    std::vector<double> importMs, copyMs;
    int records = 0;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        std::string copy = file;
        copyMs.push_back(Ms(Clock::now() - start));
        if (copy.size() != file.size())
            return 1;
        TProject into;
        TEditorState editor;
        ResetProject(into, editor);
        start = Clock::now();
        TFileTimingResult result = ImportMidiFileTiming(file, 0x7, into, editor);
        importMs.push_back(Ms(Clock::now() - start));
        records = result.Notes;
    }
    std::printf("import-midi --timing file, %d notes (%zu bytes, %d records written):\n", FileNotes,
                file.size(), records);
    std::printf("  bytes copied           %8.1f ms\n", Median(copyMs));
    std::printf("  imported               %8.1f ms   (%.0f x the copy; must stay under 5000 ms)\n",
                Median(importMs), Median(importMs) / std::max(Median(copyMs), 0.001));
    return 0;
}
