// zelvane-cli import-midi: a MIDI file's notes into a riff of a new or an existing project.

#include <iostream>

#include "arrange/midi_import.h"
#include "cli_common.h"
#include "document/document_edits.h"
#include "model/projectfile.h"
#include "model/text_fields.h"

namespace zel::cli {

namespace {

std::string ChannelList(uint16_t mask) {
    std::string text;
    for (int c = 0; c < 16; ++c)
        if (mask >> c & 1)
            text += (text.empty() ? "" : ", ") + std::to_string(c);
    return text.empty() ? "none" : text;
}

// "0,1,9" -> mask; false for anything that is not a channel number.
bool ParseChannels(const std::string& list, uint16_t& mask) {
    mask = 0;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        bool digits = false;
        int channel = ReadLeadingInt(item, &digits);
        if (!digits || item.find_first_not_of(" 0123456789") != std::string::npos || channel > 15)
            return false;
        mask = uint16_t(mask | 1u << channel);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

struct TOptions {
    std::string Midi, Out, Into;
    bool HasChannels = false;
    uint16_t Channels = 0;
};

std::string CheckImport(const TInvocation& call) {
    uint16_t mask = 0;
    if (call.Has("--channels") && !ParseChannels(call.Text("--channels"), mask))
        return "--channels needs channel numbers 0..15 separated by commas";
    return {};
}

// The import that follows the file's timing: one pass after the channels are known.
int ImportWithFileTiming(const TOptions& options, TDocument& document) {
    std::string bytes;
    if (!ReadMidiFile(options.Midi, bytes))
        return FileFailure();
    TMidiImportResult scan = ScanMidiChannels(bytes, {});
    if (scan.Invalid) {
        std::cerr << "zelvane-cli: " << options.Midi << " is not a MIDI file this can read; "
                  << options.Out << " was not written\n";
        return ExitFileError;
    }
    std::cout << "Channels with notes: " << ChannelList(scan.ChannelsFound) << '\n';
    uint16_t mask = options.HasChannels ? options.Channels : FileTimingChannels(scan.ChannelsFound);
    TProject& project = document.Project();
    TEditorState& editor = document.Editor();
    TFileTimingResult result;
    // Into a new project the file's tempo sections become riffs of their own, each with its
    // structure row; into a riff of an existing project they are scaled to the riff's tempo.
    const bool split = options.Into.empty();
    document.Edit(
        "Import MIDI", split ? TEditScope::Everything() : CurrentRiffScope(document), [&] {
            result = ImportMidiFileTiming(bytes, mask, project, editor, {},
                                          split ? TTempoSections::Split : TTempoSections::Scale);
        });
    if (result.Invalid) {
        std::cerr << "zelvane-cli: " << options.Midi << " is not a MIDI file this can read; "
                  << options.Out << " was not written\n";
        return ExitFileError;
    }
    if (result.Truncated)
        std::cerr << "zelvane-cli: " << options.Midi
                  << " ends in the middle of a track; the notes before that point were "
                     "imported\n";
    if (result.TooLong)
        std::cerr << "zelvane-cli: " << options.Midi
                  << " holds more than a riff takes; the notes after that point were left out\n";
    if (!SaveProject(project, options.Out))
        return FileFailure();
    auto tempos = [&] {
        std::string list;
        for (int bpm : result.Sections)
            list += (list.empty() ? "" : ", ") + std::to_string(bpm);
        return list;
    };
    if (result.Riffs.size() > 1) {
        std::cout << "Tempo sections " << tempos() << " imported as riffs";
        for (int r : result.Riffs)
            std::cout << (r == result.Riffs.front() ? " \"" : ", \"") << project.RiffNames[r]
                      << "\" (" << NoteCount(project.Riffs[size_t(r)]) << " notes)";
        std::cout << ", one structure row each; saved " << options.Out << '\n';
        return FinishOutput();
    }
    const TRiff& riff = CurrentRiffOf(project, editor);
    std::cout << "Riff \"" << project.RiffNames[editor.CurrentRiff] << "\" now has "
              << NoteCount(riff) << " notes";
    if (result.Tempo > 0)
        std::cout << ", tempo " << riff.Tempo;
    std::cout << "; saved " << options.Out << '\n';
    if (result.Sections.size() > 1)
        std::cout << "Tempo sections " << tempos() << " were scaled to the riff's tempo "
                  << riff.Tempo << '\n';
    return FinishOutput();
}

int RunImportMidi(const TInvocation& call) {
    TOptions options;
    options.Midi = call.Positional[0];
    options.Out = call.Text("--output");
    options.HasChannels = call.Has("--channels");
    if (options.HasChannels)
        ParseChannels(call.Text("--channels"), options.Channels);
    const std::string& into = call.Text("--into");
    options.Into = into;

    TDocument document;
    TProject& project = document.Project();
    TEditorState& editor = document.Editor();
    if (!into.empty() && !Load(document, into))
        return LoadFailure();
    int riff = call.Has("--riff") ? FindRiff(project, call.Text("--riff")) : 0;
    if (riff < 0)
        return UnknownRiff(call.Text("--riff"), into.empty() ? "the new project" : into);
    editor.CurrentRiff = riff;
    TRiff& target = project.Riffs[size_t(riff)];
    target.Cursor = std::min(call.Number("--at", 0), NoteCount(target));
    target.Anchor = target.Cursor;

    if (call.Text("--timing") == "file")
        return ImportWithFileTiming(options, document);

    TMidiImportHooks hooks;
    if (options.HasChannels)
        hooks.SelectChannels = [&](uint16_t& mask) { mask = options.Channels; };
    TMidiImportResult result;
    bool read = true;
    bool imported = document.Edit("Import MIDI", CurrentRiffScope(document), [&] {
        // The importer reads the file twice (channels, then notes) and reports a fault in it on
        // each pass; it is one fault of one file.
        TCliMessages onceEach(true);
        TScopedMessageService install(onceEach);
        read = ImportMidiFile(options.Midi, project, editor, hooks, result);
    });
    if (!read)
        return FileFailure();
    std::cout << "Channels with notes: " << ChannelList(result.ChannelsFound) << '\n';
    if (result.Invalid) {
        // Notes read before an unknown chunk stay, as in the editor; a file that gave nothing
        // at all is not a MIDI file.
        if (!imported) {
            std::cerr << "zelvane-cli: " << options.Midi << " is not a MIDI file this can read; "
                      << options.Out << " was not written\n";
            return ExitFileError;
        }
        std::cerr << "zelvane-cli: the notes before the unknown part of " << options.Midi
                  << " were imported\n";
    } else if (result.Truncated) {
        std::cerr << "zelvane-cli: " << options.Midi
                  << " ends in the middle of a track; the notes before that point were "
                     "imported\n";
    }
    if (!SaveProject(project, options.Out))
        return FileFailure();
    std::cout << "Riff \"" << project.RiffNames[riff] << "\" now has " << NoteCount(target)
              << " notes; saved " << options.Out << '\n';
    return FinishOutput();
}

constexpr TOption ImportMidiOptions[] = {
    Argument("FILE.mid", TKind::InputFile, "the MIDI file"),
    Output("OUT.zvp", "the project file to write (required)"),
    {.Name = "--into",
     .Kind = TKind::InputFile,
     .Meta = "PROJECT.zvp",
     .Help = "import into this project (default: a new project); -o may name it",
     .Rewritable = true},
    RiffOption("the riff to import into (default: the first riff)"),
    Number("--at", "NOTE", 0, AnyCount, "start at this note index of the riff (default 0)"),
    Value("--channels", TKind::Text, "LIST",
          "MIDI channels to import, 0..15, comma-separated (default: every channel that plays a "
          "note; with --timing file, except channel 9, the drum channel)"),
    Value("--timing", TKind::Choice, "riff|file",
          "riff: the gaps between events, in the file's ticks, become note lengths; the file's "
          "tempo and resolution are not used (the default). file: follow the file's timing: its "
          "resolution scaled to the riff's, all tracks merged in time order, each chord lasting "
          "to the next onset or to its notes' ends (a rest after them), lengths written as the "
          "nearest durations with dots and ties; the records from the note on are replaced (older "
          "records after them removed), and the tempo at the first note and the time signature "
          "are set on the riff; where the tempo changes, a new project gets one riff per tempo "
          "section (\"NAME 1\", \"NAME 2\"...) with a structure row each, and --into scales "
          "each section's note lengths to the riff's tempo"),
};

} // namespace

extern const TCommand ImportMidiCommand = {
    .Name = "import-midi",
    .Summary = "import a MIDI file's notes into a riff",
    .Description = "Imports the notes of a standard MIDI file into a riff and saves the project "
                   "as OUT.zvp. Note-ons that sound together form chords, placed on the riff's "
                   "strings.",
    .Options = ImportMidiOptions,
    .Check = CheckImport,
    .Run = RunImportMidi,
};

} // namespace zel::cli
