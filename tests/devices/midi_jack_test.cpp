// The editor's MIDI input through a real MIDI service: a private JACK server, a virtual
// keyboard port played by the test, and the main window listening to it. Exits 77 (skipped)
// where no JACK server can start.
#include <rtmidi/RtMidi.h>

#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "app/options_form.h"
#include "main_form_harness.h"
#include "midi_devices.h"
#include "private_jack.h"

using namespace zel;
using namespace zel::test;

namespace {

TPrivateJack* g_jack = nullptr;

void Send(RtMidiOut& keyboard, std::vector<unsigned char> message) {
    keyboard.sendMessage(&message);
}

} // namespace

class MidiJackTest : public QObject {
    Q_OBJECT

    std::string FirstNote(TMainFormHarness& h) {
        auto texts = NoteTexts(h.Form->Project().Riffs[0]);
        return texts.empty() ? std::string() : texts[0];
    }

private slots:
    void aChordPlayedOnAKeyboardLandsAtTheCursor() {
        RtMidiOut keyboard(RtMidi::UNIX_JACK, "Test Keyboard");
        keyboard.openVirtualPort("keys");
        TMainFormHarness h;
        QVERIFY(h.Start({QStringLiteral("-nosplash")}));
        // The keyboard is the only input: the first run opens it.
        auto names = MidiInput().Names();
        QCOMPARE(int(names.size()), 1);
        QCOMPARE(QString::fromStdString(names[0]), QStringLiteral("Test Keyboard:keys"));
        QVERIFY(MidiInput().IsOpen(0));
        h.Form->findChild<QToolButton*>("bMidi")->defaultAction()->trigger();
        QCOMPARE(h.Form->StatusText(), QStringLiteral("Midi Selected: Test Keyboard:keys"));

        h.Form->Editor().CurrentDuration = QuarterDuration;
        Send(keyboard, {0x90, 60, 100});
        Send(keyboard, {0x90, 64, 100});
        Send(keyboard, {0xFE});
        Send(keyboard, {0x90, 67, 100});
        QTRY_COMPARE(FirstNote(h), std::string("3:19,16,12,"));
        Send(keyboard, {0x80, 60, 0});
        Send(keyboard, {0x80, 64, 0});
        QTRY_COMPARE(h.Form->Project().Riffs[0].Cursor, 1);

        // The server stops: the device is reported once and closed; the editor goes on.
        g_jack->Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!MidiInput().IsOpen(0), 8000);
        QTest::qWait(2000);
        QCOMPARE(int(h.Messages.Messages.size()), 1);
        QVERIFY(h.Messages.Messages[0].Text.find("Test Keyboard:keys") != std::string::npos);
        QCOMPARE(FirstNote(h), std::string("3:19,16,12,"));
    }
};

int main(int argc, char** argv) {
    TPrivateJack jack;
    if (!jack.Start())
        return 77;
    g_jack = &jack;
    QApplication app(argc, argv);
    MidiJackTest test;
    int failures = QTest::qExec(&test, argc, argv);
    UseMidiBackend(nullptr);
    return failures;
}

#include "midi_jack_test.moc"
