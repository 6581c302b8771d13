#include "arrange/midi_import.h"

#include <algorithm>
#include <cstdio>

#include "arrange/midi_events.h"
#include "base/message_service.h"
#include "model/datafile.h"

namespace zel {

namespace {

constexpr int64_t VarLenCap = int64_t(1) << 40; // far beyond any real delta or length

// One pass over the file. Pass 1 collects the channels, pass 2 writes the riff.
class TMidiPass {
public:
    // The first pass: collects the channels into `mask`.
    TMidiPass(std::string_view buffer, const TMidiImportHooks& hooks, uint16_t& mask)
        : m_buffer(buffer), m_pass(1), m_hooks(&hooks), m_mask(mask) {}
    // The second pass: writes the notes of the channels in `mask` into the current riff.
    TMidiPass(std::string_view buffer, TProject& project, TEditorState& editor, uint16_t& mask)
        : m_buffer(buffer), m_pass(2), m_project(&project), m_editor(&editor), m_mask(mask) {}

    // Whether the data ended inside a chunk or an event.
    bool Truncated() const { return m_truncated; }

    // False when the file does not start with a header chunk.
    bool Run() {
        if (!HasMidiHeader(m_buffer)) {
            DisplayError("\\1\\bInvalid MIDI File");
            return false;
        }
        size_t pos = 0;
        std::string id;
        uint32_t length = 0;
        while (ReadChunkHeader(m_buffer, pos, id, length)) {
            size_t start = pos;
            size_t end = std::min<uint64_t>(uint64_t(start) + length, m_buffer.size());
            if (id == "MThd") {
                for (int i = 0; i < 3; ++i)
                    ReadBigEndian(m_buffer.substr(0, end), pos, 2);
            } else if (id == "MTrk") {
                TMidiEventReader reader(m_buffer.substr(start, end - start));
                while (!reader.AtEnd()) {
                    if (!ReadEvent(reader)) {
                        m_truncated = true;
                        break;
                    }
                }
            }
            // Chunks of other types are skipped by their length: the file format allows them.
            if (uint64_t(start) + length > m_buffer.size()) {
                m_truncated = true;
                break;
            }
            pos = start + length;
        }
        return true;
    }

    // The second pass at the end of the data: a chord still being collected has no gap after it
    // to give it a length; it is kept as a quarter note rather than lost.
    void CloseCollectedChord() {
        if (m_pass == 2 && m_collecting)
            CloseNote(QuarterDuration);
    }

private:
    // Gives the note being collected its duration and opens the next one.
    void CloseNote(uint8_t duration) {
        TRiff& riff = CurrentRiffOf(*m_project, *m_editor);
        EnsureNotes(riff, riff.Cursor + 2);
        riff.Notes[size_t(riff.Cursor)].Duration = duration;
        ++riff.Cursor;
        m_project->SetChanged(true);
        m_collecting = false;
    }

    void Debug(const std::string& line) {
        if (m_pass == 1 && m_hooks->DebugAdd)
            m_hooks->DebugAdd(line, MidiDebugColour);
    }

    static std::string DebugLine(uint8_t status, int64_t delta) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", status);
        return "Midi: " + std::string(hex) + " " + std::to_string(delta);
    }

    // One event; false when the track's data ran out.
    bool ReadEvent(TMidiEventReader& reader) {
        int64_t delta = reader.ReadDelta();
        if (m_pass == 2) {
            if (auto duration = DeltaToDuration(delta))
                CloseNote(*duration);
        }
        TMidiEvent event;
        if (delta < 0 || !reader.ReadEvent(event)) {
            if (delta >= 0 && event.Status != 0)
                Debug(DebugLine(event.Status, delta));
            return false;
        }
        Debug(DebugLine(event.Status, delta));
        if (!event.Stray && event.Kind() == 0x9)
            NoteOn(event.Channel(), event.Data[0] - 48, event.Data[1]);
        return true;
    }

    void NoteOn(int channel, int pitch, int velocity) {
        if (m_pass == 1) {
            m_mask = uint16_t(m_mask | (1u << channel));
            Debug("\t" + std::to_string(pitch) + "\t" + std::to_string(velocity));
        } else if ((m_mask >> channel & 1) && velocity > 0) {
            TRiff& riff = CurrentRiffOf(*m_project, *m_editor);
            if (PlacePitch(*m_project, *m_editor, riff.Cursor, pitch, TPlaceMode::Add))
                m_collecting = true;
        }
    }

    std::string_view m_buffer;
    int m_pass;
    TProject* m_project = nullptr;    // the second pass only
    TEditorState* m_editor = nullptr; // the second pass only
    const TMidiImportHooks* m_hooks = nullptr;
    uint16_t& m_mask;
    bool m_truncated = false;
    bool m_collecting = false; // a pitch went into the note being collected
};

} // namespace

int64_t ReadBigEndian(std::string_view buffer, size_t& pos, int bytes) {
    if (pos > buffer.size() || buffer.size() - pos < size_t(bytes))
        return -1;
    int64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | uint8_t(buffer[pos + size_t(i)]);
    pos += size_t(bytes);
    return value;
}

int64_t ReadVarLen(std::string_view buffer, size_t& pos) {
    int64_t value = 0;
    for (size_t p = pos; p < buffer.size(); ++p) {
        uint8_t byte = uint8_t(buffer[p]);
        if (value < VarLenCap)
            value = value << 7 | (byte & 0x7F);
        if (byte < 0x80) {
            pos = p + 1;
            return std::min(value, VarLenCap);
        }
    }
    return -1;
}

bool ReadChunkHeader(std::string_view buffer, size_t& pos, std::string& id, uint32_t& length) {
    if (pos > buffer.size() || buffer.size() - pos < 8)
        return false;
    id.assign(buffer.substr(pos, 4));
    pos += 4;
    length = uint32_t(ReadBigEndian(buffer, pos, 4));
    return true;
}

bool HasMidiHeader(std::string_view bytes) {
    size_t pos = 0;
    std::string id;
    uint32_t length = 0;
    return ReadChunkHeader(bytes, pos, id, length) && id == "MThd" && length >= 6 &&
           bytes.size() - pos >= 6;
}

std::optional<uint8_t> DeltaToDuration(int64_t delta) {
    if (delta > 2800)
        return 2;
    if (delta > 1300)
        return 3;
    if (delta > 600)
        return 4;
    if (delta > 280)
        return 5;
    if (delta > 140)
        return 6;
    if (delta > 60)
        return 7;
    return std::nullopt;
}

TMidiImportResult ScanMidiChannels(std::string_view bytes, const TMidiImportHooks& hooks) {
    TMidiImportResult result;
    TMidiPass pass(bytes, hooks, result.ChannelsFound);
    result.Invalid = !pass.Run();
    result.Truncated = pass.Truncated();
    return result;
}

bool ImportMidiNotes(std::string_view bytes, uint16_t mask, TProject& project,
                     TEditorState& editor) {
    TRiff& riff = CurrentRiffOf(project, editor);
    riff.Cursor = std::clamp(riff.Cursor, 0, NoteCount(riff));
    int start = riff.Cursor;
    TMidiPass pass(bytes, project, editor, mask);
    bool valid = pass.Run();
    pass.CloseCollectedChord();
    TRiff& current = CurrentRiffOf(project, editor);
    EnsureNotes(current, current.Cursor + 2);
    // The cursor ends on the note being collected; a file that gave no note (a damaged one)
    // leaves the selection as it was, so nothing at all has changed.
    if (current.Cursor != start)
        current.Anchor = current.Cursor;
    return valid;
}

TMidiImportResult ImportMidi(std::string_view bytes, TProject& project, TEditorState& editor,
                             const TMidiImportHooks& hooks) {
    TMidiImportResult result = ScanMidiChannels(bytes, hooks);
    if (result.Invalid)
        return result; // said once; the channel dialog has nothing to offer
    uint16_t mask = result.ChannelsFound;
    if (hooks.SelectChannels)
        hooks.SelectChannels(mask);
    if (!ImportMidiNotes(bytes, mask, project, editor))
        result.Invalid = true;
    return result;
}

bool ReadMidiFile(const std::string& path, std::string& bytes) {
    auto file = OpenDataFile(path, false);
    if (!file)
        return false;
    bool tooLarge = false;
    bytes = file->ReadAllBytes(MaxMidiFileBytes, tooLarge);
    if (tooLarge) {
        bytes.clear();
        DisplayError("\\1\\bMIDI File Too Large\\b\\0\\NA MIDI file of more than 64 MB is not "
                     "imported.");
        return false;
    }
    if (file->ReadFailed()) {
        bytes.clear();
        DisplayError("Failed to Open File");
        return false;
    }
    return true;
}

bool ImportMidiFile(const std::string& path, TProject& project, TEditorState& editor,
                    const TMidiImportHooks& hooks, TMidiImportResult& result) {
    std::string bytes;
    if (!ReadMidiFile(path, bytes))
        return false;
    result = ImportMidi(bytes, project, editor, hooks);
    return true;
}

} // namespace zel
