// Recovery copies of unsaved work: where they live, how they are named, what they hold, and
// which of them a run that did not end properly left behind.
//
// A copy is one file written through the safe writer of the project files: a header line, then
// the project file's lines unchanged. The header's kind letter "Z" is no project line kind, so
// the project loader skips it and a copy opens like a project file; the header names the
// project's path, the time the copy was made and the editor process that made it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/song.h"

namespace zel {

inline constexpr const char* RecoveryExtension = ".recovery";
inline constexpr const char* DamagedExtension = ".damaged";
inline constexpr const char* RecoveryButtons = "Recover,Discard,Later";

// "$XDG_STATE_HOME/zelvane/recovery", or "$HOME/.local/state/zelvane/recovery" when the first
// is unset or not absolute; empty when neither gives a folder.
std::string RecoveryFolder(const char* stateHome, const char* home);

struct TRecoveryInfo {
    std::string ProjectPath; // empty: a project never saved
    int64_t Time = 0;        // when the copy was made, seconds since 1970
    int64_t Pid = 0;         // the editor process that made it
};

// "NAME.HASH.RUN.recovery": the project's file name for people looking into the folder, a hash
// of its full path (two projects of one name differ) and the run's tag (two editors open on
// the same project, or a later run with the same process number, never share a copy).
std::string RecoveryFileName(std::string_view projectPath, std::string_view runTag);

std::string RecoveryHeader(const TRecoveryInfo& info);
// The header's fields, or nothing when the line is not a recovery header.
std::optional<TRecoveryInfo> ParseRecoveryHeader(std::string_view line);

// Writes the copy (creating the folder). Returns why it failed; empty on success.
std::string WriteRecoveryCopy(const std::string& file, const TRecoveryInfo& info,
                              const TProject& project);

struct TRecoveryCopy {
    std::string File;
    TRecoveryInfo Info;
};

struct TRecoveryScan {
    std::vector<TRecoveryCopy> Offers; // newest first: unsaved work of runs that ended badly
    std::vector<std::string> Problems; // one line per damaged copy, kept aside as ".damaged"
};

// Looks through the folder. Copies of editors still running are left alone; a copy older than
// its project file is out of date (the project was saved since) and removed; a copy that is
// not one is renamed with ".damaged" added and reported.
TRecoveryScan ScanRecoveryFolder(const std::string& folder,
                                 const std::function<bool(int64_t pid)>& isRunning);
// Whether the process is this program, running now (another editor, not a reused number).
bool EditorRunning(int64_t pid);

// The question asked for a copy at start.
std::string RecoveryQuestion(const TRecoveryInfo& info);

} // namespace zel
