// Undo and Redo in the main window as a user reaches them: the keys, the Edit menu's captions,
// the toolbar buttons, the riff tabs following the step, and opening files that are no project.
#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "main_form_harness.h"
#include "view/riff_view.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;

class UndoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    TMainForm* form = nullptr;

    QString Copy(const char* name) {
        std::string path = h->Dir.File(name);
        std::filesystem::copy_file(ZELVANE_DEMO_PROJECT, path);
        return QString::fromStdString(path);
    }
    QAction* Action(const char* name) {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }
    QToolButton* Button(const char* name) {
        return form->findChild<QToolButton*>(QString::fromLatin1(name));
    }
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
        QCOMPARE(Action("mUndo")->text(), QStringLiteral("&Undo Insert Riff"));
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

    void aFileThatIsNoProjectLeavesEverythingAsItWas() {
        form->RiffView()->FocusTabLines();
        Key(Qt::Key_7);
        QString path = form->ProjectPath();
        std::string text = h->Dir.File("notes.txt");
        test::WriteBytes(text, std::string("just text\0\1\2", 13));
        h->Messages.Messages.clear();
        QVERIFY(!form->OpenProjectFile(QString::fromStdString(text)));
        QCOMPARE(form->ProjectPath(), path);
        QCOMPARE(form->windowTitle(), QStringLiteral("Zelvane Editor - ") + path);
        QVERIFY(form->Project().IsChanged());
        QVERIFY(Action("mUndo")->isEnabled());
        QCOMPARE(h->Messages.Messages.size(), size_t(1));
        QVERIFY(h->Messages.Messages[0].Text.rfind("Failed to Open File\n", 0) == 0);
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
