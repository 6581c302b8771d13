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

TProject Project(std::initializer_list<const char*> riffs,
                 std::initializer_list<const char*> instruments,
                 std::vector<std::string> structure) {
    TProject project;
    ResetProjectTables(project);
    auto name = [](auto& captions, std::initializer_list<const char*> names) {
        captions.GrowTo(int(names.size()));
        for (int i = 0; i < int(names.size()); ++i)
            captions.SetCaption(i, names.begin()[i]);
        captions.EnsureBlankTab();
    };
    name(project.RiffNames, riffs);
    name(project.InstrumentNames, instruments);
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

TEST(PrintLayout, FontPixelsRoundToTheNearestPixel) {
    EXPECT_EQ(PrintFontPixels(8, 600), 67); // 66.7
    EXPECT_EQ(PrintFontPixels(9, 96), 12);  // 12.0
    EXPECT_EQ(PrintFontPixels(10, 96), 13); // 13.3
    EXPECT_EQ(PrintPageOf(99, 200), (TPrintPage{0, 99, 200}));
}

TEST(PrintLayout, ArrangementColumnsShareThePrintWidth) {
    for (int columns : {1, 2, 4}) {
        TArrangementTable table = ArrangementTableOf(4862, 67, columns);
        ASSERT_EQ(table.ColumnX.size(), size_t(columns));
        EXPECT_EQ(table.ColumnX[0], 0);
        if (columns == 1)
            continue; // the label column alone, no division by zero
        EXPECT_LE(table.ColumnX.back() + table.CellWidth, 4862) << columns;
        EXPECT_GT(table.ColumnX.back() + table.CellWidth, 4862 - columns) << columns;
        EXPECT_GT(table.ThickLine, table.ThinLine);
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
    } cases[] = {{"exact name", {"1\tIntro"}, {0}},
                 {"inside a longer name", {"1\tIntro2"}, {0}},
                 {"other letter case", {"1\tINTRO"}, {0}},
                 {"matches anywhere in the row", {"1\tVerse\t2\tintro"}, {0, 1}},
                 {"no row names it", {"1\tVerse"}, {1}},
                 {"no structure", {}, {}}};
    for (const auto& c : cases) {
        // Tab 2 repeats tab 0's caption, tab 3 is named but has no notes.
        TProject project = Project({"Intro", "Verse", "intro", "Solo"}, {"Guitar"}, c.Structure);
        test::SetQuarters(project.Riffs[0], 4, 0);
        test::SetQuarters(project.Riffs[1], 4, 0);
        test::SetQuarters(project.Riffs[2], 4, 0);
        project.Structure.push_back("1\tSolo");
        EXPECT_EQ(RiffsInArrangement(project), c.Printed) << c.What;
    }
}

TEST(PrintLayout, NotesLines) {
    struct {
        std::string Rtf;
        std::vector<std::string> Lines;
    } cases[] = {{RtfFromParagraphs({"First", "", "Third"}), {"First", "", "Third"}},
                 {EmptyNotesRtf(), {""}},
                 {"", {}},
                 {"{\\rtf1\\ansi\\ansicpg1251 \\'c6\\'e5\\'eb\\'f2\\'fb\\'e9\\par \\u8594?}",
                  {"\u0416\u0435\u043B\u0442\u044B\u0439", "\u2192"}}};
    for (const auto& c : cases) {
        TProject project = Project({"Verse"}, {"Guitar"}, {});
        project.NotesRtf = c.Rtf;
        EXPECT_EQ(NotesPrintLines(project), c.Lines) << c.Rtf;
    }
}

TEST(PrintRun, ALongRiffContinuesInBandsAndOnNewPagesWithItsTitle) {
    TProject project = Project({"Verse"}, {"Guitar"}, {});
    test::SetQuarters(project.Riffs[0], 200, 0);
    TPrintJob job = A4Job({false, true, false});
    TRecordingSurface surface;
    EXPECT_EQ(PrintProject(project, job, surface), 2);
    // 33 columns fit between the margins: 7 bands, 4 on the first page, 3 on the second.
    ASSERT_EQ(surface.Bands.size(), 7u);
    const TPrintPage page = PrintPageOf(A4Width, A4Height);
    for (size_t i = 0; i < surface.Bands.size(); ++i) {
        const TDrawnBand& b = surface.Bands[i];
        EXPECT_EQ(b.Page, i < 4 ? 0 : 1) << i;
        EXPECT_EQ(b.NoteIndex, int(i) * 33) << i;
        EXPECT_EQ(b.Ticks, int64_t(i) * 33 * 256) << i; // bar numbers carry on
        EXPECT_LE(b.Y0 + 21 * 67, page.Margin + page.Height) << i;
    }
    // Each page: the header, then the riff's title again, bold, above the bands.
    auto titles = surface.TextsOf("Verse");
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[1].Page, 1);
    EXPECT_LT(titles[1].Y, surface.Bands[4].Y0);
    EXPECT_TRUE(titles[1].Bold);
    EXPECT_EQ(surface.TextsOf("Song").size(), 2u);
    EXPECT_EQ(surface.Bands[4].Y0, surface.Bands[0].Y0);
}

TEST(PrintRun, ARiffThatDoesNotFitBelowTheLastStartsANewPage) {
    TProject project = Project({"Intro", "Verse"}, {"Guitar"}, {"1\tIntro\t1\tVerse"});
    test::SetQuarters(project.Riffs[0], 4 * 33, 0); // four bands fill the first page
    test::SetQuarters(project.Riffs[1], 10, 0);
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

TEST(PrintRun, AnEmptyRiffOrAPageTooNarrowForANotePrintsTheTitleAndOneBand) {
    for (int notes : {0, 5}) {
        TProject project = Project({"Verse"}, {"Guitar"}, {});
        TPrintJob job = A4Job({false, true, false});
        if (notes > 0) {
            test::SetQuarters(project.Riffs[0], notes, 0);
            job.PageWidth = 500; // narrower than the band's clef and signatures
        }
        TRecordingSurface surface;
        PrintProject(project, job, surface);
        EXPECT_EQ(surface.Bands.size(), 1u) << notes;
        EXPECT_EQ(surface.TextsOf("Verse").size(), 1u) << notes;
    }
}

TEST(PrintRun, ArrangementTableAndNotes) {
    TProject project = Project({"Verse"}, {"Guitar", "Bass", "Drums"}, {"2\tVerse\t\tChorus"});
    project.NotesRtf = RtfFromParagraphs({"Capo 2", "Slow"});
    TRecordingSurface surface;
    PrintProject(project, A4Job({true, false, false}), surface);
    auto at = [&](const char* text) {
        auto found = surface.TextsOf(text);
        EXPECT_EQ(found.size(), 1u) << text;
        return found.empty() ? TDrawnText{} : found[0];
    };
    // Cells in their columns and rows: headers bold, entries plain.
    EXPECT_LT(at("Arrangement").Y, at("Guitar").Y);
    EXPECT_EQ(at("Guitar").Y, at("Drums").Y);
    EXPECT_LT(at("Guitar").X, at("Drums").X);
    EXPECT_EQ(at("A").Y, at("2 x Verse").Y);
    EXPECT_EQ(at("Guitar").X, at("2 x Verse").X);
    EXPECT_LT(at("A").Y, at("B").Y);
    EXPECT_TRUE(at("A").Bold && !at("2 x Verse").Bold);
    EXPECT_TRUE(surface.TextsOf("x Chorus").empty()); // an undefined riff prints nothing
    // The rule, then per row (header, A and the blank row B) three vertical lines and one
    // horizontal; the first of each kind thick.
    ASSERT_EQ(surface.Lines.size(), size_t(1 + 3 * 4));
    EXPECT_GT(surface.Lines[1].Width, surface.Lines[2].Width);
    EXPECT_EQ(surface.Lines[12].Y1, surface.Lines[12].Y2);
    // The notes below the table, one line per paragraph in the plain print font.
    EXPECT_GT(at("Capo 2").Y, surface.Lines[12].Y1);
    EXPECT_EQ(at("Slow").Y, at("Capo 2").Y + at("Capo 2").Pixels);
    EXPECT_FALSE(at("Capo 2").Bold);
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
