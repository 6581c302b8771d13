// zelvane-cli export-wav and play: render the song or riffs as the editor's play commands do.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "command_table.h"
#include "document/document.h"
#include "sound/sequencer.h"

namespace zel::cli {

// The options export-wav and play share.
inline constexpr std::array<TOption, 11> RenderOptions = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Number("--from-row", "N", 1, AnyCount, "start at structure row N, counted from 1"),
    Flag("--once", "play every riff of the structure once, ignoring repeat counts"),
    RiffOption("render one riff instead of the song (letter case ignored)"),
    Number("--from-note", "K", 0, AnyCount, "with --riff: start at note K (counted from 0)"),
    Flag("--all-riffs", "render every riff, one after another"),
    Number("--instrument", "N", 0, 99,
           "instrument for --riff and --all-riffs, counted from 0 (default 0)"),
    Number("--master", "V", 0, 100,
           "master volume 0..100 (default: the editor's setting, else 50)"),
    Number("--speed", "PCT", 25, 200,
           "playback speed 25..200 per cent (default 100): the notes keep their pitch"),
    Flag("--count-in", "one bar of clicks in the first riff's time signature before the music"),
    Flag("--metronome", "a click on every beat, the first beat of each bar accented"),
};

// The rules between the song and riff options (--riff or --all-riffs, --once or --from-row).
std::string CheckSongOrRiffs(const TInvocation& call);

// The start of export-wav and play: the project loaded, the riff and row checked. Returns an
// exit status when the command cannot go on.
std::optional<int> PrepareRender(const TInvocation& call, TDocument& document);

struct TRenderOutcome {
    TSharedBuffer Buffer;
    std::string Error; // with markup
    std::string Status;
};
// Renders the loaded project as the options say. `startPlayback` (optional) receives a song's
// buffer after its first row; `progress` (optional) is told about rows.
TRenderOutcome RenderForOptions(const TProject& project, const TInvocation& call,
                                TProgress* progress,
                                const std::function<void(const TSharedBuffer&)>& startPlayback);

// The master volume of --master, else the editor's setting, else 50.
int MasterVolumeFor(const TInvocation& call);

} // namespace zel::cli
