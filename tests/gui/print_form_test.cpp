// The print dialog: the section boxes and the Print button, the settings it reads when shown
// and writes when closed, its controls, and printing to a PDF file from the main window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "main_form_harness.h"
#include "shell_tools.h"
#include "view/print_form.h"

using namespace zel;

namespace {

template <typename T> T* Child(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class PrintFormTest : public QObject {
    Q_OBJECT

private slots:
    void sectionBoxesAndPrintButton() {
        // A = Arrangement & Notes, C = Current Riff, R = All Riffs in Arrangement; each step
        // clicks one box and gives the boxes checked afterwards and whether Print is enabled.
        struct TStep {
            char Click;
            const char* Checked;
            bool Print;
        };
        const std::vector<std::vector<TStep>> sequences = {
            {{'A', "A", true},
             {'C', "AC", true},
             {'R', "AR", true},
             {'A', "R", true},
             {'C', "C", true},
             {'C', "", false}},
            {{'R', "R", true}, {'A', "AR", true}, {'R', "A", true}, {'A', "", false}}};
        for (const auto& steps : sequences) {
            TSettingsStore settings;
            TPrintForm form(settings);
            QCheckBox* boxes[] = {Child<QCheckBox>(form, "cbArrangementNotes"),
                                  Child<QCheckBox>(form, "cbCurrentRiff"),
                                  Child<QCheckBox>(form, "cbAllRiffs")};
            auto* print = Child<QPushButton>(form, "bPrint");
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(form.CheckedSections(), 0);
            QVERIFY(!print->isEnabled());
            for (const TStep& step : steps) {
                QCheckBox* box = boxes[std::string("ACR").find(step.Click)];
                box->click();
                std::string checked;
                for (int i = 0; i < 3; ++i)
                    if (boxes[i]->isChecked())
                        checked += "ACR"[i];
                QCOMPARE(checked, std::string(step.Checked));
                QCOMPARE(form.CheckedSections(), int(checked.size()));
                QCOMPARE(print->isEnabled(), step.Print);
            }
        }
    }

    void settingsLoadedOnShowAndSavedOnClose() {
        struct {
            const char* Stored; // settings before the dialog shows
            int ShownSize;
            bool ShownLandscape;
        } cases[] = {{"", 8, false},
                     {"PrintFontSize\t12\r\nPrintLayoutLandscape\t1\r\n", 12, true},
                     {"PrintFontSize\t99\r\nPrintLayoutLandscape\t0\r\n", 32, false}};
        test::TTempDir dir;
        for (const auto& c : cases) {
            test::WriteBytes(dir.File("s.ini"), c.Stored);
            TSettingsStore settings;
            settings.INIInit(dir.File("s.ini"));
            TPrintForm form(settings);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            auto* size = Child<QSpinBox>(form, "eFontSize");
            auto* landscape = Child<QRadioButton>(form, "rbLandscape");
            auto* portrait = Child<QRadioButton>(form, "rbPortrait");
            QCOMPARE(size->value(), c.ShownSize);
            QCOMPARE(landscape->isChecked(), c.ShownLandscape);
            QCOMPARE(portrait->isChecked(), !c.ShownLandscape);

            size->setValue(c.ShownSize + 3);
            (c.ShownLandscape ? portrait : landscape)->click();
            QTest::keyClick(&form, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            QCOMPARE(settings.INIReadNum("PrintFontSize", -1), std::min(32, c.ShownSize + 3));
            QCOMPARE(settings.INIReadNum("PrintLayoutLandscape", -1), c.ShownLandscape ? 0 : 1);
        }
    }

    // File > Print (Ctrl+P) opens the dialog; Print with "Print to PDF file" asks for the file
    // through the main window's file dialog and writes the current riff.
    void printsTheCurrentRiffToAPdfFromTheMainWindow() {
        test::TMainFormHarness h;
        QVERIFY(h.Start({QStringLiteral(ZELVANE_DEMO_PROJECT)}));
        auto* action = h.Form->findChild<QAction*>(QStringLiteral("mPrint"));
        QVERIFY(action->isEnabled());
        QVERIFY(h.Form->findChild<QWidget*>(QStringLiteral("bPrint"))->isEnabled());
        const std::string pdf = h.Dir.File("demo.pdf");
        h.DialogAnswers = {QString::fromStdString(pdf)};
        bool answered = false;
        auto* poll = new QTimer(this);
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [&answered, poll] {
            auto* form = qobject_cast<TPrintForm*>(QApplication::activeModalWidget());
            if (!form || !form->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            auto* printers = Child<QComboBox>(*form, "cbPrinters");
            printers->setCurrentIndex(printers->count() - 1);
            Child<QCheckBox>(*form, "cbCurrentRiff")->click();
            QTest::mouseClick(Child<QPushButton>(*form, "bPrint"), Qt::LeftButton);
            answered = true;
        });
        poll->start();
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        action->trigger();
        QVERIFY(answered);
        QVERIFY(!h.Form->PrintForm()->isVisible());
        QCOMPARE(test::ReadBytes(pdf).substr(0, 5), std::string("%PDF-"));
        QVERIFY(h.Messages.Messages.empty());
        if (test::HaveTool("pdftotext")) {
            std::string text = test::CommandOutput("pdftotext '" + pdf + "' -");
            QVERIFY2(test::Contains(text, "demo") && test::Contains(text, "Intro"), text.c_str());
            QVERIFY2(!test::Contains(text, "Arrangement"), text.c_str());
        }
    }

    void aPdfThatCannotBeWrittenIsReportedAndLeavesNothing() {
        test::TMainFormHarness h;
        QVERIFY(h.Start({QStringLiteral(ZELVANE_DEMO_PROJECT)}));
        TPrintForm& form = *h.Form->PrintForm();
        form.show();
        auto* printers = Child<QComboBox>(form, "cbPrinters");
        printers->setCurrentIndex(printers->count() - 1);
        Child<QCheckBox>(form, "cbArrangementNotes")->click();
        test::WriteBytes(h.Dir.File("file"), "x");
        h.DialogAnswers = {QString::fromStdString(h.Dir.File("file/out.pdf"))};
        QVERIFY(!form.PrintNow());
        QCOMPARE(h.Messages.Messages.size(), size_t(1));
        QVERIFY(test::Contains(h.Messages.Messages[0].Text, "Failed to Save File"));
        // Cancelling the file dialog prints nothing and says nothing.
        QVERIFY(!form.PrintNow());
        QCOMPARE(h.Messages.Messages.size(), size_t(1));
        for (const auto& entry : test::FolderEntries(h.Dir.Path()))
            QVERIFY2(entry.find("pdf") == std::string::npos, entry.c_str());
        form.close();
    }
};

QTEST_MAIN(PrintFormTest)
#include "print_form_test.moc"
