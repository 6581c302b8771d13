// Following playback: the record heard at a frame, against the timeline the renderer plays.
#include <gtest/gtest.h>

#include "arrange/play_follow.h"
#include "arrange/practice.h"
#include "model/structure.h"
#include "sound/notebuffer.h"
#include "test_support.h"

namespace zel {
namespace {

using test::Note;

class PlayFollowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProject(project, editor);
        test::NameTables(project, {"Fast", "Slow"}, {"Lead", "Bass"});
        // Fast (120): quarter, eighth rest, a half tied to a quarter, eighth.
        test::SetNotes(project.Riffs[0], {Note(3, {{0, 3}}), Note(4), Note(2, {{0, 5}}, NoteTie),
                                          Note(3, {{0, 5}}), Note(4, {{1, 2}})});
        project.Riffs[0].Tempo = 120;
        // Slow (40): two halves, longer than Fast's two passes.
        test::SetNotes(project.Riffs[1], {Note(2, {{2, 0}}), Note(2, {{2, 2}})});
        project.Riffs[1].Tempo = 40;
        // Row 1: Fast twice beside Slow once; row 2: Slow alone in column 1.
        std::string row1, row2;
        SetStructureField(row1, RiffFieldIndex(0), "Fast");
        SetStructureField(row1, RepeatFieldIndex(0), "2");
        SetStructureField(row1, RiffFieldIndex(1), "Slow");
        SetStructureField(row2, RiffFieldIndex(1), "Slow");
        project.Structure = {row1, row2};
    }
    TProject project;
    TEditorState editor;
};

TEST_F(PlayFollowTest, EverySoundingNoteIsHeardFromItsFirstFrameInItsColumn) {
    TTimeline timeline = SongTimeline(project, {});
    TPlayFollower follow(project, timeline);
    ASSERT_GT(timeline.Notes.size(), 8u);
    for (const TTimelineNote& note : timeline.Notes) {
        // A tie chain sounds as its last record; it is heard from its first.
        int first = note.Note;
        while (first > 0 &&
               project.Riffs[size_t(note.Riff)].Notes[size_t(first - 1)].Flags & NoteTie)
            --first;
        TPlayPlace place = follow.PlaceAt(note.StartFrame, note.Column);
        EXPECT_EQ(place, (TPlayPlace{note.Riff, first, note.Column})) << note.StartFrame;
        if (note.StartFrame > 0) { // the frame before belongs to another record
            EXPECT_NE(follow.PlaceAt(note.StartFrame - 1, note.Column).Note, first);
        }
    }
    EXPECT_EQ(follow.PlaceAt(timeline.TotalFrames, 0), TPlayPlace{});
}

TEST_F(PlayFollowTest, RestsTiesColumnsAndStartsFromTheCursor) {
    TTimeline timeline = SongTimeline(project, {});
    TPlayFollower follow(project, timeline);
    const int64_t quarter = NoteSamples(120, 256), eighth = NoteSamples(120, 128);
    // The rest is heard as itself; the tied quarter from where the half ends.
    EXPECT_EQ(follow.PlaceAt(quarter + 10, 0), (TPlayPlace{0, 1, 0}));
    EXPECT_EQ(follow.PlaceAt(quarter + eighth + NoteSamples(120, 512), 0).Note, 3);
    EXPECT_EQ(follow.PlaceAt(quarter + eighth + NoteSamples(120, 512) - 1, 0).Note, 2);
    // Fast's second pass ends before Slow: then the lowest column still playing is Slow's,
    // whichever column the user prefers; and row 2 plays only column 1.
    const int64_t fastEnd = 2 * (quarter + 2 * eighth + NoteSamples(120, 768));
    EXPECT_EQ(follow.PlaceAt(fastEnd + 5, 0), (TPlayPlace{1, 1, 1}));
    EXPECT_EQ(follow.PlaceAt(10, 1), (TPlayPlace{1, 0, 1}));
    EXPECT_EQ(follow.PlaceAt(10, 5), (TPlayPlace{0, 0, 0}));
    const int64_t row2 = 2 * NoteSamples(40, 512);
    EXPECT_EQ(follow.PlaceAt(row2 + 1, 0), (TPlayPlace{1, 0, 1}));
    // A riff played from its third record starts there.
    TPlayFollower fromCursor(project, RiffsTimeline(project, 0, 2, false), 2);
    EXPECT_EQ(fromCursor.PlaceAt(0, 0), (TPlayPlace{0, 2, 0}));
    EXPECT_EQ(fromCursor.PlaceAt(NoteSamples(120, 768), 0).Note, 4);
}

TEST(PlaybackSpeed, StepsAndScaledTempos) {
    struct TStep {
        int From, Direction, To;
    } steps[] = {{100, 1, 125}, {100, -1, 90}, {65, 1, 70},  {65, -1, 60},
                 {150, 1, 200}, {200, 1, 200}, {30, -1, 25}, {25, -1, 25}};
    for (auto [from, direction, to] : steps)
        EXPECT_EQ(NextSpeedStep(from, direction), to) << from << " " << direction;
    TProject project;
    project.Riffs[0].Tempo = 97;
    project.Riffs[1].Tempo = 1;
    EXPECT_FALSE(ScaleTempos(project, 24));
    EXPECT_FALSE(ScaleTempos(project, 201));
    EXPECT_EQ(project.Riffs[0].Tempo, 97);
    EXPECT_TRUE(ScaleTempos(project, 50));
    EXPECT_EQ(project.Riffs[0].Tempo, 49); // to the nearest whole beat per minute
    EXPECT_EQ(project.Riffs[1].Tempo, 1);  // never 0
}

} // namespace
} // namespace zel
