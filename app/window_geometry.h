#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <vector>

namespace pq {

// Window arithmetic of the borderless window, as pure functions over
// rectangles so that it can be tried without a display.

// Which sides a resize edge or grip moves: 1 top, 2 bottom, 3 left, 4 right,
// 5 top-left, 6 top-right, 7 bottom-left, 8 bottom-right.
enum class ResizeTag { None = 0, Top = 1, Bottom, Left, Right, TopLeft, TopRight, BottomLeft, BottomRight };

// The window's bounds while an edge or grip is dragged: `start` is the
// window (left, top, right, bottom) at the press, `delta` the mouse's move
// since. The side opposite the dragged one never moves; the window never
// gets smaller than `minimum`; no upper bound.
QRectF ComputeResizeBounds(ResizeTag tag, const QRectF& start, QPointF delta, QSizeF minimum);
// The integer window rectangle for those bounds (each value rounded).
QRect RoundedBounds(const QRectF& bounds);

// Where the title bar's controls go for a window `formWidth` wide, in
// design units: window buttons 5 from the right edge, flush with it when
// the system maximised the window.
struct WindowButtonPlaces {
    int close = 0;
    int maximize = 0;
    int minimize = 0;
    int themeSwitch = 0;
};
WindowButtonPlaces LayoutWindowButtons(int formWidth, int closeWidth, bool systemMaximized);

// The window's minimum size for a work area (both in units): at most
// 1080 x 768 and at least 16 smaller than the work area; empty for an
// empty work area.
QSize MinimumSizeForWorkArea(const QSize& workArea);
// The minimum size in pixels for a work area in pixels at an interface
// scale: the units' minimum times the scale.
QSize MinimumWindowSize(const QSize& workAreaPixels, double scale);
// The rectangle a restore without usable bounds takes: 50 inside the work
// area on every side.
QRect RestoreFallback(const QRect& workArea);
// Bounds a restore uses: `saved` when wider and higher than 100, else the
// fallback.
QRect RestoreBounds(const QRect& saved, const QRect& workArea);
// A window larger than the work area of the monitor it enters becomes 98 %
// of it, centred; a window that fits keeps its rectangle.
QRect ShrinkIntoWorkArea(const QRect& window, const QRect& workArea);

// The taskbar edge that hides itself: -1 none, 0 left, 1 top, 2 right,
// 3 bottom. Linux desktops report none.
int AutoHideTaskbarEdge();
// Moves the work area's side on that edge `amount` pixels inwards.
QRect AdjustWorkAreaForAutoHideTaskbar(const QRect& workArea, int edge, int amount);

// One display of the display list.
struct DisplayInfo {
    QRect geometry; // in pixels of the virtual desktop
    QRect workArea;
};
// The display that holds the window: the one with the largest overlap,
// else the one nearest to its centre; -1 for an empty list.
int DisplayHoldingWindow(const std::vector<DisplayInfo>& displays, const QRect& window);

// What the monitor watch does at one tick.
struct MonitorTickInput {
    int lastIndex = -1;         // display last seen, -1 before the first tick
    int index = -1;             // display holding the window now
    QRect window;               // window rectangle
    QRect workArea;             // work area of that display
    bool customMaximized = false;
    bool moving = false;        // a move or resize is pending or running
    int margin = 1;             // pixels a maximised window may sit inside the work area
};
enum class MonitorAction { None, Remaximize, Shrink };
struct MonitorTickStep {
    MonitorAction action = MonitorAction::None;
    QRect bounds;                // the new bounds for Remaximize and Shrink
    bool monitorChanged = false; // rescale and re-lay out for the new display
    int lastIndex = -1;          // the display the watch remembers afterwards
};
// The first tick only records the display. A window that is being moved
// is left alone until it is dropped. A maximised window fills the work
// area again when it changed display or no longer fills it; a window
// larger than a newly entered work area shrinks into it.
MonitorTickStep DecideMonitorTick(const MonitorTickInput& in);

} // namespace pq
