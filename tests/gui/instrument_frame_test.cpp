// The instrument parameter frame on the offscreen platform: records go into the controls and
// come back unchanged, the user's changes mark the frame and name the control, changes made by
// loading a record do neither.
#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include "base/debug_log.h"
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
    TInstrument instrument;
    instrument.Wave = wave;
    instrument.Skew = skew;
    instrument.Octave = octave;
    instrument.ModTarget = target;
    instrument.ModFreq = freq;
    instrument.ModDepth = depth;
    instrument.AmpEnv = amp;
    instrument.FilterEnv = filter;
    instrument.MixLeft = left;
    instrument.MixRight = right;
    return instrument;
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    return item ? item->text(QAccessible::Name).trimmed() : QString();
}

const QStringList WaveNames = {"rbSineWave", "rbTriangle", "rbSquare", "rbNoise"};
const QStringList ModNames = {"rbModPitch", "rbModFilter", "rbModAmp", "rbModNone"};

} // namespace

class InstrumentFrameTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TInstrumentFrame> frame;
    test::TRecordingSink sink;

    template <typename T> T* Get(const QString& name) {
        T* control = frame->findChild<T*>(name);
        if (!control)
            qFatal("no control %s", qPrintable(name));
        return control;
    }
    TKnobSlider* Slider(const QString& name) { return Get<TKnobSlider>(name); }
    TInstrument ReadBack() {
        TInstrument instrument;
        instrument.Wave = 77; // Read must overwrite every field
        instrument.ModFreq = 9999;
        frame->Read(instrument);
        return instrument;
    }

private slots:
    void init() {
        SetDebugSink(&sink);
        frame = std::make_unique<TInstrumentFrame>();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
        sink.Lines.clear();
    }
    void cleanup() {
        frame.reset();
        RemoveDebugSink(&sink);
    }

    void writeThenReadGivesTheRecordBack_data() {
        QTest::addColumn<TInstrument>("instrument");
        QTest::newRow("default") << TInstrument{};
        QTest::newRow("lowest") << Make(WaveSine, 0, OctaveMin, ModPitch, ModFreqMin, 0,
                                        {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0);
        QTest::newRow("highest") << Make(WaveNoise, SkewMax, OctaveMax, ModNone, ModFreqMax,
                                         ModDepthMax, {1000, 1000, 1000, 1000},
                                         {1000, 1000, 1000, 1000}, MixMax, MixMax);
        QTest::newRow("triangle, filter") << Make(WaveTriangle, 37, -3, ModFilter, 250, 64,
                                                  {1, 20, 300, 999}, {999, 300, 20, 1}, 80, 15);
        QTest::newRow("square, amplitude")
            << Make(WaveSquare, 1, 5, ModAmp, 2, 99, {500, 0, 1000, 7}, {3, 1000, 0, 450}, 0, 100);
    }
    void writeThenReadGivesTheRecordBack() {
        QFETCH(TInstrument, instrument);
        frame->Write(instrument);
        QCOMPARE(ReadBack(), instrument);
        QCOMPARE(sink.Lines,
                 (std::vector<std::string>{"TInstrumentFrame::Write", "InstrumentFrame::Read"}));
        QCOMPARE(sink.Colours[0], InstrumentDebugColour);
        // Exactly one button of each group is down.
        int waves = 0;
        int mods = 0;
        for (int i = 0; i < 4; ++i) {
            waves += Get<QAbstractButton>(WaveNames[i])->isChecked();
            mods += Get<QAbstractButton>(ModNames[i])->isChecked();
        }
        QCOMPARE(waves, 1);
        QCOMPARE(mods, 1);
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
        for (QString name :
             {"tlSkew", "tlModFreq", "tlModDepth", "tlMixLeft", "tlMixRight", "sMixBoth"})
            QTest::newRow(qPrintable(name)) << name << name;
        for (QString envelope : {"FAmplitude", "FFilter"})
            for (QString name : {"tAttack", "tDecay", "tSustain", "tRelease"})
                QTest::newRow(qPrintable(envelope + "." + name))
                    << envelope + "/" + name << envelope + "." + name;
        QTest::newRow("eOctave") << "eOctave"
                                 << "eOctave";
        QTest::newRow("rbSquare") << "rbSquare"
                                  << "rbSquare";
        QTest::newRow("rbModFilter") << "rbModFilter"
                                     << "rbModFilter";
    }
    void userChangesMarkTheFrameAndNameTheControl() {
        QFETCH(QString, control);
        QFETCH(QString, field);
        frame->Write(TInstrument{});
        QSignalSpy edited(frame.get(), &TInstrumentFrame::Edited);
        QWidget* widget = nullptr;
        if (control.contains('/')) {
            QWidget* envelope = Get<QWidget>(control.section('/', 0, 0));
            widget = envelope->findChild<QWidget*>(control.section('/', 1, 1));
        } else {
            widget = Get<QWidget>(control);
        }
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
        QVERIFY(!frame->Modified());
        QVERIFY(!frame->AmplitudeEnvelope()->Modified());
        QVERIFY(!frame->FilterEnvelope()->Modified());
    }

    void mixBothMovesBothSides() {
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 20, 70));
        QSignalSpy edited(frame.get(), &TInstrumentFrame::Edited);
        Slider("sMixBoth")->setValue(42);
        QCOMPARE(Slider("tlMixLeft")->value(), 42);
        QCOMPARE(Slider("tlMixRight")->value(), 42);
        QCOMPARE(edited.count(), 1);
        QCOMPARE(edited.at(0).at(0).toString(), QStringLiteral("sMixBoth"));
        QVERIFY(frame->Modified());
        TInstrument instrument = ReadBack();
        QCOMPARE(instrument.MixLeft, uint8_t(42));
        QCOMPARE(instrument.MixRight, uint8_t(42));
        // The common slider has no knob text.
        QVERIFY(Slider("sMixBoth")->KnobText().isEmpty());
    }

    void mixBothFollowsOnlyEqualSides() {
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 33, 33));
        QCOMPARE(Slider("sMixBoth")->value(), 33);
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 90, 10));
        QCOMPARE(Slider("sMixBoth")->value(), 33);
        QCOMPARE(Slider("tlMixLeft")->value(), 90);
        QCOMPARE(Slider("tlMixRight")->value(), 10);
        frame->Write(Make(WaveSine, 0, 0, ModNone, 1, 0, {}, {}, 0, 0));
        QCOMPARE(Slider("sMixBoth")->value(), 0);
        QVERIFY(!frame->Modified());
    }

    void knobTexts_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("frequency 123") << "tlModFreq" << 123 << "12.3";
        QTest::newRow("attack 1000") << "FAmplitude/tAttack" << 1000 << "100.0";
        QTest::newRow("release 0") << "FFilter/tRelease" << 0 << "0.0";
        QTest::newRow("sustain 45") << "FFilter/tSustain" << 45 << "4.5";
        QTest::newRow("skew 100") << "tlSkew" << 100 << "100";
        QTest::newRow("depth 7") << "tlModDepth" << 7 << "7";
        QTest::newRow("left 55") << "tlMixLeft" << 55 << "55";
    }
    void knobTexts() {
        QFETCH(QString, control);
        QFETCH(int, value);
        QFETCH(QString, text);
        TKnobSlider* slider = control.contains('/')
                                  ? Get<QWidget>(control.section('/', 0, 0))
                                        ->findChild<TKnobSlider*>(control.section('/', 1, 1))
                                  : Slider(control);
        QVERIFY(slider);
        slider->setValue(value == 0 ? 1 : 0); // a change, whatever the start
        slider->setValue(value);
        QCOMPARE(slider->KnobText(), text);
        // The knob is wide enough for its widest text.
        QVERIFY(slider->width() >= slider->fontMetrics().horizontalAdvance("100.0"));
    }

    void groupButtonsAreExclusive() {
        for (const QStringList& names : {WaveNames, ModNames}) {
            for (const QString& clicked : names) {
                QTest::mouseClick(Get<QAbstractButton>(clicked), Qt::LeftButton);
                for (const QString& name : names)
                    QCOMPARE(Get<QAbstractButton>(name)->isChecked(), name == clicked);
            }
        }
        // Both groups are independent: the last clicks were Noise and None.
        TInstrument instrument = ReadBack();
        QCOMPARE(instrument.Wave, uint8_t(WaveNoise));
        QCOMPARE(instrument.ModTarget, uint8_t(ModNone));
        QTest::mouseClick(Get<QAbstractButton>("rbTriangle"), Qt::LeftButton);
        QCOMPARE(Get<QAbstractButton>("rbModNone")->isChecked(), true);
        QCOMPARE(ReadBack().Wave, uint8_t(WaveTriangle));
    }

    void everyControlHasAnAccessibleName() {
        int controls = 0;
        QStringList unnamed;
        QStringList names;
        for (QWidget* widget : frame->findChildren<QWidget*>()) {
            if (widget->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(widget))
                continue;
            ++controls;
            QString name = AccessibleName(widget);
            if (name.isEmpty())
                unnamed << widget->objectName();
            else if (!qobject_cast<QAbstractButton*>(widget) &&
                     !qobject_cast<QAbstractSpinBox*>(widget->parent()))
                names << name; // the octave's text field shares the field's name
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        QVERIFY(controls >= 24); // 8 buttons, 7 sliders, 8 envelope sliders, the octave field
        // Names tell the controls apart (both envelopes have an "Attack").
        names.sort();
        QCOMPARE(names.size(), QSet<QString>(names.begin(), names.end()).size());
    }
};

QTEST_MAIN(InstrumentFrameTest)
#include "instrument_frame_test.moc"
