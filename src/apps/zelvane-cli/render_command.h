// zelvane-cli export-wav (and play): render the song or riffs as the editor's play commands do.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ExportWavHelp;
int RunExportWav(const std::vector<std::string>& args, const std::string& argv0);

} // namespace zel::cli
