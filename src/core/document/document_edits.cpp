#include "document/document_edits.h"

#include "base/markup.h"
#include "base/message_service.h"
#include "edit/note_clipboard.h"
#include "edit/string_ops.h"
#include "edit/tab_hosts.h"
#include "model/structure.h"

namespace zel {

namespace {

std::string NoteKey(const char* kind, const TDocument& document) {
    const TEditorState& editor = document.Editor();
    const TRiff& riff = document.Project().Riffs[size_t(editor.CurrentRiff)];
    return std::string(kind) + ':' + std::to_string(editor.CurrentRiff) + ':' +
           std::to_string(riff.Cursor);
}

// The step a key makes, with the key that merges it with the step before; no name for keys
// that only move the cursor.
struct TKeyStep {
    const char* Name = nullptr;
    std::string MergeKey;
};

TKeyStep KeyStep(const TDocument& document, const TKeyPress& key) {
    bool tab = document.Editor().TabMode;
    switch (key.Key) {
    case TEditKey::Enter:
    case TEditKey::Space:
        if (tab)
            return {"Clear Fret", {}};
        return {"Pitch Entry", NoteKey("pitch", document)};
    case TEditKey::Digit:
        return {"Typing", NoteKey("fret", document)};
    case TEditKey::Backspace:
        if (tab)
            return {"Typing", NoteKey("fret", document)};
        return {"Delete Note", {}};
    case TEditKey::Insert:
        return {"Insert Note", {}};
    case TEditKey::Delete:
        return {"Delete Notes", {}};
    default:
        return {};
    }
}

const char* StringCommandName(TStringCommand command) {
    switch (command) {
    case TStringCommand::TransposeUp:
        return "Transpose Up";
    case TStringCommand::TransposeDown:
        return "Transpose Down";
    case TStringCommand::StringUp:
        return "String Up";
    case TStringCommand::StringDown:
        return "String Down";
    case TStringCommand::Reallocate:
        return "Reallocate Strings";
    }
    return "Strings";
}

const char* FlagCommandName(TNoteFlagCommand command) {
    switch (command) {
    case TNoteFlagCommand::Dot:
        return "Dot";
    case TNoteFlagCommand::DotDot:
        return "Double Dot";
    case TNoteFlagCommand::Tie:
        return "Tie";
    case TNoteFlagCommand::Lengthen:
        return "Lengthen";
    case TNoteFlagCommand::Shorten:
        return "Shorten";
    }
    return "Note Length";
}

} // namespace

TEditScope CurrentRiffScope(const TDocument& document) {
    return TEditScope::Riff(document.Editor().CurrentRiff);
}

TEditScope RiffTableScope() {
    TEditScope scope;
    scope.AllRiffs = true;
    scope.RiffNames = true;
    return scope;
}

TEditScope InstrumentTableScope() {
    TEditScope scope;
    scope.AllInstruments = true;
    scope.InstrumentNames = true;
    scope.Structure = true;
    return scope;
}

bool DocumentRiffKey(TDocument& document, const TKeyPress& key, const TEditorContext& context) {
    TKeyStep step = KeyStep(document, key);
    if (!step.Name) {
        bool handled = HandleRiffKey(document.Project(), document.Editor(), key, context);
        // Typing on after the cursor moved starts a new step.
        if (handled)
            document.BreakMerge();
        return handled;
    }
    bool handled = false;
    document.Edit(
        step.Name, CurrentRiffScope(document),
        [&] { handled = HandleRiffKey(document.Project(), document.Editor(), key, context); },
        step.MergeKey);
    return handled;
}

void DocumentSetDuration(TDocument& document, uint8_t duration, const TEditorContext& context) {
    document.Edit("Duration", CurrentRiffScope(document), [&] {
        SetSelectionDuration(document.Project(), document.Editor(), duration, context);
    });
}

void DocumentFlagCommand(TDocument& document, TNoteFlagCommand command,
                         const TEditorContext& context) {
    document.Edit(FlagCommandName(command), CurrentRiffScope(document), [&] {
        ApplyNoteFlagCommand(document.Project(), document.Editor(), command, context);
    });
}

void DocumentStringCommand(TDocument& document, TStringCommand command, bool viewHasFocus) {
    document.Edit(StringCommandName(command), CurrentRiffScope(document), [&] {
        TProject& project = document.Project();
        TEditorState& editor = document.Editor();
        switch (command) {
        case TStringCommand::TransposeUp:
            Transpose(project, editor, 1, viewHasFocus);
            break;
        case TStringCommand::TransposeDown:
            Transpose(project, editor, -1, viewHasFocus);
            break;
        case TStringCommand::StringUp:
            StringUp(project, editor, viewHasFocus);
            break;
        case TStringCommand::StringDown:
            StringDown(project, editor, viewHasFocus);
            break;
        case TStringCommand::Reallocate:
            ReallocateStrings(project, editor, viewHasFocus);
            break;
        }
    });
}

std::string DocumentCutNotes(TDocument& document) {
    std::string text;
    document.Edit("Cut", CurrentRiffScope(document),
                  [&] { text = CutNotes(document.Project(), document.Editor()); });
    return text;
}

void DocumentPasteNotes(TDocument& document, std::string_view text) {
    document.Edit("Paste", CurrentRiffScope(document),
                  [&] { PasteNotesText(document.Project(), document.Editor(), text); });
}

void DocumentDeleteSelection(TDocument& document) {
    document.Edit("Delete Notes", CurrentRiffScope(document),
                  [&] { DeleteSelection(document.Project(), document.Editor()); });
}

void BindRiffTabs(TTabStrip& strip, TDocument& document, std::function<void(int)> loadEditor,
                  std::function<void(int)> storeEditor) {
    BindRiffTabs(strip, document.Project(), document.Editor(), {}, std::move(storeEditor));
    strip.OnFill = [&document, load = std::move(loadEditor)](int index) {
        const TTabCaptions& names = document.Project().RiffNames;
        bool blank = index == names.Count() - 1 && names.LastIsBlank();
        if (blank)
            document.Edit("New Riff", TEditScope::Riff(index).AndRiffNames(),
                          [&] { RiffTabFill(document.Project(), document.Editor(), index); });
        else
            RiffTabFill(document.Project(), document.Editor(), index);
        // Typing into another riff is a step of its own.
        document.BreakMerge();
        if (load)
            load(index);
    };
    strip.OnEdit = [&document](TTabStrip::TEdit kind, const std::function<void()>& body) {
        const char* name = kind == TTabStrip::TEdit::Move     ? "Move Riff"
                           : kind == TTabStrip::TEdit::Delete ? "Delete Riff"
                                                              : "Insert Riff";
        document.Edit(name, RiffTableScope(), body);
    };
}

void DocumentInsertRiff(TDocument& document, TTabStrip& strip, int index) {
    TProject& project = document.Project();
    strip.InsertTabAt(index, InsertRiffCaption(project.RiffNames, index),
                      [&project](int i) { ResetRiffRecord(project, i); });
}

void DocumentDeleteRiff(TDocument& document, TTabStrip& strip, int index) {
    TProject& project = document.Project();
    strip.DeleteTabAt(index, [&project](int i) { ResetRiffRecord(project, i); });
}

int OtherRiffNamed(const TProject& project, std::string_view name, int except) {
    const TTabCaptions& names = project.RiffNames;
    for (int i = 0; i < names.RecordCount(); ++i)
        if (i != except && names[i] == name)
            return i;
    return -1;
}

bool DocumentStoreRiffProperties(TDocument& document, int index,
                                 const std::function<void(TProject&)>& store,
                                 std::string_view field) {
    if (index < 0 || index >= MaxRiffs)
        return false;
    // The riff's identity, not its place: a tab moved between two stores is still this riff.
    std::string key =
        field.empty()
            ? std::string()
            : "riff-properties:" + std::to_string(document.Project().Riffs[size_t(index)].Id) +
                  ':' + std::string(field);
    std::string refused;
    document.Edit(
        "Riff Properties", TEditScope::Riff(index).AndRiffNames().AndStructure(),
        [&] {
            TProject& project = document.Project();
            TTabCaptions& names = project.RiffNames;
            std::string before = index < names.Count() ? names[index] : std::string();
            store(project);
            std::string after = index < names.Count() ? names[index] : std::string();
            if (after == before)
                return;
            if (OtherRiffNamed(project, after, index) >= 0) {
                names.SetCaption(index, before);
                refused = after;
                return;
            }
            // The song keeps playing the same riff under its new name.
            RenameRiffCells(project.Structure, before, after);
        },
        key);
    if (!refused.empty())
        DisplayError("\\bA riff named \"" + MarkupLiteral(refused) +
                     "\" already exists.\\b\\NThe song finds its riffs by name, so every riff "
                     "needs a name of its own.");
    return refused.empty();
}

bool DocumentSetTempoOfAllRiffs(TDocument& document, uint16_t tempo) {
    int changed = 0;
    document.Edit("Tempo of All Riffs", RiffTableScope(),
                  [&] { changed = SetTempoOfAllRiffs(document.Project(), tempo); });
    return changed > 0;
}

bool DocumentStructureEdit(TDocument& document, std::string_view name,
                           const std::function<void(std::vector<std::string>&)>& edit) {
    return document.Edit(name, TEditScope().AndStructure(),
                         [&] { edit(document.Project().Structure); });
}

} // namespace zel
