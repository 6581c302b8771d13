// zelvane-cli export-wav (and play): render the song or riffs as the editor's play commands do.
#pragma once

#include <string>
#include <vector>

#include <functional>
#include <optional>

#include "document/document.h"
#include "sound/sequencer.h"

namespace zel::cli {

extern const char* const ExportWavHelp;
int RunExportWav(const std::vector<std::string>& args, const std::string& argv0);

// What export-wav and play render.
struct TRenderOptions {
    std::string Project, Out, Riff;
    int FromRow = 0, FromNote = 0, Instrument = 0, Master = -1;
    bool Once = false, AllRiffs = false;
};
// Empty text, or the problem with the arguments. `needOut`: -o is required.
std::string ParseRenderOptions(const std::vector<std::string>& args, TRenderOptions& options,
                               bool needOut);

// The start of export-wav and play: the arguments read, the project loaded, the riff checked.
// Returns an exit status when the command cannot go on.
std::optional<int> PrepareRender(const std::vector<std::string>& args, bool needOut,
                                 const std::string& command, const char* help,
                                 TRenderOptions& options, TDocument& document);

struct TRenderOutcome {
    TSharedBuffer Buffer;
    std::string Error; // with markup
    std::string Status;
};
// Loads nothing: renders the loaded project as the options say. `startPlayback` (optional)
// receives a song's buffer after its first row; `progress` (optional) is told about rows.
TRenderOutcome RenderForOptions(const TProject& project, const TRenderOptions& options,
                                const std::string& argv0, TProgress* progress,
                                const std::function<void(const TSharedBuffer&)>& startPlayback);

} // namespace zel::cli
