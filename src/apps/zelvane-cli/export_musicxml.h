// zelvane-cli export-musicxml: the song or riffs as MusicXML with strings and frets.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const ExportMusicXmlHelp;
int RunExportMusicXml(const std::vector<std::string>& args);

} // namespace zel::cli
