// The background of the small windows' toolbars: a vertical gradient from the button face to the
// scroll bar colour.
#pragma once

#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

namespace zel {

class TGradientBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, palette().color(QPalette::Button));
        gradient.setColorAt(1, palette().color(QPalette::Mid));
        painter.fillRect(rect(), gradient);
    }
};

} // namespace zel
