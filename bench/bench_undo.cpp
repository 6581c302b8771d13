// Undoable edits on a large project: a typed fret, an inserted note, a transpose and a new riff
// tab, each followed by its undo, on 400,000 notes in one riff and spread over 200 riffs.
// Prints the median time of each against copying the edited riff's notes once (the baseline),
// and the history each step keeps.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench_timing.h"
#include "document/document.h"
#include "document/document_edits.h"

using namespace zel;
using namespace zel::bench;

namespace {

constexpr int TotalNotes = 400000;
constexpr int Rounds = 41;

void Fill(TDocument& doc, int riffs) {
    doc.New();
    TProject& project = doc.Project();
    int perRiff = TotalNotes / riffs;
    for (int r = 0; r < riffs; ++r) {
        TRiff& riff = project.Riffs[size_t(r)];
        riff.Notes.clear();
        for (int i = 0; i < perRiff; ++i) {
            TNote note;
            note.Fret[size_t(i % 6)] = uint8_t(i % 13);
            note.Duration = uint8_t(3 + i % 2);
            riff.Notes.push_back(note);
        }
        EnsureNotes(riff, perRiff + 2);
        if (r > 0)
            project.RiffNames.SetCaption(r, "Riff" + std::to_string(r + 1));
        project.RiffNames.EnsureBlankTab();
    }
    doc.MarkClean();
}

struct TResult {
    double Edit, Undo, Bytes;
};

TResult Measure(TDocument& doc, const std::function<void(int)>& edit) {
    std::vector<double> edits, undos, bytes;
    for (int round = 0; round < Rounds; ++round) {
        size_t before = doc.HistoryBytes();
        auto t0 = Clock::now();
        edit(round);
        auto t1 = Clock::now();
        bytes.push_back(double(doc.HistoryBytes() - before));
        doc.Undo();
        auto t2 = Clock::now();
        edits.push_back(Ms(t1 - t0));
        undos.push_back(Ms(t2 - t1));
        doc.Redo(); // keeps the history growing as a session does
    }
    return {Median(edits), Median(undos), Median(bytes)};
}

double CopyBaseline(const TRiff& riff) {
    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        auto t0 = Clock::now();
        std::vector<TNote> copy = riff.Notes;
        auto t1 = Clock::now();
        if (copy.size() != riff.Notes.size())
            std::puts("?");
        times.push_back(Ms(t1 - t0));
    }
    return Median(times);
}

void Run(int riffs) {
    TDocument doc;
    Fill(doc, riffs);
    TEditorContext context;
    TTabStrip strip(doc.Project().RiffNames);
    BindRiffTabs(strip, doc);
    strip.SelectAndFill(0);
    TRiff& riff = doc.Project().Riffs[0];
    int notes = NoteCount(riff);
    double baseline = CopyBaseline(riff);
    std::printf("%d notes in %d riff%s (%d in the edited riff); copying its notes: %.3f ms\n",
                TotalNotes, riffs, riffs == 1 ? "" : "s", notes, baseline);

    struct {
        const char* Name;
        std::function<void(int)> Edit;
    } cases[] = {
        {"type a fret",
         [&](int round) {
             doc.Editor().TabMode = true;
             doc.Editor().CursorRow = 0;
             riff.Cursor = riff.Anchor = notes / 2 + round * 3;
             doc.BreakMerge();
             DocumentRiffKey(doc, {TEditKey::Digit, 1 + round % 9}, context);
         }},
        {"insert a note",
         [&](int round) {
             riff.Cursor = riff.Anchor = round * 5;
             DocumentRiffKey(doc, {TEditKey::Insert}, context);
         }},
        {"transpose 16 notes",
         [&](int round) {
             riff.Cursor = notes / 3 + round * 20;
             riff.Anchor = riff.Cursor + 16;
             DocumentStringCommand(doc, TStringCommand::TransposeUp, true);
         }},
        {"insert a riff tab",
         [&](int) {
             DocumentInsertRiff(doc, strip, 0);
             strip.SelectAndFill(0);
         }},
    };
    for (auto& c : cases) {
        TResult r = Measure(doc, c.Edit);
        std::printf("  %-20s edit %7.3f ms (%5.2fx copy)   undo %7.3f ms (%5.2fx copy)   "
                    "history %7.0f bytes\n",
                    c.Name, r.Edit, r.Edit / baseline, r.Undo, r.Undo / baseline, r.Bytes);
    }
    std::printf("  history after %d steps: %zu bytes\n", doc.StepCount(), doc.HistoryBytes());
}

} // namespace

int main() {
    std::puts("undoable edits (median of 41; targets: under 5 ms and under 1 MB per step)");
    Run(1);
    Run(200);
    return 0;
}
