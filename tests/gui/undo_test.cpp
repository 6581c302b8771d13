// Undo and Redo in the main window as a user reaches them: the keys, the Edit menu's captions,
// the toolbar buttons, the riff tabs following the step, and opening files that are no project.
#include <QApplication>
#include <QTest>
#include <QToolButton>

#include <QLineEdit>
#include <QSlider>

#include "arrange/struct_editor.h"
#include "arrange/struct_grid.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"
#include "sound/instruments_form.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;

class UndoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    TMainForm* form = nullptr;

    QString Copy(const char* name) { return h->CopyDemo(name); }
    QAction* Action(const char* name) { return h->Action(name); }
    QToolButton* Button(const char* name) { return h->Button(name); }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    std::vector<std::string> Captions() { return form->Project().RiffNames.All(); }
    TRiff& Riff() { return CurrentRiffOf(form->Project(), form->Editor()); }
    int TopFret() { return Riff().Notes[size_t(Riff().Cursor)].Fret[5]; }

private slots:
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        QVERIFY(h->Start({Copy("song.zvp")}));
        form = h->Form.get();
    }
    void cleanup() { h.reset(); }

    void typedFretsUndoAndRedoWithTheKeysAndTheButtons() {
        QVERIFY(!Action("mUndo")->isEnabled());
        QVERIFY(!Button("bUndo")->isEnabled());
        form->RiffView()->FocusTabLines();
        Riff().Cursor = Riff().Anchor = 2;
        int before = TopFret();
        Key(Qt::Key_1);
        Key(Qt::Key_2);
        QCOMPARE(TopFret(), 12);
        QCOMPARE(Action("mUndo")->text(), QStringLiteral("&Undo Typing"));
        QVERIFY(Button("bUndo")->isEnabled());
        QVERIFY(Button("bSave")->isEnabled());
        Key(Qt::Key_Right);

        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Riff().Cursor, 2); // the cursor is back on the note
        QCOMPARE(TopFret(), before);
        QVERIFY(!Button("bSave")->isEnabled()); // back at the file's state
        QCOMPARE(Action("mRedo")->text(), QStringLiteral("&Redo Typing"));
        Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(TopFret(), 12);
        Key(Qt::Key_Z, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(TopFret(), 12);
        QTest::mouseClick(Button("bUndo"), Qt::LeftButton);
        QCOMPARE(TopFret(), before);
        QVERIFY(!Button("bUndo")->isEnabled());
        QTest::mouseClick(Button("bRedo"), Qt::LeftButton);
        QCOMPARE(TopFret(), 12);
    }

    void riffTabStepsFollowTheTabs() {
        std::vector<std::string> before = Captions();
        form->RiffTabs()->Strip().SelectAndFill(1);
        form->mInsertRiffClick();
        QCOMPARE(form->RiffTabs()->TabCount(), int(before.size()) + 1);
        Action("mUndo")->trigger();
        QCOMPARE(Captions(), before);
        QCOMPARE(form->RiffTabs()->SelectedIndex(), 1); // the riff that was shown
        Action("mRedo")->trigger();
        QCOMPARE(form->RiffTabs()->TabCount(), int(before.size()) + 1);

        h->Messages.Answers = {0}; // "Yes" to the delete question
        form->DeleteTabClick();
        Action("mUndo")->trigger();
        QCOMPARE(form->RiffTabs()->TabCount(), int(before.size()) + 1);
        QCOMPARE(form->Project().RiffNames.RecordCount(), int(before.size()));
    }

    void editsAfterATabDragLandOnTheRecordShown() {
        // Instruments Setup shows Bass; its tab goes before Lead; then a control moves.
        form->ShowInstruments();
        TInstrumentsForm* instruments = form->InstrumentsForm();
        instruments->SelectInstrument(1);
        test::DragTab(instruments->Tabs(), 1, 0);
        QCOMPARE(form->Project().InstrumentNames[0], std::string("Bass"));
        QCOMPARE(form->CurrentInstrument(), 0);
        instruments->findChild<QAbstractButton*>(QStringLiteral("rbNoise"))->click();
        QCOMPARE(int(form->Project().Instruments[0].Wave), int(WaveNoise));
        QCOMPARE(int(form->Project().Instruments[1].Wave), int(WaveSquare)); // Lead as it was

        // Riff Properties shows Intro; its tab goes behind Verse; then the numerator changes.
        form->RiffTabs()->Strip().SelectAndFill(0);
        form->OpenRiffPropertiesWindow();
        test::DragTab(form->RiffTabs(), 0, 1);
        auto* barsA = form->RiffProperties()->findChild<QLineEdit*>(QStringLiteral("eBarsA"));
        barsA->setText(QStringLiteral("3"));
        form->RiffProperties()->StoreRiffProperties("barsA");
        QCOMPARE(Captions()[0], std::string("Verse"));
        QCOMPARE(Captions()[1], std::string("Intro"));
        QCOMPARE(form->Project().Riffs[1].BarsA, std::string("3"));
        QCOMPARE(form->Project().Riffs[0].BarsA, std::string("4 4 4 3"));
    }

    void undoShowsWhatItsStepChanged() {
        // A grid edit: undo keeps the riff tab and the entry mode, and puts the cell back.
        TStructGrid* grid = form->StructGrid();
        grid->SetCurrentCell(1, 2);
        form->StructEditor()->ClearCells();
        grid->SetCurrentCell(2, 4);
        form->RiffTabs()->Strip().SelectAndFill(2);
        form->RiffView()->FocusTabLines();
        Action("mUndo")->trigger();
        QCOMPARE(form->RiffTabs()->SelectedIndex(), 2);
        QVERIFY(form->Editor().TabMode);
        QCOMPARE(grid->Row(), 2);
        QCOMPARE(grid->Col(), 1);

        // An instrument edit on an instrument not shown: undo shows that instrument.
        form->ShowInstruments();
        form->InstrumentsForm()->SelectInstrument(1);
        form->InstrumentsForm()->findChild<QSlider*>(QStringLiteral("tlSkew"))->setValue(9);
        form->InstrumentsForm()->SelectInstrument(0);
        Action("mUndo")->trigger();
        QCOMPARE(form->CurrentInstrument(), 1);
        QCOMPARE(form->InstrumentsForm()->Tabs()->SelectedIndex(), 1);
        QCOMPARE(form->InstrumentsForm()->findChild<QSlider*>(QStringLiteral("tlSkew"))->value(),
                 int(form->Project().Instruments[1].Skew));
    }

    void newAndOpenClearTheLastRenderStatus() {
        form->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        QVERIFY(form->StatusText().startsWith(QStringLiteral("Render Time")));
        form->NewProject();
        QCOMPARE(form->StatusText(), QString());
        QVERIFY(!Action("mUndo")->isEnabled());
        form->bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
        form->OpenProjectFile(Copy("other.zvp"));
        QCOMPARE(form->StatusText(), QString());
    }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
