#include "edit/tab_hosts.h"

#include <utility>

#include "model/structure_ops.h"

namespace zel {

namespace {

bool InTable(int index, int limit) {
    return index >= 0 && index < limit;
}

// A selected blank tab becomes the next record of its table.
bool CreateFromBlankTab(TProject& project, TTabCaptions& captions, int index,
                        const std::string& prefix) {
    if (index != captions.Count() - 1 || !captions[index].empty())
        return false;
    captions.SetCaption(index, UnusedCaption(captions, prefix, index + 1));
    captions.EnsureBlankTab();
    project.SetChanged(true);
    return true;
}

} // namespace

void RiffTabFill(TProject& project, TEditorState& editor, int index) {
    if (!InTable(index, MaxRiffs))
        return;
    editor.CurrentRiff = index;
    EnsureNotes(project.Riffs[size_t(index)], 1);
    CreateFromBlankTab(project, project.RiffNames, index, "Riff");
}

void RiffTabSwapData(TProject& project, TEditorState& editor, int a, int b) {
    if (!InTable(a, MaxRiffs) || !InTable(b, MaxRiffs))
        return;
    std::swap(project.Riffs[size_t(a)], project.Riffs[size_t(b)]);
    if (editor.CurrentRiff == a)
        editor.CurrentRiff = b;
    else if (editor.CurrentRiff == b)
        editor.CurrentRiff = a;
    project.SetChanged(true);
}

void ResetRiffRecord(TProject& project, int index) {
    if (InTable(index, MaxRiffs))
        ResetRiff(project.Riffs[size_t(index)]);
}

std::string InsertRiffCaption(const TTabCaptions& captions, int selectedIndex) {
    return UnusedCaption(captions, "Riff", selectedIndex + 1);
}

void InstrumentTabFill(TProject& project, int index) {
    if (InTable(index, MaxInstruments))
        CreateFromBlankTab(project, project.InstrumentNames, index, "Inst");
}

void InstrumentTabSwapData(TProject& project, int a, int b) {
    if (!InTable(a, MaxInstruments) || !InTable(b, MaxInstruments))
        return;
    std::swap(project.Instruments[size_t(a)], project.Instruments[size_t(b)]);
    SwapStructureColumns(project.Structure, a, b);
    project.SetChanged(true);
}

void ResetInstrumentRecord(TProject& project, int index) {
    if (!InTable(index, MaxInstruments))
        return;
    DefaultInstrument(project.Instruments[size_t(index)]);
    ClearStructureColumn(project.Structure, index);
}

std::string InsertInstrumentCaption(const TTabCaptions& captions) {
    return UnusedCaption(captions, "Inst", captions.Count());
}

void BindRiffTabs(TTabStrip& strip, TProject& project, TEditorState& editor,
                  std::function<void(int)> loadEditor, std::function<void(int)> storeEditor) {
    strip.OnFill = [&project, &editor, load = std::move(loadEditor)](int index) {
        RiffTabFill(project, editor, index);
        if (load)
            load(index);
    };
    strip.OnRead = std::move(storeEditor);
    strip.OnSwapData = [&project, &editor](int a, int b) {
        RiffTabSwapData(project, editor, a, b);
    };
}

void BindInstrumentTabs(TTabStrip& strip, TProject& project, std::function<void(int)> loadEditor,
                        std::function<void(int)> storeEditor) {
    strip.OnFill = [&project, load = std::move(loadEditor)](int index) {
        InstrumentTabFill(project, index);
        if (load)
            load(index);
    };
    strip.OnRead = std::move(storeEditor);
    strip.OnSwapData = [&project](int a, int b) { InstrumentTabSwapData(project, a, b); };
}

} // namespace zel
