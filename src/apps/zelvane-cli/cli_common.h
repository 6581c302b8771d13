// Helpers shared by the commands of zelvane-cli: exit codes, usage errors, loading projects.
#pragma once

#include <string>
#include <vector>

#include "model/song.h"

namespace zel::cli {

constexpr int ExitOk = 0;
constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;

// Prints the problem and the command's help to standard error; returns ExitUsage.
int Usage(const std::string& problem, const char* help);
bool WantsHelp(const std::vector<std::string>& args);
// Prints why the last file operation failed; returns ExitFileError.
int FileFailure();
// Resets the project and loads the file into it.
bool Load(TProject& project, const std::string& path);
// Flushes standard output; ExitFileError when it could not be written.
int FinishOutput();

} // namespace zel::cli
