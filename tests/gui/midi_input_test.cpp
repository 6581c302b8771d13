// MIDI keyboard input in the main window and the Preferences window, on a stand-in MIDI
// service: which device opens at start, ticking and unticking, the "Insert MIDI Input" toggle,
// chords played from a device thread, devices that fail or go away.
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <map>
#include <mutex>
#include <thread>

#include "app/options_form.h"
#include "main_form_harness.h"
#include "midi_devices.h"
#include "view/riff_view.h"

using namespace zel;
using namespace zel::test;

namespace {

// A MIDI service whose ports the test adds and removes; open inputs can be played into.
class TFakeMidi : public TMidiBackend {
public:
    struct TShared {
        std::mutex Lock;
        std::vector<std::string> Ports;
        std::map<std::string, TReceive> Open; // open inputs by key
        std::string FailOpen;                 // a key whose open fails
    };
    std::shared_ptr<TShared> State = std::make_shared<TShared>();

    std::vector<TMidiPortName> Ports(bool inputs) override {
        std::lock_guard lock(State->Lock);
        std::vector<TMidiPortName> ports;
        if (inputs)
            for (auto& name : State->Ports)
                ports.push_back({name, "fake\n" + name});
        return ports;
    }
    std::unique_ptr<TMidiPort> OpenInput(const std::string& key, TReceive receive) override {
        std::lock_guard lock(State->Lock);
        if (key == State->FailOpen)
            throw TMidiError("Device or resource busy");
        State->Open[key] = std::move(receive);
        return std::make_unique<TPort>(State, key);
    }
    std::unique_ptr<TMidiPort> OpenOutput(const std::string&) override {
        throw TMidiError("no outputs");
    }

private:
    class TPort : public TMidiPort {
    public:
        TPort(std::shared_ptr<TShared> state, std::string key)
            : m_state(std::move(state)), m_key(std::move(key)) {}
        ~TPort() override {
            std::lock_guard lock(m_state->Lock);
            m_state->Open.erase(m_key);
        }
        void Send(const uint8_t*, size_t) override {}

    private:
        std::shared_ptr<TShared> m_state;
        std::string m_key;
    };
};

std::vector<std::string> OpenKeys(TFakeMidi::TShared& state) {
    std::lock_guard lock(state.Lock);
    std::vector<std::string> keys;
    for (auto& [key, receive] : state.Open)
        keys.push_back(key.substr(5));
    return keys;
}

// Plays bytes into an open input from a thread of its own, as the MIDI service does.
void Play(TFakeMidi::TShared& state, const std::string& port,
          std::vector<std::vector<uint8_t>> messages) {
    std::thread([&state, port, messages] {
        std::lock_guard lock(state.Lock);
        auto& receive = state.Open.at("fake\n" + port);
        for (auto& message : messages)
            receive(message.data(), message.size());
    }).join();
}

} // namespace

class MidiInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainFormHarness> h;
    std::shared_ptr<TFakeMidi::TShared> midi;

    // A window on a fake service with these ports; `midiIn` is the remembered device (none:
    // the setting is absent); `adjust` changes the window's setup.
    void Start(std::vector<std::string> ports, std::optional<int> midiIn = {},
               const std::function<void(TMainFormSetup&)>& adjust = {}) {
        auto backend = std::make_shared<TFakeMidi>();
        midi = backend->State;
        midi->Ports = std::move(ports);
        UseMidiBackend(backend);
        h = std::make_unique<TMainFormHarness>();
        if (midiIn) {
            TSettingsStore settings;
            settings.INIInit(h->Settings());
            settings.INIWriteNum("MidiIn", *midiIn);
            settings.INIBackup();
        }
        QVERIFY(h->Start({QStringLiteral("-nosplash")}, true, adjust));
    }
    void SetPorts(std::vector<std::string> ports) {
        std::lock_guard lock(midi->Lock);
        midi->Ports = std::move(ports);
    }
    // The first note of the first riff as "duration:pitches", empty while there is none.
    std::string FirstNote() {
        auto texts = NoteTexts(h->Form->Project().Riffs[0]);
        return texts.empty() ? std::string() : texts[0];
    }
    TOptionsForm* Options() { return h->Form->OptionsForm(); }
    QListWidget* Devices() { return Options()->findChild<QListWidget*>("lbxInputDevices"); }
    QAction* Toggle() { return h->Form->findChild<QToolButton*>("bMidi")->defaultAction(); }
    // A setting as the file holds it once the window has closed.
    int SettingValue(const char* key, int absent) {
        h->Close();
        TSettingsStore settings;
        settings.INIInit(h->Settings());
        return settings.INIReadNum(key, absent);
    }

private slots:
    void cleanup() {
        h.reset();
        UseMidiBackend(nullptr);
    }

    void startOpensTheRememberedDevice_data() {
        QTest::addColumn<int>("midiIn"); // -100: absent
        QTest::addColumn<QString>("opened");
        QTest::newRow("first run opens the first") << -100 << "A";
        QTest::newRow("remembered third") << 2 << "C";
        QTest::newRow("past the end") << 3 << "";
        QTest::newRow("negative") << -1 << "";
    }
    void startOpensTheRememberedDevice() {
        QFETCH(int, midiIn);
        QFETCH(QString, opened);
        Start({"A", "B", "C"}, midiIn == -100 ? std::nullopt : std::optional<int>(midiIn));
        auto keys = OpenKeys(*midi);
        QCOMPARE(keys.empty() ? QString() : QString::fromStdString(keys[0]), opened);
        QCOMPARE(int(keys.size()), opened.isEmpty() ? 0 : 1);
        QCOMPARE(Devices()->count(), 3);
        QCOMPARE(Options()->FirstTickedDevice(), opened.isEmpty() ? -1 : opened[0].unicode() - 'A');
        QVERIFY(h->Messages.Messages.empty());
    }

    void tickingOpensUntickingClosesAndBothAreRemembered() {
        Start({"A", "B", "C"}, 5);
        Devices()->item(2)->setCheckState(Qt::Checked);
        Devices()->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(OpenKeys(*midi), (std::vector<std::string>{"A", "C"}));
        Devices()->item(2)->setCheckState(Qt::Unchecked);
        QCOMPARE(OpenKeys(*midi), (std::vector<std::string>{"A"}));
        QCOMPARE(SettingValue("MidiIn", -1), 2);
    }

    void aFailedOpenIsShownAndLeavesTheDeviceClosed() {
        Start({"A", "Busy"}, 7);
        midi->FailOpen = "fake\nBusy";
        Devices()->item(1)->setCheckState(Qt::Checked);
        QCOMPARE(Devices()->item(1)->checkState(), Qt::Unchecked);
        QVERIFY(OpenKeys(*midi).empty());
        QCOMPARE(int(h->Messages.Messages.size()), 1);
        QVERIFY(h->Messages.Messages[0].Text.find("busy") != std::string::npos);
        midi->FailOpen.clear();
        Devices()->item(1)->setCheckState(Qt::Checked);
        QCOMPARE(OpenKeys(*midi), (std::vector<std::string>{"Busy"}));
        QCOMPARE(SettingValue("MidiIn", -1), 1);
    }

    void refreshFindsNewDevicesAndKeepsOpenOnesOpen() {
        Start({"A", "B"}, 1);
        SetPorts({"New", "B"});
        QTest::mouseClick(Options()->findChild<QPushButton*>("bRefreshList"), Qt::LeftButton);
        QCOMPARE(Devices()->count(), 2);
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("New"));
        QCOMPARE(Devices()->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(Devices()->item(1)->checkState(), Qt::Checked);
        QCOMPARE(OpenKeys(*midi), (std::vector<std::string>{"B"}));
    }

    void toggleNeedsATickedDevice() {
        Start({}, 0);
        h->Messages.Answers = {0}; // Yes: show the setup page
        Toggle()->trigger();
        QVERIFY(!Toggle()->isChecked());
        QCOMPARE(int(h->Messages.Messages.size()), 1);
        QVERIFY(h->Messages.Messages[0].Text.find("MIDI In") != std::string::npos);
        QVERIFY(Options()->isVisible());
        auto* pages = Options()->findChild<QTabWidget*>();
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tsMIDIInput"));
    }

    void toggleShowsTheDeviceAndAChordLandsAtTheCursor() {
        Start({"Keys"}, 0);
        Toggle()->trigger();
        QVERIFY(Toggle()->isChecked());
        QCOMPARE(h->Form->StatusText(), QStringLiteral("Midi Selected: Keys"));
        h->Form->Editor().CurrentDuration = QuarterDuration;
        Play(*midi, "Keys", {{0x90, 60, 99}, {0x90, 64, 99}, {0xFE}, {0x90, 67, 99}, {0x90, 1}});
        QTRY_COMPARE(FirstNote(), std::string("3:19,16,12,"));
        QCOMPARE(h->Form->Project().Riffs[0].Cursor, 0);
        Play(*midi, "Keys", {{0x80, 60, 0}, {0x80, 64, 0}, {0x80, 67, 0}});
        QTRY_COMPARE(h->Form->Project().Riffs[0].Cursor, 1);
        QVERIFY(h->Form->Document().IsChanged());

        // Up again: keys sound (when previews are on) but write nothing.
        Toggle()->trigger();
        QCOMPARE(h->Form->StatusText(), QString());
        Play(*midi, "Keys", {{0x90, 72, 99}, {0x80, 72, 0}});
        QTest::qWait(50);
        QCOMPARE(h->Form->Project().Riffs[0].Cursor, 1);
        QCOMPARE(h->Form->Document().UndoCount(), 1);
    }

    void aFloodOfMessagesIsBoundedAndKeepsTheWindowLive() {
        Start({"Keys"}, 0);
        std::vector<std::vector<uint8_t>> flood;
        for (int i = 0; i < 100000; ++i)
            flood.push_back(i % 3 == 0   ? std::vector<uint8_t>{0xB0, 7, uint8_t(i & 0x7F)}
                            : i % 3 == 1 ? std::vector<uint8_t>{0xF8}
                                         : std::vector<uint8_t>{0x12, 0x34}); // a SysEx piece
        Play(*midi, "Keys", flood);
        // The queue holds a bounded number of messages; the rest were dropped, not stored.
        QVERIFY(MidiInput().Dropped() > 0);
        QTest::qWait(100);
        // Handled with the toggle up: a preview only.
        Play(*midi, "Keys", {{0x90, 60, 99}});
        QTest::qWait(50);
        Toggle()->trigger();
        Play(*midi, "Keys", {{0x90, 64, 99}});
        QTRY_COMPARE(FirstNote(), std::string("3:16,"));
    }

    void aDeviceThatGoesAwayIsReportedOnceAndClosed() {
        Start({"Keys", "Other"}, 0);
        Toggle()->trigger();
        // What the window shows while the message is up.
        struct TWatching : TMessageService {
            std::function<void()> Look;
            int Shown = 0;
            int DisplayMany(int, std::string_view, std::string_view) override {
                ++Shown;
                Look();
                return 0;
            }
        } watching;
        bool tickedDuringMessage = true;
        bool toggleDownDuringMessage = true;
        watching.Look = [&] {
            tickedDuringMessage = Devices()->item(0)->checkState() == Qt::Checked;
            toggleDownDuringMessage = Toggle()->isChecked();
        };
        TScopedMessageService install(watching);
        SetPorts({"Other"}); // the keyboard unplugged
        QTRY_VERIFY_WITH_TIMEOUT(OpenKeys(*midi).empty(), 5000);
        QCOMPARE(watching.Shown, 1);
        QVERIFY(!tickedDuringMessage);
        QVERIFY(!toggleDownDuringMessage);
        QCOMPARE(h->Form->StatusText(), QString());
        QTest::qWait(1700); // another look finds nothing more to report
        QCOMPARE(watching.Shown, 1);
    }

    void deviceIndexesOutsideTheListAreRefused() {
        Start({"A", "B", "C"}, 9);
        auto errorOf = [](const std::function<void()>& call) {
            try {
                call();
            } catch (const TMidiError& error) {
                return QString::fromStdString(error.what());
            }
            return QString();
        };
        QCOMPARE(errorOf([] { MidiInput().Open(5); }),
                 QStringLiteral("TMidiInput: Device index out of bounds! (5)"));
        QCOMPARE(errorOf([] { MidiInput().Close(-1); }),
                 QStringLiteral("TMidiInput: Device index out of bounds! (-1)"));
        QCOMPARE(errorOf([] { MidiOutput().Send(0, 0x90, 60, 1); }),
                 QStringLiteral("TMidiOutput: Device index out of bounds! (0)"));
        QCOMPARE(errorOf([] { MidiInput().Open(2); }), QString());
    }

    void keysAreHeardWhenPreviewsAreOn() {
        std::shared_ptr<std::vector<size_t>> played;
        Start({"Keys"}, {}, [&](TMainFormSetup& setup) {
            played = static_cast<TFakeOutput*>(setup.Audio.get())->Opened;
        });
        Play(*midi, "Keys", {{0x90, 60, 99}});
        QTest::qWait(50);
        QCOMPARE(int(played->size()), 0); // previews are off
        Options()->findChild<QCheckBox*>("cbHearPreviewNote")->setChecked(true);
        Play(*midi, "Keys", {{0x90, 59, 99}, {0x90, 64, 99}, {0x90, 67, 99}});
        QTRY_COMPARE(int(played->size()), 3);
        QCOMPARE(h->Form->Document().UndoCount(), 0); // the toggle is up
    }

    void optionsAreStoredAndReadBack() {
        Start({});
        auto* preview = Options()->findChild<QCheckBox*>("cbHearPreviewNote");
        auto* advance = Options()->findChild<QCheckBox*>("cbAutoAdvanceCursor");
        QVERIFY(!Options()->findChild<QCheckBox*>("cbRenderWholeSong")->isEnabled());
        QVERIFY(!preview->isChecked());
        preview->setChecked(true);
        advance->setChecked(true);
        QVERIFY(h->Form->RiffView()->AutoAdvance);
        QCOMPARE(SettingValue("OptionHearPreviewNote", 0), 1);
        QVERIFY(h->Start({QStringLiteral("-nosplash")}));
        QVERIFY(Options()->HearPreviewNote());
        QVERIFY(Options()->AutoAdvanceCursor());
        QVERIFY(h->Form->RiffView()->AutoAdvance);
    }
};

QTEST_MAIN(MidiInputTest)
#include "midi_input_test.moc"
