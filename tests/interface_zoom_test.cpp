// The interface zoom in the window: the zoom window, the setting, the
// window laid out at the applied scale, and the window's own chrome on
// the screen it is shown on.
#include "app/interface_zoom.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "app/window_chrome.h"
#include "app/window_edges.h"
#include "app/window_geometry.h"
#include "app/zoom_window.h"
#include "engine/runtime/effect_runtime.h"
#include "event_loop.h"
#include "platform/numeric.h"
#include "platform/ui_bridge.h"
#include "ui/interface_scale.h"
#include "ui/settings.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testloop::ProcessUntil;

QString Setting()
{
    return pq::GetSetting(QStringLiteral("uizoom"), QStringLiteral("absent"));
}

class ZoomTest : public ::testing::Test {
protected:
    void SetUp() override { start(QStringLiteral("100")); }
    void TearDown() override
    {
        window.reset();
        pq::SetSetting(QStringLiteral("uizoom"), QStringLiteral("100"));
        pq::SetInterfaceScale(1.0);
    }

    void start(const QString& setting)
    {
        window.reset();
        pq::SetSetting(QStringLiteral("uizoom"), setting);
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->show();
        ASSERT_TRUE(ProcessUntil([&] { return window->initialized; }));
    }

    pq::InterfaceZoom& zoom() { return window->zoom(); }
    QSlider* track() { return zoom().window()->trackBar(); }

    std::unique_ptr<pq::MainWindow> window;
};

TEST_F(ZoomTest, DraggingChangesOnlyTheCaptionTheReleaseAppliesAndSaves)
{
    window->commands().run(QStringLiteral("interfaceSize"));
    ASSERT_TRUE(zoom().windowOpen());
    EXPECT_EQ(track()->value(), 100);
    track()->setSliderDown(true);
    track()->setValue(130);
    EXPECT_EQ(zoom().window()->valueLabel()->text(), QStringLiteral("Interface size: 130%"));
    EXPECT_EQ(zoom().percent(), 100);
    ASSERT_TRUE(zoom().window()->applyTimer().isActive());
    ProcessUntil([] { return false; }, 400); // two ticks of the apply timer
    EXPECT_EQ(zoom().percent(), 100) << "the tick waits for the release";
    EXPECT_EQ(Setting(), QStringLiteral("100"));
    track()->setSliderDown(false); // the release
    EXPECT_EQ(zoom().percent(), 130);
    EXPECT_EQ(Setting(), QStringLiteral("130"));
    EXPECT_DOUBLE_EQ(pq::InterfaceScale(), pq::AppliedScale(1.3));
    // OK keeps it.
    zoom().window()->okButton()->click();
    EXPECT_FALSE(zoom().windowOpen());
    EXPECT_EQ(zoom().percent(), 130);
    EXPECT_EQ(Setting(), QStringLiteral("130"));
}

TEST_F(ZoomTest, ClosingRestoresTheZoomAndTheRawSetting)
{
    start(QStringLiteral(" 080"));
    EXPECT_EQ(zoom().percent(), 80);
    zoom().showWindow();
    track()->setValue(120); // a key step applies at once
    EXPECT_EQ(zoom().percent(), 120);
    EXPECT_EQ(Setting(), QStringLiteral("120"));
    // Esc closes it.
    EXPECT_TRUE(window->boxKeys.escape());
    EXPECT_FALSE(zoom().windowOpen());
    EXPECT_EQ(zoom().percent(), 80);
    EXPECT_EQ(Setting(), QStringLiteral(" 080")) << "the raw value comes back";
}

TEST_F(ZoomTest, AnAbsentSettingStaysAbsent)
{
    start(QString());
    const float automatic = zoom().zoom();
    EXPECT_EQ(Setting(), QStringLiteral("absent"));
    zoom().showWindow();
    track()->setValue(145);
    EXPECT_EQ(Setting(), QStringLiteral("145"));
    zoom().closeClicked();
    EXPECT_EQ(Setting(), QStringLiteral("absent"));
    EXPECT_FLOAT_EQ(zoom().zoom(), float(platform::Round(automatic * 100)) / 100.0f);
}

TEST_F(ZoomTest, TheWindowIsLaidOutAtTheAppliedScale)
{
    pq::TitleBar& bar = window->titleBar();
    EXPECT_EQ(bar.height(), 34);
    zoom().apply(1.5f, false);
    EXPECT_DOUBLE_EQ(pq::WidgetScale(window.get()), 1.5);
    EXPECT_EQ(bar.height(), 51);
    EXPECT_EQ(window->minimumSize(),
              pq::MinimumWindowSize(window->screen()->availableGeometry().size(), 1.5));
    EXPECT_TRUE(window->commands().find(QStringLiteral("interfaceSize")));
    zoom().apply(0.5f, false);
    EXPECT_EQ(bar.height(), 17);
    zoom().apply(1.0f, false);
    EXPECT_EQ(bar.height(), 34);
    EXPECT_FALSE(zoom().updateScale()) << "already at the scale";
    EXPECT_EQ(Setting(), QStringLiteral("100")) << "applied without saving";
}

TEST_F(ZoomTest, TheLogoIsDrawnAtTheStartUpZoom)
{
    const auto logoWidth = [this] {
        const auto* logo = window->toolBar().findChild<QLabel*>(QStringLiteral("logoLabel"));
        return logo ? logo->pixmap().deviceIndependentSize().width() : 0.0;
    };
    const double atDesignSize = logoWidth();
    ASSERT_GT(atDesignSize, 0.0);
    start(QStringLiteral("150"));
    // The name is set in a whole pixel size: within 3 % of the proportion.
    EXPECT_NEAR(logoWidth(), 1.5 * atDesignSize, 0.03 * 1.5 * atDesignSize);
}

TEST_F(ZoomTest, PanelsTakeTheScaleAsTheyArePlaced)
{
    zoom().apply(1.5f, false);
    auto* panel = new QWidget;
    panel->setFixedSize(200, 100);
    window->documentPanels(); // the host exists
    QWidget* host = window->findChild<QWidget*>(QStringLiteral("overlayHost"));
    ASSERT_NE(host, nullptr);
    panel->setParent(host);
    EXPECT_EQ(panel->size(), QSize(300, 150));
}

// A press, moves and a release on a resize strip, in screen coordinates.
void DragStrip(QWidget* strip, QPoint from, QPoint to)
{
    const QPointF local = strip->mapFromGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, local, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &press);
    QMouseEvent move(QEvent::MouseMove, local, QPointF(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &release);
}

// The window on the screen it is shown on, for each stored zoom. Run
// under Xvfb with QT_QPA_PLATFORM=xcb for a real X server;
// PQ_ZOOM_SHOTS=folder saves a picture of the window at each zoom.
class WindowOnScreen : public ZoomTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {}
};

TEST_P(WindowOnScreen, CoversTheScreenRestoresAndResizesToItsMinimum)
{
    start(QString::fromLatin1(GetParam()));
    const QRect work = window->screen()->availableGeometry();
    ASSERT_TRUE(ProcessUntil([&] { return window->geometry() == work; }, 3000))
        << "covers the work area " << window->geometry().x() << "," << window->geometry().y() << " "
        << window->geometry().width() << "x" << window->geometry().height() << " min "
        << window->minimumWidth() << "x" << window->minimumHeight();
    const double scale = pq::AppliedScale(zoom().zoom());
    EXPECT_DOUBLE_EQ(pq::WidgetScale(window.get()), scale);
    if (const char* folder = std::getenv("PQ_ZOOM_SHOTS")) {
        QCoreApplication::processEvents();
        window->grab().save(QStringLiteral("%1/zoom_%2.png").arg(QString::fromLocal8Bit(folder)).arg(zoom().percent()));
    }

    // The maximise button restores it to 90 % of the work area, centred.
    window->titleBar().findChild<QAbstractButton*>(QStringLiteral("maximizeButton"))->click();
    const QRect restored = pq::RestoreRectForWorkArea(work, window->minimumSize());
    ASSERT_TRUE(ProcessUntil([&] { return window->geometry() == restored; }, 3000))
        << window->geometry().width() << "x" << window->geometry().height();
    EXPECT_FALSE(window->maximizedToWorkArea());

    // The left edge dragged far right stops at the minimum width.
    QCoreApplication::processEvents();
    QWidget* left = window->edges().strip(pq::ResizeTag::Left);
    ASSERT_TRUE(left->isVisible());
    const QRect before = window->geometry();
    const QPoint from = left->mapToGlobal(QPoint(2, 10));
    DragStrip(left, from, from + QPoint(5000, 0));
    // A small screen may have the restored window at its minimum already.
    ProcessUntil([&] { return window->geometry() != before; }, 1000);
    const QSize minimum = pq::MinimumWindowSize(work.size(), scale);
    EXPECT_EQ(window->minimumSize(), minimum);
    EXPECT_EQ(window->geometry().width(), minimum.width());
    EXPECT_EQ(window->geometry().right(), before.right()) << "the right edge stays";
    if (work.width() == 1920 && work.height() == 1080) {
        EXPECT_EQ(minimum.width(), platform::Round(1080 * scale));
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, WindowOnScreen, ::testing::Values("50", "100", "150", ""));

TEST_F(ZoomTest, ATitleBarClickShorterThanTheHoldNeverMoves)
{
    pq::WindowChrome& chrome = window->chrome();
    pq::TitleBar& bar = window->titleBar();
    const QPoint at(300, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &press);
    EXPECT_TRUE(chrome.movePendingOrRunning());
    EXPECT_TRUE(chrome.highlighted());
    QMouseEvent release(QEvent::MouseButtonRelease, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &release);
    EXPECT_FALSE(chrome.movePendingOrRunning());
    EXPECT_FALSE(chrome.highlighted());
    EXPECT_FALSE(chrome.moveTimer().isActive());
}

TEST_F(ZoomTest, WhereTheSystemRefusesTheMoveTheWindowFollowsTheMouse)
{
    pq::WindowChrome& chrome = window->chrome();
    chrome.systemMove = [] { return false; };
    pq::TitleBar& bar = window->titleBar();
    const QPoint at(300, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &press);
    chrome.startMove(); // held 200 ms
    ASSERT_TRUE(chrome.movingOurselves());
    const QPoint start = window->pos();
    const QPoint grab = QCursor::pos();
    QMouseEvent move(QEvent::MouseMove, at, QPointF(grab + QPoint(40, 25)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &move);
    EXPECT_EQ(window->pos(), start + QPoint(40, 25));
    QMouseEvent release(QEvent::MouseButtonRelease, at, QPointF(grab + QPoint(40, 25)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &release);
    EXPECT_FALSE(chrome.movePendingOrRunning());
    EXPECT_FALSE(chrome.highlighted());
}

TEST_F(ZoomTest, TheHighlightEndsAfterASystemMoveWhoseReleaseNeverCame)
{
    pq::WindowChrome& chrome = window->chrome();
    chrome.systemMove = [] { return true; };
    bool held = true;
    chrome.leftButtonDown = [&held] { return held; };
    pq::TitleBar& bar = window->titleBar();
    const auto startMove = [&] {
        const QPoint at(300, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&bar, &press);
        chrome.startMove();
    };
    startMove();
    ASSERT_TRUE(chrome.systemMoving());
    EXPECT_TRUE(chrome.highlighted());
    // The system moves the window; the toolkit still sees the button held.
    chrome.tick();
    EXPECT_TRUE(chrome.movePendingOrRunning());
    // The release went to the system; the next mouse event over the window
    // says the button is up.
    QWidget* canvas = window->findChild<QWidget*>(QStringLiteral("windowFrame"));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas->findChild<QWidget*>(), &move);
    EXPECT_FALSE(chrome.movePendingOrRunning());
    EXPECT_FALSE(chrome.highlighted());
    // Or the housekeeping tick finds the button up.
    startMove();
    ASSERT_TRUE(chrome.systemMoving());
    held = false;
    chrome.tick();
    EXPECT_FALSE(chrome.movePendingOrRunning());
    EXPECT_FALSE(chrome.highlighted());
}

} // namespace
