// The about box on the offscreen platform: what it says, how the splash at start goes away
// (leaving the keys to the editor), and Help > About.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "app/about_box.h"
#include "main_form_harness.h"

using namespace zel;

class AboutBoxTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TMainFormHarness> h;

    TMainForm& Form() { return *h->Form; }
    // Starts the window with the splash closing after `ms` milliseconds.
    bool StartWithSplash(QStringList arguments = {}, int ms = 60000) {
        return h->Start(std::move(arguments), true,
                        [ms](TMainFormSetup& setup) { setup.SplashMs = ms; });
    }

private slots:
    void init() { h = std::make_unique<test::TMainFormHarness>(); }
    void cleanup() { h.reset(); }

    void namesTheProgramItsVersionAndItsBuild() {
        TAboutContent content = AboutContent();
        QCOMPARE(content.Version, QStringLiteral("Version " ZELVANE_PROJECT_VERSION));
        QRegularExpression build(QStringLiteral("^Build ([0-9a-f]{4,40}|unknown), "
                                                "20[0-9]{2}-[01][0-9]-[0-3][0-9]$"));
        QVERIFY2(build.match(content.Build).hasMatch(), qPrintable(content.Build));

        TAboutBox box(TAboutBox::TMode::Dialog);
        for (const QString& line : content.Lines())
            QVERIFY(box.accessibleDescription().contains(line));
    }

    void splashGoesOnAKeyOrAClick() {
        // A key: the box goes, and the key still does its work.
        QVERIFY(StartWithSplash({QStringLiteral(ZELVANE_DEMO_PROJECT)}));
        QVERIFY(Form().Splash());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QTRY_VERIFY(!Form().Splash());
        QCOMPARE(Form().Project().Riffs[0].Cursor, 1);

        // A click anywhere else in the program.
        QVERIFY(StartWithSplash());
        QTest::mouseClick(Form().statusBar(), Qt::LeftButton);
        QTRY_VERIFY(!Form().Splash());
    }

    void helpAboutShowsTheBoxUntilOk() {
        QVERIFY(h->Start());
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = box->Mode() == TAboutBox::TMode::Dialog && box->isModal();
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("bOK")), Qt::LeftButton);
            if (box->isVisible())
                box->reject(); // a failing check must not leave the test waiting
        });
        QAction* about = Form().findChild<QAction*>(QStringLiteral("mAbout"));
        about->trigger();
        QVERIFY(seen);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
