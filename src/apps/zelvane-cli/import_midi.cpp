#include "import_midi.h"

#include <iostream>

#include "arrange/midi_import.h"
#include "cli_common.h"
#include "edit/document_edits.h"
#include "model/projectfile.h"
#include "model/text_fields.h"

namespace zel::cli {

const char* const ImportMidiHelp =
    "Usage: zelvane-cli import-midi FILE.mid -o OUT.zvp [--into PROJECT.zvp] [--riff NAME]\n"
    "                   [--at NOTE] [--channels LIST] [--timing riff|file]\n"
    "\n"
    "Imports the notes of a standard MIDI file into a riff and saves the project as OUT.zvp.\n"
    "Note-ons that sound together form chords, placed on the riff's strings.\n"
    "\n"
    "  -o OUT.zvp         the project file to write (required)\n"
    "  --into PROJECT.zvp import into this project (default: a new project)\n"
    "  --riff NAME        the riff to import into (default: the first riff)\n"
    "  --at NOTE          start at this note index of the riff (default 0)\n"
    "  --channels LIST    MIDI channels to import, 0..15, comma-separated (default: every\n"
    "                     channel that plays a note; with --timing file, except channel 9,\n"
    "                     the drum channel)\n"
    "  --timing riff      the gaps between events, in the file's ticks, become note lengths;\n"
    "                     the file's tempo and resolution are not used (the default)\n"
    "  --timing file      follow the file's timing: its resolution scaled to the riff's, all\n"
    "                     tracks merged in time order, each chord lasting to the next onset or\n"
    "                     to its notes' ends (a rest after them), lengths written as the\n"
    "                     nearest durations with dots and ties; the records from the note on\n"
    "                     are replaced (older records after them removed), and the tempo at\n"
    "                     the first note and the time signature are set on the riff; where\n"
    "                     the tempo changes, a new project gets one riff per tempo section\n"
    "                     (\"NAME 1\", \"NAME 2\"...) with a structure row each, and --into\n"
    "                     scales each section's note lengths to the riff's tempo\n";

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
    std::string Midi, Out, Into, Riff;
    int At = 0;
    bool HasChannels = false;
    uint16_t Channels = 0;
    TMidiTiming Timing = TMidiTiming::Riff;
};

// Empty text on success, otherwise the problem.
std::string ParseOptions(const std::vector<std::string>& args, TOptions& o) {
    TArgs walk(args);
    std::string arg, text;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(o.Out))
                return arg + " needs a file";
        } else if (arg == "--into") {
            if (!walk.Value(o.Into))
                return "--into needs a project file";
        } else if (arg == "--riff") {
            if (!walk.Value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--at") {
            if (!walk.Number(0, 1 << 30, o.At))
                return "--at needs a note index (0 or more)";
        } else if (arg == "--channels") {
            if (!walk.Value(text) || !ParseChannels(text, o.Channels))
                return "--channels needs channel numbers 0..15 separated by commas";
            o.HasChannels = true;
        } else if (arg == "--timing") {
            if (!walk.Value(text) || (text != "riff" && text != "file"))
                return "--timing needs riff or file";
            o.Timing = text == "file" ? TMidiTiming::File : TMidiTiming::Riff;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "import-midi: unknown option " + arg;
        } else if (o.Midi.empty()) {
            o.Midi = arg;
        } else {
            return "import-midi takes one MIDI file";
        }
    }
    if (o.Midi.empty())
        return "import-midi needs a MIDI file";
    if (o.Out.empty())
        return "import-midi needs -o OUT.zvp";
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

} // namespace

int RunImportMidi(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ImportMidiHelp;
        return FinishOutput();
    }
    TOptions options;
    std::string problem = ParseOptions(args, options);
    if (!problem.empty())
        return Usage(problem, ImportMidiHelp);

    // The MIDI file is never written over; --into and -o may name the same project, which is
    // then rewritten as a project.
    if (OutputIsAnInput(options.Out, {options.Midi}))
        return ExitUsage;
    TDocument document;
    TProject& project = document.Project();
    TEditorState& editor = document.Editor();
    if (!options.Into.empty() && !Load(document, options.Into))
        return LoadFailure();
    int riff = options.Riff.empty() ? 0 : FindRiff(project, options.Riff);
    if (riff < 0)
        return Usage("no riff named \"" + options.Riff + "\"", ImportMidiHelp);
    editor.CurrentRiff = riff;
    TRiff& target = project.Riffs[size_t(riff)];
    target.Cursor = std::min(options.At, NoteCount(target));
    target.Anchor = target.Cursor;

    if (options.Timing == TMidiTiming::File)
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

} // namespace zel::cli
