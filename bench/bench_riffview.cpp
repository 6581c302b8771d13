// Tab view painting: the visible area (1200 x band height) of a riff of 10 notes and of a riff
// of 10,000 notes scrolled to its middle, as the screen repaints it, and the ratio of the two.
// The long riff fills the area with about 45 columns where the short one has 10, so the same
// long riff is also compared with a riff of 45 notes that just fills the area: that ratio shows
// what the length of the riff itself costs. Also a repaint after an edit next to the visible
// area and one after an edit at the start (every column before the visible area must then be
// walked again). Last, the full area drawn smooth (antialiased) against drawn exact.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "bench_riffs.h"
#include "canvas.h"
#include "edit/tab_mouse.h"
#include "riff_view_paint.h"

namespace {

using namespace zel;

constexpr int VisibleWidth = 1200;

using bench::MakeRiff;

struct TView {
    TRiff Riff;
    TEditorState Editor;
    TBandColumnCache Cache;
    TTabMetrics Metrics = ComputeTabMetrics(RiffViewFontPixels);
    QImage Image;
    int Scroll = 0;
    TDrawingMode Mode = TDrawingMode::Exact;

    explicit TView(int notes) : Riff(MakeRiff(notes)) {
        Image = QImage(VisibleWidth, BandHeight(Metrics, Riff), QImage::Format_RGB32);
        Image.setDotsPerMeterX(3780);
        Image.setDotsPerMeterY(3780);
        int width = RiffViewWidth(Metrics, Riff);
        Scroll = std::max(0, width / 2 - VisibleWidth / 2);
        Riff.Cursor = Riff.Anchor = (Scroll + 300 - Metrics.FirstColumn) / Metrics.ColumnWidth;
    }

    void Paint() {
        Image.fill(Qt::white);
        QPainter painter(&Image);
        painter.translate(-Scroll, 0);
        painter.setClipRect(QRect(Scroll, 0, VisibleWidth, Image.height()));
        TCanvas canvas(painter, RiffViewFontFamily(), RiffViewFontPixels, Mode);
        TRiffViewPaint paint;
        paint.ViewWidth = RiffViewWidth(Metrics, Riff);
        paint.ViewHeight = Image.height();
        paint.VisibleLeft = Scroll;
        paint.VisibleRight = Scroll + VisibleWidth;
        PaintRiffView(canvas, Metrics, Riff, Editor, paint, Cache);
    }
};

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Milliseconds per paint, best of five rounds of `paints` paints; `before` runs before each.
template <typename F> double PaintTime(TView& view, int paints, F before) {
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        double total = 0;
        for (int i = 0; i < paints; ++i) {
            before(i);
            auto start = std::chrono::steady_clock::now();
            view.Paint();
            total += Seconds(start);
        }
        best = std::min(best, total * 1000 / paints);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TView small(10);
    TView full(45);
    TView large(10000);
    small.Paint();
    full.Paint();
    large.Paint();
    if (argc > 1 && std::string_view(argv[1]) == "--profile") {
        // Only the large riff's repaint, long enough for a profiler to see where time goes.
        for (int i = 0; i < 3000; ++i)
            large.Paint();
        return 0;
    }
    auto nothing = [](int) {};
    double smallTime = PaintTime(small, 100, nothing);
    double fullTime = PaintTime(full, 100, nothing);
    double largeTime = PaintTime(large, 100, nothing);
    int nearColumn = large.Riff.Cursor;
    double nearEdit = PaintTime(
        large, 50, [&](int i) { large.Riff.Notes[size_t(nearColumn)].Fret[0] = uint8_t(i % 10); });
    double startEdit =
        PaintTime(large, 20, [&](int i) { large.Riff.Notes[0].Duration = uint8_t(2 + i % 3); });
    TView smooth(45);
    smooth.Mode = TDrawingMode::Smooth;
    double smoothTime = PaintTime(smooth, 100, nothing);
    std::printf("tab view, visible area %d px wide, ms per paint:\n", VisibleWidth);
    std::printf("  riff of 10 notes                   %8.3f ms\n", smallTime);
    std::printf("  riff of 45 notes (fills the area)  %8.3f ms   ratio %.2f\n", fullTime,
                fullTime / smallTime);
    std::printf("  riff of 10,000 notes (middle)      %8.3f ms   ratio %.2f (target below 2)\n",
                largeTime, largeTime / smallTime);
    std::printf("  10,000 notes against 45 notes                      ratio %.2f\n",
                largeTime / fullTime);
    std::printf("  after an edit at the cursor        %8.3f ms   ratio %.2f\n", nearEdit,
                nearEdit / smallTime);
    std::printf("  after an edit of the first note    %8.3f ms   ratio %.2f\n", startEdit,
                startEdit / smallTime);
    std::printf("  riff of 45 notes, smooth drawing   %8.3f ms   ratio %.2f (against exact)\n",
                smoothTime, smoothTime / fullTime);
    return 0;
}
