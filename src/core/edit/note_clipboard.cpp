#include "edit/note_clipboard.h"

#include <algorithm>
#include <vector>

#include "model/projectfile.h"

namespace zel {

std::string CopyNotesText(const TRiff& riff) {
    int a = std::max(0, std::min(riff.Cursor, riff.Anchor));
    int b = std::min(std::max(riff.Cursor, riff.Anchor), riff.Capacity() - 1);
    std::string text;
    for (int i = a; i <= b; ++i)
        if (riff.Notes[size_t(i)].Duration != EndOfNotes)
            text += NoteText(riff.Notes[size_t(i)]) + "\r\n";
    return text;
}

std::string CutNotes(TProject& project, TEditorState& editor) {
    std::string text = CopyNotesText(CurrentRiffOf(project, editor));
    DeleteSelection(project, editor);
    return text;
}

void PasteNotesText(TProject& project, TEditorState& editor, std::string_view text) {
    const uint8_t fallback =
        editor.CurrentDuration <= MaxDurationIndex ? editor.CurrentDuration : QuarterDuration;
    std::vector<TNote> pasted;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        TNote note;
        ParseNote(line, note);
        if (note.Duration > MaxDurationIndex)
            note.Duration = fallback;
        pasted.push_back(note);
    }
    // All notes go in with one shift of the notes after the cursor.
    TRiff& riff = CurrentRiffOf(project, editor);
    int cursor = std::clamp(riff.Cursor, 0, NoteCount(riff));
    int count = int(pasted.size());
    EnsureNotes(riff, std::max(riff.Capacity(), NoteCount(riff) + 1) + count);
    std::move_backward(riff.Notes.begin() + cursor, riff.Notes.end() - count, riff.Notes.end());
    std::copy(pasted.begin(), pasted.end(), riff.Notes.begin() + cursor);
    riff.Cursor = cursor + count;
    project.SetChanged(true);
}

} // namespace zel
