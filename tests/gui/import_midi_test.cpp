// File > Import MIDI in the main window: the file dialog, the channel dialog answered as a user
// would (with or without the file's timing), the notes in the current riff as one undoable step,
// and damaged and unreadable files.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "arrange/channels_form.h"
#include "arrange/midi_export.h"
#include "arrange/midi_import.h"
#include "main_form_harness.h"
#include "view/riff_view.h"

using namespace zel;

namespace {

const std::string TwoVoices = std::string(ZELVANE_TEST_DATA) + "/two_voices.mid";
const std::string Scale = std::string(ZELVANE_TEST_DATA) + "/scale.mid";

} // namespace

class ImportMidiTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    // What the channel dialog showed when it opened, and how many messages came before it.
    uint16_t shownMask = 0;
    bool shownAll = false;
    int dialogs = 0;
    size_t messagesBeforeDialog = 0;

    TMainForm& Form() { return *h->Form; }
    TRiff& Riff() { return CurrentRiffOf(Form().Project(), Form().Editor()); }
    QAction* Action(const char* name) { return h->Action(name); }

    // Notes as "duration:pitch,pitch" strings.
    std::vector<std::string> Notes() { return test::NoteTexts(Riff()); }

    // Answers the channel dialog when it opens: notes what it shows, then `answer` acts on it.
    void AnswerChannels(std::function<void(TChannelsForm&)> answer) {
        auto* poll = new QTimer(this);
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [this, poll, answer] {
            auto* dialog = qobject_cast<TChannelsForm*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            ++dialogs;
            shownMask = dialog->CheckedChannels();
            shownAll = dialog->findChild<QCheckBox*>(QStringLiteral("cbAll"))->isChecked();
            messagesBeforeDialog = h->Messages.Messages.size();
            answer(*dialog);
        });
        poll->start();
    }
    static void ClickOk(TChannelsForm& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("bOK")), Qt::LeftButton);
    }
    void Import(const std::string& path) {
        h->DialogAnswers = {QString::fromStdString(path)};
        Action("mImportMIDI")->trigger();
    }

private slots:
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        QVERIFY(h->Start());
        shownMask = 0;
        shownAll = false;
        dialogs = 0;
        messagesBeforeDialog = 0;
    }
    void cleanup() {
        qDeleteAll(findChildren<QTimer*>()); // a dialog answer that was never needed
        h.reset();
    }

    void oneChosenChannelGivesOnlyItsNotesInOneUndoStep() {
        QAction* import = Action("mImportMIDI");
        QVERIFY(import->isEnabled());
        int width = Form().RiffView()->PaintBox()->width();
        AnswerChannels([](TChannelsForm& dialog) {
            QTest::mouseClick(dialog.ChannelBox(0), Qt::LeftButton); // keep channel 2 only
            ClickOk(dialog);
        });
        Import(TwoVoices);
        QCOMPARE(dialogs, 1);
        QCOMPARE(shownMask, uint16_t(0b101)); // the channels that play notes
        QVERIFY(!shownAll);
        QCOMPARE(Notes(), (std::vector<std::string>{"2:", "3:", "3:", "3:7,", "3:2,"}));
        QVERIFY(Form().RiffView()->PaintBox()->width() > width); // the view shows the notes
        QVERIFY(h->Messages.Messages.empty());
        QVERIFY(Form().Document().IsChanged());
        QCOMPARE(Form().Document().UndoCount(), 1);
        Action("mUndo")->trigger();
        QVERIFY(Notes().empty());
        QCOMPARE(Riff().Cursor, 0);
        QVERIFY(!Form().Document().IsChanged());
    }

    void theCloseBoxImportsEveryChannel() {
        AnswerChannels([](TChannelsForm& dialog) {
            QTest::mouseClick(dialog.ChannelBox(2), Qt::LeftButton); // a change that is dropped
            dialog.reject();                                         // the close box
        });
        Import(TwoVoices);
        QCOMPARE(dialogs, 1);
        // Both voices, as the core import gives them with every channel.
        TProject project;
        TEditorState editor;
        ResetProject(project, editor);
        ImportMidi(test::ReadBytes(TwoVoices), project, editor, {});
        QCOMPARE(Riff().Notes, project.Riffs[0].Notes);
        QVERIFY(Notes().size() >= 4);
    }

    void allChecksEveryBoxAndOkTakesThem() {
        AnswerChannels([](TChannelsForm& dialog) {
            auto* all = dialog.findChild<QCheckBox*>(QStringLiteral("cbAll"));
            QTest::mouseClick(all, Qt::LeftButton);
            QCOMPARE(dialog.CheckedChannels(), uint16_t(0xFFFF));
            QTest::mouseClick(all, Qt::LeftButton);
            QCOMPARE(dialog.CheckedChannels(), uint16_t(0));
            ClickOk(dialog);
        });
        Import(Scale);
        QCOMPARE(shownMask, uint16_t(1));
        // No channel chosen: the gaps still become rests, and no pitch is placed.
        for (const std::string& note : Notes())
            QVERIFY(note.back() == ':');
        // Two columns of eight, the keyboard going down the first and on to the second.
        auto* dialog = Form().ChannelsForm();
        QCOMPARE(dialog->ChannelBox(7)->nextInFocusChain(), dialog->ChannelBox(8));
    }

    void aFileWithoutAHeaderSaysSoOnceAndImportsNothing() {
        std::string bytes = "RIFF" + std::string("\0\0\0\4", 4) + "data" + test::ReadBytes(Scale);
        test::WriteBytes(h->Dir.File("damaged.mid"), bytes);
        Riff().Cursor = 0;
        AnswerChannels(ClickOk); // must never be needed
        Import(h->Dir.File("damaged.mid"));
        QTest::qWait(30);
        QCOMPARE(dialogs, 0);
        QCOMPARE(h->Messages.Messages.size(), size_t(1));
        QCOMPARE(h->Messages.Messages[0].Kind, int(MessageError));
        QCOMPARE(h->Messages.Messages[0].Text, std::string("\\1\\bInvalid MIDI File"));
        QVERIFY(Notes().empty());
        QVERIFY(!Form().Document().IsChanged() && !Form().Document().CanUndo());
    }

    void theFilesTimingIsOneUndoStepAndRemembered() {
        // Channel 0 plays the tune; channel 9 (the drums) is left out once the box is checked.
        std::string tune = test::ReadBytes(std::string(ZELVANE_TEST_DATA) + "/rhythm.mid");
        TMidiTrackWriter drums;
        drums.Note(0, 480, 9, 36, 100);
        drums.Note(480, 480, 9, 38, 100);
        std::string drumTrack = MidiFileBytes(1, 480, std::span(&drums, 1)).substr(14);
        std::string file = tune;
        file[11] = 2; // two tracks (the tune is a type 0 file; now it is read as type 1)
        file[9] = 1;
        test::WriteBytes(h->Dir.File("band.mid"), file + drumTrack);
        bool drumsShown = false;
        AnswerChannels([&drumsShown](TChannelsForm& dialog) {
            drumsShown = dialog.ChannelBox(9)->isChecked();
            auto* timing = dialog.findChild<QCheckBox*>(QStringLiteral("cbFileTiming"));
            QTest::mouseClick(timing, Qt::LeftButton);
            QVERIFY(!dialog.ChannelBox(9)->isChecked());
            QVERIFY(dialog.ChannelBox(0)->isChecked());
            ClickOk(dialog);
        });
        Import(h->Dir.File("band.mid"));
        QVERIFY(drumsShown);
        QCOMPARE(Notes().size(), size_t(12));
        QCOMPARE(Notes()[0], std::string("3:21,"));
        QCOMPARE(Notes()[1], std::string("4:23,")); // a dotted eighth
        QCOMPARE(int(Riff().Notes[1].Flags), int(NoteDot));
        QCOMPARE(int(Riff().Tempo), 90);
        QCOMPARE(Form().Document().UndoCount(), 1);
        Action("mUndo")->trigger();
        QVERIFY(Notes().empty());
        QCOMPARE(int(Riff().Tempo), 120);

        // The box keeps its state in the settings, and with it the drums start unchecked.
        QVERIFY(h->Start());
        QVERIFY(Form().ChannelsForm()->FileTiming());
        AnswerChannels([&drumsShown](TChannelsForm& dialog) {
            drumsShown = dialog.ChannelBox(9)->isChecked();
            ClickOk(dialog);
        });
        Import(h->Dir.File("band.mid"));
        QVERIFY(!drumsShown);
        Form().ChannelsForm()->SetFileTiming(false);
        QVERIFY(h->Start());
        QVERIFY(!Form().ChannelsForm()->FileTiming());
    }

    void cancelOrAnUnreadableFileDoNothing() {
        AnswerChannels(ClickOk); // must never be needed
        h->DialogAnswers.clear();
        Action("mImportMIDI")->trigger(); // the file dialog cancelled
        QVERIFY(h->Messages.Messages.empty());
        Import(h->Dir.File("no such file.mid"));
        QCOMPARE(h->Messages.Messages.size(), size_t(1));
        QCOMPARE(h->Messages.Messages[0].Text, std::string("Failed to Open File"));
        QTest::qWait(30);
        QCOMPARE(dialogs, 0);
        QVERIFY(!Form().Document().CanUndo());
        QVERIFY(!Form().Document().IsChanged());
    }
};

QTEST_MAIN(ImportMidiTest)
#include "import_midi_test.moc"
