// Moving notes between strings, transposing, and notes through the clipboard text.
#include <gtest/gtest.h>

#include "edit/note_clipboard.h"
#include "edit/string_ops.h"
#include "test_support.h"

namespace zel {
namespace {

using test::Note;

class StringOpsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProject(project, editor); }
    TRiff& Riff() { return CurrentRiffOf(project, editor); }
    void SetNotes(std::initializer_list<TNote> notes) {
        test::SetNotes(Riff(), notes);
        Riff().Cursor = 0;
        Riff().Anchor = int(notes.size()) - 1;
    }
    TNote First() { return Riff().Notes[0]; }

    TProject project;
    TEditorState editor;
};

TEST_F(StringOpsTest, StringUpKeepsPitchesAndMovesChordsTogether) {
    SetNotes({Note(3, {{0, 5}})});
    StringUp(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{1, 0}}));
    SetNotes({Note(3, {{0, 3}})});
    StringUp(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{0, 3}})) << "below the next string's open pitch";
    SetNotes({Note(3, {{0, 5}, {1, 5}})});
    StringUp(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{1, 0}, {2, 0}}));
    EXPECT_TRUE(project.IsChanged());
}

TEST_F(StringOpsTest, StringDownAndOddTunings) {
    SetNotes({Note(3, {{5, 0}})});
    StringDown(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{4, 5}}));
    Riff().Tuning[0] = 5; // slot 0 tuned above slot 1 (pitch -3)
    SetNotes({Note(3, {{1, 2}})});
    StringDown(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{1, 2}})) << "pitch -1 is below slot 0's open string";
}

TEST_F(StringOpsTest, StringMovesNeedTheViewsFocus) {
    SetNotes({Note(3, {{0, 5}})});
    StringUp(project, editor, false);
    EXPECT_EQ(First(), Note(3, {{0, 5}}));
    EXPECT_FALSE(project.IsChanged());
}

TEST_F(StringOpsTest, TransposeDownWithAnOpenStringReplacesTheChord) {
    // C chord: C on the A string, E on D, G open, C on B, E open.
    // The chord is the last note of the selection: every selected note counts.
    SetNotes({Note(3, {{0, 7}}), Note(2, {{1, 3}, {2, 2}, {3, 0}, {4, 1}, {5, 0}})});
    Transpose(project, editor, -1, true);
    EXPECT_EQ(Riff().Notes[1].Fret[4], 4) << "the E flat moves to the B string";
    EXPECT_EQ(First(), Note(3, {{1, 1}})) << "every selected note is re-placed";
}

TEST_F(StringOpsTest, TransposeRangeAndSingleString) {
    SetNotes({Note(3, {{0, 24}, {1, 3}}), Note(3, {{2, 254}})});
    Transpose(project, editor, 1, true);
    EXPECT_EQ(First(), Note(3, {{0, 25}, {1, 4}})) << "no cap of 24 on a range";
    EXPECT_EQ(Riff().Notes[1].Fret[2], 254) << "never up to 255, which means no fret";
    Transpose(project, editor, -1, true);
    EXPECT_EQ(First(), Note(3, {{0, 24}, {1, 3}}));

    editor.TabMode = true;
    editor.CursorRow = 5; // bottom string, slot 0
    Riff().Anchor = 0;
    Transpose(project, editor, 1, true);
    EXPECT_EQ(First().Fret[0], 24) << "one string stays within 0..24";
    EXPECT_EQ(First().Fret[1], 3);
    SetNotes({Note(3, {{0, 0}})});
    Transpose(project, editor, -1, true);
    EXPECT_EQ(First(), Note(3, {{0, 0}}));
}

TEST_F(StringOpsTest, ReallocateSelectedNotes) {
    SetNotes({Note(3, {{0, 10}, {1, 10}})});
    ReallocateStrings(project, editor, true);
    EXPECT_EQ(First(), Note(3, {{3, 0}, {2, 0}})) << "lowest frets still available";
}

TEST_F(StringOpsTest, CopyCutPasteRoundTrip) {
    SetNotes({Note(3, {{0, 3}, {1, 2}}), Note(4, {{5, 12}}, NoteDot | NoteTie), Note(5)});
    std::string text = CopyNotesText(Riff());
    EXPECT_EQ(text, "3\t2\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                    "-\t-\t-\t-\t-\t12\t-\t-\t4\t20\r\n"
                    "-\t-\t-\t-\t-\t-\t-\t-\t5\t0\r\n");
    Riff().Anchor = 3; // the end record is never copied
    EXPECT_EQ(CopyNotesText(Riff()), text);

    std::vector<TNote> original(Riff().Notes.begin(), Riff().Notes.begin() + 3);
    Riff().Anchor = 2;
    EXPECT_EQ(CutNotes(project, editor), text);
    EXPECT_EQ(NoteCount(Riff()), 0);
    PasteNotesText(project, editor, text);
    EXPECT_EQ(std::vector<TNote>(Riff().Notes.begin(), Riff().Notes.begin() + 3), original);
    EXPECT_EQ(Riff().Cursor, 3) << "after the pasted notes";
}

TEST_F(StringOpsTest, PasteInsertsBeforeTheCursorAndRepairsLines) {
    SetNotes({Note(1, {{0, 9}})});
    Riff().Anchor = 0;
    editor.CurrentDuration = 6;
    PasteNotesText(project, editor,
                   "5\n\n\r\n7\t-\t-\t-\t-\t-\t-\t-\t-\t255\r8\t-\t-\t-\t-\t-\t-\t-\t2");
    ASSERT_EQ(NoteCount(Riff()), 4);
    EXPECT_EQ(Riff().Notes[0], Note(6, {{0, 5}})) << "no duration: the current one";
    EXPECT_EQ(Riff().Notes[1], Note(6, {{0, 7}}, NoteDot | NoteDotDot | NoteTie));
    EXPECT_EQ(Riff().Notes[2], Note(2, {{0, 8}}));
    EXPECT_EQ(Riff().Notes[3], Note(1, {{0, 9}}));
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{3, 0}));

    project.SetChanged(false);
    PasteNotesText(project, editor, "\r\n\r\n");
    EXPECT_EQ(NoteCount(Riff()), 4);
    EXPECT_TRUE(project.IsChanged());
}

} // namespace
} // namespace zel
