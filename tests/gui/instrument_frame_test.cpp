// The instrument parameter frame on the offscreen platform: records go into the controls and
// come back unchanged, the user's changes mark the frame and name the control, changes made by
// loading a record do neither.
#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include "main_form_support.h"
#include "sound/envelope_frame.h"
#include "sound/instrument_controls.h"
#include "sound/instrument_frame.h"
#include "test_support.h"
#include "widgets/knob_slider.h"

using namespace zel;

Q_DECLARE_METATYPE(TInstrument)

namespace {

TInstrument Make(uint8_t wave, uint8_t skew, int16_t octave, uint8_t target, uint16_t freq,
                 uint8_t depth, TEnvelope amp, TEnvelope filter, uint8_t left, uint8_t right) {
    return {.Wave = wave,
            .Skew = skew,
            .Octave = octave,
            .MixLeft = left,
            .MixRight = right,
            .AmpEnv = amp,
            .FilterEnv = filter,
            .ModFreq = freq,
            .ModDepth = depth,
            .ModTarget = target};
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Name).trimmed() : QString();
}

} // namespace

class InstrumentFrameTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TInstrumentFrame> frame;

    template <typename T> T* Get(const QString& name) { return test::FindChild<T>(*frame, name); }
    TKnobSlider* Slider(const QString& name) { return Get<TKnobSlider>(name); }
    // A control by name, or "envelope/name" for one inside an envelope frame.
    template <typename T> T* Control(const QString& path) {
        if (!path.contains('/'))
            return Get<T>(path);
        return Get<QWidget>(path.section('/', 0, 0))->findChild<T*>(path.section('/', 1, 1));
    }
    TInstrument ReadBack() {
        TInstrument instrument;
        instrument.Wave = 77; // Read must overwrite every field
        instrument.ModFreq = 9999;
        frame->Read(instrument);
        return instrument;
    }

private slots:
    void init() {
        frame = std::make_unique<TInstrumentFrame>();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    }
    void cleanup() { frame.reset(); }

    void writeThenReadGivesTheRecordBack_data() {
        QTest::addColumn<TInstrument>("instrument");
        QTest::newRow("lowest") << Make(WaveSine, 0, OctaveMin, ModPitch, ModFreqMin, 0,
                                        {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0);
        QTest::newRow("highest") << Make(WaveNoise, SkewMax, OctaveMax, ModNone, ModFreqMax,
                                         ModDepthMax, {1000, 1000, 1000, 1000},
                                         {1000, 1000, 1000, 1000}, MixMax, MixMax);
    }
    void writeThenReadGivesTheRecordBack() {
        QFETCH(TInstrument, instrument);
        frame->Write(instrument);
        QCOMPARE(ReadBack(), instrument);
    }

    void writeIsNoEditOfTheUser() {
        QSignalSpy edited(frame.get(), &TInstrumentFrame::Edited);
        frame->Write(Make(WaveSquare, 50, 4, ModAmp, 300, 20, {1, 2, 3, 4}, {5, 6, 7, 8}, 30, 30));
        frame->Write(Make(WaveTriangle, 9, -2, ModFilter, 40, 2, {9, 8, 7, 6}, {5, 4, 3, 2}, 3, 9));
        QCOMPARE(edited.count(), 0);
        QVERIFY(!frame->Modified());
        QVERIFY(!frame->AmplitudeEnvelope()->Modified());
        QVERIFY(!frame->FilterEnvelope()->Modified());
    }

    // Each control the user changes marks the frame modified and names itself once.
    void userChangesMarkTheFrameAndNameTheControl_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("field");
        for (QString name : {"tlSkew", "tlModFreq", "tlModDepth", "tlMixLeft", "tlMixRight",
                             "sMixBoth", "eOctave", "rbSquare", "rbModFilter"})
            QTest::newRow(qPrintable(name)) << name << name;
        for (QString envelope : {"FAmplitude", "FFilter"})
            for (QString name : {"tAttack", "tDecay", "tSustain", "tRelease"})
                QTest::newRow(qPrintable(envelope + "." + name))
                    << envelope + "/" + name << envelope + "." + name;
    }
    void userChangesMarkTheFrameAndNameTheControl() {
        QFETCH(QString, control);
        QFETCH(QString, field);
        frame->Write(TInstrument{});
        QSignalSpy edited(frame.get(), &TInstrumentFrame::Edited);
        QWidget* widget = Control<QWidget>(control);
        QVERIFY(widget);
        if (auto* slider = qobject_cast<QSlider*>(widget)) {
            slider->setFocus();
            QTest::keyClick(slider,
                            slider->value() == slider->minimum() ? Qt::Key_End : Qt::Key_Home);
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            QTest::keyClick(spin, Qt::Key_Up);
        } else {
            QTest::mouseClick(widget, Qt::LeftButton);
        }
        QCOMPARE(edited.count(), 1);
        QCOMPARE(edited.at(0).at(0).toString(), field);
        QVERIFY(frame->Modified());
        const bool inAmplitude = field.startsWith("FAmplitude.");
        const bool inFilter = field.startsWith("FFilter.");
        QCOMPARE(frame->AmplitudeEnvelope()->Modified(), inAmplitude);
        QCOMPARE(frame->FilterEnvelope()->Modified(), inFilter);
        frame->ClearModified();
        QVERIFY(!frame->Modified() && !frame->AmplitudeEnvelope()->Modified());
    }

    void mixBothMovesBothSidesAndFollowsEqualOnes() {
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 20, 70));
        QSignalSpy edited(frame.get(), &TInstrumentFrame::Edited);
        Slider("sMixBoth")->setValue(42);
        QCOMPARE(Slider("tlMixLeft")->value(), 42);
        QCOMPARE(Slider("tlMixRight")->value(), 42);
        QCOMPARE(edited.count(), 1);
        QCOMPARE(ReadBack().MixRight, uint8_t(42));
        // Loading records: the both-sides slider follows only equal sides.
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 33, 33));
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 90, 10));
        QCOMPARE(Slider("sMixBoth")->value(), 33);
        QCOMPARE(Slider("tlMixRight")->value(), 10);
        QCOMPARE(edited.count(), 1);
    }

    void knobTexts() {
        const std::tuple<QString, int, QString> cases[] = {{"tlModFreq", 123, "12.3"},
                                                           {"FAmplitude/tAttack", 1000, "100.0"},
                                                           {"tlSkew", 100, "100"}};
        for (const auto& [control, value, text] : cases) {
            TKnobSlider* slider = Control<TKnobSlider>(control);
            QVERIFY2(slider, qPrintable(control));
            slider->setValue(value == 0 ? 1 : 0); // a change, whatever the start
            slider->setValue(value);
            QCOMPARE(slider->KnobText(), text);
            // The knob is wide enough for its widest text.
            QVERIFY(slider->width() >= slider->fontMetrics().horizontalAdvance("100.0"));
        }
    }

    void groupButtonsAreIndependent() {
        QTest::mouseClick(Get<QAbstractButton>("rbModNone"), Qt::LeftButton);
        QTest::mouseClick(Get<QAbstractButton>("rbTriangle"), Qt::LeftButton);
        QVERIFY(Get<QAbstractButton>("rbModNone")->isChecked());
        QCOMPARE(ReadBack().Wave, uint8_t(WaveTriangle));
        QCOMPARE(ReadBack().ModTarget, uint8_t(ModNone));
    }

    // Names tell the controls apart (both envelopes have an "Attack"); that every control has
    // one is the accessibility walk's to check.
    void accessibleNamesAreDistinct() {
        QStringList names;
        for (QWidget* widget : frame->findChildren<QWidget*>())
            if (widget->focusPolicy() != Qt::NoFocus && !qobject_cast<QAbstractButton*>(widget) &&
                !qobject_cast<QAbstractSpinBox*>(widget->parent()))
                names << AccessibleName(widget);
        QVERIFY(names.size() > 8); // both envelopes and more
        QCOMPARE(names.size(), QSet<QString>(names.begin(), names.end()).size());
    }
};

QTEST_MAIN(InstrumentFrameTest)
#include "instrument_frame_test.moc"
