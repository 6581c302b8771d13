// zelvane-cli info, resave, notes and help.
#include <iostream>

#include "cli_common.h"
#include "info.h"
#include "model/projectfile.h"
#include "model/rich_text.h"

namespace zel::cli {

namespace {

int RunInfo(const TInvocation& call) {
    TDocument document;
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    const TProject& project = document.Project();
    if (call.Has("--json")) {
        WriteProjectJson(project, std::cout);
    } else {
        std::cout << "Project: " << call.Positional[0] << '\n';
        WriteProjectSummary(project, std::cout);
    }
    return FinishOutput();
}

int RunResave(const TInvocation& call) {
    // Writing a project over itself is allowed: it is written whole beside it, then renamed.
    TDocument document;
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    if (!SaveProject(document.Project(), call.Positional[1]))
        return FileFailure();
    return ExitOk;
}

std::string CheckNotes(const TInvocation& call) {
    return call.Has("--text") && call.Has("--rtf") ? "give either --text or --rtf" : "";
}

int RunNotes(const TInvocation& call) {
    TDocument document;
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    const std::string& rtf = document.Project().NotesRtf;
    if (call.Has("--rtf"))
        std::cout << rtf;
    else
        std::cout << RichPlainText(ReadRtf(rtf));
    return FinishOutput();
}

int RunHelp(const TInvocation& call) {
    if (call.Positional.empty()) {
        std::cout << MainHelp();
    } else if (const TCommand* command = FindCommand(call.Positional[0])) {
        std::cout << CommandHelp(*command);
    } else {
        std::cerr << "zelvane-cli: no such command: " << call.Positional[0] << "\n\n" << MainHelp();
        return ExitUsage;
    }
    return FinishOutput();
}

constexpr TOption InfoOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Flag("--json", "print the whole model as one JSON object (riffs, instruments, structure, "
                   "notes); text is converted from Windows-1252 to UTF-8"),
};
constexpr std::string_view InfoSynopsis[] = {"[--json] PROJECT.zvp"};

constexpr TOption ResaveOptions[] = {
    Argument("IN.zvp", TKind::InputFile, "the project to read", true),
    Argument("OUT.zvp", TKind::OutputFile, "the project to write; it may be IN.zvp"),
};

constexpr TOption NotesOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Flag("--text", "the plain text, as printing shows it: one line per paragraph, tabs kept, "
                   "UTF-8 (the default)"),
    Flag("--rtf", "the RTF text stored in the project file, as it is stored"),
};
constexpr std::string_view NotesSynopsis[] = {"PROJECT.zvp [--text | --rtf]"};

constexpr TOption HelpOptions[] = {
    {.Kind = TKind::Text, .Meta = "COMMAND", .Help = "the command to explain"},
};

} // namespace

extern const TCommand InfoCommand = {
    .Name = "info",
    .Summary = "summary of a project: riffs, instruments, structure, notes",
    .Synopsis = InfoSynopsis,
    .Description = "Prints a readable summary of a project: each riff's name, strings and tuning, "
                   "tempo, time signature, key, note count and length in bars; the instruments; "
                   "the structure rows; the notes.",
    .Options = InfoOptions,
    .Run = RunInfo,
};

extern const TCommand ResaveCommand = {
    .Name = "resave",
    .Summary = "load a project and save it again",
    .Description = "Loads a project and saves it again in the current file form. OUT.zvp may be "
                   "IN.zvp. The output is written to a temporary file first and only then "
                   "replaces OUT.zvp, so a failed save leaves any existing file as it was.",
    .Options = ResaveOptions,
    .Run = RunResave,
};

extern const TCommand NotesCommand = {
    .Name = "notes",
    .Summary = "print the project's notes as text or as RTF",
    .Synopsis = NotesSynopsis,
    .Description = "Prints the project's notes document.",
    .Options = NotesOptions,
    .Check = CheckNotes,
    .Run = RunNotes,
};

extern const TCommand HelpCommand = {
    .Name = "help",
    .Summary = "this text, or the help of one command",
    .Description = "Prints the list of commands, or the help of one command (as COMMAND --help "
                   "does).",
    .Options = HelpOptions,
    .Run = RunHelp,
};

} // namespace zel::cli
