// One envelope of an instrument (attack, decay, sustain, release) as four vertical sliders in a
// titled group, each showing its value in tenths on the knob.
#pragma once

#include <QGroupBox>
#include <array>

#include "model/instrument.h"

namespace zel {

class TKnobSlider;

class TEnvelopeFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit TEnvelopeFrame(const QString& title, QWidget* parent = nullptr);

    void Read(TEnvelope& envelope) const;
    // The slider values: attack, decay, sustain, release.
    std::array<int, 4> Values() const;
    // Moves the sliders without counting it as the user's edit.
    void Write(const TEnvelope& envelope);

    bool Modified() const { return m_modified; }
    void ClearModified() { m_modified = false; }

    // Slider 0..3: attack, decay, sustain, release.
    TKnobSlider* Slider(int index) const { return m_sliders[size_t(index)]; }

signals:
    // The user moved a slider; `field` is its object name ("tAttack"...).
    void Edited(const QString& field);

private:
    std::array<TKnobSlider*, 4> m_sliders{};
    bool m_modified = false;
    bool m_updating = false;
};

} // namespace zel
