// The instruments window as a user drives it from the main window: new instruments from the
// blank tab and the Tab key, edits as undoable steps, tabs moved, inserted and deleted with the
// song's columns following, renaming, preview and plot, files and the clipboard, and the
// instrument and master volume the main window plays with.
#include <QAbstractButton>
#include <QClipboard>
#include <QMenu>
#include <QSlider>
#include <QTest>

#include "arrange/struct_grid.h"
#include "main_form_harness.h"
#include "model/structure.h"
#include "sound/instrument_file.h"
#include "sound/instrument_frame.h"
#include "sound/instruments_form.h"
#include "sound/wave_plot.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;

class InstrumentsFormTest : public QObject {
    Q_OBJECT

private:
    test::TMainFormHarness h;
    test::TFakeOutput* output = nullptr;
    TInstrumentsForm* form = nullptr;

    TMainForm& Main() { return *h.Form; }
    TProject& Project() { return Main().Project(); }
    std::vector<std::string> Names() { return Project().InstrumentNames.All(); }
    template <typename T> T* Child(const char* name) {
        return test::FindChild<T>(*form, QString::fromLatin1(name));
    }
    void ClickTab(int index) {
        QRect tab = form->Tabs()->TabRect(index);
        QTest::mouseClick(form->Tabs(), Qt::LeftButton, {}, tab.center());
    }
    void Open() {
        auto* action = Main().findChild<QAction*>(QStringLiteral("mInstruments"));
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    // Starts the window with a sound device the test sees.
    void Start() {
        output = new test::TFakeOutput;
        QVERIFY(h.Start({}, false, [&](TMainFormSetup& setup) { setup.Audio.reset(output); }));
        form = Main().InstrumentsForm();
    }

private slots:
    void init() {
        Start();
        QVERIFY(form);
        // Two clicks on one tab in a row would ask for a name: never a modal dialog here.
        form->SetAskName([](const QString&) { return std::optional<QString>(); });
        TTabControlSmart::LastTabClicked = -1;
        Open();
    }
    void cleanup() { h.Close(); }

    void theWindowAndItsNewInstruments() {
        // The blank tab, clicked, is a new instrument named after its place.
        ClickTab(1);
        QCOMPARE(Names(), (std::vector<std::string>{"Inst1", "Inst2", ""}));
        QVERIFY(Project().IsChanged());
        QCOMPARE(form->CurrentInstrument(), 1);
        QCOMPARE(Main().CurrentInstrument(), 1);
        // Tab goes through the instruments; onto the blank tab it makes one.
        QTest::keyClick(form->Frame(), Qt::Key_Tab);
        QCOMPARE(Names(), (std::vector<std::string>{"Inst1", "Inst2", "Inst3", ""}));
        QTest::keyClick(form->Frame(), Qt::Key_Backtab);
        QCOMPARE(form->CurrentInstrument(), 1);
        // The song grid has a column for each.
        QCOMPARE(Main().StructGrid()->model()->columnCount(), 3);
    }

    void editsAreStepsAndTheFrameFollowsUndo() {
        auto* skew = Child<QSlider>("tlSkew");
        for (int value : {10, 20, 30})
            skew->setValue(value);
        QCOMPARE(int(Project().Instruments[0].Skew), 30);
        QVERIFY(Project().IsChanged());
        Main().findChild<QAction*>(QStringLiteral("mUndo"))->trigger();
        QCOMPARE(int(Project().Instruments[0].Skew), 0);
        // the frame shows the model again
        QCOMPARE(skew->value(), 0);
        QVERIFY(!Project().IsChanged());
    }

    void movedInsertedAndDeletedInstrumentsTakeTheirColumns() {
        ClickTab(1);
        Child<QSlider>("tlSkew")->setValue(77); // instrument 2 sounds different
        Main().Document().Edit("song", TEditScope().AndStructure(),
                               [&] { Project().Structure = {"1\tLow\t2\tHigh"}; });
        test::DragTab(form->Tabs(), 1, 0); // tab 2 onto tab 1
        QCOMPARE(Names(), (std::vector<std::string>{"Inst2", "Inst1", ""}));
        QCOMPARE(int(Project().Instruments[0].Skew), 77);
        QCOMPARE(Project().Structure[0], std::string("2\tHigh\t1\tLow"));
        QCOMPARE(Main().StructGrid()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Inst2"));
    }

    void renameAndTheTabMenu() {
        std::vector<std::optional<QString>> answers{QString(), QStringLiteral("Bass & Co"),
                                                    std::nullopt};
        form->SetAskName([&](const QString&) {
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
        QRect tab = form->Tabs()->TabRect(0);
        QTest::mouseClick(form->Tabs(), Qt::RightButton, {}, tab.center());
        auto* menu = Child<QMenu>("PopupMenuTabs");
        QVERIFY(menu->isVisible());
        QVERIFY(menu->actions().front()->isEnabled()); // on a tab: rename is offered
        menu->hide();
        // Beside the tabs: nothing to act on, and the instrument shown stays the one edited.
        ClickTab(1);
        QCOMPARE(form->CurrentInstrument(), 1);
        QRect tabs = form->Tabs()->TabRect(form->Tabs()->TabCount() - 1);
        QTest::mouseClick(form->Tabs(), Qt::RightButton, {}, tabs.topRight() + QPoint(40, 5));
        QVERIFY(!menu->actions().front()->isEnabled());
        menu->hide();
        QCOMPARE(form->CurrentInstrument(), 1);
        Child<QSlider>("tlSkew")->setValue(33);
        QCOMPARE(int(Project().Instruments[1].Skew), 33);
        form->SelectInstrument(0);
        form->RenameInstrument();
        QCOMPARE(Names()[0], std::string("Inst1")); // an empty name is its place
        form->RenameInstrument();
        QCOMPARE(Names()[0], std::string("Bass & Co"));
        form->RenameInstrument(); // cancelled
        QCOMPARE(Names()[0], std::string("Bass & Co"));
    }

    void previewPlaysAndPlotsEightSeconds() {
        QVERIFY(!form->Plot()->HasWave());
        QTest::keyClick(form->Frame(), Qt::Key_Return);
        QVERIFY(form->Plot()->HasWave());
        QCOMPARE(output->Opened->size(), size_t(1));
        QCOMPARE(output->Opened->back(), size_t(4 * 176400));
        QCOMPARE(form->PreviewDuration(), 1024);
        // The duration menu: a quarter note, previewed at once.
        auto* quarter = form->findChild<QAction*>(QStringLiteral("mDuration3"));
        QVERIFY(quarter);
        quarter->trigger();
        QCOMPARE(form->PreviewDuration(), 256);
        QCOMPARE(output->Opened->size(), size_t(2));
        // The shown instrument sounds, not the first one.
        ClickTab(1);
        Child<QAbstractButton>("rbNoise")->click();
        form->bPreviewClick();
        QVERIFY(output->Buffers->back()->Samples() != (*output->Buffers)[1]->Samples());
        form->SelectInstrument(0);
        form->bPreviewClick();
        QVERIFY(output->Buffers->back()->Samples() == (*output->Buffers)[1]->Samples());
        // The plot goes when the window is closed.
        form->close();
        QVERIFY(!form->Plot()->HasWave());
    }

    void filesAndClipboard() {
        Child<QSlider>("tlSkew")->setValue(42);
        std::string path = h.Dir.File("lead.zvi");
        h.DialogAnswers = {QString::fromStdString(h.Dir.File("lead"))};
        form->bSaveInstrumentClick();
        TInstrument saved;
        std::string name;
        QVERIFY(LoadInstrumentFile(path, name, saved));
        QCOMPARE(name, std::string("Inst1"));
        QCOMPARE(int(saved.Skew), 42);

        // Copy, change, paste back.
        form->bCopyClick();
        Child<QSlider>("tlSkew")->setValue(5);
        form->bPasteClick();
        QCOMPARE(int(Project().Instruments[0].Skew), 42);
        QCOMPARE(Child<QSlider>("tlSkew")->value(), 42);

        // Loading takes the file's name and values into the shown instrument.
        ClickTab(1);
        h.DialogAnswers = {QString::fromStdString(path)};
        form->bLoadInstrumentClick();
        QCOMPARE(Names()[1], std::string("Inst1"));
        QCOMPARE(int(Project().Instruments[1].Skew), 42);
        QCOMPARE(Child<QSlider>("tlSkew")->value(), 42);
        // A file that cannot be read says so and changes nothing.
        h.DialogAnswers = {QString::fromStdString(h.Dir.File("missing.zvi"))};
        size_t messages = h.Messages.Messages.size();
        form->bLoadInstrumentClick();
        QCOMPARE(h.Messages.Messages.size(), messages + 1);
    }

    void masterVolumeAndPlacePersist() {
        auto* level = Child<QSlider>("tlLevel");
        level->setValue(73);
        form->move(60, 70);
        const int width = form->minimumSizeHint().width() + 40;
        form->resize(width, 600);
        h.Close();
        std::string settings = test::ReadBytes(h.Settings());
        QVERIFY2(test::Contains(settings, "Master\t73"), settings.c_str());
        QVERIFY2(test::Contains(settings, "WinInstrumentsFormWidth\t" + std::to_string(width)),
                 settings.c_str());
        Start();
        QCOMPARE(form->MasterVolume(), 73);
        QTest::keyClick(form, Qt::Key_Escape);
    }
};

QTEST_MAIN(InstrumentsFormTest)
#include "instruments_form_test.moc"
