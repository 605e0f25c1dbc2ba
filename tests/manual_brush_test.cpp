// The manual brush in the main window: opening and closing, strokes applied
// by their worker with a fake effect, cancellation, history and rebinding.
#include "app/main_window.h"
#include "app/manual_brush.h"
#include "app/panel_host.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/progress.h"
#include "image_compare.h"
#include "panels/brush_canvas.h"
#include "panels/brush_panel.h"
#include "panels/lut_selector.h"
#include "panels/overlay_host.h"
#include "platform/ui_bridge.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document_actions.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testimg::MakeSolid;
using testimg::Premul;
using testloop::ProcessUntil;

const gfx::Pixel kBlue = Premul(0, 0, 255);
const gfx::Pixel kGrey = Premul(128, 128, 128);

void PaintBlue(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    dest.clearPixel(kBlue);
}

std::atomic<bool> gHeld{false};

// Waits until the run is cancelled; leaves by EAbort.
void WaitForCancel(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    gHeld = true;
    for (;;) {
        pq::CheckCancellation();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void Throws(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("broken");
}

class ManualBrushTest : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1400, 900); }
    void started() override
    {
        ASSERT_TRUE(window->documentActions().showAsNewDocument(MakeSolid(400, 300, kGrey), 100));
        doc().selectedEffect = 300;
        doc().addTexture = false;
    }

    bool workersDone() override { return doc().backgroundWorkers.load() == 0 && pq::EffectWorkerCount() == 0; }

    pq::ManualBrush& brush() { return window->manualBrush(); }
    pq::BrushPanel* panel() { return brush().panel(); }

    pq::BrushPanel* open()
    {
        window->commands().run(QStringLiteral("manualBrush"));
        return panel();
    }

    QPointF toScreen(QPointF image) const
    {
        return window->document().pan + image * double(window->document().zoom);
    }

    void send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* canvas = panel()->canvas();
        QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    }

    // A stroke between two image points, released.
    void stroke(QPointF from, QPointF to)
    {
        send(QEvent::MouseButtonPress, toScreen(from), Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, toScreen(to), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, toScreen(to), Qt::LeftButton, Qt::NoButton);
    }

    void escape() { window->commands().handleKey(Qt::Key_Escape, QString(QChar(0x1B)), Qt::NoModifier, false); }

    bool settled()
    {
        return ProcessUntil([&] {
            return doc().backgroundWorkers.load() == 0 && !window->panels().manualBrushApplying
                   && doc().runningEffect.load() == -1;
        });
    }
};

TEST_F(ManualBrushTest, OpensOverTheMainCanvasWithTheRememberedSettings)
{
    doc().manualBrush.size = 40;
    doc().manualBrush.opacity = 70;
    doc().manualBrush.panelPos = QPointF(50, 60);
    pq::BrushPanel* brush = open();
    ASSERT_NE(brush, nullptr);
    pq::CanvasView* view = window->canvasArea().canvasView();
    EXPECT_EQ(brush->canvas()->parentWidget(), view);
    EXPECT_EQ(brush->canvas()->geometry(), view->rect());
    EXPECT_EQ(brush->sizeValue(), 40);
    EXPECT_EQ(brush->opacityValue(), 70);
    EXPECT_EQ(brush->pos(), QPoint(50, 60));
    EXPECT_EQ(brush->mask().imageSize(), QSize(400, 300));
    EXPECT_FALSE(window->panels().backdropPanelOpen()) << "no backdrop for the brush";

    brush->setSliders(25, 10, 55);
    escape(); // Esc closes it
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(doc().manualBrush.size, 25.0f);
    EXPECT_EQ(doc().manualBrush.softness, 10.0f);
    EXPECT_EQ(doc().manualBrush.opacity, 55.0f);
}

TEST_F(ManualBrushTest, AStrokePaintsTheEffectWhereTheUserBrushed)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    ASSERT_NE(open(), nullptr);
    panel()->setSliders(20, 0, 100);
    const int steps = doc().history->count();
    stroke(QPointF(100, 100), QPointF(200, 100));
    ASSERT_TRUE(settled());
    EXPECT_EQ(doc().resultImage.pixel(150, 100), kBlue);
    EXPECT_EQ(doc().resultImage.pixel(150, 150), kGrey);
    EXPECT_EQ(doc().history->count(), steps + 1);
    ASSERT_NE(panel(), nullptr) << "the panel stays open";
    EXPECT_TRUE(panel()->mask().maskBounds().isEmpty()) << "a fresh mask after each stroke";
}

TEST_F(ManualBrushTest, OpacityZeroChangesNothingButAddsAStep)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    ASSERT_NE(open(), nullptr);
    panel()->setSliders(20, 0, 0);
    const gfx::Image before = doc().resultImage;
    const int steps = doc().history->count();
    stroke(QPointF(100, 100), QPointF(120, 100));
    ASSERT_TRUE(settled());
    EXPECT_TRUE(testimg::ImagesNear(before, doc().resultImage));
    EXPECT_EQ(doc().history->count(), steps + 1);
}

TEST_F(ManualBrushTest, AnEmptyMaskClosesThePanelWithNoWorker)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    ASSERT_NE(open(), nullptr);
    // Entirely outside the image.
    stroke(QPointF(-300, -300), QPointF(-290, -300));
    ASSERT_TRUE(ProcessUntil([&] { return panel() == nullptr; }));
    EXPECT_EQ(doc().backgroundWorkers.load(), 0);
    EXPECT_EQ(doc().runningEffect.load(), -1);
}

TEST_F(ManualBrushTest, ClosingDuringAStrokeStoresNothing)
{
    const pq::ScopedEffectOverride fake(300, WaitForCancel);
    gHeld = false;
    ASSERT_NE(open(), nullptr);
    const gfx::Image before = doc().resultImage;
    const int steps = doc().history->count();
    stroke(QPointF(100, 100), QPointF(120, 100));
    ASSERT_TRUE(ProcessUntil([&] { return gHeld.load(); }));
    // Busy: undo and a new document wait for the stroke.
    window->documentActions().undo();
    EXPECT_FALSE(window->documentActions().showAsNewDocument(MakeSolid(10, 10, kBlue), 100));
    brush().close();
    EXPECT_EQ(panel(), nullptr);
    ASSERT_TRUE(settled());
    EXPECT_TRUE(doc().resultImage.sameAs(before));
    EXPECT_EQ(doc().history->count(), steps);
}

TEST_F(ManualBrushTest, ACancelledStrokeLeavesThePanelUsable)
{
    ASSERT_NE(open(), nullptr);
    {
        const pq::ScopedEffectOverride held(300, WaitForCancel);
        gHeld = false;
        stroke(QPointF(100, 100), QPointF(120, 100));
        ASSERT_TRUE(ProcessUntil([&] { return gHeld.load(); }));
        EXPECT_TRUE(window->panels().manualBrushApplying);
        // Esc stops the stroke but does not close the panel while it applies.
        escape();
        ASSERT_TRUE(settled());
    }
    ASSERT_NE(panel(), nullptr);
    EXPECT_FALSE(panel()->applying());
    EXPECT_TRUE(panel()->mask().maskBounds().isEmpty());

    const pq::ScopedEffectOverride fake(300, PaintBlue);
    stroke(QPointF(300, 200), QPointF(310, 200));
    ASSERT_TRUE(settled());
    EXPECT_EQ(doc().resultImage.pixel(305, 200), kBlue);
    EXPECT_EQ(doc().resultImage.pixel(110, 100), kGrey) << "the cancelled stroke is gone";
}

TEST_F(ManualBrushTest, AFailingEffectClosesThePanel)
{
    const pq::ScopedEffectOverride fake(300, Throws);
    ASSERT_NE(open(), nullptr);
    const int steps = doc().history->count();
    stroke(QPointF(100, 100), QPointF(120, 100));
    ASSERT_TRUE(settled());
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(doc().history->count(), steps);
}

TEST_F(ManualBrushTest, UndoRestoresTheImageAndRebindsThePanel)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    ASSERT_NE(open(), nullptr);
    const gfx::Image before = doc().resultImage;
    stroke(QPointF(100, 100), QPointF(120, 100));
    ASSERT_TRUE(settled());
    // A stroke that left the canvas stays merged...
    send(QEvent::MouseButtonPress, toScreen(QPointF(50, 50)), Qt::LeftButton, Qt::LeftButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(panel()->canvas(), &leave);
    EXPECT_FALSE(panel()->mask().maskBounds().isEmpty());
    // ...until undo binds the panel to the image it brings back.
    const QPointF pan = doc().pan;
    window->documentActions().undo();
    EXPECT_TRUE(testimg::ImagesNear(before, doc().resultImage));
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(panel()->mask().maskBounds().isEmpty());
    EXPECT_EQ(doc().pan, pan) << "the view stays where it was";
}

TEST_F(ManualBrushTest, LeavingTheCanvasMergesAndTheNextStrokeAppliesBoth)
{
    const pq::ScopedEffectOverride fake(300, PaintBlue);
    ASSERT_NE(open(), nullptr);
    panel()->setSliders(10, 0, 100);
    send(QEvent::MouseButtonPress, toScreen(QPointF(50, 50)), Qt::LeftButton, Qt::LeftButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(panel()->canvas(), &leave);
    EXPECT_EQ(doc().backgroundWorkers.load(), 0) << "merged, not applied";
    stroke(QPointF(300, 250), QPointF(300, 250));
    ASSERT_TRUE(settled());
    EXPECT_EQ(doc().resultImage.pixel(50, 50), kBlue);
    EXPECT_EQ(doc().resultImage.pixel(300, 250), kBlue);
}

TEST_F(ManualBrushTest, ANewDocumentRebindsTheBrush)
{
    ASSERT_NE(open(), nullptr);
    ASSERT_TRUE(window->documentActions().showAsNewDocument(MakeSolid(120, 90, kBlue), 100));
    ASSERT_NE(panel(), nullptr);
    EXPECT_EQ(panel()->mask().imageSize(), QSize(120, 90));
    window->documentActions().swapSourceAndResult();
    EXPECT_EQ(panel()->mask().imageSize(), QSize(120, 90));
}

TEST_F(ManualBrushTest, ComesBackAfterTheLUTSelector)
{
    ASSERT_NE(open(), nullptr);
    window->panels().chooseLUT();
    auto* selector = qobject_cast<pq::LUTSelector*>(window->panels().overlay()->panel());
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(panel(), nullptr);
    selector->cancel();
    ASSERT_TRUE(testloop::ProcessUntil([&] { return panel() != nullptr; }, 5000));
}

TEST_F(ManualBrushTest, RefusesWithoutAnImageOrOverAPanel)
{
    window->commands().run(QStringLiteral("resize"));
    ASSERT_TRUE(window->panels().backdropPanelOpen());
    EXPECT_EQ(open(), nullptr);
    window->panels().closeOverlay();
    EXPECT_NE(open(), nullptr);
    EXPECT_EQ(open(), panel()) << "one brush at a time";
}

} // namespace
