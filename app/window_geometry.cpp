#include "app/window_geometry.h"

#include "platform/numeric.h"

#include <algorithm>
#include <limits>

namespace pq {

QRectF ComputeResizeBounds(ResizeTag tag, const QRectF& start, QPointF delta, QSizeF minimum)
{
    const double minW = minimum.width();
    const double minH = minimum.height();
    const double left = start.left();
    const double top = start.top();
    const double right = start.left() + start.width();
    const double bottom = start.top() + start.height();
    double l = left;
    double t = top;
    double r = right;
    double b = bottom;
    switch (tag) {
    case ResizeTag::Left:
    case ResizeTag::TopLeft:
    case ResizeTag::BottomLeft:
        l = left + delta.x();
        if (right - l < minW)
            l = right - minW;
        break;
    case ResizeTag::Right:
    case ResizeTag::TopRight:
    case ResizeTag::BottomRight:
        r = right + delta.x();
        if (r - left < minW)
            r = left + minW;
        break;
    default: break;
    }
    switch (tag) {
    case ResizeTag::Top:
    case ResizeTag::TopLeft:
    case ResizeTag::TopRight:
        t = top + delta.y();
        if (bottom - t < minH)
            t = bottom - minH;
        break;
    case ResizeTag::Bottom:
    case ResizeTag::BottomLeft:
    case ResizeTag::BottomRight:
        b = bottom + delta.y();
        if (b - top < minH)
            b = top + minH;
        break;
    default: break;
    }
    return QRectF(l, t, r - l, b - t);
}

QRect RoundedBounds(const QRectF& bounds)
{
    return QRect(platform::Round(bounds.left()), platform::Round(bounds.top()), platform::Round(bounds.width()),
                 platform::Round(bounds.height()));
}

WindowButtonPlaces LayoutWindowButtons(int formWidth, int closeWidth, bool systemMaximized)
{
    WindowButtonPlaces places;
    places.close = systemMaximized ? formWidth - closeWidth : formWidth - closeWidth - 5;
    places.maximize = places.close - 40;
    places.minimize = places.maximize - 40;
    places.themeSwitch = places.minimize - 27;
    return places;
}

QSize MinimumSizeForWorkArea(const QSize& workArea)
{
    if (workArea.width() <= 0 || workArea.height() <= 0)
        return {};
    return QSize(std::min(workArea.width() - 16, 1080), std::min(workArea.height() - 16, 768));
}

QSize MinimumWindowSize(const QSize& workAreaPixels, double scale)
{
    if (scale <= 0 || workAreaPixels.width() <= 0 || workAreaPixels.height() <= 0)
        return {};
    const double w = std::min(workAreaPixels.width() / scale - 16, 1080.0);
    const double h = std::min(workAreaPixels.height() / scale - 16, 768.0);
    return QSize(platform::Round(w * scale), platform::Round(h * scale));
}

QRect RestoreFallback(const QRect& workArea)
{
    return QRect(workArea.left() + 50, workArea.top() + 50, workArea.width() - 100, workArea.height() - 100);
}

QRect RestoreBounds(const QRect& saved, const QRect& workArea)
{
    if (saved.width() > 100 && saved.height() > 100)
        return saved;
    return RestoreFallback(workArea);
}

QRect ShrinkIntoWorkArea(const QRect& window, const QRect& workArea)
{
    if (window.width() <= workArea.width() && window.height() <= workArea.height())
        return window;
    const int w = platform::Round(workArea.width() * 0.98);
    const int h = platform::Round(workArea.height() * 0.98);
    const int left = platform::Round(workArea.left() + (workArea.width() - w) / 2.0);
    const int top = platform::Round(workArea.top() + (workArea.height() - h) / 2.0);
    return QRect(left, top, w, h);
}

int AutoHideTaskbarEdge()
{
    return -1;
}

QRect AdjustWorkAreaForAutoHideTaskbar(const QRect& workArea, int edge, int amount)
{
    QRect r = workArea;
    switch (edge) {
    case 0: r.setLeft(r.left() + amount); break;
    case 1: r.setTop(r.top() + amount); break;
    case 2: r.setRight(r.right() - amount); break;
    case 3: r.setBottom(r.bottom() - amount); break;
    default: break;
    }
    return r;
}

int DisplayHoldingWindow(const std::vector<DisplayInfo>& displays, const QRect& window)
{
    int best = -1;
    qint64 bestArea = 0;
    for (size_t i = 0; i < displays.size(); ++i) {
        const QRect common = displays[i].geometry.intersected(window);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > bestArea) {
            bestArea = area;
            best = int(i);
        }
    }
    if (best >= 0)
        return best;
    // Off every display: the nearest one to the window's centre.
    const QPoint centre = window.center();
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (size_t i = 0; i < displays.size(); ++i) {
        const QRect& g = displays[i].geometry;
        const qint64 dx = std::max({g.left() - centre.x(), 0, centre.x() - g.right()});
        const qint64 dy = std::max({g.top() - centre.y(), 0, centre.y() - g.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    return best;
}

MonitorTickStep DecideMonitorTick(const MonitorTickInput& in)
{
    MonitorTickStep step;
    step.lastIndex = in.lastIndex;
    if (in.index < 0)
        return step;
    if (in.lastIndex == -1) {
        step.lastIndex = in.index;
        return step;
    }
    // Mid-drag the window is where the mouse puts it; the drop decides.
    if (in.moving)
        return step;
    const bool changed = in.lastIndex != in.index;
    const QRect& r = in.window;
    const QRect& p = in.workArea;
    if (in.customMaximized) {
        const bool outside = r.left() < p.left() || r.top() < p.top() || r.right() > p.right() || r.bottom() > p.bottom();
        const bool inside = r.left() - p.left() > in.margin || r.top() - p.top() > in.margin
                            || p.right() - r.right() > in.margin || p.bottom() - r.bottom() > in.margin;
        if (changed || outside || inside) {
            step.action = MonitorAction::Remaximize;
            step.bounds = p;
            step.lastIndex = in.index;
        }
    } else if (changed) {
        const QRect shrunk = ShrinkIntoWorkArea(r, p);
        if (shrunk != r) {
            step.action = MonitorAction::Shrink;
            step.bounds = shrunk;
        }
        step.lastIndex = in.index;
    }
    step.monitorChanged = changed;
    return step;
}

} // namespace pq
