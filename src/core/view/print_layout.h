// Printed pages of a project: the page geometry that follows from the page size and the print
// font, what the arrangement table and the notes say, which riffs "All Riffs in Arrangement"
// prints, and the run that places the sections page by page onto a drawing surface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "edit/tab_metrics.h"
#include "model/song.h"

namespace zel {

// Character height in device pixels of a font of `points` on a device of `dpi` dots per inch,
// rounded (8 points at 600 dpi: 67 pixels).
int PrintFontPixels(int points, int dpi);

// The part of a page that is printed on, in device pixels.
struct TPrintPage {
    int Margin = 0; // m, on all four sides: a hundredth of the page width
    int Width = 0;  // page width - 2m
    int Height = 0; // page height - 2m; content uses y from 0 up to this
    bool operator==(const TPrintPage&) const = default;
};
TPrintPage PrintPageOf(int pageWidth, int pageHeight);

// Room a riff title takes above its first band: 2H.
inline int TitleHeight(int fontPixels) {
    return 2 * fontPixels;
}

// The arrangement table's cells: rows 2H high, a label column two rows wide and equal
// instrument columns filling the rest of the width.
struct TArrangementTable {
    int CellHeight = 0;
    int CellWidth = 0;
    std::vector<int> ColumnX; // left edge of every column, the label column first
    int ThickLine = 1;        // after the label column and under the header row
    int ThinLine = 1;
};
TArrangementTable ArrangementTableOf(int printWidth, int fontPixels, int columnCount);

// The song grid's size: the header row, a row per structure entry and the blank row after
// the song; the label column and a column per instrument.
int ArrangementGridRows(const TProject& project);
int ArrangementGridColumns(const TProject& project);

struct TArrangementCell {
    std::string Text; // Windows-1252 bytes; empty: nothing is printed
    bool Bold = false;
    bool operator==(const TArrangementCell&) const = default;
};
// Row 0 holds the instrument captions, column 0 the row letters; a structure cell reads
// "2 x Verse", and nothing when its repeat count is empty.
TArrangementCell ArrangementCell(const TProject& project, int row, int col);

// The riffs "All Riffs in Arrangement" prints, in tab order: riffs with note storage whose
// caption occurs in some structure row (letter case ignored, also inside a longer name),
// each caption once.
std::vector<int> RiffsInArrangement(const TProject& project);

// The notes document as the lines printed under the arrangement (UTF-8).
std::vector<std::string> NotesPrintLines(const TProject& project);

struct TPrintSections {
    bool ArrangementNotes = false;
    bool CurrentRiff = false;
    bool AllRiffs = false;
    bool Any() const { return ArrangementNotes || CurrentRiff || AllRiffs; }
};

// Where the pages are drawn; coordinates are device pixels from the page's top-left corner.
class TPrintSurface {
public:
    virtual ~TPrintSurface() = default;
    // Ends the page and starts the next one.
    virtual void EjectPage() = 0;
    // Black text, top-left corner at (x, y), characters `pixels` high; UTF-8.
    virtual void Text(int x, int y, const std::string& utf8, int pixels, bool bold) = 0;
    // A line `width` pixels wide in colour 0xRRGGBB.
    virtual void Line(int x1, int y1, int x2, int y2, uint32_t rgb, int width) = 0;
    // One band of the riff with its top-left corner at (x0, y0), columns drawn while they start
    // left of xLimit; noteIndex and ticks continue from band to band.
    virtual void RiffBand(const TRiff& riff, const TTabMetrics& metrics, int& noteIndex,
                          int64_t& ticks, int x0, int xLimit, int y0) = 0;
};

struct TPrintJob {
    TPrintSections Sections;
    std::string Title;   // the page header (UTF-8): the project file's name
    int CurrentRiff = 0; // the riff "Current Riff" prints
    int GridRows = 0;    // rows of the arrangement table; 0: ArrangementGridRows
    int PageWidth = 0;   // device pixels
    int PageHeight = 0;
    int FontPixels = 0; // H, the print font's character height
};

// Prints the chosen sections one after another, breaking pages where the next piece does not
// fit. Returns the number of pages.
int PrintProject(const TProject& project, const TPrintJob& job, TPrintSurface& surface);

} // namespace zel
