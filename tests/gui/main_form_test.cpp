// The editor's main window driven as a user drives it, on the offscreen platform: the project's
// lifecycle with every answer to the save question, riff tabs, play commands on a fake sound
// device, keyboard editing and the settings it keeps.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <sys/stat.h>

#include "app/main_form.h"
#include "app/project_lifecycle.h"
#include "main_form_harness.h"
#include "model/projectfile.h"
#include "test_support.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;
using namespace zel::test;

class MainFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    std::unique_ptr<TMainForm>& form() { return h->Form; }
    std::shared_ptr<std::vector<size_t>> opened;
    int dialogs = 0;

    std::string Settings() const { return h->Settings(); }
    void Start(QStringList arguments = {}, bool audio = true) {
        QVERIFY(h->Start(arguments, audio, [this](TMainFormSetup& setup) {
            if (setup.Audio)
                opened = static_cast<TFakeOutput*>(setup.Audio.get())->Opened;
            setup.FileDialog = test::AnsweringFileDialog(h->DialogAnswers, &dialogs);
        }));
    }
    QString Demo() const { return QStringLiteral(ZELVANE_DEMO_PROJECT); }
    QString Copy(const char* name) { return h->CopyDemo(name); }
    bool SaveEnabled() { return Button("bSave")->isEnabled(); }
    void Edit() {
        int riff = form()->Editor().CurrentRiff;
        form()->Document().Edit("Tempo", TEditScope::Riff(riff),
                                [&] { form()->Project().Riffs[size_t(riff)].Tempo = 77; });
    }
    QToolButton* Button(const char* name) { return h->Button(name); }
    QStringList TabCaptions() { return h->TabCaptions(); }
    QPoint TabCentre(int index) { return form()->RiffTabs()->TabRect(index).center(); }

private slots:
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        dialogs = 0;
    }
    void cleanup() { h.reset(); }

    void startsUntitledAndOpensCommandLineProjects() {
        Start();
        QCOMPARE(form()->windowTitle(), QStringLiteral("Zelvane Editor"));
        QVERIFY(!SaveEnabled());
        QCOMPARE(TabCaptions(), (QStringList{"Riff1", ""}));

        QString second = Copy("second.zvp");
        Start({QStringLiteral("-debug"), Demo(), second});
        QCOMPARE(form()->windowTitle(), QStringLiteral("Zelvane Editor - ") + second);
        QCOMPARE(form()->ProjectPath(), second);
        QVERIFY(!SaveEnabled());
        QCOMPARE(TabCaptions(), (QStringList{"Intro", "Verse", "Bass Line", ""}));
    }

    void openFailuresKeepTheProjectUnchanged() {
        Start({Demo()});
        std::string pipe = h->Dir.File("pipe.zvp");
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        std::filesystem::create_directory(h->Dir.File("folder.zvp"));
        for (const std::string& path :
             {h->Dir.File("missing.zvp"), pipe, h->Dir.File("folder.zvp")}) {
            h->Messages.Messages.clear();
            h->DialogAnswers = {QString::fromStdString(path)};
            form()->OpenProject(); // opening the pipe for reading would wait for a writer
            QCOMPARE(form()->ProjectPath(), Demo());
            QCOMPARE(form()->windowTitle(), QStringLiteral("Zelvane Editor - ") + Demo());
            QVERIFY(!SaveEnabled());
            QCOMPARE(TabCaptions(), (QStringList{"Intro", "Verse", "Bass Line", ""}));
            QVERIFY(!h->Messages.Messages.empty());
            const std::string& text = h->Messages.Messages.back().Text;
            QVERIFY2(text.find("Failed to Open File") != std::string::npos, text.c_str());
            QVERIFY2(path.ends_with("missing.zvp") ||
                         text.find("not a regular file") != std::string::npos,
                     text.c_str());
        }
    }

    void saveTakesTheLongestNamesAndRemovesLeftovers() {
        Start({Demo()});
        // A temporary file that a killed save of the same project left behind.
        std::string stale = h->Dir.File(".short.zvp.Xy12Z9.zelvane-tmp");
        test::WriteBytes(stale, "half a project");
        for (const std::string& name : {std::string("short.zvp"), std::string(251, 'n') + ".zvp"}) {
            Edit();
            h->DialogAnswers = {QString::fromStdString(h->Dir.File(name))};
            QVERIFY(form()->SaveProject(true));
            QCOMPARE(form()->ProjectPath().toStdString(), h->Dir.File(name));
            QVERIFY(!SaveEnabled());
        }
        QVERIFY(!std::filesystem::exists(stale));
        for (const std::string& entry : test::FolderEntries(h->Dir.Path()))
            QVERIFY2(!entry.ends_with(".zelvane-tmp"), entry.c_str());
    }

    void saveAsRetitlesAndSaveWritesWithoutDialog() {
        Start({Demo()});
        Edit();
        QVERIFY(SaveEnabled());
        QString target = QString::fromStdString(h->Dir.File("copy"));
        h->DialogAnswers = {target};
        QVERIFY(form()->SaveProject(true));
        QCOMPARE(form()->ProjectPath(), target + QStringLiteral(".zvp"));
        QCOMPARE(form()->windowTitle(), QStringLiteral("Zelvane Editor - ") + target + ".zvp");
        QVERIFY(!SaveEnabled());
        Edit();
        QVERIFY(form()->SaveProject(false));
        QCOMPARE(dialogs, 1);
        TProject loaded = NewProject();
        QVERIFY(LoadProject(loaded, (target + ".zvp").toStdString()));
        QCOMPARE(int(loaded.Riffs[0].Tempo), 77);
    }

    void everyAnswerToTheSaveQuestion() {
        struct Case {
            const char* name;
            std::vector<int> answers;
            std::vector<QString> dialog;
            bool proceeds;
            bool stillChanged;
        };
        QString fine = QString::fromStdString(h->Dir.File("saved.zvp"));
        QString impossible = QString::fromStdString(h->Dir.File("no/such/folder/x.zvp"));
        const Case cases[] = {
            {"save succeeds", {0}, {fine}, true, false},
            {"save dialog cancelled", {0}, {QString()}, false, true},
            {"save fails", {0, -1}, {impossible}, false, true},
            {"discard", {1}, {}, true, true},
            {"cancel", {2}, {}, false, true},
            {"box closed", {-1}, {}, false, true},
        };
        for (const Case& c : cases) {
            Start();
            Edit();
            h->Messages.Messages.clear();
            h->Messages.Answers = c.answers;
            h->DialogAnswers = c.dialog;
            QCOMPARE(form()->ConfirmDiscard(), c.proceeds);
            QVERIFY2(form()->Project().IsChanged() == c.stillChanged, c.name);
            QVERIFY(!h->Messages.Messages.empty());
            const auto& question = h->Messages.Messages.front();
            QCOMPARE(question.Buttons, std::string("Save,Discard,Cancel"));
            QVERIFY2(question.Text.find("NewProject.zvp") != std::string::npos, c.name);
        }
        // An unchanged project is dropped without a question.
        Start();
        h->Messages.Messages.clear();
        QVERIFY(form()->ConfirmDiscard());
        QVERIFY(h->Messages.Messages.empty());
    }

    void newAndOpenAskFirstAndCancelKeepsEverything() {
        QString path = Copy("mine.zvp");
        Start({path});
        Edit();
        h->Messages.Answers = {2}; // Cancel
        form()->NewProject();
        QCOMPARE(form()->ProjectPath(), path);
        QCOMPARE(int(form()->Project().Riffs[0].Tempo), 77);
        h->Messages.Answers = {2};
        form()->OpenProject();
        QCOMPARE(dialogs, 0);
        h->Messages.Answers = {1}; // Discard
        form()->NewProject();
        QCOMPARE(form()->ProjectPath(), QString());
        QCOMPARE(TabCaptions(), (QStringList{"Riff1", ""}));
        QVERIFY(!SaveEnabled());
    }

    void blankTabMakesANewRiff() {
        Start();
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(1));
        QCOMPARE(TabCaptions(), (QStringList{"Riff1", "Riff2", ""}));
        QVERIFY(SaveEnabled());
        QCOMPARE(form()->Editor().CurrentRiff, 1);
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(2));
        QCOMPARE(TabCaptions(), (QStringList{"Riff1", "Riff2", "Riff3", ""}));
    }

    void insertAndDeleteRiffs() {
        Start({Demo()});
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(1));
        form()->mInsertRiffClick();
        QCOMPARE(TabCaptions(), (QStringList{"Intro", "Riff2", "Verse", "Bass Line", ""}));
        QCOMPARE(form()->RiffTabs()->SelectedIndex(), 1);
        QCOMPARE(NoteCount(form()->Project().Riffs[1]), 0);

        h->Messages.Answers = {1}; // No
        form()->DeleteTabClick();
        QCOMPARE(TabCaptions().size(), 5);
        h->Messages.Answers = {0}; // Yes
        form()->DeleteTabClick();
        QCOMPARE(TabCaptions(), (QStringList{"Intro", "Verse", "Bass Line", ""}));
        QCOMPARE(h->Messages.Messages.back().Text, std::string("Delete Current Riff"));
        // The last riff is never deleted.
        h->Messages.Answers = {1, 0}; // discard the changes, then yes to the deletion
        form()->NewProject();
        form()->DeleteTabClick();
        QCOMPARE(TabCaptions(), (QStringList{"Riff1", ""}));
    }

    void keyboardEditingThroughTheWindow() {
        Start();
        TRiffView* view = form()->RiffView();
        QPoint tabLine(104 + 5, 156 + 13 * 5); // bottom string, column 0
        QTest::mouseClick(view->PaintBox(), Qt::LeftButton, {}, tabLine);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
        QCOMPARE(int(form()->Project().Riffs[0].Notes[0].Fret[0]), 3);
        QVERIFY(SaveEnabled());
        QTest::mouseClick(Button("bNote8"), Qt::LeftButton);
        QCOMPARE(int(form()->Project().Riffs[0].Notes[0].Duration), 4);
        QVERIFY(Button("bNote8")->isChecked());
        QTest::mouseClick(Button("bNoteDot"), Qt::LeftButton);
        QCOMPARE(int(form()->Project().Riffs[0].Notes[0].Flags), int(NoteDot));
    }

    void playCommandsRenderAndStatus() {
        Start({Demo()});
        form()->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        QCOMPARE(opened->size(), size_t(1));
        size_t whole = opened->back();
        QVERIFY(whole > 0);
        QVERIFY(form()->StatusText().startsWith(QStringLiteral("Render Time ")));
        QVERIFY(form()->StatusText().contains(QStringLiteral("Play Time 00:00:")));
        // From the cursor: shorter.
        form()->Project().Riffs[0].Cursor = 4;
        form()->bPlayRiffClick(QStringLiteral("bPlayRiff"));
        QVERIFY(opened->back() < whole);
        form()->bPlayRiffClick(QStringLiteral("bPlayAllRiffs"));
        QVERIFY(opened->back() > whole);
        QVERIFY(form()->Playback()->BusySlots() == 3);
        form()->bStopClick();
        QCOMPARE(form()->Playback()->BusySlots(), 0);

        form()->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        size_t song = opened->back();
        form()->bPlayScriptClick(QStringLiteral("bPlayScriptIntro"));
        QVERIFY(opened->back() < song);

        form()->Project().Structure.push_back("1\tNowhere");
        h->Messages.Messages.clear();
        form()->bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        QVERIFY(!h->Messages.Messages.empty());
        QVERIFY(h->Messages.Messages.back().Text.find("Undefined Riff - Nowhere") !=
                std::string::npos);
    }

    void exportWritesTheWaveFileAndCancelDoesNothing() {
        Start({Demo()});
        QString wav = QString::fromStdString(h->Dir.File("song.wav"));
        form()->bPlayScriptClick(QStringLiteral("mExportWAV")); // dialog cancelled
        QVERIFY(form()->StatusText().isEmpty());
        h->DialogAnswers = {wav};
        form()->bPlayScriptClick(QStringLiteral("mExportWAV"));
        QVERIFY(std::filesystem::file_size(wav.toStdString()) > 44);
        QVERIFY(opened->empty()); // exporting plays nothing
        QVERIFY(form()->StatusText().startsWith(QStringLiteral("Render Time ")));
        // Export Audio: a name without an extension gets the format of the filter (FLAC at
        // first), encoded on a worker while the window waits.
        h->DialogAnswers = {QString::fromStdString(h->Dir.File("take"))};
        form()->bPlayScriptClick(QStringLiteral("mExportAudio"));
        QCOMPARE(test::ReadBytes(h->Dir.File("take.flac")).substr(0, 4), std::string("fLaC"));
    }

    void speedKeysStepTheSpeedAndTheRiffPlaysAtIt() {
        Start({Demo()});
        auto* speed = form()->findChild<QSpinBox*>(QStringLiteral("eSpeed"));
        auto* tab = form()->findChild<QWidget*>(QStringLiteral("eRiff2"));
        tab->setFocus();
        QTest::keyClick(tab, Qt::Key_Minus);
        QCOMPARE(speed->value(), 90);
        QTest::keyClick(tab, Qt::Key_Plus);
        QTest::keyClick(tab, Qt::Key_Plus);
        QCOMPARE(speed->value(), 125);
        speed->setValue(100);
        form()->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        speed->setValue(50);
        form()->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        QVERIFY(std::abs(double(opened->back()) / double(opened->front()) - 2) < 0.001);
    }

    void spacePlaysAndStopsButEditsInTheRiffView() {
        Start({Demo()});
        QWidget* grid = form()->findChild<QWidget*>(QStringLiteral("gStruct"));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(opened->size(), size_t(1));
        size_t song = opened->back();
        QTest::keyClick(grid, Qt::Key_Space); // stops
        QCOMPARE(opened->size(), size_t(1));
        grid->clearFocus(); // as after a click on the riff tabs
        QTest::keyClick(form().get(), Qt::Key_Space);
        QCOMPARE(opened->size(), size_t(2));
        QVERIFY(opened->back() < song); // the riff from the cursor
        QTest::keyClick(form().get(), Qt::Key_Space);
        // In the riff view Space clears the string under the cursor and plays nothing.
        auto* tab = form()->findChild<QWidget*>(QStringLiteral("eRiff2"));
        tab->setFocus();
        QTest::keyClick(tab, Qt::Key_Space);
        QCOMPARE(opened->size(), size_t(2));
    }

    void withoutSoundTheWindowSaysSoAndStillRenders() {
        Start({Demo()}, false);
        QCOMPARE(form()->StatusText(), QStringLiteral("No sound output"));
        form()->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        QVERIFY(form()->StatusText().startsWith(QStringLiteral("Render Time ")));
    }

    void doubleClickOnATabOpensTheRiffProperties() {
        Start({Demo()});
        QWidget* properties = form()->findChild<QWidget*>(QStringLiteral("RiffPropertiesForm"));
        QVERIFY(properties);
        QVERIFY(!properties->isVisible());
        // Two clicks on different tabs are not a double click.
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(0));
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(1));
        QVERIFY(!properties->isVisible());
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(1));
        QVERIFY(properties->isVisible());
        auto* name = properties->findChild<QLineEdit*>(QStringLiteral("eRiffName"));
        QCOMPARE(name->text(), QStringLiteral("Verse"));
        // A name typed there reaches the tab when the user goes on to another riff.
        name->setText(QStringLiteral("Chorus"));
        QTest::mouseClick(form()->RiffTabs(), Qt::LeftButton, {}, TabCentre(0));
        QCOMPARE(TabCaptions().value(1), QStringLiteral("Chorus"));
        QCOMPARE(name->text(), QStringLiteral("Intro"));
    }

    // The picture of the main window shown in README.md, written when ZELVANE_SCREENSHOTS is set.
    void screenshot() {
        if (!qEnvironmentVariableIsSet("ZELVANE_SCREENSHOTS"))
            QSKIP("ZELVANE_SCREENSHOTS is not set");
        Start({Demo()});
        form()->resize(900, 640);
        // The riff area pulled down far enough to show a whole band, as users arrange it.
        form()->findChild<QSplitter*>(QStringLiteral("Splitter1"))->setSizes({340, 200});
        QTest::mouseClick(form()->RiffView()->PaintBox(), Qt::LeftButton, {},
                          QPoint(104 + 26 + 5, 156));
        QTest::qWait(50);
        form()->grab().save(QStringLiteral("main-window.png"));
    }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
