// zelvane-cli midi-devices and midi-monitor: the MIDI devices the program sees, and the
// messages one input device sends, for support and scripting.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const MidiDevicesHelp;
extern const char* const MidiMonitorHelp;

int RunMidiDevices(const std::vector<std::string>& args, int argc, char** argv);
int RunMidiMonitor(const std::vector<std::string>& args, int argc, char** argv);

} // namespace zel::cli
