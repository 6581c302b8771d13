// Text tab: string names from the tuning, frets spaced by duration, rests, dots, ties, bar lines,
// chord names above, systems wrapped at the width, and a selection of a riff.
#include <gtest/gtest.h>

#include <sstream>

#include "arrange/text_tab.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(TextTabTest, ChordsRestsAndDotsInOneBar) {
    TRiff riff;
    // Quarter e, eighth rest, eighth B string fret 1, dotted quarter G chord, eighth G.
    SetNotes(riff, {Note(3, {{5, 0}}), Note(4), Note(4, {{4, 1}}),
                    Note(3, {{0, 3}, {1, 2}, {2, 0}}, NoteDot), Note(4, {{0, 3}})});
    EXPECT_EQ(LinesOf(TextTab(riff)), (TTexts{
                                          "          G",
                                          "e|0---------------|",
                                          "B|------1---------|",
                                          "G|----------------|",
                                          "D|--------0-------|",
                                          "A|--------2-------|",
                                          "E|--------3-----3-|",
                                      }));
}

TEST(TextTabTest, StringNamesFollowTheTuning) {
    struct TCase {
        std::array<int32_t, StringSlots> Tuning;
        std::vector<std::string> Names;
    } cases[] = {
        {DefaultTuning, {"e", "B", "G", "D", "A", "E"}},
        {{-13, -8, -3, 2, 7, 11, 16, NoString}, {"e", "B", "G", "D", "A", "E", "B"}},
        {{-10, -3, 2, 7, 11, 14, NoString, NoString}, {"d", "B", "G", "D", "A", "D"}},
        {{-20, -15, -10, -5, NoString, NoString, NoString, NoString}, {"G", "D", "A", "E"}},
        {{-6, -3, 2, 7, 11, 16, NoString, NoString}, {"E", "B", "G", "D", "A", "F#"}}};
    for (const TCase& c : cases) {
        TRiff riff;
        riff.Tuning = c.Tuning;
        EXPECT_EQ(TextTabStringNames(riff), c.Names);
    }
}

TEST(TextTabTest, SevenStringsAndWideNamesLineUp) {
    TRiff riff;
    riff.Tuning = {-13, -6, -3, 2, 7, 11, 16, NoString}; // low B, then F#
    SetNotes(riff, {Note(4, {{0, 0}}), Note(4, {{0, 12}, {1, 10}}), Note(3, {{6, 0}})});
    EXPECT_EQ(LinesOf(TextTab(riff)), (TTexts{
                                          "     E5",
                                          "E |-----0---",
                                          "B |---------",
                                          "G |---------",
                                          "D |---------",
                                          "A |---------",
                                          "F#|--10-----",
                                          "B |0-12-----",
                                      }));
}

TEST(TextTabTest, TieChainsSoundOnceAndHold) {
    TRiff riff;
    // A half tied to a quarter on fret 5 (frets of the last record sound), then a quarter 7.
    SetNotes(riff, {Note(2, {{5, 3}}, NoteTie), Note(3, {{5, 5}}), Note(3, {{5, 7}})});
    std::vector<std::string> lines = LinesOf(TextTab(riff));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "e|5-----------7---|");
    EXPECT_EQ(lines[5], "E|----------------|");
}

TEST(TextTabTest, SystemsWrapAtBarLinesWithinTheWidth) {
    TRiff riff;
    riff.Notes.clear();
    EnsureNotes(riff, 17);
    for (int i = 0; i < 16; ++i)
        riff.Notes[size_t(i)] = Note(3, {{5, i}}); // four bars of 17 characters
    std::string text = TextTab(riff, 0, -1, 40);
    std::vector<std::string> lines = LinesOf(text);
    // Two bars a system: 2 + 2 x 17 = 36 columns.
    ASSERT_EQ(lines.size(), 6u + 1 + 6);
    EXPECT_EQ(lines[0], "e|0---1---2---3---|4---5---6---7---|");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "e|8---9---10--11--|12--13--14--15--|");
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 40u) << line;
    // A bar wider than the system is split between its records.
    riff.BarsA = "16";
    lines = LinesOf(TextTab(riff, 0, -1, 20));
    ASSERT_EQ(lines.size(), 4u * 6 + 3);
    EXPECT_EQ(lines[0], "e|0---1---2---3---");
    EXPECT_EQ(lines[21], "e|12--13--14--15--|");
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 20u) << line;
}

TEST(TextTabTest, ASelectionKeepsTheRiffsBarLines) {
    TRiff riff;
    riff.BarsA = "3"; // 3/4: bars of 768 ticks
    riff.Notes.clear();
    EnsureNotes(riff, 7);
    for (int i = 0; i < 6; ++i)
        riff.Notes[size_t(i)] = Note(3, {{5, i}});
    EXPECT_EQ(LinesOf(TextTab(riff, 1, 4))[0], "e|1---2---|3---4---");
    EXPECT_EQ(LinesOf(TextTab(riff, 9, 12)), (TTexts{"e|", "B|", "G|", "D|", "A|", "E|"}))
        << "nothing selected: the strings alone";
}

} // namespace
} // namespace zel
