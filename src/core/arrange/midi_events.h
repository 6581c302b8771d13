// Reading the events of one MIDI track chunk: delta times, running status, channel messages,
// meta and system events. Both MIDI imports read tracks through this one reader, so a file
// means the same to either of them.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel {

struct TMidiEvent {
    // The status in force: the event's own, or the running one for a channel message written
    // without it. For a stray data byte (no status in force) the byte itself.
    uint8_t Status = 0;
    bool Stray = false;       // a data byte where a status belongs and none runs on: skipped
    uint8_t Data[2] = {};     // the data bytes of a channel message, as in the file
    uint8_t MetaType = 0;     // the type of a meta (FF) or other system event
    std::string_view Payload; // the data of a meta, system exclusive or other system event

    int Kind() const { return Status >> 4; }
    int Channel() const { return Status & 0x0F; }
};

class TMidiEventReader {
public:
    explicit TMidiEventReader(std::string_view track) : m_track(track) {}

    bool AtEnd() const { return m_pos >= m_track.size(); }
    // The delta time before the next event; -1 when the data ends inside it.
    int64_t ReadDelta();
    // The event after the delta; false when the track ends inside it (the reader then stands
    // at the end of the track).
    bool ReadEvent(TMidiEvent& event);

private:
    bool Take(uint64_t n, std::string_view& bytes);

    std::string_view m_track;
    size_t m_pos = 0;
    uint8_t m_running = 0;
};

} // namespace zel
