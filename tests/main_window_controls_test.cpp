// Controls of the window that must stay where and as the user expects
// them: the resize edges after a move of the maximised window, Ctrl+L with
// the language choice open, "Apply effect" for every effect, the progress
// bar's contrast in both themes and the batch dialog's photo types.
#include "app/batch_mode.h"
#include "app/interface_languages.h"
#include "app/main_menu.h"
#include "app/main_window.h"
#include "app/monitor_watch.h"
#include "app/title_bar.h"
#include "app/window_chrome.h"
#include "app/window_edges.h"
#include "app/window_geometry.h"
#include "gfx/codec.h"
#include "image_compare.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "workspace/effect_panel.h"

#include <QCoreApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testloop::ProcessUntil;

class Controls : public testwindow::MainWindowTest {
protected:
    void TearDown() override
    {
        if (pq::gThemeMode != pq::ThemeMode::Dark)
            window->applyTheme(pq::ThemeMode::Dark);
        MainWindowTest::TearDown();
    }

    // A press on the title bar held until the move starts.
    void holdTitleBar()
    {
        pq::TitleBar& bar = window->titleBar();
        const QPoint at(300, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&bar, &press);
        window->chrome().startMove();
    }
    bool edgesShown() const { return window->edges().strip(pq::ResizeTag::Left)->isVisible(); }
};

TEST_F(Controls, AMoveOfTheMaximisedWindowShowsTheResizeEdges)
{
    pq::WindowChrome& chrome = window->chrome();
    chrome.systemMove = [] { return true; };
    bool held = true;
    chrome.leftButtonDown = [&held] { return held; };
    ASSERT_TRUE(window->maximizedToWorkArea());
    EXPECT_FALSE(edgesShown()) << "the window's own maximise hides them";

    holdTitleBar();
    ASSERT_TRUE(chrome.systemMoving());
    EXPECT_TRUE(edgesShown()) << "the move shows them";

    // Dropped off the work area: the watch maximises it again, the edges
    // stay.
    window->move(window->pos() + QPoint(40, 25));
    held = false;
    chrome.tick();
    window->monitorWatch().tick(); // the first tick only records the display
    window->monitorWatch().tick();
    EXPECT_EQ(window->geometry(), window->screen()->availableGeometry());
    EXPECT_TRUE(window->maximizedToWorkArea());
    EXPECT_TRUE(edgesShown());

    // The button's maximise hides them again, its restore shows them.
    window->toggleMaximized();
    EXPECT_TRUE(edgesShown());
    window->toggleMaximized();
    EXPECT_FALSE(edgesShown());
}

TEST_F(Controls, AClickShorterThanTheHoldLeavesTheEdgesHidden)
{
    ASSERT_TRUE(window->maximizedToWorkArea());
    pq::TitleBar& bar = window->titleBar();
    const QPoint at(300, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, bar.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &release);
    window->chrome().startMove(); // the timer would find nothing pending
    EXPECT_FALSE(edgesShown());
}

TEST_F(Controls, ControlLClosesTheMenuWhileTheLanguageChoiceIsOpen)
{
    pq::MainMenu& menu = window->mainMenu();
    const auto controlL = [&] {
        return window->commands().handleKey(Qt::Key_L, QStringLiteral("l"), Qt::ControlModifier, false);
    };
    ASSERT_TRUE(controlL());
    ASSERT_TRUE(menu.isVisible());
    QFrame* popup = window->languages().popup();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->isVisible());

    EXPECT_TRUE(controlL());
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(menu.isVisible());

    // With the menu open but the choice closed, Ctrl+L opens the choice.
    window->commands().run(QStringLiteral("menu"));
    ASSERT_TRUE(menu.isVisible());
    ASSERT_FALSE(popup->isVisible());
    EXPECT_TRUE(controlL());
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(popup->isVisible());
}

TEST_F(Controls, ApplyEffectStaysInPlaceForEveryEffect)
{
    pq::EffectPanel& panel = window->effectPanel();
    auto* apply = panel.findChild<QPushButton*>(QStringLiteral("applyButton"));
    QWidget* contours = panel.findChild<QWidget*>(QStringLiteral("contourSwitch"));
    ASSERT_NE(apply, nullptr);
    ASSERT_NE(contours, nullptr);
    const auto applyAt = [&](int effect) {
        window->selectListedEffect(effect / 100, effect % 100);
        QCoreApplication::processEvents();
        return apply->mapTo(window.get(), QPoint(0, 0));
    };
    const QPoint usual = applyAt(300);
    EXPECT_FALSE(contours->isVisible());
    for (const int effect : {500, 502, 503}) {
        EXPECT_EQ(applyAt(effect), usual) << effect;
        EXPECT_TRUE(contours->isVisible()) << effect;
        EXPECT_GT(contours->mapTo(window.get(), QPoint(0, 0)).y(), usual.y() + apply->height()) << "below the button";
    }
    for (const int effect : {501, 100, 404}) {
        EXPECT_EQ(applyAt(effect), usual) << effect;
        EXPECT_FALSE(contours->isVisible()) << effect;
    }
}

// Relative luminance and contrast ratio of two opaque colours.
double Luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A translucent colour over an opaque one.
QRgb Over(const QColor& top, QRgb under)
{
    const double a = top.alphaF();
    const auto mix = [a](int t, int u) { return int(std::lround(t * a + u * (1 - a))); };
    return qRgb(mix(top.red(), qRed(under)), mix(top.green(), qGreen(under)), mix(top.blue(), qBlue(under)));
}

TEST(ProgressColors, TheDesignedHalfWhiteBarFailsOnTheLightStripTheChosenOnesPass)
{
    const QRgb lightStrip = pq::LightPalette().frame.rgb();
    EXPECT_LT(Contrast(Over(QColor(255, 255, 255, 128), lightStrip), lightStrip), 4.5) << "the check can fail";
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        const QRgb strip = (mode == pq::ThemeMode::Light ? pq::LightPalette() : pq::DarkPalette()).frame.rgb();
        const pq::ProgressBarColors colors = pq::TitleProgressColors(mode);
        const QRgb bar = Over(colors.bar, strip);
        EXPECT_GE(Contrast(bar, strip), 4.5) << int(mode);
        EXPECT_GE(Contrast(colors.text.rgb(), bar), 4.5) << int(mode);
    }
}

TEST_F(Controls, TheProgressBarStandsOutFromTheTitleStripInBothThemes)
{
    // A run is recorded, so that the housekeeping tick leaves the bar up.
    doc().runningEffect = 300;
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        window->applyTheme(mode);
        pq::TitleBar& bar = window->titleBar();
        bar.updateProgressBar(101);
        bar.updateProgressBar(60);
        QWidget* progress = bar.progressBar();
        const int target = std::max(0, (bar.width() - 170) * 60 / 100);
        ASSERT_TRUE(ProcessUntil([&] { return progress->width() == target; }, 20000)) << progress->width();
        const QImage shot = window->grab().toImage();
        const QPoint origin = progress->mapTo(window.get(), QPoint(0, 0));
        const double dpr = shot.devicePixelRatio();
        const auto at = [&](int x, int y) { return shot.pixel(int(x * dpr), int(y * dpr)); };
        // Inside the bar left of the label, and the strip right of the bar.
        const QRgb fill = at(origin.x() + 20, origin.y() + progress->height() / 2);
        const QRgb strip = at(origin.x() + target + 30, origin.y() + progress->height() / 2);
        EXPECT_GE(Contrast(fill, strip), 4.5) << (mode == pq::ThemeMode::Light ? "light" : "dark");
        bar.updateProgressBar(101);
    }
    doc().runningEffect = -1;
}

TEST_F(Controls, TheBatchDialogOffersWebPAndOpensIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = dir.filePath(QStringLiteral("photo.webp"));
    ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(120, 80, 3), photo, gfx::ImageFormat::WebP, 80));
    QString filter;
    window->dialogs().openFiles = [&](const QString&, const QString& shown) {
        filter = shown;
        return QStringList{photo};
    };
    window->batch().open();
    const QString photos = filter.section(QStringLiteral(";;"), 0, 0);
    for (const char* pattern : {"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.webp"})
        EXPECT_TRUE(photos.contains(QLatin1String(pattern))) << pattern << " in " << photos.toStdString();
    EXPECT_FALSE(photos.contains(QLatin1String("*.gif")));
    EXPECT_EQ(doc().resultImage.size(), QSize(120, 80)) << "the first photo opens";
    EXPECT_EQ(window->batch().files(), QStringList{photo});
    window->batch().closeStartPanel();
}

} // namespace
