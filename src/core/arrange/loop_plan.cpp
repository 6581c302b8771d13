#include "arrange/loop_plan.h"

#include <algorithm>
#include <map>

#include "arrange/practice.h"
#include "arrange/timeline.h"
#include "model/structure.h"
#include "sound/notebuffer.h"

namespace zel {
namespace {

constexpr const char* NothingToLoop =
    "\\bNothing to Loop\\b\\NThe passage to loop holds no notes and takes no time.";
constexpr const char* TooManyPasses =
    "\\bSpeed Trainer\\b\\NThe passes from the start speed to the target need more riffs than "
    "a project holds: take a larger step or fewer rows.";
constexpr const char* BadSpeeds =
    "\\bSpeed Trainer\\b\\NThe speeds must lie between 25 % and 200 %, the step must be 1 % "
    "or more and the target must not be below the start.";

std::string Row(const std::string& name) {
    std::string row;
    SetStructureField(row, RepeatFieldIndex(0), "1");
    SetStructureField(row, RiffFieldIndex(0), name);
    return row;
}

// Adds a riff to the plan's table under `name`; false when the table is full.
bool AddRiff(TLoopPlan& plan, const TRiff& riff, int source, const std::string& name) {
    int index = plan.Project.RiffNames.RecordCount();
    if (index >= MaxRiffs)
        return false;
    plan.Project.RiffNames.GrowTo(index + 1);
    plan.Project.RiffNames.SetCaption(index, name);
    plan.Project.Riffs[size_t(index)] = riff;
    plan.SourceRiff.push_back(source);
    return true;
}

// Frames a note may ring on after its key is released from full level, as the synthesizer
// fades it: none for an instant release, a minute at most here (release 0 never ends).
int64_t RingFrames(const TInstrument& instrument) {
    auto fade = [](const TEnvelope& envelope) -> int64_t {
        if (envelope.Release >= 1000)
            return 1;
        if (envelope.Release <= 0)
            return int64_t(SampleRate) * 60;
        return int64_t(SampleRate) * 10 / envelope.Release + 2;
    };
    return std::min(fade(instrument.AmpEnv), fade(instrument.FilterEnv));
}

// The passes' rows one after another, then the last pass's rows again as often as its notes
// ring on (at most eight times): the loop goes round the last copy, whose start then holds
// every note still ringing from before, as when the passage is played over and over.
void LayRows(TLoopPlan& plan, const std::vector<std::vector<std::string>>& passes,
             int64_t ringFrames) {
    for (const auto& rows : passes) {
        plan.PassRows.push_back(int(plan.Project.Structure.size()) + 1);
        plan.Project.Structure.insert(plan.Project.Structure.end(), rows.begin(), rows.end());
    }
    TProject last = plan.Project;
    last.Structure = passes.back();
    const int64_t passFrames = std::max<int64_t>(SongTimeline(last, {}).TotalFrames, 1);
    const int64_t copies = 1 + std::min<int64_t>((ringFrames + passFrames - 1) / passFrames, 8);
    for (int64_t k = 0; k < copies; ++k) {
        plan.LoopRow = int(plan.Project.Structure.size()) + 1;
        plan.Project.Structure.insert(plan.Project.Structure.end(), passes.back().begin(),
                                      passes.back().end());
    }
}

TLoopPlan Failed(const char* error) {
    TLoopPlan plan;
    plan.Error = error;
    return plan;
}

} // namespace

std::vector<int> PassSpeeds(int speed, const TSpeedTrainer& trainer) {
    auto valid = [](int percent) {
        return percent >= MinSpeedPercent && percent <= MaxSpeedPercent;
    };
    if (!trainer.On)
        return valid(speed) ? std::vector<int>{speed} : std::vector<int>{};
    if (!valid(trainer.Start) || !valid(trainer.Target) || trainer.Step < 1 ||
        trainer.Target < trainer.Start)
        return {};
    std::vector<int> speeds;
    for (int s = trainer.Start; s < trainer.Target; s += trainer.Step)
        speeds.push_back(s);
    speeds.push_back(trainer.Target);
    return speeds;
}

TLoopPlan RiffLoopPlan(const TProject& project, int riff, int first, int last, int instrument,
                       const std::vector<int>& speeds) {
    if (speeds.empty())
        return Failed(BadSpeeds);
    if (speeds.size() >= size_t(MaxRiffs))
        return Failed(TooManyPasses);
    const TRiff& source = project.Riffs[size_t(riff)];
    first = std::clamp(first, 0, NoteCount(source));
    last = std::clamp(last, first, NoteCount(source));
    TRiff passage = source;
    passage.Notes.assign(source.Notes.begin() + first, source.Notes.begin() + last);
    // A tie into the end of the passage would drop the tied note with its time.
    if (!passage.Notes.empty())
        passage.Notes.back().Flags &= uint8_t(~NoteTie);
    EnsureNotes(passage, last - first + 1);
    if (RiffPlayTicks(passage) == 0)
        return Failed(NothingToLoop);

    TLoopPlan plan;
    TEditorState editor;
    ResetProject(plan.Project, editor);
    plan.Project.SetChangedListener({});
    plan.Project.Instruments[0] = project.Instruments[size_t(instrument)];
    plan.Project.RiffNames = TTabCaptions(MaxRiffs);
    plan.RecordOffset = first;
    std::vector<std::vector<std::string>> passes;
    for (size_t k = 0; k < speeds.size(); ++k) {
        TRiff pass = passage;
        pass.Tempo = ScaledTempo(passage.Tempo, speeds[k]);
        std::string name = "Pass " + std::to_string(k + 1);
        AddRiff(plan, pass, riff, name);
        passes.push_back({Row(name)});
    }
    plan.PassSpeeds = speeds;
    plan.Project.RiffNames.EnsureBlankTab();
    LayRows(plan, passes, RingFrames(plan.Project.Instruments[0]));
    return plan;
}

TLoopPlan RowsLoopPlan(const TProject& project, int top, int bottom,
                       const std::vector<int>& speeds) {
    if (speeds.empty())
        return Failed(BadSpeeds);
    top = std::max(top, 1);
    bottom = std::min(bottom, int(project.Structure.size()));
    TLoopPlan plan;
    plan.Project.SetChangedListener({});
    plan.Project.Instruments = project.Instruments;
    plan.Project.InstrumentNames = project.InstrumentNames;
    plan.Project.RiffNames = TTabCaptions(MaxRiffs);
    std::vector<std::vector<std::string>> passes;
    for (int speed : speeds) {
        // Each pass plays copies of its riffs at its own tempos, under names of its own.
        std::map<int, std::string> copies;
        std::vector<std::string> rows;
        for (int r = top; r <= bottom; ++r) {
            std::string row = project.Structure[size_t(r - 1)];
            TStructureCells cells(project.Structure[size_t(r - 1)]);
            std::string_view repeat, name;
            while (cells.Next(repeat, name)) {
                int source = project.RiffNames.Find(name);
                if (source < 0 || source >= project.RiffNames.RecordCount())
                    continue; // an undefined name stays: the render says so
                if (!copies.count(source)) {
                    std::string copy =
                        std::to_string(passes.size() + 1) + ":" + project.RiffNames[source];
                    TRiff riff = project.Riffs[size_t(source)];
                    riff.Tempo = ScaledTempo(riff.Tempo, speed);
                    if (!AddRiff(plan, riff, source, copy))
                        return Failed(TooManyPasses);
                    copies[source] = copy;
                }
                SetStructureField(row, RiffFieldIndex(cells.Column()), copies[source]);
            }
            rows.push_back(row);
        }
        passes.push_back(std::move(rows));
    }
    plan.PassSpeeds = speeds;
    plan.Project.RiffNames.EnsureBlankTab();
    int64_t ring = 1;
    for (const TInstrument& instrument : project.Instruments)
        ring = std::max(ring, RingFrames(instrument));
    LayRows(plan, passes, ring);
    TTimeline timeline = SongTimeline(plan.Project, {});
    if (timeline.Error.empty() && timeline.TotalFrames == 0)
        return Failed(NothingToLoop);
    return plan;
}

int64_t LoopedFrame(int64_t played, int64_t loopStart, int64_t total) {
    if (played < total || total <= loopStart)
        return std::min(played, std::max<int64_t>(total - 1, 0));
    return loopStart + (played - loopStart) % (total - loopStart);
}

} // namespace zel
