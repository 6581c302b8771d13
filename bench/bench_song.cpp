// The benchmark song: five instrument columns over about six minutes, chords of two to four
// strings in mixed lengths, instruments with long releases, filter envelopes, modulation and
// noise. "generate DIR" writes it as DIR/song.zvp and the same notes as DIR/song.mid (key =
// pitch + 60, as the synthesizer sounds pitch 0 at middle C); "render DIR" renders the project
// like "Export WAV..." and prints the milliseconds it took.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "arrange/midi_export.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "model/structure.h"
#include "sound/playbuffer.h"

using namespace zel;

namespace {

constexpr int Columns = 5;
constexpr int BarsPerRiff = 8;
constexpr int Rows = 24;

TInstrument Voice(int column) {
    TInstrument in;
    in.MixLeft = in.MixRight = 12;
    switch (column) {
    case 0: // lead: sine with vibrato
        in.AmpEnv = {800, 300, 700, 40};
        in.ModTarget = ModPitch;
        in.ModFreq = 55;
        in.ModDepth = 30;
        break;
    case 1: // pad: triangle, slow filter, long release
        in.Wave = WaveTriangle;
        in.AmpEnv = {60, 100, 800, 8};
        in.FilterEnv = {200, 50, 400, 20};
        in.Skew = 30;
        break;
    case 2: // bass: square an octave down, filter sweep
        in.Wave = WaveSquare;
        in.Octave = -1;
        in.AmpEnv = {1000, 200, 600, 100};
        in.FilterEnv = {1000, 300, 200, 100};
        in.ModTarget = ModFilter;
        in.ModFreq = 20;
        in.ModDepth = 50;
        break;
    case 3: // percussion: noise, short
        in.Wave = WaveNoise;
        in.AmpEnv = {1000, 900, 0, 1000};
        in.FilterEnv = {1000, 600, 300, 1000};
        break;
    default: // tremolo keys: skewed sine
        in.Skew = 60;
        in.AmpEnv = {500, 200, 600, 30};
        in.ModTarget = ModAmp;
        in.ModFreq = 40;
        in.ModDepth = 40;
        break;
    }
    return in;
}

void Generate(const std::string& dir) {
    TProject project;
    TEditorState editor;
    ResetProject(project, editor);
    std::mt19937 rng(2026);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int c = 0; c < Columns; ++c) {
        project.RiffNames.GrowTo(c + 1);
        project.RiffNames.SetCaption(c, "Part" + std::to_string(c + 1));
        project.InstrumentNames.GrowTo(c + 1);
        project.InstrumentNames.SetCaption(c, "Voice" + std::to_string(c + 1));
        project.Instruments[size_t(c)] = Voice(c);
        TRiff& riff = project.Riffs[size_t(c)];
        std::vector<TNote> notes;
        int ticks = 0;
        while (ticks < BarsPerRiff * 1024) {
            TNote note;
            static constexpr uint8_t Durations[] = {2, 3, 3, 4, 4, 5};
            note.Duration = Durations[pick(0, 5)];
            note.Flags = pick(0, 5) == 0 ? NoteDot : 0;
            // Near the end of the riff the longest plain note that still fits.
            if (NoteTicks(note) + ticks > BarsPerRiff * 1024) {
                note.Flags = 0;
                note.Duration = 2;
                while (NoteTicks(note) + ticks > BarsPerRiff * 1024)
                    ++note.Duration;
            }
            int strings = pick(2, 4);
            int first = pick(0, 6 - strings);
            for (int s = first; s < first + strings; ++s)
                note.Fret[size_t(s)] = uint8_t(pick(0, 7));
            ticks += NoteTicks(note);
            notes.push_back(note);
        }
        EnsureNotes(riff, int(notes.size()) + 1);
        std::copy(notes.begin(), notes.end(), riff.Notes.begin());
    }
    project.RiffNames.EnsureBlankTab();
    project.InstrumentNames.EnsureBlankTab();
    for (int r = 0; r < Rows; ++r) {
        std::string row;
        for (int c = 0; c < Columns; ++c)
            SetStructureField(row, RiffFieldIndex(c), "Part" + std::to_string(c + 1)),
                SetStructureField(row, RepeatFieldIndex(c), "1");
        project.Structure.push_back(row);
    }
    SaveProject(project, dir + "/song.zvp");

    // The same notes as a standard MIDI file: one track, one channel per column (the noise
    // column on the percussion channel), 480 ticks per quarter at 120 beats per minute.
    static constexpr uint8_t Programs[] = {0, 89, 38, 0, 4};
    auto fileTick = [](int64_t at) { return at * 480 / 256; }; // 256 of ours per quarter
    TMidiTrackWriter track;
    track.Tempo(0, 500000);
    auto channelOf = [](int column) { return column == 3 ? 9 : column; };
    for (int c = 0; c < Columns; ++c) {
        const char program[2] = {char(0xC0 | channelOf(c)), char(Programs[c])};
        track.Raw(0, std::string_view(program, 2)); // before every note
    }
    for (int c = 0; c < Columns; ++c) {
        int channel = channelOf(c);
        const TRiff& riff = project.Riffs[size_t(c)];
        for (int r = 0; r < Rows; ++r) {
            int64_t at = int64_t(r) * BarsPerRiff * 1024;
            for (int j = 0; j < NoteCount(riff); ++j) {
                const TNote& note = riff.Notes[size_t(j)];
                int length = NoteTicks(note);
                for (int s = 0; s < StringSlots; ++s)
                    if (auto pitch = SlotPitch(riff, note, s))
                        track.Note(fileTick(at), fileTick(at + length) - fileTick(at), channel,
                                   std::clamp(*pitch + 60, 0, 127), 90);
                at += length;
            }
        }
    }
    std::ofstream mid(dir + "/song.mid", std::ios::binary);
    mid << MidiFileBytes(0, 480, std::span(&track, 1));
}

int Render(const std::string& dir) {
    TProject project;
    TEditorState editor;
    ResetProject(project, editor);
    if (!LoadProject(project, dir + "/song.zvp"))
        return 1;
    // As export-wav does it: the WAV file is written while the song renders.
    auto start = std::chrono::steady_clock::now();
    TRenderer renderer;
    std::unique_ptr<TWavFollower> wav;
    TSongRender song =
        RenderSong(renderer, project, TSongMode::All, 1, nullptr, [&](const TSharedBuffer& b) {
            wav = std::make_unique<TWavFollower>(TDataFile::OpenForWriting(dir + "/song.wav"), b);
        });
    auto rendered = std::chrono::steady_clock::now();
    if (!wav || !wav->Finish())
        return 1;
    auto since = [](auto from) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
            .count();
    };
    std::printf("%.0f ms for %.1f s of music (peak %d; render %.0f ms, rest of the WAV file "
                "%.0f ms)\n",
                since(start), double(song.Total) / 2 / SampleRate, renderer.State.PeakLevel,
                since(start) - since(rendered), since(rendered));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "generate") {
        Generate(argv[2]);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "render")
        return Render(argv[2]);
    std::fprintf(stderr, "usage: bench_song generate|render DIR\n");
    return 2;
}
