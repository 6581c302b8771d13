// The MIDI import that follows the file's own timing: note-ons and note-offs of every track read
// in file ticks, scaled to the model's ticks, grouped into chords and written as durations.
#include <algorithm>
#include <array>
#include <cmath>

#include "app/message_service.h"
#include "arrange/midi_import.h"
#include "arrange/note_lengths.h"

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

struct TMeta {
    int64_t Tick = -1; // -1: none seen
    int Track = 0;
};

// The events of the file that the import needs.
struct TFileEvents {
    int Division = 0;
    std::vector<TFileNote> Notes;
    TMeta TempoAt, SignatureAt;
    uint32_t MicrosecondsPerQuarter = 0;
    int Numerator = 0, DenominatorPower = 0;
    int64_t EndTick = 0; // where the last track with picked notes ends
};

class TTrackReader {
public:
    TTrackReader(std::string_view track, int index, uint16_t mask, TFileEvents& events)
        : m_track(track), m_index(index), m_mask(mask), m_events(events) {}

    // False when the data ended inside an event.
    bool Run() {
        size_t pos = 0;
        while (pos < m_track.size()) {
            int64_t delta = ReadVarLen(m_track, pos);
            if (delta < 0 || pos >= m_track.size())
                return false;
            m_tick = std::min(m_tick + delta, MaxFileTick);
            if (!Event(pos))
                return false;
        }
        if (m_hadNotes)
            m_events.EndTick = std::max(m_events.EndTick, m_tick);
        return true;
    }

private:
    bool Need(size_t pos, size_t n) const { return m_track.size() - pos >= n; }

    bool Event(size_t& pos) {
        uint8_t status = uint8_t(m_track[pos]);
        if (status < 0x80) {
            if (m_running == 0) {
                ++pos; // a stray data byte
                return true;
            }
            status = m_running;
        } else {
            ++pos;
            if (status < 0xF0)
                m_running = status;
            else if (status > 0xF0 && status < 0xF7)
                m_running = 0;
        }
        const int channel = status & 0x0F;
        switch (status >> 4) {
        case 0x8:
        case 0x9: {
            if (!Need(pos, 2))
                return false;
            // Data bytes carry seven bits; a damaged file may set the eighth.
            int key = uint8_t(m_track[pos]) & 0x7F;
            int velocity = uint8_t(m_track[pos + 1]) & 0x7F;
            pos += 2;
            if (m_mask >> channel & 1)
                Note(channel, key, (status >> 4) == 0x9 && velocity > 0);
            return true;
        }
        case 0xA:
        case 0xB:
        case 0xE:
            return Skip(pos, 2);
        case 0xC:
        case 0xD:
            return Skip(pos, 1);
        default:
            return System(pos, status);
        }
    }

    bool Skip(size_t& pos, uint64_t n) {
        if (!Need(pos, size_t(std::min<uint64_t>(n, m_track.size() + 1))))
            return false;
        pos += size_t(n);
        return true;
    }

    bool System(size_t& pos, uint8_t status) {
        if (status == 0xF0 || status == 0xF7) {
            int64_t length = ReadVarLen(m_track, pos);
            return length >= 0 && Skip(pos, uint64_t(length));
        }
        if (!Need(pos, 1))
            return false;
        uint8_t type = uint8_t(m_track[pos++]);
        if (status != 0xFF) {
            if (!Need(pos, 1))
                return false;
            uint8_t length = uint8_t(m_track[pos++]);
            return Skip(pos, length);
        }
        int64_t length = ReadVarLen(m_track, pos);
        if (length < 0 ||
            !Need(pos, size_t(std::min<int64_t>(length, int64_t(m_track.size()) + 1))))
            return false;
        std::string_view data = m_track.substr(pos, size_t(length));
        pos += size_t(length);
        // The first tempo and time signature of the file: the earliest, the first track first.
        auto first = [&](TMeta& meta) {
            if (meta.Tick >= 0 &&
                (meta.Tick < m_tick || (meta.Tick == m_tick && meta.Track <= m_index)))
                return false;
            meta = {m_tick, m_index};
            return true;
        };
        if (type == 0x51 && data.size() >= 3 && first(m_events.TempoAt))
            m_events.MicrosecondsPerQuarter = uint32_t(uint8_t(data[0])) << 16 |
                                              uint32_t(uint8_t(data[1])) << 8 | uint8_t(data[2]);
        if (type == 0x58 && data.size() >= 2 && first(m_events.SignatureAt)) {
            m_events.Numerator = uint8_t(data[0]);
            m_events.DenominatorPower = uint8_t(data[1]);
        }
        return true;
    }

    void Note(int channel, int key, bool on) {
        std::vector<size_t>& open = m_open[size_t(channel * 128 + key)];
        if (on) {
            m_hadNotes = true;
            open.push_back(m_events.Notes.size());
            m_events.Notes.push_back({m_tick, NoEnd, key - 48});
        } else if (!open.empty()) {
            // The earliest open note of that key ends.
            m_events.Notes[open.front()].End = m_tick;
            open.erase(open.begin());
        }
    }

    std::string_view m_track;
    int m_index;
    uint16_t m_mask;
    TFileEvents& m_events;
    int64_t m_tick = 0;
    uint8_t m_running = 0;
    bool m_hadNotes = false;
    std::array<std::vector<size_t>, 16 * 128> m_open;
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

TFileTimingResult ImportMidiFileTiming(std::string_view bytes, uint16_t mask, TProject& project,
                                       TEditorState& editor, TFileTimingLimits limits) {
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
    // File ticks to model ticks, to the nearest.
    auto scale = [&](int64_t fileTicks) {
        return (fileTicks * (TicksPerWhole / 4) + ticksPerQuarter / 2) / ticksPerQuarter;
    };

    std::stable_sort(events.Notes.begin(), events.Notes.end(),
                     [](const TFileNote& a, const TFileNote& b) { return a.Start < b.Start; });

    TRiff& riff = CurrentRiffOf(project, editor);
    riff.Cursor = std::clamp(riff.Cursor, 0, NoteCount(riff));
    if (events.MicrosecondsPerQuarter > 0) {
        result.Tempo = int(std::clamp<int64_t>((60000000 + events.MicrosecondsPerQuarter / 2) /
                                                   events.MicrosecondsPerQuarter,
                                               1, 65535));
        riff.Tempo = uint16_t(result.Tempo);
        project.SetChanged(true);
    }
    if (events.Numerator > 0 && events.DenominatorPower <= 6) {
        riff.BarsA = std::to_string(events.Numerator);
        riff.BarsB = uint16_t(1 << events.DenominatorPower);
        project.SetChanged(true);
    }
    TRiffWriter writer(project, editor, riff.Cursor, limits);
    std::vector<int> pitches;
    const std::vector<TFileNote>& notes = events.Notes;
    for (size_t i = 0; i < notes.size() && !writer.Full();) {
        const int64_t start = scale(notes[i].Start);
        // The notes that start together.
        int64_t lastEnd = NoEnd;
        pitches.clear();
        size_t next = i;
        for (; next < notes.size() && scale(notes[next].Start) - start < Together; ++next) {
            pitches.push_back(notes[next].Pitch);
            if (notes[next].End != NoEnd)
                lastEnd = std::max(lastEnd, scale(notes[next].End));
        }
        std::sort(pitches.begin(), pitches.end(), std::greater<>());
        pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
        if (start - writer.Ticks() >= Together)
            writer.Write(start - writer.Ticks(), {}); // the rest before the chord
        int64_t end = lastEnd == NoEnd ? start + TicksPerWhole / 4 : lastEnd;
        end = std::max(end, start + Shortest);
        if (next < notes.size())
            end = std::min(end, scale(notes[next].Start));
        writer.Write(end - writer.Ticks(), pitches);
        i = next;
    }
    // The rest up to where the tracks end, as a song that ends with a rest is written.
    if (!notes.empty() && !writer.Full() && scale(events.EndTick) - writer.Ticks() >= Together)
        writer.Write(scale(events.EndTick) - writer.Ticks(), {});
    result.TooLong = writer.Full();
    result.Notes = writer.Written();
    TRiff& after = CurrentRiffOf(project, editor);
    after.Cursor = writer.Position();
    after.Anchor = after.Cursor;
    return result;
}

} // namespace zel
