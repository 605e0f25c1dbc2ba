// The main window as the effect engine's host: real runs through the Qt
// UI bridge.
#include "app/main_window.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/panel_host.h"
#include "app/selector_panels.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "panels/overlay_host.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/repository/image_repository.h"
#include "platform/ui_bridge.h"
#include "workspace/brushstrokes_frame_command.h"
#include "workspace/preview_pane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

#include <functional>

namespace {

using testloop::ProcessUntil;

gfx::Image GradientPhoto(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) % 256));
    return gfx::Image::fromQImage(image);
}

class MainWindowHost : public testwindow::MainWindowTest {
protected:
    void TearDown() override
    {
        MainWindowTest::TearDown();
        EXPECT_EQ(pq::InstalledEngineHost(), nullptr);
    }

    void openDocument(const gfx::Image& photo)
    {
        pq::Document& doc = window->document();
        ASSERT_TRUE(doc.replaceDocument(photo, photo));
        doc.history->save(doc.resultImage, doc.sourceImage);
        doc.unsavedChanges = false;
    }

    bool idle()
    {
        return window->document().runningEffect.load() == -1 && pq::EffectWorkerCount() == 0 &&
               pq::BrushstrokesFrameCommand::workerCount() == 0;
    }
};

TEST_F(MainWindowHost, TheWindowIsTheEngineHost)
{
    EXPECT_EQ(pq::InstalledEngineHost(), &window->engineHost());
    EXPECT_EQ(pq::SharedFields().get(), window->document().shared.get());
    EXPECT_EQ(window->engineHost().previewPaneSize(), QSizeF(225, 225));
    EXPECT_EQ(pq::EffectDisplayName(403), QStringLiteral("Vintage / Sepia"));
    EXPECT_EQ(pq::EffectDisplayName(501), QStringLiteral("Cartoon"));
    EXPECT_EQ(pq::EffectDisplayName(900), QStringLiteral("Brushstrokes Frame"));
    EXPECT_EQ(pq::EffectDisplayName(777), QStringLiteral("Unknown Effect"));
}

TEST_F(MainWindowHost, ApplyReplacesTheResultAndMarksItUnsaved)
{
    const gfx::Image photo = GradientPhoto(320, 240);
    openDocument(photo);
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, false);
    ASSERT_TRUE(ProcessUntil([&] { return idle(); }));
    pq::Document& doc = window->document();
    EXPECT_FALSE(doc.resultImage.sameAs(photo));
    EXPECT_TRUE(doc.sourceImage.sameAs(photo));
    EXPECT_TRUE(doc.unsavedChanges);
    EXPECT_EQ(doc.history->count(), 2);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowHost, PreviewDrawsIntoThePane)
{
    openDocument(GradientPhoto(400, 300));
    const QImage before = window->previewPanel().pane()->bitmap();
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, true);
    ASSERT_TRUE(ProcessUntil([&] { return idle() && window->previewPanel().pane()->bitmap() != before; }));
    EXPECT_FALSE(window->document().unsavedChanges) << "a preview never touches the document";
    EXPECT_EQ(window->document().history->count(), 1);
}

TEST_F(MainWindowHost, NoImageGivesAMessage)
{
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, false);
    ProcessUntil([&] { return !messages.isEmpty(); }, 2000);
    EXPECT_EQ(messages, QStringList{QStringLiteral("No image loaded")});
    EXPECT_EQ(window->document().runningEffect.load(), -1);
}

TEST_F(MainWindowHost, CloseDuringApplyIsPerformedWhenTheRunEnds)
{
    openDocument(GradientPhoto(1600, 1200));
    window->document().unsavedChanges = true;
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, false);
    ASSERT_NE(window->document().runningEffect.load(), -1);
    // Yes to the question, but an effect is applying: refused, remembered.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->document().closeRequested);
    // The run stops (closing cancels it) and its end step closes the
    // window without asking again: the user already agreed.
    ASSERT_TRUE(ProcessUntil([&] { return !window->isVisible(); }));
    EXPECT_FALSE(window->document().closeRequested);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(window->document().runningEffect.load(), -1);
}

// The frame selector's brushstroke frame, as the window wires it: busy as
// effect 900 until the framed pair is handed back on the UI thread, then one
// history step that undo takes back.
TEST_F(MainWindowHost, TheBrushstrokeFrameReplacesThePairAsOneHistoryStep)
{
    const gfx::Image photo = GradientPhoto(120, 80);
    openDocument(photo);
    pq::Document& doc = window->document();
    ASSERT_EQ(doc.history->count(), 1);
    // The brush atlas the frame paints with.
    if (!pq::Repository().loaded())
        pq::Repository().create();

    emit window->selectorPanels().brushstrokeFrameRequested(qRgb(20, 40, 60), 10, 10);
    EXPECT_EQ(doc.runningEffect.load(), 900);
    EXPECT_TRUE(doc.isEffectRunning());
    // A full run asked for meanwhile is refused with the frame's name.
    pq::ProcessEffect(200, 50, 50, 0, 0, 0, false);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Please wait for \"Brushstrokes Frame\" to finish processing.")});

    ASSERT_TRUE(ProcessUntil([&] { return idle(); }));
    ASSERT_EQ(doc.resultImage.size(), QSize(140, 100));
    ASSERT_EQ(doc.sourceImage.size(), QSize(140, 100));
    const gfx::Pixel border = 0xFF000000u | (20u << 16) | (40u << 8) | 60u;
    EXPECT_EQ(doc.resultImage.pixel(0, 0), border);
    EXPECT_EQ(doc.resultImage.pixel(139, 99), border);
    EXPECT_EQ(doc.resultImage.pixel(70, 50), photo.pixel(60, 40)); // the picture itself is untouched
    EXPECT_EQ(doc.history->count(), 2);
    EXPECT_EQ(messages.size(), 1);

    // Undo brings back the unframed pair.
    window->documentActions().undo();
    EXPECT_EQ(doc.resultImage.size(), photo.size());
    EXPECT_EQ(doc.sourceImage.size(), photo.size());
}

} // namespace
