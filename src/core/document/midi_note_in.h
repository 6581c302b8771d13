// Notes from a MIDI keyboard: keys held together build one chord at the riff cursor, the first
// release moves the cursor on. The window hands every received message to `MidiNoteIn` on the
// user-interface thread, in the order the messages arrived.
#pragma once

#include <cstdint>
#include <optional>

#include "document/document.h"

namespace zel {

struct TMidiEntry {
    bool InsertDown = false;    // the "Insert MIDI Input" toggle
    bool MidiChordOpen = false; // a key added a pitch at the cursor, which has not moved on
};

struct TMidiNoteInResult {
    bool Changed = false;            // a pitch was added at the cursor
    bool Moved = false;              // the cursor moved on to the next note
    std::optional<int> PreviewPitch; // a key was pressed: its pitch, to be heard
};

// The model's pitch of a MIDI key: middle C (60) is pitch 12.
constexpr int MidiKeyPitch(uint8_t key) {
    return int(key) - 48;
}

// One received message. Active sensing is ignored. A note on with a velocity above 0 adds its
// pitch to the note at the cursor while the toggle is down (the chord is voiced again, highest
// pitch first, and takes the current duration), and always asks for a preview. Any other
// message (a release, a clock, a controller) moves the cursor on when a chord is open. A chord
// is one undo step with the move that ends it.
TMidiNoteInResult MidiNoteIn(TDocument& document, TMidiEntry& entry, uint8_t status, uint8_t data1,
                             uint8_t data2);

} // namespace zel
