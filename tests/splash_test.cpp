// The splash: its seven animations sampled in time, its artwork, the
// hand-over, activation during start-up, and the About box.
#include "app/splash.h"
#include "app/startup.h"

#include <QApplication>
#include <QEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "event_loop.h"

namespace {

TEST(SplashTimeline, EachAnimationRunsOnceFromItsDelay)
{
    const pq::SplashLook start = pq::SplashLookAt(0);
    EXPECT_DOUBLE_EQ(start.all, 1.0);
    EXPECT_DOUBLE_EQ(start.backSwirl, 0.4);
    EXPECT_DOUBLE_EQ(start.backShadow, 0.0);
    EXPECT_DOUBLE_EQ(start.glowSoftness, 2.0);
    EXPECT_DOUBLE_EQ(start.logo, 0.0);
    EXPECT_DOUBLE_EQ(start.version, 0.0);
    EXPECT_DOUBLE_EQ(start.versionShadow, 0.0);

    const pq::SplashLook middle = pq::SplashLookAt(1500);
    EXPECT_DOUBLE_EQ(middle.backSwirl, 0.7);
    EXPECT_DOUBLE_EQ(middle.backShadow, 0.4);
    EXPECT_DOUBLE_EQ(middle.glowSoftness, 0.8);
    EXPECT_DOUBLE_EQ(middle.logo, 0.4);
    EXPECT_DOUBLE_EQ(middle.version, 0.16);
    EXPECT_DOUBLE_EQ(middle.versionShadow, 0.85 * 0.16);

    const pq::SplashLook settled = pq::SplashLookAt(3800);
    EXPECT_DOUBLE_EQ(settled.logo, 1.0);
    EXPECT_DOUBLE_EQ(settled.version, 1.0);
    EXPECT_DOUBLE_EQ(settled.versionShadow, 0.85);
    EXPECT_DOUBLE_EQ(settled.all, 1.0);
    EXPECT_DOUBLE_EQ(pq::SplashLookAt(4750).all, 0.5);
    EXPECT_DOUBLE_EQ(pq::SplashLookAt(5500).all, 0.0);

    const pq::SplashLook about = pq::AboutLook();
    EXPECT_DOUBLE_EQ(about.all, 1.0);
    EXPECT_DOUBLE_EQ(about.logo, 1.0);
    EXPECT_DOUBLE_EQ(about.backSwirl, 1.0);
    EXPECT_DOUBLE_EQ(about.glowSoftness, 0.0);
}

TEST(SplashTimeline, TheEnvironmentMayOnlyShortenTheHandOver)
{
    const auto handOverWith = [](const char* value) {
        qputenv("PASTELLOQUIN_SPLASH_MS", value);
        const int ms = pq::SplashHandOverMs();
        qunsetenv("PASTELLOQUIN_SPLASH_MS");
        return ms;
    };
    EXPECT_EQ(handOverWith("40"), 40);
    EXPECT_EQ(handOverWith("0"), 0);
    EXPECT_EQ(handOverWith("60000"), pq::kSplashHandOverMs);
    EXPECT_EQ(handOverWith("-5"), pq::kSplashHandOverMs);
    EXPECT_EQ(handOverWith("soon"), pq::kSplashHandOverMs);
    EXPECT_EQ(pq::SplashHandOverMs(), pq::kSplashHandOverMs);
}

TEST(SplashArtwork, TheBuildDrewEveryPicture)
{
    const pq::SplashArt art = pq::LoadSplashArt();
    ASSERT_TRUE(art.complete());
    EXPECT_EQ(art.background.size(), QSize(1024, 1024));
    EXPECT_EQ(art.backSwirl.size(), QSize(468, 426));
    EXPECT_EQ(art.logo.size(), QSize(440, 100));
    EXPECT_EQ(art.edition.size(), QSize(180, 52));
    // The card is opaque inside and transparent beyond its rounded corners.
    EXPECT_EQ(qAlpha(art.background.pixel(512, 512)), 255);
    EXPECT_EQ(qAlpha(art.background.pixel(0, 0)), 0);
}

TEST(Splash, HandsOverOnceAndKeepsShowingUntilThen)
{
    qputenv("PASTELLOQUIN_SPLASH_MS", "800");
    pq::SplashScreen splash;
    qunsetenv("PASTELLOQUIN_SPLASH_MS");
    QSignalSpy handOver(&splash, &pq::SplashScreen::handOver);
    splash.show();
    // The hand-over waits for the test, however slow the machine: the
    // timer is held while another window takes the activation and started
    // again afterwards.
    ASSERT_TRUE(splash.timer1.isActive());
    EXPECT_EQ(splash.timer1.interval(), 800);
    splash.timer1.stop();
    // Losing activation during start-up does not hide the splash.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.initialSplash);
    EXPECT_EQ(handOver.count(), 0);
    splash.timer1.start(0);
    ASSERT_TRUE(testloop::ProcessUntil([&] { return handOver.count() == 1; }));
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.initialSplash);
    EXPECT_FALSE(splash.timer1.isActive());
}

TEST(Splash, LosingActivationAfterTheHandOverHidesIt)
{
    pq::SplashScreen splash;
    splash.timer1.stop();
    splash.initialSplash = false;
    splash.show();
    splash.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&splash));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, AClickOnTheArtworkOnlyHidesIt)
{
    pq::SplashScreen splash;
    splash.show();
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(256, 256));
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(splash.timer1.isActive()) << "the hand-over still comes";
}

TEST(Splash, TheAboutBoxIsCentredOpaqueAndHidesWhenLeft)
{
    pq::SplashScreen splash;
    splash.timer1.stop();
    splash.initialSplash = false;
    // The window's frame in logical units, whatever the display's scale.
    splash.showAbout(QRect(100, 50, 1001, 800));
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.isAbout());
    EXPECT_EQ(splash.pos(), QPoint(344, 194));
    // Fully shown at once, where the splash had faded out by its end.
    const QImage about = splash.grab().toImage();
    EXPECT_EQ(qAlpha(about.pixel(256, 40)), 255);
    EXPECT_EQ(qAlpha(splash.frameAt(5500).pixel(256, 40)), 0);

    // A click in another window closes it.
    EXPECT_EQ(QApplication::activePopupWidget(), &splash);
    QWidget other;
    other.setGeometry(0, 0, 100, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(splash.isVisible());
    // A second opening shows it fully again.
    splash.showAbout(QRect(0, 0, 512, 512));
    EXPECT_EQ(splash.pos(), QPoint(0, 0));
    EXPECT_EQ(qAlpha(splash.grab().toImage().pixel(256, 40)), 255);
    // The window ends where the card does, compositor or not.
    EXPECT_TRUE(splash.mask().contains(QPoint(256, 256)));
    EXPECT_TRUE(splash.mask().contains(QPoint(256, 1)));
    EXPECT_FALSE(splash.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(splash.mask().contains(QPoint(511, 511)));
}

} // namespace
