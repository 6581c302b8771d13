#include "sound/instrument_frame.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "base/debug_log.h"
#include "sound/envelope_frame.h"
#include "sound/instrument_controls.h"
#include "widgets/accessible_names.h"
#include "widgets/knob_slider.h"

namespace zel {

namespace {

constexpr int SliderHeight = 100;

struct TButtonText {
    const char* Name;
    const char* Caption;
};
constexpr std::array<TButtonText, 4> WaveButtons = {{{"rbSineWave", "Sine"},
                                                     {"rbTriangle", "Triangle"},
                                                     {"rbSquare", "Square"},
                                                     {"rbNoise", "Noise"}}};
constexpr std::array<TButtonText, 4> ModButtons = {{{"rbModPitch", "Pitch"},
                                                    {"rbModFilter", "Filter"},
                                                    {"rbModAmp", "Amplitude"},
                                                    {"rbModNone", "None"}}};

QString PlainKnob(int value) {
    return QString::number(value);
}

QString TenthsKnob(int value) {
    return QString::fromStdString(TenthsText(value));
}

QGroupBox* NewGroup(const QString& title, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return group;
}

// A column of exclusive buttons in a new button group.
std::array<QAbstractButton*, 4> AddButtons(const std::array<TButtonText, 4>& texts,
                                           QGroupBox* group, QGridLayout* layout) {
    std::array<QAbstractButton*, 4> buttons{};
    auto* buttonGroup = new QButtonGroup(group);
    buttonGroup->setExclusive(true);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    for (size_t i = 0; i < texts.size(); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(texts[i].Caption), group);
        button->setObjectName(QString::fromLatin1(texts[i].Name));
        buttonGroup->addButton(button, int(i));
        column->addWidget(button);
        buttons[i] = button;
    }
    column->addStretch();
    layout->addLayout(column, 0, 0, 2, 1);
    return buttons;
}

// A vertical slider in `column` of the group's grid with its label underneath.
TKnobSlider* AddSlider(const char* name, const QString& label, int minimum, int maximum,
                       QGroupBox* group, QGridLayout* layout, int column) {
    auto* slider = new TKnobSlider(Qt::Vertical, group);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(minimum, maximum);
    slider->setPageStep(std::max(1, (maximum - minimum) / 10));
    slider->setFixedHeight(SliderHeight);
    layout->addWidget(slider, 0, column, Qt::AlignHCenter);
    if (!label.isEmpty()) {
        auto* caption = new QLabel(label, group);
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        caption->setBuddy(slider);
        layout->addWidget(caption, 1, column, Qt::AlignHCenter | Qt::AlignTop);
    }
    return slider;
}

QGridLayout* GroupGrid(QGroupBox* group) {
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(2);
    return layout;
}

} // namespace

TInstrumentFrame::TInstrumentFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("InstrumentFrame"));
    BuildControls();
    NameControls();
}

void TInstrumentFrame::BuildControls() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    QGroupBox* wave = NewGroup(QStringLiteral("Wave Type"), this);
    QGridLayout* waveLayout = GroupGrid(wave);
    m_waveButtons = AddButtons(WaveButtons, wave, waveLayout);
    m_skew = AddSlider("tlSkew", QStringLiteral("Skew (%)"), 0, SkewMax, wave, waveLayout, 1);
    m_skew->setToolTip(QStringLiteral("Distort waveform by time"));
    m_skew->SetKnobFormat(PlainKnob);
    m_octave = new QSpinBox(wave);
    m_octave->setObjectName(QStringLiteral("eOctave"));
    m_octave->setRange(OctaveMin, OctaveMax);
    auto* octaveLabel = new QLabel(QStringLiteral("Octave\nShift"), wave);
    octaveLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    octaveLabel->setBuddy(m_octave);
    auto* octaveColumn = new QVBoxLayout;
    octaveColumn->addStretch();
    octaveColumn->addWidget(octaveLabel);
    octaveColumn->addWidget(m_octave);
    waveLayout->addLayout(octaveColumn, 0, 2, 2, 1);
    layout->addWidget(wave);

    QGroupBox* modulation = NewGroup(QStringLiteral("Modulation"), this);
    QGridLayout* modLayout = GroupGrid(modulation);
    m_modButtons = AddButtons(ModButtons, modulation, modLayout);
    m_modFreq = AddSlider("tlModFreq", QStringLiteral("Frequency (Hz)"), ModFreqMin, ModFreqMax,
                          modulation, modLayout, 1);
    m_modFreq->SetKnobFormat(TenthsKnob);
    m_modDepth = AddSlider("tlModDepth", QStringLiteral("Depth (%)"), 0, ModDepthMax, modulation,
                           modLayout, 2);
    m_modDepth->SetKnobFormat(PlainKnob);
    layout->addWidget(modulation);

    m_amplitude = new TEnvelopeFrame(QStringLiteral("Amplitude Envelope "), this);
    m_amplitude->setObjectName(QStringLiteral("FAmplitude"));
    m_amplitude->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout->addWidget(m_amplitude);
    m_filter = new TEnvelopeFrame(QStringLiteral("Filter Envelope "), this);
    m_filter->setObjectName(QStringLiteral("FFilter"));
    m_filter->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout->addWidget(m_filter);

    QGroupBox* mix = NewGroup(QStringLiteral("Mix"), this);
    QGridLayout* mixLayout = GroupGrid(mix);
    m_mixLeft = AddSlider("tlMixLeft", QStringLiteral("Left"), 0, MixMax, mix, mixLayout, 0);
    m_mixLeft->SetKnobFormat(PlainKnob);
    m_mixRight = AddSlider("tlMixRight", QStringLiteral("Right"), 0, MixMax, mix, mixLayout, 1);
    m_mixRight->SetKnobFormat(PlainKnob);
    m_mixBoth = AddSlider("sMixBoth", QString(), 0, MixMax, mix, mixLayout, 2);
    layout->addWidget(mix);
    layout->addStretch();

    for (QAbstractButton* button : m_waveButtons)
        connect(button, &QAbstractButton::clicked, this, [this, button] { Change(button); });
    for (QAbstractButton* button : m_modButtons)
        connect(button, &QAbstractButton::clicked, this, [this, button] { Change(button); });
    for (TKnobSlider* slider : {m_skew, m_modFreq, m_modDepth, m_mixLeft, m_mixRight})
        connect(slider, &QSlider::valueChanged, this, [this, slider] { Change(slider); });
    connect(m_octave, &QSpinBox::valueChanged, this, [this] { Change(m_octave); });
    connect(m_mixBoth, &QSlider::valueChanged, this, [this](int value) { sMixBothChange(value); });
    for (TEnvelopeFrame* envelope : {m_amplitude, m_filter})
        connect(envelope, &TEnvelopeFrame::Edited, this, [this, envelope](const QString& field) {
            emit Edited(envelope->objectName() + QLatin1Char('.') + field);
        });
}

// What screen readers and UI automation call the controls: their labels, with the group where
// the label alone would be ambiguous. The buttons are called by their captions.
void TInstrumentFrame::NameControls() {
    SetAccessibleNames(this, {{"tlSkew", "Skew (%)"},
                              {"eOctave", "Octave Shift"},
                              {"tlModFreq", "Modulation Frequency (Hz)"},
                              {"tlModDepth", "Modulation Depth (%)"},
                              {"tlMixLeft", "Mix Left"},
                              {"tlMixRight", "Mix Right"},
                              {"sMixBoth", "Mix Left and Right"}});
}

void TInstrumentFrame::Change(const QObject* control) {
    if (m_updating || m_mixingBoth)
        return;
    m_modified = true;
    emit Edited(control->objectName());
}

void TInstrumentFrame::sMixBothChange(int value) {
    m_mixingBoth = true;
    m_mixLeft->setValue(value);
    m_mixRight->setValue(value);
    m_mixingBoth = false;
    if (m_updating)
        return;
    m_modified = true;
    emit Edited(m_mixBoth->objectName());
}

void TInstrumentFrame::Read(TInstrument& instrument) const {
    TInstrumentControls controls;
    for (size_t i = 0; i < 4; ++i) {
        controls.WaveDown[i] = m_waveButtons[i]->isChecked();
        controls.ModDown[i] = m_modButtons[i]->isChecked();
    }
    controls.Skew = m_skew->value();
    controls.Octave = m_octave->value();
    controls.ModFreq = m_modFreq->value();
    controls.ModDepth = m_modDepth->value();
    controls.AmpEnv = m_amplitude->Values();
    controls.FilterEnv = m_filter->Values();
    controls.MixLeft = m_mixLeft->value();
    controls.MixRight = m_mixRight->value();
    instrument = InstrumentFromControls(controls);
    DebugAdd("InstrumentFrame::Read", InstrumentDebugColour);
}

void TInstrumentFrame::Write(const TInstrument& instrument) {
    const TInstrumentControls controls = ControlsFromInstrument(instrument);
    m_updating = true;
    for (size_t i = 0; i < 4; ++i) {
        if (controls.WaveDown[i])
            m_waveButtons[i]->setChecked(true);
        if (controls.ModDown[i])
            m_modButtons[i]->setChecked(true);
    }
    m_skew->setValue(controls.Skew);
    m_octave->setValue(controls.Octave);
    m_modFreq->setValue(controls.ModFreq);
    m_modDepth->setValue(controls.ModDepth);
    m_amplitude->Write(instrument.AmpEnv);
    m_filter->Write(instrument.FilterEnv);
    m_mixLeft->setValue(controls.MixLeft);
    m_mixRight->setValue(controls.MixRight);
    // The common slider follows only equal sides; otherwise it stays where the user left it.
    if (controls.MixLeft == controls.MixRight)
        m_mixBoth->setValue(controls.MixLeft);
    m_updating = false;
    DebugAdd("TInstrumentFrame::Write", InstrumentDebugColour);
}

bool TInstrumentFrame::Modified() const {
    return m_modified || m_amplitude->Modified() || m_filter->Modified();
}

void TInstrumentFrame::ClearModified() {
    m_modified = false;
    m_amplitude->ClearModified();
    m_filter->ClearModified();
}

} // namespace zel
