// zelvane-cli preview: the instruments window's preview of one instrument as a WAV file, and
// its plot as a PNG picture.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "qt_commands.h"
#include "sound/playbuffer.h"
#include "sound/sequencer.h"
#include "wave_plot_paint.h"

namespace zel::cli {

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

} // namespace zel::cli
