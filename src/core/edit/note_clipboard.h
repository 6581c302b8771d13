// Notes as clipboard text: one NoteText line per note, CR LF after each.
#pragma once

#include <string>
#include <string_view>

#include "model/song.h"

namespace zel {

// The selected notes of the current riff as text (the end record is never copied).
std::string CopyNotesText(const TRiff& riff);
// Copy, then delete the selection.
std::string CutNotes(TProject& project, TEditorState& editor);
// Inserts one note per non-empty line before the note under the cursor; the cursor ends on that
// note, after the pasted ones. A line without a usable duration gets the current duration, so
// it cannot end the riff early and hide the notes after it. Marks the project changed.
void PasteNotesText(TProject& project, TEditorState& editor, std::string_view text);

} // namespace zel
