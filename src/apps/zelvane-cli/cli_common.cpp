#include "cli_common.h"

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>

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

bool Load(TDocument& document, const std::string& path) {
    return document.Load(path);
}

int LoadFailure() {
    return ExitFileError;
}

int NoRiffFailure(const std::string& name, const std::string& projectPath) {
    std::cerr << "zelvane-cli: there is no riff named \"" << name << "\" in " << projectPath
              << '\n';
    return ExitFileError;
}

int FinishOutput() {
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zelvane-cli: could not write to standard output\n";
        return ExitFileError;
    }
    return ExitOk;
}

bool OutputIsAnInput(const std::string& output, std::initializer_list<std::string> inputs) {
    struct stat out {};
    if (output.empty() || ::stat(output.c_str(), &out) != 0)
        return false; // a new file cannot be an input
    for (const std::string& input : inputs) {
        struct stat in {};
        if (input.empty() || ::stat(input.c_str(), &in) != 0)
            continue;
        if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
            std::cerr << "zelvane-cli: " << output << " is the same file as the input " << input
                      << "; it was left as it is (choose another output file)\n";
            return true;
        }
    }
    return false;
}

bool TArgs::Next(std::string& arg) {
    if (m_next >= m_args.size())
        return false;
    arg = m_args[m_next++];
    return true;
}

bool TArgs::Value(std::string& value) {
    return Next(value);
}

bool TArgs::Number(int low, int high, int& value) {
    std::string text;
    if (!Value(text) || text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = ReadLeadingInt(text);
    return value >= low && value <= high;
}

std::string TakeProjectArgument(const std::string& arg, std::string& project) {
    if (arg.size() > 1 && arg[0] == '-')
        return "unknown option " + arg;
    if (!project.empty())
        return "only one project file, please";
    project = arg;
    return {};
}

namespace {

QtMessageHandler QtDefaultHandler = nullptr;

// Without XDG_RUNTIME_DIR Qt picks a folder of its own and says so on every start; nothing the
// tool does depends on that folder.
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: ")) &&
        text.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        return;
    if (QtDefaultHandler)
        QtDefaultHandler(type, context, text);
}

} // namespace

void ChooseHeadlessPlatform() {
    if (!QtDefaultHandler)
        QtDefaultHandler = qInstallMessageHandler(FilterQtMessages);
    if (std::getenv("QT_QPA_PLATFORM"))
        return;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

int FindRiff(const TProject& project, const std::string& name) {
    int riff = project.RiffNames.Find(name);
    return riff < project.RiffNames.RecordCount() ? riff : -1;
}

} // namespace zel::cli
