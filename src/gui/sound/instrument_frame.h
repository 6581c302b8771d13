// The instrument editor's parameter frame: wave type, skew, octave, modulation, the amplitude and
// filter envelopes and the stereo mix of one instrument record, as sliders with their values on
// the knobs, grouped buttons and a number field.
#pragma once

#include <QWidget>

#include "sound/instrument.h"

namespace zel {

class TEnvelopeFrame;

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
    TEnvelopeFrame* m_amplitude = nullptr;
    TEnvelopeFrame* m_filter = nullptr;
};

} // namespace zel
