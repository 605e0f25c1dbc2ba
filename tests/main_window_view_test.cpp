// The window's own views: canvas transform, accordion, gallery strip.
#include "app/main_window.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/panel_host.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "panels/overlay_host.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"
#include "ui/theme_style.h"
#include "ui/widgets/expander.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/gallery_strip.h"
#include "workspace/workspace_layout.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

TEST(CanvasView, ShowsTheResultAtPanOffsetScaledByZoom)
{
    pq::Document doc;
    QImage red(100, 50, QImage::Format_ARGB32_Premultiplied);
    red.fill(qRgb(255, 0, 0));
    const gfx::Image image = gfx::Image::fromQImage(red);
    doc.replaceDocument(image, image);
    doc.zoom = 2.0f;
    doc.pan = QPointF(30, 40);
    pq::CanvasView canvas(doc);
    canvas.resize(400, 300);
    EXPECT_EQ(canvas.displayedImageRect(), QRectF(30, 40, 200, 100));

    const QImage shot = canvas.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(35, 45)), QColor(255, 0, 0)) << "inside the image";
    EXPECT_EQ(QColor(shot.pixel(228, 138)), QColor(255, 0, 0)) << "last pixel of the scaled image";
    EXPECT_EQ(QColor(shot.pixel(240, 150)), pq::CurrentPalette().panel) << "workspace beyond it";
    EXPECT_EQ(QColor(shot.pixel(0, 0)), pq::CurrentPalette().frame) << "rounded corner";

    // The right button shows the source photo instead.
    QImage blue(100, 50, QImage::Format_ARGB32_Premultiplied);
    blue.fill(qRgb(0, 0, 255));
    doc.sourceImage = gfx::Image::fromQImage(blue);
    canvas.showingSource = true;
    EXPECT_EQ(QColor(canvas.grab().toImage().pixel(100, 80)), QColor(0, 0, 255));
}

TEST(CanvasView, DrawsNothingWithoutAResult)
{
    pq::Document doc;
    pq::CanvasView canvas(doc);
    canvas.resize(64, 64);
    EXPECT_TRUE(canvas.displayedImageRect().isNull());
}

TEST(MainWindowView, FamiliesOpenOneAtATime)
{
    pq::MainWindow w;
    w.effectLists().toggleFamily(3); // Photo lab
    EXPECT_TRUE(w.effectLists().expander(4)->isExpanded());
    EXPECT_EQ(w.effectLists().expander(4)->height(), 5 * 30 + 25);
    w.effectLists().toggleFamily(0);
    EXPECT_TRUE(w.effectLists().expander(1)->isExpanded());
    EXPECT_FALSE(w.effectLists().expander(4)->isExpanded());
    EXPECT_EQ(w.effectLists().expander(4)->height(), 25);
    w.effectLists().toggleFamily(0);
    for (int family = 1; family <= 5; ++family)
        EXPECT_FALSE(w.effectLists().expander(family)->isExpanded());
    // The lists hold the catalogue's captions.
    EXPECT_EQ(w.effectLists().list(2)->count(), 4);
    EXPECT_EQ(w.effectLists().list(2)->item(0)->text(), QStringLiteral("Black & white"));
    EXPECT_EQ(w.effectLists().expander(1)->text(), QStringLiteral("      Sketch && Drawing"));
}

TEST(MainWindowView, GalleryStripTogglesItsHeightAndTab)
{
    pq::MainWindow w;
    EXPECT_EQ(w.canvasArea().galleryStrip()->height(), pq::GalleryStrip::kCollapsedHeight);
    EXPECT_EQ(w.canvasArea().galleryToggle()->toggleLabel->text(), QStringLiteral("Show gallery  \u25B2"));
    w.canvasArea().toggleGallery();
    EXPECT_EQ(w.canvasArea().galleryStrip()->height(), pq::GalleryStrip::kExpandedHeight);
    EXPECT_EQ(w.canvasArea().galleryToggle()->toggleLabel->text(), QStringLiteral("Hide gallery  \u25BC"));
    EXPECT_EQ(w.canvasArea().galleryToggle()->toggleLabel->property("tag").toInt(), 1);
    EXPECT_EQ(w.canvasArea().galleryStrip()->geometry().bottom(), w.canvasArea().workspaceLayout()->rect().bottom());
    w.canvasArea().toggleGallery();
    EXPECT_EQ(w.canvasArea().galleryStrip()->height(), pq::GalleryStrip::kCollapsedHeight);
}

TEST(MainWindowView, ControlsKeepTheirDesignedNames)
{
    pq::MainWindow w;
    for (const char* name : {"titleBar", "toolBar", "progressBar", "closeWindowButton", "quitButton",
                             "effectList3", "familyExpander5", "slider5", "sliderValue5", "sliderCaption1", "applyButton", "previewPane",
                             "canvasView", "overlayHost", "workspaceArea", "workspaceLayout", "galleryStrip",
                             "dropZone", "mainMenu", "quitEntry", "eraseBackgroundSwitch", "addTextureSwitch",
                             "leftPanelScroll", "rightPanelScroll", "defaultImageButton", "autoEnhanceButton"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

} // namespace
