// zelvane-cli print: sections of a project as PDF pages, as File > Print prints them.

#include <QGuiApplication>
#include <filesystem>
#include <iostream>

#include "cli_common.h"
#include "model/datafile.h"
#include "page_printer.h"

namespace zel::cli {

namespace {

std::string CheckPrint(const TInvocation& call) {
    if (call.Has("--riff") && call.Has("--all-riffs"))
        return "--riff and --all-riffs exclude each other";
    if (!call.Has("--arrangement") && !call.Has("--riff") && !call.Has("--all-riffs"))
        return "print needs a section: --arrangement, --riff NAME or --all-riffs";
    return {};
}

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

} // namespace

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

} // namespace zel::cli
