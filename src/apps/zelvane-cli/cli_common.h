// Helpers shared by the commands of zelvane-cli: exit codes, usage errors, loading projects.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/message_service.h"
#include "command_table.h"
#include "document/document.h"
#include "model/song.h"

namespace zel::cli {

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

// Prints why the last file operation failed; returns ExitFileError.
int FileFailure();
// Resets the project and loads the file into it.
// Loads a project file into the document; false after the reason was printed.
bool Load(TDocument& document, const std::string& path);
// The exit status of a failed load (its message has been printed).
int LoadFailure();
// Says that the project has no riff of that name; ExitUsage.
int UnknownRiff(const std::string& name, const std::string& projectPath);
// The riff named by --riff, or -1 after saying that there is none (the exit status is then
// ExitUsage). Without --riff: `fallback`.
int ChosenRiff(const TInvocation& invocation, const TProject& project, int fallback = 0);
// --from-row past the song's last row: says "Row N does not exist (the song has M rows)" and
// returns true (the exit status is then ExitUsage).
bool RowMissing(const TInvocation& invocation, const TProject& project);
// Flushes standard output; ExitFileError when it could not be written.
int FinishOutput();

// Index of the riff named `name` (letter case ignored); -1 when no riff has that name.
int FindRiff(const TProject& project, const std::string& name);

} // namespace zel::cli
