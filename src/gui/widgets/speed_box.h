// The playback speed control: a per-cent spin box whose arrows (and the - and + keys of the
// main window) step through the usual practice speeds; any value 25..200 may be typed.
#pragma once

#include <QSpinBox>

namespace zel {

class TSpeedBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpeedBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;
};

} // namespace zel
