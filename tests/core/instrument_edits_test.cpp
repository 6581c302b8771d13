// The instruments window's edits through the document: new, moved, inserted and deleted
// instruments carry their structure columns and undo as one step each; renaming, storing,
// loading and pasting an instrument.
#include <gtest/gtest.h>

#include "document/document_edits.h"
#include "document/instrument_edits.h"
#include "model/structure.h"
#include "sound/instrument_file.h"
#include "test_support.h"

namespace zel {
namespace {

using test::TTexts;

class InstrumentEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        BindInstrumentTabs(strip, document);
        strip.SelectAndFill(0);
    }
    TProject& Project() { return document.Project(); }
    std::vector<std::string> Names() { return Project().InstrumentNames.All(); }
    // Three instruments told apart by their skew, playing columns A, B and C of the song.
    void ThreeInstruments() {
        strip.Click(1);
        strip.Click(2);
        for (int k = 0; k < 3; ++k)
            DocumentStoreInstrument(document, k, WithSkew(uint8_t(10 * (k + 1))));
        document.Edit("song", TEditScope().AndStructure(), [&] {
            Project().Structure = {"1\tA\t2\tB\t3\tC", "4\tA"};
        });
        document.MarkClean();
    }
    static TInstrument WithSkew(uint8_t skew) {
        TInstrument instrument;
        instrument.Skew = skew;
        return instrument;
    }
    // Skew of each named instrument and the riff each plays in row 1.
    std::string Sound() {
        std::string text;
        for (int k = 0; k < Project().InstrumentNames.RecordCount(); ++k)
            text += std::to_string(Project().Instruments[size_t(k)].Skew) + ":" +
                    std::string(StructureField(Project().Structure[0], 2 * k + 1)) + " ";
        return text;
    }

    TDocument document;
    TTabStrip strip{document.Project().InstrumentNames};
};

TEST_F(InstrumentEditsTest, TheBlankTabMakesANewInstrumentAsOneStep) {
    EXPECT_EQ(Names(), (TTexts{"Inst1", ""}));
    strip.Click(1);
    EXPECT_EQ(Names(), (TTexts{"Inst1", "Inst2", ""}));
    EXPECT_TRUE(Project().IsChanged());
    EXPECT_EQ(document.UndoName(), "New Instrument");
    document.Undo();
    EXPECT_EQ(Names(), (TTexts{"Inst1", ""}));
    EXPECT_FALSE(Project().IsChanged());
}

TEST_F(InstrumentEditsTest, MovingInsertingAndDeletingKeepWhatTheSongPlays) {
    ThreeInstruments();
    const std::string before = Sound();
    ASSERT_EQ(before, "10:A 20:B 30:C ");

    strip.Click(2);
    strip.DropOn(0); // drag the third tab to the front
    EXPECT_EQ(Sound(), "30:C 10:A 20:B ");
    EXPECT_EQ(document.UndoName(), "Move Instrument");

    DocumentInsertInstrument(document, strip, 0);
    EXPECT_EQ(Sound(), "0: 30:C 10:A 20:B ") << "a clean instrument with an empty column";
    EXPECT_EQ(StructureField(Project().Structure[1], 5), "A") << "row 2 moved along too";
    EXPECT_EQ(StructureField(Project().Structure[1], 1), "");

    DocumentDeleteInstrument(document, strip, 2);
    EXPECT_EQ(Sound(), "0: 30:C 20:B ");

    // Each was one step; undone, the song is as it was.
    for (const char* step : {"Delete Instrument", "Insert Instrument", "Move Instrument"}) {
        EXPECT_EQ(document.UndoName(), step);
        document.Undo();
    }
    EXPECT_EQ(Sound(), before);
    EXPECT_FALSE(Project().IsChanged());
}

TEST_F(InstrumentEditsTest, AtTheLimitNoExchangeLeavesTheTable) {
    document.Edit("fill", InstrumentTableScope(), [&] {
        for (int k = 1; k < MaxInstruments; ++k) {
            Project().InstrumentNames.GrowTo(k + 1);
            Project().InstrumentNames.SetCaption(k, "I" + std::to_string(k));
            Project().Instruments[size_t(k)].Skew = uint8_t(k);
        }
        Project().Structure = {std::string(2 * MaxInstruments - 1, '\t') + "Last"};
    });
    ASSERT_EQ(Project().InstrumentNames.Count(), MaxInstruments);
    ASSERT_FALSE(Project().InstrumentNames.LastIsBlank());

    DocumentInsertInstrument(document, strip, 5);
    EXPECT_EQ(Project().InstrumentNames.Count(), MaxInstruments) << "a full table takes none";
    EXPECT_EQ(Project().Instruments[99].Skew, 99);

    DocumentDeleteInstrument(document, strip, 5);
    EXPECT_EQ(Project().InstrumentNames.RecordCount(), MaxInstruments - 1);
    EXPECT_EQ(Project().Instruments[98].Skew, 99) << "the last one moved up";
    EXPECT_EQ(StructureField(Project().Structure[0], 2 * 98 + 1), "Last");
    EXPECT_TRUE(Project().InstrumentNames.LastIsBlank());
}

TEST_F(InstrumentEditsTest, RenameStoreAndPaste) {
    DocumentRenameInstrument(document, 0, "");
    EXPECT_EQ(Names()[0], "Inst1");
    EXPECT_FALSE(document.CanUndo()) << "the same name is no change";
    DocumentRenameInstrument(document, 0, "Bass\tGuitar");
    EXPECT_EQ(Names()[0], "Bass Guitar");
    EXPECT_TRUE(Project().IsChanged()) << "the name is saved with the project";

    // Dragging one slider is one step; another control starts the next.
    document.MarkClean();
    for (uint8_t skew : {5, 6, 7})
        DocumentStoreInstrument(document, 0, WithSkew(skew), "tlSkew");
    TInstrument octave = WithSkew(7);
    octave.Octave = -2;
    DocumentStoreInstrument(document, 0, octave, "eOctave");
    document.Undo();
    EXPECT_EQ(Project().Instruments[0], WithSkew(7));
    document.Undo();
    EXPECT_EQ(Project().Instruments[0].Skew, TInstrument{}.Skew);
    EXPECT_FALSE(Project().IsChanged());

    TInstrument pasted = WithSkew(40);
    std::string text = InstrumentToText(pasted);
    for (const std::string& bad : {text + "\t1", text.substr(0, text.rfind('\t'))})
        EXPECT_FALSE(DocumentPasteInstrument(document, 0, bad)) << bad;
    EXPECT_FALSE(Project().IsChanged());
    EXPECT_TRUE(DocumentPasteInstrument(document, 0, text + "\r\n"));
    EXPECT_EQ(Project().Instruments[0], pasted);
}

TEST_F(InstrumentEditsTest, LoadingAFileTakesItsNameAndValues) {
    test::TTempDir dir;
    TInstrument saved = WithSkew(66);
    saved.Wave = WaveNoise;
    ASSERT_TRUE(SaveInstrumentFile(dir.File("hiss.zvi"), "Hiss", saved));
    test::TCapturedMessages messages;
    EXPECT_FALSE(DocumentLoadInstrumentFile(document, 0, dir.File("missing.zvi")));
    EXPECT_FALSE(document.CanUndo());
    EXPECT_EQ(messages->size(), 1u);
    EXPECT_TRUE(DocumentLoadInstrumentFile(document, 0, dir.File("hiss.zvi")));
    EXPECT_EQ(Project().Instruments[0], saved);
    EXPECT_EQ(Names()[0], "Hiss");
    EXPECT_EQ(document.UndoName(), "Load Instrument");
}

} // namespace
} // namespace zel
