// The main window towards the desktop and its first-time user, on the offscreen platform (whose
// windows have a frame of two pixels all round).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <filesystem>

#include "app/application_identity.h"
#include "app/message_box.h"
#include "app/window_places.h"
#include "canvas.h"
#include "main_form_harness.h"
#include "model/riff_properties_form.h"
#include "riff_view_paint.h"
#include "view/position_panel_widget.h"
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

// The rightmost column with anything drawn, or -1.
int InkRight(const QImage& image, QColor background) {
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) != background)
                return x;
    return -1;
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

    void placesOffTheScreenArePulledBackSoTheTitleBarShows() {
        QRect screen = VirtualScreen();
        SetSettings("WinMainFormLeft\t-3000\r\nWinMainFormTop\t-250\r\nWinMainFormWidth\t640\r\n"
                    "WinMainFormHeight\t500\r\nWinRiffPropertiesFormLeft\t200\r\n"
                    "WinRiffPropertiesFormTop\t-80\r\n");
        QVERIFY(h->Start());
        Form().OpenRiffPropertiesWindow();
        for (QWidget* window : {static_cast<QWidget*>(&Form()), Properties()}) {
            QRect frame = window->frameGeometry();
            QVERIFY2(frame.top() >= screen.top(), qPrintable(window->objectName()));
            QVERIFY2(frame.right() >= screen.left() + 31, qPrintable(window->objectName()));
        }
        QCOMPARE(Properties()->frameGeometry().left(), 200);
    }

    void aFirstTimeWindowOpensBesideTheMainWindow() {
        QRect screen = VirtualScreen();
        QVERIFY(h->Start());
        Form().resize(screen.width() / 3, screen.height() / 2);
        Form().move(screen.left() + 10, screen.top() + 30);
        Form().OpenRiffPropertiesWindow();
        QRect main = Form().frameGeometry();
        QRect properties = Properties()->frameGeometry();
        QVERIFY(properties.left() > main.right());
        QCOMPARE(properties.top(), main.top());
        QVERIFY(screen.contains(properties));

        // Without room beside it, it still opens whole on the screen.
        SetSettings("WinMainFormLeft\t0\r\nWinMainFormTop\t0\r\nWinMainFormWidth\t" +
                    std::to_string(screen.width() - 10) + "\r\nWinMainFormHeight\t400\r\n");
        QVERIFY(h->Start());
        Form().OpenRiffPropertiesWindow();
        QVERIFY(screen.contains(Properties()->frameGeometry()));
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

    void positionPanelIsAsWideAsItsText() {
        QVERIFY(h->Start());
        TRiff& riff = Form().Project().Riffs[0];
        test::SetQuarters(riff, 876, 2);
        Form().RiffView()->RiffSwitched();
        auto* panel = Form().findChild<TPositionPanelWidget*>(QStringLiteral("StatusBarPanel0"));
        QVERIFY(panel);
        struct {
            int cursor, anchor;
            const char* text;
        } cases[] = {
            {875, 875, "Position 218+3/4"}, // quarter notes in 4/4: 218 bars and 3/4
            {39, 0, "Selection 10"},        // ten bars
            {0, 0, "Position 0"},           // back to a short text: the panel shrinks
        };
        for (const auto& c : cases) {
            riff.Cursor = c.cursor;
            riff.Anchor = c.anchor;
            Form().RiffView()->RefreshView();
            QCOMPARE(panel->Text(), QString::fromLatin1(c.text));
            QTRY_COMPARE(panel->width(), panel->sizeHint().width());
            // The whole text, drawn where nothing cuts it off, ends inside the panel.
            QImage wide(600, panel->height(), QImage::Format_RGB32);
            wide.fill(Qt::white);
            {
                QPainter painter(&wide);
                TCanvas canvas(painter, panel->font().family(),
                               QFontInfo(panel->font()).pixelSize());
                DrawPositionPanel(canvas, QRect(0, 0, 600, panel->height()), riff);
            }
            int ink = InkRight(wide, Qt::white);
            QVERIFY2(ink > 40 && ink < panel->width() - 1, c.text);
            QCOMPARE(panel->accessibleName(), QString::fromLatin1(c.text));
        }
        QCOMPARE(panel->width(), 80);
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

    void saveQuestionShowsTheInformationIcon() {
        QVERIFY(h->Start({Demo()}));
        Form().Document().Edit("Tempo", TEditScope::Riff(0),
                               [&] { Form().Project().Riffs[0].Tempo = 77; });
        h->Messages.Answers = {2}; // Cancel
        QVERIFY(!Form().ConfirmDiscard());
        h->Messages.Answers = {1}; // No
        Form().DeleteTabClick();
        QCOMPARE(h->Messages.Messages.size(), size_t(2));
        const auto& save = h->Messages.Messages[0];
        QCOMPARE(save.Buttons, std::string("Save,Discard,Cancel"));
        QCOMPARE(save.Kind, int(MessageInformation));
        // A yes/no question keeps the question icon.
        QCOMPARE(h->Messages.Messages[1].Kind, int(MessageQuestion));
    }

    void commandLineProjectsAreInOpenRecentWithTheirFullPath() {
        std::filesystem::copy_file(ZELVANE_DEMO_PROJECT, h->Dir.File("song.zvp"));
        QString full =
            QFileInfo(QString::fromStdString(h->Dir.File("song.zvp"))).absoluteFilePath();
        QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(h->Dir.Path().string()));
        bool started = h->Start({QStringLiteral("-nosplash"), QStringLiteral("song.zvp")});
        QDir::setCurrent(before);
        QVERIFY(started);
        QCOMPARE(Form().ProjectPath(), full);
        QMenu* file = Form().findChild<QMenu*>(QStringLiteral("mFile"));
        QMetaObject::invokeMethod(file, "aboutToShow");
        QStringList entries;
        for (QAction* action : Form().findChild<QMenu*>(QStringLiteral("mOpenRecent"))->actions())
            entries << action->text();
        QCOMPARE(entries, QStringList{full});
        h->Close();
        QVERIFY(test::Contains(SettingsText(), "Recent1\t" + full.toStdString() + "\r\n"));
    }
};

QTEST_MAIN(MainFormShellTest)
#include "main_form_shell_test.moc"
