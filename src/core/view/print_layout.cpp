#include "view/print_layout.h"

#include <algorithm>
#include <cstdlib>

#include "arrange/structure_grid.h"
#include "model/ansi_text.h"
#include "model/rtf.h"
#include "model/structure_ops.h"

namespace zel {
namespace {

constexpr uint32_t Black = 0x000000;
constexpr uint32_t GridGrey = 0x808080;

bool ContainsAnsi(std::string_view text, std::string_view part) {
    auto lower = [](char c) { return char(AnsiLower(static_cast<unsigned char>(c))); };
    auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                             [&](char a, char b) { return lower(a) == lower(b); });
    return found != text.end();
}

// One print run: the page state and the primitives every section is printed with.
class TPageRun {
public:
    TPageRun(const TProject& project, const TPrintJob& job, TPrintSurface& surface)
        : m_project(project), m_job(job), m_surface(surface), m_h(std::max(1, job.FontPixels)),
          m_page(PrintPageOf(job.PageWidth, job.PageHeight)), m_metrics(ComputeTabMetrics(m_h)) {}

    int Pages() const { return m_pages; }

    void NewPage() {
        if (m_y != 0) {
            m_surface.EjectPage();
            ++m_pages;
        }
        m_y = 0;
        PrintTitle(m_job.Title, 300, true);
        int w = m_h / 5;
        m_y += w;
        PrintLine(0, m_y, m_page.Width, m_y, Black, std::max(1, w));
        m_y += 2 * w;
        m_titlePending = true;
    }

    void PrintRiff(const TRiff& riff, const std::string& nameUtf8) {
        int noteIndex = 0;
        int64_t ticks = 0;
        m_titlePending = true;
        const int band = BandHeight(m_metrics, riff);
        for (;;) {
            int need = band + (m_titlePending ? TitleHeight(m_h) : 0);
            if (m_y + need > m_page.Height)
                NewPage();
            if (m_titlePending) {
                m_titlePending = false;
                PrintTitle(nameUtf8, 200, true);
            }
            const int before = noteIndex;
            m_surface.RiffBand(riff, m_metrics, noteIndex, ticks, m_page.Margin,
                               m_job.PageWidth - m_page.Margin, m_y + m_page.Margin);
            m_y += band;
            if (noteIndex >= riff.Capacity() ||
                riff.Notes[size_t(noteIndex)].Duration == EndOfNotes)
                break;
            // A page too narrow for a single note column would print empty bands forever.
            if (noteIndex == before)
                break;
        }
    }

    void PrintArrangement() {
        const int rows = m_job.GridRows > 0 ? m_job.GridRows : ArrangementGridRows(m_project);
        const int columns = ArrangementGridColumns(m_project);
        const TArrangementTable table = ArrangementTableOf(m_page.Width, m_h, columns);
        const int cell = table.CellHeight;

        PrintTitle("Arrangement", 200, true);
        m_y += cell;
        for (int r = 0; r < rows; ++r) {
            if (m_y + cell >= m_page.Height)
                NewPage();
            for (int c = 0; c < columns; ++c) {
                TArrangementCell text = ArrangementCell(m_project, r, c);
                if (!text.Text.empty())
                    PrintText(table.ColumnX[size_t(c)] + cell / 4, m_y + cell / 4,
                              AnsiToUtf8(text.Text), text.Bold);
                if (c + 1 < columns) {
                    int x = table.ColumnX[size_t(c + 1)];
                    PrintLine(x, m_y, x, m_y + cell, GridGrey,
                              c == 0 ? table.ThickLine : table.ThinLine);
                }
            }
            m_y += cell;
            PrintLine(0, m_y, m_page.Width, m_y, GridGrey,
                      r == 0 ? table.ThickLine : table.ThinLine);
            m_y += 1;
        }
        m_y += 2 * cell;

        for (const std::string& line : NotesPrintLines(m_project)) {
            if (m_y + cell >= m_page.Height)
                NewPage();
            PrintTitle(line, 100, false);
        }
        m_y += cell;
    }

private:
    void PrintText(int x, int y, const std::string& utf8, bool bold) {
        m_surface.Text(x + m_page.Margin, y + m_page.Margin, utf8, m_h, bold);
    }

    void PrintLine(int x1, int y1, int x2, int y2, uint32_t rgb, int width) {
        m_surface.Line(x1 + m_page.Margin, y1 + m_page.Margin, x2 + m_page.Margin,
                       y2 + m_page.Margin, rgb, width);
    }

    void PrintTitle(const std::string& utf8, int percent, bool bold) {
        int pixels = m_h * percent / 100;
        if (!utf8.empty())
            m_surface.Text(m_page.Margin, m_y + m_page.Margin, utf8, pixels, bold);
        m_y += std::abs(pixels);
    }

    const TProject& m_project;
    const TPrintJob& m_job;
    TPrintSurface& m_surface;
    const int m_h;
    const TPrintPage m_page;
    const TTabMetrics m_metrics;
    int m_y = 0;
    bool m_titlePending = false;
    int m_pages = 1;
};

} // namespace

int PrintFontPixels(int points, int dpi) {
    long long p = static_cast<long long>(points) * dpi;
    return static_cast<int>((p + 36) / 72);
}

TPrintPage PrintPageOf(int pageWidth, int pageHeight) {
    TPrintPage page;
    page.Margin = pageWidth / 100;
    page.Width = pageWidth - 2 * page.Margin;
    page.Height = pageHeight - 2 * page.Margin;
    return page;
}

TArrangementTable ArrangementTableOf(int printWidth, int fontPixels, int columnCount) {
    TArrangementTable table;
    table.CellHeight = 2 * fontPixels;
    const int labelWidth = 2 * table.CellHeight;
    // Without instruments the table is the label column alone.
    table.CellWidth = columnCount > 1 ? (printWidth - labelWidth) / (columnCount - 1) : 0;
    for (int c = 0; c < std::max(1, columnCount); ++c)
        table.ColumnX.push_back(c == 0 ? 0 : labelWidth + (c - 1) * table.CellWidth);
    table.ThickLine = std::max(1, table.CellHeight / 10);
    table.ThinLine = std::max(1, table.CellHeight / 40);
    return table;
}

int ArrangementGridRows(const TProject& project) {
    return int(project.Structure.size()) + 2;
}

int ArrangementGridColumns(const TProject& project) {
    return project.InstrumentNames.RecordCount() + 1;
}

TArrangementCell ArrangementCell(const TProject& project, int row, int col) {
    if (row == 0) {
        if (col >= 1 && col - 1 < project.InstrumentNames.Count())
            return {project.InstrumentNames[col - 1], true};
        return {{}, true};
    }
    if (col == 0)
        return {RowLetters(row), true};
    TStructCell cell = StructCell(project.Structure, row, col);
    if (cell.Repeat.empty())
        return {};
    return {std::string(cell.Repeat) + " x " + std::string(cell.Riff), false};
}

std::vector<int> RiffsInArrangement(const TProject& project) {
    std::vector<int> riffs;
    const int tabs = std::min(project.RiffNames.Count(), int(project.Riffs.size()));
    for (int i = 0; i < tabs; ++i) {
        const std::string& caption = project.RiffNames[i];
        // The blank tab stands for no riff; an empty caption would match every row.
        if (caption.empty() || project.Riffs[size_t(i)].Capacity() <= 0)
            continue;
        bool used = std::any_of(project.Structure.begin(), project.Structure.end(),
                                [&](const std::string& row) { return ContainsAnsi(row, caption); });
        bool earlier = false;
        for (int j = 0; j < i && !earlier; ++j)
            earlier = SameTextAnsi(project.RiffNames[j], caption);
        if (used && !earlier)
            riffs.push_back(i);
    }
    return riffs;
}

std::vector<std::string> NotesPrintLines(const TProject& project) {
    const std::string plain = RtfToPlainUtf8(project.NotesRtf);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < plain.size()) {
        size_t end = plain.find('\n', start);
        if (end == std::string::npos)
            end = plain.size();
        std::string line = plain.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

int PrintProject(const TProject& project, const TPrintJob& job, TPrintSurface& surface) {
    TPageRun run(project, job, surface);
    run.NewPage();
    if (job.Sections.ArrangementNotes)
        run.PrintArrangement();
    if (job.Sections.CurrentRiff && job.CurrentRiff >= 0 &&
        job.CurrentRiff < int(project.Riffs.size())) {
        std::string name = job.CurrentRiff < project.RiffNames.Count()
                               ? project.RiffNames[job.CurrentRiff]
                               : std::string();
        run.PrintRiff(project.Riffs[size_t(job.CurrentRiff)], AnsiToUtf8(name));
    }
    if (job.Sections.AllRiffs)
        for (int i : RiffsInArrangement(project))
            run.PrintRiff(project.Riffs[size_t(i)], AnsiToUtf8(project.RiffNames[i]));
    return run.Pages();
}

} // namespace zel
