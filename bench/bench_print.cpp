// Printing a riff of 10,000 notes into a PDF (A4 portrait, 8 points, 600 dpi), as File > Print
// and zelvane-cli print do it, written to a file; against the same print run drawing nothing,
// which is the page layout alone. The whole print must stay well under five seconds.
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "bench_riffs.h"
#include "page_printer.h"

namespace {

using namespace zel;
using Clock = std::chrono::steady_clock;

using bench::MakeRiff;

// Counts bands and moves through the notes as the band drawer does, drawing nothing.
class TNullSurface : public TPrintSurface {
public:
    void EjectPage() override {}
    void Text(int, int, const std::string&, int, bool) override {}
    void Line(int, int, int, int, uint32_t, int) override {}
    void RiffBand(const TRiff& riff, const TTabMetrics& m, int& noteIndex, int64_t& ticks, int x0,
                  int xLimit, int) override {
        for (int x = x0 + m.FirstColumn; x < xLimit && noteIndex < riff.Capacity() &&
                                         riff.Notes[size_t(noteIndex)].Duration != EndOfNotes;
             x += m.ColumnWidth)
            ticks += NoteTicks(riff.Notes[size_t(noteIndex++)]);
    }
};

template <typename F> double BestSeconds(int rounds, F&& run) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    TProject project;
    ResetProjectTables(project);
    project.Riffs[0] = MakeRiff(10000);
    TPrintRequest request;
    request.Sections.CurrentRiff = true;
    request.Title = QStringLiteral("bench");
    const std::string path =
        (std::filesystem::temp_directory_path() / "zelvane_bench_print.pdf").string();

    int pages = 0;
    std::string error;
    double pdf = BestSeconds(3, [&] {
        if (!WritePrintPdf(path, project, request, TPdfOptions{}, error, &pages))
            std::fprintf(stderr, "bench_print: %s\n", error.c_str());
    });
    auto bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);

    TPrintJob job;
    job.Sections.CurrentRiff = true;
    job.Title = "bench";
    job.PageWidth = 4960;
    job.PageHeight = 7016;
    job.FontPixels = PrintFontPixels(8, 600);
    TNullSurface null;
    double layout = BestSeconds(5, [&] { PrintProject(project, job, null); });

    std::printf("print a riff of 10,000 notes (A4, 8 pt, 600 dpi, %d pages, %.1f MB PDF):\n", pages,
                double(bytes) / 1e6);
    std::printf("  PDF written      %8.1f ms  (limit 5000 ms)\n", pdf * 1e3);
    std::printf("  layout alone     %8.3f ms\n", layout * 1e3);
    std::printf("  ratio            %8.0f x the layout\n", pdf / std::max(layout, 1e-9));
    return pdf < 5.0 ? 0 : 1;
}
