// The song's event timeline: which riff each instrument column plays in each structure row and
// how often, and when each note of those riffs starts, how long it lasts and what it sounds.
// The renderer walks it to make sound (row by row, as it renders); the MIDI exporter, the
// playing-row highlight, the follow marker and the loop plans read the same layout.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/song.h"

namespace zel {

// One record of a riff that sounds or rests: the last record of a tie chain, with the time of
// the whole chain. Tied records before it sound nothing themselves.
struct TRiffEvent {
    int Note = 0;          // index of the record whose frets sound
    int64_t StartTick = 0; // from the first record walked
    int64_t Ticks = 0;     // the chain's length
};

// Calls `visit(const TRiffEvent&)` for every event of the riff from record `first` on, in
// order. A rest is an event without frets; a tie chain that runs into the end of the note list
// is dropped together with its time.
template <class Visit> int64_t ForEachRiffEvent(const TRiff& riff, int first, Visit&& visit) {
    int64_t start = 0;
    int64_t ticks = 0;
    for (int i = first < 0 ? 0 : first; i < riff.Capacity(); ++i) {
        const TNote& note = riff.Notes[size_t(i)];
        if (note.Duration == EndOfNotes)
            break;
        ticks += NoteTicks(note);
        if (note.Flags & NoteTie)
            continue; // its time goes to the next record
        visit(TRiffEvent{i, start, ticks});
        start += ticks;
        ticks = 0;
    }
    return start;
}

// The ticks a riff plays from record `first`: without a tie chain left hanging at its end.
int64_t RiffPlayTicks(const TRiff& riff, int first = 0);

// Which rows of the song play and how: the rows from `FirstGridRow` (counted from 1, 0 for the
// first row), every repeat count taken as 1 with `Once`.
struct TPlayOptions {
    int FirstGridRow = 0;
    bool Once = false;
};

// One column of a structure row that names a riff of the table.
struct TColumnPlay {
    int Column = 0; // the instrument slot
    int Riff = 0;   // index into the riff table
    int Repeat = 1; // how often it plays one after the other (0 or less: not at all)
};

// A structure row whose text is not empty (an empty row takes no time and is left out).
struct TRowPlay {
    int GridRow = 0; // counted from 1
    std::vector<TColumnPlay> Columns;
};

struct TSongPlan {
    std::vector<TRowPlay> Rows;
    // The message for a riff name the table does not have (with markup; the last such name
    // counts); empty when every name was found.
    std::string Error;
};

// Reads the structure: rows, columns, riffs and repeat counts. An empty repeat field or 0
// plays once; columns beyond the instrument table and empty riff names play nothing.
TSongPlan PlanSong(const TProject& project, const TPlayOptions& options);

// One sounding record of the song, in ticks from the start of the song and in frames as the
// renderer plays it (each column at its own riff's tempo).
struct TTimelineNote {
    int64_t StartTick = 0;
    int64_t Ticks = 0;
    int64_t StartFrame = 0;
    int64_t Frames = 0; // until the key is released
    int Column = 0;
    int Riff = 0;
    int Note = 0; // record index in the riff
    uint8_t PitchCount = 0;
    std::array<int16_t, StringSlots> Pitches{}; // by string slot order, PitchCount of them

    // The same start and release in seconds of the rendered sound.
    double StartSeconds() const;
    double EndSeconds() const;
};

// One riff played once in one column: the stretch of the song it covers.
struct TTimelineSpan {
    int64_t StartTick = 0;
    int64_t Ticks = 0;
    int64_t StartFrame = 0;
    int64_t Frames = 0;
    int Column = 0;
    int Riff = 0;
};

// The song laid out in ticks and, side by side, in frames. All columns of a row start together,
// each riff's repeats play one after the other, and the next row starts when the longest column
// of the row ends (in ticks for the tick layout, in frames for the frame layout: columns at
// different tempos end at different times). Rests are not listed: silence is the time between
// notes.
struct TTimeline {
    std::vector<TTimelineNote> Notes; // ordered by start, then column
    std::vector<TTimelineSpan> Spans; // ordered by start, then column
    int64_t TotalTicks = 0;
    int64_t TotalFrames = 0;
    std::string Error; // an undefined riff or a song too long to lay out; nothing else is set
};

// The most notes and riff plays a timeline holds (about 1.5 GB), and its longest time (about
// 145 hours at tempo 120, the most a MIDI file can count): a repeat count typed by mistake gives
// an error instead of exhausting memory.
inline constexpr size_t MaxTimelineNotes = size_t(1) << 25;
inline constexpr int64_t MaxTimelineTicks = 0x0FFFFFFF;
inline constexpr const char* TimelineTooLongError = "\\b\\1\\|Error!\\n\\[Too long to export";

// A structure row laid out: where it starts and where its longest column ends, in ticks and in
// frames.
struct TRowExtent {
    int GridRow = 0; // counted from 1
    int64_t StartTick = 0, EndTick = 0;
    int64_t StartFrame = 0, EndFrame = 0;
};

// Receives the song laid out one riff play at a time, in the order the structure names them:
// row by row, in each row column by column, each column's repeats one after another.
class TTimelineVisitor {
public:
    virtual ~TTimelineVisitor() = default;
    // One riff played once and its sounding records in record order; false stops the walk.
    virtual bool Play(const TTimelineSpan& play, std::span<const TTimelineNote> notes) = 0;
    // Every planned row once its columns are laid out; false stops the walk.
    virtual bool RowEnd(const TRowExtent& row) = 0;
};

// How far a walk lays the song out: it stops after the first row reaching past either limit
// (that row's end lying just past it).
struct TTimelineLimits {
    int64_t Frames = INT64_MAX / 4;
    int64_t Ticks = INT64_MAX / 4;
};

// Lays the planned rows out for the visitor. A riff play that takes no time is not repeated.
// With `measureOnly`, Play is not called and a column's repeats are counted at once, so a
// repeat count of millions is measured in no time. Returns false when the visitor stopped it.
bool WalkTimeline(const TProject& project, const TSongPlan& plan, TTimelineVisitor& visitor,
                  const TTimelineLimits& limits, bool measureOnly = false);

// The song structure laid out.
TTimeline SongTimeline(const TProject& project, const TPlayOptions& options);
// Riffs one after another, all in column 0: one riff from record `first`, or with `allRiffs`
// every riff of the table from its first record.
TTimeline RiffsTimeline(const TProject& project, int riffIndex, int first, bool allRiffs);

} // namespace zel
