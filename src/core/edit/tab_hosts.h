// The riff and instrument tables behind their tab strips: what filling a tab, exchanging two
// records and resetting a record mean for each table.
#pragma once

#include <functional>
#include <string>

#include "edit/tab_strip.h"
#include "model/song.h"

namespace zel {

// Makes riff `index` current. Selecting the blank tab turns it into a new riff named "Riff" +
// number and adds a new blank tab while the table has room.
void RiffTabFill(TProject& project, TEditorState& editor, int index);
// Exchanges two riff records; the current riff follows its record.
void RiffTabSwapData(TProject& project, TEditorState& editor, int a, int b);
void ResetRiffRecord(TProject& project, int index);
// "Insert Riff" names the new riff after the selected tab's number, or the next number that no
// riff has yet: the song finds riffs by name, so two riffs must never share one.
std::string InsertRiffCaption(const TTabCaptions& captions, int selectedIndex);

// Selecting the blank instrument tab turns it into "Inst" + number.
void InstrumentTabFill(TProject& project, int index);
// Exchanges two instruments and their structure columns.
void InstrumentTabSwapData(TProject& project, int a, int b);
// Default instrument and an empty structure column.
void ResetInstrumentRecord(TProject& project, int index);
// "Insert Instrument" names the new one "Inst" + the number of tabs before the insertion.
std::string InsertInstrumentCaption(const TTabCaptions& captions);

// Connects a strip to the riff table. `loadEditor` (optional) runs after a riff is made current
// (the view and the properties window load it); `storeEditor` (optional) stores the properties
// window's values into a riff.
void BindRiffTabs(TTabStrip& strip, TProject& project, TEditorState& editor,
                  std::function<void(int)> loadEditor = {},
                  std::function<void(int)> storeEditor = {});
void BindInstrumentTabs(TTabStrip& strip, TProject& project,
                        std::function<void(int)> loadEditor = {},
                        std::function<void(int)> storeEditor = {});

} // namespace zel
