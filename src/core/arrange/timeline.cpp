#include "arrange/timeline.h"

#include <algorithm>
#include <string_view>

#include "model/structure.h"
#include "model/text_fields.h"
#include "sound/notebuffer.h"

namespace zel {

namespace {

// Lays one play of the riff out from record `first`, in the column from tick `start` and frame
// `frame` (frames counted note by note as the renderer counts them). Its sounding records go to
// `notes` (cleared first) unless that is null.
TTimelineSpan LayOutPlay(const TProject& project, int riffIndex, int first, int column,
                         int64_t start, int64_t frame, std::vector<TTimelineNote>* notes) {
    const TRiff& riff = project.Riffs[size_t(riffIndex)];
    if (notes)
        notes->clear();
    int64_t at = frame;
    const int64_t ticks = ForEachRiffEvent(riff, first, [&](const TRiffEvent& event) {
        const int64_t noteFrame = at;
        at += NoteSamples(riff.Tempo, event.Ticks);
        if (!notes)
            return;
        TTimelineNote note;
        const TNote& record = riff.Notes[size_t(event.Note)];
        for (int slot = 0; slot < StringSlots; ++slot)
            if (auto pitch = SlotPitch(riff, record, slot))
                note.Pitches[note.PitchCount++] = int16_t(*pitch);
        if (note.PitchCount == 0)
            return;
        note.StartTick = start + event.StartTick;
        note.Ticks = event.Ticks;
        note.StartFrame = noteFrame;
        note.Frames = NoteSamples(riff.Tempo, std::min<int64_t>(event.Ticks, INT32_MAX));
        note.Column = column;
        note.Riff = riffIndex;
        note.Note = event.Note;
        notes->push_back(note);
    });
    return {start, ticks, frame, at - frame, column, riffIndex};
}

// Collects the plays of a walk into a timeline, each row's notes and spans ordered by start
// (columns keep their order).
class TTimelineCollector final : public TTimelineVisitor {
public:
    explicit TTimelineCollector(TTimeline& timeline) : m_timeline(timeline) {}

    bool Play(const TTimelineSpan& play, std::span<const TTimelineNote> notes) override {
        if (m_timeline.Notes.size() + m_timeline.Spans.size() + notes.size() >= MaxTimelineNotes ||
            play.StartTick + play.Ticks > MaxTimelineTicks)
            return Fail(TimelineTooLongError);
        m_timeline.Notes.insert(m_timeline.Notes.end(), notes.begin(), notes.end());
        if (play.Ticks > 0)
            m_timeline.Spans.push_back(play);
        m_timeline.TotalTicks = std::max(m_timeline.TotalTicks, play.StartTick + play.Ticks);
        m_timeline.TotalFrames = std::max(m_timeline.TotalFrames, play.StartFrame + play.Frames);
        return true;
    }

    bool RowEnd(const TRowExtent&) override {
        auto byStart = [](const auto& a, const auto& b) { return a.StartTick < b.StartTick; };
        auto sort = [&](auto& items, size_t mark) {
            auto from = items.begin() + ptrdiff_t(mark);
            if (!std::is_sorted(from, items.end(), byStart))
                std::stable_sort(from, items.end(), byStart);
        };
        sort(m_timeline.Notes, m_noteMark);
        sort(m_timeline.Spans, m_spanMark);
        m_noteMark = m_timeline.Notes.size();
        m_spanMark = m_timeline.Spans.size();
        return true;
    }

    // Drops everything after an error.
    bool Fail(const std::string& error) {
        m_timeline = {};
        m_timeline.Error = error;
        return false;
    }

private:
    TTimeline& m_timeline;
    size_t m_noteMark = 0, m_spanMark = 0;
};

// The end of the last row a walk measured.
class TRowEndKeeper final : public TTimelineVisitor {
public:
    bool Play(const TTimelineSpan&, std::span<const TTimelineNote>) override { return true; }
    bool RowEnd(const TRowExtent& row) override {
        Last = row;
        return true;
    }
    TRowExtent Last;
};

} // namespace

int64_t RiffPlayTicks(const TRiff& riff, int first) {
    return ForEachRiffEvent(riff, first, [](const TRiffEvent&) {});
}

TSongPlan PlanSong(const TProject& project, const TPlayOptions& options) {
    TSongPlan plan;
    const int rows = int(project.Structure.size());
    for (int row = std::max(options.FirstGridRow - 1, 0); row < rows; ++row) {
        const std::string& text = project.Structure[size_t(row)];
        if (text.empty())
            continue;
        TRowPlay play;
        play.GridRow = row + 1;
        TStructureCells cells(text);
        std::string_view repeatText, name;
        // Columns beyond the instrument table have no instrument and are ignored.
        while (cells.Next(repeatText, name)) {
            const int column = cells.Column();
            int repeat = int(static_cast<int32_t>(ReadLeadingIntWrapped(repeatText)));
            if (repeat == 0 || options.Once)
                repeat = 1;
            if (name.empty() || column >= MaxInstruments)
                continue;
            int riffIndex = project.RiffNames.Find(name);
            if (riffIndex < 0 || riffIndex >= project.RiffNames.RecordCount()) {
                plan.Error = "\\b\\1\\|Error!\\n\\[Undefined Riff - " + std::string(name);
                continue;
            }
            play.Columns.push_back({column, riffIndex, repeat});
        }
        plan.Rows.push_back(std::move(play));
    }
    return plan;
}

double TTimelineNote::StartSeconds() const {
    return double(StartFrame) / SampleRate;
}

double TTimelineNote::EndSeconds() const {
    return double(StartFrame + Frames) / SampleRate;
}

bool WalkTimeline(const TProject& project, const TSongPlan& plan, TTimelineVisitor& visitor,
                  const TTimelineLimits& limits, bool measureOnly) {
    std::vector<TTimelineNote> notes;
    int64_t tick = 0, frame = 0;
    for (const TRowPlay& row : plan.Rows) {
        TRowExtent extent{row.GridRow, tick, tick, frame, frame};
        for (const TColumnPlay& column : row.Columns) {
            int64_t t = tick, f = frame;
            for (int k = 0; k < column.Repeat; ++k) {
                TTimelineSpan play = LayOutPlay(project, column.Riff, 0, column.Column, t, f,
                                                measureOnly ? nullptr : &notes);
                if (!measureOnly && !visitor.Play(play, notes))
                    return false;
                t += play.Ticks;
                f += play.Frames;
                if (play.Ticks == 0 || play.Frames == 0)
                    break; // takes no time however often it repeats
                if (measureOnly) {
                    // Every repeat takes as long as the first: the rest are counted at once,
                    // up to just past a limit.
                    int64_t reach =
                        std::min((limits.Frames - std::min(f, limits.Frames)) / play.Frames,
                                 (limits.Ticks - std::min(t, limits.Ticks)) / play.Ticks) +
                        1;
                    int64_t more = std::min<int64_t>(column.Repeat - k - 1, reach);
                    t += more * play.Ticks;
                    f += more * play.Frames;
                    break;
                }
                if (f > limits.Frames || t > limits.Ticks)
                    break;
            }
            extent.EndTick = std::max(extent.EndTick, t);
            extent.EndFrame = std::max(extent.EndFrame, f);
        }
        if (!visitor.RowEnd(extent))
            return false;
        tick = extent.EndTick;
        frame = extent.EndFrame;
        if (frame > limits.Frames || tick > limits.Ticks)
            break;
    }
    return true;
}

TTimeline SongTimeline(const TProject& project, const TPlayOptions& options) {
    TTimeline timeline;
    TSongPlan plan = PlanSong(project, options);
    if (!plan.Error.empty()) {
        timeline.Error = plan.Error;
        return timeline;
    }
    // Measured first: a repeat count typed by mistake is refused before anything is laid out.
    TRowEndKeeper measure;
    WalkTimeline(project, plan, measure, {.Ticks = MaxTimelineTicks}, true);
    TTimelineCollector collector(timeline);
    if (measure.Last.EndTick > MaxTimelineTicks)
        collector.Fail(TimelineTooLongError);
    else
        WalkTimeline(project, plan, collector, {});
    return timeline;
}

TTimeline RiffsTimeline(const TProject& project, int riffIndex, int first, bool allRiffs) {
    TTimeline timeline;
    TTimelineCollector collector(timeline);
    std::vector<TTimelineNote> notes;
    int64_t tick = 0, frame = 0;
    for (int i = 0; i < MaxRiffs; ++i) {
        if (!allRiffs && i != riffIndex)
            continue;
        TTimelineSpan play = LayOutPlay(project, i, allRiffs ? 0 : first, 0, tick, frame, &notes);
        if (!collector.Play(play, notes))
            return timeline;
        tick += play.Ticks;
        frame += play.Frames;
    }
    timeline.TotalTicks = tick;
    timeline.TotalFrames = frame;
    return timeline;
}

} // namespace zel
