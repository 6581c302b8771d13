// The instruments window's edits as undoable steps: the instrument tab strip (new, moved,
// inserted and deleted instruments, their structure columns travelling with them), renaming,
// the settings of one instrument, instrument files and the clipboard text.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "document/document.h"
#include "edit/tab_strip.h"
#include "model/instrument.h"

namespace zel {

// Connects the instrument tab strip to the document. Selecting the blank tab makes a new
// instrument ("New Instrument"); moving, inserting and deleting tabs are steps of their own
// and carry each instrument's structure column along, so the song sounds as before.
// `loadEditor` runs after an instrument was made current, `storeEditor` stores the editor.
void BindInstrumentTabs(TTabStrip& strip, TDocument& document,
                        std::function<void(int)> loadEditor = {},
                        std::function<void(int)> storeEditor = {});
void DocumentInsertInstrument(TDocument& document, TTabStrip& strip, int index);
void DocumentDeleteInstrument(TDocument& document, TTabStrip& strip, int index);

// "Inst" + position when the new name is empty.
void DocumentRenameInstrument(TDocument& document, int index, std::string_view name);
// Stores the editor's values into instrument `index`; consecutive stores of one `field`
// (a control) make one step.
bool DocumentStoreInstrument(TDocument& document, int index, const TInstrument& values,
                             std::string_view field = {});
// The instrument file's values and name into instrument `index`; false (after the message)
// when the file cannot be read.
bool DocumentLoadInstrumentFile(TDocument& document, int index, const std::string& path);
// Clipboard text of exactly sixteen fields into instrument `index`; false (nothing changed)
// for any other text.
bool DocumentPasteInstrument(TDocument& document, int index, std::string_view text);

} // namespace zel
