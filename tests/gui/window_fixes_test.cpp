// Small things a user sees: tool windows closed before quitting open where they were left, and
// every riff tab is an element of its own for screen readers.
#include <QAccessible>
#include <QTest>

#include "app/notes_form.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"
#include "sound/instruments_form.h"
#include "widgets/tabcontrolsmart.h"

using namespace zel;

class WindowFixesTest : public QObject {
    Q_OBJECT

private slots:
    void toolWindowsClosedBeforeQuittingOpenWhereTheyWereLeft() {
        test::TMainFormHarness h;
        struct TWindow {
            std::function<QWidget*(TMainForm&)> Get;
            QPoint Place;
        };
        std::vector<TWindow> windows{
            {[](TMainForm& f) -> QWidget* { return f.NotesForm(); }, {40, 60}},
            {[](TMainForm& f) -> QWidget* { return f.RiffProperties(); }, {500, 90}},
            {[](TMainForm& f) -> QWidget* { return f.InstrumentsForm(); }, {300, 200}}};
        for (bool again : {false, true}) { // placed and closed, then shown after a restart
            QVERIFY(h.Start({QStringLiteral("-nosplash")}));
            for (TWindow& w : windows) {
                QWidget* window = w.Get(*h.Form);
                window->show();
                QVERIFY(QTest::qWaitForWindowExposed(window));
                if (again) {
                    QCOMPARE(window->pos(), w.Place);
                    continue;
                }
                window->move(w.Place);
                QTRY_COMPARE(window->pos(), w.Place);
                window->close();
                QVERIFY(!window->isVisible());
            }
        }
    }

    void riffTabsArePageTabsNamedByTheirRiffs() {
        test::TMainFormHarness h;
        QVERIFY(h.Start({QStringLiteral(ZELVANE_DEMO_PROJECT), QStringLiteral("-nosplash")}));
        TTabControlSmart* tabs = h.Form->RiffTabs();
        tabs->Strip().SelectAndFill(1);
        QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(tabs);
        QVERIFY(strip);
        QCOMPARE(strip->role(), QAccessible::PageTabList);
        const TTabCaptions& names = h.Form->Project().RiffNames;
        QCOMPARE(strip->childCount(), names.Count());
        QVERIFY(names.RecordCount() >= 2);
        for (int i = 0; i < names.Count(); ++i) {
            QAccessibleInterface* tab = strip->child(i);
            QVERIFY(tab);
            QCOMPARE(tab->role(), QAccessible::PageTab);
            QCOMPARE(tab->text(QAccessible::Name), i < names.RecordCount()
                                                       ? QString::fromStdString(names[i])
                                                       : QStringLiteral("New"));
            QCOMPARE(tab->state().selected, i == 1);
            QCOMPARE(strip->indexOfChild(tab), i);
            QCOMPARE(tab->parent(), strip);
            QRect middle = tab->rect();
            QCOMPARE(strip->childAt(middle.center().x(), middle.center().y()), tab);
        }
    }
};

QTEST_MAIN(WindowFixesTest)
#include "window_fixes_test.moc"
