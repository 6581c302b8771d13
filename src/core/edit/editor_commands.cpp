#include "edit/editor_commands.h"

#include <algorithm>

#include "edit/music.h"

namespace zel {

namespace {

constexpr int StaffRowTop = -13;
constexpr int StaffRowBottom = 18;
constexpr int MaxTypedFret = 24;

void Call(const std::function<void()>& f) {
    if (f)
        f();
}

bool IsNote(const TRiff& riff, int index) {
    return index >= 0 && index < riff.Capacity() &&
           riff.Notes[size_t(index)].Duration != EndOfNotes;
}

// Enter and Space on the staff end the same way: the note gets the current duration and the
// cursor may advance.
void AfterStaffKey(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    EnsureNotes(riff, riff.Cursor + 2);
    riff.Notes[size_t(riff.Cursor)].Duration = editor.CurrentDuration;
    if (context.AutoAdvance && NoteCount(riff) > riff.Cursor) {
        ++riff.Cursor;
        riff.Anchor = riff.Cursor;
        Call(context.ScrollToCursor);
    }
    UpdateDurationButtons(project, editor);
    Call(context.Redraw);
    project.SetChanged(true);
}

void StaffEnter(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int pitch = StaffToPitch(10 - editor.CursorRow, riff.Key);
    if (!PlacePitch(project, editor, riff.Cursor, pitch, TPlaceMode::Test)) {
        if (context.PreviewPitch)
            context.PreviewPitch(pitch);
        PlacePitch(project, editor, riff.Cursor, pitch, TPlaceMode::Add);
        ReallocateNote(project, editor, riff.Cursor, 0);
    }
    AfterStaffKey(project, editor, context);
}

void StaffSpace(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int pitch = StaffToPitch(10 - editor.CursorRow, riff.Key);
    bool found = PlacePitch(project, editor, riff.Cursor, pitch, TPlaceMode::Test) ||
                 PlacePitch(project, editor, riff.Cursor, pitch + 1, TPlaceMode::Test);
    if (found) {
        if (!PlacePitch(project, editor, riff.Cursor, pitch, TPlaceMode::Remove))
            PlacePitch(project, editor, riff.Cursor, pitch + 1, TPlaceMode::Remove);
        ReallocateNote(project, editor, riff.Cursor, 0);
    }
    AfterStaffKey(project, editor, context);
}

void TypeFretDigit(TProject& project, TEditorState& editor, int digit,
                   const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int slot = CursorSlot(riff, editor);
    if (slot < 0)
        return;
    EnsureNotes(riff, riff.Cursor + 2);
    TNote& note = riff.Notes[size_t(riff.Cursor)];
    int old = note.Fret[size_t(slot)];
    if (editor.FreshEntry || old == NoFret)
        old = 0;
    editor.FreshEntry = false;
    int value = (old * 10 + digit) % 256;
    if (value > MaxTypedFret) {
        value = MaxTypedFret;
        editor.FreshEntry = true;
    }
    note.Fret[size_t(slot)] = uint8_t(value);
    note.Duration = editor.CurrentDuration;
    UpdateDurationButtons(project, editor);
    project.SetChanged(true);
    Call(context.Redraw);
}

void TabSpace(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int slot = CursorSlot(riff, editor);
    if (slot < 0)
        return;
    riff.Notes[size_t(riff.Cursor)].Fret[size_t(slot)] = NoFret;
    project.SetChanged(true);
    Call(context.Redraw);
}

void TabBackspace(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int slot = CursorSlot(riff, editor);
    if (slot < 0)
        return;
    uint8_t& fret = riff.Notes[size_t(riff.Cursor)].Fret[size_t(slot)];
    if (fret == NoFret)
        return;
    fret = fret >= 10 ? uint8_t(fret / 10) : NoFret;
    project.SetChanged(true);
    Call(context.Redraw);
}

void StaffBackspace(TProject& project, TEditorState& editor, const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    if (riff.Cursor <= 0)
        return;
    --riff.Cursor;
    riff.Anchor = riff.Cursor;
    DeleteSelection(project, editor);
    Call(context.Redraw);
}

// Cursor and row moves; true when the key was one of them.
bool MoveKey(TProject& project, TEditorState& editor, const TKeyPress& key,
             const TEditorContext& context) {
    TRiff& riff = CurrentRiffOf(project, editor);
    int count = NoteCount(riff);
    int cursor = riff.Cursor;
    int row = editor.CursorRow;
    bool pageMove = false;
    switch (key.Key) {
    case TEditKey::Home:
        cursor = 0;
        break;
    case TEditKey::End:
        cursor = count;
        break;
    case TEditKey::Left:
        if (key.Ctrl) {
            cursor = std::clamp(cursor - std::max(1, context.PageColumns), 0, count);
            pageMove = true;
        } else if (cursor > 0) {
            --cursor;
        }
        break;
    case TEditKey::Right:
        if (key.Ctrl) {
            cursor = std::clamp(cursor + std::max(1, context.PageColumns), 0, count);
            pageMove = true;
        } else if (IsNote(riff, cursor)) {
            ++cursor;
        }
        break;
    case TEditKey::Up:
        if (row > (editor.TabMode ? 0 : StaffRowTop))
            --row;
        break;
    case TEditKey::Down:
        if (editor.TabMode ? row + 1 < StringCount(riff) : row < StaffRowBottom)
            ++row;
        break;
    default:
        return false;
    }
    if (cursor == riff.Cursor && row == editor.CursorRow) {
        // Home and End show the start or the end of the band even when the cursor is there
        // already and the view was scrolled away by hand.
        if (key.Key == TEditKey::Home || key.Key == TEditKey::End)
            Call(context.ScrollToCursor);
        return true;
    }
    riff.Cursor = cursor;
    editor.CursorRow = row;
    editor.FreshEntry = true;
    bool keepAnchor = pageMove ? key.Shift : (key.Shift || key.Ctrl);
    if (!keepAnchor)
        riff.Anchor = riff.Cursor;
    Call(context.ScrollToCursor);
    UpdateDurationButtons(project, editor);
    Call(context.Redraw);
    return true;
}

} // namespace

int CursorSlot(const TRiff& riff, const TEditorState& editor) {
    int slot = StringCount(riff) - 1 - editor.CursorRow;
    return HasString(riff, slot) ? slot : -1;
}

TDurationButtons UpdateDurationButtons(TProject& project, TEditorState& editor) {
    TRiff& riff = CurrentRiffOf(project, editor);
    riff.Cursor = std::max(0, riff.Cursor);
    EnsureNotes(riff, riff.Cursor + 2);
    const TNote& note = riff.Notes[size_t(riff.Cursor)];
    if (note.Duration != EndOfNotes)
        editor.CurrentDuration = note.Duration;
    if (editor.CurrentDuration == EndOfNotes)
        editor.CurrentDuration = QuarterDuration;
    return {editor.CurrentDuration, (note.Flags & NoteDot) != 0, (note.Flags & NoteDotDot) != 0,
            (note.Flags & NoteTie) != 0};
}

bool HandleRiffKey(TProject& project, TEditorState& editor, const TKeyPress& key,
                   const TEditorContext& context) {
    if (editor.MouseHeld || !context.ViewHasFocus)
        return false;
    TRiff& riff = CurrentRiffOf(project, editor);
    riff.Cursor = std::clamp(riff.Cursor, 0, NoteCount(riff));
    EnsureNotes(riff, riff.Cursor + 2);
    bool handled = true;
    switch (key.Key) {
    case TEditKey::Enter:
        if (editor.TabMode)
            handled = false;
        else
            StaffEnter(project, editor, context);
        break;
    case TEditKey::Space:
        if (editor.TabMode)
            TabSpace(project, editor, context);
        else
            StaffSpace(project, editor, context);
        break;
    case TEditKey::Backspace:
        if (editor.TabMode)
            TabBackspace(project, editor, context);
        else
            StaffBackspace(project, editor, context);
        break;
    case TEditKey::Digit:
        if (!editor.TabMode || key.Digit < 0 || key.Digit > 9)
            handled = false;
        else
            TypeFretDigit(project, editor, key.Digit, context);
        break;
    case TEditKey::Insert:
        InsertNote(project, editor);
        Call(context.Redraw);
        break;
    case TEditKey::Delete:
        DeleteSelection(project, editor);
        Call(context.Redraw);
        break;
    case TEditKey::Tab:
        if (!key.Ctrl)
            handled = false;
        else if (context.SwitchRiffTab)
            context.SwitchRiffTab(key.Shift ? -1 : +1);
        break;
    default:
        handled = MoveKey(project, editor, key, context);
        break;
    }
    if (handled) {
        TRiff& current = CurrentRiffOf(project, editor); // a riff switch changes it
        EnsureNotes(current, current.Cursor + 2);
    }
    return handled;
}

void SetSelectionDuration(TProject& project, TEditorState& editor, uint8_t duration,
                          const TEditorContext& context) {
    editor.CurrentDuration = duration;
    TRiff& riff = CurrentRiffOf(project, editor);
    int a = std::max(0, std::min(riff.Cursor, riff.Anchor));
    int b = std::max(riff.Cursor, riff.Anchor);
    for (int i = a; i <= b; ++i)
        if (IsNote(riff, i))
            riff.Notes[size_t(i)].Duration = duration;
    Call(context.Redraw);
    project.SetChanged(true);
}

void ApplyNoteFlagCommand(TProject& project, TEditorState& editor, TNoteFlagCommand command,
                          const TEditorContext& context) {
    if (!context.ViewHasFocus)
        return;
    TRiff& riff = CurrentRiffOf(project, editor);
    int a = std::max(0, std::min(riff.Cursor, riff.Anchor));
    int b = std::max(riff.Cursor, riff.Anchor);
    for (int i = a; i <= b; ++i) {
        if (!IsNote(riff, i))
            continue;
        TNote& note = riff.Notes[size_t(i)];
        switch (command) {
        case TNoteFlagCommand::Dot:
            note.Flags = uint8_t((note.Flags ^ NoteDot) & ~NoteDotDot);
            break;
        case TNoteFlagCommand::DotDot:
            note.Flags = uint8_t((note.Flags ^ NoteDotDot) & ~NoteDot);
            break;
        case TNoteFlagCommand::Tie:
            note.Flags ^= NoteTie;
            break;
        case TNoteFlagCommand::Lengthen:
            note.Duration = LengthenDuration(note.Duration);
            break;
        case TNoteFlagCommand::Shorten:
            note.Duration = ShortenDuration(note.Duration);
            break;
        }
    }
    Call(context.Redraw);
    project.SetChanged(true);
}

} // namespace zel
