#include "edit/note_clipboard.h"

#include <algorithm>

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
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        TRiff& riff = CurrentRiffOf(project, editor);
        InsertNote(project, editor);
        TNote& note = riff.Notes[size_t(riff.Cursor)];
        ParseNote(line, note);
        if (note.Duration > MaxDurationIndex)
            note.Duration = editor.CurrentDuration <= MaxDurationIndex ? editor.CurrentDuration
                                                                       : QuarterDuration;
        ++riff.Cursor;
    }
    project.SetChanged(true);
}

} // namespace zel
