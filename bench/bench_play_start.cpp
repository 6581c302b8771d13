// From Play to the first sound: Play Entire Project in the main window until the sound device
// is handed the buffer (playback starts once the first row is rendered), on the demo project
// and on a ten-minute song of ninety rows. The device is a stand-in that notes the moment it is
// opened; a real device adds its own latency on top. Median and worst of 5, budget 100 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_form.h"
#include "bench_riffs.h"
#include "bench_timing.h"
#include "model/projectfile.h"
#include "model/structure.h"

using namespace zel;

namespace {

constexpr int Rounds = 5;

class TStream : public TAudioStream {
public:
    bool Finished() override { return true; }
    void Pause() override {}
    void Resume() override {}
    void Stop() override {}
};

class TTimedOutput : public TAudioOutput {
public:
    QElapsedTimer* Clock = nullptr;
    double OpenedMs = -1;
    std::unique_ptr<TAudioStream> Open(std::shared_ptr<const TSampleBuffer>) override {
        if (OpenedMs < 0)
            OpenedMs = double(Clock->nsecsElapsed()) / 1e6;
        return std::make_unique<TStream>();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_play_start DEMO.zvp WORKDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string work = argv[2];
    {
        TProject song;
        bench::MakeTenMinuteSong(song);
        if (!SaveProject(song, work + "/ten-minutes.zvp"))
            return 1;
    }
    std::printf("from Play Entire Project to the sound device opened (median / worst of %d, "
                "budget 100 ms):\n",
                Rounds);
    for (auto [what, path] : {std::pair{"demo project", std::string(argv[1])},
                              std::pair{"ten-minute song, 90 rows", work + "/ten-minutes.zvp"}}) {
        std::vector<double> rounds;
        double renderMs = 0;
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer clock;
            auto output = std::make_unique<TTimedOutput>();
            output->Clock = &clock;
            TTimedOutput* device = output.get();
            TMainFormSetup setup;
            setup.SettingsPath = work + "/bench_play_start.ini";
            setup.Arguments = {QStringLiteral("-nosplash"), QString::fromStdString(path)};
            setup.Audio = std::move(output);
            TMainForm window(std::move(setup));
            window.show();
            QApplication::processEvents();
            clock.start();
            window.bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
            renderMs = double(clock.nsecsElapsed()) / 1e6;
            rounds.push_back(device->OpenedMs);
            window.bStopClick();
            window.Document().MarkClean();
        }
        std::printf("  %-26s %6.1f / %6.1f ms  (%.2f of the budget; the whole render %.0f ms)\n",
                    what, bench::Median(rounds), *std::max_element(rounds.begin(), rounds.end()),
                    bench::Median(rounds) / 100, renderMs);
    }
    return 0;
}
