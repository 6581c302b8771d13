// The command table of zelvane-cli: every command with its synopsis, arguments, options (their
// kinds and help) and run function. One parser reads every command line from it, one check
// keeps every output off the command's inputs, and the help texts, the manual pages and the
// shell completion are all written from it.
//
// A command is one TCommand defined in its own source file and one line in commands.inc.
#pragma once

#include <array>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zel::cli {

// Exit status of every command.
constexpr int ExitOk = 0;
constexpr int ExitFileError = 1; // an input could not be read, an output could not be written
constexpr int ExitUsage = 2;     // bad command line, also a riff or row that does not exist
// Ended by SIGINT or SIGTERM: 128 + the signal (130, 143), its temporary file removed.

enum class TKind {
    Flag,      // no value
    Text,      // any text
    Number,    // a whole number within Low..High
    Choice,    // one of the words of Meta, separated by '|'
    InputFile, // a file the command reads
    OutputFile // a file the command writes
};

// An option, or (with an empty Name) a positional argument.
struct TOption {
    std::string_view Name{};  // "--riff"; empty for a positional argument
    std::string_view Short{}; // "-o", or empty
    TKind Kind = TKind::Flag;
    std::string_view Meta{}; // the value's name in help ("NAME", "N", "riff|file", "OUT.wav")
    std::string_view Help{}; // one paragraph, wrapped when printed
    int Low = 0, High = 0;   // Number: the accepted range
    bool Required = false;   // a positional argument without it is optional
    // InputFile: the command's output may be this file; it is then rewritten whole as the same
    // kind of file (a project saved over the project it was read from).
    bool Rewritable = false;
};

// Table entries, short.
constexpr TOption Argument(std::string_view meta, TKind kind, std::string_view help,
                           bool rewritable = false) {
    return {.Kind = kind, .Meta = meta, .Help = help, .Required = true, .Rewritable = rewritable};
}
constexpr TOption Flag(std::string_view name, std::string_view help) {
    return {.Name = name, .Help = help};
}
constexpr TOption Value(std::string_view name, TKind kind, std::string_view meta,
                        std::string_view help) {
    return {.Name = name, .Kind = kind, .Meta = meta, .Help = help};
}
constexpr TOption Number(std::string_view name, std::string_view meta, int low, int high,
                         std::string_view help) {
    return {
        .Name = name, .Kind = TKind::Number, .Meta = meta, .Help = help, .Low = low, .High = high};
}
// "-o FILE" (also "--output FILE").
constexpr TOption Output(std::string_view meta, std::string_view help, bool required = true) {
    return {.Name = "--output",
            .Short = "-o",
            .Kind = TKind::OutputFile,
            .Meta = meta,
            .Help = help,
            .Required = required};
}
// The riff option many commands share.
constexpr TOption RiffOption(std::string_view help) {
    return Value("--riff", TKind::Text, "NAME", help);
}
// Two option lists as one (options that several commands share).
template <size_t A, size_t B>
constexpr std::array<TOption, A + B> Join(const std::array<TOption, A>& a,
                                          const std::array<TOption, B>& b) {
    std::array<TOption, A + B> joined{};
    for (size_t i = 0; i < A; ++i)
        joined[i] = a[i];
    for (size_t i = 0; i < B; ++i)
        joined[A + i] = b[i];
    return joined;
}
inline constexpr int AnyCount = 1 << 30; // no upper bound worth naming

class TInvocation;

struct TCommand {
    std::string_view Name{};
    std::string_view Summary{}; // one line for the command list
    // Usage lines after "zelvane-cli NAME"; empty: one line made from the arguments and options.
    std::span<const std::string_view> Synopsis{};
    std::string_view Description{}; // paragraphs separated by blank lines, wrapped when printed
    std::span<const TOption> Options{};
    // Rules between options beyond the table ("--riff and --all-riffs exclude each other"):
    // the problem, or empty text. Optional.
    std::string (*Check)(const TInvocation&) = nullptr;
    int (*Run)(const TInvocation&) = nullptr;
    std::string_view Notes{}; // a closing paragraph of the help (exit status, ...); optional
};

// A command line read by the table.
class TInvocation {
public:
    const TCommand* Command = nullptr;
    mutable int Argc = 0;  // Qt's application objects keep a reference to it
    char** Argv = nullptr; // the whole command line, for Qt's application objects
    std::vector<std::string> Positional;

    bool Has(std::string_view option) const { return m_values.count(std::string(option)) != 0; }
    // The option's value; `fallback` when it was not given.
    std::string Text(std::string_view option, const std::string& fallback = {}) const;
    int Number(std::string_view option, int fallback) const;
    void Set(std::string_view option, std::string value) {
        m_values[std::string(option)] = std::move(value);
    }
    // Every file the command reads and writes, with the option (or argument) that named it.
    std::vector<std::pair<const TOption*, std::string>> Files() const;

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

// The table, in the order the command list shows it.
std::span<const TCommand* const> Commands();
const TCommand* FindCommand(std::string_view name);

// Reads a command's arguments: empty text, or the problem.
std::string ParseArguments(const TCommand& command, const std::vector<std::string>& args,
                           TInvocation& invocation);
// Empty text, or why an output may not be written: it is one of the inputs (compared by device
// and inode, so links and paths like ../d/./x are seen through), or another output.
std::string OutputClash(const TInvocation& invocation);

// The whole tool: the command named by argv[1] with its arguments; the exit status.
int RunCommandLine(int argc, char** argv);

// Texts written from the table.
std::string MainHelp();
std::string CommandHelp(const TCommand& command);
// Manual pages in roff: "zelvane-cli" (a section per command) or "zelvane" (the editor).
std::string ManualPage(std::string_view program);
std::string BashCompletion();

// Prints "zelvane-cli: problem" and the command's help to standard error; ExitUsage.
int Usage(const std::string& problem, const TCommand& command);

} // namespace zel::cli
