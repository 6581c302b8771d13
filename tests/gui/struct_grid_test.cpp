// The song grid as a user drives it: labels and geometry, the double click lists, the context
// menu, the structure clipboard through the real clipboard, dragging row labels, the wheel, Go to
// and the row that plays.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <array>

#include "arrange/struct_editor.h"
#include "arrange/struct_grid.h"
#include "main_form_harness.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;

namespace {

// Three riffs and four instruments; the structure as given.
void SetUpSong(TDocument& document, std::vector<std::string> structure) {
    TEditScope scope = TEditScope().AndAllRiffs().AndRiffNames().AndAllInstruments();
    document.Edit("song", scope.AndInstrumentNames().AndStructure(), [&] {
        TProject& p = document.Project();
        p.RiffNames.SetCaption(0, "Intro");
        p.RiffNames.GrowTo(3);
        p.RiffNames.SetCaption(1, "Verse");
        p.RiffNames.SetCaption(2, "Solo & Out");
        p.RiffNames.EnsureBlankTab();
        p.InstrumentNames.GrowTo(4);
        for (int k = 0; k < 4; ++k)
            p.InstrumentNames.SetCaption(k, "Inst " + std::to_string(k + 1));
        p.InstrumentNames.EnsureBlankTab();
        p.Structure = std::move(structure);
        // Intro a half note, Verse a quarter: rows take time.
        for (auto [riff, duration] : {std::pair{0, 2}, {1, 3}})
            test::SetNotes(p.Riffs[size_t(riff)], {test::Note(uint8_t(duration), {{0, 0}})});
    });
    document.MarkClean();
}

} // namespace

class StructGridTest : public QObject {
    Q_OBJECT

private:
    test::TMainFormHarness h;
    TStructGrid* grid = nullptr;

    TMainForm& Form() { return *h.Form; }
    TStructure& Structure() { return Form().Project().Structure; }
    TStructEditor& Editor() { return *Form().StructEditor(); }
    void Song(std::vector<std::string> structure) {
        SetUpSong(Form().Document(), std::move(structure));
        Form().LoadSelectedRiff(); // every view shows the new song
    }
    QPoint CellPoint(int col, int row, int x) {
        QRect cell = grid->visualRect(grid->model()->index(row - 1, col - 1));
        return QPoint(cell.left() + x, cell.center().y());
    }
    QMenu* Popup(const char* name) {
        auto* menu = Form().findChild<QMenu*>(QString::fromLatin1(name));
        return menu && menu->isVisible() ? menu : nullptr;
    }
    QStringList Captions(QMenu* menu) {
        QStringList captions;
        for (QAction* action : menu->actions())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return captions;
    }
    void Choose(QMenu* menu, const QString& caption) {
        for (QAction* action : menu->actions())
            if (action->text() == caption) {
                menu->hide();
                action->trigger();
                return;
            }
        QFAIL(qPrintable("no entry " + caption));
    }
    // Chooses an entry of the popup menu of that name, which must be open.
    void Choose(const char* popup, const QString& caption) {
        QMenu* menu = Popup(popup);
        QVERIFY2(menu, popup);
        Choose(menu, caption);
    }
    void DoubleClick(int col, int row, int x) {
        QTest::mouseMove(grid->viewport(), CellPoint(col, row, x));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CellPoint(col, row, x));
    }
    // Moves the current cell down to `row` as arrow keys would, the grid growing on the way.
    void GoTo(int col, int row) {
        for (int r = 1; r <= row; ++r)
            grid->SetCurrentCell(col, r);
        QCOMPARE(grid->Row(), row);
    }
    void Select(int left, int top, int right, int bottom) {
        grid->SetCurrentCell(left, top);
        grid->selectionModel()->select(QItemSelection(grid->model()->index(top - 1, left - 1),
                                                      grid->model()->index(bottom - 1, right - 1)),
                                       QItemSelectionModel::ClearAndSelect);
    }
    void Trigger(const char* action) {
        QAction* a = h.Action(action);
        QVERIFY2(a, action);
        a->trigger();
    }

private slots:
    void init() {
        QVERIFY(h.Start());
        grid = Form().StructGrid();
        QVERIFY(grid);
        Form().resize(900, 700);
        grid->setFocus();
    }
    void cleanup() { h.Close(); }

    void geometryFollowsInstrumentsAndStructure() {
        Song({"1\tIntro", "2\tVerse", "", "1\tIntro", "1\tVerse"});
        QCOMPARE(grid->model()->columnCount(), 4);
        // one blank row after the structure
        QCOMPARE(grid->model()->rowCount(), 6);
        QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Inst 3"));
        grid->SetCurrentCell(2, 6);
        // the last row became current
        QCOMPARE(grid->model()->rowCount(), 7);
        // growing the grid writes nothing
        QCOMPARE(Structure().size(), size_t(5));
        QVERIFY(!Form().Project().IsChanged());
    }

    void doubleClickChoosesRiffOrRepeat() {
        Song({"2\tIntro\t\tVerse"});
        // Over the riff area of a cell below the structure: the riff list, blank entry last.
        GoTo(2, 3);
        DoubleClick(2, 3, 60);
        QVERIFY(Popup("pmEdit"));
        QCOMPARE(Captions(Popup("pmEdit")), (QStringList{"Intro", "Verse", "Solo && Out", ""}));
        Choose("pmEdit", QStringLiteral("Verse"));
        // a new riff gets repeat 1, the structure reaches the row
        QCOMPARE(Structure(), (TStructure{"2\tIntro\t\tVerse", "", "\t\t1\tVerse"}));
        QVERIFY(Form().Project().IsChanged());

        // Over the repeat area of a cell with a repeat: the repeat list; the riff stays.
        DoubleClick(1, 1, 10);
        QVERIFY(Popup("pmEdit"));
        QCOMPARE(Popup("pmEdit")->actions().size(), 16);
        Choose("pmEdit", QStringLiteral("4x"));
        QCOMPARE(Structure()[0], std::string("4\tIntro\t\tVerse"));

        // Each choice is one step back.
        Trigger("mUndo");
        QCOMPARE(Structure()[0], std::string("2\tIntro\t\tVerse"));
    }

    void rightClickKeepsTheCurrentCellAndOpensTheMenu() {
        Song({"1\tIntro\t1\tVerse", "1\tVerse"});
        grid->SetCurrentCell(1, 1);
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, CellPoint(2, 2, 40));
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, CellPoint(2, 2, 40));
        QCOMPARE(grid->Col(), 1);
        QCOMPARE(grid->Row(), 1);
        // Change Riff from the menu offers the riff list of the current cell, whatever the
        // pointer was over.
        QMenu* menu = Popup("pmStruct");
        QVERIFY(menu);
        Choose(menu, QStringLiteral("Change Riff"));
        Choose("pmEdit", QStringLiteral("Verse"));
        QCOMPARE(Structure()[0], std::string("1\tVerse\t1\tVerse"));
        menu->hide();
    }

    void keyboardOpensTheListsAndClearsCells() {
        Song({"1\tIntro\t2\tVerse", "3\tVerse\t1\tIntro"});
        grid->setFocus();
        Select(1, 1, 2, 1);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(Structure(), (TStructure{"\t\t\t", "3\tVerse\t1\tIntro"}));
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->Row(), 2);
        QTest::keyClick(grid, Qt::Key_Return);
        Choose("pmEdit", QStringLiteral("Solo && Out"));
        QCOMPARE(Structure()[1], std::string("3\tSolo & Out\t1\tIntro"));
        QTest::keyClick(grid, Qt::Key_Menu);
        QVERIFY(Popup("pmStruct"));
        Popup("pmStruct")->hide();
    }

    void clipboardRoundTripsCellForCell() {
        Song({"1\tIntro\t2\tVerse\t3\tIntro", "4\tVerse\t5\tIntro", "6\tIntro"});
        Select(1, 1, 2, 2);
        // The window's Copy acts on the grid while it has the focus.
        grid->setFocus();
        QVERIFY(grid->hasFocus());
        Trigger("mCopy");
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("1\tIntro\t2\tVerse\r\n4\tVerse\t5\tIntro"));
        GoTo(3, 4);
        Trigger("mPaste");
        QCOMPARE(Structure().size(), size_t(5));
        QCOMPARE(Structure()[3], std::string("\t\t\t\t1\tIntro\t2\tVerse"));
        QCOMPARE(Structure()[4], std::string("\t\t\t\t4\tVerse\t5\tIntro"));

        // Cut empties cells and never removes rows; the window's Cut leaves the grid alone.
        Select(1, 1, 1, 3);
        Editor().mCutCopyClick(true);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("1\tIntro\r\n4\tVerse\r\n6\tIntro"));
        QCOMPARE(Structure()[2], std::string("\t"));
        QCOMPARE(Structure().size(), size_t(5));
        TStructure before = Structure();
        Trigger("mCut");
        QCOMPARE(Structure(), before);
    }

    void refreshKeepsSelectionScrollAndFocusRouting() {
        Song(std::vector<std::string>(60, "1\tIntro\t1\tVerse"));
        Select(1, 10, 2, 12);
        grid->verticalScrollBar()->setValue(20);
        // What the window does each time it comes back to the front.
        grid->RefreshStructGrid();
        TGridRect rect = grid->Selection();
        QCOMPARE((std::array{rect.Left, rect.Top, rect.Right, rect.Bottom}),
                 (std::array{1, 10, 2, 12}));
        QCOMPARE(grid->verticalScrollBar()->value(), 20);

        // With the riff view focused, Copy and Paste are the notes' and leave the song alone.
        QApplication::clipboard()->setText(QStringLiteral("5\tVerse"));
        Form().findChild<QWidget*>(QStringLiteral("eRiff2"))->setFocus();
        TStructure before = Structure();
        Trigger("mPaste");
        QCOMPARE(Structure(), before);
        Trigger("mCopy");
        QVERIFY(!QApplication::clipboard()->text().contains(QStringLiteral("Intro")));
    }

    // Where pasted rows and line breaks land is the structure's own test (structure_ops_test);
    // here the real clipboard reaches the grid.
    void pasteEdgeCases() {
        // Any text pastes without a crash, in time linear in its size; characters without a
        // byte in the code page arrive as '?'.
        Song({});
        QString junk;
        for (int i = 0; i < 20000; ++i)
            junk += QStringLiteral("9\t\u0416\x01x\t\t\r\n\n\r");
        QApplication::clipboard()->setText(junk);
        grid->SetCurrentCell(2, 1);
        Editor().mPaste1Click();
        QCOMPARE(Structure().size(), size_t(60001));
        QCOMPARE(grid->model()->rowCount(), 60002);
        QCOMPARE(Structure()[0], std::string("\t\t9\t?\tx\t\t"));
        // Undone, the grid is as short as the song again.
        Trigger("mUndo");
        QCOMPARE(Structure().size(), size_t(0));
        QCOMPARE(grid->model()->rowCount(), 1);
    }

    void rowsInsertDeleteAndDrag() {
        Song({"1\tA", "1\tB", "1\tC", "1\tD", "1\tE"});
        GoTo(1, 7);
        Editor().mDeleteLineClick();
        // the blank row below the structure
        QCOMPARE(Structure().size(), size_t(5));
        QVERIFY(!Form().Project().IsChanged());

        grid->SetCurrentCell(1, 2);
        Editor().mInsertLineClick();
        QCOMPARE(Structure(), (TStructure{"1\tA", "", "1\tB", "1\tC", "1\tD", "1\tE"}));
        QCOMPARE(grid->model()->rowCount(), 7);
        Editor().mDeleteLineClick();
        QCOMPARE(Structure(), (TStructure{"1\tA", "1\tB", "1\tC", "1\tD", "1\tE"}));

        // Dragging the label of row 3 onto row 1; pressing a label selects nothing.
        grid->SetCurrentCell(3, 3);
        QHeaderView* labels = grid->verticalHeader();
        auto labelAt = [&](int row) {
            return QPoint(labels->width() / 2, labels->sectionViewportPosition(row - 1) +
                                                   labels->sectionSize(row - 1) / 2);
        };
        QTest::mousePress(labels->viewport(), Qt::LeftButton, {}, labelAt(3));
        // Into the upper half of row 1: the row goes above it.
        for (int y = labelAt(3).y(); y >= labelAt(1).y() - 4; y -= 4) {
            QMouseEvent move(QEvent::MouseMove, QPointF(labelAt(3).x(), y),
                             labels->viewport()->mapToGlobal(QPointF(labelAt(3).x(), y)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(labels->viewport(), &move);
        }
        QTest::mouseRelease(labels->viewport(), Qt::LeftButton, {}, labelAt(1) - QPoint(0, 4));
        QCOMPARE(Structure(), (TStructure{"1\tC", "1\tA", "1\tB", "1\tD", "1\tE"}));
        // the labels stay in order
        QCOMPARE(labels->logicalIndex(0), 0);
        QCOMPARE(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("A"));
        // the moved row stays current
        QCOMPARE(grid->Row(), 1);
    }

    void goToSelectsTheRiffAndTheInstrument() {
        Song({"1\tIntro\t1\tverse\t1\tNo such riff"});
        grid->SetCurrentCell(2, 1);
        Editor().mGotoClick();
        // found without regard to case
        QCOMPARE(Form().RiffTabs()->SelectedIndex(), 1);
        QCOMPARE(Form().CurrentInstrument(), 1);
        grid->SetCurrentCell(3, 1);
        Editor().mGotoClick();
        // an unknown riff leaves the tabs
        QCOMPARE(Form().RiffTabs()->SelectedIndex(), 1);
        QCOMPARE(Form().CurrentInstrument(), 2);
    }

    void thePlayingRowFollowsPlayback() {
        Song({"1\tIntro", "1\tVerse", "", "1\tIntro"});
        auto* output = new test::TFakeOutput;
        auto played = output->Played;
        QVERIFY(h.Start({}, false, [&](TMainFormSetup& setup) { setup.Audio.reset(output); }));
        grid = Form().StructGrid();
        SetUpSong(Form().Document(), {"1\tIntro", "1\tVerse", "", "1\tIntro"});
        grid->RefreshStructGrid();
        grid->SetCurrentCell(1, 2);
        *played = 0;
        Form().bPlayScriptClick(QStringLiteral("bPlayScript"));
        // from the current row
        QCOMPARE(grid->PlayingRow(), 2);
        // Verse (a quarter) has played: the empty row is skipped, the last row is heard.
        const TRiff& verse = Form().Project().Riffs[1];
        *played = int64_t(44100 * 60 / verse.Tempo) + 10;
        QTRY_COMPARE(grid->PlayingRow(), 4);
        QCOMPARE(
            grid->model()->headerData(3, Qt::Vertical, Qt::AccessibleDescriptionRole).toString(),
            QStringLiteral("playing"));
        Form().bStopClick();
        QCOMPARE(grid->PlayingRow(), 0);

        // A new project while the song plays: its labels do not follow the old song, and the
        // instrument chosen in the old one is gone.
        grid->SetCurrentCell(2, 1);
        Editor().mGotoClick();
        QCOMPARE(Form().CurrentInstrument(), 1);
        Form().bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        QCOMPARE(grid->PlayingRow(), 1);
        Form().Document().MarkClean(); // Go to an empty cell began a new riff
        Form().NewProject();
        QCOMPARE(grid->PlayingRow(), 0);
        QCOMPARE(Form().CurrentInstrument(), 0);

        // A song with an undefined riff does not play: nothing is highlighted.
        SetUpSong(Form().Document(), {"1\tIntro", "1\tNowhere"});
        Form().LoadSelectedRiff();
        Form().bPlayScriptClick(QStringLiteral("bPlayScriptAll"));
        QCOMPARE(grid->PlayingRow(), 0);
        QVERIFY(!h.Messages.Messages.empty());
    }
};

QTEST_MAIN(StructGridTest)
#include "struct_grid_test.moc"
