// Standard MIDI file import into the current riff at its cursor: the gaps between events become
// note lengths, note-ons of the chosen channels become pitches placed on the riff's strings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/song.h"

namespace zel {

// Reads within a byte buffer; each advances `pos` only on success.
int64_t ReadBigEndian(std::string_view buffer, size_t& pos, int bytes);
// A variable-length number; -1 when the data ends before its last byte.
int64_t ReadVarLen(std::string_view buffer, size_t& pos);
bool ReadChunkHeader(std::string_view buffer, size_t& pos, std::string& id, uint32_t& length);

// Whether the bytes start with a complete header chunk ("MThd" with its three numbers).
bool HasMidiHeader(std::string_view bytes);

// Duration index for the ticks between two events; none for 60 ticks or less (the events count
// as simultaneous) and for a failed read.
std::optional<uint8_t> DeltaToDuration(int64_t delta);

// Colour of the importer's diagnostic lines (red 128, green 64, blue 0).
inline constexpr uint32_t MidiDebugColour = 16512;

struct TMidiImportHooks {
    // Shown between the passes with the channels that play notes (bit c for channel c); the
    // channels to import are what it leaves in the mask.
    std::function<void(uint16_t& mask)> SelectChannels;
    // Diagnostic lines of the first pass.
    std::function<void(const std::string& line, uint32_t colour)> DebugAdd;
};

struct TMidiImportResult {
    uint16_t ChannelsFound = 0; // channels with note-ons, as the first pass saw them
    bool Invalid = false;       // the file does not start with a header chunk
    // The data ended inside a chunk or an event (the file is cut short or damaged): what came
    // before was read, the cut-off event was not.
    bool Truncated = false;
};

// The largest MIDI file the import reads; real songs are a few hundred kilobytes at most.
inline constexpr size_t MaxMidiFileBytes = size_t(64) << 20;

// Imports the file's bytes into the current riff from its cursor on. Chunks of unknown types
// are skipped. A file without a header chunk at its start is reported once with "Invalid MIDI
// File" through the message service and changes nothing.
TMidiImportResult ImportMidi(std::string_view bytes, TProject& project, TEditorState& editor,
                             const TMidiImportHooks& hooks);

// The first pass alone: the channels that play notes, diagnostic lines through hooks.DebugAdd,
// and "Invalid MIDI File" for a file without a header chunk. The model is not touched.
TMidiImportResult ScanMidiChannels(std::string_view bytes, const TMidiImportHooks& hooks);
// The second pass alone: note-ons of the channels in `mask` go into the current riff from its
// cursor on; a chord still collected when the data ends becomes a quarter note. False (after
// "Invalid MIDI File") for a file without a header chunk.
bool ImportMidiNotes(std::string_view bytes, uint16_t mask, TProject& project,
                     TEditorState& editor);

// Reads a whole MIDI file. False after "Failed to Open File" when it cannot be read, or after
// "MIDI File Too Large" when it holds more than MaxMidiFileBytes.
bool ReadMidiFile(const std::string& path, std::string& bytes);

// Reads a file and imports it; false (after the message of ReadMidiFile) when it cannot be read.
bool ImportMidiFile(const std::string& path, TProject& project, TEditorState& editor,
                    const TMidiImportHooks& hooks, TMidiImportResult& result);

} // namespace zel

namespace zel {

// How the import turns the file's time into note lengths.
enum class TMidiTiming {
    Riff, // the gaps between events in file ticks, as the riff's own durations (the default)
    File, // the file's resolution and tempo: each note where the file plays it
};

// The channels offered for an import with the file's timing: every channel with notes except
// the drum channel (MIDI channel 10, numbered 9 here).
uint16_t FileTimingChannels(uint16_t found);

struct TFileTimingResult {
    bool Invalid = false;      // no header chunk, or a timing resolution of 0
    bool Truncated = false;    // the data ended inside a chunk or an event
    bool TooLong = false;      // more notes than a riff takes: the rest was left out
    int Notes = 0;             // records written (notes, chords and rests)
    int Tempo = 0;             // the tempo in force at the first note (0: none in the file)
    std::vector<int> Sections; // the tempo of each tempo section, the first one's first
    std::vector<int> Riffs;    // the riffs written, one per tempo section when they were cut
};

// What an import with the file's timing does where the file's tempo changes.
enum class TTempoSections {
    // Every section goes into the one riff, its lengths scaled to the riff's tempo (the tempo
    // at the first note), so that every note keeps its time.
    Scale,
    // Each section into a riff of its own at the section's tempo, named after the riff the
    // import starts in with " 1", " 2"... added, and a structure row for each, in order.
    Split,
};

// The most records one import with the file's timing writes, and the longest time it fills
// (half a million whole notes, some 290 hours at tempo 120).
inline constexpr int MaxFileTimingRecords = 1 << 22;
inline constexpr int64_t MaxFileTimingTicks = int64_t(1) << 29;

struct TFileTimingLimits {
    int Records = MaxFileTimingRecords;
    int64_t Ticks = MaxFileTimingTicks;
};

// Imports with the file's timing into the current riff from its cursor on: the note-ons of the
// channels in `mask`, from every track merged in time order, scaled from the file's ticks per
// quarter note to 1024 ticks a whole note. Note-ons that start together form a chord, which
// lasts to the next onset, or to its notes' ends with a rest after them; each length is
// written as the nearest duration of the table (dots included), tied where one is not enough,
// measured from where the file places the note so that rounding never adds up. The records
// from the cursor on are replaced, and older records after the imported ones removed. The
// tempo in force at the first note and the first time signature go to the riff; tempo changes
// after it are handled as `sections` says. Notes are collected only up to the record limit
// (the earliest ones). "Invalid MIDI File" is shown for a file without a header chunk or with
// a timing resolution of 0.
TFileTimingResult ImportMidiFileTiming(std::string_view bytes, uint16_t mask, TProject& project,
                                       TEditorState& editor, TFileTimingLimits limits = {},
                                       TTempoSections sections = TTempoSections::Scale);

} // namespace zel
