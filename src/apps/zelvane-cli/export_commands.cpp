// zelvane-cli export-midi and export-text: the song or a riff as a MIDI file, a riff as text tab.
#include <iostream>

#include "arrange/midi_export.h"
#include "arrange/text_tab.h"
#include "arrange/timeline.h"
#include "base/markup.h"
#include "cli_common.h"
#include "model/datafile.h"
#include "render_command.h"

namespace zel::cli {

namespace {

int RunExportMidi(const TInvocation& call) {
    TDocument document;
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    const TProject& project = document.Project();
    int riff = ChosenRiff(call, project);
    if (riff < 0 || RowMissing(call, project))
        return ExitUsage;
    TMidiExport midi =
        call.Has("--riff") || call.Has("--all-riffs")
            ? TimelineToMidi(project, RiffsTimeline(project, riff, 0, call.Has("--all-riffs")))
            : SongToMidi(project, {.FirstGridRow = call.Number("--from-row", 0),
                                   .Once = call.Has("--once")});
    if (!midi.Error.empty()) {
        std::cerr << "zelvane-cli: " << MarkupToPlainText(midi.Error) << '\n';
        return ExitFileError;
    }
    const std::string& out = call.Text("--output");
    if (!WriteBinaryFile(out, midi.Bytes)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    std::cout << "Wrote " << out << ": " << midi.Tracks << " instrument track"
              << (midi.Tracks == 1 ? "" : "s") << ", " << midi.Notes << " notes\n";
    if (midi.Skipped > 0)
        std::cerr << "zelvane-cli: " << midi.Skipped
                  << " pitches lie outside the MIDI note range and were left out\n";
    return FinishOutput();
}

int RunExportText(const TInvocation& call) {
    TDocument document;
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    int riff = ChosenRiff(call, document.Project());
    if (riff < 0)
        return ExitUsage;
    std::string text = TextTab(document.Project().Riffs[size_t(riff)], 0, -1,
                               call.Number("--width", DefaultTextTabWidth));
    if (!call.Has("--output")) {
        std::cout << text;
        return FinishOutput();
    }
    if (!WriteBinaryFile(call.Text("--output"), text)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    return ExitOk;
}

constexpr TOption ExportMidiOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Output("OUT.mid", "the file to write (required); it is replaced only when complete"),
    Number("--from-row", "N", 1, AnyCount, "start at structure row N, counted from 1"),
    Flag("--once", "play every riff of the structure once, ignoring repeat counts"),
    RiffOption("write one riff instead of the song"),
    Flag("--all-riffs", "write every riff, one after another"),
};
constexpr std::string_view ExportMidiSynopsis[] = {
    "PROJECT.zvp -o OUT.mid [--from-row N] [--once]",
    "PROJECT.zvp -o OUT.mid --riff NAME",
    "PROJECT.zvp -o OUT.mid --all-riffs",
};

constexpr TOption ExportTextOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    {.Name = "--riff",
     .Kind = TKind::Text,
     .Meta = "NAME",
     .Help = "the riff to write (required)",
     .Required = true},
    Number("--width", "N", MinTextTabWidth, MaxTextTabWidth,
           "the widest line, 20..1000 characters (default 80)"),
    Output("OUT.txt",
           "write to this file instead of standard output; it is replaced only when "
           "complete",
           false),
};

} // namespace

extern const TCommand ExportMidiCommand = {
    .Name = "export-midi",
    .Summary = "write the song (or riffs) as a standard MIDI file",
    .Synopsis = ExportMidiSynopsis,
    .Description =
        "Writes the song structure (or riffs) as a standard MIDI file (type 1, 256 ticks to a "
        "quarter note): a tempo track with the riffs' tempos and time signatures, then one track "
        "per instrument column, named after the instrument, each on its own channel (channel 10, "
        "the drum channel, is left out). Pitch p sounds as MIDI note p + 48; tied notes are one "
        "long note.",
    .Options = ExportMidiOptions,
    .Check = CheckSongOrRiffs,
    .Run = RunExportMidi,
};

extern const TCommand ExportTextCommand = {
    .Name = "export-text",
    .Summary = "write a riff as text tab",
    .Description =
        "Writes a riff as text tab, the plain-text form guitarists paste into forums: one line "
        "per string from the highest, named by its tuning (\"e|\", \"B|\", ...), frets spaced by "
        "their duration (a quarter note takes four characters), \"|\" at the bar lines, chord "
        "names above when the riff has any, wrapped into systems no wider than the width.",
    .Options = ExportTextOptions,
    .Run = RunExportText,
};

} // namespace zel::cli
