// Window arithmetic of the borderless window: resizing, the window
// buttons, minimum size, restore, automatic zoom and the monitor watch.
#include "app/startup.h"
#include "app/window_geometry.h"
#include "platform/numeric.h"
#include "ui/interface_scale.h"

#include <gtest/gtest.h>

namespace {

using pq::ResizeTag;

const QRectF kStart(100, 100, 1200, 900); // right 1300, bottom 1000
const QSizeF kMinimum(1080, 768);

QRectF Drag(ResizeTag tag, double dx, double dy)
{
    return pq::ComputeResizeBounds(tag, kStart, QPointF(dx, dy), kMinimum);
}

TEST(ResizeBounds, EachTagMovesItsSidesOnly)
{
    EXPECT_EQ(Drag(ResizeTag::Top, 30, -20), QRectF(100, 80, 1200, 920));
    EXPECT_EQ(Drag(ResizeTag::Bottom, 30, 20), QRectF(100, 100, 1200, 920));
    EXPECT_EQ(Drag(ResizeTag::Left, -30, 20), QRectF(70, 100, 1230, 900));
    EXPECT_EQ(Drag(ResizeTag::Right, 30, 20), QRectF(100, 100, 1230, 900));
    EXPECT_EQ(Drag(ResizeTag::TopLeft, -10, -20), QRectF(90, 80, 1210, 920));
    EXPECT_EQ(Drag(ResizeTag::TopRight, 10, -20), QRectF(100, 80, 1210, 920));
    EXPECT_EQ(Drag(ResizeTag::BottomLeft, -10, 20), QRectF(90, 100, 1210, 920));
    EXPECT_EQ(Drag(ResizeTag::BottomRight, 10, 20), QRectF(100, 100, 1210, 920));
}

TEST(ResizeBounds, StopsAtTheMinimumWithTheOppositeSideInPlace)
{
    // Far past the minimum in every direction.
    const QRectF left = Drag(ResizeTag::Left, 5000, 0);
    EXPECT_EQ(left.width(), 1080);
    EXPECT_EQ(left.right(), 1300) << "the right side stays";
    const QRectF right = Drag(ResizeTag::Right, -5000, 0);
    EXPECT_EQ(right, QRectF(100, 100, 1080, 900));
    const QRectF top = Drag(ResizeTag::Top, 0, 5000);
    EXPECT_EQ(top.height(), 768);
    EXPECT_EQ(top.bottom(), 1000);
    const QRectF bottom = Drag(ResizeTag::Bottom, 0, -5000);
    EXPECT_EQ(bottom, QRectF(100, 100, 1200, 768));
    const QRectF topLeft = Drag(ResizeTag::TopLeft, 5000, 5000);
    EXPECT_EQ(topLeft, QRectF(220, 232, 1080, 768));
    const QRectF bottomRight = Drag(ResizeTag::BottomRight, -5000, -5000);
    EXPECT_EQ(bottomRight, QRectF(100, 100, 1080, 768));
    // No upper bound.
    EXPECT_EQ(Drag(ResizeTag::BottomRight, 9000, 9000).width(), 10200);
}

TEST(ResizeBounds, UnknownTagKeepsTheWindow)
{
    EXPECT_EQ(Drag(ResizeTag::None, 50, 50), kStart);
}

TEST(WindowButtons, FiveFromTheEdgeOrFlushWhenSystemMaximised)
{
    const pq::WindowButtonPlaces normal = pq::LayoutWindowButtons(1400, 39, false);
    EXPECT_EQ(normal.close, 1400 - 39 - 5);
    EXPECT_EQ(normal.maximize, normal.close - 40);
    EXPECT_EQ(normal.minimize, normal.maximize - 40);
    EXPECT_EQ(normal.themeSwitch, normal.minimize - 27);
    const pq::WindowButtonPlaces maximized = pq::LayoutWindowButtons(1400, 39, true);
    EXPECT_EQ(maximized.close, 1400 - 39);
    EXPECT_EQ(maximized.themeSwitch, 1400 - 39 - 107);
}

TEST(MinimumSize, FollowsTheWorkArea)
{
    EXPECT_EQ(pq::MinimumSizeForWorkArea(QSize(1280, 680)), QSize(1080, 664));
    EXPECT_EQ(pq::MinimumSizeForWorkArea(QSize(1920, 1040)), QSize(1080, 768));
    EXPECT_TRUE(pq::MinimumSizeForWorkArea(QSize(0, 700)).isEmpty());
    // In pixels it is the units' minimum times the applied scale.
    EXPECT_EQ(pq::MinimumWindowSize(QSize(1920, 1080), 1.0), QSize(1080, 768));
    EXPECT_EQ(pq::MinimumWindowSize(QSize(1920, 1080), 1.5), QSize(1620, 1056));
    EXPECT_EQ(pq::MinimumWindowSize(QSize(1920, 1080), 0.5), QSize(540, 384));
}

TEST(Restore, SavedBoundsOrFiftyInside)
{
    const QRect work(0, 0, 1920, 1040);
    EXPECT_EQ(pq::RestoreFallback(work), QRect(50, 50, 1820, 940));
    EXPECT_EQ(pq::RestoreBounds(QRect(10, 20, 800, 600), work), QRect(10, 20, 800, 600));
    EXPECT_EQ(pq::RestoreBounds(QRect(10, 20, 100, 600), work), QRect(50, 50, 1820, 940)) << "too narrow";
    EXPECT_EQ(pq::RestoreBounds(QRect(), QRect(1920, 0, 1280, 1000)), QRect(1970, 50, 1180, 900));
}

TEST(Shrink, NinetyEightPercentCentredOnlyWhenTooLarge)
{
    const QRect work(1920, 0, 1280, 984);
    EXPECT_EQ(pq::ShrinkIntoWorkArea(QRect(1900, 10, 1500, 900), work), QRect(1933, 10, 1254, 964));
    const QRect fits(2000, 50, 1000, 700);
    EXPECT_EQ(pq::ShrinkIntoWorkArea(fits, work), fits);
}

TEST(AutomaticZoom, FromTheWorkArea)
{
    const auto percent = [](int w, int h) {
        return platform::Round(pq::ComputeAutoUiZoom(QRect(0, 0, w, h)) * 100.0);
    };
    EXPECT_EQ(percent(1920, 1040), 89);
    EXPECT_EQ(percent(1366, 728), 62);
    EXPECT_EQ(percent(3840, 2100), 100) << "never above 100";
    EXPECT_EQ(percent(800, 500), 50) << "never below 50";
    EXPECT_EQ(percent(0, 0), 100);
}

TEST(AppliedScale, WholeDotsPerInch)
{
    EXPECT_DOUBLE_EQ(pq::AppliedScale(1.0), 1.0);
    EXPECT_DOUBLE_EQ(pq::AppliedScale(0.5), 0.5);
    EXPECT_DOUBLE_EQ(pq::AppliedScale(1.5), 1.5);
    EXPECT_DOUBLE_EQ(pq::AppliedScale(0.89), 85.0 / 96.0); // 85.44
    EXPECT_DOUBLE_EQ(pq::AppliedScale(0.9), 86.0 / 96.0);  // 86.4
}

TEST(AutoHideTaskbar, MovesTheSideOnItsEdge)
{
    const QRect work(0, 0, 1920, 1080);
    EXPECT_EQ(pq::AdjustWorkAreaForAutoHideTaskbar(work, 3, 2), QRect(0, 0, 1920, 1078));
    EXPECT_EQ(pq::AdjustWorkAreaForAutoHideTaskbar(work, 0, 2), QRect(2, 0, 1918, 1080));
    EXPECT_EQ(pq::AdjustWorkAreaForAutoHideTaskbar(work, 1, 2), QRect(0, 2, 1920, 1078));
    EXPECT_EQ(pq::AdjustWorkAreaForAutoHideTaskbar(work, 2, 2), QRect(0, 0, 1918, 1080));
    EXPECT_EQ(pq::AdjustWorkAreaForAutoHideTaskbar(work, -1, 2), work);
    EXPECT_EQ(pq::AutoHideTaskbarEdge(), -1) << "no hiding taskbar here";
}

// Two displays side by side: 1920 x 1080 with a taskbar, then 1280 x 1024.
const std::vector<pq::DisplayInfo> kDisplays = {
    {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
    {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 984)},
};

TEST(Displays, TheOneWithMostOfTheWindow)
{
    EXPECT_EQ(pq::DisplayHoldingWindow(kDisplays, QRect(100, 100, 800, 600)), 0);
    EXPECT_EQ(pq::DisplayHoldingWindow(kDisplays, QRect(1700, 100, 800, 600)), 1);
    EXPECT_EQ(pq::DisplayHoldingWindow(kDisplays, QRect(1500, 100, 800, 600)), 0);
    EXPECT_EQ(pq::DisplayHoldingWindow(kDisplays, QRect(5000, 100, 800, 600)), 1) << "off screen: nearest";
    EXPECT_EQ(pq::DisplayHoldingWindow({}, QRect(0, 0, 10, 10)), -1);
}

pq::MonitorTickInput Tick(int last, const QRect& window, bool maximized, bool moving = false)
{
    pq::MonitorTickInput in;
    in.lastIndex = last;
    in.window = window;
    in.index = pq::DisplayHoldingWindow(kDisplays, window);
    in.workArea = kDisplays[size_t(in.index)].workArea;
    in.customMaximized = maximized;
    in.moving = moving;
    return in;
}

TEST(MonitorTick, FirstTickOnlyRecords)
{
    const pq::MonitorTickStep step = pq::DecideMonitorTick(Tick(-1, QRect(1950, 10, 500, 500), true));
    EXPECT_EQ(step.action, pq::MonitorAction::None);
    EXPECT_EQ(step.lastIndex, 1);
    EXPECT_FALSE(step.monitorChanged);
}

TEST(MonitorTick, MaximisedWindowDroppedOnAnotherDisplayFillsIt)
{
    const pq::MonitorTickStep step = pq::DecideMonitorTick(Tick(0, QRect(1800, 40, 1920, 1040), true));
    EXPECT_EQ(step.action, pq::MonitorAction::Remaximize);
    EXPECT_EQ(step.bounds, QRect(1920, 0, 1280, 984));
    EXPECT_EQ(step.lastIndex, 1);
    EXPECT_TRUE(step.monitorChanged);
}

TEST(MonitorTick, NeverSnapsBackWhileTheWindowIsMoved)
{
    // Mid-drag on the same display and across: the window stays put, and
    // the display is not taken as seen until the drop.
    pq::MonitorTickStep step = pq::DecideMonitorTick(Tick(0, QRect(300, 200, 1920, 1040), true, true));
    EXPECT_EQ(step.action, pq::MonitorAction::None);
    step = pq::DecideMonitorTick(Tick(0, QRect(1800, 40, 1920, 1040), true, true));
    EXPECT_EQ(step.action, pq::MonitorAction::None);
    EXPECT_EQ(step.lastIndex, 0);
    EXPECT_FALSE(step.monitorChanged);
    // Dropped: now it fills the display it is on.
    step = pq::DecideMonitorTick(Tick(step.lastIndex, QRect(1800, 40, 1920, 1040), true));
    EXPECT_EQ(step.action, pq::MonitorAction::Remaximize);
}

TEST(MonitorTick, MaximisedWindowThatNoLongerFillsItsWorkAreaFillsItAgain)
{
    EXPECT_EQ(pq::DecideMonitorTick(Tick(0, QRect(0, 0, 1920, 1040), true)).action, pq::MonitorAction::None);
    EXPECT_EQ(pq::DecideMonitorTick(Tick(0, QRect(1, 0, 1919, 1040), true)).action, pq::MonitorAction::None)
        << "within the margin";
    EXPECT_EQ(pq::DecideMonitorTick(Tick(0, QRect(300, 200, 1500, 800), true)).action,
              pq::MonitorAction::Remaximize);
    EXPECT_EQ(pq::DecideMonitorTick(Tick(0, QRect(0, 0, 1920, 1080), true)).action, pq::MonitorAction::Remaximize)
        << "over the taskbar";
}

TEST(MonitorTick, NormalWindowShrinksIntoASmallerDisplay)
{
    pq::MonitorTickStep step = pq::DecideMonitorTick(Tick(0, QRect(1900, 10, 1500, 900), false));
    EXPECT_EQ(step.action, pq::MonitorAction::Shrink);
    EXPECT_EQ(step.bounds, QRect(1933, 10, 1254, 964));
    EXPECT_EQ(step.lastIndex, 1);
    EXPECT_TRUE(step.monitorChanged);
    // One that fits only follows the display.
    step = pq::DecideMonitorTick(Tick(0, QRect(2000, 10, 900, 700), false));
    EXPECT_EQ(step.action, pq::MonitorAction::None);
    EXPECT_TRUE(step.monitorChanged);
    // On the same display nothing happens.
    step = pq::DecideMonitorTick(Tick(1, QRect(2000, 10, 900, 700), false));
    EXPECT_FALSE(step.monitorChanged);
}

} // namespace
