// zelvane-cli print: the arrangement, the notes and riffs printed into a PDF file, page for page
// as the editor's print dialog prints them.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const PrintHelp;
int RunPrint(const std::vector<std::string>& args, int argc, char** argv);

} // namespace zel::cli
