// The MIDI import that follows the file's own timing: note-ons and note-offs of every track read
// in file ticks, scaled to the model's ticks, grouped into chords and written as durations.
#include <algorithm>
#include <array>
#include <cmath>

#include "arrange/midi_events.h"
#include "arrange/midi_import.h"
#include "arrange/note_lengths.h"
#include "base/message_service.h"

namespace zel {

namespace {

constexpr int64_t MaxFileTick = int64_t(1) << 48; // far beyond any real file's length
constexpr int64_t NoEnd = -1;
// Onsets less than a sixty-fourth apart sound together (players and programs spread a chord's
// notes a little); shorter gaps are no rests.
constexpr int64_t Together = TogetherTicks;
constexpr int Shortest = 16; // a sixty-fourth

struct TFileNote {
    int64_t Start; // file ticks
    int64_t End;   // file ticks; NoEnd when the file never ends it
    int Pitch;
};

struct TTempoEvent {
    int64_t Tick;
    int Track;
    uint32_t MicrosecondsPerQuarter;
};

struct TMeta {
    int64_t Tick = -1; // -1: none seen
    int Track = 0;
};

// The events of the file that the import needs.
struct TFileEvents {
    int Division = 0;
    std::vector<TFileNote> Notes;
    std::vector<TTempoEvent> Tempos;
    TMeta SignatureAt;
    int Numerator = 0, DenominatorPower = 0;
    int64_t EndTick = 0; // where the last track with picked notes ends
    // Notes are kept only up to this many, the earliest: no riff takes more records.
    size_t MaxNotes = 0;
    int64_t Cutoff = MaxFileTick; // notes that start later are past what is kept
    bool Dropped = false;         // notes were left out for that bound
};

// Keeps the earliest MaxNotes notes (by start) and notes the tick past which nothing is kept.
void BoundNotes(TFileEvents& events) {
    std::vector<TFileNote>& notes = events.Notes;
    if (notes.size() <= events.MaxNotes)
        return;
    auto byStart = [](const TFileNote& a, const TFileNote& b) { return a.Start < b.Start; };
    std::nth_element(notes.begin(), notes.begin() + ptrdiff_t(events.MaxNotes), notes.end(),
                     byStart);
    notes.resize(events.MaxNotes);
    events.Cutoff = std::max_element(notes.begin(), notes.end(), byStart)->Start;
    events.Dropped = true;
}

class TTrackReader {
public:
    TTrackReader(std::string_view track, int index, uint16_t mask, TFileEvents& events)
        : m_reader(track), m_index(index), m_mask(mask), m_events(events),
          m_first(events.Notes.size()) {}

    // False when the data ended inside an event.
    bool Run() {
        bool complete = true;
        while (!m_reader.AtEnd()) {
            int64_t delta = m_reader.ReadDelta();
            TMidiEvent event;
            if (delta < 0 || !m_reader.ReadEvent(event)) {
                complete = false;
                break;
            }
            m_tick = std::min(m_tick + delta, MaxFileTick);
            if (!event.Stray)
                Event(event);
        }
        if (m_hadNotes)
            m_events.EndTick = std::max(m_events.EndTick, m_tick);
        return complete;
    }

private:
    void Event(const TMidiEvent& event) {
        int kind = event.Kind();
        if ((kind == 0x8 || kind == 0x9) && (m_mask >> event.Channel() & 1)) {
            // Data bytes carry seven bits; a damaged file may set the eighth.
            int key = event.Data[0] & 0x7F;
            Note(event.Channel(), key, kind == 0x9 && (event.Data[1] & 0x7F) > 0);
        } else if (event.Status == 0xFF) {
            Meta(event.MetaType, event.Payload);
        }
    }

    void Meta(uint8_t type, std::string_view data) {
        if (type == 0x51 && data.size() >= 3) {
            uint32_t tempo = uint32_t(uint8_t(data[0])) << 16 | uint32_t(uint8_t(data[1])) << 8 |
                             uint8_t(data[2]);
            if (tempo > 0)
                m_events.Tempos.push_back({m_tick, m_index, tempo});
        }
        // The first time signature of the file: the earliest, the first track first.
        TMeta& at = m_events.SignatureAt;
        if (type == 0x58 && data.size() >= 2 &&
            (at.Tick < 0 || at.Tick > m_tick || (at.Tick == m_tick && at.Track > m_index))) {
            at = {m_tick, m_index};
            m_events.Numerator = uint8_t(data[0]);
            m_events.DenominatorPower = uint8_t(data[1]);
        }
    }

    // The notes of each key end first in, first out: a queue per key, read from its head.
    struct TOpen {
        std::vector<size_t> Notes;
        size_t Head = 0;
    };

    void Note(int channel, int key, bool on) {
        TOpen& open = m_open[size_t(channel * 128 + key)];
        if (on) {
            m_hadNotes = true;
            // A track keeps at most MaxNotes of its own: later ones cannot be among the
            // earliest of the file.
            if (m_tick > m_events.Cutoff || m_events.Notes.size() - m_first >= m_events.MaxNotes) {
                m_events.Dropped = true;
                return;
            }
            open.Notes.push_back(m_events.Notes.size());
            m_events.Notes.push_back({m_tick, NoEnd, key - 48});
        } else if (open.Head < open.Notes.size()) {
            // The earliest open note of that key ends.
            m_events.Notes[open.Notes[open.Head++]].End = m_tick;
            if (open.Head == open.Notes.size()) {
                open.Notes.clear();
                open.Head = 0;
            }
        }
    }

    TMidiEventReader m_reader;
    int m_index;
    uint16_t m_mask;
    TFileEvents& m_events;
    size_t m_first; // this track's first note
    int64_t m_tick = 0;
    bool m_hadNotes = false;
    std::array<TOpen, 16 * 128> m_open;
};

// Writes notes and rests into the riff from a record on.
class TRiffWriter {
public:
    TRiffWriter(TProject& project, TEditorState& editor, int at, TFileTimingLimits limits)
        : m_project(project), m_editor(editor), m_at(at), m_limits(limits) {}

    int Written() const { return m_at - m_first; }
    bool Full() const { return Written() >= m_limits.Records || m_ticks >= m_limits.Ticks; }
    int Position() const { return m_at; }
    int64_t Ticks() const { return m_ticks; }

    // Covers `length` ticks with durations of the table (tied for a note), pitches highest
    // first.
    void Write(int64_t length, const std::vector<int>& pitches) {
        m_pieces.clear();
        // No more pieces than the limits leave room for (each piece is at least 16 ticks).
        int64_t room =
            std::min<int64_t>(m_limits.Records - Written(), (m_limits.Ticks - m_ticks) / 16 + 1);
        SplitLength(length, !pitches.empty(), m_pieces, std::max<int64_t>(room, 0));
        for (const TNoteLength& piece : m_pieces) {
            if (Full())
                return;
            Emit(piece, pitches);
        }
    }

private:
    TProject& m_project;
    TEditorState& m_editor;
    int m_at;
    int m_first = m_at;
    TFileTimingLimits m_limits;
    int64_t m_ticks = 0;
    std::vector<TNoteLength> m_pieces;

    void Emit(const TNoteLength& length, const std::vector<int>& pitches) {
        TRiff& riff = CurrentRiffOf(m_project, m_editor);
        EnsureNotes(riff, m_at + 2);
        TNote& note = riff.Notes[size_t(m_at)];
        note = BlankNote;
        note.Duration = length.Duration;
        note.Flags = length.Flags;
        for (int pitch : pitches)
            PlacePitch(m_project, m_editor, m_at, pitch, TPlaceMode::Add);
        m_ticks += NoteTicks(note);
        ++m_at;
        m_project.SetChanged(true);
    }
};

} // namespace

uint16_t FileTimingChannels(uint16_t found) {
    return uint16_t(found & ~(1u << 9));
}

namespace {

// A stretch of the file at one tempo, from its first tick to the next section's.
struct TSection {
    int64_t Start;     // file ticks
    int Bpm;           // 0: the file states no tempo
    int64_t Model = 0; // model ticks from the start of its riff's first section
};

int BpmOf(uint32_t microsecondsPerQuarter) {
    return int(std::clamp<int64_t>((60000000 + microsecondsPerQuarter / 2) / microsecondsPerQuarter,
                                   1, 65535));
}

// The file's tempo sections over its picked notes: the tempo in force at the first note, then
// a section wherever the tempo changes up to the last note's start.
std::vector<TSection> TempoSections(const TFileEvents& events) {
    if (events.Tempos.empty())
        return {{0, 0}};
    int64_t first = events.Notes.empty() ? 0 : events.Notes.front().Start;
    int64_t last = events.Notes.empty() ? 0 : events.Notes.back().Start;
    uint32_t inForce = 500000; // a file's tempo until it states one: 120
    std::vector<TSection> sections;
    for (const TTempoEvent& t : events.Tempos) {
        if (t.Tick <= first) {
            inForce = t.MicrosecondsPerQuarter;
            continue;
        }
        if (sections.empty())
            sections.push_back({0, BpmOf(inForce)});
        if (t.Tick <= last && BpmOf(t.MicrosecondsPerQuarter) != sections.back().Bpm)
            sections.push_back({t.Tick, BpmOf(t.MicrosecondsPerQuarter)});
    }
    if (sections.empty())
        sections.push_back({0, BpmOf(inForce)});
    return sections;
}

constexpr int64_t MaxSpan = int64_t(1) << 37; // longer spans pass every riff's limit anyway
constexpr int64_t MaxModel = int64_t(1) << 50;

// File ticks to model ticks for the sections one riff takes, each section's lengths scaled to
// the riff's tempo (the tempo of its first section) so that every note keeps its time.
class TTimeScale {
public:
    TTimeScale(std::vector<TSection> sections, int64_t ticksPerQuarter)
        : m_sections(std::move(sections)), m_ticksPerQuarter(ticksPerQuarter) {
        for (size_t k = 1; k < m_sections.size(); ++k)
            m_sections[k].Model =
                std::min(m_sections[k - 1].Model +
                             Ticks(m_sections[k].Start - m_sections[k - 1].Start, k - 1),
                         MaxModel);
    }
    int64_t operator()(int64_t fileTick) const {
        auto after =
            std::upper_bound(m_sections.begin() + 1, m_sections.end(), fileTick,
                             [](int64_t t, const TSection& section) { return t < section.Start; });
        size_t k = size_t(after - m_sections.begin()) - 1;
        return std::min(m_sections[k].Model + Ticks(fileTick - m_sections[k].Start, k), MaxModel);
    }

private:
    // File ticks within section k as model ticks, to the nearest.
    int64_t Ticks(int64_t span, size_t k) const {
        span = std::clamp<int64_t>(span, 0, MaxSpan);
        int64_t riffBpm = std::max(m_sections.front().Bpm, 1);
        int64_t bpm = std::max(m_sections[k].Bpm, 1);
        int64_t whole = m_ticksPerQuarter * bpm;
        return (span * (TicksPerWhole / 4) * riffBpm + whole / 2) / whole;
    }
    std::vector<TSection> m_sections;
    int64_t m_ticksPerQuarter;
};

// Writes the notes from..to (by index) into the riff the editor points at, from its cursor on;
// a rest fills up to `end`, and in a `closed` section (one that another follows) the last chord
// ends there at the latest.
// Returns whether the riff's limits were reached.
bool WriteNotes(const std::vector<TFileNote>& notes, size_t from, size_t to,
                const TTimeScale& scale, int64_t end, bool closed, TProject& project,
                TEditorState& editor, TFileTimingLimits limits, int& written) {
    TRiff& riff = CurrentRiffOf(project, editor);
    TRiffWriter writer(project, editor, riff.Cursor, limits);
    std::vector<int> pitches;
    for (size_t i = from; i < to && !writer.Full();) {
        const int64_t start = scale(notes[i].Start);
        // The notes that start together.
        int64_t lastEnd = NoEnd;
        pitches.clear();
        size_t next = i;
        for (; next < to && scale(notes[next].Start) - start < Together; ++next) {
            pitches.push_back(notes[next].Pitch);
            if (notes[next].End != NoEnd)
                lastEnd = std::max(lastEnd, scale(notes[next].End));
        }
        std::sort(pitches.begin(), pitches.end(), std::greater<>());
        pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
        if (start - writer.Ticks() >= Together)
            writer.Write(start - writer.Ticks(), {}); // the rest before the chord
        int64_t chordEnd = lastEnd == NoEnd ? start + TicksPerWhole / 4 : lastEnd;
        chordEnd = std::max(chordEnd, start + Shortest);
        if (next < to)
            chordEnd = std::min(chordEnd, scale(notes[next].Start));
        else if (closed)
            chordEnd = std::max(std::min(chordEnd, end), start + Shortest);
        writer.Write(chordEnd - writer.Ticks(), pitches);
        i = next;
    }
    // The rest up to where the section or the tracks end, as a song that ends with a rest is
    // written.
    if ((to > from || closed) && !writer.Full() && end - writer.Ticks() >= Together)
        writer.Write(end - writer.Ticks(), {});
    written = writer.Written();
    TRiff& after = CurrentRiffOf(project, editor);
    after.Cursor = writer.Position();
    after.Anchor = after.Cursor;
    // The import replaced the records from the cursor on: older ones after its end go.
    if (written > 0 && NoteCount(after) > after.Cursor) {
        std::fill(after.Notes.begin() + after.Cursor, after.Notes.end(), BlankNote);
        after.Notes.resize(size_t(after.Cursor) + 2);
    }
    return writer.Full();
}

} // namespace

TFileTimingResult ImportMidiFileTiming(std::string_view bytes, uint16_t mask, TProject& project,
                                       TEditorState& editor, TFileTimingLimits limits,
                                       TTempoSections split) {
    TFileTimingResult result;
    size_t pos = 0;
    std::string id;
    uint32_t length = 0;
    if (!HasMidiHeader(bytes)) {
        DisplayError("\\1\\bInvalid MIDI File");
        result.Invalid = true;
        return result;
    }
    TFileEvents events;
    events.MaxNotes = size_t(std::max(limits.Records, 1));
    int trackIndex = 0;
    while (ReadChunkHeader(bytes, pos, id, length)) {
        size_t start = pos;
        size_t end = size_t(std::min<uint64_t>(uint64_t(start) + length, bytes.size()));
        if (id == "MThd") {
            size_t at = start + 4;
            int64_t division = ReadBigEndian(bytes.substr(0, end), at, 2);
            if (trackIndex == 0 && events.Division == 0 && division > 0)
                events.Division = int(division);
        } else if (id == "MTrk") {
            TTrackReader reader(bytes.substr(start, end - start), trackIndex++, mask, events);
            if (!reader.Run())
                result.Truncated = true;
            BoundNotes(events);
        }
        if (uint64_t(start) + length > bytes.size()) {
            result.Truncated = true;
            break;
        }
        pos = start + length;
    }
    int64_t ticksPerQuarter = events.Division;
    if (ticksPerQuarter & 0x8000) {
        // Frames a second times ticks a frame: a quarter note taken as half a second.
        int frames = -int(int8_t(uint8_t(ticksPerQuarter >> 8)));
        ticksPerQuarter = std::max<int64_t>(frames * (ticksPerQuarter & 0xFF) / 2, 1);
    }
    if (ticksPerQuarter <= 0) {
        DisplayError("\\1\\bInvalid MIDI File");
        result.Invalid = true;
        return result;
    }
    std::stable_sort(events.Notes.begin(), events.Notes.end(),
                     [](const TFileNote& a, const TFileNote& b) { return a.Start < b.Start; });
    std::stable_sort(events.Tempos.begin(), events.Tempos.end(),
                     [](const TTempoEvent& a, const TTempoEvent& b) {
                         return a.Tick < b.Tick || (a.Tick == b.Tick && a.Track < b.Track);
                     });
    const std::vector<TFileNote>& notes = events.Notes;
    std::vector<TSection> sections = TempoSections(events);
    result.Sections.reserve(sections.size());
    for (const TSection& section : sections)
        result.Sections.push_back(section.Bpm);

    // The riffs the sections go to: one each when they are to be cut (as long as there are
    // free riffs; the last one takes the rest), otherwise all into the current riff.
    TRiff& first = CurrentRiffOf(project, editor);
    first.Cursor = std::clamp(first.Cursor, 0, NoteCount(first));
    const int home = editor.CurrentRiff;
    const std::string name = project.RiffNames[home];
    size_t riffs = 1;
    if (split == TTempoSections::Split)
        riffs = std::min(sections.size(), size_t(1 + MaxRiffs - project.RiffNames.RecordCount()));
    for (size_t g = 0; g < riffs; ++g) {
        size_t lastSection = g + 1 < riffs ? g + 1 : sections.size();
        std::vector<TSection> own(sections.begin() + ptrdiff_t(g),
                                  sections.begin() + ptrdiff_t(lastSection));
        int64_t fileFrom = g == 0 ? 0 : own.front().Start;
        own.front().Start = fileFrom;
        int64_t fileTo = lastSection < sections.size() ? sections[lastSection].Start : NoEnd;
        TTimeScale scale(own, ticksPerQuarter);
        auto byStart = [](const TFileNote& n, int64_t t) { return n.Start < t; };
        size_t from =
            size_t(std::lower_bound(notes.begin(), notes.end(), fileFrom, byStart) - notes.begin());
        size_t to = fileTo == NoEnd
                        ? notes.size()
                        : size_t(std::lower_bound(notes.begin(), notes.end(), fileTo, byStart) -
                                 notes.begin());
        if (g > 0) {
            int index = project.RiffNames.RecordCount();
            project.RiffNames.GrowTo(index + 1);
            ResetRiff(project.Riffs[size_t(index)]);
            project.Riffs[size_t(index)].Tuning = first.Tuning;
            project.Riffs[size_t(index)].Key = first.Key;
            editor.CurrentRiff = index;
        }
        TRiff& riff = CurrentRiffOf(project, editor);
        if (own.front().Bpm > 0) {
            riff.Tempo = uint16_t(own.front().Bpm);
            project.SetChanged(true);
        }
        if (events.Numerator > 0 && events.DenominatorPower <= 6) {
            riff.BarsA = std::to_string(events.Numerator);
            riff.BarsB = uint16_t(1 << events.DenominatorPower);
            project.SetChanged(true);
        }
        int written = 0;
        int64_t end = scale(fileTo == NoEnd ? std::max(events.EndTick, int64_t(0)) : fileTo);
        if (WriteNotes(notes, from, to, scale, end, fileTo != NoEnd, project, editor, limits,
                       written))
            result.TooLong = true;
        result.Notes += written;
        result.Riffs.push_back(editor.CurrentRiff);
        if (riffs > 1) {
            std::string caption = name + " " + std::to_string(g + 1);
            project.RiffNames.SetCaption(editor.CurrentRiff, caption);
            project.Structure.push_back("1\t" + project.RiffNames[editor.CurrentRiff]);
        }
    }
    project.RiffNames.EnsureBlankTab();
    editor.CurrentRiff = home;
    result.Tempo = sections.front().Bpm;
    result.TooLong = result.TooLong || events.Dropped;
    return result;
}

} // namespace zel
