// Keyboard editing of a riff: staff and tab keys, cursor moves and selection, toolbar commands.
#include <gtest/gtest.h>

#include <functional>

#include "edit/editor_commands.h"
#include "test_support.h"

namespace zel {
namespace {

using test::Note;

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        context.PreviewPitch = [this](int pitch) { previews.push_back(pitch); };
        context.SwitchRiffTab = [this](int delta) { switches.push_back(delta); };
        context.Redraw = [this] { ++redraws; };
    }
    TRiff& Riff() { return CurrentRiffOf(project, editor); }
    bool Key(TEditKey key, bool shift = false, bool ctrl = false) {
        return HandleRiffKey(project, editor, {key, 0, shift, ctrl}, context);
    }
    void Type(std::initializer_list<int> digits) {
        for (int d : digits)
            HandleRiffKey(project, editor, {TEditKey::Digit, d}, context);
    }
    void SetNotes(std::initializer_list<TNote> notes) { test::SetNotes(Riff(), notes); }
    void Flag(TNoteFlagCommand command) { ApplyNoteFlagCommand(project, editor, command, context); }
    // The cursor and the selection's anchor.
    std::pair<int, int> Place() { return {Riff().Cursor, Riff().Anchor}; }
    // Staff row of a diatonic position (row 0 = top line F, position 10).
    void StaffRow(int position) { editor.CursorRow = 10 - position; }

    TProject project;
    TEditorState editor;
    TEditorContext context;
    std::vector<int> previews, switches;
    int redraws = 0;
};

TEST_F(EditorTest, EnterOnTheStaffAddsThePitchAndSetsTheDuration) {
    StaffRow(2); // E above middle C: pitch 4
    editor.CurrentDuration = 4;
    EXPECT_TRUE(Key(TEditKey::Enter));
    EXPECT_EQ(NoteCount(Riff()), 1) << "the end record became a note";
    EXPECT_EQ(Riff().Notes[0].Duration, 4);
    EXPECT_EQ(Riff().Notes[0], Note(4, {{2, 2}})) << "D string, fret 2";
    EXPECT_EQ(previews, std::vector<int>{4});
    EXPECT_EQ(Riff().Cursor, 0) << "no advance without the option";
    EXPECT_TRUE(project.IsChanged());

    TNote before = Riff().Notes[0];
    editor.CurrentDuration = 2;
    Key(TEditKey::Enter);
    EXPECT_EQ(Riff().Notes[0].Fret, before.Fret) << "a pitch already there is not added twice";
    EXPECT_EQ(Riff().Notes[0].Duration, 2);
    EXPECT_EQ(previews.size(), 1u) << "no preview when nothing is added";
}

TEST_F(EditorTest, EnterWithAutoAdvanceMovesToTheNewEndRecord) {
    context.AutoAdvance = true;
    StaffRow(4);
    Key(TEditKey::Enter);
    EXPECT_EQ(Place(), (std::pair{1, 1}));
    EXPECT_EQ(Riff().Notes[1].Duration, EndOfNotes);
    EXPECT_GE(Riff().Capacity(), 3);
}

TEST_F(EditorTest, SpaceRemovesThePitchOrItsSharp) {
    editor.CurrentDuration = 3;
    SetNotes({Note(3, {{2, 4}})}); // D string fret 4: pitch 6, F sharp
    StaffRow(3);                   // F: pitch 5, absent; its sharp is present
    Key(TEditKey::Space);
    EXPECT_EQ(Riff().Notes[0], Note(3)) << "the sharp went";
    SetNotes({Note(3, {{2, 3}, {3, 0}})}); // F and G
    Key(TEditKey::Space);
    EXPECT_EQ(Riff().Notes[0], Note(3, {{3, 0}}));
}

TEST_F(EditorTest, TypingFretsOnTheTabLines) {
    editor.TabMode = true;
    editor.CursorRow = 0; // top string, slot 5
    Type({1, 2});
    EXPECT_EQ(Riff().Notes[0].Fret[5], 12);
    EXPECT_EQ(Riff().Notes[0].Duration, QuarterDuration);
    Key(TEditKey::Down);
    EXPECT_TRUE(editor.FreshEntry);
    Type({2, 4, 5});
    EXPECT_EQ(Riff().Notes[0].Fret[4], 24) << "capped";
    Type({5});
    EXPECT_EQ(Riff().Notes[0].Fret[4], 5) << "a new number after the cap";
    Key(TEditKey::Up);
    Type({3});
    EXPECT_EQ(Riff().Notes[0].Fret[5], 3) << "fresh entry after a move";
    EXPECT_TRUE(previews.empty()) << "no preview on the tab lines";
    Riff().Notes[0].Fret[5] = 10;
    Key(TEditKey::Backspace);
    EXPECT_EQ(Riff().Notes[0].Fret[5], 1);
    Key(TEditKey::Backspace);
    EXPECT_EQ(Riff().Notes[0].Fret[5], NoFret);
    Key(TEditKey::Space); // on the empty string: stays empty
    Key(TEditKey::Down);
    Key(TEditKey::Space);
    EXPECT_EQ(Riff().Notes[0].Fret[4], NoFret);
}

TEST_F(EditorTest, RowLimitsOnStaffAndTab) {
    editor.CursorRow = -13;
    Key(TEditKey::Up);
    EXPECT_EQ(editor.CursorRow, -13);
    editor.CursorRow = 18;
    Key(TEditKey::Down);
    EXPECT_EQ(editor.CursorRow, 18);
    editor.TabMode = true;
    editor.CursorRow = 5;
    Key(TEditKey::Down);
    EXPECT_EQ(editor.CursorRow, 5) << "no string below the sixth";
    Key(TEditKey::Up);
    EXPECT_EQ(editor.CursorRow, 4);
}

TEST_F(EditorTest, CursorMovesAndShiftSelection) {
    SetNotes({Note(3), Note(4), Note(5), Note(2), Note(1)});
    Riff().Cursor = Riff().Anchor = 2;
    Key(TEditKey::Right, /*shift=*/true);
    EXPECT_EQ(Place(), (std::pair{3, 2}));
    EXPECT_EQ(editor.CurrentDuration, 2) << "takes the note's duration";
    Key(TEditKey::Right);
    EXPECT_EQ(Place(), (std::pair{4, 4}));
    Key(TEditKey::Right);
    Key(TEditKey::Right);
    EXPECT_EQ(Riff().Cursor, 5) << "stops on the end record";
    Key(TEditKey::Home, true);
    EXPECT_EQ(Place(), (std::pair{0, 5}));
    Key(TEditKey::End);
    EXPECT_EQ(Riff().Anchor, 5);
    Key(TEditKey::Left);
    Key(TEditKey::Home);
    Key(TEditKey::Left);
    EXPECT_EQ(Riff().Cursor, 0);

    // Home on the first note still scrolls back to the start of the band.
    int scrolls = 0;
    context.ScrollToCursor = [&] { ++scrolls; };
    Key(TEditKey::Home);
    Key(TEditKey::Left);
    EXPECT_EQ(scrolls, 1) << "Home scrolls, a move that goes nowhere does not";
}

TEST_F(EditorTest, PageMovesClampAndCollapseUnlessShift) {
    SetNotes({Note(3), Note(3), Note(3)});
    context.PageColumns = 10;
    Key(TEditKey::Right, false, /*ctrl=*/true);
    EXPECT_EQ(Place(), (std::pair{3, 3})) << "a page beyond a short riff ends on the end record";
    context.PageColumns = 2;
    Key(TEditKey::Left, true, true);
    EXPECT_EQ(Place(), (std::pair{1, 3}));
}

TEST_F(EditorTest, StaffBackspaceDeletesTheNoteBeforeTheCursor) {
    SetNotes({Note(3, {{0, 1}}), Note(3, {{0, 2}}), Note(3, {{0, 3}})});
    Riff().Cursor = Riff().Anchor = 2;
    Key(TEditKey::Backspace);
    EXPECT_EQ(NoteCount(Riff()), 2);
    EXPECT_EQ(Riff().Notes[1].Fret[0], 3);
    EXPECT_EQ(Riff().Cursor, 1);
    Riff().Cursor = Riff().Anchor = 0;
    Key(TEditKey::Backspace);
    EXPECT_EQ(NoteCount(Riff()), 2) << "nothing before the first note";
}

TEST_F(EditorTest, KeysAreIgnoredWhileTheMouseIsHeldOrWithoutFocus) {
    editor.MouseHeld = true;
    EXPECT_FALSE(Key(TEditKey::Enter));
    EXPECT_EQ(NoteCount(Riff()), 0);
    editor.MouseHeld = false;
    context.ViewHasFocus = false;
    EXPECT_FALSE(Key(TEditKey::Insert));
    EXPECT_EQ(NoteCount(Riff()), 0);
}

TEST_F(EditorTest, InsertDeleteAndRiffSwitching) {
    editor.CurrentDuration = 5;
    Key(TEditKey::Insert);
    EXPECT_EQ(Riff().Notes[0], Note(5));
    Key(TEditKey::Delete);
    EXPECT_EQ(NoteCount(Riff()), 0);
    Key(TEditKey::Tab, false, true);
    Key(TEditKey::Tab, true, true);
    EXPECT_FALSE(Key(TEditKey::Tab));
    EXPECT_EQ(switches, (std::vector<int>{1, -1}));
}

TEST_F(EditorTest, DurationAndFlagCommandsOnTheSelection) {
    SetNotes({Note(3), Note(3, {}, NoteDot), Note(3, {}, NoteDotDot), Note(0)});
    Riff().Cursor = 0;
    Riff().Anchor = 4; // reaches the end record
    SetSelectionDuration(project, editor, 6, context);
    EXPECT_EQ(Riff().Notes[2].Duration, 6);
    EXPECT_EQ(Riff().Notes[4].Duration, EndOfNotes) << "the end record stays";
    EXPECT_EQ(editor.CurrentDuration, 6);

    Flag(TNoteFlagCommand::Dot);
    EXPECT_EQ(Riff().Notes[0].Flags, NoteDot);
    EXPECT_EQ(Riff().Notes[1].Flags, 0) << "dot on a dotted note removes it";
    EXPECT_EQ(Riff().Notes[2].Flags, NoteDot) << "dot on a double-dotted note: dotted";
    Flag(TNoteFlagCommand::DotDot);
    EXPECT_EQ(Riff().Notes[0].Flags, NoteDotDot);
    Flag(TNoteFlagCommand::Tie);
    EXPECT_EQ(Riff().Notes[1].Flags, NoteDotDot | NoteTie);

    SetSelectionDuration(project, editor, 0, context);
    Flag(TNoteFlagCommand::Lengthen);
    EXPECT_EQ(Riff().Notes[3].Duration, 7) << "a 2 x whole lengthened wraps to 1/64";
    EXPECT_EQ(NoteCount(Riff()), 4);
    Flag(TNoteFlagCommand::Shorten);
    EXPECT_EQ(Riff().Notes[3].Duration, 0);

    context.ViewHasFocus = false;
    Flag(TNoteFlagCommand::Tie);
    EXPECT_EQ(Riff().Notes[1].Flags, NoteDotDot | NoteTie) << "needs the view's focus";
    SetSelectionDuration(project, editor, 2, context);
    EXPECT_EQ(Riff().Notes[1].Duration, 2) << "duration buttons work without focus";
}

TEST_F(EditorTest, EveryEditMarksTheProjectChanged) {
    struct Step {
        const char* name;
        std::function<void()> run;
    };
    std::vector<Step> steps = {
        {"fret digit", [&] { editor.TabMode = true, Type({3}); }},
        {"tab space", [&] { Key(TEditKey::Space); }},
        {"tab backspace", [&] { Type({5}), project.SetChanged(false), Key(TEditKey::Backspace); }},
        {"enter on a pitch already there",
         [&] {
             editor.TabMode = false, StaffRow(2), Key(TEditKey::Enter);
             project.SetChanged(false), Key(TEditKey::Enter);
         }},
        {"staff space on an absent pitch", [&] { StaffRow(9), Key(TEditKey::Space); }},
        {"insert", [&] { Key(TEditKey::Insert); }},
        {"delete", [&] { Key(TEditKey::Delete); }},
        {"duration", [&] { SetSelectionDuration(project, editor, 5, context); }},
        {"dot", [&] { Flag(TNoteFlagCommand::Dot); }},
        {"tie", [&] { Flag(TNoteFlagCommand::Tie); }},
        {"lengthen", [&] { Flag(TNoteFlagCommand::Lengthen); }}};
    for (const Step& step : steps) {
        project.SetChanged(false);
        step.run();
        EXPECT_TRUE(project.IsChanged()) << step.name;
    }
    project.SetChanged(false);
    Key(TEditKey::Right);
    Key(TEditKey::Home, true);
    EXPECT_FALSE(project.IsChanged()) << "moving the cursor changes nothing";
}

TEST_F(EditorTest, DurationButtonsFollowTheNoteUnderTheCursor) {
    SetNotes({Note(5, {}, NoteDot | NoteTie)});
    EXPECT_EQ(UpdateDurationButtons(project, editor), (TDurationButtons{5, true, false, true}));
    Riff().Cursor = 1; // the end record keeps the current duration
    EXPECT_EQ(UpdateDurationButtons(project, editor), (TDurationButtons{5, false, false, false}));
    editor.CurrentDuration = EndOfNotes;
    EXPECT_EQ(UpdateDurationButtons(project, editor).Duration, QuarterDuration);
}

} // namespace
} // namespace zel
