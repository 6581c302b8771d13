// zelvane-cli: the headless tool of Zelvane Editor. Reads and writes project files without a
// display; its commands are those of the command table.
#include <csignal>
#include <iostream>

#include "base/message_service.h"
#include "cli_common.h"
#include "out_of_memory.h"

int main(int argc, char** argv) {
    // Under a file-size limit a write then fails with "File too large" and the save is undone,
    // instead of the tool being killed with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    zel::cli::TCliMessages messages;
    zel::TScopedMessageService install(messages);
    return zel::cli::RunReportingOutOfMemory([&] { return zel::cli::RunCommandLine(argc, argv); },
                                             std::cerr);
}
