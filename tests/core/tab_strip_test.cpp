// Tab strips over the riff and instrument tables: selecting, dragging, deleting, inserting.
#include <gtest/gtest.h>

#include "edit/tab_hosts.h"
#include "model/structure.h"
#include "test_support.h"

namespace zel {
namespace {

class RiffTabsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        BindRiffTabs(
            strip, project, editor, [this](int i) { loads.push_back(i); },
            [this](int i) { stores.push_back(i); });
        strip.SelectAndFill(0);
        project.SetChanged(false);
    }
    // Gives riff i one note whose fret 0 is `marker`.
    void Mark(int i, int marker) {
        TRiff& riff = project.Riffs[size_t(i)];
        EnsureNotes(riff, 2);
        riff.Notes[0].Duration = 3;
        riff.Notes[0].Fret[0] = uint8_t(marker);
    }
    int MarkOf(int i) {
        const TRiff& riff = project.Riffs[size_t(i)];
        return NoteCount(riff) ? riff.Notes[0].Fret[0] : -1;
    }
    void MakeRiffs(int count) {
        for (int i = 1; i < count; ++i)
            strip.Click(project.RiffNames.Count() - 1);
        for (int i = 0; i < count; ++i)
            Mark(i, i + 1);
    }

    TProject project;
    TEditorState editor;
    TTabStrip strip{project.RiffNames};
    std::vector<int> loads, stores;
};

TEST_F(RiffTabsTest, ClickingTheBlankTabMakesANewRiff) {
    strip.Click(1);
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"Riff1", "Riff2", ""}));
    EXPECT_EQ(editor.CurrentRiff, 1);
    EXPECT_TRUE(project.IsChanged());
    EXPECT_EQ(stores, std::vector<int>{0}) << "the riff being left is stored";
    EXPECT_EQ(loads, (std::vector<int>{0, 1}));
    strip.Click(1);
    EXPECT_EQ(stores.size(), 1u) << "clicking the filled tab again stores nothing";
}

TEST_F(RiffTabsTest, DraggingMovesRecordsAndTheCurrentRiffFollows) {
    MakeRiffs(3);
    strip.Click(2);
    EXPECT_FALSE(strip.CanDropOn(3)) << "never onto the blank tab";
    project.SetChanged(false);
    strip.DropOn(0);
    EXPECT_TRUE(project.IsChanged()) << "reordering riffs changes the project";
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"Riff3", "Riff1", "Riff2", ""}));
    EXPECT_EQ((std::vector<int>{MarkOf(0), MarkOf(1), MarkOf(2)}), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(editor.CurrentRiff, 0);
    EXPECT_EQ(strip.FilledIndex(), 0);
    strip.DropOn(2);
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"Riff1", "Riff2", "Riff3", ""}));
    EXPECT_EQ(MarkOf(2), 3);
}

TEST_F(RiffTabsTest, DeleteAndInsertNeverBringBackOldNotes) {
    MakeRiffs(3);
    strip.DeleteTabAt(2, [this](int i) { ResetRiffRecord(project, i); });
    EXPECT_EQ(editor.CurrentRiff, 1) << "the tab before the deleted one is shown";
    project.RiffNames.SetCaption(0, "A");
    project.RiffNames.SetCaption(1, "B");
    stores.clear();
    strip.DeleteTabAt(0, [this](int i) { ResetRiffRecord(project, i); });
    EXPECT_EQ(stores, std::vector<int>{1}) << "the shown riff's values are stored first";
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"B", ""}));
    EXPECT_EQ(editor.CurrentRiff, 0);
    EXPECT_EQ(MarkOf(0), 2);
    strip.DeleteTabAt(0, [this](int i) { ResetRiffRecord(project, i); });
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"B", ""}))
        << "the last riff stays";

    stores.clear();
    strip.InsertTabAt(0, InsertRiffCaption(project.RiffNames, 0),
                      [this](int i) { ResetRiffRecord(project, i); });
    EXPECT_EQ(stores, std::vector<int>{0}) << "stored before the records move";
    EXPECT_EQ(project.RiffNames.All(), (std::vector<std::string>{"Riff1", "B", ""}));
    EXPECT_EQ(MarkOf(0), -1) << "a new riff is empty";
    EXPECT_EQ(MarkOf(1), 2);
    strip.Click(2);
    EXPECT_EQ(MarkOf(2), -1) << "nor does a riff made from the blank tab inherit a deleted one";
    strip.DeleteTabAt(-1, {});
    strip.InsertTabAt(-1, "x", {});
    EXPECT_EQ(project.RiffNames.Count(), 4) << "no tab selected: nothing happens";
}

TEST_F(RiffTabsTest, AFullTableKeepsEverySwapInside) {
    MakeRiffs(MaxRiffs);
    ASSERT_EQ(project.RiffNames.Count(), MaxRiffs);
    EXPECT_FALSE(project.RiffNames.LastIsBlank()) << "no blank tab at 200 riffs";
    auto reset = [this](int i) { ResetRiffRecord(project, i); };
    strip.InsertTabAt(5, "extra", reset);
    EXPECT_EQ(project.RiffNames.Count(), MaxRiffs) << "no room";
    strip.DeleteTabAt(10, reset);
    EXPECT_EQ(project.RiffNames.Count(), MaxRiffs);
    EXPECT_TRUE(project.RiffNames.LastIsBlank());
    EXPECT_EQ(MarkOf(10), 12);
    EXPECT_EQ(MarkOf(MaxRiffs - 2), 200);
    EXPECT_EQ(MarkOf(MaxRiffs - 1), -1) << "the deleted riff is gone from the blank tab";
    strip.InsertTabAt(3, "new", reset);
    EXPECT_EQ(project.RiffNames.Count(), MaxRiffs);
    EXPECT_EQ(project.RiffNames[3], "new");
    EXPECT_EQ(MarkOf(3), -1);
    EXPECT_EQ(MarkOf(MaxRiffs - 1), 200);
}

// The first `count` fields of a row, joined by "|".
std::string Fields(const std::string& row, int count = 8) {
    std::string text;
    for (int f = 0; f < count; ++f)
        text += (f ? "|" : "") + std::string(StructureField(row, f));
    return text;
}

TEST(InstrumentTabs, SwappingMovesStructureColumnsAndNewOnesStartClean) {
    TProject project = test::NewProject();
    TTabStrip strip(project.InstrumentNames);
    BindInstrumentTabs(strip, project);
    strip.SelectAndFill(0);
    strip.Click(1);
    EXPECT_EQ(project.InstrumentNames.All(), (std::vector<std::string>{"Inst1", "Inst2", ""}));
    project.Instruments[1].Wave = WaveSquare;
    project.Structure = {"1\tA\t2\tB", "3\tC"};
    strip.DropOn(0);
    EXPECT_EQ(project.Instruments[0].Wave, WaveSquare);
    EXPECT_EQ(project.Structure, (std::vector<std::string>{"2\tB\t1\tA", "\t\t3\tC"}));
    strip.DeleteTabAt(0, [&](int i) { ResetInstrumentRecord(project, i); });
    EXPECT_EQ(project.InstrumentNames.All(), (std::vector<std::string>{"Inst1", ""}));
    EXPECT_EQ(Fields(project.Structure[0]), "1|A||||||") << "the deleted column went with it";
    EXPECT_EQ(InsertInstrumentCaption(project.InstrumentNames), "Inst2");
    strip.InsertTabAt(0, "Inst2", [&](int i) { ResetInstrumentRecord(project, i); });
    EXPECT_EQ(project.Instruments[0], TInstrument{});
    EXPECT_EQ(Fields(project.Structure[0], 4), "||1|A") << "the new instrument's column is empty";
}

} // namespace
} // namespace zel
