// Fuzz target: any clipboard text pasted as notes, as structure cells and as riff settings.
// Pasting must never crash or write outside a table; pasted notes must keep the riff well
// formed (every note before the end record has a duration the riff can play).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "edit/note_clipboard.h"
#include "model/riff_settings.h"
#include "model/structure_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zel::TProject project;
    zel::TEditorState editor;
    zel::ResetProject(project, editor);

    zel::PasteNotesText(project, editor, text);
    const zel::TRiff& riff = zel::CurrentRiffOf(project, editor);
    int count = zel::NoteCount(riff);
    for (int i = 0; i < count; ++i)
        if (riff.Notes[size_t(i)].Duration > zel::MaxDurationIndex)
            std::abort();
    if (riff.Capacity() > 0 && count >= riff.Capacity())
        std::abort(); // the end record must exist once the riff has notes

    zel::TStructure structure{"1\tA", ""};
    zel::PasteStructureCells(structure, 2, 2, text);
    std::string copied = zel::CopyStructureCells(structure, {1, 1, 3, 4}, true);

    zel::TRiff settings;
    zel::PasteRiffSettings(settings, text);
    if (settings.Key < -6 || settings.Key > 6 || settings.Tempo == 0 || settings.BarsB == 0)
        std::abort();
    return 0;
}
