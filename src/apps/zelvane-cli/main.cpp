// zelvane-cli: the headless tool of Zelvane Editor. Reads and writes project files without a
// display. Exit status: 0 success, 1 a file could not be read or written, 2 bad usage.
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/markup.h"
#include "app/message_service.h"
#include "cli_common.h"
#include "export_commands.h"
#include "export_musicxml.h"
#include "export_png.h"
#include "import_gp.h"
#include "import_midi.h"
#include "info.h"
#include "midi_command.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "model/rich_text.h"
#include "out_of_memory.h"
#include "play_command.h"
#include "print_command.h"
#include "render_command.h"

namespace {

using namespace zel::cli;

constexpr const char* MainHelp =
    "Usage: zelvane-cli COMMAND [OPTIONS]\n"
    "\n"
    "The command-line tool of Zelvane Editor, the tablature editor with a built-in synthesizer.\n"
    "\n"
    "Commands:\n"
    "  info [--json] PROJECT.zvp   summary of a project: riffs, instruments, structure, notes\n"
    "  resave IN.zvp OUT.zvp       load a project and save it again\n"
    "  notes PROJECT.zvp [--text | --rtf]\n"
    "                              print the project's notes as text or as RTF\n"
    "  export-wav PROJECT.zvp -o OUT.wav [--from-row N] [--once] [--riff NAME [--from-note K]]\n"
    "             [--all-riffs] [--instrument N] [--master V]\n"
    "                              render the song (or riffs) into a WAV file\n"
    "  play PROJECT.zvp [same options as export-wav, without -o]\n"
    "                              render and play through the sound device\n"
    "  export-midi PROJECT.zvp -o OUT.mid [--riff NAME | --all-riffs] [--from-row N]\n"
    "              [--once]\n"
    "                              write the song (or riffs) as a standard MIDI file\n"
    "  export-text PROJECT.zvp --riff NAME [--width N] [-o OUT.txt]\n"
    "                              write a riff as text tab\n"
    "  export-png PROJECT.zvp --riff NAME -o OUT.png [--width PX] [--font-height PX]\n"
    "             [--smooth]\n"
    "                              draw a riff as staff and tab into a PNG picture\n"
    "  import-midi FILE.mid -o OUT.zvp [--into PROJECT.zvp] [--riff NAME] [--at NOTE]\n"
    "              [--channels LIST] [--timing riff|file]\n"
    "                              import a MIDI file's notes into a riff\n"
    "  import-gp FILE.gp5 -o OUT.zvp [--tracks LIST]\n"
    "                              open a Guitar Pro 3/4/5 file as a new project\n"
    "  export-musicxml PROJECT.zvp -o OUT.musicxml|OUT.mxl [--riff NAME | --all-riffs]\n"
    "                              write the song (or riffs) as MusicXML with strings and frets\n"
    "  print PROJECT.zvp -o OUT.pdf [--arrangement] [--riff NAME | --all-riffs]\n"
    "        [--landscape] [--font-size N] [--page-size A4|Letter] [--resolution DPI]\n"
    "                              print the arrangement, notes and riffs into a PDF file\n"
    "  midi-devices [--json]       list the MIDI input and output devices\n"
    "  midi-monitor --device N [--seconds S]\n"
    "                              print the messages a MIDI input device sends\n"
    "  help [COMMAND]              this text, or the help of one command\n"
    "\n"
    "Every command takes --help. Exit status: 0 success, 1 a file could not be read or\n"
    "written, 2 bad usage.\n";

constexpr const char* InfoHelp =
    "Usage: zelvane-cli info [--json] PROJECT.zvp\n"
    "\n"
    "Prints a readable summary of a project: each riff's name, strings and tuning, tempo, time\n"
    "signature, key, note count and length in bars; the instruments; the structure rows; the\n"
    "notes.\n"
    "\n"
    "  --json   print the whole model as one JSON object (riffs, instruments, structure, notes);\n"
    "           text is converted from Windows-1252 to UTF-8\n";

constexpr const char* ResaveHelp =
    "Usage: zelvane-cli resave IN.zvp OUT.zvp\n"
    "\n"
    "Loads a project and saves it again in the current file form. OUT.zvp may be IN.zvp. The\n"
    "output is written to a temporary file first and only then replaces OUT.zvp, so a failed\n"
    "save leaves any existing file as it was.\n";

constexpr const char* NotesHelp =
    "Usage: zelvane-cli notes PROJECT.zvp [--text | --rtf]\n"
    "\n"
    "Prints the project's notes document.\n"
    "\n"
    "  --text   the plain text, as printing shows it: one line per paragraph, tabs kept, UTF-8\n"
    "           (the default)\n"
    "  --rtf    the RTF text stored in the project file, as it is stored\n";

int RunInfo(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << InfoHelp;
        return FinishOutput();
    }
    bool json = false;
    std::vector<std::string> files;
    for (const auto& arg : args) {
        if (arg == "--json")
            json = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return Usage("info: unknown option " + arg, InfoHelp);
        else
            files.push_back(arg);
    }
    if (files.size() != 1)
        return Usage("info takes one project file", InfoHelp);
    zel::TDocument document;
    if (!Load(document, files[0]))
        return LoadFailure();
    const zel::TProject& project = document.Project();
    if (json)
        zel::WriteProjectJson(project, std::cout);
    else {
        std::cout << "Project: " << files[0] << '\n';
        zel::WriteProjectSummary(project, std::cout);
    }
    return FinishOutput();
}

int RunResave(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << ResaveHelp;
        return FinishOutput();
    }
    for (const auto& arg : args)
        if (arg.size() > 1 && arg[0] == '-')
            return Usage("resave: unknown option " + arg, ResaveHelp);
    if (args.size() != 2)
        return Usage("resave takes an input and an output project file", ResaveHelp);
    // Writing a project over itself is allowed: it is written whole beside it, then renamed.
    zel::TDocument document;
    if (!Load(document, args[0]))
        return LoadFailure();
    if (!zel::SaveProject(document.Project(), args[1]))
        return FileFailure();
    return ExitOk;
}

int RunNotes(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << NotesHelp;
        return FinishOutput();
    }
    std::string form;
    std::string file;
    for (const auto& arg : args) {
        if (arg == "--text" || arg == "--rtf") {
            if (!form.empty() && form != arg)
                return Usage("notes: give either --text or --rtf", NotesHelp);
            form = arg;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("notes: unknown option " + arg, NotesHelp);
        } else if (!file.empty()) {
            return Usage("notes takes one project file", NotesHelp);
        } else {
            file = arg;
        }
    }
    if (file.empty())
        return Usage("notes takes one project file", NotesHelp);
    zel::TDocument document;
    if (!Load(document, file))
        return LoadFailure();
    const std::string& rtf = document.Project().NotesRtf;
    if (form == "--rtf")
        std::cout << rtf;
    else
        std::cout << zel::RichPlainText(zel::ReadRtf(rtf));
    return FinishOutput();
}

int RunHelp(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h")
        std::cout << MainHelp;
    else if (args[0] == "info")
        std::cout << InfoHelp;
    else if (args[0] == "resave")
        std::cout << ResaveHelp;
    else if (args[0] == "notes")
        std::cout << NotesHelp;
    else if (args[0] == "export-wav")
        std::cout << zel::cli::ExportWavHelp;
    else if (args[0] == "play")
        std::cout << zel::cli::PlayHelp;
    else if (args[0] == "export-midi")
        std::cout << zel::cli::ExportMidiHelp;
    else if (args[0] == "export-text")
        std::cout << zel::cli::ExportTextHelp;
    else if (args[0] == "export-png")
        std::cout << zel::cli::ExportPngHelp;
    else if (args[0] == "import-midi")
        std::cout << zel::cli::ImportMidiHelp;
    else if (args[0] == "import-gp")
        std::cout << zel::cli::ImportGpHelp;
    else if (args[0] == "export-musicxml")
        std::cout << zel::cli::ExportMusicXmlHelp;
    else if (args[0] == "print")
        std::cout << zel::cli::PrintHelp;
    else if (args[0] == "midi-devices")
        std::cout << zel::cli::MidiDevicesHelp;
    else if (args[0] == "midi-monitor")
        std::cout << zel::cli::MidiMonitorHelp;
    else
        return Usage("no such command: " + args[0], MainHelp);
    return FinishOutput();
}

int Run(int argc, char** argv) {
    if (argc < 2)
        return Usage("no command given", MainHelp);
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "info")
        return RunInfo(args);
    if (command == "resave")
        return RunResave(args);
    if (command == "notes")
        return RunNotes(args);
    if (command == "export-wav")
        return zel::cli::RunExportWav(args, argv[0]);
    if (command == "play")
        return zel::cli::RunPlay(args, argc, argv);
    if (command == "export-midi")
        return zel::cli::RunExportMidi(args);
    if (command == "export-text")
        return zel::cli::RunExportText(args);
    if (command == "export-png")
        return zel::cli::RunExportPng(args, argc, argv);
    if (command == "import-midi")
        return zel::cli::RunImportMidi(args);
    if (command == "import-gp")
        return zel::cli::RunImportGp(args);
    if (command == "export-musicxml")
        return zel::cli::RunExportMusicXml(args);
    if (command == "print")
        return zel::cli::RunPrint(args, argc, argv);
    if (command == "midi-devices")
        return zel::cli::RunMidiDevices(args, argc, argv);
    if (command == "midi-monitor")
        return zel::cli::RunMidiMonitor(args, argc, argv);
    if (command == "help" || command == "--help" || command == "-h")
        return RunHelp(args);
    return Usage("no such command: " + command, MainHelp);
}

} // namespace

int main(int argc, char** argv) {
    // Under a file-size limit a write then fails with "File too large" and the save is undone,
    // instead of the tool being killed with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    zel::cli::TCliMessages messages;
    zel::TScopedMessageService install(messages);
    return RunReportingOutOfMemory([&] { return Run(argc, argv); }, std::cerr);
}
