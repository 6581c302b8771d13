// Opening each window of the editor as a user does: from the menu action (or the call the
// program makes) to the window's first paint, the first time in the run and again later. The
// main window holds the demo project. Runs under the display QT_QPA_PLATFORM names (bench/run
// gives it a virtual X server with a window manager); the budget is 100 ms a window.
//
//   bench_windows DEMO.zvp WORKDIR
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/debug_form.h"
#include "app/main_form.h"
#include "arrange/channels_form.h"
#include "bench_settle.h"
#include "bench_timing.h"

using namespace zel;

namespace {

using bench::Settle;

constexpr double BudgetMs = 100;
constexpr int Again = 5;

// Notes the time of the first paint of any widget of the watched window; a modal window is
// closed from there, so that the call that opened it returns.
class TFirstPaint : public QObject {
public:
    QString Window;
    bool Modal = false;
    QElapsedTimer Clock;
    double PaintedMs = -1;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && PaintedMs < 0 && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->objectName() == Window) {
                PaintedMs = double(Clock.nsecsElapsed()) / 1e6;
                if (Modal)
                    QTimer::singleShot(0, window, &QWidget::close);
            }
        }
        return false;
    }
};

struct TWindowCase {
    const char* Name;
    const char* ObjectName; // of the window that shows
    bool Modal;
    std::function<void()> Open;
};

double OpenOnce(TFirstPaint& probe, const TWindowCase& entry) {
    probe.Window = QString::fromLatin1(entry.ObjectName);
    probe.Modal = entry.Modal;
    probe.PaintedMs = -1;
    probe.Clock.start();
    entry.Open();
    while (probe.PaintedMs < 0 && probe.Clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == probe.Window)
            window->hide();
    Settle(100);
    return probe.PaintedMs;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_windows DEMO.zvp WORKDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    TMainFormSetup setup;
    setup.SettingsPath = std::string(argv[2]) + "/bench_windows.ini";
    setup.Arguments = {QStringLiteral("-nosplash"), QString::fromLocal8Bit(argv[1])};
    TMainForm window(std::move(setup));
    window.show();
    Settle(500);

    auto action = [&](const char* name) {
        return [&window, name] { window.findChild<QAction*>(QLatin1String(name))->trigger(); };
    };
    const std::vector<TWindowCase> cases = {
        {"Notes", "NotesForm", false, action("mNotes")},
        {"Riff Properties", "RiffPropertiesForm", false, action("mRiffPropertiesView")},
        {"Instruments Setup", "InstrumentsForm", false, action("mInstruments")},
        {"Print", "PrintForm", true, action("mPrint")},
        {"Preferences", "OptionsForm", false, action("mPreferences")},
        {"MIDI channels (Import MIDI)", "ChannelsForm", true,
         [&window] {
             uint16_t mask = 0x0003;
             window.findChild<TChannelsForm*>()->SelectChannels(mask);
         }},
        {"Debug", "DebugForm", false, [&window] { window.findChild<TDebugForm*>()->show(); }},
    };
    TFirstPaint probe;
    app.installEventFilter(&probe);
    std::printf("opening a window, from the action to its first paint (budget %.0f ms):\n",
                BudgetMs);
    bool missed = false;
    for (const TWindowCase& entry : cases) {
        double first = OpenOnce(probe, entry);
        std::vector<double> later;
        for (int i = 0; i < Again; ++i)
            later.push_back(OpenOnce(probe, entry));
        if (first < 0 || *std::min_element(later.begin(), later.end()) < 0) {
            std::printf("  %-28s did not paint within 5 s\n", entry.Name);
            missed = true;
            continue;
        }
        std::printf("  %-28s first %6.1f ms  later %6.1f ms  (%.2f of the budget)\n", entry.Name,
                    first, bench::Median(later), std::max(first, bench::Median(later)) / BudgetMs);
    }
    app.removeEventFilter(&probe);
    return missed ? 1 : 0;
}
