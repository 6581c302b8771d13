// One edit on a riff of 400,000 notes as the editor sees it: the undoable step, its change set
// delivered to the riff view, and the view refreshed and its visible area repainted. Prints the
// median and worst of 41 against the step alone, with the 5 ms target.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_timing.h"
#include "document/document.h"
#include "document/document_edits.h"
#include "view/riff_view.h"

using namespace zel;
using namespace zel::bench;

namespace {

constexpr int Notes = 400000;
constexpr int Rounds = 41;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDocument doc;
    TRiff& riff = doc.Project().Riffs[0];
    riff.Notes.clear();
    for (int i = 0; i < Notes; ++i) {
        TNote note;
        note.Fret[size_t(i % 6)] = uint8_t(i % 13);
        note.Duration = uint8_t(3 + i % 2);
        riff.Notes.push_back(note);
    }
    EnsureNotes(riff, Notes + 2);
    doc.MarkClean();

    TRiffView view(doc);
    view.resize(1000, 400);
    view.show();
    QApplication::processEvents();
    bool follow = true;
    doc.Subscribe([&](const TChangeSet& changes) {
        if (!follow || !changes.TouchesRiffs())
            return;
        view.RefreshView();
        view.PaintBox()->repaint();
    });
    TEditorContext context;
    doc.Editor().TabMode = true;
    auto measure = [&](bool withView) {
        follow = withView;
        std::vector<double> times;
        for (int round = 0; round < Rounds; ++round) {
            riff.Cursor = riff.Anchor = Notes / 2 + round * 3;
            view.ScrollToCursor();
            doc.BreakMerge();
            auto t0 = Clock::now();
            DocumentRiffKey(doc, {TEditKey::Digit, 1 + round % 9}, context);
            times.push_back(Ms(Clock::now() - t0));
        }
        std::sort(times.begin(), times.end());
        return std::pair{times[times.size() / 2], times.back()};
    };
    std::vector<double> paints;
    riff.Cursor = riff.Anchor = Notes / 2;
    view.ScrollToCursor();
    view.PaintBox()->repaint();
    for (int round = 0; round < Rounds; ++round) {
        auto t0 = Clock::now();
        view.PaintBox()->repaint();
        paints.push_back(Ms(Clock::now() - t0));
    }
    auto [alone, aloneWorst] = measure(false);
    auto [full, fullWorst] = measure(true);
    std::printf("typing a fret on %d notes (median / worst of %d; target under 5 ms):\n", Notes,
                Rounds);
    std::printf("  the step alone                          %7.3f / %7.3f ms\n", alone, aloneWorst);
    std::printf("  the view's repaint alone                %7.3f ms\n", Median(paints));
    std::printf("  step + change set + view repainted      %7.3f / %7.3f ms (%.2fx the step)\n",
                full, fullWorst, full / std::max(alone, 1e-6));
    return 0;
}
