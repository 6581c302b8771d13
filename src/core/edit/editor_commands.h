// The riff editor's command layer: keys on the staff and the tab lines, the duration, dot, tie
// and length commands, and the state of the duration buttons. The window binds its events to
// these; everything acts on the current riff.
#pragma once

#include <cstdint>
#include <functional>

#include "model/song.h"

namespace zel {

enum class TEditKey {
    Enter,
    Space,
    Backspace,
    Digit,
    Home,
    End,
    Left,
    Right,
    Up,
    Down,
    Insert,
    Delete,
    Tab, // with Ctrl: next riff tab (previous with Shift)
};

struct TKeyPress {
    TEditKey Key = TEditKey::Enter;
    int Digit = 0; // for TEditKey::Digit
    bool Shift = false;
    bool Ctrl = false;
};

// What the view and the rest of the program supply to the commands.
struct TEditorContext {
    bool ViewHasFocus = true;              // the staff or the tab lines hold the keyboard focus
    int PageColumns = 1;                   // note columns that fit in the visible width of the view
    bool AutoAdvance = false;              // "Auto Advance Cursor"
    std::function<void(int)> PreviewPitch; // sounds a pitch (when previews are wanted)
    std::function<void(int)> SwitchRiffTab; // +1 next tab, -1 previous tab
    std::function<void()> ScrollToCursor;
    std::function<void()> Redraw;
};

// The toolbar's duration and flag buttons as they should show.
struct TDurationButtons {
    uint8_t Duration = QuarterDuration; // the one duration button that is down
    bool Dot = false;
    bool DotDot = false;
    bool Tie = false;
    bool operator==(const TDurationButtons&) const = default;
};

// Handles one key on the riff view. Returns false when the key is not one of the editor's
// (the focused control may then have it). Keys do nothing while the mouse button is held.
bool HandleRiffKey(TProject& project, TEditorState& editor, const TKeyPress& key,
                   const TEditorContext& context);

// Takes the duration of the note under the cursor (if it is a note) and gives the buttons'
// state.
TDurationButtons UpdateDurationButtons(TProject& project, TEditorState& editor);

// Duration button: sets the current duration and gives it to every note of the selection.
// Works whether or not the view has focus.
void SetSelectionDuration(TProject& project, TEditorState& editor, uint8_t duration,
                          const TEditorContext& context);

enum class TNoteFlagCommand { Dot, DotDot, Tie, Lengthen, Shorten };
// Dot, double dot, tie, lengthen and shorten on each note of the selection (never the end
// record); only while the view has focus.
void ApplyNoteFlagCommand(TProject& project, TEditorState& editor, TNoteFlagCommand command,
                          const TEditorContext& context);

// The string slot the cursor stands on in tab mode; -1 when the riff has no strings there.
int CursorSlot(const TRiff& riff, const TEditorState& editor);

} // namespace zel
