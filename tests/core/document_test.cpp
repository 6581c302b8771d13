// The document's undo history: every command family undone and redone exactly, typing merged
// into one step, the clean point, history limits, random edit sequences against snapshots, and
// loads that fail without touching the open project.
#include <gtest/gtest.h>

#include <random>

#include "document/document.h"
#include "document/document_edits.h"
#include "document/instrument_edits.h"
#include "document/midi_note_in.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "model/structure.h"
#include "model/structure_ops.h"
#include "test_support.h"

namespace zel {
namespace {

std::string Saved(const TProject& project) {
    auto file = TDataFile::ToMemory();
    WriteProject(project, *file);
    return file->Bytes();
}

struct TWhere {
    int Riff, Cursor, Anchor, Row;
    bool Tab;
    bool operator==(const TWhere&) const = default;
};

TWhere Where(const TDocument& doc) {
    const TEditorState& e = doc.Editor();
    const TRiff& r = doc.Project().Riffs[size_t(e.CurrentRiff)];
    return {e.CurrentRiff, r.Cursor, r.Anchor, e.CursorRow, e.TabMode};
}

class DocumentTest : public ::testing::Test {
public:
    void SetUp() override {
        BindRiffTabs(strip, doc);
        BindInstrumentTabs(instruments, doc);
        ASSERT_NO_FATAL_FAILURE(Reload());
        doc.Subscribe([this](const TChangeSet& changes) { published.push_back(changes); });
    }
    // The demo project, its first riff and first instrument shown.
    void Reload() {
        ASSERT_TRUE(doc.Load(ZELVANE_DEMO_PROJECT));
        strip.SelectAndFill(0);
        instruments.SelectAndFill(0);
    }
    TRiff& Riff() { return CurrentRiffOf(doc.Project(), doc.Editor()); }
    void Key(TEditKey key, int digit = 0, bool shift = false) {
        DocumentRiffKey(doc, {key, digit, shift, false}, context);
    }
    // Cursor on note `note`, selection to `anchor`, on the tab line of the lowest string or
    // the staff.
    void Place(int note, int anchor, bool tab) {
        Riff().Cursor = note;
        Riff().Anchor = anchor;
        doc.Editor().TabMode = tab;
        doc.Editor().CursorRow = tab ? 0 : 4;
    }

    test::TCapturedMessages messages;
    TDocument doc;
    TTabStrip strip{doc.Project().RiffNames};
    TEditorContext context;
    // Instruments Setup's strip; bound by the tests that use it.
    TTabStrip instruments{doc.Project().InstrumentNames};
    std::vector<TChangeSet> published;
};

void SetTempo60(TProject& p) {
    p.Riffs[0].Tempo = 60;
}

struct TCommandCase {
    const char* Name; // the step's name as the Edit menu shows it
    int Note = -1;    // where the cursor stands first (none: where it is), with the anchor
    int Anchor = 0;
    bool Tab = false;
    std::function<void(DocumentTest&)> Run;

    void Prepare(DocumentTest& t) const {
        if (Note >= 0)
            t.Place(Note, Anchor, Tab);
    }
};

const std::vector<TCommandCase>& Commands() {
    static const std::vector<TCommandCase> cases = {
        {"Typing", 1, 1, true, [](DocumentTest& t) { t.Key(TEditKey::Digit, 7); }},
        {"Pitch Entry", 2, 2, false, [](DocumentTest& t) { t.Key(TEditKey::Enter); }},
        {"Clear Fret", 0, 0, true, [](DocumentTest& t) { t.Key(TEditKey::Space); }},
        {"Insert Note", 1, 1, false, [](DocumentTest& t) { t.Key(TEditKey::Insert); }},
        {"Delete Notes", 1, 3, false, [](DocumentTest& t) { t.Key(TEditKey::Delete); }},
        {"Delete Note", 2, 2, false, [](DocumentTest& t) { t.Key(TEditKey::Backspace); }},
        {"Duration", 0, 2, false,
         [](DocumentTest& t) { DocumentSetDuration(t.doc, 5, t.context); }},
        {"Dot", 1, 1, false,
         [](DocumentTest& t) { DocumentFlagCommand(t.doc, TNoteFlagCommand::Dot, t.context); }},
        {"Lengthen", 0, 1, false,
         [](DocumentTest& t) {
             DocumentFlagCommand(t.doc, TNoteFlagCommand::Lengthen, t.context);
         }},
        {"Transpose Up", 0, 3, false,
         [](DocumentTest& t) { DocumentStringCommand(t.doc, TStringCommand::TransposeUp, true); }},
        {"String Down", 0, 3, false,
         [](DocumentTest& t) { DocumentStringCommand(t.doc, TStringCommand::StringDown, true); }},
        {"Cut", 0, 2, false, [](DocumentTest& t) { DocumentCutNotes(t.doc); }},
        {"Paste", 1, 1, false,
         [](DocumentTest& t) { DocumentPasteNotes(t.doc, "3\t-\t-\t-\t-\t-\t-\t-\t2\t0\r\n"); }},
        {"New Riff", -1, 0, false,
         [](DocumentTest& t) { t.strip.SelectAndFill(t.doc.Project().RiffNames.Count() - 1); }},
        {"Insert Riff", -1, 0, false,
         [](DocumentTest& t) { DocumentInsertRiff(t.doc, t.strip, 0); }},
        {"Delete Riff", -1, 0, false,
         [](DocumentTest& t) { DocumentDeleteRiff(t.doc, t.strip, 0); }},
        {"Move Riff", -1, 0, false,
         [](DocumentTest& t) { t.strip.SelectAndFill(0), t.strip.DropOn(1); }},
        {"Riff Properties", -1, 0, false,
         [](DocumentTest& t) {
             DocumentStoreRiffProperties(
                 t.doc, 0,
                 [](TProject& p) { p.RiffNames.SetCaption(0, "Chorus"), p.Riffs[0].Tempo = 90; },
                 "name");
         }},
        {"Tempo of All Riffs", -1, 0, false,
         [](DocumentTest& t) { DocumentSetTempoOfAllRiffs(t.doc, 77); }},
        {"Move Instrument", -1, 0, false,
         [](DocumentTest& t) { t.instruments.SelectAndFill(1), t.instruments.DropOn(0); }},
        {"Instrument Settings", -1, 0, false,
         [](DocumentTest& t) {
             // What Instruments Setup stores: the controls into the instrument shown.
             int shown = t.doc.Editor().CurrentInstrument;
             TInstrument values = t.doc.Project().Instruments[size_t(shown)];
             values.Wave = uint8_t((values.Wave + 1) % 4);
             DocumentStoreInstrument(t.doc, shown, values);
         }},
        {"Insert Row", -1, 0, false, [](DocumentTest& t) {
             DocumentStructureEdit(t.doc, "Insert Row", [](auto& s) { InsertStructureRow(s, 0); });
         }}};
    return cases;
}

TEST_F(DocumentTest, EveryCommandIsUndoneAndRedoneWithItsCursor) {
    for (const auto& command : Commands()) {
        SCOPED_TRACE(command.Name);
        ASSERT_NO_FATAL_FAILURE(Reload());
        command.Prepare(*this);
        std::string before = Saved(doc.Project());
        TWhere whereBefore = Where(doc);
        command.Run(*this);
        std::string after = Saved(doc.Project());
        TWhere whereAfter = Where(doc);
        ASSERT_NE(before, after) << "the command changed nothing";
        EXPECT_TRUE(doc.IsChanged());
        ASSERT_EQ(doc.UndoName(), command.Name);
        ASSERT_EQ(doc.UndoCount(), 1);

        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(Saved(doc.Project()), before);
        EXPECT_EQ(Where(doc), whereBefore);
        EXPECT_FALSE(doc.IsChanged()) << "back at the loaded state";
        EXPECT_EQ(doc.RedoName(), command.Name);
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(Saved(doc.Project()), after);
        EXPECT_EQ(Where(doc), whereAfter);
    }
}

TEST_F(DocumentTest, AllCommandsInARowUndoToTheOriginalAndRedoToTheEnd) {
    std::vector<std::string> states{Saved(doc.Project())};
    std::vector<TWhere> places{Where(doc)};
    for (const auto& command : Commands()) {
        command.Prepare(*this);
        TWhere before = Where(doc);
        command.Run(*this);
        if (doc.UndoCount() == int(states.size())) {
            states.push_back(Saved(doc.Project()));
            places.back() = before; // where the step started, for its undo
            places.push_back(Where(doc));
        }
    }
    ASSERT_GT(states.size(), Commands().size() - 3) << "most commands made a step of their own";
    std::string last = states.back();
    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(Saved(doc.Project()), states[i - 1]) << "after undoing step " << i;
        // The riff that was current then has its cursor back (undo may show another riff:
        // the one its step changed).
        EXPECT_EQ(doc.Project().Riffs[size_t(places[i - 1].Riff)].Cursor, places[i - 1].Cursor)
            << doc.RedoName();
    }
    EXPECT_FALSE(doc.Undo());
    EXPECT_FALSE(doc.IsChanged());
    while (doc.Redo()) {
    }
    EXPECT_EQ(Saved(doc.Project()), last);
}

TEST_F(DocumentTest, TypingOneFretIsOneStepAndMovingOnStartsAnother) {
    Place(0, 0, true);
    Key(TEditKey::Digit, 1);
    Key(TEditKey::Digit, 2);
    EXPECT_EQ(Riff().Notes[0].Fret[size_t(CursorSlot(Riff(), doc.Editor()))], 12);
    EXPECT_EQ(doc.UndoCount(), 1);
    Key(TEditKey::Right);
    Key(TEditKey::Digit, 3);
    EXPECT_EQ(doc.UndoCount(), 2) << "the next note is a step of its own";
    doc.Undo();
    doc.Undo();
    EXPECT_FALSE(doc.IsChanged());
    EXPECT_EQ(Where(doc).Cursor, 0);

    doc.Editor().CursorRow = 2; // a lower string
    Key(TEditKey::Digit, 4);
    Key(TEditKey::Up);
    Key(TEditKey::Home);
    doc.Undo();
    EXPECT_EQ(Where(doc), (TWhere{0, 0, 0, 2, true})) << "on the string and note typed on";
}

TEST_F(DocumentTest, ChangedFollowsTheCleanPoint) {
    test::TTempDir dir;
    Place(0, 0, true);
    Key(TEditKey::Digit, 4);
    ASSERT_TRUE(doc.Save(dir.File("a.zvp")));
    EXPECT_FALSE(doc.IsChanged());
    Key(TEditKey::Digit, 5);
    EXPECT_EQ(doc.UndoCount(), 2) << "a save ends the merging of typing";
    doc.Undo();
    EXPECT_FALSE(doc.IsChanged()) << "undone back to the saved state";
    doc.Undo();
    EXPECT_TRUE(doc.IsChanged()) << "before the saved state";
    doc.Redo();
    EXPECT_FALSE(doc.IsChanged());
    doc.Undo();
    Key(TEditKey::Digit, 9); // a new branch: the saved state cannot come back
    doc.Undo();
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_FALSE(doc.CanRedo() && doc.RedoName() != "Typing");
}

TEST_F(DocumentTest, HistoryKeepsTheNewestStepsWithinItsLimits) {
    doc.SetLimits({3, size_t(64) << 20});
    for (int i = 0; i < 5; ++i) {
        Place(i, i, true);
        Key(TEditKey::Digit, 1 + i);
    }
    EXPECT_EQ(doc.StepCount(), 3);
    int undone = 0;
    while (doc.Undo())
        ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_TRUE(doc.IsChanged()) << "the loaded state left the history";

    doc.SetLimits({500, 1}); // every step is too big: only the newest stays
    Key(TEditKey::Digit, 1);
    EXPECT_EQ(doc.StepCount(), 1);
    EXPECT_TRUE(doc.CanUndo());
}

TEST_F(DocumentTest, RandomEditsUndoAndRedoMatchTheirSnapshots) {
    doc.SetLimits({1000000, size_t(1) << 40});
    // Every transaction is also compared whole: nothing outside its declared scope may change.
    doc.SetScopeAudit(true);
    std::mt19937 random(20261207);
    std::vector<std::string> states{Saved(doc.Project())};
    size_t pos = 0;
    for (int step = 0; step < 3000; ++step) {
        int what = int(random() % 10);
        if (what < 2 && doc.CanUndo()) {
            doc.Undo();
            ASSERT_EQ(Saved(doc.Project()), states[--pos]) << "undo at step " << step;
        } else if (what < 3 && doc.CanRedo()) {
            doc.Redo();
            ASSERT_EQ(Saved(doc.Project()), states[++pos]) << "redo at step " << step;
        } else {
            const auto& command = Commands()[random() % Commands().size()];
            command.Prepare(*this);
            int notes = std::max(1, NoteCount(Riff()));
            Riff().Cursor = int(random() % uint32_t(notes));
            Riff().Anchor = int(random() % uint32_t(notes));
            command.Run(*this);
            if (size_t(doc.UndoCount()) == pos + 1) {
                states.resize(pos + 1);
                states.push_back(Saved(doc.Project()));
                ++pos;
            } else if (size_t(doc.UndoCount()) == pos) {
                if (pos > 0) // merged into the step before, or nothing changed
                    states[pos] = Saved(doc.Project());
                else
                    ASSERT_EQ(Saved(doc.Project()), states[0]);
            } else {
                FAIL() << "the history jumped by more than one step";
            }
        }
        ASSERT_EQ(doc.IsChanged(), pos != 0) << "at step " << step;
    }
    EXPECT_EQ(doc.ScopeViolations(), std::vector<std::string>{});
}

TEST_F(DocumentTest, AFileThatIsNotAProjectLeavesTheOpenProjectAsItWas) {
    test::TTempDir dir;
    Place(0, 0, true);
    Key(TEditKey::Digit, 9);
    std::string before = Saved(doc.Project());
    std::string path = doc.Path();
    const std::pair<const char*, std::string> files[] = {
        {"binary", std::string("T\tRiff\0\x01\x02", 9)},
        {"plain text", "hello world\r\nthis is no project\r\n"},
        {"empty", ""},
        {"blank first line", "\r\nT\tRiff1\r\n"}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        test::WriteBytes(dir.File("f"), bytes);
        EXPECT_FALSE(doc.Load(dir.File("f")));
        EXPECT_EQ(Saved(doc.Project()), before);
        EXPECT_EQ(doc.Path(), path);
        EXPECT_TRUE(doc.IsChanged());
        EXPECT_TRUE(doc.CanUndo()) << "the history stays too";
        ASSERT_FALSE(messages->empty());
        EXPECT_EQ(messages->back().Text.rfind("Failed to Open File\n", 0), 0u);
    }
    EXPECT_FALSE(doc.Load(dir.File("missing.zvp")));
    EXPECT_EQ(Saved(doc.Project()), before);

    test::WriteBytes(dir.File("lf.zvp"), "T\tOne\nN\t1\n"); // LF only: one long riff line
    EXPECT_TRUE(doc.Load(dir.File("lf.zvp")));
}

TEST_F(DocumentTest, MovingRiffTabsKeepsOnlyTheNewPlacesInTheHistory) {
    Riff().Notes.assign(20000, test::Note(QuarterDuration, {{0, 3}}));
    EnsureNotes(Riff(), 20002);
    doc.MarkClean();
    std::string before = Saved(doc.Project());
    DocumentInsertRiff(doc, strip, 0);
    strip.SelectAndFill(2);
    strip.DropOn(0);
    DocumentDeleteRiff(doc, strip, 1);
    EXPECT_EQ(doc.UndoCount(), 3);
    // Each of 20,000 notes takes 10 bytes: a riff recorded as changed would take 200 KB.
    EXPECT_LT(doc.HistoryBytes(), 20000u);
    std::string after = Saved(doc.Project());
    while (doc.Undo()) {
    }
    EXPECT_EQ(Saved(doc.Project()), before);
    while (doc.Redo()) {
    }
    EXPECT_EQ(Saved(doc.Project()), after);
}

TEST_F(DocumentTest, InsertedRiffsNeverShareAName) {
    for (int i = 0; i < 4; ++i)
        DocumentInsertRiff(doc, strip, 0);
    const TTabCaptions& names = doc.Project().RiffNames;
    for (int a = 0; a < names.RecordCount(); ++a)
        for (int b = a + 1; b < names.RecordCount(); ++b)
            EXPECT_NE(names.Find(names[a]), b) << names[a] << " twice";
}

TEST_F(DocumentTest, EditsAfterATabDragLandOnTheRecordTheUserSees) {
    // Riff Properties holds "Intro"; its tab is dragged behind "Verse", then a field is stored.
    uint32_t intro = doc.Project().Riffs[0].Id;
    strip.SelectAndFill(0);
    strip.DropOn(1);
    ASSERT_EQ(RiffIndexOf(doc.Project(), intro), 1);
    DocumentStoreRiffProperties(
        doc, RiffIndexOf(doc.Project(), intro), [](TProject& p) { p.Riffs[1].BarsA = "3"; },
        "barsA");
    EXPECT_EQ(doc.Project().Riffs[1].BarsA, "3");
    EXPECT_EQ(doc.Project().RiffNames[1], "Intro");
    EXPECT_EQ(doc.Project().RiffNames[0], "Verse") << "the riff now first keeps its name";
    EXPECT_EQ(doc.Project().Riffs[0].BarsA, "4 4 4 3");

    // Instruments Setup shows "Bass"; its tab is dragged before "Lead", then a control moves.
    instruments.SelectAndFill(1);
    instruments.DropOn(0);
    EXPECT_EQ(doc.Editor().CurrentInstrument, 0) << "the instrument shown moved with its tab";
    TInstrument noise = doc.Project().Instruments[0];
    noise.Wave = WaveNoise;
    DocumentStoreInstrument(doc, doc.Editor().CurrentInstrument, noise);
    EXPECT_EQ(doc.Project().InstrumentNames[0], "Bass");
    EXPECT_EQ(doc.Project().Instruments[0].Wave, WaveNoise);
    EXPECT_EQ(doc.Project().Instruments[1].Wave, 2) << "Lead keeps its square wave";
    ASSERT_FALSE(published.empty());
    EXPECT_EQ(published.back().Instruments, std::vector<uint32_t>{doc.Project().Instruments[0].Id});
}

TEST_F(DocumentTest, UndoShowsWhatItsStepChangedAndKeepsTheRest) {
    struct TCase {
        const char* Name;
        std::function<void(DocumentTest&)> Run;
        int Riff, Instrument; // what undo leaves current
        bool ShowsRiff, ShowsInstrument, ShowsGrid;
    };
    const TCase cases[] = {
        {"grid edit keeps the riff tab, entry mode and duration",
         [](DocumentTest& t) {
             t.doc.Editor().Grid = {2, 1, 2, 1, 2, 1};
             DocumentStructureEdit(t.doc, "Clear Cells", [](auto& s) { s[1].clear(); });
             t.doc.Editor().Grid = {1, 1, 1, 1, 1, 1};
         },
         2, 0, false, false, true},
        {"an instrument that is not shown is shown",
         [](DocumentTest& t) {
             TInstrument quiet = t.doc.Project().Instruments[1];
             quiet.MixLeft = 1;
             DocumentStoreInstrument(t.doc, 1, quiet);
         },
         2, 1, false, true, false},
        {"a moved instrument is shown where it goes back to",
         [](DocumentTest& t) { // Lead shown, now second
             t.instruments.SelectAndFill(1), t.instruments.DropOn(0),
                 t.instruments.SelectAndFill(1);
         },
         2, 1, false, true, true},
        {"a riff edit shows its riff",
         [](DocumentTest& t) { DocumentStoreRiffProperties(t.doc, 0, SetTempo60, "tempo"); }, 0, 0,
         true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_NO_FATAL_FAILURE(Reload());
        c.Run(*this);
        strip.SelectAndFill(2);
        doc.Editor().TabMode = true;
        doc.Editor().CurrentDuration = 5;
        ASSERT_TRUE(doc.Undo());
        const TChangeSet& shown = published.back();
        EXPECT_EQ(shown.Kind, TChangeSet::TKind::Undo);
        EXPECT_EQ(shown.ShowsRiff, c.ShowsRiff);
        EXPECT_EQ(shown.ShowsInstrument, c.ShowsInstrument);
        EXPECT_EQ(shown.ShowsGrid, c.ShowsGrid);
        EXPECT_EQ(doc.Editor().CurrentRiff, c.Riff);
        EXPECT_EQ(doc.Editor().CurrentInstrument, c.Instrument);
        EXPECT_EQ(doc.Editor().TabMode, !c.ShowsRiff);
        if (c.ShowsGrid && !c.ShowsInstrument && !c.ShowsRiff) {
            EXPECT_EQ(doc.Editor().Grid, (TEditorState::TGridPlace{2, 1, 2, 1, 2, 1}));
        }
    }
}

TEST_F(DocumentTest, RenamingARiffRenamesItsCellsAndADuplicateIsRefused) {
    auto rename = [&](int index, const char* name) {
        return DocumentStoreRiffProperties(
            doc, index, [&](TProject& p) { p.RiffNames.SetCaption(index, name); }, "name");
    };
    int used = CountRiffCells(doc.Project().Structure, "Intro");
    ASSERT_GT(used, 0);
    EXPECT_TRUE(rename(0, "Opening"));
    EXPECT_EQ(CountRiffCells(doc.Project().Structure, "Opening"), used);
    EXPECT_EQ(CountRiffCells(doc.Project().Structure, "Intro"), 0);
    EXPECT_EQ(doc.UndoCount(), 1) << "cells and name are one step";

    size_t shown = messages->size();
    EXPECT_FALSE(rename(0, "Verse"));
    EXPECT_EQ(doc.Project().RiffNames[0], "Opening");
    EXPECT_EQ(doc.UndoCount(), 1);
    ASSERT_EQ(messages->size(), shown + 1);
    EXPECT_TRUE(messages->back().Text.find("already exists") != std::string::npos);

    doc.Undo();
    EXPECT_EQ(doc.Project().RiffNames[0], "Intro");
    EXPECT_EQ(CountRiffCells(doc.Project().Structure, "Intro"), used);
}

TEST_F(DocumentTest, AnEditThatThrowsLeavesTheModelExactlyAsItWas) {
    const std::pair<std::function<void()>, const char*> failures[] = {
        {[] { throw std::bad_alloc(); }, "Out of memory"},
        {[] { throw std::runtime_error("Disk full"); }, "Disk full"}};
    Key(TEditKey::Digit, 3);
    for (const auto& [fail, text] : failures) {
        SCOPED_TRACE(text);
        std::string before = Saved(doc.Project());
        TWhere where = Where(doc);
        int steps = doc.UndoCount();
        EXPECT_FALSE(doc.Edit("Import", TEditScope::Everything(), [&] {
            Riff().Notes.assign(5000, test::Note(QuarterDuration, {{0, 3}}));
            DocumentInsertRiff(doc, strip, 0);
            doc.Project().Structure.clear();
            fail();
        }));
        EXPECT_EQ(Saved(doc.Project()), before);
        EXPECT_EQ(Where(doc), where);
        EXPECT_EQ(doc.UndoCount(), steps);
        EXPECT_EQ(messages->back().Text, text);
        doc.Undo(); // the step before still undoes onto the state it was made from
        EXPECT_FALSE(doc.IsChanged());
        doc.Redo();
    }
}

TEST_F(DocumentTest, MergesEndWhereTheUserMovesOn) {
    Place(3, 3, true);
    Key(TEditKey::Digit, 1);
    doc.BreakMerge(); // what a click on another note does
    Key(TEditKey::Digit, 2);
    EXPECT_EQ(doc.UndoCount(), 2);
    strip.SelectAndFill(1);
    strip.SelectAndFill(0); // a tab switch and back
    Key(TEditKey::Digit, 4);
    EXPECT_EQ(doc.UndoCount(), 3);

    // A MIDI chord, redone, leaves the cursor where the release left it.
    TMidiEntry entry{true, false};
    strip.SelectAndFill(doc.Project().RiffNames.Count() - 1); // a new, empty riff
    Place(0, 0, false);
    for (uint8_t key : {60, 64, 67})
        MidiNoteIn(doc, entry, 0x90, key, 100);
    MidiNoteIn(doc, entry, 0x80, 60, 0);
    int after = Riff().Cursor;
    ASSERT_EQ(after, 1);
    doc.Undo();
    doc.Redo();
    EXPECT_EQ(Riff().Cursor, after);
    TNote chord = Riff().Notes[0];
    MidiNoteIn(doc, entry, 0x90, 62, 100);
    EXPECT_EQ(Riff().Notes[0], chord) << "the next key starts a note of its own";
    EXPECT_NE(Riff().Notes[size_t(after)].Fret, BlankNote.Fret);
}

} // namespace
} // namespace zel
