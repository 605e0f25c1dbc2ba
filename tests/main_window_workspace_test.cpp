// The workspace as a user drives it: choosing an effect and its sliders,
// preview and apply, opening, dropping and saving files, the canvas view,
// the split view, undo, redo and auto-enhance.
#include "app/main_window.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/auto_enhance_command.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/lut/lut_choice.h"
#include "gfx/codec.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "workspace/canvas_view.h"
#include "workspace/canvas_zoom.h"
#include "workspace/drop_zone.h"
#include "workspace/preview_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSlider>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "event_loop.h"

#include <functional>

namespace {

using testloop::processUntil;

gfx::Image photo(int w, int h)
{
    return testimg::makeImage(w, h, [&](int x, int y) {
        return testimg::premul(x * 255 / w, y * 255 / h, (x + y) * 255 / (w + h));
    });
}

// Every pixel black or white.
bool blackAndWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p != qRgb(0, 0, 0) && p != qRgb(255, 255, 255))
                return false;
        }
    return true;
}

// Black or white but for a few pixels (after a trip through the history's
// JPEG snapshots).
bool nearlyBlackAndWhite(const QImage& image)
{
    int other = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            other += g > 40 && g < 215;
        }
    return other < image.width() * image.height() / 20;
}

class Workspace : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setUiBridge(platform::makeQtUiBridge());
        window = std::make_unique<pq::TForm1>();
        window->FCommandLine = {QStringLiteral("pastelloquin")};
        window->FAskYesNo = [this](const QString& text) {
            questions << text;
            return true;
        };
        window->FShowMessage = [this](const QString& text) { messages << text; };
        window->FGetSaveFileName = [this](const QString&, const QString& proposal, int filterIndex) {
            proposals << proposal + QStringLiteral("|") + QString::number(filterIndex);
            return saveAs;
        };
        window->FGetOpenFileName = [this](const QString&, const QString&) { return openName; };
        window->show();
        ASSERT_TRUE(processUntil([&] { return window->FInitialized; }));
        window->AddTextureSwitch->setChecked(false);
        ASSERT_TRUE(dir.isValid());
    }

    void TearDown() override
    {
        pq::AbortProcessing();
        EXPECT_TRUE(processUntil(
            [] { return pq::EffectWorkerCount() == 0 && pq::AutoEnhanceCommand::WorkerCount() == 0; }));
        window.reset();
        platform::setUiBridge(nullptr);
    }

    QString writeImage(const QString& name, const gfx::Image& image)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(gfx::encodeToFile(image, path, gfx::formatFromExtension(name), 95));
        return path;
    }

    bool idle() { return window->FCurrentEffectNumber() == -1 && pq::EffectWorkerCount() == 0; }

    pq::TDocument& doc() { return window->Doc(); }

    std::unique_ptr<pq::TForm1> window;
    QTemporaryDir dir;
    QStringList questions;
    QStringList messages;
    QStringList proposals;
    QString saveAs;
    QString openName;
};

TEST_F(Workspace, SelectingAnEffectShowsItsSlidersAndResetsRestoreDefaults)
{
    window->ListBoxItemClick(2, 1); // Stippling
    EXPECT_EQ(doc().SelectedEffectNumber, 201);
    EXPECT_EQ(window->ParamLabels[0]->text(), QStringLiteral("darkening"));
    EXPECT_TRUE(window->TrackBars[0]->isEnabled());
    EXPECT_EQ(window->TrackBars[0]->value(), 50);
    for (int k = 1; k < 5; ++k) {
        EXPECT_FALSE(window->TrackBars[size_t(k)]->isEnabled()) << k;
        EXPECT_EQ(window->TrackBars[size_t(k)]->value(), 0) << k;
        EXPECT_TRUE(window->ParamLabels[size_t(k)]->text().isEmpty()) << k;
    }
    EXPECT_EQ(window->ListBoxes[1]->currentRow(), 1);
    EXPECT_EQ(window->ListBoxes[2]->currentRow(), -1) << "the other lists lose their selection";

    // The preview timer stores the sliders; a reset restores the selected
    // effect only.
    ASSERT_TRUE(window->LoadLargeImage(writeImage(QStringLiteral("p.png"), photo(64, 64))));
    window->TrackBars[0]->setValue(90);
    EXPECT_EQ(window->ValueLabels[0]->text(), QStringLiteral("90"));
    window->UpdatePreviewTimerTimer();
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 201)->Value1, 90);
    window->ListBoxItemClick(2, 0); // Black & white
    window->TrackBars[0]->setValue(10);
    window->TrackBars[1]->setValue(20);
    window->UpdatePreviewTimerTimer();
    window->ParamLabelDblClick(2);
    EXPECT_EQ(window->TrackBars[1]->value(), 50);
    EXPECT_EQ(window->TrackBars[0]->value(), 10) << "only that slider";
    window->ParamsLabelDblClick();
    EXPECT_EQ(window->TrackBars[0]->value(), 50);
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 200)->Value1, 50);
    EXPECT_EQ(pq::ParamsEntry(doc().Params, 201)->Value1, 90) << "other effects keep their values";
    window->ListBoxItemClick(2, 1);
    EXPECT_EQ(window->TrackBars[0]->value(), 90);

    // "LUTs" takes the first built-in table when none is chosen, and keeps
    // a chosen one.
    window->ListBoxItemClick(4, 4);
    EXPECT_EQ(doc().SelectedEffectNumber, 404);
    EXPECT_FALSE(doc().FLUTData.isEmpty());
    EXPECT_EQ(doc().FLUTName, pq::EmbeddedLUTNames().value(0));
    doc().FLUTName = QStringLiteral("Mine");
    doc().FLUTData = QByteArrayLiteral("LUT_3D_SIZE 2");
    window->ListBoxItemClick(4, 4);
    EXPECT_EQ(doc().FLUTName, QStringLiteral("Mine"));
    EXPECT_EQ(window->GetEffectName(402), QStringLiteral("Sepia"));
}

TEST_F(Workspace, OpeningAFileAndAFailedOpen)
{
    // A truncated JPEG: a message, and the empty workspace stays empty.
    QByteArray jpeg = gfx::encode(photo(200, 150), gfx::ImageFormat::Jpeg, 90);
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(jpeg.size() / 2));
    file.close();
    EXPECT_FALSE(window->LoadLargeImage(broken));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Failed to load image: ") + broken});
    EXPECT_FALSE(window->DropZoneRect->isHidden());
    EXPECT_TRUE(doc().ZIdImage.isNull());
    messages.clear();

    const QString first = writeImage(QStringLiteral("small.png"), photo(100, 80));
    ASSERT_TRUE(window->LoadLargeImage(first));
    EXPECT_EQ(doc().ZIdImage.size(), QSize(100, 80));
    EXPECT_TRUE(doc().ZIdImage.sameAs(doc().ZIdSourceImage));
    EXPECT_EQ(doc().FSourceFileName, first);
    EXPECT_FALSE(doc().FImageDirty);
    EXPECT_EQ(doc().FHistory->Count(), 1);
    EXPECT_TRUE(window->DropZoneRect->isHidden());
    EXPECT_FLOAT_EQ(doc().FZoomFactor, 1.0f);
    EXPECT_EQ(doc().Shared->PreviewStartX.load(), 0) << "clamped for an image smaller than the pane";
    EXPECT_EQ(doc().Shared->PreviewStartY.load(), 0);
    EXPECT_EQ(window->Image1->bitmap().pixel(10, 10), doc().ZIdSourceImage.qimage().pixel(10, 10));
    EXPECT_EQ(window->Image1->bitmap().pixel(150, 150), qRgb(255, 255, 255));

    // A failed open keeps the document, its name and its history.
    const gfx::Image before = doc().ZIdImage;
    EXPECT_FALSE(window->LoadLargeImage(broken));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Failed to load image: ") + broken});
    EXPECT_TRUE(doc().ZIdImage.sameAs(before));
    EXPECT_EQ(doc().FSourceFileName, first);
    EXPECT_EQ(doc().FHistory->Count(), 1);

    // The open dialog: cancelling changes nothing.
    openName.clear();
    window->LoadImageFile();
    EXPECT_TRUE(doc().ZIdImage.sameAs(before));
    openName = writeImage(QStringLiteral("second.jpg"), photo(300, 200));
    window->LoadImageFile();
    EXPECT_EQ(doc().ZIdImage.size(), QSize(300, 200));
    EXPECT_EQ(doc().Shared->PreviewStartX.load(), 50);
    EXPECT_EQ(doc().Shared->PreviewStartY.load(), 0);
}

TEST_F(Workspace, DroppingFilesOpensTheFirstAcceptedOne)
{
    const QString text = dir.filePath(QStringLiteral("x.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    const QString png = writeImage(QStringLiteral("y.PNG"), photo(64, 48));
    const QString jpg = writeImage(QStringLiteral("z.jpg"), photo(32, 32));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(png), QUrl::fromLocalFile(jpg)});
    EXPECT_TRUE(window->DropZoneRectDragOver(&data));
    window->DropZoneRectDragDrop(&data);
    ASSERT_TRUE(processUntil([&] { return !doc().ZIdImage.isNull(); }));
    EXPECT_EQ(doc().FSourceFileName, png);

    QMimeData webp;
    webp.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.webp")))});
    EXPECT_FALSE(window->DropZoneRectDragOver(&webp));
}

TEST_F(Workspace, PreviewApplyUndoRedoAndSave)
{
    const QString source = writeImage(QStringLiteral("photo.bmp"), photo(480, 360));
    ASSERT_TRUE(window->LoadLargeImage(source));
    const gfx::Image original = doc().ZIdImage;
    window->ListBoxItemClick(2, 0); // Black & white
    ASSERT_TRUE(processUntil([&] { return idle() && blackAndWhite(window->Image1->bitmap()); }));
    EXPECT_TRUE(doc().ZIdImage.sameAs(original)) << "a preview leaves the document";

    window->Button1Click();
    ASSERT_TRUE(processUntil([&] { return idle() && !doc().ZIdImage.sameAs(original); }));
    EXPECT_TRUE(blackAndWhite(doc().ZIdImage.qimage()));
    EXPECT_TRUE(doc().FImageDirty);

    // Ctrl+Z and Ctrl+Shift+Z go to the shortcuts before the focused control.
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("z"));
    QApplication::sendEvent(focus, &undo);
    EXPECT_TRUE(testimg::imagesNear(original, doc().ZIdImage, 8)) << "back to the photo";
    EXPECT_EQ(doc().FPanOffset, pq::CenteredPan(QSizeF(window->ViewportSize()), QSize(480, 360), 1.0f))
        << "centred in the viewport";
    QKeyEvent redo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Z"));
    QApplication::sendEvent(focus, &redo);
    EXPECT_TRUE(nearlyBlackAndWhite(doc().ZIdImage.qimage()));

    // Saving: the name proposal, an invalid extension, then a PNG.
    saveAs = dir.filePath(QStringLiteral("x.bmp"));
    window->SaveImageFile();
    EXPECT_EQ(proposals.value(0), dir.filePath(QStringLiteral("photo_PQ.png")) + QStringLiteral("|2"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Error saving image: Invalid extension")});
    EXPECT_TRUE(doc().FImageDirty);
    saveAs = dir.filePath(QStringLiteral("result.png"));
    window->SaveImageFile();
    EXPECT_FALSE(doc().FImageDirty);
    EXPECT_TRUE(nearlyBlackAndWhite(gfx::decodeFile(saveAs).qimage()));
}

TEST_F(Workspace, CanvasZoomFitAndSplitView)
{
    // Without an image nothing zooms and the split view stays off.
    window->SpeedButton24Click();
    EXPECT_FALSE(window->CheckBox1->isChecked());
    EXPECT_EQ(window->SpeedButton24->toolTip(), QStringLiteral("Split view on"));
    window->SkPaintBox1MouseWheel(120, QPointF(10, 10));
    EXPECT_FLOAT_EQ(doc().FZoomFactor, 1.0f);

    ASSERT_TRUE(window->LoadLargeImage(writeImage(QStringLiteral("wide.png"), photo(1200, 600))));
    window->CalculateBestFitAndCenter();
    const QSize view = window->ViewportSize();
    const float fit = std::min(float(view.width()) / 1200, float(view.height()) / 600);
    EXPECT_NEAR(doc().FZoomFactor, fit, 1e-5);
    EXPECT_NEAR(doc().FPanOffset.x(), (view.width() - 1200 * fit) / 2, 1e-3);

    // The buttons zoom about the middle of the viewport.
    const QPointF middle(view.width() / 2.0, view.height() / 2.0);
    const QPointF under = (middle - doc().FPanOffset) / double(doc().FZoomFactor);
    window->ZoomIn();
    EXPECT_FLOAT_EQ(doc().FZoomFactor, fit * 1.1f);
    EXPECT_NEAR((doc().FPanOffset + under * double(doc().FZoomFactor)).x(), middle.x(), 1e-3);
    EXPECT_NEAR((doc().FPanOffset + under * double(doc().FZoomFactor)).y(), middle.y(), 1e-3);

    doc().FZoomFactor = 0.93f;
    window->SkPaintBox1MouseWheel(120, QPointF(100, 100));
    EXPECT_FLOAT_EQ(doc().FZoomFactor, 1.0f);
    EXPECT_EQ(window->ZoomLabel->text(), QStringLiteral("100%"));
    EXPECT_TRUE(window->SkPaintBox1->FZooming);
    ASSERT_TRUE(processUntil([&] { return !window->SkPaintBox1->FZooming; }));
    EXPECT_EQ(window->SkPaintBox1->LogicalSize,
              QSize(std::max(1200, view.width()), std::max(600, view.height())));
    EXPECT_LE(window->SkPaintBox1->width(), view.width()) << "the widget stays the viewport's size";

    window->SpeedButton24Click();
    ASSERT_TRUE(window->CheckBox1->isChecked());
    EXPECT_EQ(window->SpeedButton24->toolTip(), QStringLiteral("Split view off"));
    const QRectF shown = window->SkPaintBox1->DisplayedImageRect();
    EXPECT_DOUBLE_EQ(window->FDividerX(), shown.center().x());
    EXPECT_TRUE(window->Splitter->isVisible());
    // Dragging past the image's right edge stops there.
    window->FDragging = true;
    window->SkPaintBox1MouseMove(Qt::LeftButton, QPointF(shown.right() + 500, 50));
    window->SkPaintBox1MouseUp(Qt::LeftButton, QPointF());
    EXPECT_FALSE(window->FDragging);
    EXPECT_DOUBLE_EQ(window->FDividerX(), shown.right());
    // Fit, 100 % and Ctrl+0 move the divider along with the picture.
    const auto dividerOnPicture = [&] {
        const QRectF now = window->SkPaintBox1->DisplayedImageRect();
        const double x = window->FDividerX();
        return x >= now.left() && x <= now.right() && window->Splitter->x() == qRound(x - 1) &&
               window->Splitter->y() == qRound(std::max(now.top(), 0.0));
    };
    window->CalculateBestFitAndCenter();
    EXPECT_TRUE(dividerOnPicture()) << "fit";
    window->SkPaintBox1MouseWheel(-120, QPointF(10, 10));
    ASSERT_TRUE(processUntil([&] { return !window->SkPaintBox1->FZooming; }));
    window->FullSizeAndCenter();
    EXPECT_TRUE(dividerOnPicture()) << "100 %";
    window->CalculateBestFitAndCenter();
    EXPECT_TRUE(window->FormKeyDown(Qt::Key_0, QStringLiteral("0"), Qt::ControlModifier));
    EXPECT_TRUE(dividerOnPicture()) << "Ctrl+0";
    window->SpeedButton24Click();
    EXPECT_FALSE(window->Splitter->isVisible());

    // A double click shows the result full screen.
    window->SkPaintBox1DblClick();
    ASSERT_NE(window->FFullScreenForm, nullptr);
    window->FFullScreenForm->close();
    ASSERT_TRUE(processUntil([&] { return window->FFullScreenForm.isNull(); }));
}

TEST_F(Workspace, ZoomButtonsStepOncePerPressAndRepeatOnlyWhenHeld)
{
    ASSERT_TRUE(window->LoadLargeImage(writeImage(QStringLiteral("wide.png"), photo(1200, 600))));
    window->CalculateBestFitAndCenter();
    const float fit = doc().FZoomFactor;
    const auto waitMs = [](int ms) { processUntil([] { return false; }, ms); };

    window->SpeedButton12->click();
    const float once = pq::ButtonZoomStep(fit, true);
    EXPECT_FLOAT_EQ(doc().FZoomFactor, once);
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().FZoomFactor, once);

    // Held: one step at once, then a pause, then repeats until released.
    emit window->SpeedButton10->pressed();
    const float held = pq::ButtonZoomStep(once, false);
    EXPECT_FLOAT_EQ(doc().FZoomFactor, held);
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().FZoomFactor, held);
    ASSERT_TRUE(processUntil([&] { return doc().FZoomFactor < held; }));
    emit window->SpeedButton10->released();
    const float released = doc().FZoomFactor;
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().FZoomFactor, released);
}

TEST_F(Workspace, AutoEnhanceReplacesTheResultAndKeepsTheSource)
{
    window->LabelEnhanceClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("no image loaded")});

    ASSERT_TRUE(window->LoadLargeImage(writeImage(QStringLiteral("dull.png"), photo(160, 120))));
    const gfx::Image source = doc().ZIdSourceImage;
    window->LabelEnhanceClick();
    EXPECT_FALSE(window->LabelEnhance->isEnabled());
    ASSERT_TRUE(processUntil([&] { return window->LabelEnhance->isEnabled(); }));
    EXPECT_FALSE(doc().ZIdImage.sameAs(source));
    EXPECT_TRUE(doc().ZIdSourceImage.sameAs(source));
    EXPECT_EQ(doc().FHistory->Count(), 2);
    EXPECT_TRUE(doc().FImageDirty);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
