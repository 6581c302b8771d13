// The instrument editor's parameter frame: wave type, skew, octave, modulation, the amplitude and
// filter envelopes and the stereo mix of one instrument record, as sliders with their values on
// the knobs, grouped buttons and a number field.
#pragma once

#include <QWidget>
#include <array>

#include "model/instrument.h"

class QAbstractButton;
class QSpinBox;

namespace zel {

class TEnvelopeFrame;
class TKnobSlider;

class TInstrumentFrame : public QWidget {
    Q_OBJECT
public:
    explicit TInstrumentFrame(QWidget* parent = nullptr);

    // Controls to record: every field the frame shows, cut to the field's width.
    void Read(TInstrument& instrument) const;
    // Record to controls. No change made here counts as the user's edit (no Edited signal, the
    // modified flags stay as they are).
    void Write(const TInstrument& instrument);

    // True when the user changed a control since the last ClearModified (the envelopes
    // included).
    bool Modified() const;
    void ClearModified();

    TEnvelopeFrame* AmplitudeEnvelope() const { return m_amplitude; }
    TEnvelopeFrame* FilterEnvelope() const { return m_filter; }

signals:
    // The user changed a control; `field` names it (the control's objectName, e.g. "tlSkew",
    // "FAmplitude.tAttack"), so that consecutive changes of one control can make one step.
    void Edited(const QString& field);

private:
    void BuildControls();
    void NameControls();
    // A control the user changed: marks the frame modified and tells the owner, unless the
    // change comes from Write or from sMixBoth moving the two mix sliders.
    void Change(const QObject* control);
    void sMixBothChange(int value);

    TEnvelopeFrame* m_amplitude = nullptr;
    TEnvelopeFrame* m_filter = nullptr;
    std::array<QAbstractButton*, 4> m_waveButtons{}; // Sine, Triangle, Square, Noise
    std::array<QAbstractButton*, 4> m_modButtons{};  // Pitch, Filter, Amplitude, None
    TKnobSlider* m_skew = nullptr;
    QSpinBox* m_octave = nullptr;
    TKnobSlider* m_modFreq = nullptr;
    TKnobSlider* m_modDepth = nullptr;
    TKnobSlider* m_mixLeft = nullptr;
    TKnobSlider* m_mixRight = nullptr;
    TKnobSlider* m_mixBoth = nullptr;
    bool m_modified = false;
    // Set while Write moves the controls.
    bool m_updating = false;
    // Set while sMixBoth moves the two mix sliders: one edit, not three.
    bool m_mixingBoth = false;
};

} // namespace zel
