// Practice loops: passes at the trainer's speeds, the last pass twice, and a buffer that goes
// round its last pass sounding exactly like the passage played over and over.
#include <gtest/gtest.h>

#include "arrange/loop_plan.h"
#include "arrange/timeline.h"
#include "model/projectfile.h"
#include "sound/notebuffer.h"
#include "sound/sequencer.h"
#include "test_support.h"

namespace zel {
namespace {

using test::Note;

struct TRendered {
    TSharedBuffer Buffer;
    int64_t LoopStart = 0; // values
};

TRendered Render(const TLoopPlan& plan) {
    TRendered out;
    TRenderer renderer;
    TSongRender song = RenderSong(renderer, plan.Project, TSongMode::Export, 0, nullptr, {},
                                  [&](int row, int64_t frame) {
                                      if (row == plan.LoopRow)
                                          out.LoopStart = 2 * frame;
                                  });
    out.Buffer = song.Buffer;
    return out;
}

std::vector<int16_t> Read(const TSampleBuffer& buffer, size_t values) {
    std::vector<int16_t> out(values);
    for (size_t done = 0, n = 1; done < values && n > 0; done += n / 2)
        n = buffer.ReadBytes(done * 2, reinterpret_cast<char*>(out.data() + done),
                             (values - done) * 2);
    return out;
}

class LoopPlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadProject(project, ZELVANE_DEMO_PROJECT));
        // A riff whose notes ring on for two seconds, longer than the passage, so a cut at
        // the loop point would be heard. (No modulation: its phase runs with the song.)
        TRiff& riff = project.Riffs[0];
        test::SetNotes(riff,
                       {Note(3, {{0, 3}}), Note(4, {{1, 2}}), Note(4), Note(3, {{2, 0}, {3, 2}})});
        project.Instruments[0] = TInstrument{};
        project.Instruments[0].AmpEnv.Release = project.Instruments[0].FilterEnv.Release = 5;
    }
    TProject project;
};

TEST_F(LoopPlanTest, TheLoopSoundsLikeThePassagePlayedOverAndOver) {
    TLoopPlan plan = RiffLoopPlan(project, 0, 1, 4, 0, {100});
    TRendered loop = Render(plan);
    ASSERT_TRUE(loop.Buffer);
    loop.Buffer->SetLoopStart(size_t(loop.LoopStart));
    const size_t pass = loop.Buffer->Size() - size_t(loop.LoopStart);
    // The notes ring for two seconds, longer than a pass: the loop starts on a later copy.
    EXPECT_GT(plan.LoopRow, 3);
    // The same passage six times (and more) straight, each pass ringing into the next ones.
    TRendered straight = Render(RiffLoopPlan(project, 0, 1, 4, 0, std::vector<int>(6, 100)));
    const size_t heard = size_t(loop.LoopStart) + 3 * pass;
    ASSERT_GE(straight.Buffer->Size(), heard);
    std::vector<int16_t> expected(straight.Buffer->Samples().begin(),
                                  straight.Buffer->Samples().begin() + ptrdiff_t(heard));
    EXPECT_EQ(Read(*loop.Buffer, heard), expected);
    EXPECT_FALSE(loop.Buffer->PlayedOut(uint64_t(100 * pass)));
    EXPECT_EQ(LoopedFrame(int64_t(7 * pass / 2) + 3, int64_t(pass / 2), int64_t(pass)),
              int64_t(pass / 2) + 3);
}

TEST_F(LoopPlanTest, TrainerPassesRiseToTheTarget) {
    struct TCase {
        int Speed;
        TSpeedTrainer Trainer;
        std::vector<int> Speeds;
    } cases[] = {
        {80, {}, {80}},
        {100, {true, 60, 15, 100}, {60, 75, 90, 100}},
        {100, {true, 90, 20, 90}, {90}},
        {201, {}, {}},
        {100, {true, 60, 0, 100}, {}},
        {100, {true, 100, 5, 60}, {}},
        {100, {true, 20, 5, 60}, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PassSpeeds(c.Speed, c.Trainer), c.Speeds) << c.Speed << " " << c.Trainer.Start;
    TLoopPlan plan = RowsLoopPlan(project, 2, 3, {50, 100});
    ASSERT_EQ(plan.Error, "");
    // Two passes of two rows, and the last pass twice more (its notes ring into the next).
    EXPECT_EQ(plan.Project.Structure.size(), 8u);
    EXPECT_EQ(plan.LoopRow, 7);
    EXPECT_EQ(plan.PassRows, (std::vector<int>{1, 3}));
    // Pass 1 plays copies of the rows' riffs at half their tempo.
    int verse = project.RiffNames.Find("Verse");
    int copy = plan.Project.RiffNames.Find("1:Verse");
    ASSERT_GE(copy, 0);
    EXPECT_EQ(plan.SourceRiff[size_t(copy)], verse);
    EXPECT_EQ(plan.Project.Riffs[size_t(copy)].Tempo, project.Riffs[size_t(verse)].Tempo / 2);
}

TEST_F(LoopPlanTest, NothingToLoopAndUndefinedRiffsAreSaid) {
    EXPECT_NE(RiffLoopPlan(project, 0, 2, 2, 0, {100}).Error, "");
    EXPECT_NE(RiffLoopPlan(project, 0, 1, 4, 0, {}).Error, "");
    project.Structure.insert(project.Structure.begin(), "");
    EXPECT_NE(RowsLoopPlan(project, 1, 1, {100}).Error, "");
    project.Structure[0] = "1\tNowhere";
    TLoopPlan plan = RowsLoopPlan(project, 1, 2, {100});
    ASSERT_EQ(plan.Error, "");
    TRenderer renderer;
    TSongRender song = RenderSong(renderer, plan.Project, TSongMode::Export, 0, nullptr, {});
    EXPECT_NE(song.Error.find("Undefined Riff - Nowhere"), std::string::npos);
    EXPECT_FALSE(song.Buffer);
}

TEST(Clicks, BeatsFollowTheBarCycleWithAccentsOnEachBar) {
    struct TCase {
        const char* Bars;
        int Denominator;
        int64_t Ticks;
        const char* Clicks; // A accented beat, b beat, r rest
    } cases[] = {
        {"4", 4, 2048, "AbbbAbbb"},    {"6", 8, 2 * 768, "AbAb"}, // compound: dotted quarters
        {"3 2", 4, 2048, "AbbAbAbb"},                             // the bar cycle
        {"4", 4, 1024 + 128, "Abbbr"}, // a short last beat passes in a rest
        {"x", 4, 512, "Ab"},           // no numerator: four beats
    };
    for (const TCase& c : cases) {
        TRiff lead;
        lead.BarsA = c.Bars;
        lead.BarsB = uint16_t(c.Denominator);
        TRiff clicks = ClickRiff(lead, c.Ticks);
        std::string seen;
        for (int i = 0; i < NoteCount(clicks); ++i) {
            const TNote& note = clicks.Notes[size_t(i)];
            seen += note.Fret[0] == NoFret ? 'r' : note.Fret[0] > 0 ? 'A' : 'b';
        }
        EXPECT_EQ(seen, c.Clicks) << c.Bars << "/" << c.Denominator;
        EXPECT_EQ(RiffPlayTicks(clicks), c.Ticks) << c.Bars << "/" << c.Denominator;
    }
}

TEST_F(LoopPlanTest, TheCountInIsOneBarBeforeTheMusicAndTheMetronomeClicksEveryRow) {
    auto frames = [](const TLoopPlan& plan) {
        return MeasureSong(plan.Project, TSongMode::Export, 0, {}).Total / 2;
    };
    TLoopPlan plain = RowsPlan(project, 1, 100);
    TLoopPlan counted = RowsPlan(project, 1, 100);
    AddClicks(counted, {.CountIn = true, .Metronome = true});
    ASSERT_EQ(counted.Error, "");
    ASSERT_EQ(counted.Project.Structure.size(), plain.Project.Structure.size() + 1);
    // The first riff (Intro, 4/4 at 96) counts one bar in: 4 quarters.
    const TRiff& intro = project.Riffs[size_t(project.RiffNames.Find("Intro"))];
    EXPECT_NEAR(double(frames(counted) - frames(plain)), double(NoteSamples(intro.Tempo, 1024)), 4);
    for (size_t r = 1; r < counted.Project.Structure.size(); ++r)
        EXPECT_NE(counted.Project.Structure[r].find("click:"), std::string::npos) << r;
}

} // namespace
} // namespace zel
