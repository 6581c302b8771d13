// Standard MIDI files out: a general writer of tracks and events, and the song (or riffs) written
// as a type 1 file from the event timeline, every note at the time the renderer plays it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arrange/timeline.h"
#include "model/song.h"

namespace zel {

// Ticks to a quarter note in an exported file, more when its slowest tempo needs them: a tick
// never lasts more than a millisecond.
inline constexpr int MidiExportDivision = 960;
// The largest delta time a MIDI file can hold (four bytes of seven bits).
inline constexpr int64_t MaxMidiDelta = 0x0FFFFFFF;
// Pitch 0 is MIDI note 48.
inline constexpr int MidiPitchOffset = 48;
inline constexpr int MidiDrumChannel = 9; // "channel 10" as musicians count

// Appends a variable-length number (seven bits a byte, most significant first).
void AppendVarLen(std::string& bytes, uint64_t value);

// One track of a MIDI file: events at absolute ticks, written in time order. At the same tick
// note-offs come first, then meta events, then everything else, each group in the order added,
// so a note repeated without a gap ends before it starts again.
class TMidiTrackWriter {
public:
    void TrackName(int64_t tick, std::string_view name);
    void Tempo(int64_t tick, uint32_t microsecondsPerQuarter);
    // `denominatorPower`: 2 for a quarter note.
    void TimeSignature(int64_t tick, int numerator, int denominatorPower);
    void NoteOn(int64_t tick, int channel, int key, int velocity);
    void NoteOff(int64_t tick, int channel, int key);
    // A note from `tick` for `length` ticks.
    void Note(int64_t tick, int64_t length, int channel, int key, int velocity);
    // Any event: the status byte and what follows it, as written.
    void Raw(int64_t tick, std::string_view bytes);
    // A meta event of `type` with its data.
    void Meta(int64_t tick, uint8_t type, std::string_view data);

    // Room for this many events of this many bytes in all.
    void Reserve(size_t events, size_t bytes);
    size_t EventCount() const { return m_events.size(); }
    // The "MTrk" chunk: every event with its delta time and the end-of-track event at the last
    // event's tick (or at `endTick` when that is later).
    std::string Chunk(int64_t endTick = 0) const;

private:
    struct TEvent {
        int64_t Tick;
        uint32_t Order; // group at the same tick, then the order added
        uint32_t Offset;
        uint32_t Length;
    };
    void Add(int64_t tick, int group, std::string_view bytes);

    std::vector<TEvent> m_events;
    std::string m_bytes;
};

// The header chunk and the tracks: a complete MIDI file.
std::string MidiFileBytes(int format, int division, std::span<const TMidiTrackWriter> tracks,
                          int64_t endTick = 0);

struct TMidiExport {
    std::string Bytes;   // the file; empty with an error
    std::string Error;   // with markup
    int Tracks = 0;      // instrument tracks, the tempo track not counted
    int64_t Notes = 0;   // MIDI notes written
    int64_t Skipped = 0; // pitches outside the MIDI note range, not written
};

inline constexpr const char* MidiTooLongError = "\\b\\1\\|Error!\\n\\[Too long for a MIDI file";

// The timeline as a type 1 file: a tempo track with the tempo, key signature and the time
// signatures of the bar cycle of the riff that leads (the lowest column playing) wherever they
// change, then one track per instrument column named after the instrument, each on its own
// channel (the drum channel left out). Every note is placed in that tempo map by its frames, at
// the time the rendered song sounds it (within half a millisecond), whatever the tempos of the
// other columns of its row.
TMidiExport TimelineToMidi(const TProject& project, const TTimeline& timeline);
// The song structure as a MIDI file; a song too long to render is refused (with the renderer's
// message) before it is laid out.
TMidiExport SongToMidi(const TProject& project, const TPlayOptions& options);

// The MIDI channel of the n-th instrument track: 0..15 without the drum channel, round again
// after fifteen tracks.
int MidiExportChannel(int track);

// Writes bytes to a file through a temporary file: nothing is left behind on failure
// (LastFileError says why).
bool WriteBinaryFile(const std::string& path, std::string_view bytes);

} // namespace zel
