#include "cli_common.h"

#include <iostream>

#include "model/datafile.h"
#include "model/projectfile.h"

namespace zel::cli {

int Usage(const std::string& problem, const char* help) {
    std::cerr << "zelvane-cli: " << problem << "\n\n" << help;
    return ExitUsage;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

int FileFailure() {
    std::cerr << "zelvane-cli: " << LastFileError() << '\n';
    return ExitFileError;
}

bool Load(TProject& project, const std::string& path) {
    TEditorState editor;
    ResetProject(project, editor);
    return LoadProject(project, path);
}

int FinishOutput() {
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zelvane-cli: could not write to standard output\n";
        return ExitFileError;
    }
    return ExitOk;
}

} // namespace zel::cli
