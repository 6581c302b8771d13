// File > Export MIDI... and Edit > Copy as Text Tab in the main window: the file dialog, the file
// written whole or not at all, and the clipboard text of a selection or of the whole riff.
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "arrange/midi_export.h"
#include "arrange/text_tab.h"
#include "arrange/timeline.h"
#include "main_form_harness.h"

using namespace zel;

class ExchangeTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;

    TMainForm& Form() { return *h->Form; }
    TRiff& Riff() { return CurrentRiffOf(Form().Project(), Form().Editor()); }
    QAction* Action(const char* name) { return h->Action(name); }
    void Open(const std::string& path) {
        h->DialogAnswers = {QString::fromStdString(path)};
        Action("mOpen")->trigger();
    }

private slots:
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        QVERIFY(h->Start());
        Open(ZELVANE_DEMO_PROJECT);
        QCOMPARE(Form().Project().RiffNames[0], std::string("Intro"));
    }
    void cleanup() { h.reset(); }

    void exportMidiWritesTheSongAsTheCoreDoes() {
        QAction* exportMidi = Action("mExportMIDI");
        QVERIFY(exportMidi);
        std::string path = h->Dir.File("song");
        h->DialogAnswers = {QString::fromStdString(path)};
        exportMidi->trigger();
        QVERIFY(h->Messages.Messages.empty());
        std::string expected =
            TimelineToMidi(Form().Project(), SongTimeline(Form().Project(), {})).Bytes;
        QCOMPARE(test::ReadBytes(path + ".mid"), expected); // the extension added
        QVERIFY(expected.size() > 100);
        QVERIFY(!Form().Document().IsChanged()); // exporting changes nothing
    }

    void exportMidiCancelledOrUnwritableLeavesNothing() {
        std::vector<std::string> before = test::FolderEntries(h->Dir.Path());
        h->DialogAnswers.clear();
        Action("mExportMIDI")->trigger(); // cancelled
        QVERIFY(h->Messages.Messages.empty());
        h->DialogAnswers = {QString::fromStdString(h->Dir.File("missing/song.mid"))};
        Action("mExportMIDI")->trigger();
        QCOMPARE(h->Messages.Messages.size(), size_t(1));
        QVERIFY(h->Messages.Messages[0].Text.rfind("Failed to Save File", 0) == 0);
        QCOMPARE(test::FolderEntries(h->Dir.Path()), before);

        // An undefined riff in the arrangement: the message of Export WAV, and no file.
        Form().Document().Edit("Break", TEditScope{}.AndStructure(),
                               [&] { Form().Project().Structure.push_back("1\tNowhere"); });
        h->DialogAnswers = {QString::fromStdString(h->Dir.File("song.mid"))};
        Action("mExportMIDI")->trigger();
        QCOMPARE(h->Messages.Messages.size(), size_t(2));
        QCOMPARE(h->Messages.Messages[1].Text,
                 std::string("\\b\\1\\|Error!\\n\\[Undefined Riff - Nowhere"));
        QCOMPARE(test::FolderEntries(h->Dir.Path()), before);
    }

    void copyAsTextTabTakesTheSelectionOrTheRiff() {
        QAction* copy = Action("mCopyTextTab");
        QVERIFY(copy);
        Riff().Cursor = Riff().Anchor = 2;
        copy->trigger();
        QCOMPARE(QApplication::clipboard()->text().toStdString(), TextTab(Riff()));
        Riff().Anchor = 4;
        copy->trigger();
        QCOMPARE(QApplication::clipboard()->text().toStdString(), TextTab(Riff(), 2, 4));
        Riff().Anchor = 1;
        Riff().Cursor = 3;
        copy->trigger();
        QCOMPARE(QApplication::clipboard()->text().toStdString(), TextTab(Riff(), 1, 3));
        QVERIFY(!Form().Document().CanUndo()); // copying is no edit
    }
};

QTEST_MAIN(ExchangeTest)
#include "exchange_test.moc"
