// Moving notes between strings without changing their pitch, re-placing chords, and
// transposing by a semitone. Each acts on the selection of the current riff while the riff view
// has focus, and marks the project changed.
#pragma once

#include "model/song.h"

namespace zel {

void StringUp(TProject& project, TEditorState& editor, bool viewHasFocus);
void StringDown(TProject& project, TEditorState& editor, bool viewHasFocus);
void ReallocateStrings(TProject& project, TEditorState& editor, bool viewHasFocus);
// Transposes by +1 or -1 semitone. Frets never pass 254, so a raised fret cannot turn into
// "no fret".
void Transpose(TProject& project, TEditorState& editor, int semitones, bool viewHasFocus);

} // namespace zel
