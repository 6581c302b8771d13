// The song model: note arrays, lengths, editing operations, pitches and the changed state.
#include <gtest/gtest.h>

#include "model/song.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

// A riff holding `count` quarter rests, the note array sized as the editor would.
void FillRests(TRiff& riff, int count) {
    EnsureNotes(riff, count + 1);
    for (int i = 0; i < count; ++i)
        riff.Notes[size_t(i)] = Note(QuarterDuration, {{0, i}});
}

class SongTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProject(project, editor); }
    TRiff& Current() { return CurrentRiffOf(project, editor); }
    TProject project;
    TEditorState editor;
};

TEST(EnsureNotes, GrowsToMultiplesOfEightMinusOneWithBlankRecords) {
    TRiff riff;
    EnsureNotes(riff, 1);
    EXPECT_EQ(riff.Capacity(), 7);
    riff.Notes[0] = Note(3, {{0, 5}});
    EnsureNotes(riff, 8);
    EXPECT_EQ(riff.Capacity(), 15);
    EXPECT_EQ(riff.Notes[0], Note(3, {{0, 5}})) << "existing records are kept";
    for (int i = 1; i < 15; ++i)
        EXPECT_EQ(riff.Notes[size_t(i)], BlankNote);
    EnsureNotes(riff, 9);
    EXPECT_EQ(riff.Capacity(), 15) << "no growth when there is room";
    EnsureNotes(riff, 16);
    EXPECT_EQ(riff.Capacity(), 23);
}

TEST(NoteTicks, DurationsDotsAndDoubleDots) {
    struct Case {
        uint8_t duration, flags;
        int ticks;
    };
    for (Case c :
         {Case{3, NoteDot, 384}, Case{3, NoteDotDot, 448}, Case{3, NoteDot | NoteDotDot, 384},
          Case{11, 0, 1}, Case{12, 0, 0}, Case{EndOfNotes, NoteDot, 0}})
        EXPECT_EQ(NoteTicks(Note(c.duration, {}, c.flags)), c.ticks)
            << "duration " << int(c.duration) << " flags " << int(c.flags);
}

TEST(NoteCount, StopsAtTheEndRecordAndAtTheCapacity) {
    TRiff riff;
    EXPECT_EQ(NoteCount(riff), 0);
    EXPECT_EQ(RiffTicks(riff, -1), 0);
    FillRests(riff, 3);
    EXPECT_EQ(NoteCount(riff), 3);
    EXPECT_EQ(RiffTicks(riff, -1), 768);
    EXPECT_EQ(RiffTicks(riff, 2), 512);
    EXPECT_EQ(RiffTicks(riff, 100), 768) << "upTo past the end stops at the end record";
    for (auto& note : riff.Notes)
        note = Note(4);
    EXPECT_EQ(NoteCount(riff), riff.Capacity()) << "a full array without end record";
}

TEST_F(SongTest, ResetGivesDefaultRiffsOneInstrumentAndEmptyStructure) {
    project.Riffs[5].Tempo = 60;
    project.Riffs[5].Key = -3;
    FillRests(project.Riffs[5], 4);
    project.Structure.push_back("1\tRiff1");
    project.RiffNames.SetCaption(0, "Changed");
    project.Instruments[3].Wave = WaveNoise;
    editor.CurrentRiff = 7;
    ResetProject(project, editor);
    for (const auto& riff : project.Riffs) {
        EXPECT_EQ(riff.Key, 0);
        EXPECT_EQ(riff.Tempo, 120);
        EXPECT_EQ(riff.Tuning, DefaultTuning);
        EXPECT_EQ(riff.BarsA, "4");
        EXPECT_EQ(riff.BarsB, 4);
        EXPECT_EQ(riff.Capacity(), 0);
    }
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Riff1", ""}));
    EXPECT_EQ(project.InstrumentNames.All(), (TTexts{"Inst1", ""}));
    EXPECT_TRUE(project.Structure.empty());
    EXPECT_EQ(project.Instruments[3], TInstrument{});
    EXPECT_EQ(editor.CurrentRiff, 0);
}

TEST_F(SongTest, ChangedStateNotifiesOnlyOnChangeAndResetLeavesIt) {
    std::vector<bool> heard;
    project.SetChangedListener([&](bool changed) { heard.push_back(changed); });
    project.SetChanged(true);
    project.SetChanged(true);
    ResetProject(project, editor);
    EXPECT_TRUE(project.IsChanged()) << "reset leaves the changed state to its caller";
    project.SetChanged(false);
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));
}

TEST_F(SongTest, InsertNotePutsARestOfTheCurrentDurationAtTheCursor) {
    FillRests(Current(), 7); // capacity 15 after EnsureNotes(8)
    Current().Cursor = 2;
    editor.CurrentDuration = 5;
    InsertNote(project, editor);
    EXPECT_EQ(NoteCount(Current()), 8);
    EXPECT_EQ(Current().Notes[2], Note(5));
    EXPECT_EQ(Current().Notes[3], Note(3, {{0, 2}}));
    EXPECT_EQ(Current().Notes[7], Note(3, {{0, 6}}));
    EXPECT_EQ(Current().Notes[8], BlankNote) << "still a blank record after the last note";
    EXPECT_EQ(Current().Cursor, 2);
    EXPECT_TRUE(project.IsChanged());
}

TEST_F(SongTest, InsertNoteIntoAFullArrayGrowsIt) {
    TRiff& riff = Current();
    EnsureNotes(riff, 7);
    for (int i = 0; i < 6; ++i)
        riff.Notes[size_t(i)] = Note(4, {{1, i}});
    riff.Cursor = 6; // on the end record
    InsertNote(project, editor);
    EXPECT_EQ(NoteCount(riff), 7);
    EXPECT_GT(riff.Capacity(), 7);
    EXPECT_EQ(riff.Notes[7], BlankNote);
}

TEST_F(SongTest, DeleteSelectionClosesTheGapAndClampsTheCursor) {
    FillRests(Current(), 10);
    Current().Cursor = 4;
    Current().Anchor = 2;
    DeleteSelection(project, editor);
    EXPECT_EQ(NoteCount(Current()), 7);
    for (int i = 2; i <= 6; ++i)
        EXPECT_EQ(Current().Notes[size_t(i)].Fret[0], i + 3) << "old note " << i + 3;
    for (int i = 7; i < Current().Capacity(); ++i)
        EXPECT_EQ(Current().Notes[size_t(i)], BlankNote);
    EXPECT_EQ(test::CursorAndAnchor(Current()), (std::pair{4, 4}));

    SelectAll(Current());
    Current().Cursor = 6;
    Current().Anchor = 9; // past the end after earlier deletions
    DeleteSelection(project, editor);
    EXPECT_EQ(NoteCount(Current()), 6);
    EXPECT_EQ(Current().Cursor, 6) << "cursor clamped to the note count";
    EXPECT_EQ(Current().Anchor, 6);
}

TEST_F(SongTest, SelectAllOnAnEmptyRiffAndDeletingThatSelectionIsSafe) {
    SelectAll(Current());
    EXPECT_EQ(test::CursorAndAnchor(Current()), (std::pair{0, -1}));
    DeleteSelection(project, editor);
    EXPECT_EQ(test::CursorAndAnchor(Current()), (std::pair{0, 0}));

    FillRests(Current(), 3);
    SelectAll(Current());
    EXPECT_EQ(Current().Anchor, 2);
    DeleteSelection(project, editor);
    EXPECT_EQ(NoteCount(Current()), 0);
}

TEST_F(SongTest, PlacePitchAddTestAndRemove) {
    EXPECT_TRUE(PlacePitch(project, editor, 0, 16, TPlaceMode::Add));
    EXPECT_EQ(Current().Notes[0].Fret[5], 0) << "top E string, open";
    TNote before = Current().Notes[0];
    EXPECT_TRUE(PlacePitch(project, editor, 0, 16, TPlaceMode::Add)) << "already sounding";
    EXPECT_EQ(Current().Notes[0], before);
    EXPECT_FALSE(PlacePitch(project, editor, 0, -9, TPlaceMode::Add)) << "below every string";
    EXPECT_TRUE(PlacePitch(project, editor, 0, 16, TPlaceMode::Test));
    EXPECT_FALSE(PlacePitch(project, editor, 0, 17, TPlaceMode::Test));

    EXPECT_TRUE(PlacePitch(project, editor, 0, 12, TPlaceMode::Add));
    EXPECT_EQ(Current().Notes[0].Fret[4], 1) << "highest empty string that reaches C";
    EXPECT_TRUE(PlacePitch(project, editor, 0, 16, TPlaceMode::Remove));
    EXPECT_FALSE(PlacePitch(project, editor, 0, 16, TPlaceMode::Test));
    EXPECT_FALSE(PlacePitch(project, editor, 0, 16, TPlaceMode::Remove));
}

TEST_F(SongTest, PlacePitchRemovesEveryStringSoundingThePitch) {
    EnsureNotes(Current(), 1);
    Current().Notes[0] = Note(3, {{4, 5}, {5, 0}}); // B string fret 5 and open E: both pitch 16
    EXPECT_TRUE(PlacePitch(project, editor, 0, 16, TPlaceMode::Remove));
    EXPECT_EQ(Current().Notes[0], Note(3));
}

TEST_F(SongTest, PlacePitchNeverStoresAFretThatWouldReadAsNothing) {
    Current().Tuning = {-8, NoString, NoString, NoString, NoString, NoString, NoString, NoString};
    EXPECT_TRUE(PlacePitch(project, editor, 0, -8 + 254, TPlaceMode::Add));
    EXPECT_EQ(Current().Notes[0].Fret[0], 254);
    EXPECT_FALSE(PlacePitch(project, editor, 1, -8 + 255, TPlaceMode::Add));
    EXPECT_EQ(Current().Notes[1].Fret[0], NoFret);
}

TEST_F(SongTest, ReallocateMergesUnisonsAndMovesPitches) {
    EnsureNotes(Current(), 2);
    Current().Notes[0] = Note(3, {{4, 5}, {5, 0}});
    ReallocateNote(project, editor, 0, 0);
    EXPECT_EQ(Current().Notes[0], Note(3, {{5, 0}}));

    Current().Notes[1] = Note(2, {{0, 3}, {1, 2}, {2, 0}}, NoteDot); // G B D low
    ReallocateNote(project, editor, 1, 2);
    // pitches -3, 1, 4 after the move: top-down onto the highest strings that reach them
    EXPECT_EQ(Current().Notes[1], Note(2, {{2, 2}, {1, 4}, {0, 5}}, NoteDot));
}

TEST_F(SongTest, FretsOnSlotsWithoutAStringHaveNoPitchAndAreKept) {
    TRiff& riff = Current();
    riff.Tuning = {-20, -15, -10, -5, NoString, NoString, NoString, NoString}; // bass
    EnsureNotes(riff, 1);
    riff.Notes[0] = Note(3, {{0, 3}, {5, 7}}); // slot 5 left over from a six-string riff
    EXPECT_EQ(SlotPitch(riff, riff.Notes[0], 0), -17);
    EXPECT_EQ(SlotPitch(riff, riff.Notes[0], 5), std::nullopt);
    EXPECT_FALSE(PlacePitch(project, editor, 0, 255 + 7, TPlaceMode::Test));
    ReallocateNote(project, editor, 0, 12);
    EXPECT_EQ(riff.Notes[0].Fret[5], 7) << "kept for a later change of the string count";
    EXPECT_EQ(SlotPitch(riff, riff.Notes[0], 3), -5) << "pitch -5: open G string";
    EXPECT_EQ(StringCount(riff), 4);
}

} // namespace
} // namespace zel
