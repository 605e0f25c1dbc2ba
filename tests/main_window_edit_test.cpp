// Copy and paste, rotation, crop and the text tool as a user drives them
// in the window.
#include "app/editing_tools.h"
#include "app/main_window.h"
#include "platform/ui_bridge.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/crop_geometry.h"
#include "workspace/crop_selection.h"
#include "workspace/crop_tool.h"
#include "workspace/crop_toolbar.h"
#include "workspace/document_actions.h"
#include "workspace/edit_actions.h"
#include "workspace/image_files.h"
#include "workspace/text_tool.h"
#include "workspace/text_window.h"

#include "event_loop.h"
#include "main_window_fixture.h"
#include "image_compare.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

using testloop::ProcessUntil;

class Editing : public testwindow::MainWindowTest {
protected:
    void prepare() override { window->resize(1200, 800); }

    void open(const gfx::Image& image)
    {
        ASSERT_TRUE(window->documentActions().showAsNewDocument(image, 100));
        window->document().sourceFileName = QStringLiteral("/photos/cat.jpg");
    }
    void key(int k, const QString& text = {})
    {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(focus, &press);
    }

    pq::EditingTools& tools() { return window->editingTools(); }
};

// ---- Clipboard ----

TEST_F(Editing, CopyThenPasteKeepsPixelsAndAlpha)
{
    const gfx::Image photo = testimg::MakeNoise(60, 40, 3, false);
    open(photo);
    tools().edits().copy();
    open(testimg::MakeNoise(10, 10, 4));
    ASSERT_TRUE(tools().edits().paste());
    EXPECT_TRUE(testimg::ImagesNear(photo, doc().resultImage));
    EXPECT_TRUE(doc().sourceImage.sameAs(doc().resultImage));
}

TEST_F(Editing, PasteShowsFullSizeAndProposesTheDefaultName)
{
    open(testimg::MakeNoise(20, 20, 4));
    doc().zoom = 0.25f;
    QApplication::clipboard()->setImage(testimg::MakeNoise(50, 30, 5).toQImage().copy());
    ASSERT_TRUE(tools().edits().paste());
    EXPECT_EQ(doc().zoom, 1.0f);
    EXPECT_EQ(pq::ProposeSaveName(doc().sourceFileName).fileName, QStringLiteral("Pastelloquin_image.png"));
    EXPECT_TRUE(doc().hasUnsavedChanges());
}

TEST_F(Editing, TextOnTheClipboardChangesNothing)
{
    const gfx::Image photo = testimg::MakeNoise(20, 20, 4);
    open(photo);
    QApplication::clipboard()->setText(QStringLiteral("just words"));
    EXPECT_FALSE(tools().edits().paste());
    EXPECT_TRUE(doc().resultImage.sameAs(photo));
    EXPECT_EQ(doc().sourceFileName, QStringLiteral("/photos/cat.jpg"));
}

// ---- Rotation ----

TEST_F(Editing, RotationKeysTurnTheDocument)
{
    open(testimg::MakeNoise(64, 48, 6));
    window->setFocus();
    key(Qt::Key_R, QStringLiteral("r"));
    EXPECT_EQ(doc().resultImage.size(), QSize(48, 64));
    key(Qt::Key_L, QStringLiteral("l"));
    EXPECT_EQ(doc().resultImage.size(), QSize(64, 48));
}

// ---- Crop ----

TEST_F(Editing, CropStartsOnePixelInsideTheImageAndShowsItsSize)
{
    open(testimg::MakeNoise(120, 80, 7));
    pq::CropTool& crop = tools().crop();
    crop.toggle();
    ASSERT_TRUE(crop.isOn());
    const QRectF shown = window->canvasArea().canvasView()->displayedImageRect();
    const QRectF bounds = crop.selection()->bounds();
    EXPECT_NEAR(bounds.left(), shown.left() + 1, 0.5);
    EXPECT_NEAR(bounds.top(), shown.top() + 1, 0.5);
    EXPECT_NEAR(bounds.right(), shown.right() - 1, 1.0);
    EXPECT_TRUE(crop.sizePill()->isVisible());
    EXPECT_EQ(crop.sizePill()->text(), QStringLiteral("118 x 78"));
    EXPECT_TRUE(crop.toolbar()->isVisible());
    // Crop again cancels.
    crop.toggle();
    EXPECT_FALSE(crop.isOn());
    EXPECT_FALSE(crop.toolbar()->isVisible());
    EXPECT_EQ(doc().resultImage.size(), QSize(120, 80));
}

TEST_F(Editing, CropKeepsThePartOfTheSelectionOnTheImage)
{
    open(testimg::MakeNoise(120, 80, 7));
    pq::CropTool& crop = tools().crop();
    crop.start();
    const QPointF pan = doc().pan;
    const double zoom = doc().zoom;
    ASSERT_EQ(zoom, 1.0);
    crop.selection()->setBounds(QRectF(pan.x() - 50, pan.y() + 20, 100, 50));
    EXPECT_EQ(crop.sizePill()->text(), QStringLiteral("100 x 50"));
    key(Qt::Key_Return);
    EXPECT_FALSE(crop.isOn());
    EXPECT_EQ(doc().resultImage.size(), QSize(50, 50));
    EXPECT_EQ(doc().sourceImage.size(), QSize(50, 50));
}

TEST_F(Editing, ASelectionOffTheImageCropsNothingAndStaysOn)
{
    const gfx::Image photo = testimg::MakeNoise(120, 80, 7);
    open(photo);
    pq::CropTool& crop = tools().crop();
    crop.start();
    crop.selection()->setBounds(QRectF(doc().pan.x() - 400, doc().pan.y(), 100, 100));
    crop.apply();
    EXPECT_TRUE(crop.isOn());
    EXPECT_TRUE(doc().resultImage.sameAs(photo));
    key(Qt::Key_Escape);
    EXPECT_FALSE(crop.isOn());
}

TEST_F(Editing, CropIsRefusedWhileAnEffectRuns)
{
    open(testimg::MakeNoise(120, 80, 7));
    doc().runningEffect = 300;
    tools().crop().toggle();
    EXPECT_FALSE(tools().crop().isOn());
    doc().runningEffect = -1;
}

// ---- Text ----

TEST_F(Editing, SpacesAloneDoNotActivateTheText)
{
    open(testimg::MakeSolid(400, 300, 0xFF202020));
    pq::TextTool& text = tools().text();
    text.toggleWindow();
    ASSERT_TRUE(text.windowOpen());
    EXPECT_EQ(text.settings().fontName, QStringLiteral("Arial"));
    text.window()->textField()->setText(QStringLiteral("   "));
    EXPECT_FALSE(text.isActive());
    text.window()->textField()->setText(QStringLiteral("   A"));
    EXPECT_TRUE(text.isActive());
}

TEST_F(Editing, ApplyDrawsTheTextAndEscCancels)
{
    const gfx::Image photo = testimg::MakeSolid(400, 300, 0xFF202020);
    open(photo);
    pq::TextTool& text = tools().text();
    text.toggleWindow();
    text.window()->textField()->setText(QStringLiteral("Hello"));
    // Esc closes without drawing.
    key(Qt::Key_Escape);
    EXPECT_FALSE(text.windowOpen());
    EXPECT_FALSE(text.isActive());
    EXPECT_TRUE(doc().resultImage.sameAs(photo));
    // Opening again re-activates the kept text; Enter commits it.
    text.toggleWindow();
    EXPECT_TRUE(text.isActive());
    key(Qt::Key_Return);
    EXPECT_FALSE(text.windowOpen());
    EXPECT_FALSE(doc().resultImage.sameAs(photo));
    EXPECT_TRUE(doc().sourceImage.sameAs(photo));
}

TEST_F(Editing, DraggingTheBoxMovesTheText)
{
    open(testimg::MakeSolid(400, 300, 0xFF202020));
    pq::TextTool& text = tools().text();
    text.toggleWindow();
    text.window()->textField()->setText(QStringLiteral("Move me"));
    const QRectF box = pq::TextBoxOnCanvas(text.settings(), doc().pan, doc().zoom);
    const QPointF before = text.settings().pos;
    ASSERT_TRUE(text.mousePressed(box.center()));
    text.mouseMoved(Qt::LeftButton, box.center() + QPointF(30, 10));
    text.mouseReleased();
    EXPECT_NEAR(text.settings().pos.x(), before.x() + 30 / doc().zoom, 1e-6);
    EXPECT_NEAR(text.settings().pos.y(), before.y() + 10 / doc().zoom, 1e-6);
}

TEST_F(Editing, FullResetEndsCropAndText)
{
    open(testimg::MakeNoise(120, 80, 7));
    tools().crop().start();
    tools().closeAll();
    EXPECT_FALSE(tools().crop().isOn());
    EXPECT_FALSE(tools().text().windowOpen());
}

} // namespace
