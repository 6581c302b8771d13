// zelvane-cli export-midi and export-text: the song or a riff as a MIDI file, a riff as text tab.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ExportMidiHelp;
int RunExportMidi(const std::vector<std::string>& args);

extern const char* const ExportTextHelp;
int RunExportText(const std::vector<std::string>& args);

} // namespace zel::cli
