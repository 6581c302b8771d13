// Pixel checks of riff bands drawn on images with the screen's layout (font height 13, x0 = 4):
// column i has its left edge at x = 108 + 26 i, the staff lines lie at y 65..97, the tab lines
// of six strings at y 156..221.
#include <gtest/gtest.h>

#include <random>

#include "band_test_support.h"
#include "test_support.h"

namespace zel {
namespace {

using namespace zel::test;

constexpr int Column0 = 108;
constexpr int ColumnWidth = 26;
constexpr int Eighth = 4;
constexpr int Half = 2;

int ColumnX(int i) {
    return Column0 + ColumnWidth * i;
}

TNote Rest(uint8_t duration) {
    return Note(duration);
}

std::vector<TNote> Repeat(const TNote& note, int n) {
    return std::vector<TNote>(size_t(n), note);
}

TEST(RiffBandTest, EmptyRiffDrawsStaffTabClefAndSignaturesOnly) {
    QImage image = DrawBand(MakeRiff({}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(At(image, 400, 65 + 8 * i), Blue) << i;
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(At(image, 400, 156 + 13 * s), Lime) << s;
    EXPECT_EQ(At(image, 4, 120), Grey);               // the band's left border
    EXPECT_EQ(At(image, 4, 60), White);               // which starts at the top staff line
    EXPECT_GT(Dark(image, QRect(8, 49, 18, 56)), 60); // the clef
    EXPECT_EQ(Dark(image, QRect(0, 40, 8, 70)), 0);
    EXPECT_EQ(Dark(image, QRect(26, 40, 4, 70)), 0);
    EXPECT_GT(Dark(image, QRect(4, 13, 13, 16)), 10); // the tempo's quarter note
    // Nothing right of the signatures: no bar lines, no notes, no chord names.
    EXPECT_EQ(Ink(image, QRect(100, 0, 600, 64)), 0);
    EXPECT_EQ(Ink(image, QRect(100, 222, 600, 60)), 0);
    EXPECT_EQ(Ink(image, QRect(100, 100, 600, 50)), 0);
}

// Grey pixels of the bar line at x between the staff and the tab lines.
int BarLinePixels(const QImage& image, int x) {
    return Count(image, QRect(x, 100, 1, 50), Grey);
}

TEST(RiffBandTest, BarLinesSolidAtBarEndsAndDottedInsideNotes) {
    // Four quarters in 4/4: a solid line halfway to the fifth column.
    QImage four = DrawBand(MakeRiff(Repeat(Pitch(4), 5)));
    EXPECT_EQ(BarLinePixels(four, ColumnX(3) + 13), 50);
    EXPECT_EQ(BarLinePixels(four, ColumnX(2) + 13), 0);
    EXPECT_GT(Ink(four, QRect(ColumnX(3) + 9, 40, 12, 18)), 5); // bar number 1 above the staff

    // Three quarters and a half: the half note runs over the bar line, which is dotted.
    auto notes = Repeat(Pitch(4), 3);
    notes.push_back(Pitch(4, Half));
    QImage over = DrawBand(MakeRiff(notes));
    int dotted = BarLinePixels(over, ColumnX(3) + 13);
    EXPECT_GT(dotted, 10);
    EXPECT_LT(dotted, 40);
    // Its label is wider: 1, "+" and the stacked 1/4.
    EXPECT_GT(Ink(over, QRect(ColumnX(3) + 24, 35, 20, 25)), 3);
}

TEST(RiffBandTest, CyclingMeterPlacesBarLines) {
    QImage image = DrawBand(MakeRiff(Repeat(Pitch(4), 19), "4 4 4 3"), 800);
    std::vector<int> lines;
    for (int i = 0; i < 19; ++i)
        if (BarLinePixels(image, ColumnX(i) + 13) == 50)
            lines.push_back(i);
    EXPECT_EQ(lines, (std::vector<int>{3, 7, 11, 14, 18}));
}

TEST(RiffBandTest, HeadsSitOnTheirStepsWithStemsUpOrDown) {
    // E4 (bottom line, step 2), B4 (middle line, step 6), C5 (step 7).
    QImage image = DrawBand(MakeRiff({Pitch(4), Pitch(11), Pitch(12)}));
    EXPECT_EQ(At(image, ColumnX(0) + 4, 97), Black);
    EXPECT_NE(At(image, ColumnX(0) + 4, 89), Black);
    EXPECT_EQ(At(image, ColumnX(1) + 4, 81), Black);
    EXPECT_EQ(At(image, ColumnX(2) + 4, 77), Black);
    // Step 2 and step 6 (lowest on the middle line): stems up on the right of the head.
    EXPECT_EQ(At(image, ColumnX(0) + 8, 80), Black);
    EXPECT_EQ(At(image, ColumnX(1) + 8, 60), Black);
    EXPECT_NE(At(image, ColumnX(1) + 1, 90), Black);
    // Step 7: stem down on the left, three spaces below the head.
    EXPECT_EQ(At(image, ColumnX(2) + 1, 95), Black);
    EXPECT_NE(At(image, ColumnX(2) + 8, 65), Black);
}

TEST(RiffBandTest, PairsOfEqualNotesAreBeamedOthersGetFlags) {
    const int ye = 73; // stem end of a head on step 2
    auto beam = [&](const QImage& image, int column) {
        return At(image, ColumnX(column) + 8 + 13, ye) == Black;
    };
    auto flag = [&](const QImage& image, int column) {
        return At(image, ColumnX(column) + 8 + 3, ye + 3) == Black;
    };
    struct {
        const char* name;
        std::vector<TNote> notes;
        const char* beams; // 'b': a beam from the column to the next
        const char* flags; // 'f': the column's note has a flag
    } cases[] = {
        {"four eighths", Repeat(Pitch(4, Eighth), 4), "b.b.", "...."},
        {"three eighths", Repeat(Pitch(4, Eighth), 3), "b..", "..f"},
        {"quarters pair without beam", Repeat(Pitch(4), 2), "..", ".."},
        {"eighth then dotted eighth", {Pitch(4, Eighth), Pitch(4, Eighth, NoteDot)}, "..", "ff"},
        {"eighth then eighth rest", {Pitch(4, Eighth), Rest(Eighth)}, "..", "f."},
        {"rest cancels its pair", {Rest(Eighth), Pitch(4, Eighth), Pitch(4)}, "...", ".f."}};
    for (const auto& c : cases) {
        QImage image = DrawBand(MakeRiff(c.notes));
        for (size_t i = 0; c.beams[i]; ++i) {
            EXPECT_EQ(beam(image, int(i)), c.beams[i] == 'b') << c.name << " beam " << i;
            EXPECT_EQ(flag(image, int(i)), c.flags[i] == 'f') << c.name << " flag " << i;
        }
    }
    // The last column that fits a band never starts a pair: it gets its flag.
    TRiff riff = MakeRiff(Repeat(Pitch(4, Eighth), 2));
    int index = 0;
    int64_t ticks = 0;
    TChordDrawState chords;
    QImage cut = Draw(400, 300, [&](TCanvas& canvas) {
        DrawBandPart(canvas, riff, ColumnX(1), index, ticks, chords);
    });
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(flag(cut, 0));
    EXPECT_FALSE(beam(cut, 0));
}

TEST(RiffBandTest, APairSharesTheFirstStemsDirection) {
    // E4 alone stems up, D5 alone stems down; as a pair of eighths the second follows the first.
    QImage eighths = DrawBand(MakeRiff({Pitch(4, Eighth), Pitch(14, Eighth)}));
    EXPECT_EQ(At(eighths, ColumnX(1) + 8, 60), Black);  // up, on the right of the head
    EXPECT_NE(At(eighths, ColumnX(1) + 1, 100), Black); // not down on the left
}

TEST(RiffBandTest, SixteenthsHaveTwoBeamsAndAThirtySecondThreeFlags) {
    QImage pair = DrawBand(MakeRiff(Repeat(Pitch(4, 5), 2)));
    int mid = ColumnX(0) + 8 + 13;
    EXPECT_EQ(At(pair, mid, 73), Black);
    EXPECT_EQ(At(pair, mid, 77), Black);
    EXPECT_NE(At(pair, mid, 81), Black);
    QImage single = DrawBand(MakeRiff({Pitch(4, 6)}));
    for (int flag = 0; flag < 3; ++flag)
        EXPECT_EQ(At(single, ColumnX(0) + 8 + 3, 73 + 4 * flag + 3), Black) << flag;
    EXPECT_NE(At(single, ColumnX(0) + 8 + 3, 73 + 4 * 3 + 3), Black);
}

TEST(RiffBandTest, NotesOutsideTheKeyGetTheirAccidentals) {
    struct {
        int pitch;
        int key;
        bool sign;
    } cases[] = {{1, 0, true},   // C#4 in C: a sharp
                 {5, 1, true},   // F natural in G: a natural sign
                 {6, 1, false},  // F# in G: the key signature covers it
                 {4, 0, false}}; // E in C
    for (const auto& c : cases) {
        QImage image = DrawBand(MakeRiff({Pitch(c.pitch)}, "4", c.key));
        // The sign's box is a staff space wide, left of the head.
        int dark = Dark(image, QRect(ColumnX(0) - 8, 60, 7, 60));
        EXPECT_EQ(dark > 4, c.sign) << c.pitch << " in key " << c.key;
    }
}

TEST(RiffViewPaintTest, CursorAndSelectionFrames) {
    TTabMetrics m = ComputeTabMetrics(13);
    TRiff riff = MakeRiff(Repeat(Pitch(4), 4));
    TEditorState editor;
    editor.TabMode = true;
    editor.CursorRow = 1;
    riff.Cursor = riff.Anchor = 2;
    auto paint = [&](bool showCursor) {
        TBandColumnCache cache;
        int width = RiffViewWidth(m, riff);
        return Draw(width, 280, [&](TCanvas& canvas) {
            PaintRiffView(canvas, m, riff, editor, {showCursor, width, 280, 0, width}, cache);
        });
    };
    QImage shown = paint(true);
    // 17 x 14 at (104 + 52, 13 + 156 - 6).
    EXPECT_EQ(At(shown, 156, 163), Red);
    EXPECT_EQ(At(shown, 156 + 16, 163 + 13), Red);
    EXPECT_NE(At(shown, 156 + 17, 163 + 13), Red);
    QImage hidden = paint(false);
    EXPECT_NE(At(hidden, 156, 163), Red);
    riff.Anchor = 0;
    QImage selected = paint(false);
    EXPECT_EQ(At(selected, 104, 4), Red);   // the selection frame from y 4
    EXPECT_EQ(At(selected, 104, 279), Red); // to the bottom of the view
    EXPECT_EQ(At(selected, 156 + 16, 150), Red);
}

TEST(RiffBandTest, LedgerLinesBelowAndAboveTheStaff) {
    struct {
        int pitch;
        std::vector<int> ledgers; // y of the blue lines left of the head
    } cases[] = {{0, {105}}, {-1, {105}}, {-3, {105, 113}}, {21, {57}}, {4, {}}};
    for (const auto& c : cases) {
        QImage image = DrawBand(MakeRiff({Pitch(c.pitch)}));
        std::vector<int> found;
        for (int y = 40; y < 140; ++y)
            if (At(image, ColumnX(0) - 3, y) == Blue && (y < 65 || y > 97 || (y - 65) % 8))
                found.push_back(y);
        EXPECT_EQ(found, c.ledgers) << c.pitch;
    }
}

TEST(RiffBandTest, KeySignaturesDrawTheirSignsOnTheirStepsAndTheTimeAfterThem) {
    struct {
        int key;
        const char* bars;
        std::vector<int> tops; // top of each sign's box: StaffStepTop of its step
    } cases[] = {{3, "4", {61, 73, 57}}, {-2, "4", {77, 65}}, {1, "4 4 4 3", {61}}, {0, "4", {}}};
    const QColor navy(0, 0, 128);
    for (const auto& c : cases) {
        QImage image = DrawBand(MakeRiff({}, c.bars, c.key));
        int right = 30; // the signs start right of the clef
        for (size_t i = 0; i < c.tops.size(); ++i) {
            int x = 30 + 6 * int(i) + 2; // the sign's left vertical stroke
            EXPECT_EQ(At(image, x, c.tops[i] + 3), Black) << c.key << " sign " << i;
            EXPECT_EQ(At(image, x, c.tops[i] + 6), Black) << c.key << " sign " << i;
            right = x + 7;
        }
        int signs = Count(image, QRect(26, 50, 40, 40), Black);
        EXPECT_EQ(signs > 0, !c.tops.empty()) << c.key;
        // The time signature is right of the last sign, never over the signs.
        EXPECT_EQ(Count(image, QRect(26, 50, right - 26, 50), navy), 0) << c.key;
        EXPECT_GT(Count(image, QRect(right, 50, 90, 50), navy), 5) << c.key;
    }
}

TEST(RiffBandTest, RestsHangSitAndStand) {
    QImage image = DrawBand(MakeRiff({Rest(1), Rest(Half), Rest(QuarterDuration), Rest(Eighth)}));
    // Whole rest hangs from the second line (y 73), half rest sits on the middle line (y 81).
    EXPECT_EQ(At(image, ColumnX(0) + 4, 75), Black);
    EXPECT_NE(At(image, ColumnX(0) + 4, 79), Black);
    EXPECT_EQ(At(image, ColumnX(1) + 4, 79), Black);
    EXPECT_NE(At(image, ColumnX(1) + 4, 75), Black);
    EXPECT_GT(Dark(image, QRect(ColumnX(2) - 4, 69, 14, 30)), 20);
    EXPECT_GT(Dark(image, QRect(ColumnX(3), 73, 6, 6)), 6);
    // Rests have no fret numbers and no chord names: only tab lines and bar lines there.
    QRect tab(ColumnX(0), 150, 4 * 26, 120);
    EXPECT_EQ(Ink(image, tab) - Count(image, tab, Lime) - Count(image, tab, Grey), 0);
}

TEST(RiffBandTest, DotsAndTiesAreRed) {
    QImage image = DrawBand(MakeRiff({Pitch(4, QuarterDuration, NoteDot),
                                      Pitch(4, QuarterDuration, NoteDotDot | NoteTie), Pitch(4)}));
    EXPECT_GT(Count(image, QRect(ColumnX(0) + 10, 94, 4, 4), Red), 0);
    EXPECT_EQ(Count(image, QRect(ColumnX(0) + 14, 94, 4, 4), Red), 0);
    EXPECT_GT(Count(image, QRect(ColumnX(1) + 14, 94, 4, 4), Red), 0);  // the second dot
    EXPECT_GT(Count(image, QRect(ColumnX(1) + 6, 99, 26, 10), Red), 5); // the tie below
    EXPECT_EQ(Count(image, QRect(ColumnX(0) + 4, 99, 26, 10), Red), 0);
}

TEST(RiffBandTest, DoubleWholeHasBarsWholeHasNoStem) {
    QImage image = DrawBand(MakeRiff({Pitch(4, 0), Pitch(4, 1)}));
    EXPECT_EQ(At(image, ColumnX(0), 94), Black);
    EXPECT_EQ(At(image, ColumnX(0) + 8, 94), Black);
    EXPECT_EQ(Dark(image, QRect(ColumnX(0), 55, 26, 35)), 0); // no stems
    EXPECT_EQ(Dark(image, QRect(ColumnX(1), 55, 26, 35)), 0);
    EXPECT_NE(At(image, ColumnX(1) + 4, 97), Black); // hollow head
}

// Ink in the chord-name row of a column: first line or the staggered second line.
int NameInk(const QImage& image, int column, int line) {
    // From a little right of the column's edge: a wide name before it may reach into it.
    return Ink(image, QRect(ColumnX(column) + 4, 234 + 16 * line, 20, 15));
}

TEST(RiffBandTest, ChordNamesFollowThePrecedingHarmony) {
    TNote aMajor = Note(3, {{3, 2}, {4, 2}, {5, 0}});       // A C# E
    TNote cMajor = Note(3, {{1, 3}, {2, 2}, {3, 0}});       // C E G
    TNote ceGa = Note(3, {{1, 3}, {2, 2}, {3, 0}, {5, 5}}); // C E G A
    TNote clash = Note(3, {{0, 9}, {1, 3}, {2, 0}});        // C# C D: no chord
    QImage image = DrawBand(MakeRiff({Pitch(4), cMajor, cMajor, aMajor, ceGa, clash}), 800);
    EXPECT_EQ(NameInk(image, 0, 0), 0); // one pitch: no name
    EXPECT_GT(NameInk(image, 1, 0), 5); // C
    EXPECT_EQ(NameInk(image, 2, 0), 0); // the same chord again: named once
    // A C# E read from the C chord's root upwards is C#m5+, wider than a column...
    EXPECT_GT(NameInk(image, 3, 0), 5);
    // ...so the next name, Am7, goes one line lower, and the one after it back up.
    EXPECT_GT(NameInk(image, 4, 1), 5);
    EXPECT_GT(NameInk(image, 5, 0), 5); // "??"
    EXPECT_EQ(NameInk(image, 5, 1), 0);
}

TEST(RiffBandTest, BandsContinueNotesTicksAndBarNumbers) {
    TRiff riff = MakeRiff(Repeat(Pitch(4), 12));
    int index = 0;
    int64_t ticks = 0;
    TChordDrawState chords;
    int xLimit = ColumnX(5); // five columns fit
    auto next = [&] {
        return Draw(xLimit, 300,
                    [&](TCanvas& c) { DrawBandPart(c, riff, xLimit, index, ticks, chords); });
    };
    next();
    EXPECT_EQ(std::pair(index, ticks), std::pair(5, int64_t(5 * 256)));
    QImage second = next();
    EXPECT_EQ(std::pair(index, ticks), std::pair(10, int64_t(10 * 256)));
    // Note 7 completes bar 2: the third column of the second band.
    EXPECT_EQ(BarLinePixels(second, ColumnX(2) + 13), 50);
    EXPECT_EQ(BarLinePixels(second, ColumnX(1) + 13), 0);
    next();
    EXPECT_EQ(std::pair(index, ticks), std::pair(12, int64_t(12 * 256)))
        << "stops at the end record";
}

// A riff of every kind of column: chords, rests, dots, ties, short and long notes.
TRiff RandomRiff(std::mt19937& random, int count) {
    std::vector<TNote> notes;
    std::uniform_int_distribution<int> percent(0, 99);
    for (int i = 0; i < count; ++i) {
        TNote note;
        note.Duration = uint8_t(std::uniform_int_distribution<int>(0, 7)(random));
        if (percent(random) < 50)
            note.Duration = Eighth; // many pairs
        int roll = percent(random);
        note.Flags = roll < 10 ? NoteDot : roll < 15 ? NoteDotDot : roll < 25 ? NoteTie : 0;
        if (percent(random) >= 15) {
            int strings = std::uniform_int_distribution<int>(1, 4)(random);
            for (int s = 0; s < strings; ++s)
                note.Fret[size_t(std::uniform_int_distribution<int>(0, 5)(random))] =
                    uint8_t(std::uniform_int_distribution<int>(0, 15)(random));
        }
        notes.push_back(note);
    }
    return MakeRiff(notes, "4 4 4 3", std::uniform_int_distribution<int>(-6, 6)(random));
}

// One cache for the whole test, as the view keeps one while its riff is edited or replaced.
TEST(RiffBandTest, VisibleRangeDrawingMatchesTheWholeBandThroughEdits) {
    std::mt19937 random(11);
    TTabMetrics m = ComputeTabMetrics(13);
    TBandColumnCache cache;
    TRiff riff = RandomRiff(random, 200);
    auto check = [&](const char* what) {
        int width = RiffViewWidth(m, riff);
        int height = BandHeight(m, riff);
        QImage whole = DrawBand(riff, width);
        // Paint the far end first so that the cache holds every column.
        for (int left : {width - 400, 0, width / 2}) {
            QRect visible = QRect(std::max(0, left), 0, 400, height).intersected(whole.rect());
            QImage part = Draw(width, height, [&](TCanvas& canvas) {
                canvas.Painter().setClipRect(visible);
                DrawRiffBandVisible(canvas, m, riff, 4, width, 0, visible.left(),
                                    visible.right() + 1, cache);
            });
            ASSERT_EQ(part.copy(visible), whole.copy(visible)) << what << " at " << left;
        }
    };
    check("first paint");
    riff.Notes[40].Duration = 1; // moves every later bar line
    check("duration changed");
    riff.Notes[100] = Pitch(4, Eighth); // a new pair decision
    riff.Notes[101] = Pitch(4, Eighth);
    check("pair made");
    riff.Notes.insert(riff.Notes.begin() + 10, Pitch(9, 3));
    check("note inserted");
    riff.Notes.erase(riff.Notes.begin() + 150, riff.Notes.begin() + 180);
    check("notes deleted");
    riff.BarsA = "3";
    check("time signature changed");
    riff.Tuning[0] = 40;
    check("tuning changed");
    for (int count : {5, 0, 60}) { // other riffs, smaller and empty
        riff = RandomRiff(random, count);
        check("another riff");
    }
}

} // namespace
} // namespace zel
