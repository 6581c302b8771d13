// The main window towards the desktop and its first-time user, on the offscreen platform (whose
// windows have a frame of two pixels all round).
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <filesystem>

#include "app/application_identity.h"
#include "app/window_places.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"
#include "view/riff_view.h"

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
    // File > Open Recent as the menu shows it.
    QStringList RecentEntries() {
        QMetaObject::invokeMethod(Form().findChild<QMenu*>(QStringLiteral("mFile")), "aboutToShow");
        QStringList entries;
        for (QAction* action : Form().findChild<QMenu*>(QStringLiteral("mOpenRecent"))->actions())
            entries << action->text();
        return entries;
    }

private slots:
    void init() { h = std::make_unique<test::TMainFormHarness>(); }
    void cleanup() { h.reset(); }

    // The title names the open project's file, and the desktop shows it as set.
    void titleNamesTheProjectAsSet() {
        SetApplicationIdentity();
        QVERIFY2(TitlesShownAsSet(), "a display name would be appended to every title");
        QVERIFY(h->Start({Demo()}));
        QVERIFY(Form().windowHandle()->title().endsWith(QStringLiteral(" - ") + Demo()));
    }

    void windowPlacesComeBackExactlyStartAfterStart() {
        QVERIFY(h->Start());
        Form().resize(600, 430);
        Form().move(37, 21);
        Form().OpenRiffPropertiesWindow();
        Properties()->move(413, 57);
        QRect mainInside = Form().geometry();
        QRect mainFrame = Form().frameGeometry();
        QRect propertiesFrame = Properties()->frameGeometry();
        QVERIFY(mainFrame != mainInside); // the platform draws frames, as desktops do
        for (int start = 1; start <= 3; ++start) {
            h->Close();
            QVERIFY(h->Start());
            Form().OpenRiffPropertiesWindow();
            QCOMPARE(Form().geometry(), mainInside);
            QCOMPARE(Form().frameGeometry(), mainFrame);
            QCOMPARE(Properties()->frameGeometry(), propertiesFrame);
        }
        // The place is given before the window is made: only then does a window manager put
        // the frame's corner there (this platform knows its frames at once, desktops do not).
        h->Close();
        TMainFormSetup setup;
        setup.SettingsPath = h->Settings();
        TMainForm unshown(std::move(setup));
        QVERIFY(!unshown.testAttribute(Qt::WA_WState_Created));
        QCOMPARE(unshown.pos(), mainFrame.topLeft());
        QCOMPARE(unshown.size(), mainInside.size());
        // A window that did not show in a run keeps the place it had.
        h->Close();
        QVERIFY(h->Start());
        h->Close();
        QVERIFY(h->Start());
        Form().OpenRiffPropertiesWindow();
        QCOMPARE(Properties()->frameGeometry(), propertiesFrame);
    }

    void riffAreaShowsAWholeBandAndKeepsTheUsersHeight() {
        auto wholeBandShows = [this] {
            TRiffView* view = Form().RiffView();
            const TRiff& riff = Form().Project().Riffs[size_t(Form().Editor().CurrentRiff)];
            return view->viewport()->height() >= BandHeight(view->Metrics(), riff);
        };
        // The default window with a new project, and with a low riff area kept from before.
        for (const char* settings : {"", "Main:TabControlHeight\t100\r\n"}) {
            SetSettings(settings);
            QVERIFY(h->Start());
            QCOMPARE(Form().size(), QSize(649, 548));
            QTRY_VERIFY2(wholeBandShows(), settings);
            QVERIFY2(Splitter()->sizes().value(1) > 40, "the song grid keeps some room");
        }
        // A seven-string riff makes room for its lowest string.
        TRiff& riff = Form().Project().Riffs[0];
        riff.Tuning = {-13, -8, -3, 2, 7, 11, 16, int32_t(NoString)};
        test::SetQuarters(riff, 60, 2);
        Form().LoadSelectedRiff();
        Form().RiffView()->RiffSwitched();
        QTRY_VERIFY(wholeBandShows());

        // A height the user chose above the least one comes back at the next start.
        int chosen = RiffAreaHeight() + 37;
        Splitter()->setSizes({chosen, Splitter()->height() - chosen});
        QCOMPARE(RiffAreaHeight(), chosen);
        h->Close();
        QVERIFY(test::Contains(SettingsText(), "Main:TabControlHeight\t" + std::to_string(chosen)));
        QVERIFY(h->Start());
        QTRY_COMPARE(RiffAreaHeight(), chosen);
    }

    void pauseWithNothingPlayingStaysUp() {
        struct {
            const char* what;
            bool audio;
            bool playing;
            bool down;
        } cases[] = {{"no sound output", false, false, false},
                     {"nothing plays", true, false, false},
                     {"a riff plays", true, true, true}};
        for (const auto& c : cases) {
            QVERIFY(h->Start({Demo()}, c.audio));
            if (c.playing)
                Form().bPlayRiffClick(QStringLiteral("bPlayRiffAll"));
            auto* pause = Form().findChild<QToolButton*>(QStringLiteral("bPause"));
            QTest::mouseClick(pause, Qt::LeftButton);
            QVERIFY2(pause->isChecked() == c.down, c.what);
            // Pressed again it always comes up.
            QTest::mouseClick(pause, Qt::LeftButton);
            QVERIFY2(!pause->isChecked(), c.what);
        }
        // Stopped while paused, nothing plays: the next press leaves it up.
        auto* pause = Form().findChild<QToolButton*>(QStringLiteral("bPause"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(pause->isChecked());
        Form().bStopClick();
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(!pause->isChecked());
    }

    void openRecentListsExistingProjectsNewestFirstWithTheirFullPath() {
        std::filesystem::copy_file(ZELVANE_DEMO_PROJECT, h->Dir.File("song.zvp"));
        QString full =
            QFileInfo(QString::fromStdString(h->Dir.File("song.zvp"))).absoluteFilePath();
        QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(h->Dir.Path().string()));
        bool started = h->Start({QStringLiteral("-nosplash"), QStringLiteral("song.zvp")});
        QDir::setCurrent(before);
        QVERIFY(started);
        QCOMPARE(Form().ProjectPath(), full);
        QCOMPARE(RecentEntries(), QStringList{full});
        h->Close();
        QVERIFY(test::Contains(SettingsText(), "Recent1\t" + full.toStdString() + "\r\n"));
        // A project opened later comes first; one whose file is gone is left out.
        QVERIFY(h->Start());
        QString other = h->CopyDemo("other.zvp");
        QVERIFY(Form().OpenProjectFile(other));
        QCOMPARE(RecentEntries(), (QStringList{other, full}));
        std::filesystem::remove(other.toStdString());
        QCOMPARE(RecentEntries(), QStringList{full});
    }
};

QTEST_MAIN(MainFormShellTest)
#include "main_form_shell_test.moc"
