#include "export_commands.h"

#include <iostream>

#include "arrange/midi_export.h"
#include "arrange/text_tab.h"
#include "arrange/timeline.h"
#include "base/markup.h"
#include "cli_common.h"
#include "model/datafile.h"

namespace zel::cli {

const char* const ExportMidiHelp =
    "Usage: zelvane-cli export-midi PROJECT.zvp -o OUT.mid [--from-row N] [--once]\n"
    "       zelvane-cli export-midi PROJECT.zvp -o OUT.mid --riff NAME\n"
    "       zelvane-cli export-midi PROJECT.zvp -o OUT.mid --all-riffs\n"
    "\n"
    "Writes the song structure (or riffs) as a standard MIDI file (type 1, 256 ticks to a\n"
    "quarter note): a tempo track with the riffs' tempos and time signatures, then one track\n"
    "per instrument column, named after the instrument, each on its own channel (channel 10,\n"
    "the drum channel, is left out). Pitch p sounds as MIDI note p + 48; tied notes are one\n"
    "long note.\n"
    "\n"
    "  -o OUT.mid     the file to write (required); it is replaced only when complete\n"
    "  --from-row N   start at structure row N, counted from 1\n"
    "  --once         play every riff of the structure once, ignoring repeat counts\n"
    "  --riff NAME    write one riff instead of the song\n"
    "  --all-riffs    write every riff, one after another\n";

const char* const ExportTextHelp =
    "Usage: zelvane-cli export-text PROJECT.zvp --riff NAME [--width N] [-o OUT.txt]\n"
    "\n"
    "Writes a riff as text tab, the plain-text form guitarists paste into forums: one line per\n"
    "string from the highest, named by its tuning (\"e|\", \"B|\", ...), frets spaced by their\n"
    "duration (a quarter note takes four characters), \"|\" at the bar lines, chord names above\n"
    "when the riff has any, wrapped into systems no wider than the width.\n"
    "\n"
    "  --riff NAME   the riff to write (required)\n"
    "  --width N     the widest line, 20..1000 characters (default 80)\n"
    "  -o OUT.txt    write to this file instead of standard output; it is replaced only when\n"
    "                complete\n";

namespace {

struct TMidiOptions {
    std::string Project, Out, Riff;
    int FromRow = 0;
    bool Once = false, AllRiffs = false;
};

std::string ParseMidiOptions(const std::vector<std::string>& args, TMidiOptions& o) {
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(o.Out) || o.Out.empty())
                return arg + " needs a file";
        } else if (arg == "--from-row") {
            if (!walk.Number(1, 1 << 30, o.FromRow))
                return "--from-row needs a row number from 1";
        } else if (arg == "--riff") {
            if (!walk.Value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--once") {
            o.Once = true;
        } else if (arg == "--all-riffs") {
            o.AllRiffs = true;
        } else if (std::string problem = TakeProjectArgument(arg, o.Project); !problem.empty()) {
            return problem;
        }
    }
    if (o.Project.empty())
        return "a project file is needed";
    if (o.Out.empty())
        return "export-midi needs -o OUT.mid";
    if (!o.Riff.empty() && o.AllRiffs)
        return "--riff and --all-riffs exclude each other";
    if ((!o.Riff.empty() || o.AllRiffs) && (o.Once || o.FromRow))
        return "--once and --from-row apply to the song, not to riffs";
    if (o.FromRow && o.Once)
        return "--from-row and --once exclude each other";
    return {};
}

} // namespace

int RunExportMidi(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ExportMidiHelp;
        return FinishOutput();
    }
    TMidiOptions options;
    if (std::string problem = ParseMidiOptions(args, options); !problem.empty())
        return Usage("export-midi: " + problem, ExportMidiHelp);
    TDocument document;
    if (!Load(document, options.Project))
        return LoadFailure();
    const TProject& project = document.Project();
    TTimeline timeline;
    if (!options.Riff.empty() || options.AllRiffs) {
        int riff = 0;
        if (!options.Riff.empty()) {
            riff = FindRiff(project, options.Riff);
            if (riff < 0)
                return NoRiffFailure(options.Riff, options.Project);
        }
        timeline = RiffsTimeline(project, riff, 0, options.AllRiffs);
    } else {
        timeline = SongTimeline(project, {.FirstGridRow = options.FromRow, .Once = options.Once});
    }
    TMidiExport midi = TimelineToMidi(project, timeline);
    if (!midi.Error.empty()) {
        std::cerr << "zelvane-cli: " << MarkupToPlainText(midi.Error) << '\n';
        return ExitFileError;
    }
    if (!WriteBinaryFile(options.Out, midi.Bytes)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    std::cout << "Wrote " << options.Out << ": " << midi.Tracks << " instrument track"
              << (midi.Tracks == 1 ? "" : "s") << ", " << midi.Notes << " notes\n";
    if (midi.Skipped > 0)
        std::cerr << "zelvane-cli: " << midi.Skipped
                  << " pitches lie outside the MIDI note range and were left out\n";
    return FinishOutput();
}

int RunExportText(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ExportTextHelp;
        return FinishOutput();
    }
    std::string project, riffName, out;
    int width = DefaultTextTabWidth;
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(out) || out.empty())
                return Usage("export-text: " + arg + " needs a file", ExportTextHelp);
        } else if (arg == "--riff") {
            if (!walk.Value(riffName) || riffName.empty())
                return Usage("export-text: --riff needs a riff name", ExportTextHelp);
        } else if (arg == "--width") {
            if (!walk.Number(MinTextTabWidth, MaxTextTabWidth, width))
                return Usage("export-text: --width needs a number from 20 to 1000", ExportTextHelp);
        } else if (std::string problem = TakeProjectArgument(arg, project); !problem.empty()) {
            return Usage("export-text: " + problem, ExportTextHelp);
        }
    }
    if (project.empty())
        return Usage("export-text: a project file is needed", ExportTextHelp);
    if (riffName.empty())
        return Usage("export-text needs --riff NAME", ExportTextHelp);
    TDocument document;
    if (!Load(document, project))
        return LoadFailure();
    int riff = FindRiff(document.Project(), riffName);
    if (riff < 0)
        return NoRiffFailure(riffName, project);
    std::string text = TextTab(document.Project().Riffs[size_t(riff)], 0, -1, width);
    if (out.empty()) {
        std::cout << text;
        return FinishOutput();
    }
    if (!WriteBinaryFile(out, text)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    return ExitOk;
}

} // namespace zel::cli
