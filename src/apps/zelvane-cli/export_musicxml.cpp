#include "export_musicxml.h"

#include <iostream>

#include "arrange/midi_export.h"
#include "cli_common.h"
#include "exchange/musicxml_export.h"

namespace zel::cli {

const char* const ExportMusicXmlHelp =
    "Usage: zelvane-cli export-musicxml PROJECT.zvp -o OUT.musicxml|OUT.mxl\n"
    "                   [--riff NAME | --all-riffs]\n"
    "\n"
    "Writes the song as the player hears it (rows and repeats laid out) as MusicXML 4.0: one\n"
    "part per instrument column, each a tablature staff with its strings and tuning, every\n"
    "note with its pitch, string and fret. OUT.mxl is written compressed, any other name as\n"
    "plain MusicXML.\n"
    "\n"
    "  -o FILE         the file to write (required)\n"
    "  --riff NAME     one riff instead of the song\n"
    "  --all-riffs     every riff one after the other, in one part\n";

int RunExportMusicXml(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ExportMusicXmlHelp;
        return FinishOutput();
    }
    std::string project, out, riffName;
    bool allRiffs = false;
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(out))
                return Usage(arg + " needs a file", ExportMusicXmlHelp);
        } else if (arg == "--riff") {
            if (!walk.Value(riffName) || riffName.empty())
                return Usage("--riff needs a riff name", ExportMusicXmlHelp);
        } else if (arg == "--all-riffs") {
            allRiffs = true;
        } else if (std::string problem = TakeProjectArgument(arg, project); !problem.empty()) {
            return Usage("export-musicxml: " + problem, ExportMusicXmlHelp);
        }
    }
    if (project.empty())
        return Usage("export-musicxml: a project file is needed", ExportMusicXmlHelp);
    if (out.empty())
        return Usage("export-musicxml needs -o OUT.musicxml", ExportMusicXmlHelp);
    if (!riffName.empty() && allRiffs)
        return Usage("--riff and --all-riffs exclude each other", ExportMusicXmlHelp);
    if (OutputIsAnInput(out, {project}))
        return ExitUsage;
    TDocument document;
    if (!Load(document, project))
        return LoadFailure();
    TMusicXmlOptions options;
    options.AllRiffs = allRiffs;
    if (!riffName.empty()) {
        options.Riff = FindRiff(document.Project(), riffName);
        if (options.Riff < 0)
            return NoRiffFailure(riffName, project);
    }
    TMusicXmlResult result = WriteMusicXml(document.Project(), options);
    if (!result.Error.empty()) {
        std::cerr << "zelvane-cli: " << result.Error << '\n';
        return ExitFileError;
    }
    bool mxl = out.size() >= 4 && out.compare(out.size() - 4, 4, ".mxl") == 0;
    if (mxl) {
        result.Xml = MusicXmlToMxl(result.Xml);
        if (result.Xml.empty()) {
            std::cerr << "zelvane-cli: " << MxlTooLarge << "; " << out << " was not written\n";
            return ExitFileError;
        }
    }
    if (!WriteBinaryFile(out, result.Xml)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    std::cout << "Wrote " << out << ": " << result.Parts << " part(s), " << result.Measures
              << " measure(s), " << result.Notes << " note(s)\n";
    return FinishOutput();
}

} // namespace zel::cli
