#include "edit/string_ops.h"

#include <algorithm>

#include "edit/editor_commands.h"

namespace zel {

namespace {

constexpr int MaxTypedFret = 24;
constexpr int HighestFret = 254;

struct TSelection {
    int First;
    int Last;
};

// The selected records of the riff that exist (at most up to the end of the array).
TSelection SelectionOf(TRiff& riff) {
    int a = std::max(0, std::min(riff.Cursor, riff.Anchor));
    int b = std::max(riff.Cursor, riff.Anchor);
    EnsureNotes(riff, b + 1);
    return {a, b};
}

void MoveUp(const TRiff& riff, TNote& note) {
    for (int s = StringSlots - 1; s >= 1; --s) {
        if (!HasString(riff, s) || note.Fret[size_t(s)] != NoFret)
            continue;
        auto pitch = SlotPitch(riff, note, s - 1);
        if (!pitch)
            continue;
        int fret = *pitch - riff.Tuning[size_t(s)];
        if (fret >= 0 && fret <= HighestFret) {
            note.Fret[size_t(s)] = uint8_t(fret);
            note.Fret[size_t(s - 1)] = NoFret;
        }
    }
}

void MoveDown(const TRiff& riff, TNote& note) {
    for (int s = 0; s + 1 < StringSlots; ++s) {
        if (!HasString(riff, s) || note.Fret[size_t(s)] != NoFret)
            continue;
        auto pitch = SlotPitch(riff, note, s + 1);
        if (!pitch)
            continue;
        int fret = *pitch - riff.Tuning[size_t(s)];
        if (fret >= 0 && fret <= HighestFret) {
            note.Fret[size_t(s)] = uint8_t(fret);
            note.Fret[size_t(s + 1)] = NoFret;
        }
    }
}

} // namespace

void StringUp(TProject& project, TEditorState& editor, bool viewHasFocus) {
    if (!viewHasFocus)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    auto [a, b] = SelectionOf(riff);
    for (int i = a; i <= b; ++i)
        MoveUp(riff, riff.Notes[size_t(i)]);
    project.SetChanged(true);
}

void StringDown(TProject& project, TEditorState& editor, bool viewHasFocus) {
    if (!viewHasFocus)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    auto [a, b] = SelectionOf(riff);
    for (int i = a; i <= b; ++i)
        MoveDown(riff, riff.Notes[size_t(i)]);
    project.SetChanged(true);
}

void ReallocateStrings(TProject& project, TEditorState& editor, bool viewHasFocus) {
    if (!viewHasFocus)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    auto [a, b] = SelectionOf(riff);
    for (int i = a; i <= b; ++i)
        ReallocateNote(project, editor, i, 0);
    project.SetChanged(true);
}

void Transpose(TProject& project, TEditorState& editor, int semitones, bool viewHasFocus) {
    if (!viewHasFocus || (semitones != 1 && semitones != -1))
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    auto [a, b] = SelectionOf(riff);
    if (a == b && editor.TabMode) {
        int slot = CursorSlot(riff, editor);
        if (slot >= 0) {
            uint8_t& fret = riff.Notes[size_t(a)].Fret[size_t(slot)];
            int moved = fret + semitones;
            if (fret != NoFret && moved >= 0 && moved <= MaxTypedFret)
                fret = uint8_t(moved);
        }
        project.SetChanged(true);
        return;
    }
    bool openString = false;
    for (int i = a; i <= b && semitones < 0; ++i)
        for (int slot = 0; slot < StringSlots; ++slot)
            openString |= HasString(riff, slot) && riff.Notes[size_t(i)].Fret[size_t(slot)] == 0;
    if (openString) {
        // An open string cannot go lower on its own string: re-place every note's pitches.
        for (int i = a; i <= b; ++i)
            ReallocateNote(project, editor, i, semitones);
    } else {
        for (int i = a; i <= b; ++i)
            for (uint8_t& fret : riff.Notes[size_t(i)].Fret)
                if (fret != NoFret && fret + semitones >= 0 && fret + semitones <= HighestFret)
                    fret = uint8_t(fret + semitones);
    }
    project.SetChanged(true);
}

} // namespace zel
