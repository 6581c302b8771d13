// Standard MIDI file import into the current riff at its cursor: the gaps between events become
// note lengths, note-ons of the chosen channels become pitches placed on the riff's strings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/song.h"

namespace zel {

// Reads within a byte buffer; each advances `pos` only on success.
int64_t ReadBigEndian(std::string_view buffer, size_t& pos, int bytes);
// A variable-length number; -1 when the data ends before its last byte.
int64_t ReadVarLen(std::string_view buffer, size_t& pos);
bool ReadChunkHeader(std::string_view buffer, size_t& pos, std::string& id, uint32_t& length);

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
    bool Invalid = false;       // a chunk that is neither header nor track was met
    // The data ended inside a chunk or an event (the file is cut short or damaged): what came
    // before was read, the cut-off event was not.
    bool Truncated = false;
};

// The largest MIDI file the import reads; real songs are a few hundred kilobytes at most.
inline constexpr size_t MaxMidiFileBytes = size_t(64) << 20;

// Imports the file's bytes into the current riff from its cursor on. Reports an unknown chunk
// with "Invalid MIDI File" through the message service (once per pass).
TMidiImportResult ImportMidi(std::string_view bytes, TProject& project, TEditorState& editor,
                             const TMidiImportHooks& hooks);

// The first pass alone: the channels that play notes, diagnostic lines through hooks.DebugAdd,
// and "Invalid MIDI File" for an unknown chunk. The model is not touched.
TMidiImportResult ScanMidiChannels(std::string_view bytes, const TMidiImportHooks& hooks);
// The second pass alone: note-ons of the channels in `mask` go into the current riff from its
// cursor on. False (after "Invalid MIDI File") when an unknown chunk ended it.
bool ImportMidiNotes(std::string_view bytes, uint16_t mask, TProject& project,
                     TEditorState& editor);

// Reads a whole MIDI file. False after "Failed to Open File" when it cannot be read, or after
// "MIDI File Too Large" when it holds more than MaxMidiFileBytes.
bool ReadMidiFile(const std::string& path, std::string& bytes);

// Reads a file and imports it; false (after the message of ReadMidiFile) when it cannot be read.
bool ImportMidiFile(const std::string& path, TProject& project, TEditorState& editor,
                    const TMidiImportHooks& hooks, TMidiImportResult& result);

} // namespace zel
