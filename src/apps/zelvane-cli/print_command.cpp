#include "print_command.h"

#include <QGuiApplication>
#include <filesystem>
#include <iostream>

#include "cli_common.h"
#include "model/ansi_text.h"
#include "model/datafile.h"
#include "page_printer.h"

namespace zel::cli {

const char* const PrintHelp =
    "Usage: zelvane-cli print PROJECT.zvp -o OUT.pdf [--arrangement] [--riff NAME | --all-riffs]\n"
    "                  [--landscape] [--font-size N] [--page-size A4|Letter]\n"
    "                  [--resolution DPI]\n"
    "\n"
    "Prints sections of a project into a PDF file, as File > Print does: every page starts\n"
    "with the project's name; riffs are wrapped into bands across the page. At least one\n"
    "section is needed. Runs without a display.\n"
    "\n"
    "  -o OUT.pdf          the PDF file to write\n"
    "  --arrangement       the song structure as a table, followed by the notes\n"
    "  --riff NAME         one riff (letter case ignored), as \"Current Riff\" prints it\n"
    "  --all-riffs         every riff named in the arrangement, each once\n"
    "  --landscape         landscape pages (default portrait)\n"
    "  --font-size N       print font size in points, 4 to 32 (default 8); every printed\n"
    "                      size follows it\n"
    "  --page-size SIZE    A4 or Letter (default A4)\n"
    "  --resolution DPI    dots per inch of the page layout, 72 to 2400 (default 600)\n";

namespace {

struct TPrintOptions {
    std::string Project;
    std::string Out;
    std::string Riff;
    bool Arrangement = false;
    bool AllRiffs = false;
    bool Landscape = false;
    int FontSize = 8;
    bool Letter = false;
    int Resolution = 600;
};

std::string ParsePrintOptions(const std::vector<std::string>& args, TPrintOptions& o) {
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "-o" || arg == "--output") {
            if (!walk.Value(o.Out) || o.Out.empty())
                return arg + " needs a file";
        } else if (arg == "--arrangement") {
            o.Arrangement = true;
        } else if (arg == "--riff") {
            if (!walk.Value(o.Riff) || o.Riff.empty())
                return "--riff needs a riff name";
        } else if (arg == "--all-riffs") {
            o.AllRiffs = true;
        } else if (arg == "--landscape") {
            o.Landscape = true;
        } else if (arg == "--font-size") {
            if (!walk.Number(4, 32, o.FontSize))
                return "--font-size needs a number of points from 4 to 32";
        } else if (arg == "--page-size") {
            std::string size;
            if (!walk.Value(size) || !(SameTextAnsi(size, "A4") || SameTextAnsi(size, "Letter")))
                return "--page-size takes A4 or Letter";
            o.Letter = SameTextAnsi(size, "Letter");
        } else if (arg == "--resolution") {
            if (!walk.Number(72, 2400, o.Resolution))
                return "--resolution needs a number of dots per inch from 72 to 2400";
        } else if (std::string problem = TakeProjectArgument(arg, o.Project); !problem.empty()) {
            return problem;
        }
    }
    if (o.Project.empty())
        return "a project file is needed";
    if (o.Out.empty())
        return "print needs -o OUT.pdf";
    if (!o.Riff.empty() && o.AllRiffs)
        return "--riff and --all-riffs exclude each other";
    if (!o.Arrangement && o.Riff.empty() && !o.AllRiffs)
        return "print needs a section: --arrangement, --riff NAME or --all-riffs";
    return {};
}

} // namespace

int RunPrint(const std::vector<std::string>& args, int argc, char** argv) {
    if (WantsHelp(args)) {
        std::cout << PrintHelp;
        return FinishOutput();
    }
    TPrintOptions options;
    std::string problem = ParsePrintOptions(args, options);
    if (!problem.empty())
        return Usage(problem, PrintHelp);

    TDocument document;
    const TProject& project = document.Project();
    if (!Load(document, options.Project))
        return LoadFailure();
    TPrintRequest request;
    if (!options.Riff.empty()) {
        request.CurrentRiff = FindRiff(project, options.Riff);
        if (request.CurrentRiff < 0)
            return NoRiffFailure(options.Riff, options.Project);
    }
    if (OutputIsAnInput(options.Out, {options.Project}))
        return ExitUsage;
    // An output that cannot be written is reported before the pages are laid out.
    if (!TDataFile::OpenForWriting(options.Out))
        return FileFailure();
    request.Sections = {options.Arrangement, !options.Riff.empty(), options.AllRiffs};
    request.FontPoints = options.FontSize;

    ChooseHeadlessPlatform();
    QGuiApplication app(argc, argv);
    request.Title = QString::fromStdString(std::filesystem::path(options.Project).stem().string());
    TPdfOptions pdf;
    pdf.PageSize = QPageSize(options.Letter ? QPageSize::Letter : QPageSize::A4);
    pdf.Orientation = options.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    pdf.Resolution = options.Resolution;
    std::string error;
    int pages = 0;
    if (!WritePrintPdf(options.Out, project, request, pdf, error, &pages)) {
        std::cerr << "zelvane-cli: " << error << '\n';
        return ExitFileError;
    }
    std::cout << "Wrote " << options.Out << " (" << pages << (pages == 1 ? " page" : " pages")
              << ")\n";
    return FinishOutput();
}

} // namespace zel::cli
