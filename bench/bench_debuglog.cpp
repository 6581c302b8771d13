// The debug log: 10,000 DebugAdd lines into an open debug window (offscreen), the timer's move
// of the queue into the text view included, against appending the same lines to a QString.
// Also the same lines in three alternating colours (no two neighbours share a colour), and with
// file logging on: the caller's time, and the time until the writer thread has them on disk.
// Prints the median of several rounds and the ratios.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/debug_form.h"
#include "base/debug_log.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Lines = 10000;
constexpr int Rounds = 9;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(const std::function<double()>& run) {
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round)
        times.push_back(run());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::string> MakeLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < Lines; ++i)
        lines.push_back(i % 3 == 0
                            ? "Midi: 90 " + std::to_string(i % 500)
                            : "\t" + std::to_string(i % 40) + "\t" + std::to_string(i % 128));
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<std::string> lines = MakeLines();

    double baseline = Median([&] {
        auto t0 = Clock::now();
        QString text;
        for (const std::string& line : lines) {
            text += QString::fromStdString(line);
            text += QLatin1Char('\n');
        }
        auto t1 = Clock::now();
        if (text.size() < Lines)
            std::puts("?");
        return Ms(t1 - t0);
    });

    TDebugForm form;
    form.show();
    SetDebugSink(&form);
    auto window = [&](bool threeColours) {
        return Median([&] {
            form.bClearClick();
            auto t0 = Clock::now();
            for (size_t i = 0; i < lines.size(); ++i)
                DebugAdd(lines[i], threeColours ? uint32_t(16512 + i % 3) : 16512u);
            form.Drain();
            auto t1 = Clock::now();
            return Ms(t1 - t0);
        });
    };
    double oneColour = window(false);
    double threeColours = window(true);
    RemoveDebugSink(&form);
    form.hide();

    QTemporaryDir folder;
    SetDebugLogFolder(folder.path().toStdString());
    SetDebugLogging(true);
    double flushed = 0;
    double caller = Median([&] {
        auto t0 = Clock::now();
        for (const std::string& line : lines)
            DebugAdd(line, 16512);
        auto t1 = Clock::now();
        DebugLogFlush();
        auto t2 = Clock::now();
        flushed = std::max(flushed, Ms(t2 - t0));
        return Ms(t1 - t0);
    });
    SetDebugLogging(false);

    std::printf("debug log, %d lines:\n", Lines);
    std::printf("  baseline: append to a QString    %8.2f ms\n", baseline);
    std::printf("  debug window, one colour         %8.2f ms   %6.1f x baseline\n", oneColour,
                oneColour / baseline);
    std::printf("  debug window, three colours      %8.2f ms   %6.1f x baseline\n", threeColours,
                threeColours / baseline);
    std::printf("  log file, the caller's time      %8.2f ms   %6.1f x baseline\n", caller,
                caller / baseline);
    std::printf("  log file, until on disk (worst)  %8.2f ms\n", flushed);
    return 0;
}
