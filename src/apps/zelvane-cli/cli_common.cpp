#include "cli_common.h"

#include <cstdlib>
#include <iostream>

#include "base/markup.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "model/text_fields.h"

namespace zel::cli {

int TCliMessages::DisplayMany(int, std::string_view text, std::string_view) {
    std::string line = MarkupToPlainText(text);
    if (m_onceEach && !m_printed.insert(line).second)
        return -1;
    std::cerr << "zelvane-cli: " << line << '\n';
    return -1;
}

int FileFailure() {
    std::cerr << "zelvane-cli: " << LastFileError() << '\n';
    return ExitFileError;
}

bool Load(TDocument& document, const std::string& path) {
    return document.Load(path);
}

int LoadFailure() {
    return ExitFileError;
}

int UnknownRiff(const std::string& name, const std::string& projectPath) {
    std::cerr << "zelvane-cli: there is no riff named \"" << name << "\" in " << projectPath
              << '\n';
    return ExitUsage;
}

int ChosenRiff(const TInvocation& invocation, const TProject& project, int fallback) {
    if (!invocation.Has("--riff"))
        return fallback;
    int riff = FindRiff(project, invocation.Text("--riff"));
    if (riff < 0)
        UnknownRiff(invocation.Text("--riff"), invocation.Positional[0]);
    return riff;
}

bool RowMissing(const TInvocation& invocation, const TProject& project) {
    int row = invocation.Number("--from-row", 0);
    int rows = int(project.Structure.size());
    if (row <= rows)
        return false;
    std::cerr << "zelvane-cli: Row " << row << " does not exist (the song has " << rows
              << (rows == 1 ? " row" : " rows") << "); nothing was written\n";
    return true;
}

int FinishOutput() {
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zelvane-cli: could not write to standard output\n";
        return ExitFileError;
    }
    return ExitOk;
}

int FindRiff(const TProject& project, const std::string& name) {
    int riff = project.RiffNames.Find(name);
    return riff < project.RiffNames.RecordCount() ? riff : -1;
}

} // namespace zel::cli
