#include "import_gp.h"

#include <iostream>

#include "cli_common.h"
#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "model/projectfile.h"

namespace zel::cli {

const char* const ImportGpHelp =
    "Usage: zelvane-cli import-gp FILE.gp5 -o OUT.zvp [--tracks LIST]\n"
    "\n"
    "Reads a Guitar Pro 3, 4 or 5 file (.gp3, .gp4, .gp5) and saves it as a new project: one\n"
    "instrument per track of 4 to 7 strings, riffs cut at the song's sections, one structure\n"
    "row per section in playing order. Prints what was imported and what was left out or\n"
    "approximated. Nothing is written when the file cannot be read.\n"
    "\n"
    "  -o OUT.zvp     the project file to write (required)\n"
    "  --tracks LIST  the tracks to import, numbered from 1, comma-separated (default: all)\n";

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

} // namespace

int RunImportGp(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ImportGpHelp;
        return FinishOutput();
    }
    std::string file, out, text;
    gp::TGpImportOptions options;
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(out))
                return Usage(arg + " needs a file", ImportGpHelp);
        } else if (arg == "--tracks") {
            if (!walk.Value(text) || !ParseTracks(text, options.Tracks))
                return Usage("--tracks needs track numbers from 1 separated by commas",
                             ImportGpHelp);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("import-gp: unknown option " + arg, ImportGpHelp);
        } else if (file.empty()) {
            file = arg;
        } else {
            return Usage("import-gp takes one Guitar Pro file", ImportGpHelp);
        }
    }
    if (file.empty())
        return Usage("import-gp needs a Guitar Pro file", ImportGpHelp);
    if (out.empty())
        return Usage("import-gp needs -o OUT.zvp", ImportGpHelp);
    if (OutputIsAnInput(out, {file}))
        return ExitUsage;

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

} // namespace zel::cli
