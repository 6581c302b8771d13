// zelvane-cli print: sections of a project as PDF pages, as File > Print prints them.

#include <QGuiApplication>
#include <filesystem>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "page_printer.h"
#include "qt_commands.h"

namespace zel::cli {

int RunPrint(const TInvocation& call) {
    TDocument document;
    const TProject& project = document.Project();
    const std::string& path = call.Positional[0];
    const std::string& out = call.Text("--output");
    if (!Load(document, path))
        return LoadFailure();
    TPrintRequest request;
    if (call.Has("--riff")) {
        request.CurrentRiff = ChosenRiff(call, project);
        if (request.CurrentRiff < 0)
            return ExitUsage;
    }
    // An output that cannot be written is reported before the pages are laid out.
    if (!TDataFile::OpenForWriting(out))
        return FileFailure();
    request.Sections = {call.Has("--arrangement"), call.Has("--riff"), call.Has("--all-riffs")};
    request.FontPoints = call.Number("--font-size", 8);

    ChooseHeadlessPlatform();
    QGuiApplication app(call.Argc, call.Argv);
    request.Title = QString::fromStdString(std::filesystem::path(path).stem().string());
    TPdfOptions pdf;
    pdf.PageSize =
        QPageSize(call.Text("--page-size") == "Letter" ? QPageSize::Letter : QPageSize::A4);
    pdf.Orientation = call.Has("--landscape") ? QPageLayout::Landscape : QPageLayout::Portrait;
    pdf.Resolution = call.Number("--resolution", 600);
    std::string error;
    int pages = 0;
    if (!WritePrintPdf(out, project, request, pdf, error, &pages)) {
        std::cerr << "zelvane-cli: " << error << '\n';
        return ExitFileError;
    }
    std::cout << "Wrote " << out << " (" << pages << (pages == 1 ? " page" : " pages") << ")\n";
    return FinishOutput();
}

} // namespace zel::cli
