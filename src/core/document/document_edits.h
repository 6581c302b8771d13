// The editing commands as undoable steps of the document: each names its step, says which parts
// of the project it may change and runs the command inside the transaction. Windows call these,
// never the table-level commands directly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "document/document.h"
#include "edit/editor_commands.h"
#include "edit/tab_strip.h"
#include "model/riff_settings.h"

namespace zel {

// The current riff's record.
TEditScope CurrentRiffScope(const TDocument& document);
// Every riff record and the riff tab captions (reorder, insert, delete, import).
TEditScope RiffTableScope();
// Every instrument, the instrument tab captions and the structure, whose columns follow them.
TEditScope InstrumentTableScope();

// A key on the riff view. Keys that change notes are undoable steps; typing the digits of one
// fret, or pitches into one note, makes one step. Cursor keys are no steps.
bool DocumentRiffKey(TDocument& document, const TKeyPress& key, const TEditorContext& context);
void DocumentSetDuration(TDocument& document, uint8_t duration, const TEditorContext& context);
void DocumentFlagCommand(TDocument& document, TNoteFlagCommand command,
                         const TEditorContext& context);

enum class TStringCommand { TransposeUp, TransposeDown, StringUp, StringDown, Reallocate };
void DocumentStringCommand(TDocument& document, TStringCommand command, bool viewHasFocus);

std::string DocumentCutNotes(TDocument& document);
void DocumentPasteNotes(TDocument& document, std::string_view text);
void DocumentDeleteSelection(TDocument& document);

// Connects the riff tab strip to the document: a new riff from the blank tab, and moving,
// deleting and inserting tabs, are undoable steps. `loadEditor` and `storeEditor` as for the
// table-level binding.
void BindRiffTabs(TTabStrip& strip, TDocument& document, std::function<void(int)> loadEditor = {},
                  std::function<void(int)> storeEditor = {});
// "Insert Riff" before the selected tab, named "Riff" + its number, or the next number no riff
// has yet: the song finds its riffs by name, so two riffs never share one.
void DocumentInsertRiff(TDocument& document, TTabStrip& strip, int index);
void DocumentDeleteRiff(TDocument& document, TTabStrip& strip, int index);

// The riff properties: the name, tempo, time signature and key fields, the strings and tuning,
// pasted settings. Consecutive changes of one field of one riff make one step. A new name
// renames every song cell that named the riff, in the same step; a name another riff has is
// refused (the message says so, the riff keeps its name) and the result is false.
bool DocumentStoreRiffProperties(TDocument& document, int index,
                                 const std::function<void(TProject&)>& store,
                                 std::string_view field);
// The riff with caption `name` other than riff `except`; -1 when there is none.
int OtherRiffNamed(const TProject& project, std::string_view name, int except);
bool DocumentSetTempoOfAllRiffs(TDocument& document, uint16_t tempo);

// Any other change of the structure (the grid's commands).
bool DocumentStructureEdit(TDocument& document, std::string_view name,
                           const std::function<void(std::vector<std::string>&)>& edit);

} // namespace zel
