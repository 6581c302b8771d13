// The progress service's levels, cadence and cancel flag, and the render clock.
#include <gtest/gtest.h>

#include "base/progress.h"
#include "sound/render_clock.h"

namespace zel {
namespace {

struct TFakeWindow {
    int64_t Now = 1000;
    int EventRuns = 0;
    std::vector<bool> Shown;
    TProgressService Service{[this] { return Now; }, [this] { ++EventRuns; },
                             [this](bool shown) { Shown.push_back(shown); }};
};

TEST(ProgressService, EventsRunAtMostEvery251Milliseconds) {
    TFakeWindow w;
    w.Service.Start("Rendering ...", 10);
    EXPECT_EQ(w.EventRuns, 1) << "once when a level starts";
    for (int i = 1; i <= 10; ++i) {
        w.Now += 50;
        w.Service.Position(i);
    }
    EXPECT_EQ(w.EventRuns, 2) << "500 ms of positions: once at 251 ms or later";
    w.Now += 251;
    w.Service.Position(10);
    EXPECT_EQ(w.EventRuns, 3);
    w.Now += 250;
    w.Service.Position(10);
    EXPECT_EQ(w.EventRuns, 3);
}

TEST(ProgressService, NestedLevelsAdvanceAndTheIndicatorCycles) {
    TFakeWindow w;
    w.Service.Start("Outer", 5);
    w.Service.Start("Inner", 0);
    EXPECT_EQ(w.Shown, std::vector<bool>{true}) << "one window for all levels";
    for (int i = 0; i < 33; ++i)
        w.Service.Position(-1);
    EXPECT_EQ(w.Service.Levels().back().Value, 1) << "32 steps, then round again";
    w.Service.Stop();
    w.Service.Position(-1);
    EXPECT_EQ(w.Service.Levels().back().Value, 1);
    w.Service.Cancel();
    EXPECT_TRUE(w.Service.Cancelled());
    w.Service.Stop();
    EXPECT_EQ(w.Shown, (std::vector<bool>{true, false}));
    w.Service.Stop(); // one too many: nothing happens
    w.Service.Start("Again", 1);
    EXPECT_FALSE(w.Service.Cancelled()) << "a new operation starts uncancelled";
    for (int i = 0; i < 150; ++i)
        w.Service.Start("deep", 1);
    EXPECT_EQ(int(w.Service.Levels().size()), TProgressService::MaxLevels);
}

TEST(RenderClock, RenderingLastsFromStartToStatus) {
    int64_t now = 5000;
    TRenderClock clock([&] { return now; });
    TRenderer renderer;
    renderer.State.PeakLevel = 999;
    clock.StartRenderClock(renderer);
    EXPECT_TRUE(clock.Rendering());
    EXPECT_EQ(renderer.State.PeakLevel, 0);
    renderer.State.PeakLevel = 16384;
    now += 350;
    EXPECT_EQ(clock.ShowRenderStatus(renderer, 44100 * 65),
              "Render Time 0.350 Sec.   Play Time 00:01:05.   Level 50%.");
    EXPECT_FALSE(clock.Rendering());
}

} // namespace
} // namespace zel
