// The message box opened through the message service and answered with real clicks and keys on
// the offscreen platform; the marked-up label widget.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/message_box.h"
#include "base/message_service.h"
#include "markup_painter.h"

using namespace zel;

namespace {

using TBoxAction = std::function<void(TMessageBoxForm&)>;

// Runs `open` (which shows a box and waits) and `action` on the box once it shows. A box the
// action leaves open is closed, so a failing check cannot hang the test.
int RunBox(const TBoxAction& action, const std::function<int()>& open) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TMessageBoxForm*>(QApplication::activeModalWidget());
        if (!box)
            return;
        ran = true;
        action(*box);
        if (box->isVisible())
            box->done(QDialog::Rejected);
    });
    int result = open();
    return ran ? result : -100;
}

int RunMany(const char* buttons, const TBoxAction& action) {
    return RunBox(action, [&] { return DisplayMany(2, "Sure?", buttons); });
}

TBoxAction Press(Qt::Key key) {
    return [key](TMessageBoxForm& box) { QTest::keyClick(&box, key); };
}

TBoxAction Click(int index) {
    return [index](TMessageBoxForm& box) {
        auto* button = box.findChild<QPushButton*>(QStringLiteral("Button%1").arg(index));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    };
}

} // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT

private:
    TGuiMessageService service;
    std::unique_ptr<TScopedMessageService> installed;

private slots:
    void init() { installed = std::make_unique<TScopedMessageService>(service); }
    void cleanup() { installed.reset(); }

    // Captions as listed, spaces kept; a known word gets an icon, an empty caption none.
    void buttonsComeFromTheCommaList() {
        const std::pair<const char*, QStringList> cases[] = {
            {"Save,Discard,Cancel", {"Save", "Discard", "Cancel"}},
            {" Yes ,,No", {" Yes ", "", "No"}},
            {"", {}}};
        for (const auto& [buttons, captions] : cases) {
            TMessageBoxForm box(0, "Hello", buttons);
            QCOMPARE(int(box.Buttons().size()), captions.size());
            for (int i = 0; i < captions.size(); ++i) {
                QCOMPARE(box.Buttons()[size_t(i)]->text(), captions[i]);
                QCOMPARE(box.Buttons()[size_t(i)]->icon().isNull(), captions[i].isEmpty());
            }
        }
    }

    void answers_data() {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<int>("click"); // -1: press `key` instead
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        for (int i = 0; i < 3; ++i)
            QTest::addRow("click %d", i) << "Save,Discard,Cancel" << i << 0 << i;
        const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Return, 0},
                                                {Qt::Key_Space, 0},
                                                {Qt::Key_Escape, -1},
                                                {Qt::Key_2, 1},
                                                {Qt::Key_9, 8}};
        for (auto [key, result] : keys)
            QTest::addRow("key %x", key) << "Yes,No" << -1 << int(key) << result;
        QTest::newRow("digit without buttons") << "" << -1 << int(Qt::Key_3) << 2;
    }
    void answers() {
        QFETCH(QString, buttons);
        QFETCH(int, click);
        QFETCH(int, key);
        QFETCH(int, result);
        QByteArray list = buttons.toLatin1();
        QCOMPARE(RunMany(list.constData(), click >= 0 ? Click(click) : Press(Qt::Key(key))),
                 result);
    }

    void otherKeysLeaveTheBoxOpen() {
        bool stayed = false;
        int result = RunMany("Yes,No", [&](TMessageBoxForm& box) {
            for (Qt::Key key : {Qt::Key_X, Qt::Key_0, Qt::Key_Tab, Qt::Key_Shift, Qt::Key_F1})
                QTest::keyClick(&box, key);
            stayed = box.isVisible();
            QTest::keyClick(&box, Qt::Key_2);
        });
        QVERIFY(stayed);
        QCOMPARE(result, 1);
    }

    void wrappersAnswerThroughTheInstalledService() {
        const std::tuple<const char*, TBoxAction, bool> yesNo[] = {
            {"Yes", Click(0), true},
            {"No", Click(1), false},
            {"Esc", Press(Qt::Key_Escape), false}};
        for (const auto& [name, action, expected] : yesNo) {
            QString seen;
            int answer = RunBox(
                [&](TMessageBoxForm& box) {
                    seen = QString::number(box.Kind());
                    for (QPushButton* button : box.Buttons())
                        seen += "," + button->text();
                    action(box);
                },
                [] { return int(DisplayYesNo("Delete the riff?")); });
            QVERIFY2(answer == int(expected), name);
            QCOMPARE(seen, QStringLiteral("2,Yes,No"));
        }
        QCOMPARE(RunBox(Click(0), [] { return int(DisplayOKCancel("Go on?")); }), 1);
        QCOMPARE(RunBox(Click(1), [] { return int(DisplayOKCancel("Go on?")); }), 0);
        QString seen;
        auto look = [&](TMessageBoxForm& box) {
            seen += QString::number(box.Kind()) + box.Buttons().front()->text() + ";";
            QTest::keyClick(&box, Qt::Key_Space);
        };
        RunBox(look, [] { return DisplayMessage("Saved"), 0; });
        RunBox(look, [] { return DisplayError("\\b\\1\\|Error!\\n\\[Undefined Riff - A"), 0; });
        QCOMPARE(seen, QStringLiteral("0OK;1OK;"));
    }

    void boxSizeFollowsTextAndButtons() {
        TMessageBoxForm small(0, "Hi", "OK");
        QVERIFY(small.width() >= TMessageBoxForm::DesignWidth - 6);
        TMessageBoxForm big(0, "1\\N2\\N3\\N4\\N5\\N6\\N" + std::string(40, 'W'), "OK");
        QVERIFY(big.width() > small.width() && big.height() > small.height());
        TMessageBoxForm buttons(0, "Hi", "a,b,c,d,e,f,g,h,i,j");
        QVERIFY(buttons.Buttons().back()->geometry().right() < buttons.width());
        // Huge input stays bounded with the button bar inside.
        std::string many;
        for (int i = 0; i < 5000; ++i)
            many += "Button,";
        std::string lines;
        for (int i = 0; i < 3000; ++i)
            lines += "line\\N";
        TMessageBoxForm huge(9, lines + std::string(20000, 'W') + "\\", many);
        QCOMPARE(huge.size(), QSize(TMessageBoxForm::MaxSide, TMessageBoxForm::MaxSide));
        QVERIFY(huge.Buttons().back()->geometry().right() < huge.width());
        QCOMPARE(huge.height(), huge.BarTop() + 32);
    }

    void labelTakesLineEnds() {
        const std::pair<const char*, const char*> captions[] = {
            {"one\r\ntwo", "one\\Ntwo"}, {"a\n\nb", "a\\N\\Nb"}, {"a\rb", "a\rb"}};
        TNiceLabel label;
        for (auto [caption, kept] : captions) {
            label.SetCaption(caption);
            QCOMPARE(label.Caption(), std::string(kept));
        }
    }
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
