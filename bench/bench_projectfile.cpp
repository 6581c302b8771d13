// Project file speed: loading and saving a large project (200 riffs of 2000 notes), measured
// against plainly splitting the same bytes into lines, so the ratios compare across machines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>

#include "model/datafile.h"
#include "model/projectfile.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best time of `repeats` runs, in milliseconds.
double BestMs(int repeats, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        auto start = Clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

void FillLargeProject(zel::TProject& project) {
    for (int r = 0; r < zel::MaxRiffs; ++r) {
        project.RiffNames.GrowTo(r + 1);
        project.RiffNames.SetCaption(r, "Riff" + std::to_string(r + 1));
        zel::TRiff& riff = project.Riffs[size_t(r)];
        zel::EnsureNotes(riff, 2001);
        for (int j = 0; j < 2000; ++j) {
            zel::TNote& note = riff.Notes[size_t(j)];
            note.Duration = uint8_t(2 + j % 5);
            note.Fret[size_t(j % 6)] = uint8_t(j % 13);
            if (j % 3 == 0)
                note.Fret[size_t((j + 2) % 6)] = uint8_t(j % 7);
        }
    }
    project.RiffNames.EnsureBlankTab();
    for (int row = 0; row < 500; ++row)
        project.Structure.push_back("1\tRiff" + std::to_string(row % 200 + 1) + "\t2\tRiff7");
}

} // namespace

int main() {
    zel::TProject project;
    zel::TEditorState editor;
    zel::ResetProject(project, editor);
    FillLargeProject(project);

    std::string path = (std::filesystem::temp_directory_path() /
                        ("zelvane-bench-" + std::to_string(::getpid()) + ".zvp"))
                           .string();
    const int repeats = 5;
    double saveMs = BestMs(repeats, [&] { zel::SaveProject(project, path); });
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    double splitMs = BestMs(repeats, [&] {
        auto file = zel::TDataFile::FromBytes(bytes);
        size_t total = 0;
        while (!file->AtEnd())
            total += zel::ReadTextLine(*file).size();
        if (total == 0)
            std::puts("");
    });
    double parseMs = BestMs(repeats, [&] {
        zel::TProject loaded;
        zel::ResetProject(loaded, editor);
        auto file = zel::TDataFile::FromBytes(bytes);
        zel::ReadProject(loaded, *file);
    });
    double loadMs = BestMs(repeats, [&] {
        zel::TProject loaded;
        zel::ResetProject(loaded, editor);
        zel::LoadProject(loaded, path);
    });
    double writeMs = BestMs(repeats, [&] {
        auto file = zel::TDataFile::ToMemory();
        zel::WriteProject(project, *file);
    });
    std::filesystem::remove(path);

    double mb = double(bytes.size()) / 1e6;
    std::printf("project file: %.1f MB, 400000 notes\n", mb);
    std::printf("%-34s %9.1f ms  %7.1f MB/s\n", "split into lines (baseline)", splitMs,
                mb / splitMs * 1e3);
    std::printf("%-34s %9.1f ms  %7.2f x baseline\n", "read project from memory", parseMs,
                parseMs / splitMs);
    std::printf("%-34s %9.1f ms  %7.2f x baseline\n", "load project from disk", loadMs,
                loadMs / splitMs);
    std::printf("%-34s %9.1f ms  %7.2f x baseline\n", "write project to memory", writeMs,
                writeMs / splitMs);
    std::printf("%-34s %9.1f ms  %7.2f x baseline\n", "save project (synced, renamed)", saveMs,
                saveMs / splitMs);
    return 0;
}
