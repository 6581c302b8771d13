#include "render_command.h"

#include <chrono>
#include <iostream>

#include "app/settings.h"
#include "base/markup.h"
#include "cli_common.h"
#include "model/datafile.h"
#include "model/text_fields.h"
#include "sound/playbuffer.h"

namespace zel::cli {

const char* const ExportWavHelp =
    "Usage: zelvane-cli export-wav PROJECT.zvp -o OUT.wav [--from-row N] [--once]\n"
    "       zelvane-cli export-wav PROJECT.zvp -o OUT.wav --riff NAME [--from-note K]\n"
    "       zelvane-cli export-wav PROJECT.zvp -o OUT.wav --all-riffs\n"
    "                  [--instrument N] [--master V]\n"
    "\n"
    "Renders the song structure (like \"Export WAV...\") into a 16-bit stereo 44100 Hz WAV file.\n"
    "\n"
    "  --from-row N    start at structure row N, counted from 1\n"
    "  --once          play every riff of the structure once, ignoring repeat counts\n"
    "  --riff NAME     render one riff instead of the song\n"
    "  --from-note K   with --riff: start at note K (counted from 0)\n"
    "  --all-riffs     render every riff, one after another\n"
    "  --instrument N  instrument for --riff and --all-riffs, counted from 0 (default 0)\n"
    "  --master V      master volume 0..100 (default: the editor's setting, else 50)\n"
    "\n"
    "The last line printed is the render status: render time, play time and peak level.\n";

std::string ParseRenderOptions(const std::vector<std::string>& args, TRenderOptions& o,
                               bool needOut) {
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(o.Out))
                return arg + " needs a file";
        } else if (arg == "--from-row") {
            if (!walk.Number(1, 1 << 30, o.FromRow))
                return "--from-row needs a row number from 1";
        } else if (arg == "--from-note") {
            if (!walk.Number(0, 1 << 30, o.FromNote))
                return "--from-note needs a note index from 0";
        } else if (arg == "--instrument") {
            if (!walk.Number(0, MaxInstruments - 1, o.Instrument))
                return "--instrument needs a number from 0 to 99";
        } else if (arg == "--master") {
            if (!walk.Number(0, 100, o.Master))
                return "--master needs a volume from 0 to 100";
        } else if (arg == "--riff") {
            if (!walk.Value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--once") {
            o.Once = true;
        } else if (arg == "--all-riffs") {
            o.AllRiffs = true;
        } else if (std::string problem = TakeProjectArgument(arg, o.Project); !problem.empty()) {
            return problem;
        }
    }
    if (o.Project.empty())
        return "a project file is needed";
    if (needOut && o.Out.empty())
        return "export-wav needs -o OUT.wav";
    if (!needOut && !o.Out.empty())
        return "play writes no file: -o is for export-wav";
    if (!o.Riff.empty() && o.AllRiffs)
        return "--riff and --all-riffs exclude each other";
    if ((!o.Riff.empty() || o.AllRiffs) && (o.Once || o.FromRow))
        return "--once and --from-row apply to the song, not to riffs";
    if (o.FromRow && o.Once)
        return "--from-row and --once exclude each other";
    if (o.FromNote && o.Riff.empty())
        return "--from-note needs --riff";
    return {};
}

namespace {

// The editor's master volume from its settings file, read without changing the file.
int SettingsMaster(const std::string& argv0) {
    TSettingsStore store;
    store.INIInit(SettingsFilePath("zelvane", CurrentSettingsPlace(argv0)));
    return std::clamp(store.INIReadNum("Master", 50), 0, 100);
}

} // namespace

TRenderOutcome RenderForOptions(const TProject& project, const TRenderOptions& options,
                                const std::string& argv0, TProgress* progress,
                                const std::function<void(const TSharedBuffer&)>& startPlayback) {
    TRenderOutcome outcome;
    TRenderer renderer;
    renderer.MasterVolume = options.Master >= 0 ? options.Master : SettingsMaster(argv0);
    auto clockStart = std::chrono::steady_clock::now();
    if (!options.Riff.empty() || options.AllRiffs) {
        int riff = options.Riff.empty() ? 0 : std::max(FindRiff(project, options.Riff), 0);
        outcome.Buffer = RenderRiffs(renderer, project, riff, options.FromNote, options.AllRiffs,
                                     project.Instruments[size_t(options.Instrument)]);
        if (!outcome.Buffer)
            outcome.Error = TooLongError;
        else if (startPlayback)
            startPlayback(outcome.Buffer);
    } else {
        TSongMode mode = options.FromRow ? TSongMode::FromRow
                         : options.Once  ? TSongMode::OnceEach
                         : startPlayback ? TSongMode::All
                                         : TSongMode::Export;
        TSongRender song =
            RenderSong(renderer, project, mode, options.FromRow, progress, startPlayback);
        outcome.Buffer = song.Buffer;
        outcome.Error = song.Error;
    }
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - clockStart)
                  .count();
    int64_t frames = outcome.Buffer ? int64_t(outcome.Buffer->Size() / 2) : 0;
    outcome.Status = RenderStatusText(ms, frames, renderer.State.PeakLevel);
    return outcome;
}

std::optional<int> PrepareRender(const std::vector<std::string>& args, bool needOut,
                                 const std::string& command, const char* help,
                                 TRenderOptions& options, TDocument& document) {
    std::string problem = ParseRenderOptions(args, options, needOut);
    if (!problem.empty())
        return Usage(command + ": " + problem, help);
    if (!Load(document, options.Project))
        return LoadFailure();
    if (!options.Riff.empty() && FindRiff(document.Project(), options.Riff) < 0)
        return Usage("no riff named \"" + options.Riff + "\"", help);
    return std::nullopt;
}

int RunExportWav(const std::vector<std::string>& args, const std::string& argv0) {
    if (WantsHelp(args)) {
        std::cout << ExportWavHelp;
        return FinishOutput();
    }
    TRenderOptions options;
    TDocument document;
    if (auto status = PrepareRender(args, true, "export-wav", ExportWavHelp, options, document))
        return *status;
    if (OutputIsAnInput(options.Out, {options.Project}))
        return ExitUsage;
    // The output is made ready before a render that may take minutes: a folder that is missing
    // or read-only is reported at once. Until it is committed it is only a temporary file.
    auto file = TDataFile::OpenForWriting(options.Out);
    if (!file) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    const TProject& project = document.Project();
    TRenderOutcome outcome = RenderForOptions(project, options, argv0, nullptr, {});
    if (!outcome.Error.empty()) {
        std::cerr << "zelvane-cli: " << MarkupToPlainText(outcome.Error) << '\n';
        return ExitFileError;
    }
    if (!WriteWavFile(*file, outcome.Buffer->Samples())) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    std::cout << outcome.Status << '\n';
    return FinishOutput();
}

} // namespace zel::cli
