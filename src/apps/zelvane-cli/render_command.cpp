#include "render_command.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>

#include "app/settings.h"
#include "arrange/loop_plan.h"
#include "arrange/practice.h"
#include "base/markup.h"
#include "cli_common.h"
#include "model/datafile.h"
#include "sound/audio_file.h"
#include "sound/playbuffer.h"

namespace zel::cli {

std::string CheckSongOrRiffs(const TInvocation& call) {
    bool riffs = call.Has("--riff") || call.Has("--all-riffs");
    if (call.Has("--riff") && call.Has("--all-riffs"))
        return "--riff and --all-riffs exclude each other";
    if (riffs && (call.Has("--once") || call.Has("--from-row")))
        return "--once and --from-row apply to the song, not to riffs";
    if (call.Has("--from-row") && call.Has("--once"))
        return "--from-row and --once exclude each other";
    if (call.Has("--from-note") && !call.Has("--riff"))
        return "--from-note needs --riff";
    if ((call.Has("--count-in") || call.Has("--metronome")) &&
        (call.Has("--all-riffs") || call.Has("--once")))
        return "--count-in and --metronome go with the song or --riff, not with --all-riffs or "
               "--once";
    return {};
}

int MasterVolumeFor(const TInvocation& call) {
    if (call.Has("--master"))
        return call.Number("--master", 50);
    // The editor's master volume from its settings file, read without changing the file.
    TSettingsStore store;
    store.INIInit(SettingsFilePath("zelvane", CurrentSettingsPlace(call.Argv[0])));
    return std::clamp(store.INIReadNum("Master", 50), 0, 100);
}

TRenderOutcome RenderForOptions(const TProject& loaded, const TInvocation& call,
                                TProgress* progress,
                                const std::function<void(const TSharedBuffer&)>& startPlayback) {
    // Another speed: the riffs at scaled tempos, in a copy.
    std::unique_ptr<TProject> scaled;
    if (call.Number("--speed", 100) != 100) {
        scaled = std::make_unique<TProject>(loaded);
        ScaleTempos(*scaled, call.Number("--speed", 100));
    }
    const TProject& project = scaled ? *scaled : loaded;
    TRenderOutcome outcome;
    TRenderer renderer;
    renderer.MasterVolume = MasterVolumeFor(call);
    auto clockStart = std::chrono::steady_clock::now();
    if (call.Has("--count-in") || call.Has("--metronome")) {
        // The clicks play in a column of their own beside the music.
        int speed = call.Number("--speed", 100);
        TLoopPlan plan =
            call.Has("--riff")
                ? RiffPlan(loaded, std::max(ChosenRiff(call, loaded), 0),
                           call.Number("--from-note", 0), call.Number("--instrument", 0), speed)
                : RowsPlan(loaded, std::max(call.Number("--from-row", 1), 1), speed);
        AddClicks(plan, {call.Has("--count-in"), call.Has("--metronome"), 20});
        if (plan.Error.empty()) {
            TSongRender song = RenderSong(renderer, plan.Project,
                                          startPlayback ? TSongMode::All : TSongMode::Export, 0,
                                          progress, startPlayback);
            outcome.Buffer = song.Buffer;
            outcome.Error = song.Error;
        } else {
            outcome.Error = plan.Error;
        }
    } else if (call.Has("--riff") || call.Has("--all-riffs")) {
        int riff = std::max(ChosenRiff(call, project), 0);
        outcome.Buffer = RenderRiffs(renderer, project, riff, call.Number("--from-note", 0),
                                     call.Has("--all-riffs"),
                                     project.Instruments[size_t(call.Number("--instrument", 0))]);
        if (!outcome.Buffer)
            outcome.Error = TooLongError;
        else if (startPlayback)
            startPlayback(outcome.Buffer);
    } else {
        int fromRow = call.Number("--from-row", 0);
        TSongMode mode = fromRow              ? TSongMode::FromRow
                         : call.Has("--once") ? TSongMode::OnceEach
                         : startPlayback      ? TSongMode::All
                                              : TSongMode::Export;
        TSongRender song = RenderSong(renderer, project, mode, fromRow, progress, startPlayback);
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

std::optional<int> PrepareRender(const TInvocation& call, TDocument& document) {
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    if (ChosenRiff(call, document.Project()) < 0 || RowMissing(call, document.Project()))
        return ExitUsage;
    return std::nullopt;
}

namespace {

int RunExportWav(const TInvocation& call) {
    TDocument document;
    if (auto status = PrepareRender(call, document))
        return *status;
    // The output is made ready before a render that may take minutes: a folder that is missing
    // or read-only is reported at once. Until it is committed it is only a temporary file.
    const std::string& out = call.Text("--output");
    auto file = TDataFile::OpenForWriting(out);
    if (!file) {
        std::cerr << "zelvane-cli: Failed to Save File\n";
        return FileFailure();
    }
    // The extension picks the format; any other name gets a WAV file, as it always did. A WAV
    // file is written while the song renders.
    TAudioFormat format = AudioFormatForPath(out).value_or(TAudioFormat::Wav);
    std::unique_ptr<TWavFollower> wav;
    std::function<void(const TSharedBuffer&)> startWav;
    if (format == TAudioFormat::Wav)
        startWav = [&](const TSharedBuffer& buffer) {
            wav = std::make_unique<TWavFollower>(std::move(file), buffer);
        };
    TRenderOutcome outcome = RenderForOptions(document.Project(), call, nullptr, startWav);
    if (!outcome.Error.empty()) {
        std::cerr << "zelvane-cli: " << MarkupToPlainText(outcome.Error) << '\n';
        return ExitFileError;
    }
    std::string error;
    if (wav ? !wav->Finish()
            : !WriteAudioFile(*file, format, outcome.Buffer->Samples(),
                              call.Number("--quality", DefaultAudioQuality), error)) {
        std::cerr << "zelvane-cli: Failed to Save File" << (error.empty() ? "" : ": ") << error
                  << '\n';
        return FileFailure();
    }
    std::cout << outcome.Status << '\n';
    return FinishOutput();
}

constexpr auto ExportWavOptions =
    Join(std::array{Output("OUT.wav", "the audio file to write, its format by the extension: .wav, "
                                      ".flac, .ogg, .opus or .mp3 (any other: WAV); it is replaced "
                                      "only when complete"),
                    Number("--quality", "Q", MinAudioQuality, MaxAudioQuality,
                           "for .ogg, .opus and .mp3: 0 (smallest file) to 10 (best sound), "
                           "default 7")},
         RenderOptions);
constexpr std::string_view ExportWavSynopsis[] = {
    "PROJECT.zvp -o OUT.wav [--from-row N] [--once]",
    "PROJECT.zvp -o OUT.wav --riff NAME [--from-note K]",
    "PROJECT.zvp -o OUT.wav --all-riffs [--instrument N] [--master V]",
    "PROJECT.zvp -o OUT.flac|OUT.ogg|OUT.opus|OUT.mp3 [--quality Q] ...",
};

} // namespace

extern const TCommand ExportWavCommand = {
    .Name = "export-wav",
    .Summary = "render the song (or riffs) into a WAV, FLAC, Ogg Vorbis, Opus or MP3 file",
    .Synopsis = ExportWavSynopsis,
    .Description = "Renders the song structure (like \"Export WAV...\") into a 16-bit stereo "
                   "44100 Hz WAV file, or (like \"Export Audio...\") into a FLAC file of the "
                   "same samples, or an Ogg Vorbis, Opus (48000 Hz) or MP3 file.",
    .Options = ExportWavOptions,
    .Check = CheckSongOrRiffs,
    .Run = RunExportWav,
    .Notes = "The last line printed is the render status: render time, play time and peak "
             "level.",
};

} // namespace zel::cli
