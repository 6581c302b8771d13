// A tab strip whose tabs stand for the records of a fixed table (riffs or instruments): the
// record operations behind selecting, dragging, deleting and inserting tabs. The strip calls
// its host back to load a record into the editor (fill), store the editor's values into a
// record (read) and exchange two records (swap); it never touches the table itself.
#pragma once

#include <functional>
#include <string>

#include "model/tab_captions.h"

namespace zel {

class TTabStrip {
public:
    explicit TTabStrip(TTabCaptions& captions) : m_captions(captions) {}

    std::function<void(int index)> OnFill;
    std::function<void(int index)> OnRead;
    std::function<void(int a, int b)> OnSwapData;
    // Runs a reorder, delete or insert as one undoable edit of the host's table (optional).
    enum class TEdit { Move, Delete, Insert };
    std::function<void(TEdit kind, const std::function<void()>& body)> OnEdit;

    TTabCaptions& Captions() { return m_captions; }
    int Selected() const { return m_selected; }
    int FilledIndex() const { return m_filledIndex; }

    // FilledIndex := the selected tab; the host loads its record.
    void DoFill();
    // The host stores the editor's values into the filled record.
    void DoRead();

    // Selects a tab without storing the editor's values first (loading a project, Ctrl+Tab,
    // a right click, the riff list); -1 selects nothing.
    void SelectAndFill(int index);
    // A left press on a tab: the values of the tab being left are stored, then the new one is
    // loaded.
    void Click(int index);
    // A drag may end only on a named tab.
    bool CanDropOn(int index) const;
    // Moves the selected tab (and its record) to `target`, one exchange per step.
    void DropOn(int target);
    // Removes the tab and its record; the last named tab is never removed. Nothing happens for
    // an index outside the strip. The removed record ends past the last tab and is reset
    // through `resetRecord`, so it cannot come back in a riff or instrument made later.
    void DeleteTabAt(int index, const std::function<void(int index)>& resetRecord);
    // Inserts a tab before `index`. Its record is the spare one past the last tab, reset first
    // through `resetRecord` so that no earlier deleted record comes back. Nothing happens when
    // the table has no room or the index is outside the strip.
    void InsertTabAt(int index, const std::string& caption,
                     const std::function<void(int index)>& resetRecord);

private:
    void Swap(int a, int b);
    void RunEdit(TEdit kind, const std::function<void()>& body);
    void MoveTo(int target);
    void Delete(int index, const std::function<void(int index)>& resetRecord);
    void Insert(int index, const std::string& caption,
                const std::function<void(int index)>& resetRecord);

    TTabCaptions& m_captions;
    int m_selected = -1;
    int m_filledIndex = -1;
};

} // namespace zel
