// Rendering while the user goes on working: the progress window of a song render lets events
// through, so the user may open another project, start a new one or type notes meanwhile. The
// song still renders the project as it was when the render started, a second play or export
// command waits its turn, and closing the window stops the render before the window closes.
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/main_form.h"
#include "main_form_harness.h"
#include "model/projectfile.h"
#include "sound/playbuffer.h"
#include "test_support.h"
#include "view/riff_view.h"

using namespace zel;

namespace {

using TBufferList = std::vector<std::shared_ptr<const TSampleBuffer>>;

// The master volume the window renders with when its settings file says nothing.
constexpr int DefaultMaster = 50;

} // namespace

class RenderSafetyTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TTempDir> dir; // the two projects, for every test
    std::unique_ptr<test::TMainFormHarness> h;
    std::shared_ptr<TBufferList> buffers;
    int dialogs = 0;
    QString longSong, other;
    std::vector<int16_t> wholeSong; // the long song as the window plays it
    std::string wholeSongFile;      // and as it exports it
    // Set by DuringRender's action.
    bool acted = false;
    bool songCompleteWhenActed = false;

    TMainForm* form() { return h->Form.get(); }
    void Start(QStringList arguments) {
        QVERIFY(h->Start(arguments, true, [this](TMainFormSetup& setup) {
            buffers = static_cast<test::TFakeOutput*>(setup.Audio.get())->Buffers;
            setup.FileDialog = test::AnsweringFileDialog(h->DialogAnswers, &dialogs);
        }));
    }

    // Runs `action` once, from the event pump of the progress window while a song renders:
    // after the render has handed its first row to playback, or (`afterFirstRow` false, for an
    // export, which plays nothing) as soon as the progress window is up.
    void DuringRender(std::function<void()> action, bool afterFirstRow) {
        acted = false;
        auto* pump = new QTimer(form());
        pump->setInterval(0);
        connect(pump, &QTimer::timeout, this, [this, pump, action, afterFirstRow] {
            auto* progress = form()->findChild<QDialog*>(QStringLiteral("ProgressForm"));
            if (!progress || !progress->isVisible())
                return;
            if (afterFirstRow && buffers->empty())
                return;
            pump->stop();
            pump->deleteLater();
            songCompleteWhenActed = !buffers->empty() && buffers->back()->Complete();
            acted = true;
            action();
        });
        pump->start();
    }

    static std::vector<int16_t> Render(const TProject& project, TSongMode mode) {
        TRenderer renderer;
        renderer.MasterVolume = DefaultMaster;
        TSongRender song = RenderSong(renderer, project, mode, 1, nullptr, {});
        return song.Buffer ? song.Buffer->Samples() : std::vector<int16_t>();
    }

    QStringList TabCaptions() { return h->TabCaptions(); }
    void Trigger(const char* action) { h->Action(action)->trigger(); }
    // As a click does, whether the toolbar shows the button or keeps it in its overflow menu.
    void Click(const char* button) { h->Button(button)->click(); }
    // Types a fret at the first note of the riff view through its focused tab-line control,
    // as the keyboard does (Space first clears the string, so the digit is the whole fret).
    void TypeFret(Qt::Key digit) {
        // Back from the progress window to the main window, into the tab lines.
        QApplication::setActiveWindow(form());
        form()->RiffView()->FocusTabLines();
        QWidget* focused = form()->focusWidget();
        QVERIFY(focused);
        QCOMPARE(focused->objectName(), QStringLiteral("eRiff2"));
        QTest::keyClick(focused, Qt::Key_Home);
        QTest::keyClick(focused, Qt::Key_Space);
        QTest::keyClick(focused, digit);
    }
    static bool FirstNoteHasFret(const TProject& project, int fret) {
        const auto& frets = project.Riffs[0].Notes[0].Fret;
        return std::find(frets.begin(), frets.end(), fret) != frets.end();
    }
    void OpenOther() {
        h->DialogAnswers = {other};
        Trigger("mOpen");
    }
    static bool SilentTail(const std::vector<int16_t>& samples, size_t values) {
        return samples.size() >= values &&
               std::all_of(samples.end() - std::ptrdiff_t(values), samples.end(),
                           [](int16_t v) { return v == 0; });
    }

private slots:
    void initTestCase() {
        dir = std::make_unique<test::TTempDir>();
        // A song of rows enough that its render lets events through several times after the
        // first row: the demo song played twice.
        TProject project = test::NewProject();
        QVERIFY(LoadProject(project, ZELVANE_DEMO_PROJECT));
        std::vector<std::string> rows = project.Structure;
        project.Structure.insert(project.Structure.end(), rows.begin(), rows.end());
        longSong = QString::fromStdString(dir->File("long.zvp"));
        QVERIFY(SaveProject(project, longSong.toStdString()));
        // What the song sounds like, and the same as a WAV file, as the window renders it.
        TProject loaded = test::NewProject();
        QVERIFY(LoadProject(loaded, longSong.toStdString()));
        QVERIFY(!FirstNoteHasFret(loaded, 9));
        wholeSong = Render(loaded, TSongMode::All);
        QVERIFY(!wholeSong.empty());
        wholeSongFile = WavFileBytes(Render(loaded, TSongMode::Export));
        // Another project, to be opened during a render.
        project = test::NewProject();
        project.RiffNames.SetCaption(0, "Solo");
        QVERIFY(SaveProject(
            project, (other = QString::fromStdString(dir->File("other.zvp"))).toStdString()));
    }
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        h->Messages.Answers = {1, 1, 1}; // Discard, should anything ask
        dialogs = 0;
    }
    void cleanup() { h.reset(); }
    void cleanupTestCase() { dir.reset(); }

    void songRendersTheProjectAsItWasWhateverTheUserDoes() {
        struct Case {
            const char* name;
            std::function<void()> action;
            std::function<void()> check;
        };
        const Case cases[] = {{"open another project", [this] { OpenOther(); },
                               [this] {
                                   QCOMPARE(form()->ProjectPath(), other);
                                   QCOMPARE(TabCaptions(), (QStringList{"Solo", ""}));
                               }},
                              {"new project", [this] { Trigger("mNew"); },
                               [this] {
                                   QCOMPARE(form()->ProjectPath(), QString());
                                   QCOMPARE(TabCaptions(), (QStringList{"Riff1", ""}));
                                   QVERIFY(form()->Project().Structure.empty());
                               }},
                              {"typing a fret into the riff view", [this] { TypeFret(Qt::Key_9); },
                               [this] {
                                   QCOMPARE(form()->ProjectPath(), longSong);
                                   QVERIFY(FirstNoteHasFret(form()->Project(), 9));
                                   QVERIFY(form()->Project().IsChanged());
                               }}};
        for (const Case& c : cases) {
            Start({longSong});
            DuringRender(c.action, true);
            form()->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
            QVERIFY2(acted, c.name);
            QVERIFY2(!songCompleteWhenActed, c.name);
            QCOMPARE(buffers->size(), size_t(1));
            QVERIFY2(buffers->front()->Complete(), c.name);
            QVERIFY2(buffers->front()->Samples() == wholeSong, c.name);
            c.check();
            if (QTest::currentTestFailed())
                QFAIL(c.name);
        }
    }

    void exportWritesTheProjectAsItWasWhenItStarted() {
        Start({longSong});
        QString wav = QString::fromStdString(dir->File("song.wav"));
        DuringRender([this] { OpenOther(), TypeFret(Qt::Key_5); }, false);
        h->DialogAnswers = {wav};
        form()->bPlayScriptClick(QStringLiteral("mExportWAV"));
        QVERIFY(acted);
        QCOMPARE(form()->ProjectPath(), other);
        QVERIFY2(buffers->empty(), "an export plays nothing");
        QVERIFY(test::ReadBytes(wav.toStdString()) == wholeSongFile);
    }

    void aSecondPlayOrExportWaitsItsTurn() {
        Start({longSong});
        DuringRender(
            [this] {
                for (const char* button : {"bPlayScriptAll", "bPlayScriptIntro", "bPlayRiffAll"})
                    Click(button);
                Click("bPlayAllRiffs"), Trigger("mExportWAV"), Click("bStop");
            },
            true);
        form()->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        QVERIFY(acted);
        QCOMPARE(dialogs, 0); // the export asked for no file
        QCOMPARE(buffers->size(), size_t(1));
        QVERIFY(buffers->front()->Samples() == wholeSong);
        QCOMPARE(form()->Playback()->BusySlots(), 1); // Stop does nothing while rendering
        QVERIFY(form()->StatusText().startsWith(QStringLiteral("Render Time ")));

        // Once the render is over the commands work again.
        Click("bPlayRiffAll");
        QCOMPARE(buffers->size(), size_t(2));
        Click("bStop");
        QCOMPARE(form()->Playback()->BusySlots(), 0);
    }

    void closingDuringARenderStopsItFirst() {
        struct Case {
            const char* name;
            bool changed;
            int answer; // to "Save, Discard, Cancel"
            bool closes;
        };
        const Case cases[] = {{"nothing to save", false, -1, true},
                              {"changes discarded", true, 1, true},
                              {"closing cancelled at the question", true, 2, false}};
        for (const Case& c : cases) {
            h->Close();
            std::filesystem::remove(h->Settings());
            Start({longSong});
            if (c.changed)
                form()->Document().Edit("Tempo", TEditScope::Riff(0),
                                        [&] { form()->Project().Riffs[0].Tempo = 77; });
            h->Messages.Messages.clear();
            h->Messages.Answers = {c.answer};
            bool closedAtOnce = true;
            bool askedAtOnce = true;
            DuringRender(
                [&] {
                    closedAtOnce = form()->close(), askedAtOnce = !h->Messages.Messages.empty();
                },
                true);
            form()->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
            QVERIFY2(acted, c.name);
            QVERIFY2(!closedAtOnce, c.name);
            QVERIFY2(!askedAtOnce, c.name);
            QCOMPARE(form()->isVisible(), !c.closes);
            QCOMPARE(h->Messages.Messages.size(), size_t(c.changed ? 1 : 0));
            // The render stopped early: the end of the song was never rendered.
            constexpr size_t TwoSeconds = 2 * 2 * 44100;
            QVERIFY2(!SilentTail(wholeSong, TwoSeconds), c.name);
            QVERIFY2(SilentTail(buffers->front()->Samples(), TwoSeconds), c.name);
            QCOMPARE(std::filesystem::exists(h->Settings()), c.closes);
            if (c.closes)
                QCOMPARE(form()->Playback()->BusySlots(), 0);
        }
    }
};

QTEST_MAIN(RenderSafetyTest)
#include "render_safety_test.moc"
