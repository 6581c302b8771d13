// The MIDI import that follows the file's timing: files made by abc2midi land every onset on the
// tick the tune gives, any resolution gives the same riff, lengths become the nearest durations
// with dots, ties and rests, and a riff exported and imported again comes back the same.
#include <gtest/gtest.h>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

// Each record as "start:duration[.|..][~]:pitches", pitches from the highest string down.
std::vector<std::string> Records(const TRiff& riff) {
    std::vector<std::string> texts = test::NoteTexts(riff);
    std::vector<std::string> out;
    for (size_t i = 0; i < texts.size(); ++i) {
        const TNote& n = riff.Notes[i];
        std::string marks = (n.Flags & NoteDot) ? "." : (n.Flags & NoteDotDot) ? ".." : "";
        if (n.Flags & NoteTie)
            marks += "~";
        size_t colon = texts[i].find(':');
        out.push_back(std::to_string(RiffTicks(riff, int(i))) + ":" + texts[i].substr(0, colon) +
                      marks + texts[i].substr(colon));
    }
    return out;
}

class FileTimingTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProject(project, editor); }
    TFileTimingResult Import(const std::string& bytes, uint16_t mask = 0xFFFF) {
        return ImportMidiFileTiming(bytes, mask, project, editor);
    }
    std::string Data(const char* name) {
        return test::ReadBytes(std::string(ZELVANE_TEST_DATA) + "/" + name);
    }
    TRiff& Riff() { return CurrentRiffOf(project, editor); }
    TProject project;
    TEditorState editor;
};

// rhythm.abc: "A2 B>c d2 | z2 f3/2 e/ d2 | [DFA]4 z A | d6 |" in 3/4 at a quarter = 90, eighth
// notes of 128 ticks. abc2midi starts each note a tick late and spreads the chord's notes.
TEST_F(FileTimingTest, EveryOnsetOfAnAbc2midiTuneLandsOnItsTick) {
    TFileTimingResult result = Import(Data("rhythm.mid"));
    EXPECT_FALSE(result.Invalid);
    EXPECT_FALSE(result.Truncated);
    EXPECT_EQ(Records(Riff()),
              (TTexts{"0:3:21,", "256:4.:23,", "448:5:25,", "512:3:26,", "768:3:", "1024:4.:30,",
                      "1216:5:28,", "1280:3:26,", "1536:2:21,18,14,", "2048:4:", "2176:4:21,",
                      "2304:2.:26,"}));
    EXPECT_EQ(Riff().Tempo, 90);
    EXPECT_EQ(Riff().BarsA, "3");
    EXPECT_EQ(Riff().BarsB, 4);
    EXPECT_EQ(Riff().Cursor, 12);
}

TEST_F(FileTimingTest, TracksAndChannelsMergeInTimeOrder) {
    Import(Data("scale.mid"));
    EXPECT_EQ(Records(Riff()), (TTexts{"0:3:12,", "256:3:14,", "512:3:16,", "768:3:17,",
                                       "1024:2:19,16,12,", "1536:2:"}))
        << "the half rest before the end of the track is kept";
    EXPECT_EQ(Riff().Tempo, 120);
    ResetProject(project, editor);
    Import(Data("two_voices.mid"), 0b101);
    EXPECT_EQ(Records(Riff()), (TTexts{"0:1:23,7,", "1024:1:26,2,"}));
    EXPECT_EQ(Riff().Tempo, 100);
    ResetProject(project, editor);
    Import(Data("two_voices.mid"), 0b100);
    EXPECT_EQ(Records(Riff()), (TTexts{"0:1:7,", "1024:1:2,"}));
}

// One quarter, one eighth, a quarter rest, a dotted quarter, at any resolution.
std::string Phrase(int division) {
    TMidiTrackWriter track;
    int q = division;
    track.Note(0, q, 0, 64, 90);
    track.Note(q, q / 2, 0, 65, 90);
    track.Note(q * 5 / 2, q * 3 / 2, 0, 67, 90);
    return MidiFileBytes(0, division, std::span(&track, 1));
}

TEST_F(FileTimingTest, AnyResolutionGivesTheSameRiff) {
    for (int division : {24, 96, 120, 256, 384, 480, 960, 1024, 15360}) {
        ResetProject(project, editor);
        Import(Phrase(division));
        EXPECT_EQ(Records(Riff()), (TTexts{"0:3:16,", "256:4:17,", "384:3:", "640:3.:19,"}))
            << division << " ticks per quarter";
    }
}

TEST_F(FileTimingTest, LengthsBecomeTheNearestDurationsTiedWhereNeeded) {
    TMidiTrackWriter track;
    track.Note(0, 1280, 0, 60, 90);        // five quarters: a whole tied to a quarter
    track.Note(1280, 120, 0, 62, 90);      // ends early: an eighth and an eighth rest
    track.Note(1536, 5 * 1024, 0, 64, 90); // twenty quarters
    track.Note(6656, 200, 0, 65, 90);      // the last note: to its note-off (nearest 192)
    TMidiTrackWriter drums;
    drums.Note(0, 100, 9, 36, 90);
    TMidiTrackWriter tracks[] = {track, drums};
    Import(MidiFileBytes(1, 256, tracks), FileTimingChannels(0b1000000001));
    EXPECT_EQ(Records(Riff()), (TTexts{"0:1~:12,", "1024:3:12,", "1280:4:14,",
                                       "1408:4:", "1536:0~:16,", "3584:0.:16,", "6656:4.:17,"}));
    EXPECT_EQ(FileTimingChannels(0xFFFF), 0xFDFF);
}

TEST_F(FileTimingTest, ImportReplacesRecordsFromTheCursor) {
    EnsureNotes(Riff(), 9);
    for (int i = 0; i < 8; ++i)
        Riff().Notes[size_t(i)] = Note(2, {{0, uint8_t(i)}});
    Riff().Cursor = 1;
    Import(Phrase(480));
    std::vector<std::string> records = Records(Riff());
    ASSERT_EQ(records.size(), 5u) << "no older record stays after the imported ones";
    EXPECT_EQ(records[0], "0:2:-8,");
    EXPECT_EQ(records[1], "512:3:16,") << "frets that were there are gone";
    EXPECT_EQ(Riff().Capacity(), 7) << "the older records after the import are gone";
    EXPECT_EQ(Riff().Cursor, 5);
    EXPECT_TRUE(project.IsChanged());
}

TEST_F(FileTimingTest, AFileLongerThanARiffTakesStopsAtTheLimit) {
    TFileTimingResult result =
        ImportMidiFileTiming(Phrase(480), 0xFFFF, project, editor, {.Records = 3});
    EXPECT_TRUE(result.TooLong);
    EXPECT_EQ(Records(Riff()), (TTexts{"0:3:16,", "256:4:17,", "384:3:"}));
    TMidiTrackWriter track;
    track.Note(0, 256, 0, 60, 90);
    track.Note(int64_t(1) << 40, 256, 0, 62, 90); // after a rest of four billion whole notes
    ResetProject(project, editor);
    result = ImportMidiFileTiming(MidiFileBytes(0, 256, std::span(&track, 1)), 0xFFFF, project,
                                  editor, {.Ticks = 1 << 16});
    EXPECT_TRUE(result.TooLong);
    EXPECT_EQ(RiffTicks(Riff(), -1), 256 + 32 * 2048); // the piece that reaches the limit stays
    EXPECT_EQ(result.Notes, 1 + 32);
}

TEST_F(FileTimingTest, InvalidFilesChangeNothing) {
    std::string zeroDivision = Phrase(480);
    zeroDivision[12] = zeroDivision[13] = 0;
    for (const std::string& bytes : {std::string(), std::string("MThd\0\0", 6), zeroDivision}) {
        test::TCapturedMessages messages;
        ResetProject(project, editor);
        project.SetChanged(false);
        TFileTimingResult result = Import(bytes);
        EXPECT_TRUE(result.Invalid);
        ASSERT_EQ(messages->size(), 1u);
        EXPECT_EQ((*messages)[0].Text, "\\1\\bInvalid MIDI File");
        EXPECT_EQ(NoteCount(Riff()), 0);
        EXPECT_FALSE(project.IsChanged());
    }
}

// Quarter notes at 87, 116 and 87 quarters a minute, four in each section; the first tempo
// event (120) is replaced at tick 0 before the first note.
std::string TempoSectionsFile() {
    TMidiTrackWriter track;
    track.Tempo(0, 500000);
    track.Tempo(0, 60000000 / 87);
    track.Tempo(4 * 480, 60000000 / 116);
    track.Tempo(8 * 480, 60000000 / 87);
    track.Tempo(9 * 480, 60000000 / 87); // the same tempo again: no new section
    for (int i = 0; i < 12; ++i)
        track.Note(i * 480, 480, 0, 60 + i, 90);
    return MidiFileBytes(0, 480, std::span(&track, 1));
}

TEST_F(FileTimingTest, TempoSectionsBecomeRiffsOrAreScaledToTheRiffsTempo) {
    TFileTimingResult result = ImportMidiFileTiming(TempoSectionsFile(), 0xFFFF, project, editor,
                                                    {}, TTempoSections::Split);
    EXPECT_EQ(result.Sections, (std::vector<int>{87, 116, 87}));
    EXPECT_EQ(result.Riffs, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(project.Structure, (TTexts{"1\tRiff1 1", "1\tRiff1 2", "1\tRiff1 3"}));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Riff1 1", "Riff1 2", "Riff1 3", ""}));
    const int tempos[] = {87, 116, 87};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(project.Riffs[size_t(r)].Tempo, tempos[r]);
        TTexts quarters; // pitches 12.. rising by one from section to section
        for (int i = 0; i < 4; ++i)
            quarters.push_back(std::to_string(256 * i) + ":3:" + std::to_string(12 + 4 * r + i) +
                               ",");
        EXPECT_EQ(Records(project.Riffs[size_t(r)]), quarters) << r;
    }
    EXPECT_EQ(editor.CurrentRiff, 0);

    // Into one riff: the 116 section's quarters last 87/116 of a quarter at the riff's 87.
    ResetProject(project, editor);
    result = Import(TempoSectionsFile());
    EXPECT_EQ(result.Tempo, 87);
    EXPECT_EQ(Riff().Tempo, 87);
    std::vector<std::string> records = Records(Riff());
    ASSERT_EQ(records.size(), 12u);
    EXPECT_EQ(records[3], "768:3:15,");
    EXPECT_EQ(records[4], "1024:4.:16,") << "192 ticks: a dotted eighth";
    EXPECT_EQ(records[8], "1792:3:20,") << "the third section starts at 1024 + 4 x 192";
    EXPECT_TRUE(project.Structure.empty());
}

TEST_F(FileTimingTest, NoteOffsOfOneKeyEndItsNotesFirstInFirstOut) {
    TMidiTrackWriter track;
    for (int i = 0; i < 3; ++i)
        track.NoteOn(i * 256, 0, 60, 90);
    for (int i = 0; i < 3; ++i)
        track.NoteOff(1024 + i * 512, 0, 60);
    Import(MidiFileBytes(0, 256, std::span(&track, 1)));
    // The last onset's note ends with the last note-off: a dotted half.
    EXPECT_EQ(Records(Riff()), (TTexts{"0:3:12,", "256:3:12,", "512:1.:12,"}));
}

TEST_F(FileTimingTest, OnlyTheEarliestNotesOfAllTracksAreCollected) {
    TMidiTrackWriter tracks[2];
    for (int i = 0; i < 40; ++i)
        tracks[i % 2].Note(i * 128, 128, 0, 50 + i, 90);
    TFileTimingResult result = ImportMidiFileTiming(MidiFileBytes(1, 256, tracks), 0xFFFF, project,
                                                    editor, {.Records = 4});
    EXPECT_TRUE(result.TooLong);
    EXPECT_EQ(Records(Riff()), (TTexts{"0:4:2,", "128:4:3,", "256:4:4,", "384:4:5,"}));
}

TEST_F(FileTimingTest, ExportedRiffsComeBackTheSame) {
    struct TCase {
        const char* What;
        struct {
            uint16_t Tempo;
            const char* BarsA;
            uint16_t BarsB;
        } Head;
        std::initializer_list<TNote> Notes;
    } cases[] = {
        {"every duration, plain and dotted",
         {120, "4", 4},
         {Note(0, {{0, 0}}), Note(1, {{1, 2}}), Note(2, {{2, 3}}, NoteDot), Note(3, {{3, 4}}),
          Note(4, {{4, 1}}, NoteDotDot), Note(5, {{5, 5}}), Note(6, {{5, 7}}), Note(7, {{5, 8}})}},
        {"rests first, between and last, chords",
         {75, "6", 8},
         {Note(3), Note(4, {{0, 3}, {1, 2}, {2, 0}}), Note(4), Note(2, {{0, 0}, {1, 2}, {2, 2}}),
          Note(3, {}, NoteDot)}},
        {"a seven-beat bar at a fast tempo",
         {240, "7", 8},
         {Note(5, {{5, 0}}), Note(5, {{5, 2}}), Note(4, {{5, 3}}), Note(3, {{4, 0}}, NoteDot)}}};
    for (const TCase& c : cases) {
        TProject source;
        TEditorState sourceEditor;
        ResetProject(source, sourceEditor);
        TRiff& riff = source.Riffs[0];
        SetNotes(riff, c.Notes);
        riff.Tempo = c.Head.Tempo;
        riff.BarsA = c.Head.BarsA;
        riff.BarsB = c.Head.BarsB;
        TMidiExport midi = TimelineToMidi(source, RiffsTimeline(source, 0, 0, false));
        ResetProject(project, editor);
        Import(midi.Bytes);
        EXPECT_EQ(Records(Riff()), Records(riff)) << c.What;
        EXPECT_EQ(Riff().Tempo, c.Head.Tempo) << c.What;
        EXPECT_EQ(Riff().BarsA, c.Head.BarsA) << c.What;
        EXPECT_EQ(Riff().BarsB, c.Head.BarsB) << c.What;
    }
}

} // namespace
} // namespace zel
