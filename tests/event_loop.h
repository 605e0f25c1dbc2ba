#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace testloop {

// Serves the Qt event loop until pred() holds; false after limitMs.
inline bool ProcessUntil(const std::function<bool()>& pred, int limitMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace testloop
