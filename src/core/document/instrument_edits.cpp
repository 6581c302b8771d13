#include "document/instrument_edits.h"

#include "document/document_edits.h"
#include "edit/tab_hosts.h"
#include "sound/instrument_file.h"

namespace zel {
namespace {

bool InTable(int index) {
    return index >= 0 && index < MaxInstruments;
}

TEditScope OneInstrument(int index) {
    return TEditScope().AndInstrument(index).AndInstrumentNames();
}

} // namespace

void BindInstrumentTabs(TTabStrip& strip, TDocument& document, std::function<void(int)> loadEditor,
                        std::function<void(int)> storeEditor) {
    BindInstrumentTabs(strip, document.Project(), {}, std::move(storeEditor));
    strip.OnFill = [&document, load = std::move(loadEditor)](int index) {
        const TTabCaptions& names = document.Project().InstrumentNames;
        if (index == names.Count() - 1 && names.LastIsBlank())
            document.Edit("New Instrument", OneInstrument(index),
                          [&] { InstrumentTabFill(document.Project(), index); });
        if (InTable(index))
            document.Editor().CurrentInstrument = index;
        // Edits of another instrument are steps of their own.
        document.BreakMerge();
        if (load)
            load(index);
    };
    // The instrument shown travels with its record when tabs move.
    strip.OnSwapData = [&document, swap = strip.OnSwapData](int a, int b) {
        swap(a, b);
        int& current = document.Editor().CurrentInstrument;
        if (current == a)
            current = b;
        else if (current == b)
            current = a;
    };
    strip.OnEdit = [&document](TTabStrip::TEdit kind, const std::function<void()>& body) {
        const char* name = kind == TTabStrip::TEdit::Move     ? "Move Instrument"
                           : kind == TTabStrip::TEdit::Delete ? "Delete Instrument"
                                                              : "Insert Instrument";
        document.Edit(name, InstrumentTableScope(), body);
    };
}

void DocumentInsertInstrument(TDocument& document, TTabStrip& strip, int index) {
    TProject& project = document.Project();
    strip.InsertTabAt(index, InsertInstrumentCaption(project.InstrumentNames),
                      [&project](int i) { ResetInstrumentRecord(project, i); });
}

void DocumentDeleteInstrument(TDocument& document, TTabStrip& strip, int index) {
    TProject& project = document.Project();
    strip.DeleteTabAt(index, [&project](int i) { ResetInstrumentRecord(project, i); });
}

void DocumentRenameInstrument(TDocument& document, int index, std::string_view name) {
    TTabCaptions& names = document.Project().InstrumentNames;
    if (index < 0 || index >= names.Count())
        return;
    std::string caption = name.empty() ? "Inst" + std::to_string(index + 1) : std::string(name);
    document.Edit("Rename Instrument", TEditScope().AndInstrumentNames(), [&] {
        names.SetCaption(index, caption);
        names.EnsureBlankTab();
    });
}

bool DocumentStoreInstrument(TDocument& document, int index, const TInstrument& values,
                             std::string_view field) {
    if (!InTable(index))
        return false;
    // The record's identity: a tab moved between two stores is still this instrument.
    std::string key =
        field.empty()
            ? std::string()
            : "instrument:" + std::to_string(document.Project().Instruments[size_t(index)].Id) +
                  ':' + std::string(field);
    return document.Edit(
        "Instrument Settings", OneInstrument(index),
        [&] {
            // The values, not the identity: the record stays the one the user sees.
            TInstrument& record = document.Project().Instruments[size_t(index)];
            uint32_t id = record.Id;
            record = values;
            record.Id = id;
        },
        key);
}

bool DocumentLoadInstrumentFile(TDocument& document, int index, const std::string& path) {
    if (!InTable(index))
        return false;
    TProject& project = document.Project();
    std::string name =
        index < project.InstrumentNames.Count() ? project.InstrumentNames[index] : std::string();
    TInstrument instrument = project.Instruments[size_t(index)];
    if (!LoadInstrumentFile(path, name, instrument))
        return false;
    document.Edit("Load Instrument", OneInstrument(index), [&] {
        project.Instruments[size_t(index)] = instrument;
        project.InstrumentNames.GrowTo(index + 1);
        project.InstrumentNames.SetCaption(index, name.empty() ? "Inst" + std::to_string(index + 1)
                                                               : name);
        project.InstrumentNames.EnsureBlankTab();
    });
    return true;
}

bool DocumentPasteInstrument(TDocument& document, int index, std::string_view text) {
    if (!InTable(index) || !IsInstrumentText(text))
        return false;
    document.Edit("Paste Instrument", OneInstrument(index), [&] {
        TextToInstrument(text, 0, document.Project().Instruments[size_t(index)]);
    });
    return true;
}

} // namespace zel
