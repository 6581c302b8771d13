#include "edit/tab_strip.h"

namespace zel {

void TTabStrip::DoFill() {
    m_filledIndex = m_selected;
    if (m_filledIndex >= 0 && OnFill)
        OnFill(m_filledIndex);
}

void TTabStrip::DoRead() {
    if (m_filledIndex >= 0 && OnRead)
        OnRead(m_filledIndex);
}

void TTabStrip::SelectAndFill(int index) {
    m_selected = index >= 0 && index < m_captions.Count() ? index : -1;
    DoFill();
}

void TTabStrip::Click(int index) {
    if (index < 0 || index >= m_captions.Count())
        return;
    m_selected = index;
    if (m_selected != m_filledIndex) {
        DoRead();
        DoFill();
    }
}

bool TTabStrip::CanDropOn(int index) const {
    return index >= 0 && index < m_captions.Count() && !m_captions[index].empty();
}

void TTabStrip::Swap(int a, int b) {
    m_captions.Swap(a, b);
    if (OnSwapData)
        OnSwapData(a, b);
}

void TTabStrip::RunEdit(TEdit kind, const std::function<void()>& body) {
    if (OnEdit)
        OnEdit(kind, body);
    else
        body();
}

void TTabStrip::DropOn(int target) {
    if (!CanDropOn(target) || m_selected < 0 || target == m_selected)
        return;
    RunEdit(TEdit::Move, [this, target] { MoveTo(target); });
}

void TTabStrip::MoveTo(int target) {
    int c = m_selected;
    while (target < c) {
        Swap(c, c - 1);
        --c;
    }
    while (target > c) {
        Swap(c, c + 1);
        ++c;
    }
    m_selected = target;
    m_filledIndex = target;
}

void TTabStrip::DeleteTabAt(int index, const std::function<void(int index)>& resetRecord) {
    if (index < 0 || index >= m_captions.Count())
        return;
    DoRead();
    RunEdit(TEdit::Delete, [&] { Delete(index, resetRecord); });
}

void TTabStrip::Delete(int index, const std::function<void(int index)>& resetRecord) {
    if (m_captions.Count() < 2 || m_captions[1].empty())
        return;
    int count = m_captions.Count();
    // The deleted record travels to the end: past the blank tab, or onto the last record
    // when the table is full (there is no record beyond it).
    int last = count < m_captions.Limit() ? count : count - 1;
    for (int i = index; i < last; ++i) {
        if (OnSwapData)
            OnSwapData(i, i + 1);
    }
    if (resetRecord)
        resetRecord(last);
    m_captions.Remove(index);
    m_captions.EnsureBlankTab();
    m_selected = index > 0 ? index - 1 : 0;
    DoFill();
}

void TTabStrip::InsertTabAt(int index, const std::string& caption,
                            const std::function<void(int index)>& resetRecord) {
    if (index < 0 || index >= m_captions.Count())
        return;
    if (m_captions.Count() >= m_captions.Limit()) {
        // A full strip can take one more named tab only in place of its blank tab.
        if (!m_captions.LastIsBlank() || index == m_captions.Count() - 1)
            return;
    }
    DoRead();
    RunEdit(TEdit::Insert, [&] { Insert(index, caption, resetRecord); });
}

void TTabStrip::Insert(int index, const std::string& caption,
                       const std::function<void(int index)>& resetRecord) {
    if (m_captions.Count() >= m_captions.Limit())
        m_captions.Remove(m_captions.Count() - 1);
    int spare = m_captions.Count();
    if (resetRecord)
        resetRecord(spare);
    for (int i = spare - 1; i >= index; --i) {
        if (OnSwapData)
            OnSwapData(i, i + 1);
    }
    m_captions.Insert(index, caption);
    m_selected = index;
    DoFill();
}

} // namespace zel
