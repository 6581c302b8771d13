// The import that follows the file's timing on a file of 200,000 note-ons of one key followed
// by their 200,000 note-offs (each note-off ends the earliest open note of the key), against
// the same notes each ended at once. Both must take well under a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "arrange/midi_export.h"
#include "arrange/midi_import.h"

using namespace zel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Notes = 200000;

std::string File(bool sameKeyOpen) {
    TMidiTrackWriter track;
    for (int i = 0; i < Notes; ++i) {
        track.NoteOn(i * 64, 0, 60, 90);
        if (!sameKeyOpen)
            track.NoteOff(i * 64 + 64, 0, 60);
    }
    if (sameKeyOpen)
        for (int i = 0; i < Notes; ++i)
            track.NoteOff(int64_t(Notes) * 64 + i, 0, 60);
    return MidiFileBytes(0, 256, std::span(&track, 1));
}

double Median(const std::string& bytes, int& records) {
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        TProject project;
        TEditorState editor;
        ResetProject(project, editor);
        auto t0 = Clock::now();
        records = ImportMidiFileTiming(bytes, 0xFFFF, project, editor).Notes;
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    int records = 0;
    double base = Median(File(false), records);
    double open = Median(File(true), records);
    std::printf("import-midi --timing file, %d notes of one key:\n", Notes);
    std::printf("  each note ended at once (baseline)  %8.2f ms\n", base);
    std::printf("  all note-offs after all note-ons    %8.2f ms   %5.1f x baseline, %d records%s\n",
                open, open / base, records, open < 1000 ? "" : "   OVER 1 s");
    return 0;
}
