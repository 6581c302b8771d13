// The table entries of the commands that need the window system's libraries: pictures, PDF
// pages, the sound device and MIDI devices. Their run functions (qt_commands.h) live in the
// helper program zelvane-cli-qt; zelvane-cli itself hands these commands to it, so that every
// other command, the help and the completion start without loading those libraries.
#include "edit/riff_image_limits.h"
#include "qt_commands.h"
#include "render_command.h"
#include "sound/notebuffer.h"
#include "sound/wave_plot_math.h"

namespace zel::cli {

namespace {

// A plot larger than this many pixels is refused rather than allocated (256 MB as RGB32).
constexpr int64_t MaxPlotPixels = int64_t(1) << 26;

// The length of the preview buffer in frames: two notes of 2048 ticks at tempo 120.
int64_t PreviewFrames() {
    return 2 * NoteSamples(120, 2048);
}

std::string CheckPreview(const TInvocation& call) {
    for (const char* option : {"--x-scale", "--y-scale", "--height"})
        if (call.Has(option) && !call.Has("--plot"))
            return std::string(option) + " needs --plot";
    int64_t width = PlotWidth(PreviewFrames(), call.Number("--x-scale", PlotStartHorizontalScale));
    if (width * call.Number("--height", 256) > MaxPlotPixels)
        return "the plot would be " + std::to_string(width) +
               " pixels wide; choose a larger --x-scale or a smaller --height";
    return {};
}

std::string CheckPrint(const TInvocation& call) {
    if (call.Has("--riff") && call.Has("--all-riffs"))
        return "--riff and --all-riffs exclude each other";
    if (!call.Has("--arrangement") && !call.Has("--riff") && !call.Has("--all-riffs"))
        return "print needs a section: --arrangement, --riff NAME or --all-riffs";
    return {};
}

} // namespace

// Option lists at namespace scope are constants of this file alone.
constexpr std::string_view PlaySynopsis[] = {
    "PROJECT.zvp [--from-row N] [--once]",
    "PROJECT.zvp --riff NAME [--from-note K]",
    "PROJECT.zvp --all-riffs [--instrument N] [--master V]",
};

extern const TCommand PlayCommand = {
    .Name = "play",
    .Summary = "render and play through the sound device",
    .Synopsis = PlaySynopsis,
    .Description = "Renders like export-wav and plays through the sound device, waiting until "
                   "the end; Ctrl+C stops. A song starts playing after its first row while the "
                   "rest is rendered.",
    .Options = RenderOptions,
    .Check = CheckSongOrRiffs,
    .Run = RunPlay,
    .Notes = "Exit status 1 when there is no sound output.",
};

constexpr TOption PreviewOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Number("--instrument", "N", 0, 99, "the instrument, counted from 0 (default 0)"),
    Number("--duration", "TICKS", 1, 8192,
           "how long the key is held, 1024 ticks to a whole note (default 1024, two seconds)"),
    Output("OUT.wav", "the WAV file to write"),
    Value("--plot", TKind::OutputFile, "OUT.png", "also write the plot of the preview"),
    Number("--x-scale", "S", PlotScaleMin, PlotScaleMax,
           "frames per pixel of the plot (default 8)"),
    Number("--y-scale", "S", PlotScaleMin, PlotScaleMax,
           "vertical scale of the plot; 128 shows the whole 16-bit range (default 128)"),
    Number("--height", "PX", 16, 4096, "height of the plot in pixels (default 256)"),
    Number("--master", "V", 0, 100, "master volume 0..100 (default 50)"),
};
constexpr std::string_view PreviewSynopsis[] = {
    "PROJECT.zvp [--instrument N] [--duration TICKS] -o OUT.wav [--plot OUT.png [--x-scale S] "
    "[--y-scale S] [--height PX]] [--master V]",
};

extern const TCommand PreviewCommand = {
    .Name = "preview",
    .Summary = "an instrument's preview note as a WAV file and its plot as a PNG picture",
    .Synopsis = PreviewSynopsis,
    .Description =
        "Writes what the instruments window's Preview plays: pitch 0 (middle C, 261.63 Hz) held "
        "for the duration at tempo 120, in a buffer of eight seconds so that a long release is "
        "heard whole, as a 16-bit stereo 44100 Hz WAV file. With --plot also the plot the window "
        "paints of it: the left channel in blue and the right in red over a dark green grid.",
    .Options = PreviewOptions,
    .Check = CheckPreview,
    .Run = RunPreview,
    .Notes = "Exit status 1, and nothing written, when the project has no such instrument.",
};

constexpr TOption ExportPngOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    {.Name = "--riff",
     .Kind = TKind::Text,
     .Meta = "NAME",
     .Help = "the riff to draw (letter case ignored)",
     .Required = true},
    Output("OUT.png", "the picture to write"),
    Number("--width", "PX", 16, MaxRiffImageWidth, "width of the picture (default 1200)"),
    Number("--font-height", "PX", 6, 200,
           "height of the font the layout derives from (default 13, as on the screen)"),
    Flag("--smooth", "antialiased edges on note heads, beams, ties and rests; every element "
                     "keeps its place and size (default: the exact picture, every shape on "
                     "whole pixels)"),
};

extern const TCommand ExportPngCommand = {
    .Name = "export-png",
    .Summary = "draw a riff as staff and tab into a PNG picture",
    .Description = "Draws a riff as staff and tab into a PNG picture, its bands one below "
                   "another the way a printed page wraps them. Runs without a display.",
    .Options = ExportPngOptions,
    .Run = RunExportPng,
};

constexpr TOption PrintOptions[] = {
    Argument("PROJECT.zvp", TKind::InputFile, "the project"),
    Output("OUT.pdf", "the PDF file to write"),
    Flag("--arrangement", "the song structure as a table, followed by the notes"),
    RiffOption("one riff (letter case ignored), as \"Current Riff\" prints it"),
    Flag("--all-riffs", "every riff named in the arrangement, each once"),
    Flag("--landscape", "landscape pages (default portrait)"),
    Number("--font-size", "N", 4, 32,
           "print font size in points, 4 to 32 (default 8); every printed size follows it"),
    Value("--page-size", TKind::Choice, "A4|Letter", "A4 or Letter (default A4)"),
    Number("--resolution", "DPI", 72, 2400,
           "dots per inch of the page layout, 72 to 2400 (default 600)"),
};
constexpr std::string_view PrintSynopsis[] = {
    "PROJECT.zvp -o OUT.pdf [--arrangement] [--riff NAME | --all-riffs] [--landscape] "
    "[--font-size N] [--page-size A4|Letter] [--resolution DPI]",
};

extern const TCommand PrintCommand = {
    .Name = "print",
    .Summary = "print the arrangement, notes and riffs into a PDF file",
    .Synopsis = PrintSynopsis,
    .Description = "Prints sections of a project into a PDF file, as File > Print does: every "
                   "page starts with the project's name; riffs are wrapped into bands across the "
                   "page. At least one section is needed. Runs without a display.",
    .Options = PrintOptions,
    .Check = CheckPrint,
    .Run = RunPrint,
};

constexpr TOption MidiDevicesOptions[] = {
    Flag("--json", "print {\"inputs\": [{\"index\": 0, \"name\": ...}], \"outputs\": [...]}"),
};

constexpr TOption MidiMonitorOptions[] = {
    // Any whole number: an index outside the list is the device layer's error.
    {.Name = "--device",
     .Kind = TKind::Number,
     .Meta = "N",
     .Help = "the input device's index",
     .Low = -1000000,
     .High = 1000000,
     .Required = true},
    Number("--seconds", "S", 1, 86400,
           "stop after S seconds (1..86400); without it, run until interrupted"),
};

extern const TCommand MidiDevicesCommand = {
    .Name = "midi-devices",
    .Summary = "list the MIDI input and output devices",
    .Description = "Lists the MIDI input and output devices the editor sees (ALSA sequencer "
                   "ports and JACK ports), with the index each has in the editor's MIDI Input "
                   "list. Without a MIDI service both lists are empty.",
    .Options = MidiDevicesOptions,
    .Run = RunMidiDevices,
};

extern const TCommand MidiMonitorCommand = {
    .Name = "midi-monitor",
    .Summary = "print the messages a MIDI input device sends",
    .Description = "Opens input device N (see midi-devices) and prints each message it receives "
                   "as \"SECONDS  STATUS DATA1 DATA2\" in hexadecimal, seconds counted from the "
                   "start. Malformed messages and SysEx are not shown.",
    .Options = MidiMonitorOptions,
    .Run = RunMidiMonitor,
};

} // namespace zel::cli
