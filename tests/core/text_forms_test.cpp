// The text forms shared by the project file and the clipboard, structure fields and tab
// captions.
#include <gtest/gtest.h>

#include "model/projectfile.h"
#include "model/structure.h"
#include "model/tab_captions.h"
#include "model/text_fields.h"

namespace zel {
namespace {

TEST(ParseValue, ReadsLenientlyAndCapsAt255) {
    struct Case {
        const char* text;
        int defaultValue;
        int expected;
    };
    for (Case c :
         {Case{"", 7, 7}, Case{"-", 7, 255}, Case{"12", 7, 12}, Case{"  12", 7, 12},
          Case{"300", 7, 255}, Case{"-8", 7, -8}, Case{"-1", 0, -1}, Case{"12abc", 0, 12},
          Case{"abc", 7, 0}, Case{"+5", 0, 5}, Case{"- 3", 0, 0},
          Case{"99999999999999999999", 0, 255}, Case{"-99999999999999999999", 0, INT32_MIN}})
        EXPECT_EQ(ParseValue(c.text, c.defaultValue), c.expected) << '"' << c.text << '"';
}

TEST(ValueText, WritesNothingAsDash) {
    for (const auto& [in, expected] : {std::pair{255, "-"}, {0, "0"}, {-13, "-13"}, {1000, "1000"}})
        EXPECT_EQ(ValueText(in), expected) << in;
}

TEST(NoteText, ChordExampleAndRoundTrip) {
    TNote chord;
    chord.Fret[0] = 3;
    chord.Fret[1] = 2;
    chord.Duration = 3;
    EXPECT_EQ(NoteText(chord), "3\t2\t-\t-\t-\t-\t-\t-\t3\t0");

    TNote tied = chord;
    tied.Fret[7] = 254;
    tied.Flags = NoteTie | NoteDot;
    TNote back;
    ParseNote(NoteText(tied), back);
    EXPECT_EQ(back, tied);
}

TEST(ParseNote, MissingAndOddFields) {
    TNote note;
    ParseNote("5", note);
    EXPECT_EQ(note.Fret[0], 5);
    EXPECT_EQ(note.Fret[1], NoFret) << "missing frets are nothing";
    EXPECT_EQ(note.Duration, EndOfNotes) << "a missing duration reads as 255";
    EXPECT_EQ(note.Flags, 0);

    ParseNote("-1\t300\t-\t\t\t\t\t\t4\t16\textra", note);
    EXPECT_EQ(note.Fret[0], NoFret) << "-1 keeps its low 8 bits";
    EXPECT_EQ(note.Fret[1], NoFret) << "300 caps at 255";
    EXPECT_EQ(note.Duration, 4);
    EXPECT_EQ(note.Flags, NoteTie);

    ParseNote("1\t-\t-\t-\t-\t-\t-\t-\t3\t255", note);
    EXPECT_EQ(note.Flags, NoteDot | NoteDotDot | NoteTie) << "bits without meaning are dropped";
}

TEST(RiffHeader, DefaultsForMissingFieldsAndRoundTrip) {
    TRiff riff;
    int field = 2;
    ParseRiffHeader("T\tName", field, riff);
    EXPECT_EQ(field, 14);
    EXPECT_EQ(riff.Tuning, DefaultTuning);
    EXPECT_EQ(riff.Tempo, 120);
    EXPECT_EQ(riff.BarsA, "4");
    EXPECT_EQ(riff.BarsB, 4);
    EXPECT_EQ(riff.Key, 0);

    field = 0;
    ParseRiffHeader("-\t-\t0\t\t\t\t\t\t0\t\t0\t-3", field, riff);
    EXPECT_EQ(riff.Tuning[0], NoString);
    EXPECT_EQ(riff.Tuning[2], 0) << "a zero tuning is a C, not the default";
    EXPECT_EQ(riff.Tuning[3], DefaultTuning[3]);
    EXPECT_EQ(riff.Tempo, 120) << "tempo 0 reads as 120";
    EXPECT_EQ(riff.BarsB, 4) << "denominator 0 reads as 4";
    EXPECT_EQ(riff.Key, -3);

    TRiff custom;
    custom.Tuning = {-20, -15, -10, -5, 0, NoString, NoString, NoString};
    custom.Tempo = 1000;
    custom.BarsA = "4 4 4 3";
    custom.BarsB = 8;
    custom.Key = 6;
    EXPECT_EQ(RiffHeaderText(custom), "-20\t-15\t-10\t-5\t0\t-\t-\t-\t1000\t4 4 4 3\t8\t6");
    TRiff back;
    field = 0;
    ParseRiffHeader(RiffHeaderText(custom), field, back);
    EXPECT_EQ(RiffHeaderText(back), RiffHeaderText(custom));
}

TEST(RiffHeader, OutOfRangeKeysAndTemposStayUsable) {
    TRiff riff;
    int field = 0;
    ParseRiffHeader("\t\t\t\t\t\t\t\t-50\t\t99999\t17", field, riff);
    EXPECT_EQ(riff.Tempo, 120);
    EXPECT_EQ(riff.BarsB, 65535);
    EXPECT_EQ(riff.Key, 6) << "no key signature has more than six sharps";
}

TEST(StructureFields, ReadPastTheEndAndPaddedWrites) {
    std::string row = "2\tIntro";
    EXPECT_EQ(StructureField(row, 0), "2");
    EXPECT_EQ(StructureField(row, 1), "Intro");
    EXPECT_EQ(StructureField(row, 5), "");
    SetStructureField(row, RiffFieldIndex(2), "Bass");
    EXPECT_EQ(row, "2\tIntro\t\t\t\tBass");
    SetStructureField(row, RepeatFieldIndex(2), "3");
    EXPECT_EQ(row, "2\tIntro\t\t\t3\tBass");
    SetStructureField(row, 1, "Verse\tB");
    EXPECT_EQ(row, "2\tVerse B\t\t\t3\tBass") << "a TAB inside a value cannot split the row";
    std::string empty;
    SetStructureField(empty, 0, "1");
    EXPECT_EQ(empty, "1");
}

TEST(TabCaptions, BlankTabRulesAndLimit) {
    TTabCaptions tabs(3);
    tabs.Reset("Riff1");
    EXPECT_EQ(tabs.All(), (std::vector<std::string>{"Riff1", ""}));
    EXPECT_EQ(tabs.RecordCount(), 1);
    tabs.SetCaption(1, "Riff2");
    tabs.EnsureBlankTab();
    EXPECT_EQ(tabs.Count(), 3);
    tabs.SetCaption(2, "Riff3");
    tabs.EnsureBlankTab();
    EXPECT_EQ(tabs.Count(), 3) << "no blank tab beyond the limit";
    EXPECT_EQ(tabs.RecordCount(), 3);
    tabs.GrowTo(10);
    EXPECT_EQ(tabs.Count(), 3);
    EXPECT_EQ(tabs.Find("RIFF2"), 1);
    EXPECT_EQ(tabs.Find(""), -1) << "the blank tab is no name";
    tabs.SetCaption(0, "A\tB\r\nC");
    EXPECT_EQ(tabs[0], "A B  C");
}

TEST(TextFields, IntegerReadingSaturatesAndWraps) {
    bool digits = true;
    EXPECT_EQ(ReadLeadingInt("", &digits), 0);
    EXPECT_FALSE(digits);
    EXPECT_EQ(ReadLeadingInt("  -42x", &digits), -42);
    EXPECT_TRUE(digits);
    EXPECT_EQ(ReadLeadingInt("4294967296"), INT32_MAX);
    EXPECT_EQ(static_cast<uint32_t>(ReadLeadingIntWrapped("4294967297")), 1u);
    EXPECT_EQ(static_cast<uint8_t>(ReadLeadingIntWrapped("-1")), 255);
    EXPECT_EQ(TabFieldCount(""), 1);
    EXPECT_EQ(TabFieldCount("\t\t"), 3);
}

} // namespace
} // namespace zel
