// MIDI files out: the writer's encoding, the song as tracks, notes, tempos and names read back by
// an independent reader, and files that are written whole or not at all.
#include <gtest/gtest.h>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "sound/sequencer.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

// What a MIDI file holds, read the plain way: tracks of (absolute tick, event bytes).
struct TReadEvent {
    int64_t Tick;
    std::string Bytes;
};
struct TReadFile {
    int Format = -1, Division = -1;
    std::vector<std::vector<TReadEvent>> Tracks;
};

uint32_t Be(const std::string& s, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | uint8_t(s.at(at + size_t(i)));
    return v;
}

// The header's track count must match the track chunks that follow.
TReadFile Read(const std::string& bytes) {
    TReadFile file;
    EXPECT_EQ(bytes.substr(0, 4), "MThd");
    size_t pos = 0;
    while (pos + 8 <= bytes.size()) {
        std::string id = bytes.substr(pos, 4);
        size_t length = Be(bytes, pos + 4, 4);
        size_t start = pos + 8, end = start + length;
        EXPECT_LE(end, bytes.size());
        if (id == "MThd") {
            file.Format = int(Be(bytes, start, 2));
            file.Division = int(Be(bytes, start + 4, 2));
        } else if (id == "MTrk") {
            std::vector<TReadEvent> events;
            int64_t tick = 0;
            for (size_t p = start; p < end;) {
                uint64_t delta = 0;
                uint8_t b;
                do {
                    b = uint8_t(bytes.at(p++));
                    delta = delta << 7 | (b & 0x7F);
                } while (b & 0x80);
                tick += int64_t(delta);
                uint8_t status = uint8_t(bytes.at(p));
                size_t size;
                if (status == 0xFF)
                    size = 3 + uint8_t(bytes.at(p + 2)); // short meta events only
                else
                    size = (status >> 4) == 0xC || (status >> 4) == 0xD ? 2 : 3;
                events.push_back({tick, bytes.substr(p, size)});
                p += size;
            }
            file.Tracks.push_back(events);
        }
        pos = end;
    }
    EXPECT_EQ(file.Tracks.size(), bytes.size() >= 12 ? Be(bytes, 10, 2) : 0u);
    return file;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char two[4];
    for (char c : bytes) {
        std::snprintf(two, sizeof two, "%02X ", uint8_t(c));
        text += two;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

// Track events as "tick:HEX" lines.
std::vector<std::string> Lines(const std::vector<TReadEvent>& events) {
    std::vector<std::string> lines;
    for (const auto& e : events)
        lines.push_back(std::to_string(e.Tick) + ":" + Hex(e.Bytes));
    return lines;
}

TEST(MidiWriterTest, VariableLengthNumbersAndChannels) {
    struct {
        uint64_t Value;
        const char* Bytes;
    } numbers[] = {{0, "00"},         {0x7F, "7F"},         {0x80, "81 00"},
                   {0x3FFF, "FF 7F"}, {0x4000, "81 80 00"}, {0x0FFFFFFF, "FF FF FF 7F"}};
    for (const auto& n : numbers) {
        std::string bytes;
        AppendVarLen(bytes, n.Value);
        EXPECT_EQ(Hex(bytes), n.Bytes) << n.Value;
    }
    int channels[][2] = {{0, 0}, {8, 8}, {9, 10}, {14, 15}, {15, 0}, {24, 10}};
    for (auto [track, channel] : channels)
        EXPECT_EQ(MidiExportChannel(track), channel) << track;
}

TEST(MidiWriterTest, EventsComeInTimeOrderNoteOffsFirst) {
    TMidiTrackWriter track;
    track.Note(256, 256, 2, 60, 100);
    track.Note(0, 256, 2, 60, 90); // the same key again: its end meets the next start
    track.Tempo(0, 500000);
    track.TrackName(0, "Lead");
    TReadFile file = Read(MidiFileBytes(1, 256, std::span(&track, 1), 1024));
    EXPECT_EQ(file.Format, 1);
    EXPECT_EQ(file.Division, 256);
    ASSERT_EQ(file.Tracks.size(), 1u);
    EXPECT_EQ(Lines(file.Tracks[0]),
              (TTexts{"0:FF 51 03 07 A1 20", "0:FF 03 04 4C 65 61 64", "0:92 3C 5A", "256:82 3C 40",
                      "256:92 3C 64", "512:82 3C 40", "1024:FF 2F 00"}));
}

// When a player sounds a tick: the tempo changes of the first track added up.
double Seconds(const TReadFile& file, int64_t tick) {
    double seconds = 0, perTick = 0.5 / file.Division;
    int64_t at = 0;
    for (const TReadEvent& e : file.Tracks[0])
        if (e.Bytes.substr(0, 2) == "\xFF\x51" && e.Tick < tick) {
            seconds += double(e.Tick - at) * perTick;
            at = e.Tick;
            perTick = double(Be(e.Bytes, 3, 3)) / 1e6 / file.Division;
        }
    return seconds + double(tick - at) * perTick;
}

class MidiSongExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        test::NameTables(project, {"A", "B"},
                         {"Lead", "Inst2", "Inst3", "Inst4", "Inst5", "Inst6", "Inst7", "Inst8",
                          "Inst9", "Inst10", "Bass"});
        // A (tempo 120, 4/4): quarter E, eighth rest, eighth chord with the same pitch twice.
        SetNotes(project.Riffs[0], {Note(3, {{5, 0}}), Note(4), Note(4, {{3, 9}, {4, 5}})});
        // B (tempo 90, 3/4): a half tied to a quarter, one note of 768 ticks.
        project.Riffs[1].Tempo = 90;
        project.Riffs[1].BarsA = "3";
        SetNotes(project.Riffs[1], {Note(2, {{0, 0}}, NoteTie), Note(3, {{0, 0}})});
    }
    TProject project;
    TEditorState editor;
};

TEST_F(MidiSongExportTest, SongBecomesATempoTrackAndOneTrackPerColumn) {
    // Row 1: A in column 0, B in column 10; row 2: B alone in column 0.
    project.Structure = {"1\tA\t0\t\t0\t\t0\t\t0\t\t0\t\t0\t\t0\t\t0\t\t0\t\t1\tB", "1\tB"};
    TMidiExport midi = TimelineToMidi(project, SongTimeline(project, {}));
    ASSERT_TRUE(midi.Error.empty());
    EXPECT_EQ(midi.Tracks, 2);
    EXPECT_EQ(midi.Notes, 4); // the chord's doubled pitch is one note
    TReadFile file = Read(midi.Bytes);
    EXPECT_EQ(file.Division, 960);
    ASSERT_EQ(file.Tracks.size(), 3u);
    // A (tempo 120) lasts one second and leads until then, B (column 10, tempo 90, 3/4) lasts
    // two: its tempo from tick 1920 on, and row 2 starts after two seconds, 1440 ticks later.
    EXPECT_EQ(Lines(file.Tracks[0]),
              (TTexts{"0:FF 51 03 07 A1 20", "0:FF 59 02 00 00", "0:FF 58 04 04 02 18 08",
                      "1920:FF 51 03 0A 2C 2A", "1920:FF 58 04 03 02 18 08", "6240:FF 2F 00"}));
    EXPECT_EQ(Lines(file.Tracks[1]),
              (TTexts{"0:FF 03 04 4C 65 61 64", "0:90 40 64", "960:80 40 40", "1440:90 40 64",
                      "1920:80 40 40", "3360:90 28 64", "6240:80 28 40", "6240:FF 2F 00"}));
    EXPECT_EQ(Lines(file.Tracks[2]),
              (TTexts{"0:FF 03 04 42 61 73 73", "0:91 28 64", "3360:81 28 40", "6240:FF 2F 00"}));
}

TEST_F(MidiSongExportTest, MixedTempoRowsSoundWhenTheRendererPlaysThem) {
    SetNotes(project.Riffs[0],
             {Note(3, {{5, 0}}), Note(5, {{5, 2}}), Note(4), Note(6, {{4, 1}}), Note(2, {{4, 3}})});
    SetNotes(project.Riffs[1], {Note(2, {{0, 0}}), Note(5), Note(3, {{0, 3}}), Note(5, {{0, 5}})});
    project.Structure = {"2\tA\t1\tB", "1\tB\t3\tA"};
    const std::vector<int> columnsOfRow[] = {{0, 1, 2}, {1, 0, 3}}; // riff A, B, repeats of A
    for (auto [tempoA, tempoB] : {std::pair{96, 72}, {140, 70}, {120, 90}, {97, 61}, {300, 33}}) {
        project.Riffs[0].Tempo = uint16_t(tempoA);
        project.Riffs[1].Tempo = uint16_t(tempoB);
        // Where the renderer plays each note: row starts from its measuring pass, and a
        // record's place in its riff from the length of the riff from that record on.
        std::vector<int64_t> rowFrames;
        MeasureSong(project, TSongMode::Export, 0,
                    [&](int, int64_t frame) { rowFrames.push_back(frame); });
        ASSERT_EQ(rowFrames.size(), 2u);
        auto tail = [&](int riff, int first) {
            int64_t frames = 0;
            const TRiff& r = project.Riffs[size_t(riff)];
            ForEachRiffEvent(r, first,
                             [&](const TRiffEvent& e) { frames += NoteSamples(r.Tempo, e.Ticks); });
            return frames;
        };
        std::vector<double> expected[2]; // seconds of note-ons and note-offs, by column
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 2; ++column) {
                int riff = columnsOfRow[row][column];
                int repeats = riff == 0 ? columnsOfRow[row][2] : 1;
                const TRiff& r = project.Riffs[size_t(riff)];
                for (int k = 0; k < repeats; ++k)
                    for (int i = 0; r.Notes[size_t(i)].Duration != EndOfNotes; ++i) {
                        if (r.Notes[size_t(i)].Fret == BlankNote.Fret)
                            continue;
                        int64_t start = rowFrames[size_t(row)] + (k + 1) * tail(riff, 0);
                        expected[column].push_back(double(start - tail(riff, i)) / SampleRate);
                        expected[column].push_back(double(start - tail(riff, i + 1)) / SampleRate);
                    }
            }
        TMidiExport midi = SongToMidi(project, {});
        ASSERT_TRUE(midi.Error.empty());
        TReadFile file = Read(midi.Bytes);
        ASSERT_EQ(file.Tracks.size(), 3u);
        for (int column = 0; column < 2; ++column) {
            std::vector<double> seconds;
            for (const TReadEvent& e : file.Tracks[size_t(column) + 1])
                if ((uint8_t(e.Bytes[0]) >> 4) == 0x9 || (uint8_t(e.Bytes[0]) >> 4) == 0x8)
                    seconds.push_back(Seconds(file, e.Tick));
            std::sort(seconds.begin(), seconds.end());
            std::sort(expected[column].begin(), expected[column].end());
            ASSERT_EQ(seconds.size(), expected[column].size()) << tempoA << "/" << tempoB;
            for (size_t i = 0; i < seconds.size(); ++i)
                EXPECT_NEAR(seconds[i], expected[column][i], 0.001)
                    << tempoA << "/" << tempoB << " column " << column << " event " << i;
        }
    }
}

TEST_F(MidiSongExportTest, KeysAndBarCyclesBecomeSignatures) {
    // A: key three flats, bars of 3 and 2 quarters, ten quarters long; then B: key D, 4/8.
    project.Riffs[0].Key = -3;
    project.Riffs[0].BarsA = "3 2";
    SetNotes(project.Riffs[0], std::vector<TNote>(10, Note(3, {{5, 0}})));
    project.Riffs[1] = project.Riffs[0];
    project.Riffs[1].Key = 2;
    project.Riffs[1].BarsA = "4";
    project.Riffs[1].BarsB = 8;
    project.Structure = {"1\tA", "1\tB"};
    TReadFile file = Read(SongToMidi(project, {}).Bytes);
    ASSERT_FALSE(file.Tracks.empty());
    EXPECT_EQ(Lines(file.Tracks[0]),
              (TTexts{"0:FF 51 03 07 A1 20", "0:FF 59 02 FD 00", "0:FF 58 04 03 02 18 08",
                      "2880:FF 58 04 02 02 18 08", "4800:FF 58 04 03 02 18 08",
                      "7680:FF 58 04 02 02 18 08", "9600:FF 59 02 02 00",
                      "9600:FF 58 04 04 03 18 08", "19200:FF 2F 00"}));
}

TEST_F(MidiSongExportTest, RefusedSongsAndOutOfRangePitches) {
    project.Structure = {"1\tA\t1\tMissing"};
    TMidiExport midi = TimelineToMidi(project, SongTimeline(project, {}));
    EXPECT_EQ(midi.Error, "\\b\\1\\|Error!\\n\\[Undefined Riff - Missing");
    EXPECT_TRUE(midi.Bytes.empty());
    // A song too long to render is refused before it is laid out.
    project.Structure = {"1\tA", "2147483647\tB"};
    midi = SongToMidi(project, {});
    EXPECT_EQ(midi.Error, TooLongError);
    EXPECT_TRUE(midi.Bytes.empty());

    project.Riffs[0].Tuning[5] = 100; // fret 0 sounds pitch 100 = MIDI note 148
    midi = TimelineToMidi(project, RiffsTimeline(project, 0, 0, false));
    EXPECT_EQ(midi.Skipped, 1);
    EXPECT_EQ(midi.Notes, 1);
}

TEST_F(MidiSongExportTest, OurImporterReadsTheExportBack) {
    project.Structure = {"1\tA"};
    TMidiExport midi = TimelineToMidi(project, SongTimeline(project, {}));
    TProject back;
    TEditorState backEditor;
    ResetProject(back, backEditor);
    TMidiImportResult result = ImportMidi(midi.Bytes, back, backEditor, {});
    EXPECT_FALSE(result.Invalid);
    EXPECT_FALSE(result.Truncated);
    EXPECT_EQ(result.ChannelsFound, 1);
    // The riff's timing reads the gaps in file ticks: the tempo track's end gives a rest first.
    EXPECT_EQ(test::NoteTexts(back.Riffs[0]), (TTexts{"3:", "4:16,", "5:", "5:16,"}));
}

TEST(MidiFileWriteTest, UnwritablePathLeavesNothingBehind) {
    test::TTempDir dir;
    std::string target = dir.File("no-such-folder/out.mid");
    EXPECT_FALSE(WriteBinaryFile(target, "MThd"));
    EXPECT_TRUE(test::FolderEntries(dir.Path()).empty());
    std::string good = dir.File("song.mid");
    test::WriteBytes(good, "old");
    EXPECT_TRUE(WriteBinaryFile(good, std::string(3 << 20, 'x')));
    EXPECT_EQ(test::ReadBytes(good).size(), size_t(3) << 20);
    EXPECT_EQ(test::FolderEntries(dir.Path()), TTexts{"song.mid"});
}

} // namespace
} // namespace zel
