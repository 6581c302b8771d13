// The captions of a tab strip whose tabs stand for records of a fixed table (riffs or
// instruments): tab i names record i, and one blank tab at the end stands for a new record
// while the table has room.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel {

class TTabCaptions {
public:
    explicit TTabCaptions(int limit) : m_limit(limit) {}

    int Limit() const { return m_limit; }
    int Count() const { return static_cast<int>(m_captions.size()); }
    const std::string& operator[](int index) const { return m_captions.at(size_t(index)); }
    const std::vector<std::string>& All() const { return m_captions; }

    // A fresh strip: one named tab and the blank tab.
    void Reset(std::string_view firstCaption);
    // Sets a caption; TAB, CR and LF become blanks so the name cannot split a file line.
    void SetCaption(int index, std::string_view caption);
    // Appends blank tabs until there are `count` tabs (never more than the limit).
    void GrowTo(int count);
    // Appends the blank tab when the last tab is named and the limit is not reached.
    void EnsureBlankTab();
    bool LastIsBlank() const { return !m_captions.empty() && m_captions.back().empty(); }
    // Number of tabs that stand for records: all but a trailing blank tab.
    int RecordCount() const;
    void Insert(int index, std::string_view caption);
    void Remove(int index);
    void Swap(int a, int b);
    // First tab whose caption equals `name` ignoring letter case; -1 when none. Empty names
    // match nothing (the blank tab is not a record).
    int Find(std::string_view name) const;

private:
    int m_limit;
    std::vector<std::string> m_captions;
};

// prefix + n, or prefix + the next number after n that no tab has as its name yet.
std::string UnusedCaption(const TTabCaptions& captions, const std::string& prefix, int n);

} // namespace zel
