// What screen readers and UI automation see, on the offscreen platform: one walk over every window
// the program opens finds every control a user reaches without an accessible name.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QTest>

#include "app/about_box.h"
#include "app/debug_form.h"
#include "app/message_box.h"
#include "app/options_form.h"
#include "arrange/channels_form.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"
#include "view/print_form.h"

using namespace zel;

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Name).trimmed() : QString();
}

// The controls of every shown window a user reaches (shown, enabled, taking the keyboard focus
// or a button) that have no name; counts the controls walked.
QStringList UnnamedControls(int& count) {
    QStringList unnamed;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !widget->isEnabled() ||
                widget->objectName().startsWith(QStringLiteral("qt_")))
                continue;
            if (widget->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(widget))
                continue;
            ++count;
            if (AccessibleName(widget).isEmpty())
                unnamed << QStringLiteral("%1: %2 %3")
                               .arg(window->objectName(),
                                    QString::fromLatin1(widget->metaObject()->className()),
                                    widget->objectName());
        }
    }
    return unnamed;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlOfEveryWindowHasAName() {
        test::TMainFormHarness h;
        QVERIFY(h.Start({QStringLiteral(ZELVANE_DEMO_PROJECT), QStringLiteral("-nosplash")}));
        TMainForm& form = *h.Form;
        form.Document().Edit("Tempo", TEditScope::Riff(0), [&] {
            form.Project().Riffs[0].Tempo = 77;
        }); // the Save button enabled
        form.OpenRiffPropertiesWindow();
        form.ShowInstruments();
        form.ShowNotes();
        form.DebugForm()->show();
        form.ChannelsForm()->show();
        form.PrintForm()->show();
        form.OptionsForm()->show();
        TAboutBox about(TAboutBox::TMode::Dialog);
        about.show();
        TMessageBoxForm box(MessageInformation, "\\bDo you wish to save changes to \\4x.zvp\\0?",
                            "Save,Discard,Cancel");
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // The designed width (the toolbar may need its button for more commands) and a wide
        // one; four strings and seven, whose tuning sliders differ.
        for (int strings : {4, 7}) {
            form.resize(strings == 4 ? 649 : 1200, 548);
            QTest::mouseClick(form.RiffProperties()->findChild<QAbstractButton*>(
                                  QStringLiteral("b%1").arg(strings)),
                              Qt::LeftButton);
            QApplication::processEvents();
            int count = 0;
            QStringList unnamed = UnnamedControls(count);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
            QVERIFY(count > 100);
        }
        // A message box is read as its text without the markup.
        QCOMPARE(AccessibleName(&box), QStringLiteral("Do you wish to save changes to x.zvp?"));
        form.PrintForm()->close();
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
