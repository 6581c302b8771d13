#include "sound/envelope_frame.h"

#include <QGridLayout>
#include <QLabel>

#include "sound/instrument_controls.h"
#include "widgets/knob_slider.h"

namespace zel {

namespace {

constexpr std::array<const char*, 4> SliderNames = {"tAttack", "tDecay", "tSustain", "tRelease"};
constexpr std::array<const char*, 4> SliderLabels = {"Attack", "Decay", "Sustain", "Release"};
constexpr int SliderHeight = 100;

} // namespace

TEnvelopeFrame::TEnvelopeFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setHorizontalSpacing(2);
    layout->setVerticalSpacing(2);
    // The screen reader says which envelope a slider belongs to.
    const QString owner = title.trimmed();
    for (size_t i = 0; i < m_sliders.size(); ++i) {
        auto* slider = new TKnobSlider(Qt::Vertical, this);
        slider->setObjectName(QString::fromLatin1(SliderNames[i]));
        slider->setRange(0, EnvelopeMax);
        slider->setPageStep(100);
        slider->setFixedHeight(SliderHeight);
        slider->SetKnobFormat([](int value) { return QString::fromStdString(TenthsText(value)); });
        const QString label = QString::fromLatin1(SliderLabels[i]);
        slider->setAccessibleName(owner + QLatin1Char(' ') + label);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(slider);
        layout->addWidget(slider, 0, int(i), Qt::AlignHCenter);
        layout->addWidget(caption, 1, int(i), Qt::AlignHCenter);
        m_sliders[i] = slider;
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (m_updating)
                return;
            m_modified = true;
            emit Edited(slider->objectName());
        });
    }
}

std::array<int, 4> TEnvelopeFrame::Values() const {
    return {m_sliders[0]->value(), m_sliders[1]->value(), m_sliders[2]->value(),
            m_sliders[3]->value()};
}

void TEnvelopeFrame::Read(TEnvelope& envelope) const {
    const std::array<int, 4> values = Values();
    envelope = {values[0], values[1], values[2], values[3]};
}

void TEnvelopeFrame::Write(const TEnvelope& envelope) {
    m_updating = true;
    m_sliders[0]->setValue(envelope.Attack);
    m_sliders[1]->setValue(envelope.Decay);
    m_sliders[2]->setValue(envelope.Sustain);
    m_sliders[3]->setValue(envelope.Release);
    m_updating = false;
}

} // namespace zel
