// MIDI files out: the writer's encoding, the song as tracks, notes, tempos and names read back by
// an independent reader, and files that are written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "test_support.h"

namespace zel {
namespace {

using test::Note;

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

TReadFile ReadBack(const std::string& bytes) {
    TReadFile file;
    size_t pos = 0;
    while (pos + 8 <= bytes.size()) {
        std::string id = bytes.substr(pos, 4);
        size_t length = Be(bytes, pos + 4, 4);
        size_t start = pos + 8, end = start + length;
        EXPECT_LE(end, bytes.size());
        if (id == "MThd") {
            file.Format = int(Be(bytes, start, 2));
            EXPECT_EQ(Be(bytes, start + 2, 2), 0u); // the tracks are counted below
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
    return file;
}

// Patches the header's track count back in after ReadBack checked nothing else.
TReadFile Read(std::string bytes) {
    EXPECT_EQ(bytes.substr(0, 4), "MThd");
    uint32_t tracks = Be(bytes, 10, 2);
    bytes[10] = bytes[11] = 0;
    TReadFile file = ReadBack(bytes);
    EXPECT_EQ(file.Tracks.size(), tracks);
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
              (std::vector<std::string>{"0:FF 51 03 07 A1 20", "0:FF 03 04 4C 65 61 64",
                                        "0:92 3C 5A", "256:82 3C 40", "256:92 3C 64",
                                        "512:82 3C 40", "1024:FF 2F 00"}));
}

void SetNotes(TRiff& riff, std::initializer_list<TNote> notes) {
    riff.Notes.clear();
    EnsureNotes(riff, int(notes.size()) + 1);
    int i = 0;
    for (const TNote& n : notes)
        riff.Notes[size_t(i++)] = n;
}

class MidiSongExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        project.RiffNames.GrowTo(2);
        project.RiffNames.SetCaption(0, "A");
        project.RiffNames.SetCaption(1, "B");
        project.RiffNames.EnsureBlankTab();
        project.InstrumentNames.GrowTo(11);
        for (int i = 0; i < 11; ++i)
            project.InstrumentNames.SetCaption(i, "Inst" + std::to_string(i + 1));
        project.InstrumentNames.SetCaption(0, "Lead");
        project.InstrumentNames.SetCaption(10, "Bass");
        project.InstrumentNames.EnsureBlankTab();
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
    ASSERT_EQ(file.Tracks.size(), 3u);
    // A leads row 1 until its 512 ticks end, then B (column 10) leads; row 2 starts at 768.
    EXPECT_EQ(Lines(file.Tracks[0]),
              (std::vector<std::string>{"0:FF 51 03 07 A1 20", "0:FF 58 04 04 02 18 08",
                                        "512:FF 51 03 0A 2C 2A", "512:FF 58 04 03 02 18 08",
                                        "1536:FF 2F 00"}));
    EXPECT_EQ(Lines(file.Tracks[1]),
              (std::vector<std::string>{"0:FF 03 04 4C 65 61 64", "0:90 40 64", "256:80 40 40",
                                        "384:90 40 64", "512:80 40 40", "768:90 28 64",
                                        "1536:80 28 40", "1536:FF 2F 00"}));
    EXPECT_EQ(Lines(file.Tracks[2]),
              (std::vector<std::string>{"0:FF 03 04 42 61 73 73", "0:91 28 64", "768:81 28 40",
                                        "1536:FF 2F 00"}));
}

TEST_F(MidiSongExportTest, UndefinedRiffAndOutOfRangePitches) {
    project.Structure = {"1\tA\t1\tMissing"};
    TMidiExport midi = TimelineToMidi(project, SongTimeline(project, {}));
    EXPECT_EQ(midi.Error, "\\b\\1\\|Error!\\n\\[Undefined Riff - Missing");
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
    EXPECT_EQ(test::NoteTexts(back.Riffs[0]),
              (std::vector<std::string>{"5:", "6:16,", "7:", "7:16,"}));
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
    EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"song.mid"});
}

} // namespace
} // namespace zel
