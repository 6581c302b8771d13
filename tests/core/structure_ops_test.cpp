// Song structure editing: row labels, cells, rows, clipboard text.
#include <gtest/gtest.h>

#include "arrange/structure_grid.h"
#include "model/structure_ops.h"

namespace zel {
namespace {

TEST(RowLetters, OneAndTwoLetters) {
    std::vector<std::string> letters;
    for (int row : {0, 1, 26, 27, 52, 53, 702, 703})
        letters.push_back(RowLetters(row));
    EXPECT_EQ(letters, (std::vector<std::string>{"", "A", "Z", "AA", "AZ", "BA", "ZZ", "[A"}));
}

TEST(StructureCells, ChoicesExtendTheStructureAndDefaultTheRepeat) {
    TStructure s;
    SetCellRiff(s, 3, 2, "Intro");
    EXPECT_EQ(s, (TStructure{"", "", "\t\t1\tIntro"}));
    SetCellRepeat(s, 3, 2, 4);
    SetCellRiff(s, 3, 2, "Verse");
    EXPECT_EQ(s[2], "\t\t4\tVerse") << "an existing repeat is kept";
    SetCellRiff(s, 3, 2, "");
    EXPECT_EQ(s[2], "\t\t4\t");
    SetCellRepeat(s, 0, 1, 2);
    EXPECT_EQ(s.size(), 3u);
}

TEST(StructureRows, InsertDeleteAndMove) {
    TStructure s{"1", "2", "3", "4", "5"};
    MoveStructureRow(s, 3, 1);
    EXPECT_EQ(s, (TStructure{"3", "1", "2", "4", "5"}));
    MoveStructureRow(s, 1, 3);
    EXPECT_EQ(s, (TStructure{"1", "2", "3", "4", "5"}));
    InsertStructureRow(s, 2);
    EXPECT_EQ(s, (TStructure{"1", "", "2", "3", "4", "5"}));
    InsertStructureRow(s, 9);
    EXPECT_EQ(s.size(), 7u);
    DeleteStructureRow(s, 8);
    EXPECT_EQ(s.size(), 7u) << "the blank row below the structure";
    DeleteStructureRow(s, 2);
    EXPECT_EQ(s, (TStructure{"1", "2", "3", "4", "5", ""}));
    TStructure short_{"a"};
    MoveStructureRow(short_, 3, 1);
    EXPECT_EQ(short_, (TStructure{"", "a", "", ""})) << "moving a row past the end";
}

TEST(StructureClipboard, CopyCutAndPasteCellForCell) {
    TStructure s{"1\tA\t2\tB\t3\tC", "4\tD\t5\tE", "6\tF"};
    TStructure original = s;
    std::string text = CopyStructureCells(s, {1, 1, 2, 2}, false);
    EXPECT_EQ(text, "1\tA\t2\tB\r\n4\tD\t5\tE");
    EXPECT_EQ(CopyStructureCells(s, {2, 2, 2, 5}, false), "5\tE\r\n\t\r\n")
        << "a selection below the structure ends in a line break";
    EXPECT_EQ(CopyStructureCells(s, {1, 1, 2, 2}, true), text);
    EXPECT_EQ(s[0], "\t\t\t\t3\tC");
    EXPECT_EQ(s[1], "\t\t\t");
    PasteStructureCells(s, 1, 1, text);
    EXPECT_EQ(s[0], original[0]);
    EXPECT_EQ(s[1], original[1]);
    EXPECT_EQ(s.size(), 3u);

    TStructure fresh;
    PasteStructureCells(fresh, 2, 2, "2\tX\r\n");
    EXPECT_EQ(fresh, (TStructure{"", "\t\t2\tX", "\t\t"})) << "one extra row after CR LF";
    TStructure empty;
    PasteStructureCells(empty, 1, 3, "");
    EXPECT_EQ(empty.size(), 3u);
    TStructure odd;
    PasteStructureCells(odd, 1, 1,
                        "a\x01"
                        "b\nc\xE9\td");
    EXPECT_EQ(odd, (TStructure{"a\tb", "c\xE9\td"})) << "a line feed alone ends a row too";
    TStructure lines;
    PasteStructureCells(lines, 1, 1, "1\tA\n2\tB");
    EXPECT_EQ(lines, (TStructure{"1\tA", "2\tB"}));
    // A blank line is a row, whichever way the lines end.
    for (const char* pasted : {"a\n\nb", "a\r\n\r\nb", "a\r\rb"}) {
        TStructure blank;
        PasteStructureCells(blank, 1, 1, pasted);
        EXPECT_EQ(blank, (TStructure{"a", "", "b"})) << pasted;
    }
}

TEST(StructureClipboard, ALongRowOfFields) {
    TStructure s{"x\ty"};
    PasteStructureCells(s, 2, 1, std::string(200000, '\t') + "z");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].size(), 200005u) << "x, y, 200 001 empty fields, z";
    EXPECT_EQ(s[0].substr(0, 4), "x\ty\t");
    EXPECT_EQ(s[0].back(), 'z');
}

TEST(StructureColumns, SwapAndClear) {
    TStructure s{"1\tA\t2\tB", "3\tC", ""};
    SwapStructureColumns(s, 0, 1);
    EXPECT_EQ(s, (TStructure{"2\tB\t1\tA", "\t\t3\tC", "\t\t\t"}));
    ClearStructureColumn(s, 1);
    EXPECT_EQ(s, (TStructure{"2\tB\t\t", "\t\t\t", "\t\t\t"}));
}

TEST(StructureGrid, CellsReadTheirTwoFieldsAndBlankPastTheEnd) {
    TStructure s{"2\tIntro\t\tVerse", "3\t\t1\t"};
    EXPECT_EQ(StructCell(s, 1, 1).RepeatText(), "2x");
    EXPECT_EQ(StructCell(s, 1, 2).RepeatText(), "x") << "an empty repeat is a bare x";
    EXPECT_EQ(StructCell(s, 1, 2).Riff, "Verse");
    EXPECT_FALSE(StructCell(s, 2, 1).Filled()) << "a repeat without a riff shows nothing";
    EXPECT_FALSE(StructCell(s, 3, 1).Filled());
    EXPECT_FALSE(StructCell(s, 1, 9).Filled());
}

TEST(StructureGrid, DoubleClickOpensTheRepeatListOnlyOverARepeatCount) {
    TStructure s{"2\tIntro\t\tVerse"};
    struct TCase {
        TStructHover Hover;
        TStructList List;
    };
    for (const TCase& c : std::vector<TCase>{
             {{1, 1, false}, TStructList::Repeat},
             {{1, 1, true}, TStructList::Riff},
             {{2, 1, false}, TStructList::Riff}, // the repeat field is empty
             {{1, 5, false}, TStructList::Riff}, // below the structure
         })
        EXPECT_EQ(DoubleClickList(s, c.Hover), c.List)
            << c.Hover.HoverCol << "," << c.Hover.HoverRow << "," << c.Hover.HoverOnRiff;
    EXPECT_FALSE(HoverOnRiff(25));
    EXPECT_TRUE(HoverOnRiff(26));
}

TEST(StructureGrid, WheelMovesBySixthsOfTheVisibleRowsWithinTheGrid) {
    struct TCase {
        int Top, RowCount, Visible, Notches, Expected;
    };
    for (const TCase& c :
         std::vector<TCase>{{1, 100, 12, 1, 3},   // 12 rows visible: two rows a notch
                            {1, 100, 5, 1, 2},    // fewer than six visible: one row
                            {5, 100, 12, -1, 3},  // up
                            {2, 100, 12, -3, 1},  // up stops at the first structure row
                            {85, 100, 12, 2, 88}, // down stops with the last row at the bottom
                            {1, 8, 12, 1, 1},     // everything visible: nothing to scroll
                            {1, 100, 12, 1 << 30, 88}})
        EXPECT_EQ(StructWheelTop(c.Top, c.RowCount, c.Visible, c.Notches), c.Expected)
            << c.Top << " " << c.RowCount << " " << c.Visible << " " << c.Notches;
}

TEST(StructureGrid, ThePlayingRowIsTheLastToStartAtOrBeforeTheFrame) {
    std::vector<TRowStart> starts{{0, 3}, {1000, 4}, {1000, 6}, {5000, 7}};
    struct TCase {
        int64_t Frame;
        int Row;
    };
    for (const TCase& c : std::vector<TCase>{
             {-1, 0}, {0, 3}, {999, 3}, {1000, 6}, {4999, 6}, {5000, 7}, {1 << 30, 7}})
        EXPECT_EQ(RowAtFrame(starts, c.Frame), c.Row) << c.Frame;
    EXPECT_EQ(RowAtFrame({}, 10), 0);
}

} // namespace
} // namespace zel
