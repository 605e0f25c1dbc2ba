// The window's own views: canvas transform, accordion, gallery strip,
// splash timeline.
#include "app/main_window.h"
#include "app/splash.h"
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
    pq::TDocument doc;
    QImage red(100, 50, QImage::Format_ARGB32_Premultiplied);
    red.fill(qRgb(255, 0, 0));
    const gfx::Image image = gfx::Image::fromQImage(red);
    doc.ReplaceDocument(image, image);
    doc.FZoomFactor = 2.0f;
    doc.FPanOffset = QPointF(30, 40);
    pq::TCanvasView canvas(doc);
    canvas.resize(400, 300);
    EXPECT_EQ(canvas.DisplayedImageRect(), QRectF(30, 40, 200, 100));

    const QImage shot = canvas.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(35, 45)), QColor(255, 0, 0)) << "inside the image";
    EXPECT_EQ(QColor(shot.pixel(228, 138)), QColor(255, 0, 0)) << "last pixel of the scaled image";
    EXPECT_EQ(QColor(shot.pixel(240, 150)), pq::CurrentPalette().panel) << "workspace beyond it";
    EXPECT_EQ(QColor(shot.pixel(0, 0)), pq::CurrentPalette().frame) << "rounded corner";

    // The right button shows the source photo instead.
    QImage blue(100, 50, QImage::Format_ARGB32_Premultiplied);
    blue.fill(qRgb(0, 0, 255));
    doc.ZIdSourceImage = gfx::Image::fromQImage(blue);
    canvas.FRightPreview = true;
    EXPECT_EQ(QColor(canvas.grab().toImage().pixel(100, 80)), QColor(0, 0, 255));
}

TEST(CanvasView, DrawsNothingWithoutAResult)
{
    pq::TDocument doc;
    pq::TCanvasView canvas(doc);
    canvas.resize(64, 64);
    EXPECT_TRUE(canvas.DisplayedImageRect().isNull());
}

TEST(MainWindowView, FamiliesOpenOneAtATime)
{
    pq::TForm1 w;
    w.ExpanderClick(3); // Photo lab
    EXPECT_TRUE(w.Expanders[3]->isExpanded());
    EXPECT_EQ(w.Expanders[3]->height(), 5 * 30 + 25);
    w.ExpanderClick(0);
    EXPECT_TRUE(w.Expanders[0]->isExpanded());
    EXPECT_FALSE(w.Expanders[3]->isExpanded());
    EXPECT_EQ(w.Expanders[3]->height(), 25);
    w.ExpanderClick(0);
    for (const pq::TExpander* e : w.Expanders)
        EXPECT_FALSE(e->isExpanded());
    // The lists hold the catalogue's captions.
    EXPECT_EQ(w.ListBoxes[1]->count(), 4);
    EXPECT_EQ(w.ListBoxes[1]->item(0)->text(), QStringLiteral("Black & white"));
    EXPECT_EQ(w.Expanders[0]->text(), QStringLiteral("      Sketch && Drawing"));
}

TEST(MainWindowView, GalleryStripTogglesItsHeightAndTab)
{
    pq::TForm1 w;
    EXPECT_EQ(w.HistoryRect->height(), pq::THistoryStrip::kCollapsedHeight);
    EXPECT_EQ(w.HistoryToggle->HistoryToggleLabel->text(), QStringLiteral("Show gallery  \u25B2"));
    w.HistoryToggleLabelClick();
    EXPECT_EQ(w.HistoryRect->height(), pq::THistoryStrip::kExpandedHeight);
    EXPECT_EQ(w.HistoryToggle->HistoryToggleLabel->text(), QStringLiteral("Hide gallery  \u25BC"));
    EXPECT_EQ(w.HistoryToggle->HistoryToggleLabel->property("tag").toInt(), 1);
    EXPECT_EQ(w.HistoryRect->geometry().bottom(), w.Layout2->rect().bottom());
    w.HistoryToggleLabelClick();
    EXPECT_EQ(w.HistoryRect->height(), pq::THistoryStrip::kCollapsedHeight);
}

TEST(MainWindowView, ControlsKeepTheirDesignedNames)
{
    pq::TForm1 w;
    for (const char* name : {"ProgramBarRect", "MainBarRect", "ProgressBarRect", "CloseSpeedButton", "SpeedButton23",
                             "ListBox3", "Expander5", "TrackBar5", "P5labelpc", "Param1Label", "Button1", "Image1",
                             "SkPaintBox1", "layOverlayContainer", "WorskpaceRect", "Layout2", "HistoryRect",
                             "DropZoneRect", "MenuContainer", "QuitMI", "EraseBdSwitch", "AddTextureSwitch",
                             "PresentedScrollBox2", "PresentedScrollBox3", "DefaultImageButton", "LabelEnhance"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST(SplashTimeline, FadesInThenOutBeforeTheHandOver)
{
    const auto start = pq::TForm2::LayerOpacityAt(0);
    EXPECT_DOUBLE_EQ(start.all, 1.0);
    EXPECT_DOUBLE_EQ(start.logo, 0.0);
    EXPECT_DOUBLE_EQ(start.backSwirl, 0.4);
    const auto settled = pq::TForm2::LayerOpacityAt(3800);
    EXPECT_DOUBLE_EQ(settled.logo, 1.0);
    EXPECT_DOUBLE_EQ(settled.version, 1.0);
    EXPECT_DOUBLE_EQ(settled.all, 1.0);
    EXPECT_DOUBLE_EQ(pq::TForm2::LayerOpacityAt(4750).all, 0.5);
    EXPECT_DOUBLE_EQ(pq::TForm2::LayerOpacityAt(5500).all, 0.0);
}

} // namespace
