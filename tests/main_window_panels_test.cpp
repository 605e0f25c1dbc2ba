// The overlay panels over the main window: opening and closing through the
// host, the resize and combine panels as a user drives them, and the
// full-screen viewer.
#include "app/document_panels.h"
#include "app/main_window.h"
#include "app/panel_host.h"
#include "engine/runtime/effect_runtime.h"
#include "image_compare.h"
#include "panels/combine_panel.h"
#include "panels/full_screen_view.h"
#include "panels/number_box.h"
#include "panels/overlay_host.h"
#include "panels/resize_panel.h"
#include "platform/ui_bridge.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document_actions.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testloop::ProcessUntil;
using testimg::MakeSolid;
using testimg::Premul;

class Panels : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1400, 900); }

    void openDocument(const gfx::Image& source, const gfx::Image& result)
    {
        ASSERT_TRUE(window->documentActions().showAsNewDocument(source, 100));
        if (!result.sameAs(source)) {
            doc().resultImage = result;
            doc().history->save(result, source);
        }
    }
    pq::PanelHost& host() { return window->panels(); }
    QWidget* openPanel() { return host().backdropPanelOpen() ? host().overlay()->panel() : nullptr; }
    bool key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
    {
        return window->commands().handleKey(k, text, modifiers, false);
    }
};

TEST_F(Panels, WhileAPanelIsOpenOtherOpenersAndDocumentCommandsWait)
{
    const gfx::Image photo = MakeSolid(200, 100, Premul(10, 20, 30));
    openDocument(photo, photo);
    EXPECT_TRUE(key(Qt::Key_R, Qt::ControlModifier, QStringLiteral("r")));
    auto* resize = qobject_cast<pq::ResizePanel*>(openPanel());
    ASSERT_NE(resize, nullptr);

    // The other openers leave the open panel alone.
    window->documentPanels().showCombinePanel(doc().sourceImage);
    window->documentPanels().showResizePanel();
    host().chooseLUT();
    EXPECT_FALSE(window->commands().run(QStringLiteral("combine")));
    EXPECT_FALSE(key(Qt::Key_F11)) << "the key goes on to the panel";
    EXPECT_EQ(openPanel(), resize);

    // Document commands do nothing; Esc still stops work.
    const int steps = doc().history->count();
    EXPECT_FALSE(window->commands().run(QStringLiteral("undo")));
    EXPECT_FALSE(key(Qt::Key_Z, Qt::ControlModifier, QStringLiteral("z")));
    EXPECT_EQ(doc().history->count(), steps);
    const uint64_t epoch = doc().shared->cancel.epoch();
    key(Qt::Key_Escape);
    EXPECT_GT(doc().shared->cancel.epoch(), epoch);

    host().closeOverlay();
    EXPECT_TRUE(window->commands().run(QStringLiteral("undo")));
    EXPECT_TRUE(window->commands().run(QStringLiteral("combine")));
    EXPECT_NE(qobject_cast<pq::CombinePanel*>(openPanel()), nullptr);
}

TEST_F(Panels, APanelClosesAfterItsHandlerHasReturned)
{
    const gfx::Image photo = MakeSolid(120, 90, Premul(200, 100, 0));
    openDocument(photo, photo);
    window->documentPanels().showResizePanel();
    QPointer<pq::ResizePanel> panel = qobject_cast<pq::ResizePanel*>(openPanel());
    ASSERT_TRUE(panel);
    bool aliveAfterClick = false;
    QObject::connect(panel->cancelButton, &QPushButton::clicked, panel, [&] { aliveAfterClick = !panel.isNull(); });
    panel->cancelButton->click();
    EXPECT_TRUE(aliveAfterClick);
    EXPECT_FALSE(panel.isNull()) << "freed inside its own click";
    ASSERT_TRUE(ProcessUntil([&] { return panel.isNull(); }));
    EXPECT_FALSE(host().overlay()->isVisible());
    EXPECT_EQ(doc().sourceImage.size(), QSize(120, 90));
}

TEST_F(Panels, TheBackdropIsAPictureOfTheWindowAndOpeningClosesTheManualBrush)
{
    const gfx::Image photo = MakeSolid(120, 90, Premul(200, 100, 0));
    openDocument(photo, photo);
    QPointer<QWidget> brush = new QWidget(host().overlay());
    host().manualBrushPanel = brush;
    host().overlay()->show();
    window->documentPanels().showResizePanel();
    EXPECT_TRUE(brush.isNull());
    EXPECT_TRUE(host().manualBrushPanel.isNull());
    ASSERT_TRUE(host().backdropPanelOpen());
    const QImage& backdrop = host().overlay()->backdrop();
    const QWidget* client = window->centralWidget();
    EXPECT_EQ(backdrop.size(), client->size() * client->devicePixelRatioF());
    EXPECT_EQ(qAlpha(backdrop.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(backdrop.pixel(backdrop.width() / 2, backdrop.height() / 2)), 255);

    // A click beside the panel reaches nothing below.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 300), QPointF(5, 300), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(host().overlay(), &press);
    EXPECT_TRUE(press.isAccepted());
}

TEST_F(Panels, ResizingScalesBothImagesWithOneStepThatUndoRemoves)
{
    const gfx::Image source = MakeSolid(1000, 750, Premul(0, 0, 255));
    const gfx::Image result = MakeSolid(640, 480, Premul(255, 0, 0));
    openDocument(source, result);
    const int steps = doc().history->count();
    window->activateWindow();
    EXPECT_TRUE(key(Qt::Key_R, Qt::ControlModifier, QStringLiteral("r")));
    auto* panel = qobject_cast<pq::ResizePanel*>(openPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->widthBox->value(), 1000) << "the source photo's size";
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() && panel->widthPercentBox->isAncestorOf(QApplication::focusWidget()); }));
    panel->widthPercentBox->selectAll();
    for (const char* k : {"5", "0"}) {
        QKeyEvent press(QEvent::KeyPress, k[0], Qt::NoModifier, QString::fromLatin1(k));
        QApplication::sendEvent(QApplication::focusWidget(), &press);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(QApplication::focusWidget(), &enter);
    ASSERT_TRUE(ProcessUntil([&] { return !host().backdropPanelOpen(); }));
    EXPECT_EQ(doc().sourceImage.size(), QSize(500, 375));
    EXPECT_EQ(doc().resultImage.size(), QSize(500, 375)) << "the result takes the new size too";
    EXPECT_EQ(doc().resultImage.pixel(250, 180), Premul(255, 0, 0));
    EXPECT_EQ(doc().history->count(), steps + 1);
    window->documentActions().undo();
    EXPECT_EQ(doc().resultImage.size(), QSize(640, 480));
    EXPECT_EQ(doc().sourceImage.size(), QSize(1000, 750));
}

TEST_F(Panels, AResizeThatCannotBeAllocatedSaysSo)
{
    const gfx::Image photo = MakeSolid(100, 80, Premul(9, 9, 9));
    openDocument(photo, photo);
    window->documentPanels().showResizePanel();
    ASSERT_TRUE(host().backdropPanelOpen());
    window->documentPanels().resizeDocument(20000, 20000);
    EXPECT_FALSE(host().backdropPanelOpen());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Image too large for available memory: 20000 \u00D7 20000"));
    EXPECT_EQ(doc().sourceImage.size(), QSize(100, 80));
    // A size of nothing closes without a word.
    window->documentPanels().resizeDocument(0, 50);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(Panels, CombineSaysWhatIsMissingAndRefusesWhileWorkRuns)
{
    window->documentPanels().showCombinePanel(MakeSolid(4, 4, 0));
    EXPECT_EQ(messages, QStringList{QStringLiteral("No base image loaded.")});
    const gfx::Image photo = MakeSolid(60, 40, Premul(200, 100, 0));
    openDocument(photo, photo);
    window->documentPanels().showCombinePanel({});
    EXPECT_EQ(messages.last(), QStringLiteral("No blend image selected."));

    // Work whose end would overwrite the blend.
    doc().runningEffect = 300;
    EXPECT_FALSE(key(Qt::Key_F11) && host().backdropPanelOpen());
    doc().runningEffect = -1;
    doc().scriptRunning = true;
    window->documentPanels().showCombinePanel(photo);
    doc().scriptRunning = false;
    doc().backgroundWorkers = 1;
    window->documentPanels().showCombinePanel(photo);
    doc().backgroundWorkers = 0;
    EXPECT_FALSE(host().backdropPanelOpen());
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(Panels, ApplyingACombinationAddsOneStepThatUndoRemoves)
{
    const gfx::Image source = MakeSolid(60, 40, Premul(0, 100, 200));
    const gfx::Image result = MakeSolid(60, 40, Premul(200, 100, 0));
    openDocument(source, result);
    const int steps = doc().history->count();
    EXPECT_TRUE(key(Qt::Key_F11));
    auto* panel = qobject_cast<pq::CombinePanel*>(openPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->blendAmount(), 0.5f);
    panel->applyButton->click();
    panel->applyButton->click();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(panel, &enter);
    ASSERT_TRUE(ProcessUntil([&] { return !host().backdropPanelOpen(); }));
    const gfx::Pixel p = doc().resultImage.pixel(30, 20);
    EXPECT_NEAR(qRed(p), 100, 1);
    EXPECT_NEAR(qGreen(p), 100, 1);
    EXPECT_NEAR(qBlue(p), 100, 1);
    EXPECT_EQ(doc().history->count(), steps + 1) << "committed once";
    window->documentActions().undo();
    // Back through the history's JPEG snapshot.
    EXPECT_LE(testimg::MaxChannelDifference(doc().resultImage.pixel(30, 20), Premul(200, 100, 0)), 2);
}

TEST_F(Panels, TheAmountFollowsTheSliderAndTheModeTheList)
{
    const gfx::Image red = MakeSolid(30, 20, Premul(255, 0, 0));
    openDocument(MakeSolid(30, 20, Premul(0, 255, 0)), red);
    window->documentPanels().showCombinePanel(doc().sourceImage);
    auto* panel = qobject_cast<pq::CombinePanel*>(openPanel());
    ASSERT_NE(panel, nullptr);
    panel->blendModeBox->setCurrentIndex(2); // Darken
    panel->blendAmountSlider->setValue(100);
    EXPECT_TRUE(panel->amountTimer.isActive());
    ASSERT_TRUE(ProcessUntil([&] { return panel->blendAmount() == 1.0f; }));
    EXPECT_EQ(panel->amountLabel->text(), QStringLiteral("100%"));
    // Esc in the panel cancels; nothing changes.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(panel->blendModeBox, &esc);
    ASSERT_TRUE(ProcessUntil([&] { return !host().backdropPanelOpen(); }));
    EXPECT_TRUE(doc().resultImage.sameAs(red));
}

TEST_F(Panels, AGalleryTileDroppedOnAResultIsBlendedOverIt)
{
    const gfx::Image result = MakeSolid(60, 40, Premul(200, 100, 0));
    openDocument(result, result);
    const gfx::Image tile = MakeSolid(30, 20, Premul(0, 0, 255));
    doc().gallery.add(tile, false, QString());
    window->documentActions().draggedTile = 0;
    QMimeData data;
    window->documentActions().drop(&data);
    ASSERT_TRUE(ProcessUntil([&] { return host().backdropPanelOpen(); }));
    auto* panel = qobject_cast<pq::CombinePanel*>(openPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(window->documentActions().draggedTile, -1);
    EXPECT_TRUE(doc().resultImage.sameAs(result)) << "the result stays the document";
    panel->apply();
    ASSERT_TRUE(ProcessUntil([&] { return !host().backdropPanelOpen(); }));
    EXPECT_LE(testimg::MaxChannelDifference(doc().resultImage.pixel(10, 10), Premul(100, 50, 128)), 1);
    EXPECT_EQ(doc().resultImage.pixel(50, 30), Premul(200, 100, 0)) << "beyond the tile";
}

TEST(FullScreenViewer, FitsWithAMarginOnWhiteWithAShadowBelow)
{
    const gfx::Image image = MakeSolid(1000, 1000, Premul(40, 80, 160));
    pq::FullScreenViewer viewer(nullptr, image);
    viewer.setAttribute(Qt::WA_DeleteOnClose, false);
    viewer.resize(1920, 1080);
    EXPECT_EQ(viewer.imageRect(), QRectF(470, 50, 980, 980));
    const QImage shot = viewer.grab().toImage();
    const double dpr = shot.devicePixelRatio();
    const auto at = [&](int x, int y) { return shot.pixel(int(x * dpr), int(y * dpr)); };
    EXPECT_EQ(at(960, 540), qRgb(40, 80, 160));
    EXPECT_EQ(at(10, 10), qRgb(255, 255, 255));
    EXPECT_LT(qRed(at(960, 1040)), 250) << "shadow below";
    EXPECT_GT(qRed(at(960, 1040)), qRed(at(960, 1034))) << "darker nearer the picture";
    EXPECT_LT(qRed(at(960, 1040)), qRed(at(960, 40))) << "the shadow falls downwards";
    EXPECT_EQ(at(960, 5), qRgb(255, 255, 255));

    // A small picture is enlarged to the margin.
    pq::FullScreenViewer small(nullptr, MakeSolid(100, 50, Premul(1, 2, 3)));
    small.resize(1200, 800);
    EXPECT_EQ(small.imageRect(), QRectF(50, 125, 1100, 550));
}

TEST(FullScreenViewer, AClickClosesOnlyWhenItsPressWasInTheViewer)
{
    auto* viewer = new pq::FullScreenViewer(nullptr, MakeSolid(10, 10, Premul(1, 2, 3)));
    QPointer<pq::FullScreenViewer> alive = viewer;
    viewer->resize(400, 300);
    viewer->show();
    const auto mouse = [&](QEvent::Type type) {
        QMouseEvent event(type, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewer, &event);
    };
    mouse(QEvent::MouseButtonRelease);
    ASSERT_FALSE(ProcessUntil([&] { return alive.isNull(); }, 100)) << "the opening double click's release";
    mouse(QEvent::MouseButtonPress);
    mouse(QEvent::MouseButtonRelease);
    EXPECT_TRUE(ProcessUntil([&] { return alive.isNull(); }));

    auto* keyed = new pq::FullScreenViewer(nullptr, MakeSolid(10, 10, Premul(1, 2, 3)));
    QPointer<pq::FullScreenViewer> keyedAlive = keyed;
    keyed->show();
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(keyed, &release);
    EXPECT_TRUE(ProcessUntil([&] { return keyedAlive.isNull(); }));
}

TEST_F(Panels, ADoubleClickOnTheCanvasShowsTheResultOnTheWindowsScreen)
{
    const gfx::Image photo = MakeSolid(300, 200, Premul(200, 10, 10));
    openDocument(photo, photo);
    emit window->canvasArea().canvasView()->doubleClicked();
    ASSERT_FALSE(window->fullScreenViewer.isNull());
    EXPECT_EQ(window->fullScreenViewer->geometry(), window->screen()->geometry());
    EXPECT_TRUE(window->fullScreenViewer->isModal());
    window->fullScreenViewer->close();
    ASSERT_TRUE(ProcessUntil([&] { return window->fullScreenViewer.isNull(); }));
    EXPECT_TRUE(ProcessUntil([&] { return window->isActiveWindow(); })) << "the keys come back to the window";
}

} // namespace
