#include "arrange/midi_events.h"

#include "arrange/midi_import.h"

namespace zel {

int64_t TMidiEventReader::ReadDelta() {
    int64_t delta = ReadVarLen(m_track, m_pos);
    if (delta < 0)
        m_pos = m_track.size();
    return delta;
}

bool TMidiEventReader::Take(uint64_t n, std::string_view& bytes) {
    if (n > m_track.size() - m_pos) {
        m_pos = m_track.size();
        return false;
    }
    bytes = m_track.substr(m_pos, size_t(n));
    m_pos += size_t(n);
    return true;
}

bool TMidiEventReader::ReadEvent(TMidiEvent& event) {
    event = {};
    if (AtEnd())
        return false;
    uint8_t status = uint8_t(m_track[m_pos]);
    if (status < 0x80) {
        if (m_running == 0) {
            // A data byte where a status belongs: skipped on its own.
            ++m_pos;
            event.Status = status;
            event.Stray = true;
            return true;
        }
        status = m_running; // the previous channel status runs on
    } else {
        ++m_pos;
        if (status < 0xF0)
            m_running = status;
        else if (status > 0xF0 && status < 0xF7)
            m_running = 0; // system common messages cancel running status
        // Files carry system exclusive data as events of their own, and writers continue the
        // channel's running status after them (and after meta events).
    }
    event.Status = status;
    std::string_view bytes;
    switch (status >> 4) {
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB:
    case 0xE:
        if (!Take(2, bytes))
            return false;
        event.Data[0] = uint8_t(bytes[0]);
        event.Data[1] = uint8_t(bytes[1]);
        return true;
    case 0xC:
    case 0xD:
        if (!Take(1, bytes))
            return false;
        event.Data[0] = uint8_t(bytes[0]);
        return true;
    default:
        break;
    }
    if (status != 0xF0 && status != 0xF7) {
        if (!Take(1, bytes))
            return false;
        event.MetaType = uint8_t(bytes[0]);
    }
    int64_t length;
    if (status == 0xFF || status == 0xF0 || status == 0xF7) {
        length = ReadVarLen(m_track, m_pos);
    } else {
        // Other system events: a one-byte length.
        length = Take(1, bytes) ? uint8_t(bytes[0]) : -1;
    }
    if (length < 0) {
        m_pos = m_track.size();
        return false;
    }
    return Take(uint64_t(length), event.Payload);
}

} // namespace zel
