#include "document/midi_note_in.h"

#include "document/document_edits.h"
#include "midi/midi_message.h"

namespace zel {
namespace {

constexpr const char* StepName = "MIDI Input";
constexpr const char* ChordMergeKey = "midi-chord";

bool IsNoteOn(uint8_t status, uint8_t velocity) {
    return (status >> 4) == 0x9 && velocity > 0;
}

} // namespace

TMidiNoteInResult MidiNoteIn(TDocument& document, TMidiEntry& entry, uint8_t status, uint8_t data1,
                             uint8_t data2) {
    TMidiNoteInResult result;
    if (status == MidiActiveSensing)
        return result;
    if (IsNoteOn(status, data2)) {
        int pitch = MidiKeyPitch(data1);
        if (entry.InsertDown) {
            // The first key of a chord starts a new undo step; the chord's other keys and the
            // move that ends it join that step.
            if (!entry.MidiChordOpen)
                document.BreakMerge();
            bool placed = false;
            document.Edit(
                StepName, CurrentRiffScope(document),
                [&] {
                    TProject& project = document.Project();
                    TEditorState& editor = document.Editor();
                    TRiff& riff = CurrentRiffOf(project, editor);
                    if (!PlacePitch(project, editor, riff.Cursor, pitch, TPlaceMode::Add))
                        return;
                    placed = true;
                    ReallocateNote(project, editor, riff.Cursor, 0);
                    riff.Notes[size_t(riff.Cursor)].Duration = editor.CurrentDuration;
                },
                ChordMergeKey);
            if (placed) {
                result.Changed = true;
                entry.MidiChordOpen = true;
            }
        }
        result.PreviewPitch = pitch;
        return result;
    }
    if (!entry.MidiChordOpen)
        return result;
    document.Edit(
        StepName, CurrentRiffScope(document),
        [&] {
            TRiff& riff = CurrentRiffOf(document.Project(), document.Editor());
            riff.Cursor += 1;
            riff.Anchor = riff.Cursor;
            EnsureNotes(riff, riff.Cursor + 2);
        },
        ChordMergeKey);
    document.BreakMerge();
    entry.MidiChordOpen = false;
    result.Moved = true;
    return result;
}

} // namespace zel
