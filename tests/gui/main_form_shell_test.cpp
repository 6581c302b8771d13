// The main window towards the desktop and its first-time user, on the offscreen platform (whose
// windows have a frame of two pixels all round).
#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <QWindow>

#include "app/application_identity.h"
#include "app/message_box.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"

using namespace zel;

namespace {

// Without a display name set, the platform shows every title as it was set; with one, it would
// append " — " and that name. Only then does the display name follow the application name.
bool TitlesShownAsSet() {
    QString name = QGuiApplication::applicationName();
    QGuiApplication::setApplicationName(QStringLiteral("probe"));
    bool follows = QGuiApplication::applicationDisplayName() == QStringLiteral("probe");
    QGuiApplication::setApplicationName(name);
    return follows;
}

} // namespace

class MainFormShellTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;

    TMainForm& Form() { return *h->Form; }
    QWidget* Properties() { return Form().RiffProperties(); }
    QSplitter* Splitter() { return Form().findChild<QSplitter*>(QStringLiteral("Splitter1")); }
    int RiffAreaHeight() { return Splitter()->sizes().value(0); }
    QString Demo() const { return QStringLiteral(ZELVANE_DEMO_PROJECT); }
    void SetSettings(const std::string& lines) { test::WriteBytes(h->Settings(), lines); }
    std::string SettingsText() { return test::ReadBytes(h->Settings()); }

private slots:
    void init() { h = std::make_unique<test::TMainFormHarness>(); }
    void cleanup() { h.reset(); }

    void titlesAreExactlyWhatTheWindowsSay() {
        SetApplicationIdentity();
        QCOMPARE(QGuiApplication::applicationName(), QStringLiteral("Zelvane Editor"));
        QVERIFY2(TitlesShownAsSet(), "a display name would be appended to every title");

        QVERIFY(h->Start());
        QCOMPARE(Form().windowTitle(), QStringLiteral("Zelvane Editor"));
        QVERIFY(h->Start({Demo()}));
        QCOMPARE(Form().windowTitle(), QStringLiteral("Zelvane Editor - ") + Demo());
        QCOMPARE(Form().windowHandle()->title(), Form().windowTitle());
        Form().OpenRiffPropertiesWindow();
        QCOMPARE(Properties()->windowTitle(), QStringLiteral("Riff Properties"));
        QCOMPARE(Properties()->windowHandle()->title(), QStringLiteral("Riff Properties"));
        TMessageBoxForm box(MessageInformation, "Saved", "OK");
        QCOMPARE(box.windowTitle(), QStringLiteral("Zelvane Editor"));
    }
};

QTEST_MAIN(MainFormShellTest)
#include "main_form_shell_test.moc"
