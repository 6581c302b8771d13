#include "render_command.h"

#include <chrono>
#include <iostream>

#include "app/markup.h"
#include "app/settings.h"
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

namespace {

struct TOptions {
    std::string Project, Out, Riff;
    int FromRow = 0, FromNote = 0, Instrument = 0, Master = -1;
    bool Once = false, AllRiffs = false;
};

bool ReadNumber(const std::string& text, int low, int high, int& value) {
    bool digits = false;
    value = ReadLeadingInt(text, &digits);
    return digits && text.find_first_not_of("0123456789") == std::string::npos && value >= low &&
           value <= high;
}

std::string ParseOptions(const std::vector<std::string>& args, TOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string text;
        if (arg == "-o" || arg == "--output") {
            if (!value(o.Out))
                return arg + " needs a file";
        } else if (arg == "--from-row") {
            if (!value(text) || !ReadNumber(text, 1, 1 << 30, o.FromRow))
                return "--from-row needs a row number from 1";
        } else if (arg == "--from-note") {
            if (!value(text) || !ReadNumber(text, 0, 1 << 30, o.FromNote))
                return "--from-note needs a note index from 0";
        } else if (arg == "--instrument") {
            if (!value(text) || !ReadNumber(text, 0, MaxInstruments - 1, o.Instrument))
                return "--instrument needs a number from 0 to 99";
        } else if (arg == "--master") {
            if (!value(text) || !ReadNumber(text, 0, 100, o.Master))
                return "--master needs a volume from 0 to 100";
        } else if (arg == "--riff") {
            if (!value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--once") {
            o.Once = true;
        } else if (arg == "--all-riffs") {
            o.AllRiffs = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "export-wav: unknown option " + arg;
        } else if (o.Project.empty()) {
            o.Project = arg;
        } else {
            return "export-wav takes one project file";
        }
    }
    if (o.Project.empty())
        return "export-wav needs a project file";
    if (o.Out.empty())
        return "export-wav needs -o OUT.wav";
    if (!o.Riff.empty() && o.AllRiffs)
        return "--riff and --all-riffs exclude each other";
    if ((!o.Riff.empty() || o.AllRiffs) && (o.Once || o.FromRow))
        return "--once and --from-row apply to the song, not to riffs";
    if (o.FromNote && o.Riff.empty())
        return "--from-note needs --riff";
    return {};
}

// The editor's master volume from its settings file, read without changing the file.
int SettingsMaster(const std::string& argv0) {
    TSettingsStore store;
    store.INIInit(SettingsFilePath("zelvane", CurrentSettingsPlace(argv0)));
    return std::clamp(store.INIReadNum("Master", 50), 0, 100);
}

} // namespace

int RunExportWav(const std::vector<std::string>& args, const std::string& argv0) {
    if (WantsHelp(args)) {
        std::cout << ExportWavHelp;
        return FinishOutput();
    }
    TOptions options;
    std::string problem = ParseOptions(args, options);
    if (!problem.empty())
        return Usage(problem, ExportWavHelp);
    TProject project;
    if (!Load(project, options.Project))
        return FileFailure();

    TRenderer renderer;
    renderer.MasterVolume = options.Master >= 0 ? options.Master : SettingsMaster(argv0);
    auto clockStart = std::chrono::steady_clock::now();
    TSharedBuffer buffer;
    std::string error;
    if (!options.Riff.empty() || options.AllRiffs) {
        int riff = 0;
        if (!options.Riff.empty()) {
            riff = project.RiffNames.Find(options.Riff);
            if (riff < 0 || riff >= project.RiffNames.RecordCount())
                return Usage("no riff named \"" + options.Riff + "\"", ExportWavHelp);
        }
        buffer = RenderRiffs(renderer, project, riff, options.FromNote, options.AllRiffs,
                             project.Instruments[size_t(options.Instrument)]);
        if (!buffer)
            error = TooLongError;
    } else {
        TSongMode mode = options.FromRow ? TSongMode::FromRow
                         : options.Once  ? TSongMode::OnceEach
                                         : TSongMode::Export;
        TSongRender song = RenderSong(renderer, project, mode, options.FromRow, nullptr, {});
        buffer = song.Buffer;
        error = song.Error;
    }
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - clockStart)
                  .count();
    if (!error.empty()) {
        std::cerr << "zelvane-cli: " << MarkupToPlainText(error) << '\n';
        return ExitFileError;
    }
    if (!WriteWavFile(options.Out, buffer->Samples)) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    std::cout << RenderStatusText(ms, int64_t(buffer->Samples.size() / 2), renderer.State.PeakLevel)
              << '\n';
    return FinishOutput();
}

} // namespace zel::cli
