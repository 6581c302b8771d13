// The notes window as a user drives it: typing changes the project, the style toggles on whole
// and mixed selections, the RTF round trip with formatting, its own undo, and notes that come
// with an opened project.
#include <QAction>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/notes_form.h"
#include "main_form_harness.h"
#include "model/projectfile.h"
#include "model/rtf.h"
#include "widgets/rich_edit_rtf.h"

using namespace zel;

class NotesFormTest : public QObject {
    Q_OBJECT

private:
    test::TMainFormHarness h;
    TNotesForm* notes = nullptr;

    TMainForm& Main() { return *h.Form; }
    TRichEditRTF* Editor() { return notes->Editor(); }
    void Select(int from, int to) {
        QTextCursor cursor = Editor()->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        Editor()->setTextCursor(cursor);
    }
    // Bold of each character of the first paragraph, as 'B' or '.'.
    QString BoldMap() {
        QString map;
        QTextBlock block = Editor()->document()->begin();
        for (auto it = block.begin(); !it.atEnd(); ++it)
            map += QString(it.fragment().length(),
                           it.fragment().charFormat().fontWeight() >= QFont::Bold ? 'B' : '.');
        return map;
    }

private slots:
    void init() {
        QVERIFY(h.Start());
        notes = Main().NotesForm();
        QVERIFY(notes);
        auto* open = Main().findChild<QAction*>(QStringLiteral("mNotes"));
        QVERIFY(open && open->isEnabled());
        open->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(notes));
    }
    void cleanup() { h.Close(); }

    void typingChangesTheProjectAndEnablesSave() {
        auto* save = Main().findChild<QAction*>(QStringLiteral("mSave"));
        QVERIFY(!save->isEnabled());
        Editor()->setFocus();
        QTest::keyClicks(Editor(), QStringLiteral("Verse\tslow"));
        QVERIFY(save->isEnabled());
        QVERIFY(Main().Project().IsChanged());
        QCOMPARE(QString::fromStdString(RtfToPlainText(Main().Project().NotesRtf)),
                 QStringLiteral("Verse\tslow\n"));
        QCOMPARE(QString::fromStdString(Main().Document().UndoName()),
                 QStringLiteral("Edit Notes"));
        // Ctrl+Z inside the window is the editor's own undo.
        QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Editor()->toPlainText() != QStringLiteral("Verse\tslow"));
        // The main window's undo of the step brings the notes back as they were.
        Main().findChild<QAction*>(QStringLiteral("mUndo"))->trigger();
        QCOMPARE(Editor()->toPlainText(), QString());
    }

    void styleTogglesFollowTheWholeSelection() {
        Editor()->setPlainText(QStringLiteral("abcdef"));
        Select(0, 3);
        notes->bBoldClick();
        QCOMPARE(BoldMap(), QStringLiteral("BBB..."));
        notes->bBoldClick(); // entirely bold: back to regular
        QCOMPARE(BoldMap(), QStringLiteral("......"));
        Select(0, 3);
        notes->bBoldClick();
        Select(1, 5); // mixed: all bold
        notes->bBoldClick();
        QCOMPARE(BoldMap(), QStringLiteral("BBBBB."));
        Select(0, 6);
        QTest::keyClick(Editor(), Qt::Key_I, Qt::ControlModifier);
        QVERIFY(Editor()->HasStyle(TRichEditRTF::TStyle::Italic));
        QTest::keyClick(Editor(), Qt::Key_U, Qt::ControlModifier);
        QVERIFY(Editor()->HasStyle(TRichEditRTF::TStyle::Underline));
    }

    void textRtfRoundTripKeepsTheFormatting() {
        TRichDocument rich;
        TRichRun bold{"Intro ", "Arial", 24, true};
        TRichRun italic{"caf\xC3\xA9\tx", "Times New Roman", 20, false, true, true, 0xC00000};
        TRichRun breakLine{"one\ntwo", "Arial", 20};
        rich.Paragraphs = {TRichParagraph{{bold, italic}}, TRichParagraph{},
                           TRichParagraph{{breakLine}}};
        DocumentFromRich(rich, *Editor()->document());
        QCOMPARE(RichFromDocument(*Editor()->document()), rich);
        std::string rtf = Editor()->TextRTF();
        TRichEditRTF other;
        other.SetTextRTF(rtf);
        QVERIFY(RichFromDocument(*other.document()) == rich);
        QCOMPARE(other.TextRTF(), rtf);
    }

    void anOpenedProjectShowsItsNotesUnchanged() {
        TProject project = test::NewProject();
        project.NotesRtf = RtfFromParagraphs({"Capo 2", "Play it loud"});
        std::string path = h.Dir.File("song.zvp");
        QVERIFY(SaveProject(project, path));
        QVERIFY(Main().OpenProjectFile(QString::fromStdString(path)));
        QCOMPARE(Editor()->toPlainText(), QStringLiteral("Capo 2\nPlay it loud"));
        QVERIFY(!Main().Project().IsChanged());
        QVERIFY(!Main().Document().CanUndo());
    }
};

QTEST_MAIN(NotesFormTest)
#include "notes_form_test.moc"
