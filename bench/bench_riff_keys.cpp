// The editor's response on a riff of 10,000 notes, in the main window: a cursor key, a typed
// fret, a step of the scroll bar and the playing marker moving on, each from the key (or the step)
// to the riff view painted again with everything that follows it (change set, status bar, tabs).
// Worst and median of 100 of each, against one frame at 60 Hz.
//
//   bench_riff_keys WORKDIR
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/main_form.h"
#include "bench_riffs.h"
#include "bench_settle.h"
#include "bench_timing.h"
#include "model/projectfile.h"
#include "view/riff_view.h"

using namespace zel;

namespace {

using bench::Settle;

constexpr int Notes = 10000;
constexpr int Rounds = 100;
constexpr double FrameMs = 1000.0 / 60;

class TPaintCounter : public QObject {
public:
    QObject* Box = nullptr;
    int Paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Box && event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

void Key(int key, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_riff_keys WORKDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string work = argv[1];
    {
        TProject project;
        TEditorState editor;
        ResetProject(project, editor);
        project.Riffs[0] = bench::MakeRiff(Notes);
        project.RiffNames.SetCaption(0, "Long");
        project.RiffNames.EnsureBlankTab();
        if (!SaveProject(project, work + "/long.zvp"))
            return 1;
    }
    TMainFormSetup setup;
    setup.SettingsPath = work + "/bench_riff_keys.ini";
    setup.Arguments = {QStringLiteral("-nosplash"), QString::fromStdString(work + "/long.zvp")};
    TMainForm window(std::move(setup));
    window.resize(1200, 700);
    window.show();
    window.activateWindow();
    Settle(500);
    auto* view = window.findChild<TRiffView*>();
    view->FocusTabLines();
    Settle(100);
    TPaintCounter counter;
    counter.Box = view->PaintBox();
    app.installEventFilter(&counter);

    auto measure = [&](const std::function<void(int)>& step) {
        std::vector<double> times;
        int unpainted = 0;
        for (int round = 0; round < Rounds; ++round) {
            int paints = counter.Paints;
            QElapsedTimer clock;
            clock.start();
            step(round);
            QApplication::processEvents();
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            unpainted += counter.Paints == paints;
        }
        return std::tuple{bench::Median(times), *std::max_element(times.begin(), times.end()),
                          unpainted};
    };
    // From the middle of the riff, as far from both ends as the user gets.
    for (int i = 0; i < 40; ++i)
        Key(Qt::Key_End);
    for (int i = 0; i < Notes / 2; ++i)
        Key(Qt::Key_Left);
    QApplication::processEvents();
    QScrollBar* bar = view->horizontalScrollBar();
    struct TCase {
        const char* Name;
        std::function<void(int)> Step;
    };
    const std::vector<TCase> cases = {
        {"cursor right", [](int) { Key(Qt::Key_Right); }},
        {"cursor left", [](int) { Key(Qt::Key_Left); }},
        {"a fret typed",
         [](int round) {
             Key(Qt::Key_0 + 1 + round % 9, QString::number(1 + round % 9));
             Key(Qt::Key_Right);
         }},
        {"scroll bar step", [bar](int) { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); }},
        {"scroll bar step back",
         [bar](int) { bar->triggerAction(QAbstractSlider::SliderPageStepSub); }},
        // Follow Playback moving its marker on by a note (the view scrolls when it must).
        {"playing marker moves on", [view](int round) { view->ShowPlaying(Notes / 2 + round); }},
    };
    std::printf("riff of %d notes in the main window, worst and median of %d (budget %.1f ms, "
                "one frame at 60 Hz):\n",
                Notes, Rounds, FrameMs);
    bool missed = false;
    for (const TCase& entry : cases) {
        auto [median, worst, unpainted] = measure(entry.Step);
        std::printf("  %-24s worst %6.2f ms  median %6.2f ms  (%.2f of the budget)%s\n", entry.Name,
                    worst, median, worst / FrameMs,
                    unpainted ? "  (some rounds did not repaint)" : "");
        missed |= unpainted == Rounds;
    }
    app.removeEventFilter(&counter);
    return missed ? 1 : 0;
}
