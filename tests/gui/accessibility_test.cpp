// What screen readers and UI automation see, on the offscreen platform: every control of the
// main window, the riff properties window and the message box has a name, and the toolbar's
// buttons are called what their hints say.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/message_box.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"

using namespace zel;

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Name).trimmed() : QString();
}

struct TControls {
    int Count = 0;       // the controls of a window a user reaches: shown, enabled, taking
                         // the keyboard focus or a button
    QStringList Unnamed; // those without a name
};

TControls ControlsOf(QWidget* window) {
    TControls controls;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window || !widget->isVisible() || !widget->isEnabled())
            continue;
        if (widget->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(widget))
            continue;
        ++controls.Count;
        if (AccessibleName(widget).isEmpty())
            controls.Unnamed << QStringLiteral("%1 %2").arg(
                QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
    }
    return controls;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;
    TMainForm& Form() { return *h->Form; }

private slots:
    void init() { h = std::make_unique<test::TMainFormHarness>(); }
    void cleanup() { h.reset(); }

    void everyControlOfTheMainWindowHasAName() {
        // The designed size (the toolbar may need its button for more commands) and a wide one.
        for (int width : {649, 1200}) {
            QVERIFY(h->Start({QStringLiteral(ZELVANE_DEMO_PROJECT)}));
            Form().resize(width, 548);
            QApplication::processEvents();
            TControls controls = ControlsOf(&Form());
            QVERIFY2(controls.Unnamed.isEmpty(), qPrintable(controls.Unnamed.join(", ")));
            QVERIFY(controls.Count > 30);
        }
        // The song grid, the riff tabs and the two areas of the riff view.
        QCOMPARE(AccessibleName(Form().findChild<QWidget*>(QStringLiteral("gStruct"))),
                 QStringLiteral("Song structure"));
        QCOMPARE(AccessibleName(Form().findChild<QWidget*>(QStringLiteral("RiffTabs"))),
                 QStringLiteral("Riffs"));
        QCOMPARE(AccessibleName(Form().findChild<QWidget*>(QStringLiteral("eRiff1"))),
                 QStringLiteral("Staff"));
        QCOMPARE(AccessibleName(Form().findChild<QWidget*>(QStringLiteral("eRiff2"))),
                 QStringLiteral("Tab lines"));
    }

    void toolbarButtonsAreCalledWhatTheirHintsSay() {
        QVERIFY(h->Start());
        Form().Document().Edit("Tempo", TEditScope::Riff(0), [&] {
            Form().Project().Riffs[0].Tempo = 77;
        }); // the Save button enabled
        int buttons = 0;
        for (QToolBar* bar : Form().findChildren<QToolBar*>()) {
            for (QToolButton* button : bar->findChildren<QToolButton*>()) {
                if (button->objectName() == QStringLiteral("qt_toolbar_ext_button"))
                    continue;
                ++buttons;
                QString hint = button->toolTip();
                if (button->objectName() == QStringLiteral("bPrint"))
                    QCOMPARE(AccessibleName(button), QStringLiteral("Print"));
                else
                    QCOMPARE(AccessibleName(button), hint.section(QLatin1Char('\n'), 0, 0));
            }
        }
        QVERIFY(buttons >= 35);
        struct {
            const char* button;
            const char* name;
        } named[] = {
            {"bSave", "Save Project"}, // the command's own hint would be "Save"
            {"bNote0", "2 x Whole Duration"},
            {"bStringUp", "Move to higher string. Same Note."},
            {"bPlayRiff", "Play Current Riff from Cursor"},
        };
        for (const auto& n : named)
            QCOMPARE(AccessibleName(Form().findChild<QWidget*>(QString::fromLatin1(n.button))),
                     QString::fromLatin1(n.name));
    }

    void everyControlOfTheRiffPropertiesWindowHasAName() {
        QVERIFY(h->Start({QStringLiteral(ZELVANE_DEMO_PROJECT)}));
        QWidget* properties = Form().RiffProperties();
        // Four strings and seven: the sliders in use differ.
        for (int strings : {4, 7}) {
            Form().OpenRiffPropertiesWindow();
            QTest::mouseClick(
                properties->findChild<QAbstractButton*>(QStringLiteral("b%1").arg(strings)),
                Qt::LeftButton);
            TControls controls = ControlsOf(properties);
            QVERIFY2(controls.Unnamed.isEmpty(), qPrintable(controls.Unnamed.join(", ")));
            QVERIFY(controls.Count >= 10 + strings);
        }
        QCOMPARE(AccessibleName(properties->findChild<QWidget*>(QStringLiteral("sStringA"))),
                 QStringLiteral("Tuning of string 7 from the bottom"));
        QCOMPARE(AccessibleName(properties->findChild<QWidget*>(QStringLiteral("eTempo"))),
                 QStringLiteral("Tempo (bpm)"));
    }

    void messageBoxIsReadAsItsTextAndItsButtons() {
        TMessageBoxForm box(MessageInformation, "\\bDo you wish to save changes to \\4x.zvp\\0?",
                            "Save,Discard,Cancel");
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(AccessibleName(&box), QStringLiteral("Do you wish to save changes to x.zvp?"));
        QStringList buttons;
        for (QPushButton* button : box.Buttons())
            buttons << AccessibleName(button);
        QCOMPARE(buttons, (QStringList{"Save", "Discard", "Cancel"}));
        TControls controls = ControlsOf(&box);
        QCOMPARE(controls.Unnamed, QStringList());
        QCOMPARE(controls.Count, 3);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
