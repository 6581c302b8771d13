// Autosave of a 20 MB project: the time the window's thread is held (copying the tables and
// queueing them) against writing the project text there, and the worker's write to disk.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "document/autosave.h"
#include "document/document.h"
#include "model/datafile.h"
#include "model/projectfile.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread: what the window's thread spends, whatever else the machine
// runs meanwhile.
double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 200 riffs of 4100 notes with chords: about 20 MB of project text.
void FillLargeProject(zel::TProject& project) {
    for (int r = 0; r < zel::MaxRiffs; ++r) {
        project.RiffNames.GrowTo(r + 1);
        project.RiffNames.SetCaption(r, "Riff" + std::to_string(r + 1));
        zel::TRiff& riff = project.Riffs[size_t(r)];
        zel::EnsureNotes(riff, 4101);
        for (int j = 0; j < 4100; ++j) {
            zel::TNote& note = riff.Notes[size_t(j)];
            note.Duration = uint8_t(2 + j % 5);
            for (int s = 0; s < 6; ++s)
                note.Fret[size_t(s)] = uint8_t((j + s) % 13);
        }
    }
    project.RiffNames.EnsureBlankTab();
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    fs::path folder =
        fs::temp_directory_path() / ("zelvane-bench-rec-" + std::to_string(::getpid()));
    zel::TDocument doc;
    FillLargeProject(doc.Project());
    auto text = zel::TDataFile::ToMemory();
    auto start = Clock::now();
    zel::WriteProject(doc.Project(), *text);
    double textMs = Ms(start);

    zel::TAutosaver saver(folder.string(), "bench");
    saver.SetInterval(1);
    double worstWrite = 0;
    std::vector<double> ticks, cpu;
    auto now = Clock::now();
    const int rounds = 9;
    for (int round = 0; round < rounds; ++round) {
        doc.MarkChanged(); // a new revision
        saver.Tick(doc, now);
        now += std::chrono::seconds(2);
        start = Clock::now();
        double cpuStart = CpuMs();
        if (!saver.Tick(doc, now))
            return std::puts("no copy was queued"), 1;
        double tick = Ms(start);
        cpu.push_back(CpuMs() - cpuStart);
        ticks.push_back(tick);
        saver.Flush();
        worstWrite = std::max(worstWrite, Ms(start));
    }
    std::string failure = saver.TakeFailure();
    saver.Remove();
    saver.Flush();
    fs::remove_all(folder);
    std::sort(ticks.begin(), ticks.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("autosave of a %.1f MB project (%d rounds):\n", double(text->Bytes().size()) / 1e6,
                rounds);
    std::printf("  %-38s %7.1f ms best, %7.1f ms median, %7.1f ms worst (budget 20 ms)\n",
                "window thread held (copy and queue)", ticks.front(), ticks[rounds / 2],
                ticks.back());
    std::printf("  %-38s %7.1f ms median, %7.1f ms worst\n", "  of which its own CPU time",
                cpu[rounds / 2], cpu.back());
    std::printf("  %-38s %7.1f ms\n", "writing the text there instead", textMs);
    std::printf("  %-38s %7.1f ms worst\n", "until the copy is on disk (worker)", worstWrite);
    if (!failure.empty())
        std::printf("  failed: %s\n", failure.c_str());
    return ticks[rounds / 2] < 20 ? 0 : 1;
}
