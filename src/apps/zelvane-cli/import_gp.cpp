// zelvane-cli import-gp: a Guitar Pro 3/4/5 file as a new project.
#include <iostream>

#include "cli_common.h"
#include "command_table.h"
#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "model/projectfile.h"

namespace zel::cli {

namespace {

// "1,3" -> {1, 3}; false for anything that is not a track number.
bool ParseTracks(const std::string& list, std::vector<int>& tracks) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty() || item.size() > 4 || item.find_first_not_of("0123456789") != item.npos)
            return false;
        int track = std::stoi(item);
        if (track < 1)
            return false;
        tracks.push_back(track);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return !tracks.empty();
}

std::string CheckTracks(const TInvocation& call) {
    std::vector<int> tracks;
    if (call.Has("--tracks") && !ParseTracks(call.Text("--tracks"), tracks))
        return "--tracks needs track numbers from 1 separated by commas";
    return {};
}

int RunImportGp(const TInvocation& call) {
    const std::string& file = call.Positional[0];
    const std::string& out = call.Text("--output");
    gp::TGpImportOptions options;
    if (call.Has("--tracks"))
        ParseTracks(call.Text("--tracks"), options.Tracks);
    gp::TGpReadResult read = gp::ReadGuitarProFile(file);
    if (!read.Ok) {
        std::cerr << "zelvane-cli: " << file << ": " << read.Error << "; " << out
                  << " was not written\n";
        return ExitFileError;
    }
    TDocument document;
    gp::TGpImportSummary summary;
    std::string error;
    if (!gp::ImportGuitarProSong(read.Song, options, document.Project(), summary, error)) {
        std::cerr << "zelvane-cli: " << file << ": " << error << "; " << out
                  << " was not written\n";
        return ExitFileError;
    }
    if (!SaveProject(document.Project(), out))
        return FileFailure();
    for (const std::string& line : summary.Lines())
        std::cout << line << '\n';
    std::cout << "Saved " << out << '\n';
    return FinishOutput();
}

constexpr TOption ImportGpOptions[] = {
    Argument("FILE.gp5", TKind::InputFile, "the Guitar Pro file (.gp3, .gp4 or .gp5)"),
    Output("OUT.zvp", "the project file to write (required)"),
    Value("--tracks", TKind::Text, "LIST",
          "the tracks to import, numbered from 1, comma-separated (default: all)"),
};

} // namespace

extern const TCommand ImportGpCommand = {
    .Name = "import-gp",
    .Summary = "open a Guitar Pro 3/4/5 file as a new project",
    .Description =
        "Reads a Guitar Pro 3, 4 or 5 file (.gp3, .gp4, .gp5) and saves it as a new project: one "
        "instrument per track of 4 to 7 strings, riffs cut at the song's sections, one structure "
        "row per section in playing order. Prints what was imported and what was left out or "
        "approximated. Nothing is written when the file cannot be read.",
    .Options = ImportGpOptions,
    .Check = CheckTracks,
    .Run = RunImportGp,
};

} // namespace zel::cli
