// The debug log: any part of the program writes a coloured diagnostic line with DebugAdd. The
// lines reach the debug window (through a sink the editor installs) and, when file logging is
// on, a daily log file. Without either they go nowhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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
// Uninstalls `sink` if it is the one installed; a sink installed since then stays.
void RemoveDebugSink(TDebugSink* sink);

// Writes one diagnostic line in `colour` (0x00BBGGRR, as the importer's 16512).
void DebugAdd(std::string_view text, uint32_t colour);

// Local time as the log and the debug window stamp their lines.
struct TDebugTime {
    int Year = 0;
    int Month = 0; // 1..12
    int Day = 0;   // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Replaces the clock (tests fix the day and time); an empty function restores the system clock.
void SetDebugClock(std::function<TDebugTime()> clock);
TDebugTime DebugNow();

// "DEBUGLOG" + yyyymmdd + ".TXT".
std::string DebugLogFileName(const TDebugTime& time);
// yyyymmddhhnnss, a TAB, the text, CR LF.
std::string DebugLogLine(const TDebugTime& time, std::string_view text);

// File logging for the rest of the run (the -debuglog switch). Each line is appended to the
// day's file, which is opened for that line and closed again, so the file is complete up to the
// last line even when the program stops unexpectedly and other programs may read it meanwhile.
// The writing itself happens on a thread of its own: a slow disk never holds up the caller. A
// file that cannot be opened or created is skipped silently.
void SetDebugLogging(bool on);
bool DebugLogging();
// The folder the daily files go to; empty (the default) means the current directory.
void SetDebugLogFolder(std::string folder);
// Waits until every line logged so far has been written (or skipped).
void DebugLogFlush();

} // namespace zel
