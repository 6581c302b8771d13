// The tab view's hit areas, cursor box, scrolling and mouse operations on the screen's layout
// (font height 13).
#include <gtest/gtest.h>

#include "edit/music.h"
#include "edit/tab_metrics.h"
#include "edit/tab_mouse.h"
#include "test_support.h"

namespace zel {
namespace {

class TabMouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        test::SetQuarters(Riff(), notes, 0);
    }
    TRiff& Riff() { return project.Riffs[0]; }
    void Press(int x, int y, bool shift = false, TMouseButton button = TMouseButton::Left) {
        mouse.Press(project, editor, m, button, shift, x, y, context);
    }

    int notes = 8;
    TProject project;
    TEditorState editor;
    TTabMetrics m = ComputeTabMetrics(13);
    TRiffMouse mouse;
    TRiffMouseContext context;
};

// The layout's numbers show in every picture the render tests check; here what they cannot see.
TEST(TabMetricsTest, PenWidthGrowsAndSpacesTruncate) {
    EXPECT_EQ(ComputeTabMetrics(48).PenWidth, 2);
    EXPECT_EQ(ComputeTabMetrics(20).StaffSpace, 13); // 2h/3 truncates
    TTabMetrics m = ComputeTabMetrics(13);
    TRiff riff;
    EXPECT_EQ(StringLineY(m, riff, -1) - StringLineY(m, riff, 0), m.LineHeight);
}

TEST(TabMouseHitTest, ColumnsRowsAndAreas) {
    TTabMetrics m = ComputeTabMetrics(13);
    struct {
        int x;
        int column;
    } columns[] = {{104, 0}, {129, 0}, {130, 1}, {155, 1}, {156, 2}, {80, 0}, {70, -1}};
    for (auto c : columns)
        EXPECT_EQ(HitColumn(m, c.x), c.column) << c.x;

    EXPECT_FALSE(HitsTabLines(m, 143));
    EXPECT_TRUE(HitsTabLines(m, 144));
    TRiff six;
    TRiff four;
    four.Tuning = {-20, -15, -10, -5, NoString, NoString, NoString, NoString};
    for (auto [y, row] : {std::pair{144, 0}, {156 + 13 - 6, 1}, {300, 5}})
        EXPECT_EQ(HitTabRow(m, six, y), row) << y;
    EXPECT_EQ(HitTabRow(m, four, 300), 3);
    TRiff none;
    none.Tuning.fill(NoString);
    EXPECT_EQ(HitTabRow(m, none, 300), 0);

    // Rows 0 and 8 are the top and the bottom staff line.
    for (auto [y, row] : {std::pair{-500, -8}, {143, 18}, {65, 0}, {65 + 32, 8}, {65 + 5, 1}})
        EXPECT_EQ(HitStaffRow(m, y), row) << y;
}

TEST_F(TabMouseTest, ClickPlacesCursorAndRowAndClampsToEndRecord) {
    Press(130 + 5, 70);
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{1, 1}));
    EXPECT_FALSE(editor.TabMode);
    EXPECT_EQ(editor.CursorRow, 1);
    EXPECT_TRUE(editor.MouseHeld);

    bool focusedTab = false;
    context.FocusArea = [&](bool tab) { focusedTab = tab; };
    Press(5000, 300);
    EXPECT_TRUE(focusedTab);
    EXPECT_TRUE(editor.TabMode);
    EXPECT_EQ(editor.CursorRow, 5);
    EXPECT_EQ(Riff().Cursor, notes); // the end record, where a note can be appended
    Press(10, 200);
    EXPECT_EQ(Riff().Cursor, 0);
}

TEST_F(TabMouseTest, ShiftClickExtendsAndRightClickMovesNothing) {
    Press(130, 70);
    Press(104 + 4 * 26, 70, true);
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{4, 1}));
    EXPECT_EQ(PositionPanelOf(Riff()), (TPositionPanel{true, 4 * 256}));

    int refreshes = 0;
    context.Refresh = [&] { ++refreshes; };
    Press(104 + 6 * 26, 300, false, TMouseButton::Right);
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{4, 1}));
    EXPECT_FALSE(editor.TabMode);
    EXPECT_FALSE(editor.MouseHeld);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(TabMouseTest, DragSelectsOnlyOverNotes) {
    Press(104 + 26, 70);
    int refreshes = 0;
    context.Refresh = [&] { ++refreshes; };
    mouse.Move(project, editor, m, true, 104 + 3 * 26 + 2, context);
    EXPECT_EQ(test::CursorAndAnchor(Riff()), (std::pair{3, 1}));
    mouse.Move(project, editor, m, true, 104 + 3 * 26 + 20, context); // same column
    EXPECT_EQ(refreshes, 1);
    mouse.Move(project, editor, m, true, 104 + 40 * 26, context); // past the last note
    EXPECT_EQ(Riff().Cursor, 3);
    mouse.Move(project, editor, m, true, 104 + (notes - 1) * 26, context);
    EXPECT_EQ(Riff().Cursor, notes - 1);
    // Without the button the pointer only updates LastDragColumn.
    mouse.Move(project, editor, m, false, 104 + 2 * 26, context);
    EXPECT_EQ(Riff().Cursor, notes - 1);
    EXPECT_EQ(mouse.LastDragColumn, 2);
    mouse.Release(editor);
    EXPECT_FALSE(editor.MouseHeld);
}

TEST_F(TabMouseTest, PositionPanelOfQuarterNotesInFourFour) {
    struct {
        int cursor;
        int ticks;
        const char* text;
    } cases[] = {{0, 0, "0"}, {1, 256, "1/4"}, {4, 1024, "1"}, {5, 1280, "1+1/4"}};
    for (auto c : cases) {
        Riff().Cursor = Riff().Anchor = c.cursor;
        TPositionPanel panel = PositionPanelOf(Riff());
        EXPECT_FALSE(panel.Selection);
        EXPECT_EQ(panel.Ticks, c.ticks);
        EXPECT_EQ(PositionPlainText(Riff(), panel.Ticks), c.text);
    }
    // A selection that ends on the end record counts only the notes.
    Riff().Anchor = 6;
    Riff().Cursor = notes;
    EXPECT_EQ(PositionPanelOf(Riff()), (TPositionPanel{true, 2 * 256}));
}

TEST_F(TabMouseTest, CursorBoxAndSelectionFrame) {
    Riff().Cursor = Riff().Anchor = 2;
    editor.TabMode = true;
    editor.CursorRow = 2;
    EXPECT_EQ(CursorBox(m, Riff(), editor), (TBox{104 + 52, 2 * 13 + 156 - 6, 17, 14}));
    editor.TabMode = false;
    editor.CursorRow = 0;
    EXPECT_EQ(CursorBox(m, Riff(), editor), (TBox{104 + 52, 61, 14, 10}));
    EXPECT_EQ(SelectionFrame(m, Riff(), editor, 300), TBox{});
    Riff().Anchor = 5;
    EXPECT_EQ(SelectionFrame(m, Riff(), editor, 300), (TBox{156, 4, 3 * 26 + 14, 296}));
    EXPECT_EQ(RiffViewWidth(m, Riff()), (notes + 1) * 26 + 104);
}

TEST(TabScrollTest, ScrollsInWholeColumnsOnlyAsFarAsNeeded) {
    TTabMetrics m = ComputeTabMetrics(13);
    struct {
        int cursor, position, width, expected;
    } cases[] = {
        {0, 0, 400, 0},                      // visible already
        {11, 0, 400, 26},                    // cx 390 + 26 > 400: one column
        {100, 0, 400, 26 * 90},              // a far jump
        {2, 26 * 10, 400, 26 * 10 - 26 * 4}, // back left until the column shows
        {5, 26 * 3, 400, 26 * 3},            // inside the window
        {3, 0, 10, 182},                     // narrower than a column: the column's left edge
        // The first column brings the clef and the signatures into view with it.
        {0, 26 * 10, 400, 0},
        {0, 26 * 3 + 7, 400, 0},
        {0, 50, 10, 0},
        {1, 26 * 10, 400, 130}, // the second column stops at its own left edge
    };
    for (auto c : cases)
        EXPECT_EQ(ScrollToCursorPosition(m, c.cursor, c.position, c.width), c.expected)
            << c.cursor << " " << c.position;
}

} // namespace
} // namespace zel
