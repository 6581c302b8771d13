// MIDI import of a file of 10,000 notes (single notes and three-note chords, gaps of every
// length) through the editor's main window as File > Import MIDI runs it: the file read, the
// first pass, the channel dialog (answered at once; its time is not counted), the second pass
// as one undoable step and the views shown again. Measured with the debug window closed, and
// open (the first pass then writes about 30,000 diagnostic lines, moved into the window by its
// timer). Baseline: the two core passes alone on the same bytes. Prints medians and ratios.
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/debug_form.h"
#include "app/document.h"
#include "app/main_form.h"
#include "arrange/channels_form.h"
#include "arrange/midi_import.h"
#include "view/riff_view.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Notes = 10000;
constexpr int Rounds = 5;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string VarLen(uint32_t value) {
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
    return bytes;
}

std::string Be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}

// Every fourth note starts a chord of three; the gaps walk through every duration.
std::string MakeFile() {
    static const uint32_t gaps[] = {100, 200, 480, 960, 1400, 3000};
    std::string track;
    for (int i = 0; i < Notes; ++i) {
        int pitch = 52 + i % 24;
        bool chord = i % 4 == 0 && i + 2 < Notes;
        int count = chord ? 3 : 1;
        for (int k = 0; k < count; ++k)
            track += VarLen(0) + char(0x90) + char(pitch + 4 * k) + char(100);
        i += count - 1;
        track += VarLen(gaps[i % 6]) + char(0x80) + char(pitch) + char(0);
    }
    track += VarLen(0) + "\xFF\x2F" + std::string(1, '\0');
    std::string header = "MThd" + Be32(6) + std::string("\0\1\0\1\1\xE0", 6);
    return header + "MTrk" + Be32(uint32_t(track.size())) + track;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    std::string bytes = MakeFile();
    QString path = folder.filePath(QStringLiteral("notes.mid"));
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;

    std::vector<double> core;
    int imported = 0;
    for (int round = 0; round < Rounds; ++round) {
        TDocument document;
        auto t0 = Clock::now();
        TMidiImportResult scan = ScanMidiChannels(bytes, {});
        document.Edit("Import MIDI", TEditScope::Riff(0), [&] {
            ImportMidiNotes(bytes, scan.ChannelsFound, document.Project(), document.Editor());
        });
        core.push_back(Ms(Clock::now() - t0));
        imported = NoteCount(document.Project().Riffs[0]);
    }

    auto window = [&](bool debugWindow) {
        std::vector<double> times;
        for (int round = 0; round < Rounds; ++round) {
            TMainFormSetup setup;
            setup.SettingsPath = folder.filePath(QStringLiteral("bench.ini")).toStdString();
            setup.FileDialog = [&](bool, const QString&, const QString&, const QString&) {
                return path;
            };
            if (debugWindow)
                setup.Arguments = {QStringLiteral("-debug")};
            TMainForm form(std::move(setup));
            form.show();
            QApplication::processEvents();
            // The dialog is answered as soon as it shows; the time it stood open is not counted.
            Clock::duration dialogTime{};
            Clock::time_point dialogShown;
            QTimer answer;
            answer.setInterval(0);
            QObject::connect(&answer, &QTimer::timeout, [&] {
                auto* dialog = qobject_cast<TChannelsForm*>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                dialogShown = Clock::now();
                dialog->accept();
            });
            QObject::connect(form.ChannelsForm(), &QDialog::finished,
                             [&] { dialogTime = Clock::now() - dialogShown; });
            answer.start();
            auto t0 = Clock::now();
            form.mImportMIDIClick();
            form.DebugForm()->Drain(); // what the timer does 50 ms later
            form.RiffView()->PaintBox()->repaint();
            auto t1 = Clock::now();
            answer.stop();
            times.push_back(Ms(t1 - t0 - dialogTime));
            form.Document().MarkClean();
        }
        return Median(times);
    };
    double closed = window(false);
    double open = window(true);
    double base = Median(core);

    std::printf("MIDI import of %d notes (%zu bytes, %d riff records):\n", Notes, bytes.size(),
                imported);
    std::printf("  baseline: the core's two passes  %8.2f ms\n", base);
    std::printf("  window, debug window closed      %8.2f ms   %6.1f x baseline\n", closed,
                closed / base);
    std::printf("  window, debug window open        %8.2f ms   %6.1f x baseline\n", open,
                open / base);
    return 0;
}
