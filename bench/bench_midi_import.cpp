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
#include "app/main_form.h"
#include "arrange/channels_form.h"
#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "document/document.h"
#include "view/riff_view.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Notes = 10000;
constexpr int Rounds = 5;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Every fourth note starts a chord of three; the gaps walk through every duration.
std::string MakeFile() {
    static const int64_t gaps[] = {100, 200, 480, 960, 1400, 3000};
    TMidiTrackWriter track;
    int64_t tick = 0;
    for (int i = 0; i < Notes; ++i) {
        int pitch = 52 + i % 24;
        bool chord = i % 4 == 0 && i + 2 < Notes;
        int count = chord ? 3 : 1;
        i += count - 1;
        int64_t gap = gaps[i % 6];
        for (int k = 0; k < count; ++k)
            track.NoteOn(tick, 0, pitch + 4 * k, 100);
        track.NoteOff(tick + gap, 0, pitch);
        tick += gap;
    }
    return MidiFileBytes(1, 480, std::span(&track, 1));
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
