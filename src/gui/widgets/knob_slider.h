// A slider whose knob shows a text (a pitch, a value in tenths...), horizontal or vertical.
#pragma once

#include <QSlider>
#include <functional>

namespace zel {

// A slider whose knob shows a text; a disabled slider shows no knob at all. The text is either
// set by the owner or, with SetKnobFormat, follows the value.
class TKnobSlider : public QSlider {
    Q_OBJECT
public:
    // Horizontal, with a knob wide enough for a pitch name ("C# 4").
    explicit TKnobSlider(QWidget* parent = nullptr);
    // Vertical sliders get a knob wide enough for `widestText` (a value such as "100.0").
    explicit TKnobSlider(Qt::Orientation orientation, QWidget* parent = nullptr,
                         const QString& widestText = QStringLiteral("100.0"));

    void SetKnobText(const QString& text);
    const QString& KnobText() const { return m_knobText; }

    // The knob shows format(value) from now on, whenever the value changes.
    void SetKnobFormat(std::function<QString(int)> format);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyFormat();

    QString m_knobText;
    std::function<QString(int)> m_format;
};

} // namespace zel
