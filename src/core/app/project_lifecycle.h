// The project's name in the window title and in the question before it is dropped, and the
// list of recently opened projects kept in the settings file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "base/message_service.h"

namespace zel {

inline constexpr const char* ApplicationTitle = "Zelvane Editor";

// "Zelvane Editor", or "Zelvane Editor - " and the path.
std::string ProjectWindowTitle(std::string_view path);
// The file-name part of the path (after the last '/', '\' or ':'), or "NewProject.zvp".
std::string ProjectDisplayName(std::string_view path);
// The marked-up question asked before a changed project is dropped.
std::string DiscardQuestion(std::string_view path);
inline constexpr const char* DiscardButtons = "Save,Discard,Cancel";
// The save question is a choice between three answers, not a yes/no question: the message box
// shows it with the information icon.
inline constexpr TMessageKind DiscardQuestionKind = MessageInformation;

// The most recently opened projects, newest first, at most ten, without repeats.
class TRecentProjects {
public:
    static constexpr int MaxEntries = 10;

    // Reads "Recent1".."Recent10"; entries for which `exists` is false are dropped.
    void Load(TSettingsStore& store, const std::function<bool(const std::string&)>& exists);
    void Save(TSettingsStore& store) const;
    // Puts the path first (moving it when it is already listed).
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
};

} // namespace zel
