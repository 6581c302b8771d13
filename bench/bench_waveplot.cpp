// The preview plot: painting its visible area (600 x 200, offscreen) for an 8-second preview
// (352,800 frames) at the start scale 8, scrolled to its middle, against the same visible width
// of a 1-second preview. The ratio should stay near 1: the cost follows the visible width, not
// the plot's 44,100 pixels. Prints the median of several rounds.
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "sound/wave_plot.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Rounds = 15;
constexpr int PaintsPerRound = 50;

// A held note without decay, so that both previews show alike lines wherever they are scrolled.
std::shared_ptr<const std::vector<int16_t>> Preview(int frames) {
    auto samples = std::make_shared<std::vector<int16_t>>();
    samples->reserve(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        samples->push_back(int16_t(20000 * std::sin(2 * M_PI * 261.63 * t)));
        samples->push_back(int16_t(14000 * std::sin(2 * M_PI * 261.63 * t + 1)));
    }
    return samples;
}

struct TPlotBench {
    TWavePlot Plot;
    QImage Image;
    std::vector<double> Times;

    explicit TPlotBench(int frames) {
        Plot.resize(600, 200);
        Plot.show();
        QApplication::processEvents();
        Plot.SetWave(Preview(frames));
        Plot.horizontalScrollBar()->setValue(Plot.horizontalScrollBar()->maximum() / 2);
        Image = QImage(Plot.viewport()->size(), QImage::Format_RGB32);
    }
    void Round() {
        auto start = Clock::now();
        for (int i = 0; i < PaintsPerRound; ++i)
            Plot.viewport()->render(&Image);
        Times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                        PaintsPerRound);
    }
    // Microseconds per paint of the visible area, median of the rounds.
    double Median() {
        std::sort(Times.begin(), Times.end());
        return Times[Times.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TPlotBench oneSecond(44100);
    TPlotBench eightSeconds(352800);
    oneSecond.Round(); // warm up, unmeasured
    eightSeconds.Round();
    oneSecond.Times.clear();
    eightSeconds.Times.clear();
    // Alternating rounds, so that both meet the same machine.
    for (int round = 0; round < Rounds; ++round) {
        oneSecond.Round();
        eightSeconds.Round();
    }
    const double one = oneSecond.Median();
    const double eight = eightSeconds.Median();
    std::printf("preview plot, visible area 600 x 200 at scale 8 (median of %d x %d paints):\n",
                Rounds, PaintsPerRound);
    std::printf("  1-second preview (5,512 px)    %8.1f us\n", one);
    std::printf("  8-second preview (44,100 px)   %8.1f us\n", eight);
    std::printf("  ratio 8 s / 1 s                %8.2f\n", eight / one);
    return 0;
}
