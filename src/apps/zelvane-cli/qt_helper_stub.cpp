// zelvane-cli's stand-ins for the commands that need the window system's libraries: each
// hands the whole command line to zelvane-cli-qt, which runs it with those libraries loaded.
// The helper lies beside zelvane-cli (a build folder) or in the installed program folder.
#include <cerrno>
#include <climits>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "qt_commands.h"

namespace zel::cli {

namespace {

std::string ProgramFolder() {
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path = n > 0 ? std::string(exe, size_t(n)) : std::string();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

int RunInHelper(const TInvocation& call) {
    const std::string folder = ProgramFolder();
    for (const std::string& helper :
         {folder + "/zelvane-cli-qt", folder + "/" ZELVANE_CLI_HELPER_DIR "/zelvane-cli-qt"}) {
        if (::access(helper.c_str(), X_OK) != 0)
            continue;
        ::execv(helper.c_str(), call.Argv);
        std::cerr << "zelvane-cli: " << helper << ": " << std::strerror(errno) << '\n';
        return ExitFileError;
    }
    std::cerr << "zelvane-cli: " << call.Command->Name
              << " needs zelvane-cli-qt, which is not installed beside zelvane-cli\n";
    return ExitFileError;
}

} // namespace

int RunPlay(const TInvocation& call) {
    return RunInHelper(call);
}
int RunPreview(const TInvocation& call) {
    return RunInHelper(call);
}
int RunExportPng(const TInvocation& call) {
    return RunInHelper(call);
}
int RunPrint(const TInvocation& call) {
    return RunInHelper(call);
}
int RunMidiDevices(const TInvocation& call) {
    return RunInHelper(call);
}
int RunMidiMonitor(const TInvocation& call) {
    return RunInHelper(call);
}

} // namespace zel::cli
