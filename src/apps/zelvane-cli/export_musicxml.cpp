// zelvane-cli export-musicxml: the song or riffs as MusicXML with strings and frets.
#include <iostream>

#include "arrange/midi_export.h"
#include "cli_common.h"
#include "command_table.h"
#include "exchange/musicxml_export.h"
#include "render_command.h"

namespace zel::cli {

namespace {

int RunExportMusicXml(const TInvocation& call) {
    const std::string& project = call.Positional[0];
    const std::string& out = call.Text("--output");
    TDocument document;
    if (!Load(document, project))
        return LoadFailure();
    TMusicXmlOptions options;
    options.AllRiffs = call.Has("--all-riffs");
    if (call.Has("--riff")) {
        options.Riff = ChosenRiff(call, document.Project());
        if (options.Riff < 0)
            return ExitUsage;
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

constexpr TOption ExportMusicXmlOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Output("OUT.musicxml|OUT.mxl",
           "the file to write (required): OUT.mxl compressed, any other name plain MusicXML"),
    RiffOption("one riff instead of the song"),
    Flag("--all-riffs", "every riff one after the other, in one part"),
};

} // namespace

extern const TCommand ExportMusicXmlCommand = {
    .Name = "export-musicxml",
    .Summary = "write the song (or riffs) as MusicXML with strings and frets",
    .Description =
        "Writes the song as the player hears it (rows and repeats laid out) as MusicXML 4.0: one "
        "part per instrument column, each a tablature staff with its strings and tuning, every "
        "note with its pitch, string and fret. OUT.mxl is written compressed, any other name as "
        "plain MusicXML.",
    .Options = ExportMusicXmlOptions,
    .Check = CheckSongOrRiffs,
    .Run = RunExportMusicXml,
};

} // namespace zel::cli
