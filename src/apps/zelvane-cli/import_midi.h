// zelvane-cli import-midi: a MIDI file's notes into a riff of a project.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ImportMidiHelp;
int RunImportMidi(const std::vector<std::string>& args);

} // namespace zel::cli
