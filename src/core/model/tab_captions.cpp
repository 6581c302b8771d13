#include "model/tab_captions.h"

#include <utility>

#include "model/ansi_text.h"
#include "model/text_fields.h"

namespace zel {

void TTabCaptions::Reset(std::string_view firstCaption) {
    m_captions.clear();
    m_captions.push_back(WithoutFieldBreaks(firstCaption));
    EnsureBlankTab();
}

void TTabCaptions::SetCaption(int index, std::string_view caption) {
    if (index >= 0 && index < Count())
        m_captions[size_t(index)] = WithoutFieldBreaks(caption);
}

void TTabCaptions::GrowTo(int count) {
    while (Count() < count && Count() < m_limit)
        m_captions.emplace_back();
}

void TTabCaptions::EnsureBlankTab() {
    if (Count() < m_limit && (m_captions.empty() || !m_captions.back().empty()))
        m_captions.emplace_back();
}

int TTabCaptions::RecordCount() const {
    return LastIsBlank() ? Count() - 1 : Count();
}

void TTabCaptions::Insert(int index, std::string_view caption) {
    if (index < 0 || index > Count() || Count() >= m_limit)
        return;
    m_captions.insert(m_captions.begin() + index, WithoutFieldBreaks(caption));
}

void TTabCaptions::Remove(int index) {
    if (index >= 0 && index < Count())
        m_captions.erase(m_captions.begin() + index);
}

void TTabCaptions::Swap(int a, int b) {
    if (a >= 0 && b >= 0 && a < Count() && b < Count())
        std::swap(m_captions[size_t(a)], m_captions[size_t(b)]);
}

int TTabCaptions::Find(std::string_view name) const {
    if (name.empty())
        return -1;
    for (int i = 0; i < Count(); ++i)
        if (SameTextAnsi(m_captions[size_t(i)], name))
            return i;
    return -1;
}

std::string UnusedCaption(const TTabCaptions& captions, const std::string& prefix, int n) {
    while (captions.Find(prefix + std::to_string(n)) >= 0)
        ++n;
    return prefix + std::to_string(n);
}

} // namespace zel
