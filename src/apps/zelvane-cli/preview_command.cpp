// zelvane-cli preview: the instruments window's preview of one instrument as a WAV file, and
// its plot as a PNG picture.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "sound/playbuffer.h"
#include "sound/sequencer.h"
#include "wave_plot_paint.h"

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
               " pixels wide; choose a larger "
               "--x-scale or a smaller --height";
    return {};
}

int RunPreview(const TInvocation& call) {
    TDocument document;
    const std::string& path = call.Positional[0];
    if (!Load(document, path))
        return LoadFailure();
    const TProject& project = document.Project();
    int index = call.Number("--instrument", 0);
    if (index >= project.InstrumentNames.RecordCount()) {
        std::cerr << "zelvane-cli: " << path << " has no instrument " << index << " (it has "
                  << project.InstrumentNames.RecordCount() << ", counted from 0); nothing was "
                  << "written\n";
        return ExitFileError;
    }
    // Both outputs are made ready before the render, so a folder that cannot take them is
    // reported first and neither is written without the other.
    auto wav = TDataFile::OpenForWriting(call.Text("--output"));
    if (!wav)
        return FileFailure();
    std::unique_ptr<TDataFile> png;
    if (call.Has("--plot") && !(png = TDataFile::OpenForWriting(call.Text("--plot"))))
        return FileFailure();

    TRenderer renderer;
    renderer.MasterVolume = call.Number("--master", 50);
    TSharedBuffer buffer = RenderInstrumentPreview(renderer, call.Number("--duration", 1024),
                                                   project.Instruments[size_t(index)]);
    if (png) {
        ChooseHeadlessPlatform();
        QGuiApplication app(call.Argc, call.Argv);
        const std::vector<int16_t> samples(buffer->Samples().begin(), buffer->Samples().end());
        QImage image = WavePlotImage(samples,
                                     {call.Number("--x-scale", PlotStartHorizontalScale),
                                      call.Number("--y-scale", PlotStartVerticalScale)},
                                     call.Number("--height", 256));
        QByteArray bytes;
        QBuffer device(&bytes);
        device.open(QIODevice::WriteOnly);
        if (image.isNull() || !image.save(&device, "PNG")) {
            std::cerr << "zelvane-cli: the plot could not be drawn as a PNG picture\n";
            return ExitFileError;
        }
        png->WriteBytes(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    if (!WriteWavFile(*wav, buffer->Samples()) || (png && !png->Commit()))
        return FileFailure();
    std::cout << "Wrote " << call.Text("--output");
    if (png)
        std::cout << " and " << call.Text("--plot");
    std::cout << " (instrument " << index << " \"" << project.InstrumentNames[index] << "\", level "
              << int64_t(renderer.State.PeakLevel) * 100 / 32767 << "%)\n";
    return FinishOutput();
}

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

} // namespace

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

} // namespace zel::cli
