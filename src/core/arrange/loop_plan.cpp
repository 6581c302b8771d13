#include "arrange/loop_plan.h"

#include <algorithm>
#include <map>
#include <optional>

#include "arrange/note_lengths.h"
#include "arrange/practice.h"
#include "arrange/timeline.h"
#include "model/structure.h"
#include "model/text_fields.h"
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

// The passes' rows one after another, then the last pass's rows again as often as its notes
// ring on (at most eight times): the loop goes round the last copy, whose start then holds
// every note still ringing from before, as when the passage is played over and over.
void LayRows(TLoopPlan& plan, const std::vector<std::vector<std::string>>& passes,
             const std::vector<int>& sourceRows, int64_t ringFrames, bool loop) {
    auto lay = [&](const std::vector<std::string>& rows) {
        plan.Project.Structure.insert(plan.Project.Structure.end(), rows.begin(), rows.end());
        plan.SourceRow.insert(plan.SourceRow.end(), sourceRows.begin(), sourceRows.end());
    };
    for (const auto& rows : passes) {
        plan.PassRows.push_back(int(plan.Project.Structure.size()) + 1);
        lay(rows);
    }
    if (!loop)
        return;
    TProject last = plan.Project;
    last.Structure = passes.back();
    const int64_t passFrames = std::max<int64_t>(SongTimeline(last, {}).TotalFrames, 1);
    const int64_t copies = 1 + std::min<int64_t>((ringFrames + passFrames - 1) / passFrames, 8);
    for (int64_t k = 0; k < copies; ++k) {
        plan.LoopRow = int(plan.Project.Structure.size()) + 1;
        lay(passes.back());
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

namespace {

TLoopPlan BuildRiffPlan(const TProject& project, int riff, int first, int last, int instrument,
                        const std::vector<int>& speeds, bool loop) {
    if (speeds.empty())
        return Failed(BadSpeeds);
    if (speeds.size() >= size_t(MaxRiffs))
        return Failed(TooManyPasses);
    const TRiff& source = project.Riffs[size_t(riff)];
    first = std::clamp(first, 0, NoteCount(source));
    last = std::clamp(last, first, NoteCount(source));
    TRiff passage = source;
    passage.Notes.assign(source.Notes.begin() + first, source.Notes.begin() + last);
    // A tie into the end of a selection would drop the tied note with its time.
    if (!passage.Notes.empty() && last < NoteCount(source))
        passage.Notes.back().Flags &= uint8_t(~NoteTie);
    EnsureNotes(passage, last - first + 1);
    if (loop && RiffPlayTicks(passage) == 0)
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
    LayRows(plan, passes, {0}, RingFrames(plan.Project.Instruments[0]), loop);
    return plan;
}

TLoopPlan BuildRowsPlan(const TProject& project, int top, int bottom,
                        const std::vector<int>& speeds, bool loop) {
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
    std::vector<int> sourceRows;
    for (int r = top; r <= bottom; ++r)
        sourceRows.push_back(r);
    LayRows(plan, passes, sourceRows, ring, loop);
    if (loop) {
        TTimeline timeline = SongTimeline(plan.Project, {});
        if (timeline.Error.empty() && timeline.TotalFrames == 0)
            return Failed(NothingToLoop);
    }
    return plan;
}

} // namespace

TLoopPlan RiffLoopPlan(const TProject& project, int riff, int first, int last, int instrument,
                       const std::vector<int>& speeds) {
    return BuildRiffPlan(project, riff, first, last, instrument, speeds, true);
}

TLoopPlan RowsLoopPlan(const TProject& project, int top, int bottom,
                       const std::vector<int>& speeds) {
    return BuildRowsPlan(project, top, bottom, speeds, true);
}

TLoopPlan RiffPlan(const TProject& project, int riff, int first, int instrument, int speed) {
    return BuildRiffPlan(project, riff, first, NoteCount(project.Riffs[size_t(riff)]), instrument,
                         {speed}, false);
}

TLoopPlan RowsPlan(const TProject& project, int top, int speed) {
    return BuildRowsPlan(project, top, int(project.Structure.size()), {speed}, false);
}

namespace {

constexpr int ClickPitch = 31; // two octaves and a fifth above middle C
constexpr int AccentFrets = 5; // the first beat of a bar a fourth higher
constexpr int WholeTicks = 1024;

// The note of `ticks`, plain or dotted; none when no duration has that length.
std::optional<TNote> NoteOfTicks(int ticks) {
    for (int d = 0; d <= MaxDurationIndex; ++d)
        for (uint8_t flags : {uint8_t(0), uint8_t(NoteDot)}) {
            TNote note;
            note.Duration = uint8_t(d);
            note.Flags = flags;
            if (NoteTicks(note) == ticks)
                return note;
        }
    return std::nullopt;
}

TInstrument ClickInstrument(int level) {
    TInstrument click;
    click.Wave = WaveSquare;
    click.AmpEnv = {1000, 300, 0, 1000}; // instant attack, gone within about 30 ms
    click.MixLeft = click.MixRight = uint8_t(std::clamp(level, 0, 100));
    return click;
}

} // namespace

namespace {

// The riff's bars as beats and the ticks of a beat: the bar cycle's numerators over its
// denominator, compound times (6/8, 9/8, 12/8) in dotted beats.
struct TBar {
    int Beats = 4;
    int BeatTicks = WholeTicks / 4;
    TNote Beat;
};

std::vector<TBar> BarCycle(const TRiff& lead) {
    std::vector<TBar> bars;
    const int denominator = lead.BarsB > 0 ? lead.BarsB : 4;
    for (std::string_view rest = lead.BarsA; !rest.empty() && bars.size() < 64;) {
        size_t space = rest.find(' ');
        bool digits = false;
        int beats = ReadLeadingInt(rest.substr(0, space), &digits);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        if (!digits || beats <= 0)
            continue;
        TBar bar{std::min(beats, 64), WholeTicks / denominator, {}};
        if (denominator >= 8 && bar.Beats > 3 && bar.Beats % 3 == 0) {
            bar.BeatTicks *= 3;
            bar.Beats /= 3;
        }
        std::optional<TNote> beat = NoteOfTicks(bar.BeatTicks);
        if (!beat) { // a signature without such notes: quarter beats
            bar.BeatTicks = WholeTicks / 4;
            beat = NoteOfTicks(bar.BeatTicks);
        }
        bar.Beat = *beat;
        bars.push_back(bar);
    }
    if (bars.empty())
        bars.push_back({4, WholeTicks / 4, *NoteOfTicks(WholeTicks / 4)});
    return bars;
}

} // namespace

TRiff ClickRiff(const TRiff& lead, int64_t ticks) {
    TRiff riff;
    riff.Tempo = lead.Tempo;
    riff.Tuning[0] = ClickPitch;
    riff.Notes.clear();
    const std::vector<TBar> bars = BarCycle(lead);
    int64_t done = 0;
    for (size_t b = 0; done < ticks; ++b) {
        const TBar& bar = bars[b % bars.size()];
        if (done + bar.BeatTicks > ticks)
            break;
        for (int beat = 0; beat < bar.Beats && done + bar.BeatTicks <= ticks; ++beat) {
            TNote click = bar.Beat;
            click.Fret[0] = uint8_t(beat == 0 ? AccentFrets : 0);
            riff.Notes.push_back(click);
            done += bar.BeatTicks;
        }
    }
    // What is left of a last, shorter beat passes in rests, so the clicks keep to the music.
    std::vector<TNoteLength> rests;
    SplitLength(ticks - done, false, rests);
    for (const TNoteLength& length : rests) {
        TNote rest;
        rest.Duration = length.Duration;
        rest.Flags = length.Flags;
        riff.Notes.push_back(rest);
    }
    EnsureNotes(riff, int(riff.Notes.size()) + 1);
    return riff;
}

void AddClicks(TLoopPlan& plan, const TClickOptions& clicks) {
    if (!plan.Error.empty() || (!clicks.CountIn && !clicks.Metronome))
        return;
    TProject& project = plan.Project;
    // The highest column no row uses.
    std::vector<bool> used(MaxInstruments, false);
    for (const std::string& row : project.Structure) {
        TStructureCells cells(row);
        std::string_view repeat, name;
        while (cells.Next(repeat, name))
            if (!name.empty() && cells.Column() < MaxInstruments)
                used[size_t(cells.Column())] = true;
    }
    int column = MaxInstruments - 1;
    while (column >= 0 && used[size_t(column)])
        --column;
    if (column < 0) {
        plan.Error = "\\bMetronome\\b\\NEvery instrument column of the song plays: there is no "
                     "room for the clicks.";
        return;
    }
    project.Instruments[size_t(column)] = ClickInstrument(clicks.Level);
    std::map<int, std::string> clickRiffs;
    auto clickName = [&](int lead, int64_t ticks) -> std::string {
        if (auto found = clickRiffs.find(lead); found != clickRiffs.end())
            return found->second;
        std::string name = "click:" + std::to_string(lead) + ":" + std::to_string(ticks);
        if (!AddRiff(plan, ClickRiff(project.Riffs[size_t(lead)], ticks), -1, name))
            return {};
        clickRiffs[lead] = name;
        return name;
    };
    std::string firstLead;
    int firstLeadIndex = -1;
    for (std::string& row : project.Structure) {
        TStructureCells cells(row);
        std::string_view repeat, name;
        while (cells.Next(repeat, name)) {
            int riff = project.RiffNames.Find(name);
            if (riff < 0 || riff >= project.RiffNames.RecordCount())
                continue;
            if (firstLeadIndex < 0)
                firstLeadIndex = riff;
            if (clicks.Metronome) {
                std::string click = clickName(riff, RiffPlayTicks(project.Riffs[size_t(riff)]));
                if (click.empty())
                    break;
                std::string copy = row;
                SetStructureField(copy, RepeatFieldIndex(column), std::string(repeat));
                SetStructureField(copy, RiffFieldIndex(column), click);
                row = copy;
            }
            break; // the lowest playing column leads
        }
    }
    if (clicks.CountIn && firstLeadIndex >= 0) {
        const TRiff& lead = project.Riffs[size_t(firstLeadIndex)];
        const TBar first = BarCycle(lead).front();
        TRiff bar = ClickRiff(lead, int64_t(first.Beats) * first.BeatTicks);
        std::string row;
        if (AddRiff(plan, bar, -1, "click:count-in")) {
            SetStructureField(row, RepeatFieldIndex(column), "1");
            SetStructureField(row, RiffFieldIndex(column), "click:count-in");
            project.Structure.insert(project.Structure.begin(), row);
            plan.SourceRow.insert(plan.SourceRow.begin(), 0);
            if (plan.LoopRow > 0)
                ++plan.LoopRow;
            for (int& r : plan.PassRows)
                ++r;
        }
    }
    project.RiffNames.EnsureBlankTab();
}

int64_t LoopedFrame(int64_t played, int64_t loopStart, int64_t total) {
    if (played < total || total <= loopStart)
        return std::min(played, std::max<int64_t>(total - 1, 0));
    return loopStart + (played - loopStart) % (total - loopStart);
}

} // namespace zel
