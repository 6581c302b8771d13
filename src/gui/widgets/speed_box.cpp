#include "speed_box.h"

#include "arrange/practice.h"

namespace zel {

TSpeedBox::TSpeedBox(QWidget* parent) : QSpinBox(parent) {
    setRange(MinSpeedPercent, MaxSpeedPercent);
    setSuffix(QStringLiteral(" %"));
    setValue(100);
    setAccelerated(false);
}

void TSpeedBox::stepBy(int steps) {
    int value = this->value();
    for (int i = 0; i < std::abs(steps); ++i)
        value = NextSpeedStep(value, steps);
    setValue(value);
}

} // namespace zel
