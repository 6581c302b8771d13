// Loading and saving project files: exact lines, old line kinds, malformed input, table limits.
#include <gtest/gtest.h>

#include "model/datafile.h"
#include "model/projectfile.h"
#include "model/rtf.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProject(project, editor); }

    // Loads `bytes` as a project file into the reset project.
    bool LoadBytes(const std::string& bytes) {
        WriteBytes(dir.File("in.zvp"), bytes);
        return LoadProject(project, dir.File("in.zvp"));
    }
    std::string SaveBytes() {
        EXPECT_TRUE(SaveProject(project, dir.File("out.zvp")));
        return ReadBytes(dir.File("out.zvp"));
    }

    TTempDir dir;
    TProject project;
    TEditorState editor;
};

TEST_F(ProjectFileTest, StringsWithAGapMoveDownWithTheirFrets) {
    // Damage left slot 1 empty: five strings on slots 0, 2..5, and a fret on the empty slot.
    ASSERT_TRUE(LoadBytes("T\tGap\t-8\t-\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                          "N\t1\t9\t3\t4\t5\t6\t-\t-\t3\t0\r\n"));
    const TRiff& riff = project.Riffs[0];
    EXPECT_EQ(riff.Tuning,
              (std::array<int32_t, StringSlots>{-8, 2, 7, 11, 16, NoString, NoString, NoString}));
    EXPECT_EQ(riff.Notes[0].Fret,
              (std::array<uint8_t, StringSlots>{1, 3, 4, 5, 6, 9, NoFret, NoFret}));
    // Every string still sounds the same pitch.
    EXPECT_EQ(SlotPitch(riff, riff.Notes[0], 1), 2 + 3);
    EXPECT_EQ(SlotPitch(riff, riff.Notes[0], 4), 16 + 6);
    // A riff without a gap is untouched.
    TRiff plain;
    EXPECT_FALSE(CompactStringSlots(plain));
}

TEST_F(ProjectFileTest, ResetProjectSavesOneRiffOneInstrumentAndTheEmptyNotes) {
    EXPECT_EQ(SaveBytes(), "T\tRiff1\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                           "I\tInst1\t0\t0\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1\t0\t0"
                           "\t0\t10\t10\r\n"
                           "x\t{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                           "Arial;}}\r\n"
                           "x\t\\viewkind4\\uc1\\pard\\f0\\fs20 \\par\r\n"
                           "x\t}\r\n");
}

TEST_F(ProjectFileTest, LoadsRiffsNotesInstrumentsRowsAndNotes) {
    ASSERT_TRUE(LoadBytes("T\tIntro\t-8\t-3\t2\t7\t11\t16\t-\t-\t96\t3\t4\t2\r\n"
                          "N\t3\t2\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                          "N\t-\t-\t-\t-\t-\t-\t-\t-\t4\t0\r\n"
                          "T\tBass\t-20\t-15\t-10\t-5\t-\t-\t-\t-\t80\t4\t4\t0\r\n"
                          "N\t0\t-\t-\t-\t-\t-\t-\t-\t2\t16\r\n"
                          "T\tOutro\r\n"
                          "I\tLead\t2\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t1\t-2\t60\t40\r\n"
                          "s\t1\tIntro\t2\tBass\r\n"
                          "x\t{\\rtf1 hello\\par\r\n"
                          "x\t}\r\n"));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Intro", "Bass", "Outro", ""}));
    EXPECT_EQ(project.InstrumentNames.All(), (TTexts{"Lead", ""}));
    const TRiff& intro = project.Riffs[0];
    EXPECT_EQ(intro.Tempo, 96);
    EXPECT_EQ(intro.BarsA, "3");
    EXPECT_EQ(intro.Key, 2);
    ASSERT_EQ(NoteCount(intro), 2);
    EXPECT_EQ(intro.Notes[0].Fret[1], 2);
    EXPECT_EQ(intro.Notes[1].Duration, 4);
    EXPECT_EQ(NoteCount(project.Riffs[1]), 1);
    EXPECT_EQ(project.Riffs[1].Notes[0].Flags, NoteTie);
    EXPECT_EQ(project.Riffs[2].Tempo, 120);
    EXPECT_EQ(project.Instruments[0].Octave, -2);
    EXPECT_EQ(project.Instruments[0].MixLeft, 60);
    EXPECT_EQ(project.Structure, (TTexts{"1\tIntro\t2\tBass"}));
    EXPECT_EQ(project.NotesRtf, "{\\rtf1 hello\\par\r\n}");
}

TEST_F(ProjectFileTest, BytesAbove127ComeBackUnchanged) {
    std::string name = "Caf\xE9 \x80\x9F\xFF";
    std::string bytes = "T\t" + name + "\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n" +
                        "I\tSynth \xE4\xF6\t0\t0\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1000"
                        "\t1\t0\t0\t0\t10\t10\r\n"
                        "s\t1\t" +
                        name +
                        "\t\t\r\n"
                        "x\t{\\rtf1 \xA9 2026\\par\r\n"
                        "x\t}\r\n";
    ASSERT_TRUE(LoadBytes(bytes));
    EXPECT_EQ(project.RiffNames[0], name);
    EXPECT_EQ(SaveBytes(), bytes);
}

TEST_F(ProjectFileTest, LineFeedOnlyFileIsOneLine) {
    ASSERT_TRUE(LoadBytes("T\tA\t-8\t-3\t2\t7\t11\t16\t-\t-\t100\t4\t4\t0\n"
                          "N\t1\t-\t-\t-\t-\t-\t-\t-\t3\t0\n"
                          "T\tB\n"));
    EXPECT_EQ(project.RiffNames.RecordCount(), 1);
    EXPECT_EQ(NoteCount(project.Riffs[0]), 0);
}

TEST_F(ProjectFileTest, EmptyLineEndsLoading) {
    ASSERT_TRUE(LoadBytes("T\tA\r\n"
                          "N\t1\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                          "\r\n"
                          "N\t2\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                          "T\tB\r\n"));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"A", ""}));
    EXPECT_EQ(NoteCount(project.Riffs[0]), 1);
}

TEST_F(ProjectFileTest, UnknownLinesAndNotesBeforeAnyRiffAreIgnored) {
    ASSERT_TRUE(LoadBytes("N\t5\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n"
                          "# a comment\r\n"
                          "T\tA\r\n"
                          "N\t7\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n"));
    ASSERT_EQ(NoteCount(project.Riffs[0]), 1);
    EXPECT_EQ(project.Riffs[0].Notes[0].Fret[0], 7);
}

TEST_F(ProjectFileTest, TablesNeverOverflow) {
    std::string bytes;
    for (int i = 1; i <= MaxRiffs + 5; ++i)
        bytes += "T\tR" + std::to_string(i) + "\r\nN\t" + std::to_string(i % 250) +
                 "\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\n";
    for (int k = 1; k <= MaxInstruments + 5; ++k)
        bytes += "I\tI" + std::to_string(k) + "\t" + std::to_string(k % 4) + "\r\n";
    ASSERT_TRUE(LoadBytes(bytes));
    EXPECT_EQ(project.RiffNames.Count(), MaxRiffs) << "full: no blank tab";
    EXPECT_EQ(project.RiffNames[MaxRiffs - 1], "R200");
    EXPECT_EQ(project.Riffs[MaxRiffs - 1].Notes[0].Fret[0], 200);
    EXPECT_EQ(NoteCount(project.Riffs[MaxRiffs - 1]), 1) << "later notes went nowhere";
    EXPECT_EQ(project.InstrumentNames.Count(), MaxInstruments);
    EXPECT_EQ(project.InstrumentNames[MaxInstruments - 1], "I100");

    // Saving a full table keeps every riff and every instrument, the last ones included.
    TProject again = NewProject();
    WriteBytes(dir.File("full.zvp"), SaveBytes());
    ASSERT_TRUE(LoadProject(again, dir.File("full.zvp")));
    EXPECT_EQ(again.RiffNames.All(), project.RiffNames.All());
    EXPECT_EQ(again.InstrumentNames.All(), project.InstrumentNames.All());
    EXPECT_EQ(again.Instruments[MaxInstruments - 1].Wave, 0);
    EXPECT_EQ(again.Instruments[MaxInstruments - 2].Wave, 3);
}

TEST_F(ProjectFileTest, NoteWithoutDurationIsKeptAsAQuarter) {
    ASSERT_TRUE(LoadBytes("T\tA\r\n"
                          "N\t1\t-\t-\t-\t-\t-\t-\t-\t4\t0\r\n"
                          "N\t2\t-\t-\t-\t-\t-\t-\r\n"
                          "N\t3\t-\t-\t-\t-\t-\t-\t-\t-\t0\r\n"
                          "N\t4\t-\t-\t-\t-\t-\t-\t-\t200\t0\r\n"
                          "N\t5\t-\t-\t-\t-\t-\t-\t-\t2\t255\r\n"));
    const TRiff& riff = project.Riffs[0];
    ASSERT_EQ(NoteCount(riff), 5) << "later notes stay visible";
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(riff.Notes[size_t(i)].Duration, QuarterDuration) << "note " << i;
        EXPECT_EQ(riff.Notes[size_t(i)].Fret[0], i + 1);
    }
    EXPECT_EQ(riff.Notes[4].Duration, 2);
    EXPECT_EQ(riff.Notes[4].Flags, NoteDot | NoteDotDot | NoteTie) << "unknown flag bits dropped";
}

TEST_F(ProjectFileTest, NamelessRiffsAndInstrumentsGetNumberedNames) {
    ASSERT_TRUE(LoadBytes("T\tA\r\nT\t\r\nT\tC\r\nI\tLead\r\nI\r\n"));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"A", "Riff2", "C", ""}));
    EXPECT_EQ(project.InstrumentNames.All(), (TTexts{"Lead", "Inst2", ""}));
}

TEST_F(ProjectFileTest, OldItemNotationRows) {
    TCapturedMessages messages;
    ASSERT_TRUE(LoadBytes("T\tIntro\r\nT\tBig Riff\r\nT\tOdd_Name\r\n"
                          "I\tLead\r\nI\tBass Guitar\r\nI\tDrums\r\n"
                          "S\t2 intro lead, \"big riff\" Bass_Guitar\r\n"
                          "S\t\"Odd_Name\" DRUMS 3 Intro \"Drums\"\r\n"
                          "S\tnothing here, Lead Intro\r\n"
                          "S\t\r\n"));
    EXPECT_EQ(project.Structure, (TTexts{"2\tIntro\t1\tBig Riff", "\t\t\t\t3\tIntro"}));
    ASSERT_EQ(messages->size(), 1u);
    EXPECT_EQ((*messages)[0].Text, "\\bInstrument clash: Intro");
    EXPECT_EQ((*messages)[0].Kind, MessageError);
    EXPECT_NE(RtfToPlainText(project.NotesRtf).find("2 intro lead, \"big riff\" Bass_Guitar\n"),
              std::string::npos)
        << "S lines are kept in the notes too";
}

TEST_F(ProjectFileTest, PlainNoteLinesUnlessRtfLinesFollow) {
    ASSERT_TRUE(LoadBytes("X\tFirst {line} \\ here\r\nX\tSecond\r\n"));
    EXPECT_EQ(RtfToPlainText(project.NotesRtf), "First {line} \\ here\nSecond\n");
    TProject other;
    ResetProject(other, editor);
    WriteBytes(dir.File("b.zvp"), "X\tplain\r\nx\t{\\rtf1 rich\\par}\r\n");
    ASSERT_TRUE(LoadProject(other, dir.File("b.zvp")));
    EXPECT_EQ(other.NotesRtf, "{\\rtf1 rich\\par}");
}

TEST_F(ProjectFileTest, GeneratedNamesNeverRepeatAnExistingName) {
    ASSERT_TRUE(LoadBytes("T\tRiff2\r\nT\t\r\nT\triff3\r\nI\tInst1\r\nI\r\n"));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Riff2", "Riff3", "riff3", ""}))
        << "only names given so far are known";
    ResetProject(project, editor);
    ASSERT_TRUE(LoadBytes("T\tRiff2\r\nT\t\r\nI\tinst2\r\nI\r\n"));
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Riff2", "Riff3", ""}));
    EXPECT_EQ(project.InstrumentNames.All(), (TTexts{"inst2", "Inst3", ""}));
}

TEST_F(ProjectFileTest, ExtremeTuningsCannotOverflowPitchSums) {
    ASSERT_TRUE(LoadBytes("T\tA\t-99999999999\t-200\r\nN\t250\t3\t-\t-\t-\t-\t-\t-\t3\t0\r\n"));
    EXPECT_EQ(project.Riffs[0].Tuning[0], -128);
    EXPECT_EQ(project.Riffs[0].Tuning[1], -128);
    ReallocateNote(project, editor, 0, -1);
    EXPECT_EQ(project.Riffs[0].Notes[0].Fret[5], 105) << "pitch 121 on the top string";
    EXPECT_EQ(project.Riffs[0].Notes[0].Fret[1], 2) << "pitch -126 on the lowest one that reaches";
}

TEST_F(ProjectFileTest, LoneLineFeedsInNotesAndOldStructureLines) {
    std::string bytes = "T\tA\t-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\r\n"
                        "N\t-\t-\t-\t-\t-\t-\t-\t-\t9\t0\r\n"
                        "I\tLead\t0\t0\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1000\t1\t0\t0"
                        "\t0\t10\t10\r\n"
                        "s\t1\tA\nB\r\n"
                        "x\tab\ncd\r\n"
                        "x\t}\r\n";
    ASSERT_TRUE(LoadBytes(bytes));
    EXPECT_EQ(project.NotesRtf, "ab\ncd\r\n}");
    EXPECT_EQ(project.Riffs[0].Notes[0].Duration, 9) << "durations beyond 1/64 are kept";
    EXPECT_EQ(SaveBytes(), bytes);

    ResetProject(project, editor);
    ASSERT_TRUE(LoadBytes("T\tA B\r\nI\tLead\r\nS\t2 \"a b\" lead 3 \"A B\r\nS\t4\r\n"));
    EXPECT_EQ(project.Structure, (TTexts{"2\tA B"}))
        << "an unclosed quote runs to the end of the line; a count alone adds nothing";
}

TEST_F(ProjectFileTest, UnreadableFilesFailWithAMessage) {
    TCapturedMessages messages;
    EXPECT_FALSE(LoadProject(project, dir.File("missing.zvp")));
    EXPECT_FALSE(LoadProject(project, dir.Path().string())) << "a folder is no project";
    ASSERT_EQ(messages->size(), 2u);
    for (const auto& message : *messages)
        EXPECT_EQ(message.Text.rfind("Failed to Open File\n", 0), 0u) << "with the reason";
    EXPECT_GT((*messages)[0].Text.size(), std::string("Failed to Open File\n").size());
    EXPECT_EQ(project.RiffNames.All(), (TTexts{"Riff1", ""}));
}

TEST_F(ProjectFileTest, ReadingFromMemoryMatchesReadingTheFile) {
    std::string bytes = "T\tA\r\nN\t1\t-\t-\t-\t-\t-\t-\t-\t3\t0\r\ns\t1\tA\r\n";
    ASSERT_TRUE(LoadBytes(bytes));
    TProject fromMemory;
    ResetProject(fromMemory, editor);
    auto file = TDataFile::FromBytes(bytes);
    ReadProject(fromMemory, *file);
    EXPECT_EQ(fromMemory.Structure, project.Structure);
    EXPECT_EQ(fromMemory.Riffs[0].Notes, project.Riffs[0].Notes);
}

} // namespace
} // namespace zel
