// The debug window as a developer uses it: lines in their colours, the colour filter buttons,
// the hex view of a selection, and the -debug and -debuglog switches of the main window.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include "app/debug_form.h"
#include "base/debug_log.h"
#include "main_form_harness.h"

using namespace zel;

namespace {

QStringList Lines(TDebugForm& form) {
    QString text = form.LogView()->toPlainText();
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // every line ends in a line break
    return lines;
}

QStringList VisibleFilterButtons(TDebugForm& form) {
    QApplication::processEvents(); // the toolbar lays its buttons out
    QStringList names;
    for (auto* button : form.findChildren<QToolButton*>())
        if (button->objectName().startsWith(QStringLiteral("bDebugColour")) && button->isVisible())
            names << button->objectName();
    names.sort();
    return names;
}

QToolButton* Button(TDebugForm& form, const QString& name) {
    return form.findChild<QToolButton*>(name);
}

// The colour a line of the text view is drawn in.
QColor LineColour(TDebugForm& form, int line) {
    QTextBlock block = form.LogView()->document()->findBlockByNumber(line);
    return block.begin().fragment().charFormat().foreground().color();
}

} // namespace

class DebugFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TDebugForm> form;
    test::TAnsweringMessages messages;
    std::unique_ptr<TScopedMessageService> install;

    void Write(const std::string& text, uint32_t colour = 0) {
        form->DebugLine(text, colour);
        form->Drain();
    }
    void Select(int start, int end) {
        QTextCursor cursor(form->LogView()->document());
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        form->LogView()->setTextCursor(cursor);
    }

private slots:
    void init() {
        install = std::make_unique<TScopedMessageService>(messages);
        messages.Messages.clear();
        SetDebugClock([] { return TDebugTime{2026, 12, 5, 14, 3, 9, 250}; });
        form = std::make_unique<TDebugForm>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        SetDebugClock({});
        install.reset();
    }

    void fifteenColoursGetButtonsTheRestShareTheLastSlot() {
        QVERIFY(VisibleFilterButtons(*form).isEmpty());
        for (uint32_t c = 1; c <= 15; ++c)
            Write("colour " + std::to_string(c), c);
        QCOMPARE(VisibleFilterButtons(*form).size(), 15);
        Write("again", 3); // a known colour takes no new slot
        Write("sixteenth", 16);
        Write("seventeenth", 17);
        QCOMPARE(VisibleFilterButtons(*form).size(), 15);
        QCOMPARE(form->SlotColour(14), std::optional<uint32_t>(15));
        QCOMPARE(form->SlotColour(15), std::optional<uint32_t>(16));
        QStringList lines = Lines(*form);
        QCOMPARE(lines.size(), 18);
        QVERIFY(lines[16].endsWith(QStringLiteral("sixteenth")));
        QVERIFY(lines[17].endsWith(QStringLiteral("seventeenth")));
        QCOMPARE(LineColour(*form, 17), QColor(17, 0, 0)); // drawn in its own colour
        QVERIFY(!Button(*form, QStringLiteral("bDebugColour14"))->accessibleName().isEmpty());
    }

    void aSelectionsHexAsAscii() {
        Write("41 42 5C 0A 7E 1FF", 1);
        QApplication::clipboard()->clear();
        form->bASCIIClick(); // nothing selected
        QCOMPARE(messages.Messages.size(), size_t(1));
        QCOMPARE(messages.Messages[0].Kind, int(MessageError));
        QCOMPARE(messages.Messages[0].Text, std::string("\\b\\1ERROR: No Text Selected"));

        // The hex numbers of the first line; the time stamp is no hex number.
        Select(13, 31);
        form->bCopyClick();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("41 42 5C 0A 7E 1FF"));
        QTest::mouseClick(Button(*form, QStringLiteral("bDebugASCII")), Qt::LeftButton);
        QCOMPARE(messages.Messages.size(), size_t(2));
        QCOMPARE(messages.Messages[1].Kind, int(MessageInformation));
        // The backslash would be a markup code: the message shows the dot, the clipboard keeps it.
        QCOMPARE(messages.Messages[1].Text,
                 std::string("\\uSelection as ASCII\\u\\nAB\xB7\xB7~\xB7"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("AB\\\u00B7~\u00B7"));
    }
};

// The switches of the main window.
class DebugSwitchesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    std::unique_ptr<test::TTempDir> logs;

    std::vector<std::string> LogFiles() { return test::FolderEntries(logs->Path()); }

private slots:
    void init() {
        h = std::make_unique<test::TMainFormHarness>();
        logs = std::make_unique<test::TTempDir>();
        SetDebugLogFolder(logs->Path().string());
        SetDebugClock([] { return TDebugTime{2026, 12, 5, 9, 30, 0, 0}; });
    }
    void cleanup() {
        h.reset();
        SetDebugClock({});
        SetDebugLogFolder({});
        logs.reset();
    }

    void withoutEitherSwitchNothingShows() {
        QVERIFY(h->Start({QStringLiteral("-debugx"), QStringLiteral("-nosplash")}));
        TDebugForm* debug = h->Form->DebugForm();
        QVERIFY(debug && !debug->isVisible());
        QVERIFY(!DebugLogging());
        DebugAdd("Midi: 90 0", 16512);
        QCOMPARE(debug->PendingLines(), 0);
        DebugLogFlush();
        QVERIFY(LogFiles().empty());
        QVERIFY(h->Messages.Messages.empty());
    }

    void theSwitchesInAnyCaseShowTheWindowAndWriteTheFile() {
        QVERIFY(h->Start({QStringLiteral("-DEBUG"), QStringLiteral("-DebugLog")}));
        TDebugForm* debug = h->Form->DebugForm();
        QVERIFY(QTest::qWaitForWindowExposed(debug));
        QVERIFY(DebugLogging());
        DebugAdd("Midi: 90 0", 16512);
        QTRY_COMPARE_WITH_TIMEOUT(debug->PendingLines(), 0, 1000);
        QCOMPARE(Lines(*debug), QStringList{QStringLiteral("09:30:00.000\tMidi: 90 0")});
        h->Close(); // the main window goes, and with it the debug window
        QVERIFY(!DebugLogging());
        DebugAdd("after the window", 16512); // must not touch the destroyed window
        QCOMPARE(LogFiles(), std::vector<std::string>{"DEBUGLOG20261205.TXT"});
        // The instruments window logs its own lines too; the importer's line is there whole.
        std::string log = test::ReadBytes(logs->File("DEBUGLOG20261205.TXT"));
        QVERIFY2(log.find("20261205093000\tMidi: 90 0\r\n") != std::string::npos, log.c_str());
        QVERIFY(log.find("after the window") == std::string::npos);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        DebugFormTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DebugSwitchesTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "debug_form_test.moc"
