#include "view/print_layout.h"

#include <gtest/gtest.h>

#include "model/rtf.h"
#include "test_support.h"

namespace zel {
namespace {

// A4 at 600 dots per inch, the size the print run is checked against.
constexpr int A4Width = 4960;
constexpr int A4Height = 7016;

struct TDrawnText {
    int Page;
    int X, Y;
    std::string Text;
    int Pixels;
    bool Bold;
};
struct TDrawnLine {
    int Page;
    int X1, Y1, X2, Y2;
    uint32_t Rgb;
    int Width;
};
struct TDrawnBand {
    int Page;
    int Y0;
    int NoteIndex;
    int64_t Ticks;
};

// Records what a print run draws; a band takes the columns that start left of xLimit.
class TRecordingSurface : public TPrintSurface {
public:
    void EjectPage() override { ++m_page; }
    void Text(int x, int y, const std::string& utf8, int pixels, bool bold) override {
        Texts.push_back({m_page, x, y, utf8, pixels, bold});
    }
    void Line(int x1, int y1, int x2, int y2, uint32_t rgb, int width) override {
        Lines.push_back({m_page, x1, y1, x2, y2, rgb, width});
    }
    void RiffBand(const TRiff& riff, const TTabMetrics& m, int& noteIndex, int64_t& ticks, int x0,
                  int xLimit, int y0) override {
        Bands.push_back({m_page, y0, noteIndex, ticks});
        for (int x = x0 + m.FirstColumn; x < xLimit && noteIndex < riff.Capacity() &&
                                         riff.Notes[size_t(noteIndex)].Duration != EndOfNotes;
             x += m.ColumnWidth)
            ticks += NoteTicks(riff.Notes[size_t(noteIndex++)]);
    }
    int Pages() const { return m_page + 1; }
    std::vector<TDrawnText> TextsOf(const std::string& text) const {
        std::vector<TDrawnText> found;
        for (const auto& t : Texts)
            if (t.Text == text)
                found.push_back(t);
        return found;
    }

    std::vector<TDrawnText> Texts;
    std::vector<TDrawnLine> Lines;
    std::vector<TDrawnBand> Bands;

private:
    int m_page = 0;
};

void FillQuarters(TRiff& riff, int count) {
    EnsureNotes(riff, count + 1);
    for (int i = 0; i < count; ++i)
        riff.Notes[size_t(i)] = test::Note(QuarterDuration, {{0, i % 12}});
}

TProject Project(std::initializer_list<const char*> riffs,
                 std::initializer_list<const char*> instruments,
                 std::vector<std::string> structure) {
    TProject project;
    ResetProjectTables(project);
    project.RiffNames.GrowTo(int(riffs.size()));
    project.InstrumentNames.GrowTo(int(instruments.size()));
    int i = 0;
    for (const char* name : riffs)
        project.RiffNames.SetCaption(i++, name);
    project.RiffNames.EnsureBlankTab();
    i = 0;
    for (const char* name : instruments)
        project.InstrumentNames.SetCaption(i++, name);
    project.InstrumentNames.EnsureBlankTab();
    project.Structure = std::move(structure);
    return project;
}

TPrintJob A4Job(TPrintSections sections) {
    TPrintJob job;
    job.Sections = sections;
    job.Title = "Song";
    job.PageWidth = A4Width;
    job.PageHeight = A4Height;
    job.FontPixels = PrintFontPixels(8, 600);
    return job;
}

TEST(PrintLayout, FontPixelsFromPointsAndDpi) {
    struct {
        int Points, Dpi, Pixels;
    } cases[] = {{8, 600, 67},   {10, 96, 13},  {4, 72, 4},
                 {32, 600, 267}, {12, 300, 50}, {9, 96, 12}};
    for (const auto& c : cases)
        EXPECT_EQ(PrintFontPixels(c.Points, c.Dpi), c.Pixels) << c.Points << " pt " << c.Dpi;
}

TEST(PrintLayout, MarginsAreAHundredthOfThePageWidth) {
    struct {
        int W, H;
        TPrintPage Page;
    } cases[] = {{A4Width, A4Height, {49, 4862, 6918}},
                 {A4Height, A4Width, {70, 6876, 4820}},
                 {5100, 6600, {51, 4998, 6498}},
                 {99, 200, {0, 99, 200}}};
    for (const auto& c : cases)
        EXPECT_EQ(PrintPageOf(c.W, c.H), c.Page) << c.W << " x " << c.H;
}

TEST(PrintLayout, ArrangementColumns) {
    struct {
        int Width, H, Columns;
        int CellWidth;
        std::vector<int> X;
        int Thick, Thin;
    } cases[] = {
        // Three instruments: a label column 2 x CellHeight wide and three equal columns.
        {4862, 67, 4, 1531, {0, 268, 1799, 3330}, 13, 3},
        {4862, 67, 2, 4594, {0, 268}, 13, 3},
        {1000, 13, 3, 474, {0, 52, 526}, 2, 1},
        // No instruments: the label column alone, no division by zero.
        {1000, 13, 1, 0, {0}, 2, 1},
    };
    for (const auto& c : cases) {
        TArrangementTable table = ArrangementTableOf(c.Width, c.H, c.Columns);
        EXPECT_EQ(table.CellHeight, 2 * c.H);
        EXPECT_EQ(table.CellWidth, c.CellWidth) << c.Columns;
        EXPECT_EQ(table.ColumnX, c.X) << c.Columns;
        EXPECT_EQ(table.ThickLine, c.Thick);
        EXPECT_EQ(table.ThinLine, c.Thin);
    }
}

TEST(PrintLayout, ArrangementCellTexts) {
    TProject project = Project({"Verse"}, {"Guitar", "Bass", "Drums"},
                               {"2\tVerse\t\tChorus\t1\tIntro", "16\tOutro"});
    EXPECT_EQ(ArrangementGridRows(project), 4); // header, two rows, the blank row
    EXPECT_EQ(ArrangementGridColumns(project), 4);
    struct {
        int Row, Col;
        TArrangementCell Cell;
    } cases[] = {
        {0, 0, {"", true}},           {0, 1, {"Guitar", true}},
        {0, 3, {"Drums", true}},      {1, 0, {"A", true}},
        {2, 0, {"B", true}},          {3, 0, {"C", true}},
        {1, 1, {"2 x Verse", false}}, {1, 2, {"", false}}, // a riff without a repeat
        {1, 3, {"1 x Intro", false}}, {2, 1, {"16 x Outro", false}},
        {2, 2, {"", false}},          {3, 1, {"", false}},
        {0, 4, {"", true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArrangementCell(project, c.Row, c.Col), c.Cell) << c.Row << "," << c.Col;
}

TEST(PrintLayout, AllRiffsInArrangement) {
    struct {
        const char* What;
        std::vector<std::string> Structure;
        std::vector<int> Printed;
    } cases[] = {
        {"exact name", {"1\tIntro"}, {0}},
        {"inside a longer name", {"1\tIntro2"}, {0}},
        {"other letter case", {"1\tINTRO"}, {0}},
        {"matches anywhere in the row", {"1\tVerse\t2\tintro"}, {0, 1}},
        {"no row names it", {"1\tVerse"}, {1}},
        {"no structure", {}, {}},
    };
    for (const auto& c : cases) {
        // Tab 2 repeats tab 0's caption, tab 3 is named but has no notes.
        TProject project = Project({"Intro", "Verse", "intro", "Solo"}, {"Guitar"}, c.Structure);
        FillQuarters(project.Riffs[0], 4);
        FillQuarters(project.Riffs[1], 4);
        FillQuarters(project.Riffs[2], 4);
        project.Structure.push_back("1\tSolo");
        EXPECT_EQ(RiffsInArrangement(project), c.Printed) << c.What;
    }
}

TEST(PrintLayout, NotesLines) {
    struct {
        std::string Rtf;
        std::vector<std::string> Lines;
    } cases[] = {
        {RtfFromParagraphs({"First", "", "Third"}), {"First", "", "Third"}},
        {EmptyNotesRtf(), {""}},
        {"", {}},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c6\\'e5\\'eb\\'f2\\'fb\\'e9\\par \\u8594?}",
         {"\u0416\u0435\u043B\u0442\u044B\u0439", "\u2192"}},
    };
    for (const auto& c : cases) {
        TProject project = Project({"Verse"}, {"Guitar"}, {});
        project.NotesRtf = c.Rtf;
        EXPECT_EQ(NotesPrintLines(project), c.Lines) << c.Rtf;
    }
}

TEST(PrintRun, PageHeaderAndRule) {
    TProject project = Project({"Verse"}, {"Guitar"}, {});
    TRecordingSurface surface;
    PrintProject(project, A4Job({}), surface);
    ASSERT_EQ(surface.Texts.size(), 1u);
    const TDrawnText& header = surface.Texts[0];
    EXPECT_EQ(header.Text, "Song");
    EXPECT_EQ(header.X, 49);
    EXPECT_EQ(header.Y, 49);
    EXPECT_EQ(header.Pixels, 201);
    EXPECT_TRUE(header.Bold);
    ASSERT_EQ(surface.Lines.size(), 1u);
    const TDrawnLine& rule = surface.Lines[0];
    // Below the header, H/5 wide, from margin to margin.
    EXPECT_EQ(rule.Y1, 49 + 201 + 13);
    EXPECT_EQ(rule.Y2, rule.Y1);
    EXPECT_EQ(rule.X1, 49);
    EXPECT_EQ(rule.X2, 49 + 4862);
    EXPECT_EQ(rule.Width, 13);
    EXPECT_EQ(rule.Rgb, 0x000000u);
}

TEST(PrintRun, ALongRiffContinuesInBandsAndOnNewPagesWithItsTitle) {
    TProject project = Project({"Verse"}, {"Guitar"}, {});
    FillQuarters(project.Riffs[0], 200);
    TPrintJob job = A4Job({false, true, false});
    TRecordingSurface surface;
    EXPECT_EQ(PrintProject(project, job, surface), 2);

    // 33 columns fit between the margins: 7 bands; 4 on the first page below the header and
    // the title (240 + 134 + 4 x 1407 <= 6918), 3 on the second.
    ASSERT_EQ(surface.Bands.size(), 7u);
    const int band = 21 * 67;
    for (size_t i = 0; i < surface.Bands.size(); ++i) {
        const TDrawnBand& b = surface.Bands[i];
        EXPECT_EQ(b.Page, i < 4 ? 0 : 1) << i;
        EXPECT_EQ(b.NoteIndex, int(i) * 33) << i;
        EXPECT_EQ(b.Ticks, int64_t(i) * 33 * 256) << i; // bar numbers carry on
        EXPECT_LE(b.Y0 + band, 49 + 6918) << i;
        int first = i < 4 ? 0 : 4;
        EXPECT_EQ(b.Y0, 49 + 240 + 134 + (int(i) - first) * band) << i;
    }
    // Each page: the header, then the riff's title again.
    auto titles = surface.TextsOf("Verse");
    ASSERT_EQ(titles.size(), 2u);
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(titles[size_t(page)].Page, page);
        EXPECT_EQ(titles[size_t(page)].Y, 49 + 240);
        EXPECT_EQ(titles[size_t(page)].Pixels, 134);
        EXPECT_TRUE(titles[size_t(page)].Bold);
    }
    EXPECT_EQ(surface.TextsOf("Song").size(), 2u);
}

TEST(PrintRun, ARiffThatDoesNotFitBelowTheLastStartsANewPage) {
    TProject project = Project({"Intro", "Verse"}, {"Guitar"}, {"1\tIntro\t1\tVerse"});
    FillQuarters(project.Riffs[0], 4 * 33); // four bands fill the first page
    FillQuarters(project.Riffs[1], 10);
    TRecordingSurface surface;
    PrintProject(project, A4Job({false, false, true}), surface);
    ASSERT_EQ(surface.Bands.size(), 5u);
    EXPECT_EQ(surface.Bands[3].Page, 0);
    EXPECT_EQ(surface.Bands[4].Page, 1);
    EXPECT_EQ(surface.Bands[4].NoteIndex, 0);
    EXPECT_EQ(surface.Bands[4].Y0, 49 + 240 + 134);
    auto verse = surface.TextsOf("Verse");
    ASSERT_EQ(verse.size(), 1u);
    EXPECT_EQ(verse[0].Page, 1);
}

TEST(PrintRun, AnEmptyRiffPrintsItsTitleAndOneBand) {
    TProject project = Project({"Empty"}, {"Guitar"}, {});
    TRecordingSurface surface;
    PrintProject(project, A4Job({false, true, false}), surface);
    EXPECT_EQ(surface.Bands.size(), 1u);
    EXPECT_EQ(surface.TextsOf("Empty").size(), 1u);
}

TEST(PrintRun, APageTooNarrowForANoteEnds) {
    TProject project = Project({"Verse"}, {"Guitar"}, {});
    FillQuarters(project.Riffs[0], 5);
    TPrintJob job = A4Job({false, true, false});
    job.PageWidth = 500; // narrower than the band's clef and signatures
    TRecordingSurface surface;
    PrintProject(project, job, surface);
    EXPECT_EQ(surface.Bands.size(), 1u);
}

TEST(PrintRun, ArrangementTableGridAndNotes) {
    TProject project = Project({"Verse"}, {"Guitar", "Bass", "Drums"}, {"2\tVerse\t\tChorus"});
    project.NotesRtf = RtfFromParagraphs({"Capo 2", "Slow"});
    TRecordingSurface surface;
    PrintProject(project, A4Job({true, false, false}), surface);

    const int m = 49, cell = 134, top = 240;
    auto title = surface.TextsOf("Arrangement");
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].Y, m + top);
    EXPECT_EQ(title[0].Pixels, 134);
    const int row0 = top + 134 + cell; // the title, then a blank row's height

    struct {
        const char* Text;
        int Col, Row;
        bool Bold;
    } cells[] = {{"Guitar", 1, 0, true},
                 {"Drums", 3, 0, true},
                 {"A", 0, 1, true},
                 {"B", 0, 2, true},
                 {"2 x Verse", 1, 1, false}};
    const int columnX[] = {0, 268, 1799, 3330};
    for (const auto& c : cells) {
        auto found = surface.TextsOf(c.Text);
        ASSERT_EQ(found.size(), 1u) << c.Text;
        EXPECT_EQ(found[0].X, m + columnX[c.Col] + cell / 4) << c.Text;
        EXPECT_EQ(found[0].Y, m + row0 + c.Row * (cell + 1) + cell / 4) << c.Text;
        EXPECT_EQ(found[0].Pixels, 67) << c.Text;
        EXPECT_EQ(found[0].Bold, c.Bold) << c.Text;
    }
    EXPECT_TRUE(surface.TextsOf("Chorus").empty());
    EXPECT_TRUE(surface.TextsOf("x Chorus").empty());

    // The rule, then per row three vertical lines and one horizontal line; all grey.
    const int rows = 3; // header, A and the blank row B
    ASSERT_EQ(surface.Lines.size(), size_t(1 + rows * 4));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 3; ++c) {
            const TDrawnLine& v = surface.Lines[size_t(1 + r * 4 + c)];
            EXPECT_EQ(v.X1, m + columnX[c + 1]);
            EXPECT_EQ(v.X2, v.X1);
            EXPECT_EQ(v.Y1, m + row0 + r * (cell + 1));
            EXPECT_EQ(v.Y2, v.Y1 + cell);
            EXPECT_EQ(v.Width, c == 0 ? 13 : 3) << r << "," << c;
            EXPECT_EQ(v.Rgb, 0x808080u);
        }
        const TDrawnLine& h = surface.Lines[size_t(1 + r * 4 + 3)];
        EXPECT_EQ(h.Y1, m + row0 + r * (cell + 1) + cell);
        EXPECT_EQ(h.X1, m);
        EXPECT_EQ(h.X2, m + 4862);
        EXPECT_EQ(h.Width, r == 0 ? 13 : 3) << r;
    }
    // The notes follow two rows lower, one line per paragraph in the plain print font.
    auto capo = surface.TextsOf("Capo 2");
    auto slow = surface.TextsOf("Slow");
    ASSERT_EQ(capo.size(), 1u);
    ASSERT_EQ(slow.size(), 1u);
    EXPECT_EQ(capo[0].Y, m + row0 + rows * (cell + 1) + 2 * cell);
    EXPECT_EQ(slow[0].Y, capo[0].Y + 67);
    EXPECT_FALSE(capo[0].Bold);
    EXPECT_EQ(capo[0].Pixels, 67);
}

TEST(PrintRun, ArrangementAndNotesBreakPagesRepeatingOnlyThePageHeader) {
    std::vector<std::string> structure(60, "1\tVerse");
    TProject project = Project({"Verse"}, {"Guitar"}, structure);
    std::vector<std::string> notes;
    for (int i = 0; i < 120; ++i)
        notes.push_back("Line " + std::to_string(i));
    project.NotesRtf = RtfFromParagraphs(notes);
    TRecordingSurface surface;
    int pages = PrintProject(project, A4Job({true, false, false}), surface);
    EXPECT_GE(pages, 3);
    EXPECT_EQ(int(surface.TextsOf("Song").size()), pages);
    EXPECT_EQ(surface.TextsOf("Arrangement").size(), 1u);
    EXPECT_EQ(surface.TextsOf("Guitar").size(), 1u); // the header row is not repeated
    // Nothing reaches past the bottom margin, and every page goes on below its header.
    for (const auto& t : surface.Texts) {
        EXPECT_LE(t.Y, 49 + 6918) << t.Text;
        if (t.Text != "Song") {
            EXPECT_GE(t.Y, 49 + 240) << t.Text;
        }
    }
    auto last = surface.TextsOf("Line 119");
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].Page, pages - 1);
}

} // namespace
} // namespace zel
