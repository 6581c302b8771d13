// The riff view driven with real key and mouse events on the offscreen platform; every test
// checks the model afterwards.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include "canvas.h"
#include "edit/music.h"
#include "riff_band.h"
#include "riff_view_paint.h"
#include "test_support.h"
#include "view/riff_view.h"

using namespace zel;

namespace {

constexpr int Column0 = 104; // cursor box x of column 0 in the paint box
constexpr int ColumnWidth = 26;

QPoint StaffPoint(int column, int row) {
    return {Column0 + ColumnWidth * column + 5, 65 + 4 * row};
}
QPoint TabPoint(int column, int row) {
    return {Column0 + ColumnWidth * column + 5, 156 + 13 * row};
}

} // namespace

class RiffViewTest : public QObject {
    Q_OBJECT

private:
    TDocument document;
    TProject& project = document.Project();
    TEditorState& editor = document.Editor();
    std::unique_ptr<TRiffView> view;

    TRiff& Riff() { return project.Riffs[0]; }
    QWidget* Box() { return view->PaintBox(); }
    QWidget* Focused() { return QApplication::focusWidget(); }
    // The cursor and the selection's anchor.
    std::pair<int, int> Place() { return {Riff().Cursor, Riff().Anchor}; }

    void Fill(int count) {
        test::SetQuarters(Riff(), count, 2);
        view->RiffSwitched();
    }
    void Click(QPoint p, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(Box(), Qt::LeftButton, modifiers, p);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = Focused();
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    void SendMouse(QEvent::Type type, QPoint p, Qt::MouseButtons buttons,
                   Qt::MouseButton button = Qt::NoButton) {
        QMouseEvent event(type, p, Box()->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(Box(), &event);
    }

private slots:
    void init() {
        document.New();
        EnsureNotes(Riff(), 1);
        view = std::make_unique<TRiffView>(document);
        view->resize(600, 300);
        view->show();
        QApplication::setActiveWindow(view.get());
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
    }
    void cleanup() { view.reset(); }

    void typingFretsOnTheTabLines() {
        Fill(0);
        Click(TabPoint(0, 0)); // the top string of six: slot 5
        QCOMPARE(Focused()->objectName(), QStringLiteral("eRiff2"));
        QVERIFY(editor.TabMode);
        QCOMPARE(editor.CursorRow, 0);
        Key(Qt::Key_1);
        Key(Qt::Key_2);
        QCOMPARE(int(Riff().Notes[0].Fret[5]), 12);
        QVERIFY(project.IsChanged());
        // The hidden control never takes the text.
        QVERIFY(static_cast<QLineEdit*>(Focused())->text().isEmpty());
    }

    void tabKeyMovesBetweenStaffAndTabLines() {
        Fill(2);
        Click(StaffPoint(1, 6));
        QCOMPARE(editor.CursorRow, 6);
        Key(Qt::Key_Tab);
        QCOMPARE(Focused()->objectName(), QStringLiteral("eRiff2"));
        QVERIFY(editor.TabMode);
        QCOMPARE(editor.CursorRow, 0);
        Key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(Focused()->objectName(), QStringLiteral("eRiff1"));
        QVERIFY(!editor.TabMode);
        // Alt combinations are not note entry: Alt+3 types no fret.
        Click(TabPoint(0, 5));
        Key(Qt::Key_3, Qt::AltModifier);
        QCOMPARE(int(Riff().Notes[0].Fret[0]), int(NoFret));
    }

    void dragSelectsAndKeysWaitForTheRelease() {
        Fill(6);
        SendMouse(QEvent::MouseButtonPress, StaffPoint(1, 4), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(editor.MouseHeld);
        Key(Qt::Key_Right); // ignored while the button is held
        QCOMPARE(Riff().Cursor, 1);
        SendMouse(QEvent::MouseMove, StaffPoint(3, 4), Qt::LeftButton);
        SendMouse(QEvent::MouseMove, StaffPoint(30, 4), Qt::LeftButton); // past the notes
        SendMouse(QEvent::MouseButtonRelease, StaffPoint(30, 4), Qt::NoButton, Qt::LeftButton);
        QVERIFY(!editor.MouseHeld);
        QCOMPARE(Place(), (std::pair{3, 1}));
    }

    void clickRightOfTheLastNoteOrBesideAShortRiffStandsOnTheEndRecord() {
        Fill(3);
        Click(QPoint(Column0 + 26 * 3 + 20, 300 - 80));
        QCOMPARE(Riff().Cursor, 3);
        Click(QPoint(10, 70)); // left of the first column
        QCOMPARE(Riff().Cursor, 0);
        QVERIFY(Box()->width() + 100 < view->viewport()->width());
        // Right of the paint box, on the empty part of the view, at the bottom string.
        QPoint beside(Box()->width() + 60, TabPoint(0, 5).y());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, beside);
        QCOMPARE(Place(), (std::pair{3, 3}));
        QVERIFY(editor.TabMode);
        QCOMPARE(editor.CursorRow, 5);
        QCOMPARE(Focused()->objectName(), QStringLiteral("eRiff2"));
        // Shift+click there extends the selection up to the end record.
        Click(StaffPoint(1, 4));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, beside);
        QCOMPARE(Place(), (std::pair{3, 1}));
        // The right button there opens the menu without moving the cursor.
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, beside - QPoint(30, 0));
        view->PopupMenu()->hide();
        QCOMPARE(Place(), (std::pair{3, 1}));
    }

    void goingToTheFirstNoteShowsTheStartOfTheBand() {
        Fill(100);
        QScrollBar* bar = view->horizontalScrollBar();
        Click(StaffPoint(0, 4));
        Key(Qt::Key_End);
        QVERIFY(bar->value() > 0);
        Key(Qt::Key_Home);
        QCOMPARE(Riff().Cursor, 0);
        QCOMPARE(bar->value(), 0);
        // From a position between two columns, stepping back onto the first note.
        Key(Qt::Key_Right);
        bar->setValue(ColumnWidth * 5 + 7);
        Key(Qt::Key_Right);
        QCOMPARE(Riff().Cursor, 2);
        Key(Qt::Key_Left);
        QVERIFY(bar->value() > 0);
        Key(Qt::Key_Left);
        QCOMPARE(Riff().Cursor, 0);
        QCOMPARE(bar->value(), 0);
    }

    void ctrlArrowsMoveByAPage() {
        Fill(100);
        Click(StaffPoint(0, 4));
        int page = view->viewport()->width() / ColumnWidth;
        Key(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(Place(), (std::pair{page, page}));
        Key(Qt::Key_Right, Qt::ControlModifier);
        // The view scrolled so that the cursor column shows.
        int x = Column0 + ColumnWidth * Riff().Cursor;
        int scroll = view->horizontalScrollBar()->value();
        QVERIFY(x >= scroll && x + ColumnWidth <= scroll + view->viewport()->width());
        QCOMPARE(Riff().Cursor, 2 * page);
    }

    void cutAndPasteRoundTripThroughTheClipboard() {
        Fill(6);
        std::vector<TNote> before(Riff().Notes.begin(), Riff().Notes.begin() + 6);
        Click(StaffPoint(1, 4));
        Click(StaffPoint(2, 4), Qt::ShiftModifier);
        Key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(NoteCount(Riff()), 4);
        QCOMPARE(QApplication::clipboard()->text().count(QStringLiteral("\r\n")), 2);
        Key(Qt::Key_Home);
        Key(Qt::Key_Right); // back where the cut notes stood
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(NoteCount(Riff()), 6);
        QVERIFY(std::equal(before.begin(), before.end(), Riff().Notes.begin()));
        QCOMPARE(Riff().Cursor, 3);
        // Text that is not notes changes nothing and does not crash.
        QApplication::clipboard()->setText(QStringLiteral("hello \u4e16\u754c\r\n\r\n"));
        Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(NoteCount(Riff()) >= 6);
    }

    void popupMenuActsOnTheSelection() {
        Fill(5);
        Click(StaffPoint(1, 4));
        Click(StaffPoint(3, 4), Qt::ShiftModifier);
        QMenu* menu = view->findChild<QMenu*>(QStringLiteral("PopupMenuEdit"));
        QVERIFY(menu);
        // A right click opens it without moving the cursor.
        QTest::mouseClick(Box(), Qt::RightButton, {}, StaffPoint(0, 4));
        QCOMPARE(Place(), (std::pair{3, 1}));
        for (QAction* action : menu->actions())
            if (action->objectName() == QStringLiteral("mDelete"))
                action->trigger();
        menu->hide();
        QCOMPARE(NoteCount(Riff()), 2);
    }

    void paintBoxFollowsTheRiff() {
        Fill(10);
        int width = Box()->width();
        QCOMPARE(Box()->height(), BandHeight(view->Metrics(), Riff()));
        Click(TabPoint(10, 0));
        Key(Qt::Key_5); // a new note at the end widens the box by a column
        QCOMPARE(NoteCount(Riff()), 11);
        QCOMPARE(Box()->width(), width + ColumnWidth);
    }

    void longRiffPaintsTheSamePictureWhereverItIsScrolled() {
        Fill(10000);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, Qt::white);
        view->setPalette(palette);
        int width = Box()->width();
        int height = Box()->height();
        for (auto [smooth, scroll] :
             {std::pair{true, width / 2}, std::pair{true, width - view->viewport()->width()},
              std::pair{false, 1234}, std::pair{false, width / 3}}) {
            view->SetSmoothDrawing(smooth);
            view->horizontalScrollBar()->setValue(scroll);
            scroll = view->horizontalScrollBar()->value();
            QRect visible(scroll, 0, view->viewport()->width(), height);
            QImage got = Box()->grab(visible).toImage().convertToFormat(QImage::Format_RGB32);
            QImage expected(visible.size(), QImage::Format_RGB32);
            expected.setDevicePixelRatio(got.devicePixelRatio());
            expected.setDotsPerMeterX(got.dotsPerMeterX());
            expected.setDotsPerMeterY(got.dotsPerMeterY());
            expected.fill(Qt::white);
            {
                QPainter painter(&expected);
                painter.translate(-scroll, 0);
                TCanvas canvas(painter, RiffViewFontFamily(), RiffViewFontPixels,
                               smooth ? TDrawingMode::Smooth : TDrawingMode::Exact);
                int index = 0;
                int64_t ticks = 0;
                TChordDrawState chords;
                DrawRiffBand(canvas, view->Metrics(), Riff(), index, ticks, 4, width, 0, chords);
            }
            if (qEnvironmentVariableIsSet("ZELVANE_SCREENSHOTS"))
                got.save(QStringLiteral("riffview-%1.png").arg(scroll));
            QCOMPARE(got, expected);
        }
    }

    void aClickEndsTheTypingOfAFret() {
        Fill(8);
        Click(TabPoint(3, 0));
        Key(Qt::Key_1);
        Click(TabPoint(7, 0));
        Click(TabPoint(3, 0)); // back on the same note: still a new step
        Key(Qt::Key_2);
        QCOMPARE(document.UndoCount(), 2);
    }
};

QTEST_MAIN(RiffViewTest)
#include "riff_view_test.moc"
