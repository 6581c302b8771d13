#include "app/project_lifecycle.h"

#include <algorithm>

namespace zel {

std::string ProjectWindowTitle(std::string_view path) {
    std::string title = ApplicationTitle;
    if (!path.empty())
        title += " - " + std::string(path);
    return title;
}

std::string ProjectDisplayName(std::string_view path) {
    if (path.empty())
        return "NewProject.zvp";
    size_t cut = path.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string DiscardQuestion(std::string_view path) {
    return "\\bDo you wish to save changes to \\4" + ProjectDisplayName(path) + "\\0?";
}

void TRecentProjects::Load(TSettingsStore& store,
                           const std::function<bool(const std::string&)>& exists) {
    m_entries.clear();
    for (int i = 1; i <= MaxEntries; ++i) {
        std::string path = store.INIRead("Recent" + std::to_string(i));
        if (path.empty() || (exists && !exists(path)))
            continue;
        if (std::find(m_entries.begin(), m_entries.end(), path) == m_entries.end())
            m_entries.push_back(path);
    }
}

void TRecentProjects::Save(TSettingsStore& store) const {
    for (int i = 1; i <= MaxEntries; ++i) {
        std::string key = "Recent" + std::to_string(i);
        if (size_t(i) <= m_entries.size())
            store.INIWrite(key, m_entries[size_t(i - 1)]);
        else
            store.INIRemove(key);
    }
}

void TRecentProjects::Add(const std::string& path) {
    if (path.empty())
        return;
    Remove(path);
    m_entries.insert(m_entries.begin(), path);
    if (m_entries.size() > size_t(MaxEntries))
        m_entries.resize(size_t(MaxEntries));
}

void TRecentProjects::Remove(const std::string& path) {
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), path), m_entries.end());
}

} // namespace zel
