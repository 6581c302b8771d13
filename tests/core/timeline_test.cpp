// The song's event timeline: rows, columns and repeats as the structure gives them, note starts
// and lengths with ties and rests, and the renderer sounding exactly the timeline's notes.
#include <gtest/gtest.h>

#include "arrange/structure_grid.h"
#include "arrange/timeline.h"
#include "model/structure.h"
#include "sound/sequencer.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        test::NameTables(project, {"A", "B", "C"});
        // A: quarter E (slot 5 open = 16), eighth rest, eighth chord.
        SetNotes(project.Riffs[0], {Note(3, {{5, 0}}), Note(4), Note(4, {{0, 3}, {1, 2}})});
        // B: a dotted half tied to a quarter (one note of 1024), then a tied note at the end.
        SetNotes(project.Riffs[1], {Note(2, {{0, 5}}, NoteDot | NoteTie), Note(3, {{0, 7}}),
                                    Note(3, {{2, 1}}, NoteTie)});
        // C: empty.
    }
    std::string Starts(const TTimeline& timeline) {
        std::string text;
        for (const TTimelineNote& n : timeline.Notes) {
            text += std::to_string(n.StartTick) + "+" + std::to_string(n.Ticks) + "c" +
                    std::to_string(n.Column) + ":";
            for (int i = 0; i < n.PitchCount; ++i)
                text += std::to_string(n.Pitches[size_t(i)]) + (i + 1 < n.PitchCount ? "," : "");
            text += " ";
        }
        return text;
    }
    TProject project;
    TEditorState editor;
};

TEST_F(TimelineTest, RiffEventsJoinTiesKeepRestsAndDropAHangingTie) {
    std::vector<std::string> seen;
    int64_t ticks = ForEachRiffEvent(project.Riffs[1], 0, [&](const TRiffEvent& e) {
        seen.push_back(std::to_string(e.Note) + "@" + std::to_string(e.StartTick) + "+" +
                       std::to_string(e.Ticks));
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"1@0+1024"}));
    EXPECT_EQ(ticks, 1024);
    EXPECT_EQ(RiffPlayTicks(project.Riffs[0]), 512);
    EXPECT_EQ(RiffPlayTicks(project.Riffs[0], 1), 256); // from the rest on
    EXPECT_EQ(RiffPlayTicks(project.Riffs[2]), 0);
}

TEST_F(TimelineTest, RowsColumnsAndRepeatsLayOut) {
    project.Structure = {"2\tA\t1\tB", "", "\t\t3\tA", "1\tC\t0\tA"};
    TTimeline song = SongTimeline(project, {});
    ASSERT_TRUE(song.Error.empty());
    // Row 1: A twice in column 0 (512 each) while B plays once in column 1 (1024); row 3 starts
    // after the longer column; the empty row takes no time; an empty riff takes none either.
    EXPECT_EQ(Starts(song), "0+256c0:16 0+1024c1:-1 384+128c0:-5,-1 512+256c0:16 "
                            "896+128c0:-5,-1 1024+256c1:16 1408+128c1:-5,-1 "
                            "1536+256c1:16 1920+128c1:-5,-1 2048+256c1:16 2432+128c1:-5,-1 "
                            "2560+256c1:16 2944+128c1:-5,-1 ");
    EXPECT_EQ(song.TotalTicks, 3072);
    ASSERT_EQ(song.Spans.size(), 7u);
    EXPECT_EQ(song.Spans[1].Column, 1);
    EXPECT_EQ(song.Spans[1].Ticks, 1024);
}

TEST_F(TimelineTest, PlayOptionsChooseRowsAndRepeats) {
    project.Structure = {"3\tA", "2\tB", "0\tA"};
    struct TCase {
        TPlayOptions Options;
        int64_t Total;
        size_t Rows;
    } cases[] = {
        {{}, 3 * 512 + 2 * 1024 + 512, 3},     {{.FirstGridRow = 2}, 2 * 1024 + 512, 2},
        {{.FirstGridRow = 3}, 512, 1},         {{.FirstGridRow = 9}, 0, 0},
        {{.Once = true}, 512 + 1024 + 512, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options.FirstGridRow);
        TTimeline song = SongTimeline(project, c.Options);
        EXPECT_EQ(song.TotalTicks, c.Total);
        EXPECT_EQ(PlanSong(project, c.Options).Rows.size(), c.Rows);
    }
}

TEST_F(TimelineTest, UndefinedRiffIsTheRenderersErrorAndLaysOutNothing) {
    project.Structure = {"1\tA\t1\tNope", "1\tGone"};
    TTimeline song = SongTimeline(project, {});
    EXPECT_EQ(song.Error, "\\b\\1\\|Error!\\n\\[Undefined Riff - Gone");
    EXPECT_TRUE(song.Notes.empty());
    TRenderer renderer;
    EXPECT_EQ(RenderSong(renderer, project, TSongMode::Export, 0, nullptr, {}).Error, song.Error);
}

TEST_F(TimelineTest, ALineFeedInAFieldIsNoPartOfItForAnyReader) {
    project.Structure = {"1\tA\t\n2\tB\n"};
    TSongPlan plan = PlanSong(project, {});
    ASSERT_EQ(plan.Rows.size(), 1u);
    ASSERT_EQ(plan.Rows[0].Columns.size(), 2u) << plan.Error;
    EXPECT_EQ(plan.Rows[0].Columns[1].Riff, 1);
    EXPECT_EQ(plan.Rows[0].Columns[1].Repeat, 2);
    EXPECT_EQ(StructCell(project.Structure, 1, 2).Riff, "B") << "the grid shows what plays";
    EXPECT_EQ(StructureField(project.Structure[0], 2), "2");
    TStructureCells cells(project.Structure[0]);
    std::string_view repeat, riff;
    ASSERT_TRUE(cells.Next(repeat, riff) && cells.Next(repeat, riff));
    EXPECT_EQ(riff, "B");
}

TEST_F(TimelineTest, HugeRepeatCountIsRefusedNotExhaustingMemory) {
    project.Structure = {"2000000000\tA"};
    TTimeline song = SongTimeline(project, {});
    EXPECT_EQ(song.Error, TimelineTooLongError);
    EXPECT_TRUE(song.Notes.empty());
}

TEST_F(TimelineTest, RiffsPlayOneAfterAnotherFromACursor) {
    TTimeline one = RiffsTimeline(project, 0, 1, false);
    EXPECT_EQ(Starts(one), "128+128c0:-5,-1 ");
    TTimeline all = RiffsTimeline(project, 0, 1, true);
    EXPECT_EQ(all.TotalTicks, 512 + 1024);
    EXPECT_EQ(all.Notes.size(), 3u);
}

// The renderer sounds exactly the timeline's notes: the song rendered equals every timeline note
// rendered on its own at its start. At tempo 105 a sixteenth is exactly 6300 frames, so ticks
// convert to buffer positions without rounding.
TEST_F(TimelineTest, RendererSoundsTheTimelinesNotesAtTheirStarts) {
    for (auto& riff : project.Riffs)
        riff.Tempo = 105;
    project.Structure = {"2\tA\t1\tB", "1\tB\t3\tA", "", "1\t\t1\tA"};
    TRenderer renderer;
    renderer.MasterVolume = 10;
    TSongRender song = RenderSong(renderer, project, TSongMode::Export, 0, nullptr, {});
    ASSERT_TRUE(song.Buffer);
    TTimeline timeline = SongTimeline(project, {});
    ASSERT_FALSE(timeline.Notes.empty());
    auto values = [](int64_t ticks) { return 2 * ticks * 6300 / 64; };
    EXPECT_EQ(int64_t(song.Buffer->Size()), values(timeline.TotalTicks));
    std::vector<int16_t> expected(song.Buffer->Size());
    TRenderState state;
    for (const TTimelineNote& n : timeline.Notes) {
        EXPECT_DOUBLE_EQ(n.StartSeconds(), double(n.StartTick) / 64 * 6300 / SampleRate);
        EXPECT_DOUBLE_EQ(n.EndSeconds(), double(n.StartTick + n.Ticks) / 64 * 6300 / SampleRate);
        for (int i = 0; i < n.PitchCount; ++i)
            RenderNote(state, 10, 105, n.Pitches[size_t(i)], int(n.Ticks),
                       &project.Instruments[size_t(n.Column)], expected, values(n.StartTick),
                       int64_t(expected.size()));
    }
    const auto& samples = song.Buffer->Samples();
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), expected.begin()));
}

} // namespace
} // namespace zel
