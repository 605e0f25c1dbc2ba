#include "app/monitor_watch.h"

#include "ui/debug_log.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace pq {

MonitorWatch::MonitorWatch(QWidget& window) : QObject(&window), window_(window)
{
    displays = [] {
        std::vector<DisplayInfo> list;
        for (const QScreen* screen : QGuiApplication::screens())
            list.push_back({screen->geometry(), screen->availableGeometry()});
        return list;
    };
    timer_.setInterval(500);
    // Every failure of a tick is dropped: the next tick tries again.
    connect(&timer_, &QTimer::timeout, this, [this] { GuardedCall("MonitorCheckTimerTimer", [this] { tick(); }); });
    timer_.start();
}

void MonitorWatch::tick()
{
    const std::vector<DisplayInfo> list = displays();
    MonitorTickInput in;
    in.lastIndex = lastIndex_;
    in.window = window_.geometry();
    in.index = DisplayHoldingWindow(list, in.window);
    if (in.index < 0)
        return;
    in.workArea = AdjustWorkAreaForAutoHideTaskbar(list[size_t(in.index)].workArea, AutoHideTaskbarEdge(), 1);
    in.customMaximized = customMaximized && customMaximized();
    in.moving = moving && moving();
    const MonitorTickStep step = DecideMonitorTick(in);
    lastIndex_ = step.lastIndex;
    if (step.action != MonitorAction::None) {
        window_.setGeometry(step.bounds);
        DebugLogFmt("MonitorCheck: %s to %dx%d at %d,%d",
                    step.action == MonitorAction::Remaximize ? "maximised" : "shrunk", step.bounds.width(),
                    step.bounds.height(), step.bounds.left(), step.bounds.top());
    }
    if (step.monitorChanged && displayChanged)
        displayChanged();
}

} // namespace pq
