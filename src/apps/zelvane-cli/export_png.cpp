// zelvane-cli export-png: a riff drawn as staff and tab into a PNG picture.

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "qt_commands.h"
#include "riff_image.h"

namespace zel::cli {

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

} // namespace zel::cli
