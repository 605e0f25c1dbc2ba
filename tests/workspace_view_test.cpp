// The canvas view transform, the split divider, the preview pane's window
// and the display cache.
#include "engine/runtime/preview_window.h"
#include "image_compare.h"
#include "workspace/canvas_zoom.h"
#include "workspace/display_cache.h"
#include "workspace/preview_geometry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

TEST(CanvasZoom, FitCentresAndClamps)
{
    const pq::CanvasTransform fit = pq::FitAndCenter(QSizeF(800, 600), QSize(100, 50));
    EXPECT_FLOAT_EQ(fit.zoom, 8.0f);
    EXPECT_EQ(fit.pan, QPointF(0, 100));
    // The lower bound, not the exact fit.
    EXPECT_FLOAT_EQ(pq::FitAndCenter(QSizeF(800, 600), QSize(20000, 100)).zoom, 0.1f);
    EXPECT_FLOAT_EQ(pq::FitAndCenter(QSizeF(800, 600), QSize(2, 2)).zoom, 10.0f);
    EXPECT_EQ(pq::PaintBoxSize(QSize(100, 50), 8.0f, QSize(800, 600)), QSize(800, 600));
    EXPECT_EQ(pq::PaintBoxSize(QSize(1000, 500), 2.5f, QSize(800, 600)), QSize(2500, 1250));
}

TEST(CanvasZoom, WheelStepsSnapNearOneAndButtonsDoNot)
{
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(0.93f, 120), 1.0f);
    EXPECT_EQ(pq::ZoomPercent(pq::WheelZoomStep(0.93f, 120)), 100);
    // The factor comes from the zoom before the step.
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(0.4f, 120), 0.4f * 1.03f);
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(0.5f, 120), 0.5f * 1.08f);
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(1.5f, -120), 1.5f / 1.12f);
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(10.0f, 120), 10.0f);
    EXPECT_FLOAT_EQ(pq::WheelZoomStep(0.1f, -120), 0.1f);
    const float button = pq::ButtonZoomStep(0.91f, true);
    EXPECT_FLOAT_EQ(button, 0.91f * 1.1f);
    EXPECT_NE(button, 1.0f);
    EXPECT_EQ(pq::ZoomPercent(button), 100);
    EXPECT_FLOAT_EQ(pq::ButtonZoomStep(0.1f, false), 0.1f);
}

TEST(CanvasZoom, ZoomKeepsTheAnchorPointInPlace)
{
    const pq::CanvasTransform before{0.5f, QPointF(-40, 25)};
    const QPointF anchor(300, 200);
    const QPointF imagePoint = (anchor - before.pan) / 0.5;
    const pq::CanvasTransform after = pq::ZoomAbout(before, anchor, 2.0f);
    EXPECT_NEAR(after.pan.x() + imagePoint.x() * 2.0, anchor.x(), 1e-9);
    EXPECT_NEAR(after.pan.y() + imagePoint.y() * 2.0, anchor.y(), 1e-9);
}

TEST(SplitDivider, SpansTheVisiblePartOfTheImage)
{
    // Image 400 x 300 shown at (50, -100): its top is above the viewport.
    const pq::DividerPlacement above = pq::PlaceDivider(200, QPointF(50, -100), QSizeF(400, 300), 500);
    ASSERT_TRUE(above.visible);
    EXPECT_DOUBLE_EQ(above.top, 0);
    EXPECT_DOUBLE_EQ(above.height, 200);
    EXPECT_DOUBLE_EQ(above.dividerX, 200);
    // Beyond the image's edges the divider stops at them.
    EXPECT_DOUBLE_EQ(pq::PlaceDivider(10, QPointF(50, 0), QSizeF(400, 300), 500).dividerX, 50);
    EXPECT_DOUBLE_EQ(pq::PlaceDivider(900, QPointF(50, 0), QSizeF(400, 300), 500).dividerX, 450);
    EXPECT_DOUBLE_EQ(pq::PlaceDivider(100, QPointF(0, 300), QSizeF(400, 300), 500).height, 200);
    // Wholly below or above the viewport: hidden.
    EXPECT_FALSE(pq::PlaceDivider(100, QPointF(0, 520), QSizeF(400, 300), 500).visible);
    EXPECT_FALSE(pq::PlaceDivider(100, QPointF(0, -320), QSizeF(400, 300), 500).visible);
}

TEST(PaneWindow, ZoomStepsStopAtTheBounds)
{
    float zoom = 1.0f;
    for (int i = 0; i < 40; ++i)
        zoom = pq::PaneWheelZoom(zoom, 120);
    EXPECT_FLOAT_EQ(zoom, 5.0f);
    for (int i = 0; i < 40; ++i)
        zoom = pq::PaneWheelZoom(zoom, -120);
    EXPECT_FLOAT_EQ(zoom, 0.25f);
    EXPECT_FLOAT_EQ(pq::PaneWheelZoom(1.0f, 120), 1.1f);
    EXPECT_FLOAT_EQ(pq::PaneButtonZoom(1.0f, true), 1.2f);
    EXPECT_FLOAT_EQ(pq::PaneButtonZoom(4.5f, true), 5.0f);
    EXPECT_FLOAT_EQ(pq::PaneButtonZoom(0.26f, false), 0.25f);
}

TEST(PaneWindow, OriginStaysInsideTheSource)
{
    const QSizeF pane(225, 225);
    // At zoom 5 the window is 45 wide: panning reaches the last 45 pixels.
    EXPECT_EQ(pq::ClampPaneOrigin(QPoint(990, 990), QSize(1000, 800), pane, 5.0f), QPoint(955, 755));
    EXPECT_EQ(pq::ClampPaneOrigin(QPoint(-50, -60), QSize(100, 80), pane, 1.0f), QPoint(0, 0));
    // A source narrower than the window stays at 0.
    EXPECT_EQ(pq::ClampPaneOrigin(QPoint(30, 30), QSize(600, 600), pane, 0.25f), QPoint(0, 0));
    // Dragging moves the picture with the mouse.
    EXPECT_EQ(pq::PannedPaneOrigin(QPoint(100, 100), QPointF(-20, 10), QSize(1000, 800), pane, 2.0f),
              QPoint(110, 95));
    EXPECT_EQ(pq::PannedPaneOrigin(QPoint(100, 100), QPointF(-5000, 5000), QSize(1000, 800), pane, 1.0f),
              QPoint(775, 0));
}

// Whatever origin the pane stores is the one a preview run keeps, and
// panning to the far edge shows the source's last column. Zoom 2 on an odd
// pane makes windows of half pixels (112.5, 113.5), where rounding the
// window's extent and rounding the far edge can part.
TEST(PaneWindow, APreviewRunKeepsTheOriginThePaneStores)
{
    QString faults;
    auto fault = [&](int side, float zoom, int width, size_t k, const char* what) {
        faults += QString(" [pane %1 zoom %2 source %3 case %4: %5]").arg(side).arg(zoom).arg(width).arg(k).arg(what);
    };
    for (const int side : {224, 225, 227}) {
        const QSizeF pane(side, side);
        for (const float zoom : {0.25f, 0.9090909f, 1.0f, 1.1f, 1.2f, 2.0f, 4.0f, 5.0f}) {
            const int extent = pq::PreviewExtent(side, zoom);
            for (int width = 40; width <= 1100; width += 3) {
                const QSize source(width, width + 1);
                const QPoint stored[] = {
                    pq::ClampPaneOrigin(QPoint(width, width), source, pane, zoom),
                    pq::PannedPaneOrigin(QPoint(0, 0), QPointF(-1e6, -1e6), source, pane, zoom),
                    pq::PannedPaneOrigin(QPoint(width / 3, width / 3), QPointF(-side / 2.0, -side / 2.0), source,
                                         pane, zoom),
                };
                for (size_t k = 0; k < std::size(stored); ++k) {
                    int x = stored[k].x();
                    int y = stored[k].y();
                    pq::ClampPreviewOrigin(source, side, side, zoom, x, y);
                    if (QPoint(x, y) != stored[k])
                        fault(side, zoom, width, k, "moved");
                }
                // Pulled or panned to the far corner, the window ends at the source's edges.
                for (size_t k = 0; k < 2; ++k) {
                    const QRect w = pq::PreviewWindow(source, side, side, zoom, stored[k].x(), stored[k].y());
                    if (w.x() + w.width() != width || w.y() + w.height() != width + 1 ||
                        w.width() != std::min(extent, width))
                        fault(side, zoom, width, k, "short");
                }
            }
        }
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.toStdString();
}

TEST(PaneWindow, PaneShowsTheWindowAndWhiteBeyondTheSource)
{
    const gfx::Image source = testimg::MakeSolid(600, 600, testimg::Premul(200, 30, 30));
    const QImage pane = pq::RenderPaneSource(source, QPoint(0, 0), QSize(225, 225), 0.25f);
    ASSERT_EQ(pane.size(), QSize(225, 225));
    EXPECT_EQ(pane.pixel(10, 10), qRgb(200, 30, 30));
    EXPECT_EQ(pane.pixel(140, 140), qRgb(200, 30, 30));
    EXPECT_EQ(pane.pixel(160, 10), qRgb(255, 255, 255)) << "beyond the 150 pixels the source covers";
    EXPECT_EQ(pane.pixel(10, 220), qRgb(255, 255, 255));

    // Zoom 1: an unscaled copy of the window.
    const gfx::Image ramp = testimg::MakeRamp(400, 300);
    const QImage copy = pq::RenderPaneSource(ramp, QPoint(100, 50), QSize(225, 225), 1.0f);
    EXPECT_EQ(copy.pixel(0, 0), ramp.qimage().pixel(100, 50));
    EXPECT_EQ(copy.pixel(224, 224), ramp.qimage().pixel(324, 274));
}

bool WaitFor(const std::function<bool()>& pred)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return pred();
}

TEST(DisplayCache, PreparesMitchellPicturesInTheBackground)
{
    pq::DisplayCache cache;
    int ready = 0;
    QObject::connect(&cache, &pq::DisplayCache::ready, [&] { ++ready; });
    const gfx::Image image = testimg::MakeSolid(400, 200, testimg::Premul(10, 200, 90));
    // Reduced: the whole image at the display scale, placed at the origin.
    const pq::DisplayCache::CanvasPicture reduced{image, 0.5, QPointF(20.4, 30.6), QSize(300, 300)};
    QPoint at;
    EXPECT_TRUE(cache.picture(reduced, &at).isNull()) << "not ready at once";
    ASSERT_TRUE(WaitFor([&] { return ready > 0; }));
    QImage picture = cache.picture(reduced, &at);
    ASSERT_EQ(picture.size(), QSize(200, 100));
    EXPECT_EQ(at, QPoint(20, 31));
    EXPECT_EQ(picture.pixel(100, 50), qRgb(10, 200, 90));
    // Panning a reduced view needs no new picture.
    EXPECT_FALSE(cache.picture({image, 0.5, QPointF(-70, 5), QSize(300, 300)}, &at).isNull());
    EXPECT_EQ(at, QPoint(-70, 5));

    // Enlarged: only the visible part.
    const pq::DisplayCache::CanvasPicture enlarged{image, 4.0, QPointF(-100, -50), QSize(300, 200)};
    EXPECT_TRUE(cache.picture(enlarged, &at).isNull());
    ASSERT_TRUE(WaitFor([&] { return !cache.picture(enlarged, &at).isNull(); }));
    picture = cache.picture(enlarged, &at);
    EXPECT_EQ(QRect(at, picture.size()), QRect(0, 0, 300, 200));
    EXPECT_EQ(picture.pixel(150, 100), qRgb(10, 200, 90));
}

} // namespace
