// Other programs the tests read results with (pdftotext, pdfinfo, sox...): whether one is
// installed, and what a shell command writes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zel::test {

inline bool HaveTool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

} // namespace zel::test
