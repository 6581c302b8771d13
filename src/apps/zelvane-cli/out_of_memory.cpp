#include "out_of_memory.h"

#include <new>
#include <ostream>
#include <stdexcept>

namespace zel::cli {

int RunReportingOutOfMemory(const std::function<int()>& command, std::ostream& err) {
    try {
        return command();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
        // A size beyond what a container can hold: an allocation that could never succeed.
    }
    err << "zelvane-cli: out of memory\n";
    err.flush();
    return 1;
}

} // namespace zel::cli
