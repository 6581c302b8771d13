// The riff properties window on the offscreen platform: its controls are driven as the user
// would, and every test checks the riff and the project's changed state afterwards.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <functional>

#include "main_form_support.h"
#include "model/projectfile.h"
#include "model/riff_properties_form.h"

using namespace zel;

using TTuning = std::array<int32_t, StringSlots>;
Q_DECLARE_METATYPE(TTuning)

namespace {

constexpr int32_t X = NoString;
const TTuning SixStrings = {-8, -3, 2, 7, 11, 16, X, X};
const TTuning SevenStrings = {-13, -8, -3, 2, 7, 11, 16, X};
// Slider names from the top string slot (6) down to slot 0.
const QStringList SlidersTopDown = {"sStringA", "sStringB", "sStringC", "sStringD",
                                    "sStringE", "sStringF", "sStringG"};

} // namespace

class RiffPropertiesTest : public QObject {
    Q_OBJECT

private:
    TDocument document;
    TProject& project = document.Project();
    TEditorState& editor = document.Editor();
    std::unique_ptr<TRiffPropertiesForm> form;
    int beeps = 0;

    template <typename T> T* Get(const QString& name) { return test::FindChild<T>(*form, name); }
    QLineEdit* Name() { return Get<QLineEdit>("eRiffName"); }
    QSpinBox* Tempo() { return Get<QSpinBox>("eTempo"); }
    QLineEdit* BarsA() { return Get<QLineEdit>("eBarsA"); }
    QSpinBox* BarsB() { return Get<QSpinBox>("eBarsB"); }
    QComboBox* Key() { return Get<QComboBox>("cbKey"); }
    TKnobSlider* Slider(int slot) { return Get<TKnobSlider>(SlidersTopDown[6 - slot]); }
    void Click(const QString& name) {
        QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton);
    }
    // Fills the window from riff `index` after giving it these settings.
    void Show(int index, const TTuning& tuning, uint16_t tempo = 120, std::string barsA = "4",
              uint16_t barsB = 4, int key = 0) {
        TRiff& riff = project.Riffs[size_t(index)];
        riff.Tuning = tuning;
        riff.Tempo = tempo;
        riff.BarsA = std::move(barsA);
        riff.BarsB = barsB;
        riff.Key = key;
        editor.CurrentRiff = index;
        form->FillRiffProperties();
    }
    // Only the string count button `pressed` is down (none for an empty name).
    void CheckPressed(const QString& pressed) {
        for (int count = 4; count <= 7; ++count) {
            QString name = QStringLiteral("b%1").arg(count);
            QCOMPARE(Get<QPushButton>(name)->isChecked(), name == pressed);
        }
    }
    QStringList KnobTextsBottomUp() {
        QStringList texts;
        for (int slot = 0; slot < 7; ++slot)
            texts << Slider(slot)->KnobText();
        return texts;
    }

private slots:
    void init() {
        document.New();
        project.RiffNames.GrowTo(5);
        project.RiffNames.SetCaption(1, "Verse");
        project.RiffNames.SetCaption(2, "Chorus");
        document.MarkClean();
        beeps = 0;
        form = std::make_unique<TRiffPropertiesForm>(document);
        form->Beep = [this] { ++beeps; };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void fillShowsTheRiffAndStoreWritesItBack() {
        Show(2, SixStrings, 96, "4 4 4 3", 8, -3);
        QCOMPARE(Name()->text(), QStringLiteral("Chorus"));
        QCOMPARE(Name()->cursorPosition(), 0);
        QVERIFY(!Name()->hasSelectedText());
        QCOMPARE(Tempo()->value(), 96);
        QCOMPARE(BarsA()->text(), QStringLiteral("4 4 4 3"));
        QCOMPARE(BarsB()->value(), 3);
        QCOMPARE(BarsB()->text(), QStringLiteral("8"));
        QCOMPARE(Key()->currentText(), QStringLiteral("E flat"));
        QCOMPARE(form->RiffIndex(), 2);

        QSignalSpy changed(form.get(), &TRiffPropertiesForm::RiffChanged);
        form->StoreRiffProperties(); // nothing edited: the riff stays and nobody repaints
        QCOMPARE(project.Riffs[2].BarsB, uint16_t(8));
        QCOMPARE(changed.count(), 0);

        Name()->setText(QStringLiteral("Bridge"));
        Tempo()->setValue(150);
        BarsA()->setText(QStringLiteral("3"));
        QTest::keyClick(BarsB(), Qt::Key_Up); // 8 -> 16
        QCOMPARE(BarsB()->text(), QStringLiteral("16"));
        Key()->setCurrentIndex(12);
        // Each field reaches the riff as it changes, one undoable step per field.
        QCOMPARE(project.Riffs[2].Tempo, uint16_t(150));
        QCOMPARE(document.UndoCount(), 4);
        form->StoreRiffProperties();
        const TRiff& riff = project.Riffs[2];
        QCOMPARE(project.RiffNames[2], std::string("Bridge"));
        // Tuning, tempo, numerator, denominator and key.
        QCOMPARE(RiffHeaderText(riff), std::string("-8\t-3\t2\t7\t11\t16\t-\t-\t150\t3\t16\t6"));
        QCOMPARE(changed.count(), 5); // once per changed field

        Name()->clear();
        form->StoreRiffProperties();
        QCOMPARE(project.RiffNames[2], std::string("Riff3"));
    }

    void denominatorShowsPowersOfTwo_data() {
        QTest::addColumn<int>("barsB");
        QTest::addColumn<int>("exponent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1") << 1 << 0 << "1";
        QTest::newRow("16") << 16 << 4 << "16";
        QTest::newRow("0") << 0 << 0 << "1";
    }
    void denominatorShowsPowersOfTwo() {
        QFETCH(int, barsB);
        QFETCH(int, exponent);
        QFETCH(QString, shown);
        Show(0, SixStrings, 120, "4", uint16_t(barsB));
        QCOMPARE(BarsB()->value(), exponent);
        QCOMPARE(BarsB()->text(), shown);
        // Typing the denominator gives the exponent back.
        BarsB()->setValue(exponent == 4 ? 0 : 4);
        BarsB()->selectAll();
        QTest::keyClicks(BarsB(), shown);
        QCOMPARE(BarsB()->value(), exponent);
        form->StoreRiffProperties();
        QCOMPARE(int(project.Riffs[0].BarsB), 1 << exponent);
    }

    void valuesTheFieldsCannotShowStayUntilEdited() {
        TTuning outside = SixStrings;
        outside[0] = -20; // E 2, below the sliders' range
        outside[4] = 20;  // G# 5, above it
        Show(1, outside, 2000, "4", 3);
        QCOMPARE(Tempo()->value(), 1000);
        QCOMPARE(Slider(0)->value(), -13);
        QCOMPARE(Slider(0)->KnobText(), QStringLiteral("E 2"));
        QCOMPARE(Slider(4)->KnobText(), QStringLiteral("G# 5"));
        form->StoreRiffProperties();
        QCOMPARE(RiffHeaderText(project.Riffs[1]),
                 std::string("-20\t-3\t2\t7\t20\t16\t-\t-\t2000\t4\t3\t0")); // as they were
        QVERIFY(!project.IsChanged());
        Tempo()->setValue(999);
        QTest::keyClick(BarsB(), Qt::Key_Down);
        form->StoreRiffProperties();
        QCOMPARE(project.Riffs[1].Tempo, uint16_t(999));
        QCOMPARE(project.Riffs[1].BarsB, uint16_t(1));
    }

    void namesAreWindows1252() {
        project.RiffNames.SetCaption(1, "Caf\xE9 \x80");
        Show(1, SixStrings);
        QCOMPARE(Name()->text(), QString::fromUtf8("Caf\u00E9 \u20AC"));
        // A character with no byte is refused, typed or pasted.
        Name()->end(false);
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                        QString::fromUtf8("\u4E16"));
        QApplication::sendEvent(Name(), &typed);
        Name()->insert(QString::fromUtf8("x\u4E16"));
        QCOMPARE(beeps, 2);
        QTest::keyClicks(Name(), "!");
        form->StoreRiffProperties();
        QCOMPARE(project.RiffNames[1], std::string("Caf\xE9 \x80!"));
    }

    void stringButtonsApplyPresets_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<TTuning>("tuning");
        QTest::newRow("4") << "b4" << TTuning{-8, -3, 2, 7, X, X, X, X};
        QTest::newRow("7") << "b7" << SevenStrings;
    }
    void stringButtonsApplyPresets() {
        QFETCH(QString, button);
        QFETCH(TTuning, tuning);
        TTuning custom = {-1, 0, 1, 3, 5, 8, 9, 15};
        Show(0, custom);
        QVERIFY(!project.IsChanged());
        QSignalSpy changed(form.get(), &TRiffPropertiesForm::RiffChanged);
        Click(button);
        QCOMPARE(project.Riffs[0].Tuning, tuning);
        QVERIFY(project.IsChanged());
        QVERIFY(changed.count() >= 1);
        CheckPressed(button);
        for (int slot = 0; slot < 7; ++slot) {
            bool present = tuning[size_t(slot)] != X;
            QCOMPARE(Slider(slot)->isEnabled(), present);
            QCOMPARE(Slider(slot)->KnobText().isEmpty(), !present);
            if (present)
                QCOMPARE(Slider(slot)->value(), tuning[size_t(slot)]);
        }
    }

    void stringCountButtonFollowsTheRiff_data() {
        QTest::addColumn<TTuning>("tuning");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("six") << SixStrings << "b6";
        QTest::newRow("three") << TTuning{0, 1, 2, X, X, X, X, X} << "";
    }
    void stringCountButtonFollowsTheRiff() {
        QFETCH(TTuning, tuning);
        QFETCH(QString, pressed);
        Click("b7"); // something else pressed before
        document.MarkClean();
        Show(0, tuning);
        CheckPressed(pressed);
        QCOMPARE(project.Riffs[0].Tuning, tuning);
        QVERIFY(!project.IsChanged());
    }

    void knobsNameTheOpenStrings() {
        Show(0, SixStrings);
        QCOMPARE(KnobTextsBottomUp(), QStringList({"E 3", "A 3", "D 4", "G 4", "B 4", "E 5", ""}));
        QVERIFY(!Slider(6)->isEnabled());
        Slider(0)->setValue(1);
        QCOMPARE(Slider(0)->KnobText(), QStringLiteral("C# 4"));
        QCOMPARE(project.Riffs[0].Tuning[0], 1);
        QVERIFY(project.IsChanged());
        // A disabled slider writes nothing.
        Slider(6)->setValue(3);
        QCOMPARE(project.Riffs[0].Tuning[6], X);
        QVERIFY(Slider(6)->KnobText().isEmpty());
    }

    void flattenAndSharpenAll() {
        Show(0, SixStrings);
        Click("eAllStringsRight");
        QCOMPARE(project.Riffs[0].Tuning, (TTuning{-7, -2, 3, 8, 12, 16, X, X}));
        QVERIFY(project.IsChanged());
        QCOMPARE(KnobTextsBottomUp().first(), QStringLiteral("F 3"));
        Click("eAllStringsLeft");
        QCOMPARE(project.Riffs[0].Tuning, (TTuning{-8, -3, 2, 7, 11, 15, X, X}));
        QCOMPARE(KnobTextsBottomUp()[5], QStringLiteral("D# 5"));
        QCOMPARE(Slider(5)->value(), 15);
    }

    void allRiffsTakeTheTempo() {
        project.Riffs[5].Tempo = 90;
        project.Riffs[199].Tempo = 300;
        Show(0, SixStrings, 100);
        Tempo()->setValue(140);
        document.MarkClean();
        Click("bAllRiffs");
        for (const TRiff& riff : project.Riffs)
            QCOMPARE(riff.Tempo, uint16_t(140));
        QVERIFY(project.IsChanged());
        // All riffs already at that tempo: nothing to change.
        document.MarkClean();
        Click("bAllRiffs");
        QVERIFY(!project.IsChanged());
    }

    void numeratorTakesDigitsAndBlanksOnly() {
        Show(0, SixStrings);
        BarsA()->clear();
        QTest::keyClicks(BarsA(), "3a 2+,2");
        QCOMPARE(BarsA()->text(), QStringLiteral("3 22"));
        QCOMPARE(beeps, 3);
        QTest::keyClick(BarsA(), Qt::Key_Backspace);
        QCOMPARE(BarsA()->text(), QStringLiteral("3 2"));
        form->StoreRiffProperties();
        QCOMPARE(project.Riffs[0].BarsA, std::string("3 2"));
    }

    void loadingDoesNotMarkChangedButEditsDo_data() {
        QTest::addColumn<int>("control");
        QTest::newRow("name") << 0;
        QTest::newRow("tempo") << 1;
        QTest::newRow("numerator") << 2;
        QTest::newRow("denominator") << 3;
        QTest::newRow("key") << 4;
    }
    void loadingDoesNotMarkChangedButEditsDo() {
        QFETCH(int, control);
        Show(1, SevenStrings, 200, "7", 8, 5);
        // Every control shows another value after this fill.
        Show(2, TTuning{0, 1, 2, 3, X, X, X, X}, 90, "3 3 2", 16, -4);
        QVERIFY(!project.IsChanged());
        const std::function<void()> edits[] = {
            [&] { QTest::keyClicks(Name(), "x"); }, [&] { QTest::keyClick(Tempo(), Qt::Key_Up); },
            [&] { QTest::keyClicks(BarsA(), "4"); },
            [&] { QTest::keyClick(BarsB(), Qt::Key_Down); }, [&] { Key()->setCurrentIndex(0); }};
        edits[control]();
        QVERIFY(project.IsChanged());
    }

    void copyAndPasteRoundTrip() {
        Show(0, SevenStrings, 77, "3 3 2", 8, 4);
        Tempo()->setValue(88); // shown, not yet stored: Copy stores first
        Click("bCopy");
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("-13\t-8\t-3\t2\t7\t11\t16\t-\t88\t3 3 2\t8\t4"));
        QCOMPARE(project.Riffs[0].Tempo, uint16_t(88));

        Show(1, SixStrings);
        document.MarkClean();
        Name()->setText(QStringLiteral("Outro")); // typed, not stored: the paste keeps it
        QSignalSpy changed(form.get(), &TRiffPropertiesForm::RiffChanged);
        Click("bPaste");
        QCOMPARE(RiffHeaderText(project.Riffs[1]), RiffHeaderText(project.Riffs[0]));
        QCOMPARE(Name()->text(), QStringLiteral("Outro"));
        QCOMPARE(Tempo()->value(), 88); // the window shows the pasted settings
        QVERIFY(Slider(6)->isEnabled());
        QVERIFY(project.IsChanged());
        QVERIFY(changed.count() >= 1);
        form->StoreRiffProperties();
        QCOMPARE(project.RiffNames[1], std::string("Outro"));
        QCOMPARE(beeps, 0);
    }

    void pasteOfOtherTextChangesNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("words") << "hello world\r\n";
        QTest::newRow("11 fields") << "-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4";
        QTest::newRow("13 fields") << "-8\t-3\t2\t7\t11\t16\t-\t-\t120\t4\t4\t0\t0";
        QTest::newRow("no byte") << QString::fromUtf8("0\t0\t0\t0\t0\t0\t0\t0\t99\t\u4E16\t4\t0");
    }
    void pasteOfOtherTextChangesNothing() {
        QFETCH(QString, text);
        Show(0, SixStrings, 111, "5", 8, -2);
        std::string before = RiffHeaderText(project.Riffs[0]);
        QApplication::clipboard()->setText(text);
        QSignalSpy changed(form.get(), &TRiffPropertiesForm::RiffChanged);
        Click("bPaste");
        QCOMPARE(beeps, 1);
        QCOMPARE(RiffHeaderText(project.Riffs[0]), before);
        QCOMPARE(Tempo()->value(), 111);
        QCOMPARE(BarsA()->text(), QStringLiteral("5"));
        QVERIFY(!project.IsChanged());
        QCOMPARE(changed.count(), 0);
    }

    void enterOrEscClosesAndStores_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::newRow("name, enter") << "eRiffName" << int(Qt::Key_Return);
        QTest::newRow("tempo, keypad enter") << "eTempo" << int(Qt::Key_Enter);
        QTest::newRow("copy button, enter") << "bCopy" << int(Qt::Key_Return);
        QTest::newRow("key list, esc") << "cbKey" << int(Qt::Key_Escape);
    }
    void enterOrEscClosesAndStores() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        Show(2, SixStrings);
        Name()->setText(QStringLiteral("Solo"));
        QApplication::clipboard()->setText(QStringLiteral("unchanged"));
        QTest::keyClick(Get<QWidget>(focus), Qt::Key(key));
        QVERIFY(!form->isVisible());
        QCOMPARE(project.RiffNames[2], std::string("Solo"));
        // The key closed the window and did nothing else (Enter did not press Copy).
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("unchanged"));
    }

    void leavingTheWindowStores() {
        Show(1, SixStrings);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        Name()->end(false);
        QTest::keyClicks(Name(), "2");
        QCOMPARE(project.RiffNames[1], std::string("Verse2")); // stored as typed
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(project.RiffNames[1], std::string("Verse2"));
        document.Undo();
        QCOMPARE(project.RiffNames[1], std::string("Verse"));
    }
};

QTEST_MAIN(RiffPropertiesTest)
#include "riff_properties_test.moc"
