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

std::shared_ptr<const std::vector<int16_t>> Preview(int frames) {
    auto samples = std::make_shared<std::vector<int16_t>>();
    samples->reserve(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        const double decay = std::exp(-t);
        samples->push_back(int16_t(20000 * decay * std::sin(2 * M_PI * 261.63 * t)));
        samples->push_back(int16_t(14000 * decay * std::sin(2 * M_PI * 261.63 * t + 1)));
    }
    return samples;
}

// Microseconds per paint of the visible area, median of the rounds.
double PaintMicroseconds(int frames) {
    TWavePlot plot;
    plot.resize(600, 200);
    plot.show();
    QApplication::processEvents();
    plot.SetWave(Preview(frames));
    plot.horizontalScrollBar()->setValue(plot.horizontalScrollBar()->maximum() / 2);
    QImage image(plot.viewport()->size(), QImage::Format_RGB32);
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        for (int i = 0; i < PaintsPerRound; ++i)
            plot.viewport()->render(&image);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                        PaintsPerRound);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double oneSecond = PaintMicroseconds(44100);
    const double eightSeconds = PaintMicroseconds(352800);
    std::printf("preview plot, visible area 600 x 200 at scale 8 (median of %d x %d paints):\n",
                Rounds, PaintsPerRound);
    std::printf("  1-second preview (5,512 px)    %8.1f us\n", oneSecond);
    std::printf("  8-second preview (44,100 px)   %8.1f us\n", eightSeconds);
    std::printf("  ratio 8 s / 1 s                %8.2f\n", eightSeconds / oneSecond);
    return 0;
}
