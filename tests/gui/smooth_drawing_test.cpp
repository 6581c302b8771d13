// "Smooth Drawing" in the main window's Options menu, on a screen with two device pixels to the
// pixel: the riff view follows the menu entry at once and the choice is kept in the settings.
#include <QTest>
#include <filesystem>

#include "../render/band_test_support.h"
#include "main_form_harness.h"
#include "view/riff_view.h"

using namespace zel;
using test::Blended;

namespace {

// Counts the paint events of a widget.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class SmoothDrawingTest : public QObject {
    Q_OBJECT

public:
    // Before the application starts: a screen like a HiDPI monitor.
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private:
    std::unique_ptr<test::TMainFormHarness> h;
    TMainForm* form = nullptr;

    std::string Settings() const { return h->Settings(); }
    QAction* Entry() { return form->findChild<QAction*>(QStringLiteral("mSmoothDrawing")); }

    void Start(QStringList arguments = {}) {
        QVERIFY(h->Start(std::move(arguments), false));
        form = h->Form.get();
        QPalette palette = form->RiffView()->palette();
        palette.setColor(QPalette::Base, Qt::white);
        form->RiffView()->setPalette(palette);
    }

    // The paint box as the screen shows it, in device pixels.
    QImage ViewPicture() {
        return form->RiffView()->PaintBox()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void init() { h = std::make_unique<test::TMainFormHarness>(); }
    void cleanup() { h.reset(); }

    void entryFollowsTheSettingAndIsSavedAtClose_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("smooth");
        QTest::newRow("no settings yet") << QByteArray() << true;
        QTest::newRow("on") << QByteArray("OptionSmoothDrawing\t1\r\n") << true;
        QTest::newRow("off") << QByteArray("OptionSmoothDrawing\t0\r\n") << false;
    }
    void entryFollowsTheSettingAndIsSavedAtClose() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, smooth);
        if (!stored.isEmpty())
            test::WriteBytes(Settings(), stored.toStdString());
        Start();
        QVERIFY(Entry());
        QCOMPARE(Entry()->isChecked(), smooth);
        QCOMPARE(form->RiffView()->SmoothDrawing(), smooth);

        Entry()->trigger();
        QCOMPARE(Entry()->isChecked(), !smooth);
        QCOMPARE(form->RiffView()->SmoothDrawing(), !smooth);
        QVERIFY(!std::filesystem::exists(Settings()) || !stored.isEmpty());
        QVERIFY(form->close());
        std::string settings = test::ReadBytes(Settings());
        QVERIFY2(settings.find(smooth ? "OptionSmoothDrawing\t0\r\n"
                                      : "OptionSmoothDrawing\t1\r\n") != std::string::npos,
                 settings.c_str());

        // The next start begins with what was saved.
        Start();
        QCOMPARE(Entry()->isChecked(), !smooth);
        QCOMPARE(form->RiffView()->SmoothDrawing(), !smooth);
    }

    void theViewRedrawsAtOnceWithCrispLines() {
        Start({QStringLiteral(ZELVANE_DEMO_PROJECT)});
        QWidget* box = form->RiffView()->PaintBox();
        QCOMPARE(box->devicePixelRatio(), 2.0);
        QImage smooth = ViewPicture();
        QCOMPARE(smooth.size(), box->size() * 2);
        // The staff of the first riff, from the first note column to the end: head edges,
        // beams and ties are blended with their background.
        QRect staff(2 * 108, 2 * 66, smooth.width() - 2 * 108, 2 * 82);
        QVERIFY(Blended(smooth, staff) > 50);
        // Past the last note the staff lines are two device rows each, in pure blue.
        int x = smooth.width() - 10;
        for (int line = 0; line < 5; ++line) {
            int y = 2 * (65 + 8 * line);
            QCOMPARE(smooth.pixelColor(x, y - 1), QColor(Qt::white));
            QCOMPARE(smooth.pixelColor(x, y), QColor(0, 0, 255));
            QCOMPARE(smooth.pixelColor(x, y + 1), QColor(0, 0, 255));
            QCOMPARE(smooth.pixelColor(x, y + 2), QColor(Qt::white));
        }

        // The entry repaints the view by itself.
        TPaintCounter counter;
        box->installEventFilter(&counter);
        QCoreApplication::processEvents();
        counter.Paints = 0;
        Entry()->trigger();
        QTRY_VERIFY(counter.Paints > 0);
        QImage exact = ViewPicture();
        QCOMPARE(exact.size(), smooth.size());
        QVERIFY(exact != smooth);
        QCOMPARE(Blended(exact, staff), 0);

        Entry()->trigger();
        QCOMPARE(ViewPicture(), smooth);
    }
};

QTEST_MAIN(SmoothDrawingTest)
#include "smooth_drawing_test.moc"
