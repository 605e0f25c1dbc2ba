#pragma once

#include "app/window_geometry.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

class QWidget;

namespace pq {

// The 500 ms watch over the display that holds the main window: a window
// maximised by its own button fills the work area of the display it was
// dropped on, a window larger than a newly entered work area shrinks into
// it, and a display change lays the window out anew. Nothing happens
// while the window is being moved or resized.
class MonitorWatch : public QObject {
public:
    explicit MonitorWatch(QWidget& window);

    // The displays; the toolkit's by default, a fake list in tests.
    std::function<std::vector<DisplayInfo>()> displays;
    // Whether the window is maximised by its own button.
    std::function<bool()> customMaximized;
    // Whether a move or resize is pending or running.
    std::function<bool()> moving;
    // The window entered another display: minimum size, scale, layout.
    std::function<void()> displayChanged;

    // One tick of the watch.
    void tick();
    int lastIndex() const { return lastIndex_; }
    QTimer& timer() { return timer_; }

private:
    QWidget& window_;
    QTimer timer_;
    int lastIndex_ = -1;
};

} // namespace pq
