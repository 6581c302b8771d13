// The debug log: any part of the program writes a coloured diagnostic line with DebugAdd. The
// lines reach the debug window (through a sink the editor installs) and, when file logging is
// on, a daily log file. Without either they go nowhere.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel {

// The window half of the debug log; the editor installs one, tests install fakes.
class TDebugSink {
public:
    virtual ~TDebugSink() = default;
    virtual void DebugLine(std::string_view text, uint32_t colour) = 0;
};

// Installs the sink (nullptr: none). The caller keeps it alive while it is installed.
void SetDebugSink(TDebugSink* sink);

// Writes one diagnostic line in `colour` (0x00BBGGRR, as the importer's 16512).
void DebugAdd(std::string_view text, uint32_t colour);

} // namespace zel
