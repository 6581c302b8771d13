#include "arrange/timeline.h"

#include <algorithm>
#include <string_view>

#include "model/structure.h"
#include "model/text_fields.h"
#include "sound/notebuffer.h"

namespace zel {

namespace {

// Lays riffs out into a timeline, one play after another.
class TTimelineBuilder {
public:
    explicit TTimelineBuilder(const TProject& project, TTimeline& timeline)
        : m_project(project), m_timeline(timeline) {}

    // Plays the riff in the column from `start` (and from frame `frame`, which moves on by the
    // frames it takes, note by note as the renderer counts them); returns the tick after it, or
    // -1 when the timeline is full.
    int64_t Play(int riffIndex, int first, int column, int64_t start, int64_t& frame) {
        const TRiff& riff = m_project.Riffs[size_t(riffIndex)];
        bool full = false;
        const int64_t startFrame = frame;
        int64_t ticks = ForEachRiffEvent(riff, first, [&](const TRiffEvent& event) {
            const int64_t at = frame;
            frame += NoteSamples(riff.Tempo, event.Ticks);
            TTimelineNote note;
            const TNote& record = riff.Notes[size_t(event.Note)];
            for (int slot = 0; slot < StringSlots; ++slot)
                if (auto pitch = SlotPitch(riff, record, slot))
                    note.Pitches[note.PitchCount++] = int16_t(*pitch);
            if (note.PitchCount == 0 || full)
                return;
            if (Full()) {
                full = true;
                return;
            }
            note.StartTick = start + event.StartTick;
            note.Ticks = event.Ticks;
            note.StartFrame = at;
            note.Frames = NoteSamples(riff.Tempo, std::min<int64_t>(event.Ticks, INT32_MAX));
            note.Column = column;
            note.Riff = riffIndex;
            note.Note = event.Note;
            m_timeline.Notes.push_back(note);
        });
        if (full || (ticks > 0 && Full()) || start + ticks > MaxTimelineTicks)
            return -1;
        if (ticks > 0)
            m_timeline.Spans.push_back(
                {start, ticks, startFrame, frame - startFrame, column, riffIndex});
        return start + ticks;
    }

    // Orders the notes and spans laid out since the marks by start (columns keep their order).
    void SortFrom(size_t noteMark, size_t spanMark) {
        auto byStart = [](const auto& a, const auto& b) { return a.StartTick < b.StartTick; };
        auto sort = [&](auto& items, size_t mark) {
            auto from = items.begin() + ptrdiff_t(mark);
            if (!std::is_sorted(from, items.end(), byStart))
                std::stable_sort(from, items.end(), byStart);
        };
        sort(m_timeline.Notes, noteMark);
        sort(m_timeline.Spans, spanMark);
    }

    // Drops everything after an error.
    void Fail(const std::string& error) {
        m_timeline.Notes.clear();
        m_timeline.Spans.clear();
        m_timeline.TotalTicks = 0;
        m_timeline.Error = error;
    }

private:
    bool Full() const {
        return m_timeline.Notes.size() + m_timeline.Spans.size() >= MaxTimelineNotes;
    }

    const TProject& m_project;
    TTimeline& m_timeline;
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

TTimeline SongTimeline(const TProject& project, const TPlayOptions& options) {
    TTimeline timeline;
    TSongPlan plan = PlanSong(project, options);
    if (!plan.Error.empty()) {
        timeline.Error = plan.Error;
        return timeline;
    }
    TTimelineBuilder builder(project, timeline);
    int64_t pos = 0, frame = 0;
    for (const TRowPlay& row : plan.Rows) {
        size_t noteMark = timeline.Notes.size(), spanMark = timeline.Spans.size();
        int64_t rowEnd = pos, rowEndFrame = frame;
        for (const TColumnPlay& column : row.Columns) {
            int64_t p = pos, f = frame;
            for (int k = 0; k < column.Repeat; ++k) {
                int64_t next = builder.Play(column.Riff, 0, column.Column, p, f);
                if (next < 0) {
                    builder.Fail(TimelineTooLongError);
                    return timeline;
                }
                if (next == p)
                    break; // an empty riff takes no time however often it repeats
                p = next;
            }
            rowEnd = std::max(rowEnd, p);
            rowEndFrame = std::max(rowEndFrame, f);
        }
        builder.SortFrom(noteMark, spanMark);
        pos = rowEnd;
        frame = rowEndFrame;
    }
    timeline.TotalTicks = pos;
    timeline.TotalFrames = frame;
    return timeline;
}

TTimeline RiffsTimeline(const TProject& project, int riffIndex, int first, bool allRiffs) {
    TTimeline timeline;
    TTimelineBuilder builder(project, timeline);
    int64_t pos = 0, frame = 0;
    for (int i = 0; i < MaxRiffs; ++i) {
        if (!allRiffs && i != riffIndex)
            continue;
        pos = builder.Play(i, allRiffs ? 0 : first, 0, pos, frame);
        if (pos < 0) {
            builder.Fail(TimelineTooLongError);
            return timeline;
        }
    }
    timeline.TotalTicks = pos;
    timeline.TotalFrames = frame;
    return timeline;
}

} // namespace zel
