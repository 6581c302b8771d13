// zelvane-cli import-gp: a Guitar Pro 3/4/5 file as a new project.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ImportGpHelp;
int RunImportGp(const std::vector<std::string>& args);

} // namespace zel::cli
