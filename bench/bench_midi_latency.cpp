// MIDI keyboard input: the time from a note-on reaching the input callback (on the MIDI
// service's thread) to the riff holding its pitch (on the user-interface thread), over 1,000
// key presses played through a private JACK server into a virtual keyboard port. Prints the
// median and the 99th percentile, the core's own share (the note entry alone), and the 99th
// percentile as a ratio of the 5 ms budget. Prints "skipped" where no JACK server can start.
#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "document/document.h"
#include "document/midi_note_in.h"
#include "midi_devices.h"
#include "private_jack.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Presses = 1000;
constexpr double BudgetMs = 5.0;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t i = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[i];
}

} // namespace

int main(int argc, char** argv) {
    test::TPrivateJack jack;
    if (!jack.Start()) {
        std::printf("MIDI input latency: skipped (no JACK server could start)\n");
        return 0;
    }
    QCoreApplication app(argc, argv);
    RtMidiOut keyboard(RtMidi::UNIX_JACK, "Bench Keyboard");
    keyboard.openVirtualPort("keys");

    TMidiInput& input = MidiInput();
    auto names = input.Names();
    auto found = std::find(names.begin(), names.end(), "Bench Keyboard:keys");
    if (found == names.end()) {
        std::printf("MIDI input latency: skipped (the keyboard port was not listed)\n");
        return 0;
    }
    input.Open(int(found - names.begin()));

    TDocument document;
    document.New();
    TMidiEntry entry;
    entry.InsertDown = true;
    std::vector<double> total;
    std::vector<double> core;
    int received = 0;
    input.OnInput = [&](int, uint8_t status, uint8_t data1, uint8_t data2) {
        int64_t start = NowNs();
        TMidiNoteInResult result = MidiNoteIn(document, entry, status, data1, data2);
        int64_t end = NowNs();
        if (result.Changed) {
            total.push_back(double(end - input.ArrivalNs()) / 1e6);
            core.push_back(double(end - start) / 1e6);
        }
        if (++received == 2 * Presses)
            app.quit();
    };

    std::thread player([&keyboard] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < Presses; ++i) {
            unsigned char key = static_cast<unsigned char>(48 + i % 24);
            std::vector<unsigned char> on{0x90, key, 100};
            std::vector<unsigned char> off{0x80, key, 0};
            keyboard.sendMessage(&on);
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
            keyboard.sendMessage(&off);
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
        }
    });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    app.exec();
    player.join();
    input.CloseAll();

    if (total.empty()) {
        std::printf("MIDI input latency: no key press arrived\n");
        return 1;
    }
    double median = Percentile(total, 0.5);
    double p99 = Percentile(total, 0.99);
    std::printf("MIDI input latency, callback to riff, %zu of %d key presses through JACK:\n",
                total.size(), Presses);
    std::printf("  median %.3f ms, 99th percentile %.3f ms, worst %.3f ms\n", median, p99,
                *std::max_element(total.begin(), total.end()));
    std::printf("  note entry alone: median %.3f ms (%.1f%% of the median)\n",
                Percentile(core, 0.5), 100.0 * Percentile(core, 0.5) / median);
    std::printf("  99th percentile / %.0f ms budget: %.3f\n", BudgetMs, p99 / BudgetMs);
    return 0;
}
