#include "command_table.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>

#include "cli_common.h"
#include "model/temp_files.h"

namespace zel::cli {

namespace fs = std::filesystem;

#define ZELVANE_COMMAND(name) extern const TCommand name;
#include "commands.inc"
#undef ZELVANE_COMMAND

namespace {

#define ZELVANE_COMMAND(name) &name,
constexpr const TCommand* Table[] = {
#include "commands.inc"
};
#undef ZELVANE_COMMAND

bool IsOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

const TOption* FindOption(const TCommand& command, std::string_view name) {
    for (const TOption& option : command.Options)
        if (!option.Name.empty() && (option.Name == name || option.Short == name))
            return &option;
    return nullptr;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

// The value of a Choice as the table spells it; empty when it is none of the choices.
std::string ChoiceValue(std::string_view choices, const std::string& value) {
    size_t start = 0;
    while (start <= choices.size()) {
        size_t bar = std::min(choices.find('|', start), choices.size());
        std::string_view choice = choices.substr(start, bar - start);
        if (Lower(choice) == Lower(value))
            return std::string(choice);
        start = bar + 1;
    }
    return {};
}

std::string OptionLabel(const TOption& option) {
    return std::string(option.Short.empty() ? option.Name : option.Short);
}

// The problem with an option's value, or empty text; `value` is made canonical.
std::string CheckValue(const TOption& option, std::string& value) {
    const std::string label(option.Name);
    switch (option.Kind) {
    case TKind::Flag:
        return {};
    case TKind::Number: {
        std::string_view digits(value);
        if (!digits.empty() && digits[0] == '-' && option.Low < 0)
            digits.remove_prefix(1);
        bool valid = !digits.empty() && digits.size() <= 10 &&
                     digits.find_first_not_of("0123456789") == std::string_view::npos;
        long long number = valid ? std::atoll(value.c_str()) : 0;
        if (valid && number >= option.Low && number <= option.High)
            return {};
        std::string range = "a number from " + std::to_string(option.Low);
        if (option.High < AnyCount)
            range += " to " + std::to_string(option.High);
        return label + " needs " + range;
    }
    case TKind::Choice: {
        std::string choice = ChoiceValue(option.Meta, value);
        if (choice.empty()) {
            std::string words(option.Meta);
            std::replace(words.begin(), words.end(), '|', ' ');
            size_t last = words.rfind(' ');
            if (last != std::string::npos)
                words.replace(last, 1, " or ");
            return label + " takes " + words;
        }
        value = choice;
        return {};
    }
    default:
        if (value.empty())
            return label + " needs " + std::string(option.Meta);
        return {};
    }
}

} // namespace

std::string TInvocation::Text(std::string_view option, const std::string& fallback) const {
    auto found = m_values.find(option);
    return found == m_values.end() ? fallback : found->second;
}

int TInvocation::Number(std::string_view option, int fallback) const {
    auto found = m_values.find(option);
    return found == m_values.end() ? fallback : std::atoi(found->second.c_str());
}

std::vector<std::pair<const TOption*, std::string>> TInvocation::Files() const {
    std::vector<std::pair<const TOption*, std::string>> files;
    size_t positional = 0; // positional arguments are taken in the table's order
    for (const TOption& option : Command->Options) {
        bool isFile = option.Kind == TKind::InputFile || option.Kind == TKind::OutputFile;
        if (option.Name.empty()) {
            if (isFile && positional < Positional.size())
                files.emplace_back(&option, Positional[positional]);
            ++positional;
        } else if (isFile && Has(option.Name)) {
            files.emplace_back(&option, Text(option.Name));
        }
    }
    return files;
}

std::span<const TCommand* const> Commands() {
    return Table;
}

const TCommand* FindCommand(std::string_view name) {
    for (const TCommand* command : Table)
        if (command->Name == name)
            return command;
    return nullptr;
}

std::string ParseArguments(const TCommand& command, const std::vector<std::string>& args,
                           TInvocation& invocation) {
    invocation.Command = &command;
    std::vector<const TOption*> positionals;
    for (const TOption& option : command.Options)
        if (option.Name.empty())
            positionals.push_back(&option);
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (!IsOption(arg)) {
            if (invocation.Positional.size() >= positionals.size())
                return positionals.empty() ? "unknown argument " + arg
                                           : "too many arguments: " + arg;
            invocation.Positional.push_back(arg);
            continue;
        }
        // "--name=value" is "--name value".
        std::string value;
        bool inlineValue = false;
        if (size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
            inlineValue = true;
        }
        const TOption* option = FindOption(command, arg);
        if (!option)
            return "unknown option " + arg;
        if (option->Kind == TKind::Flag) {
            if (inlineValue)
                return arg + " takes no value";
            invocation.Set(option->Name, "1");
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size())
                return arg + " needs " + std::string(option->Meta);
            value = args[++i];
        }
        if (std::string problem = CheckValue(*option, value); !problem.empty())
            return problem;
        invocation.Set(option->Name, value);
    }
    if (invocation.Positional.size() < positionals.size()) {
        const TOption& missing = *positionals[invocation.Positional.size()];
        if (missing.Required)
            return std::string(command.Name) + " needs " + std::string(missing.Meta);
    }
    for (const TOption& option : command.Options)
        if (!option.Name.empty() && option.Required && !invocation.Has(option.Name))
            return std::string(command.Name) + " needs " + OptionLabel(option) + " " +
                   std::string(option.Meta);
    return command.Check ? command.Check(invocation) : std::string();
}

std::string OutputClash(const TInvocation& invocation) {
    auto files = invocation.Files();
    for (size_t o = 0; o < files.size(); ++o) {
        if (files[o].first->Kind != TKind::OutputFile)
            continue;
        const std::string& output = files[o].second;
        struct stat out {};
        if (::stat(output.c_str(), &out) != 0) {
            // A file that does not exist yet is none of the inputs, but two outputs may still
            // name it.
            std::error_code error;
            const fs::path place = fs::weakly_canonical(output, error);
            for (size_t i = o + 1; i < files.size(); ++i)
                if (files[i].first->Kind == TKind::OutputFile &&
                    fs::weakly_canonical(files[i].second, error) == place)
                    return output + " is named for two outputs; nothing was written";
            continue;
        }
        for (size_t i = 0; i < files.size(); ++i) {
            const auto& [option, path] = files[i];
            if (i == o || option->Rewritable || (option->Kind == TKind::OutputFile && i < o))
                continue;
            struct stat in {};
            if (::stat(path.c_str(), &in) != 0 || in.st_dev != out.st_dev ||
                in.st_ino != out.st_ino)
                continue;
            if (option->Kind == TKind::OutputFile)
                return output + " is named for two outputs; nothing was written";
            return output + " is the same file as the input " + path +
                   "; it was left as it is (choose another output file)";
        }
    }
    return {};
}

int Usage(const std::string& problem, const TCommand& command) {
    std::cerr << "zelvane-cli: " << problem << "\n\n" << CommandHelp(command);
    return ExitUsage;
}

int RunCommandLine(int argc, char** argv) {
    std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    std::string name = argc >= 2 ? argv[1] : "";
    if (name == "--help" || name == "-h")
        name = "help";
    const TCommand* command = FindCommand(name);
    if (!command) {
        // The build writes the manual pages and the completion from the table.
        if (name == "--man" && args.size() == 1 &&
            (args[0] == "zelvane-cli" || args[0] == "zelvane")) {
            std::cout << ManualPage(args[0]);
            return FinishOutput();
        }
        if (name == "--completion" && args.size() == 1 && args[0] == "bash") {
            std::cout << BashCompletion();
            return FinishOutput();
        }
        std::cerr << "zelvane-cli: "
                  << (name.empty() ? "no command given" : "no such command: " + name) << "\n\n"
                  << MainHelp();
        return ExitUsage;
    }
    for (const auto& arg : args)
        if (arg == "--help" || arg == "-h") {
            std::cout << CommandHelp(*command);
            return FinishOutput();
        }
    TInvocation invocation;
    invocation.Argc = argc;
    invocation.Argv = argv;
    if (std::string problem = ParseArguments(*command, args, invocation); !problem.empty())
        return Usage(std::string(command->Name) + ": " + problem, *command);
    if (std::string clash = OutputClash(invocation); !clash.empty()) {
        std::cerr << "zelvane-cli: " << clash << '\n';
        return ExitUsage;
    }
    // An export stopped by Ctrl+C or SIGTERM takes its temporary file with it.
    for (const TOption& option : command->Options)
        if (option.Kind == TKind::OutputFile) {
            RemoveTempFilesOnSignals();
            break;
        }
    return command->Run(invocation);
}

} // namespace zel::cli
