// zelvane-cli export-png: a riff drawn as staff and tab into a PNG picture.

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "riff_image.h"

namespace zel::cli {

namespace {

int RunExportPng(const TInvocation& call) {
    TDocument document;
    const TProject& project = document.Project();
    if (!Load(document, call.Positional[0]))
        return LoadFailure();
    int riff = ChosenRiff(call, project);
    if (riff < 0)
        return ExitUsage;
    // Ready before drawing, so an output that cannot be written is reported first.
    const std::string& out = call.Text("--output");
    auto file = TDataFile::OpenForWriting(out);
    if (!file)
        return FileFailure();

    ChooseHeadlessPlatform();
    QGuiApplication app(call.Argc, call.Argv);
    QString error;
    QImage image = RenderRiffImage(
        project.Riffs[size_t(riff)],
        {call.Number("--width", 1200), call.Number("--font-height", 13), call.Has("--smooth")},
        error);
    if (image.isNull()) {
        std::cerr << "zelvane-cli: " << error.toStdString() << '\n';
        return ExitFileError;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        std::cerr << "zelvane-cli: the picture could not be encoded as PNG\n";
        return ExitFileError;
    }
    file->WriteBytes(std::string_view(png.constData(), size_t(png.size())));
    if (!file->Commit())
        return FileFailure();
    std::cout << "Wrote " << out << " (" << image.width() << " x " << image.height()
              << " pixels)\n";
    return FinishOutput();
}

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

} // namespace

extern const TCommand ExportPngCommand = {
    .Name = "export-png",
    .Summary = "draw a riff as staff and tab into a PNG picture",
    .Description = "Draws a riff as staff and tab into a PNG picture, its bands one below "
                   "another the way a printed page wraps them. Runs without a display.",
    .Options = ExportPngOptions,
    .Run = RunExportPng,
};

} // namespace zel::cli
