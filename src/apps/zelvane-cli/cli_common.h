// Helpers shared by the commands of zelvane-cli: exit codes, usage errors, loading projects.
#pragma once

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "base/message_service.h"
#include "document/document.h"
#include "model/song.h"

namespace zel::cli {

constexpr int ExitOk = 0;
constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;

// Messages from the core go to standard error as plain text, prefixed with the tool's name.
class TCliMessages : public TMessageService {
public:
    // `onceEach`: a text that was printed is not printed again. A reader that meets one fault
    // in each of its passes over a file (a MIDI file is read once for its channels and once for
    // its notes) then tells it once.
    explicit TCliMessages(bool onceEach = false) : m_onceEach(onceEach) {}
    int DisplayMany(int kind, std::string_view text, std::string_view buttons) override;

private:
    bool m_onceEach;
    std::set<std::string> m_printed;
};

// Prints the problem and the command's help to standard error; returns ExitUsage.
int Usage(const std::string& problem, const char* help);
bool WantsHelp(const std::vector<std::string>& args);
// Prints why the last file operation failed; returns ExitFileError.
int FileFailure();
// Resets the project and loads the file into it.
// Loads a project file into the document; false after the reason was printed.
bool Load(TDocument& document, const std::string& path);
// The exit status of a failed load (its message has been printed).
int LoadFailure();
// Says that the project has no riff of that name; ExitFileError.
int NoRiffFailure(const std::string& name, const std::string& projectPath);
// Flushes standard output; ExitFileError when it could not be written.
int FinishOutput();

// A command must not write over its own input: true (after saying so) when `output` is the same
// file as one of `inputs`, also through symbolic or hard links. Empty inputs are skipped.
bool OutputIsAnInput(const std::string& output, std::initializer_list<std::string> inputs);

// Walks a command's arguments, giving options their values.
class TArgs {
public:
    explicit TArgs(const std::vector<std::string>& args) : m_args(args) {}
    // The next argument; false at the end.
    bool Next(std::string& arg);
    // The value that follows the current option; false when there is none.
    bool Value(std::string& value);
    // The value as a whole number within low..high; false otherwise.
    bool Number(int low, int high, int& value);

private:
    const std::vector<std::string>& m_args;
    size_t m_next = 0;
};

// An argument that is no known option: the project file (once), else the problem with it.
std::string TakeProjectArgument(const std::string& arg, std::string& project);

// Pictures, fonts and PDF pages need a GUI application object; without a display it draws
// offscreen. Call before the application object is made. Also keeps Qt's notes about the
// runtime folder, which concern no file the tool reads or writes, off standard error.
void ChooseHeadlessPlatform();

// Index of the riff named `name` (letter case ignored); -1 when no riff has that name.
int FindRiff(const TProject& project, const std::string& name);

} // namespace zel::cli
