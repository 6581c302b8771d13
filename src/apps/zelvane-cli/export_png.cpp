#include "export_png.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "riff_image.h"

namespace zel::cli {

const char* const ExportPngHelp =
    "Usage: zelvane-cli export-png PROJECT.zvp --riff NAME -o OUT.png [--width PX]\n"
    "                  [--font-height PX] [--smooth]\n"
    "\n"
    "Draws a riff as staff and tab into a PNG picture, its bands one below another the way a\n"
    "printed page wraps them. Runs without a display.\n"
    "\n"
    "  --riff NAME         the riff to draw (letter case ignored)\n"
    "  -o OUT.png          the picture to write\n"
    "  --width PX          width of the picture (default 1200)\n"
    "  --font-height PX    height of the font the layout derives from (default 13, as on\n"
    "                      the screen)\n"
    "  --smooth            antialiased edges on note heads, beams, ties and rests; every\n"
    "                      element keeps its place and size (default: the exact picture,\n"
    "                      every shape on whole pixels)\n";

namespace {

struct TPngOptions {
    std::string Project;
    std::string Riff;
    std::string Out;
    int Width = 1200;
    int FontHeight = 13;
    bool Smooth = false;
};

std::string ParsePngOptions(const std::vector<std::string>& args, TPngOptions& o) {
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(o.Out) || o.Out.empty())
                return arg + " needs a file";
        } else if (arg == "--riff") {
            if (!walk.Value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--width") {
            if (!walk.Number(16, MaxRiffImageWidth, o.Width))
                return "--width needs a number of pixels from 16 to " +
                       std::to_string(MaxRiffImageWidth);
        } else if (arg == "--font-height") {
            if (!walk.Number(6, 200, o.FontHeight))
                return "--font-height needs a number of pixels from 6 to 200";
        } else if (arg == "--smooth") {
            o.Smooth = true;
        } else if (std::string problem = TakeProjectArgument(arg, o.Project); !problem.empty()) {
            return problem;
        }
    }
    if (o.Project.empty())
        return "a project file is needed";
    if (o.Riff.empty())
        return "export-png needs --riff NAME";
    if (o.Out.empty())
        return "export-png needs -o OUT.png";
    return {};
}

} // namespace

int RunExportPng(const std::vector<std::string>& args, int argc, char** argv) {
    if (WantsHelp(args)) {
        std::cout << ExportPngHelp;
        return FinishOutput();
    }
    TPngOptions options;
    std::string problem = ParsePngOptions(args, options);
    if (!problem.empty())
        return Usage(problem, ExportPngHelp);

    TDocument document;
    const TProject& project = document.Project();
    if (!Load(document, options.Project))
        return LoadFailure();
    int riff = FindRiff(project, options.Riff);
    if (riff < 0)
        return NoRiffFailure(options.Riff, options.Project);
    if (OutputIsAnInput(options.Out, {options.Project}))
        return ExitUsage;
    // Ready before drawing, so an output that cannot be written is reported first.
    auto file = TDataFile::OpenForWriting(options.Out);
    if (!file)
        return FileFailure();

    ChooseHeadlessPlatform();
    QGuiApplication app(argc, argv);
    QString error;
    QImage image = RenderRiffImage(project.Riffs[size_t(riff)],
                                   {options.Width, options.FontHeight, options.Smooth}, error);
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
    std::cout << "Wrote " << options.Out << " (" << image.width() << " x " << image.height()
              << " pixels)\n";
    return FinishOutput();
}

} // namespace zel::cli
