// The editor's MIDI input through a real MIDI service: a private JACK server, a virtual
// keyboard port played by the test, the main window and zelvane-cli listening to it. Exits 77
// (skipped) where no JACK server can start, after the cases without any MIDI service.
#include <rtmidi/RtMidi.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
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

struct TCliRun {
    int Exit = -1;
    QString Out;
    QString Err;
};

// Runs zelvane-cli with the JACK server `server` (a name no server has: no MIDI service).
TCliRun RunCli(const QStringList& args, const QString& server,
               const std::function<void()>& whileRunning = {}) {
    QProcess cli;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("JACK_DEFAULT_SERVER"), server);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(ZELVANE_CLI), args);
    cli.waitForStarted();
    if (whileRunning)
        whileRunning();
    cli.waitForFinished(20000);
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            QString::fromUtf8(cli.readAllStandardOutput()),
            QString::fromUtf8(cli.readAllStandardError())};
}

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
    void theToolWithoutAnyMidiService() {
        if (access("/dev/snd/seq", R_OK | W_OK) == 0)
            QSKIP("this machine has an ALSA sequencer");
        QString none =
            QStringLiteral("zelvane-no-server-%1").arg(QCoreApplication::applicationPid());
        TCliRun run = RunCli({"midi-devices"}, none);
        QCOMPARE(run.Exit, 0);
        QCOMPARE(run.Out, QStringLiteral("Inputs: none\nOutputs: none\n"));
        QCOMPARE(run.Err, QString()); // the services' own complaints stay quiet
        run = RunCli({"midi-monitor", "--device", "0", "--seconds", "1"}, none);
        QCOMPARE(run.Exit, 1);
        QVERIFY(run.Err.contains("TMidiInput: Device index out of bounds! (0)"));
        run = RunCli({"midi-monitor", "--seconds", "1"}, none);
        QCOMPARE(run.Exit, 2);
    }

    void theToolListsAndMonitorsAKeyboard() {
        if (!g_jack)
            QSKIP("no JACK server");
        RtMidiOut keyboard(RtMidi::UNIX_JACK, "Tool Keyboard");
        keyboard.openVirtualPort("keys");
        QString server = qEnvironmentVariable("JACK_DEFAULT_SERVER");
        TCliRun run = RunCli({"midi-devices", "--json"}, server);
        QCOMPARE(run.Exit, 0);
        auto inputs = QJsonDocument::fromJson(run.Out.toUtf8()).object()["inputs"].toArray();
        QCOMPARE(inputs.size(), 1);
        QCOMPARE(inputs[0].toObject()["name"].toString(), QStringLiteral("Tool Keyboard:keys"));
        QCOMPARE(inputs[0].toObject()["index"].toInt(), 0);

        run = RunCli({"midi-monitor", "--device", "0", "--seconds", "3"}, server, [&] {
            QTest::qWait(1500); // the tool has opened the port
            Send(keyboard, {0x90, 60, 100});
            Send(keyboard, {0x90, 60}); // truncated: not shown
            Send(keyboard, {0xF8});
        });
        QCOMPARE(run.Exit, 0);
        auto lines = run.Out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(QStringLiteral("  90 3C 64")));
        QVERIFY(lines[1].endsWith(QStringLiteral("  F8")));
    }

    void anOutputDeviceSendsShortMessages() {
        if (!g_jack)
            QSKIP("no JACK server");
        RtMidiIn synth(RtMidi::UNIX_JACK, "Test Synth");
        synth.openVirtualPort("in");
        UseMidiBackend(nullptr); // list the devices afresh
        TMidiOutput& output = MidiOutput();
        QCOMPARE(output.Count(), 1);
        QCOMPARE(QString::fromStdString(output.Names()[0]), QStringLiteral("Test Synth:in"));
        QVERIFY_THROWS_EXCEPTION(TMidiError, output.Send(1, 0x90, 60, 100));
        output.Send(0, 0x90, 60, 100); // opens the device first
        QVERIFY(output.IsOpen(0));
        output.Send(0, 0xC0, 5, 0); // program change: two bytes
        std::vector<unsigned char> message;
        std::vector<std::vector<unsigned char>> received;
        QTRY_VERIFY([&] {
            while (synth.getMessage(&message), !message.empty())
                received.push_back(message);
            return received.size() >= 2;
        }());
        QCOMPARE(received[0], (std::vector<unsigned char>{0x90, 60, 100}));
        QCOMPARE(received[1], (std::vector<unsigned char>{0xC0, 5}));
        output.CloseAll();
        QVERIFY(!output.IsOpen(0));
        UseMidiBackend(nullptr);
    }

    void aChordPlayedOnAKeyboardLandsAtTheCursor() {
        if (!g_jack)
            QSKIP("no JACK server");
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
    if (jack.Start())
        g_jack = &jack;
    QApplication app(argc, argv);
    MidiJackTest test;
    int failures = QTest::qExec(&test, argc, argv);
    UseMidiBackend(nullptr);
    // Where no JACK server could start, only the tool's cases without a service ran.
    return failures ? failures : g_jack ? 0 : 77;
}

#include "midi_jack_test.moc"
