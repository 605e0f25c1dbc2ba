// The combine panel's view: where the base sits, how the wheel zooms about
// the mouse, the base alone while a button is held, and the composite kept
// per amount and mode.
#include "image_compare.h"
#include "panels/blend_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

using testimg::MakeSolid;
using testimg::Premul;

class BlendViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(400, 300);
        view.show();
        view.setImages(MakeSolid(200, 100, Premul(200, 100, 0)), MakeSolid(200, 100, Premul(0, 100, 200)));
    }
    void press(QEvent::Type type, Qt::MouseButton button, QPointF at = {50, 50})
    {
        QMouseEvent event(type, at, view.mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    pq::BlendView view;
};

TEST_F(BlendViewTest, TheBaseIsCentredAtItsOwnSize)
{
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.pan(), QPointF(100, 100));
    view.resize(600, 300);
    EXPECT_EQ(view.pan(), QPointF(200, 100)) << "until the user moves it, the base stays centred";
}

TEST_F(BlendViewTest, TheWheelZoomsAboutTheMouseWithinItsLimits)
{
    const QPointF mouse(150, 120);
    const QPointF imagePoint = (mouse - view.pan()) / view.zoom();
    view.wheel(120, mouse);
    EXPECT_DOUBLE_EQ(view.zoom(), 1.1);
    const QPointF after = (mouse - view.pan()) / view.zoom();
    EXPECT_NEAR(after.x(), imagePoint.x(), 1e-9);
    EXPECT_NEAR(after.y(), imagePoint.y(), 1e-9);
    for (int i = 0; i < 100; ++i)
        view.wheel(120, mouse);
    EXPECT_EQ(view.zoom(), pq::BlendView::kMaxZoom);
    for (int i = 0; i < 200; ++i)
        view.wheel(-120, mouse);
    EXPECT_EQ(view.zoom(), pq::BlendView::kMinZoom);
}

TEST_F(BlendViewTest, AHeldButtonShowsTheBaseAndTheLeftOnePans)
{
    press(QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(view.showingBase());
    press(QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_FALSE(view.showingBase());

    press(QEvent::MouseButtonPress, Qt::LeftButton, {50, 50});
    EXPECT_TRUE(view.showingBase());
    press(QEvent::MouseMove, Qt::LeftButton, {70, 45});
    EXPECT_EQ(view.pan(), QPointF(120, 95));
    press(QEvent::MouseButtonRelease, Qt::LeftButton, {70, 45});
    EXPECT_FALSE(view.showingBase());
    view.resize(500, 300);
    EXPECT_EQ(view.pan(), QPointF(120, 95)) << "a panned view is not recentred";
}

TEST_F(BlendViewTest, TheCompositeIsKeptUntilTheAmountOrModeChanges)
{
    view.setBlend(gfx::CombineMode::Normal, 0.5f);
    const gfx::Image first = view.composite();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(view.composite().sameAs(first));
    EXPECT_LE(testimg::MaxChannelDifference(first.pixel(5, 5), Premul(100, 100, 100)), 1);
    view.setBlend(gfx::CombineMode::Normal, 0.5f);
    EXPECT_TRUE(view.composite().sameAs(first)) << "the same blend again";
    view.setBlend(gfx::CombineMode::Darken, 1.0f);
    const gfx::Image darker = view.composite();
    EXPECT_FALSE(darker.sameAs(first));
    EXPECT_EQ(darker.pixel(5, 5), Premul(0, 100, 200)) << "luma 95.6 below 113.6: the blend pixel";
}

} // namespace
