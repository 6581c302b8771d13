#include "widgets/knob_slider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace zel {

TKnobSlider::TKnobSlider(QWidget* parent) : TKnobSlider(Qt::Horizontal, parent, QString()) {}

TKnobSlider::TKnobSlider(Qt::Orientation orientation, QWidget* parent, const QString& widestText)
    : QSlider(orientation, parent) {
    if (orientation == Qt::Horizontal) {
        // A knob wide enough for "C# 4"; the disabled state draws no knob.
        setStyleSheet(QStringLiteral(
            "QSlider { min-height: 22px; }"
            "QSlider::groove:horizontal { height: 4px; background: palette(mid); border-radius: "
            "2px; }"
            "QSlider::handle:horizontal { width: 38px; margin: -8px 0; border: 1px solid "
            "palette(dark); border-radius: 3px; background: palette(button); }"
            "QSlider::handle:horizontal:disabled { background: transparent; border: none; }"));
        return;
    }
    // The knob spans the groove sideways and is as wide as the widest text it has to show.
    const int knobWidth = fontMetrics().horizontalAdvance(widestText) + 8;
    const int knobHeight = fontMetrics().height() + 2;
    setStyleSheet(
        QStringLiteral(
            "QSlider { min-width: %1px; }"
            "QSlider::groove:vertical { width: 4px; background: palette(mid); border-radius: 2px; }"
            "QSlider::handle:vertical { height: %2px; margin: 0 -%3px; border: 1px solid "
            "palette(dark); border-radius: 3px; background: palette(button); }"
            "QSlider::handle:vertical:disabled { background: transparent; border: none; }")
            .arg(knobWidth + 2)
            .arg(knobHeight)
            .arg((knobWidth - 4) / 2));
}

void TKnobSlider::SetKnobText(const QString& text) {
    if (text == m_knobText)
        return;
    m_knobText = text;
    setAccessibleDescription(text); // the value, as the knob shows it
    update();
}

void TKnobSlider::SetKnobFormat(std::function<QString(int)> format) {
    const bool first = !m_format;
    m_format = std::move(format);
    if (first)
        connect(this, &QSlider::valueChanged, this, [this] { ApplyFormat(); });
    ApplyFormat();
}

void TKnobSlider::ApplyFormat() {
    if (m_format)
        SetKnobText(m_format(value()));
}

void TKnobSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (!isEnabled() || m_knobText.isEmpty())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRect knob = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(knob, Qt::AlignCenter, m_knobText);
}

} // namespace zel
