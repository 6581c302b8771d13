// Ends a command that runs out of memory with a message and a failure status, not an abort.
#pragma once

#include <functional>
#include <iosfwd>

namespace zel::cli {

// Runs a command; an allocation that fails anywhere in it ends the command with "out of
// memory" on `err` and exit status 1 instead of an abort.
int RunReportingOutOfMemory(const std::function<int()>& command, std::ostream& err);

} // namespace zel::cli
