// zelvane-cli export-png: a riff drawn as staff and tab into a PNG picture.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ExportPngHelp;
int RunExportPng(const std::vector<std::string>& args, int argc, char** argv);

} // namespace zel::cli
