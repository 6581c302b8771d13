// The help texts, manual pages and bash completion, all written from the command table.
#include <algorithm>
#include <sstream>
#include <vector>

#include "command_table.h"

namespace zel::cli {

namespace {

constexpr size_t TextWidth = 94;
constexpr size_t SummaryColumn = 30;
constexpr size_t MaxOptionColumn = 26;

// `text` wrapped into lines of at most `width` characters; lines after the first start with
// `indent` spaces. Blank lines (paragraph breaks) are kept.
std::string Wrap(std::string_view text, size_t width, size_t indent, size_t firstUsed = 0) {
    std::string out;
    size_t used = firstUsed;
    bool lineStart = true;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '\n') {
            out += '\n';
            used = 0;
            lineStart = true;
            ++at;
            continue;
        }
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        size_t end = text.find_first_of(" \n", at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view word = text.substr(at, end - at);
        if (!lineStart && used + 1 + word.size() > width) {
            out += '\n' + std::string(indent, ' ');
            used = indent;
            lineStart = true;
        } else if (lineStart && used == 0 && indent > 0 && !out.empty()) {
            out += std::string(indent, ' ');
            used = indent;
        }
        if (!lineStart) {
            out += ' ';
            ++used;
        }
        out += word;
        used += word.size();
        lineStart = false;
        at = end;
    }
    return out;
}

std::string Label(const TOption& option) {
    std::string label;
    if (!option.Short.empty())
        label = std::string(option.Short) + ", ";
    label += option.Name;
    if (option.Kind != TKind::Flag)
        label += " " + std::string(option.Meta);
    return label;
}

// One usage line made from the arguments and options.
std::string MadeSynopsis(const TCommand& command) {
    std::string line;
    auto add = [&](const std::string& part) { line += (line.empty() ? "" : " ") + part; };
    for (const TOption& option : command.Options)
        if (option.Name.empty())
            add(option.Required ? std::string(option.Meta) : "[" + std::string(option.Meta) + "]");
    for (const TOption& option : command.Options) {
        if (option.Name.empty())
            continue;
        std::string part(option.Short.empty() ? option.Name : option.Short);
        if (option.Kind != TKind::Flag)
            part += " " + std::string(option.Meta);
        add(option.Required ? part : "[" + part + "]");
    }
    return line;
}

std::vector<std::string> Synopses(const TCommand& command) {
    if (command.Synopsis.empty())
        return {MadeSynopsis(command)};
    return {command.Synopsis.begin(), command.Synopsis.end()};
}

// Characters roff would take for requests or escapes.
std::string Roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    // A line starting with '.' or '\'' would be a request.
    std::string safe;
    bool lineStart = true;
    for (char c : out) {
        if (lineStart && (c == '.' || c == '\''))
            safe += "\\&";
        safe += c;
        lineStart = c == '\n';
    }
    return safe;
}

// Paragraphs (separated by blank lines) as roff paragraphs.
std::string RoffParagraphs(std::string_view text) {
    std::string out;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find("\n\n", at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string paragraph(text.substr(at, end - at));
        for (char& c : paragraph)
            if (c == '\n')
                c = ' ';
        out += ".PP\n" + Roff(paragraph) + "\n";
        at = end + 2;
    }
    return out;
}

} // namespace

std::string MainHelp() {
    std::string text = "Usage: zelvane-cli COMMAND [OPTIONS]\n"
                       "\n"
                       "The command-line tool of Zelvane Editor, the tablature editor with a "
                       "built-in synthesizer.\n"
                       "\n"
                       "Commands:\n";
    for (const TCommand* command : Commands()) {
        std::string left = "  " + Wrap(std::string(command->Name) + " " + Synopses(*command)[0],
                                       TextWidth, 4 + command->Name.size(), 2);
        if (left.find('\n') == std::string::npos && left.size() + 2 <= SummaryColumn)
            text += left + std::string(SummaryColumn - left.size(), ' ');
        else
            text += left + "\n" + std::string(SummaryColumn, ' ');
        text += Wrap(command->Summary, TextWidth, SummaryColumn, SummaryColumn) + "\n";
    }
    text += "\n" +
            Wrap("Every command takes --help. Exit status: 0 success, 1 a file could not be read "
                 "or written, 2 bad usage (also a riff or row that does not exist).",
                 TextWidth, 0) +
            "\n";
    return text;
}

std::string CommandHelp(const TCommand& command) {
    std::string text;
    std::string lead = "Usage: zelvane-cli " + std::string(command.Name) + " ";
    bool first = true;
    for (const std::string& line : Synopses(command)) {
        std::string start = first ? lead : "       zelvane-cli " + std::string(command.Name) + " ";
        text += start + Wrap(line, TextWidth, lead.size(), start.size()) + "\n";
        first = false;
    }
    text += "\n" + Wrap(command.Description, TextWidth, 0) + "\n";
    size_t column = 0;
    for (const TOption& option : command.Options)
        if (!option.Name.empty())
            column = std::max(column, Label(option).size() + 4);
    column = std::min(column, MaxOptionColumn);
    bool any = false;
    for (const TOption& option : command.Options) {
        if (option.Name.empty())
            continue;
        if (!any)
            text += "\n";
        any = true;
        std::string label = "  " + Label(option);
        if (label.size() + 2 > column)
            text += label + "\n" + std::string(column, ' ');
        else
            text += label + std::string(column - label.size(), ' ');
        text += Wrap(option.Help, TextWidth, column, column) + "\n";
    }
    if (!command.Notes.empty())
        text += "\n" + Wrap(command.Notes, TextWidth, 0) + "\n";
    return text;
}

std::string ManualPage(std::string_view program) {
    std::ostringstream out;
    const std::string title = program == "zelvane" ? "ZELVANE" : "ZELVANE\\-CLI";
    out << ".TH " << title << " 1 \"\" \"Zelvane Editor\" \"User Commands\"\n";
    if (program == "zelvane") {
        out << ".SH NAME\nzelvane \\- tablature editor with a built\\-in synthesizer\n"
            << ".SH SYNOPSIS\n.B zelvane\n[\\fB\\-nosplash\\fR | \\fB\\-noabout\\fR] "
               "[\\fB\\-debug\\fR] [\\fB\\-debuglog\\fR] [\\fIPROJECT.zvp\\fR ...]\n"
            << ".SH DESCRIPTION\n"
            << RoffParagraphs(
                   "Zelvane Editor is a desktop editor for guitar and bass tablature with a "
                   "built-in software synthesizer. Riffs are written on a staff and on four to "
                   "seven tab lines, arranged in a song grid whose columns are synthesizer "
                   "instruments, and played or exported as WAV, MIDI, text tab, pictures and "
                   "PDF pages.\n\nProjects named on the command line are opened one after the "
                   "other.")
            << ".SH OPTIONS\n"
            << ".TP\n.B \\-nosplash\\fR, \\fB\\-noabout\nstart without the about box.\n"
            << ".TP\n.B \\-debug\nshow the debug window.\n"
            << ".TP\n.B \\-debuglog\nwrite the debug lines to a log file too.\n"
            << ".SH FILES\n.TP\n.I *.zvp\na project: riffs, instruments, song structure and "
               "notes.\n.TP\n.I *.zvi\na single instrument.\n.TP\n.I zelvane.ini\nthe settings.\n"
            << ".SH \"SEE ALSO\"\n.BR zelvane\\-cli (1), whose commands work on projects "
               "without a display:\n";
        for (const TCommand* command : Commands())
            out << ".TP\n.B " << Roff(command->Name) << "\n" << Roff(command->Summary) << ".\n";
        return out.str();
    }
    out << ".SH NAME\nzelvane\\-cli \\- the command\\-line tool of Zelvane Editor\n"
        << ".SH SYNOPSIS\n.B zelvane\\-cli\n.I COMMAND\n[\\fIOPTIONS\\fR]\n"
        << ".SH DESCRIPTION\n"
        << RoffParagraphs("Reads and writes Zelvane Editor projects without a display: "
                          "summaries, WAV, MIDI, text tab, PNG and PDF exports, MIDI import and "
                          "playback. Every command takes --help. No command writes over one of "
                          "its inputs; every file is written whole beside its place first and "
                          "only then put there, so a failure leaves nothing half-written.");
    out << ".SH COMMANDS\n";
    for (const TCommand* command : Commands()) {
        out << ".SS " << Roff(command->Name) << "\n";
        for (const std::string& line : Synopses(*command))
            out << ".br\n\\fBzelvane\\-cli " << Roff(command->Name) << "\\fR " << Roff(line)
                << "\n";
        out << RoffParagraphs(command->Description);
        for (const TOption& option : command->Options) {
            if (option.Name.empty())
                continue;
            out << ".TP\n.B " << Roff(Label(option)) << "\n" << Roff(option.Help) << "\n";
        }
        if (!command->Notes.empty())
            out << RoffParagraphs(command->Notes);
    }
    out << ".SH \"EXIT STATUS\"\n.TP\n0\nsuccess\n.TP\n1\na file could not be read or "
           "written\n.TP\n2\nbad usage: unknown option, missing argument, a riff or row that "
           "does not exist, an output that is one of the inputs\n.TP\n130, 143\nstopped by "
           "SIGINT or SIGTERM; the file being written was removed\n"
        << ".SH \"SEE ALSO\"\n.BR zelvane (1)\n";
    return out.str();
}

std::string BashCompletion() {
    std::ostringstream out;
    out << "# bash completion for zelvane-cli, written from its command table\n"
        << "_zelvane_cli() {\n"
        << "    local cur prev\n"
        << "    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
        << "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
        << "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"";
    for (const TCommand* command : Commands())
        out << command->Name << ' ';
    out << "--help\" -- \"$cur\"))\n        return\n    fi\n"
        << "    case \"${COMP_WORDS[1]}\" in\n";
    for (const TCommand* command : Commands()) {
        out << "    " << command->Name << ")\n        case \"$prev\" in\n";
        std::string words = "--help";
        bool fileArgument = false;
        for (const TOption& option : command->Options) {
            if (option.Name.empty()) {
                fileArgument |= option.Kind == TKind::InputFile || option.Kind == TKind::OutputFile;
                continue;
            }
            words += " " + std::string(option.Name);
            if (!option.Short.empty())
                words += " " + std::string(option.Short);
            if (option.Kind == TKind::Flag)
                continue;
            std::string names(option.Name);
            if (!option.Short.empty())
                names += "|" + std::string(option.Short);
            out << "        " << names << ")\n            ";
            if (option.Kind == TKind::InputFile || option.Kind == TKind::OutputFile) {
                out << "COMPREPLY=($(compgen -f -- \"$cur\"))";
            } else if (option.Kind == TKind::Choice) {
                std::string choices(option.Meta);
                std::replace(choices.begin(), choices.end(), '|', ' ');
                out << "COMPREPLY=($(compgen -W \"" << choices << "\" -- \"$cur\"))";
            } else {
                out << "COMPREPLY=()";
            }
            out << "\n            return ;;\n";
        }
        out << "        esac\n";
        out << "        if [[ \"$cur\" == -* ]]; then\n"
            << "            COMPREPLY=($(compgen -W \"" << words << "\" -- \"$cur\"))\n";
        if (command->Name == "help")
            out << "        else\n            COMPREPLY=($(compgen -W \"" << [] {
                std::string names;
                for (const TCommand* c : Commands())
                    names += std::string(c->Name) + " ";
                return names;
            }() << "\" -- \"$cur\"))\n";
        else if (fileArgument)
            out << "        else\n            COMPREPLY=($(compgen -f -- \"$cur\"))\n";
        out << "        fi\n        ;;\n";
    }
    out << "    esac\n}\ncomplete -o filenames -F _zelvane_cli zelvane-cli\n";
    return out.str();
}

} // namespace zel::cli
