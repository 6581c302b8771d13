// The window benchmarks' pause: lets the event loop run for a while, so windows are shown,
// placed and painted before anything is timed.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

namespace zel::bench {

inline void Settle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace zel::bench
