// The workspace as a user drives it: choosing an effect and its sliders,
// preview and apply, opening, dropping and saving files, the canvas view,
// the split view, undo, redo and auto-enhance.
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
#include "ui/theme.h"

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

#include <cerrno>
#include <cstring>

#include "caption_fit_checks.h"
#include "event_loop.h"
#include "main_window_fixture.h"

#include <functional>

namespace {

using testloop::ProcessUntil;

gfx::Image Photo(int w, int h)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        return testimg::Premul(x * 255 / w, y * 255 / h, (x + y) * 255 / (w + h));
    });
}

// Every pixel black or white.
bool BlackAndWhite(const QImage& image)
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
bool NearlyBlackAndWhite(const QImage& image)
{
    int other = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            other += g > 40 && g < 215;
        }
    return other < image.width() * image.height() / 20;
}

class Workspace : public testwindow::MainWindowTest {
protected:
    void prepare() override
    {
        window->dialogs().saveImageFile = [this](const QString&, const QString& proposal, int filterIndex) {
            proposals << proposal + QStringLiteral("|") + QString::number(filterIndex);
            return saveAs;
        };
        window->dialogs().openFile = [this](const QString&, const QString&) { return openName; };
    }
    void started() override
    {
        window->effectPanel().addTextureSwitch()->setChecked(false);
        ASSERT_TRUE(dir.isValid());
    }

    bool workersDone() override
    {
        return pq::EffectWorkerCount() == 0 && pq::AutoEnhanceCommand::workerCount() == 0;
    }

    QString writeImage(const QString& name, const gfx::Image& image)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(gfx::EncodeToFile(image, path, gfx::FormatFromExtension(name), 95));
        return path;
    }

    bool idle() { return window->document().runningEffect.load() == -1 && pq::EffectWorkerCount() == 0; }

    QTemporaryDir dir;
    QStringList proposals;
    QString saveAs;
    QString openName;
};

TEST_F(Workspace, SelectingAnEffectShowsItsSlidersAndResetsRestoreDefaults)
{
    window->selectListedEffect(2, 1); // Stippling
    EXPECT_EQ(doc().selectedEffect, 201);
    EXPECT_EQ(window->effectPanel().sliderCaptions()[0]->text(), QStringLiteral("darkening"));
    EXPECT_TRUE(window->effectPanel().sliders()[0]->isEnabled());
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 50);
    for (int k = 1; k < 5; ++k) {
        EXPECT_FALSE(window->effectPanel().sliders()[size_t(k)]->isEnabled()) << k;
        EXPECT_EQ(window->effectPanel().sliders()[size_t(k)]->value(), 0) << k;
        EXPECT_TRUE(window->effectPanel().sliderCaptions()[size_t(k)]->text().isEmpty()) << k;
    }
    EXPECT_EQ(window->effectLists().list(2)->currentRow(), 1);
    EXPECT_EQ(window->effectLists().list(3)->currentRow(), -1) << "the other lists lose their selection";

    // The preview timer stores the sliders; a reset restores the selected
    // effect only.
    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("p.png"), Photo(64, 64))));
    window->effectPanel().sliders()[0]->setValue(90);
    EXPECT_EQ(window->effectPanel().sliderValueLabels()[0]->text(), QStringLiteral("90"));
    window->previewPanel().timerTick();
    EXPECT_EQ(pq::ParamsEntry(doc().params, 201)->value1, 90);
    window->selectListedEffect(2, 0); // Black & white
    window->effectPanel().sliders()[0]->setValue(10);
    window->effectPanel().sliders()[1]->setValue(20);
    window->previewPanel().timerTick();
    window->effectPanel().resetSlider(2);
    EXPECT_EQ(window->effectPanel().sliders()[1]->value(), 50);
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 10) << "only that slider";
    window->effectPanel().resetEffectSliders();
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 50);
    EXPECT_EQ(pq::ParamsEntry(doc().params, 200)->value1, 50);
    EXPECT_EQ(pq::ParamsEntry(doc().params, 201)->value1, 90) << "other effects keep their values";
    window->selectListedEffect(2, 1);
    EXPECT_EQ(window->effectPanel().sliders()[0]->value(), 90);

    // "LUTs" takes the first built-in table when none is chosen, and keeps
    // a chosen one.
    window->selectListedEffect(4, 4);
    EXPECT_EQ(doc().selectedEffect, 404);
    EXPECT_FALSE(doc().lut.data.isEmpty());
    EXPECT_EQ(doc().lut.name, pq::EmbeddedLUTNames().value(0));
    doc().lut.name = QStringLiteral("Mine");
    doc().lut.data = QByteArrayLiteral("LUT_3D_SIZE 2");
    window->selectListedEffect(4, 4);
    EXPECT_EQ(doc().lut.name, QStringLiteral("Mine"));
    EXPECT_EQ(pq::EffectDisplayName(402), QStringLiteral("Sepia"));
}

TEST_F(Workspace, OpeningAFileAndAFailedOpen)
{
    // A truncated JPEG: a message, and the empty workspace stays empty.
    QByteArray jpeg = gfx::Encode(Photo(200, 150), gfx::ImageFormat::Jpeg, 90);
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(jpeg.size() / 2));
    file.close();
    EXPECT_FALSE(window->documentActions().openImageFile(broken));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Failed to load image: ") + broken});
    EXPECT_FALSE(window->canvasArea().dropZone()->isHidden());
    EXPECT_TRUE(doc().resultImage.isNull());
    messages.clear();

    const QString first = writeImage(QStringLiteral("small.png"), Photo(100, 80));
    ASSERT_TRUE(window->documentActions().openImageFile(first));
    EXPECT_EQ(doc().resultImage.size(), QSize(100, 80));
    EXPECT_TRUE(doc().resultImage.sameAs(doc().sourceImage));
    EXPECT_EQ(doc().sourceFileName, first);
    EXPECT_FALSE(doc().unsavedChanges);
    EXPECT_EQ(doc().history->count(), 1);
    EXPECT_TRUE(window->canvasArea().dropZone()->isHidden());
    EXPECT_FLOAT_EQ(doc().zoom, 1.0f);
    EXPECT_EQ(doc().shared->previewX.load(), 0) << "clamped for an image smaller than the pane";
    EXPECT_EQ(doc().shared->previewY.load(), 0);
    EXPECT_EQ(window->previewPanel().pane()->bitmap().pixel(10, 10), doc().sourceImage.qimage().pixel(10, 10));
    EXPECT_EQ(window->previewPanel().pane()->bitmap().pixel(150, 150), qRgb(255, 255, 255));

    // A failed open keeps the document, its name and its history.
    const gfx::Image before = doc().resultImage;
    EXPECT_FALSE(window->documentActions().openImageFile(broken));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Failed to load image: ") + broken});
    EXPECT_TRUE(doc().resultImage.sameAs(before));
    EXPECT_EQ(doc().sourceFileName, first);
    EXPECT_EQ(doc().history->count(), 1);

    // The open dialog: cancelling changes nothing.
    openName.clear();
    window->openImage();
    EXPECT_TRUE(doc().resultImage.sameAs(before));
    openName = writeImage(QStringLiteral("second.jpg"), Photo(300, 200));
    window->openImage();
    EXPECT_EQ(doc().resultImage.size(), QSize(300, 200));
    EXPECT_EQ(doc().shared->previewX.load(), 50);
    EXPECT_EQ(doc().shared->previewY.load(), 0);
}

TEST_F(Workspace, DroppingFilesOpensTheFirstAcceptedOne)
{
    const QString text = dir.filePath(QStringLiteral("x.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    const QString png = writeImage(QStringLiteral("y.PNG"), Photo(64, 48));
    const QString jpg = writeImage(QStringLiteral("z.jpg"), Photo(32, 32));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(png), QUrl::fromLocalFile(jpg)});
    EXPECT_TRUE(window->documentActions().acceptsDrop(&data));
    window->documentActions().drop(&data);
    ASSERT_TRUE(ProcessUntil([&] { return !doc().resultImage.isNull(); }));
    EXPECT_EQ(doc().sourceFileName, png);

    QMimeData webp;
    webp.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.webp")))});
    EXPECT_FALSE(window->documentActions().acceptsDrop(&webp));
}

TEST_F(Workspace, PreviewApplyUndoRedoAndSave)
{
    const QString source = writeImage(QStringLiteral("photo.bmp"), Photo(480, 360));
    ASSERT_TRUE(window->documentActions().openImageFile(source));
    const gfx::Image original = doc().resultImage;
    window->selectListedEffect(2, 0); // Black & white
    ASSERT_TRUE(ProcessUntil([&] { return idle() && BlackAndWhite(window->previewPanel().pane()->bitmap()); }));
    EXPECT_TRUE(doc().resultImage.sameAs(original)) << "a preview leaves the document";

    window->effectPanel().applyEffect();
    ASSERT_TRUE(ProcessUntil([&] { return idle() && !doc().resultImage.sameAs(original); }));
    EXPECT_TRUE(BlackAndWhite(doc().resultImage.qimage()));
    EXPECT_TRUE(doc().unsavedChanges);

    // Ctrl+Z and Ctrl+Shift+Z go to the shortcuts before the focused control.
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("z"));
    QApplication::sendEvent(focus, &undo);
    EXPECT_TRUE(testimg::ImagesNear(original, doc().resultImage, 8)) << "back to the photo";
    EXPECT_EQ(doc().pan, pq::CenteredPan(QSizeF(window->canvasArea().viewportSize()), QSize(480, 360), 1.0f))
        << "centred in the viewport";
    QKeyEvent redo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Z"));
    QApplication::sendEvent(focus, &redo);
    EXPECT_TRUE(NearlyBlackAndWhite(doc().resultImage.qimage()));

    // Saving: the name proposal, an invalid extension, then a PNG.
    saveAs = dir.filePath(QStringLiteral("x.bmp"));
    window->documentActions().saveImage();
    EXPECT_EQ(proposals.value(0), dir.filePath(QStringLiteral("photo_PQ.png")) + QStringLiteral("|2"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Error saving image: Invalid extension")});
    EXPECT_TRUE(doc().unsavedChanges);
    // A full disk is named, in the system's words.
    saveAs = dir.filePath(QStringLiteral("full.png"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), saveAs));
    window->documentActions().saveImage();
    EXPECT_EQ(messages.value(1),
              QStringLiteral("Error saving image: ") + QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_TRUE(doc().unsavedChanges);
    saveAs = dir.filePath(QStringLiteral("result.png"));
    window->documentActions().saveImage();
    EXPECT_FALSE(doc().unsavedChanges);
    EXPECT_TRUE(NearlyBlackAndWhite(gfx::DecodeFile(saveAs).qimage()));
}

TEST_F(Workspace, CanvasZoomFitAndSplitView)
{
    // Without an image nothing zooms and the split view stays off.
    window->canvasArea().toggleSplitView();
    EXPECT_FALSE(window->canvasArea().splitView());
    EXPECT_EQ(window->toolBar().button(QStringLiteral("splitView"))->toolTip(), QStringLiteral("Split view on"));
    window->canvasArea().wheel(120, QPointF(10, 10));
    EXPECT_FLOAT_EQ(doc().zoom, 1.0f);

    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("wide.png"), Photo(1200, 600))));
    window->canvasArea().fitToView();
    const QSize view = window->canvasArea().viewportSize();
    const float fit = std::min(float(view.width()) / 1200, float(view.height()) / 600);
    EXPECT_NEAR(doc().zoom, fit, 1e-5);
    EXPECT_NEAR(doc().pan.x(), (view.width() - 1200 * fit) / 2, 1e-3);

    // The buttons zoom about the middle of the viewport.
    const QPointF middle(view.width() / 2.0, view.height() / 2.0);
    const QPointF under = (middle - doc().pan) / double(doc().zoom);
    window->canvasArea().zoomIn();
    EXPECT_FLOAT_EQ(doc().zoom, fit * 1.1f);
    EXPECT_NEAR((doc().pan + under * double(doc().zoom)).x(), middle.x(), 1e-3);
    EXPECT_NEAR((doc().pan + under * double(doc().zoom)).y(), middle.y(), 1e-3);

    doc().zoom = 0.93f;
    window->canvasArea().wheel(120, QPointF(100, 100));
    EXPECT_FLOAT_EQ(doc().zoom, 1.0f);
    EXPECT_EQ(window->toolBar().zoomLabel()->text(), QStringLiteral("100%"));
    EXPECT_TRUE(window->canvasArea().canvasView()->zooming);
    ASSERT_TRUE(ProcessUntil([&] { return !window->canvasArea().canvasView()->zooming; }));
    EXPECT_EQ(window->canvasArea().canvasView()->canvasSize,
              QSize(std::max(1200, view.width()), std::max(600, view.height())));
    EXPECT_LE(window->canvasArea().canvasView()->width(), view.width()) << "the widget stays the viewport's size";

    window->canvasArea().toggleSplitView();
    ASSERT_TRUE(window->canvasArea().splitView());
    EXPECT_EQ(window->toolBar().button(QStringLiteral("splitView"))->toolTip(), QStringLiteral("Split view off"));
    const QRectF shown = window->canvasArea().canvasView()->displayedImageRect();
    EXPECT_DOUBLE_EQ(window->canvasArea().dividerX(), shown.center().x());
    EXPECT_TRUE(window->canvasArea().divider()->isVisible());
    // Dragging past the image's right edge stops there.
    window->canvasArea().draggingDivider = true;
    window->canvasArea().dragged(Qt::LeftButton, QPointF(shown.right() + 500, 50));
    window->canvasArea().released(Qt::LeftButton);
    EXPECT_FALSE(window->canvasArea().draggingDivider);
    EXPECT_DOUBLE_EQ(window->canvasArea().dividerX(), shown.right());
    // Fit, 100 % and Ctrl+0 move the divider along with the picture.
    const auto dividerOnPicture = [&] {
        const QRectF now = window->canvasArea().canvasView()->displayedImageRect();
        const double x = window->canvasArea().dividerX();
        return x >= now.left() && x <= now.right() && window->canvasArea().divider()->x() == qRound(x - 1) &&
               window->canvasArea().divider()->y() == qRound(std::max(now.top(), 0.0));
    };
    window->canvasArea().fitToView();
    EXPECT_TRUE(dividerOnPicture()) << "fit";
    window->canvasArea().wheel(-120, QPointF(10, 10));
    ASSERT_TRUE(ProcessUntil([&] { return !window->canvasArea().canvasView()->zooming; }));
    window->canvasArea().actualSizeAndCentre();
    EXPECT_TRUE(dividerOnPicture()) << "100 %";
    window->canvasArea().fitToView();
    EXPECT_TRUE(window->commands().handleKey(Qt::Key_0, QStringLiteral("0"), Qt::ControlModifier, false));
    EXPECT_TRUE(dividerOnPicture()) << "Ctrl+0";
    window->canvasArea().toggleSplitView();
    EXPECT_FALSE(window->canvasArea().divider()->isVisible());

    // A double click shows the result full screen.
    window->showFullScreenViewer();
    ASSERT_NE(window->fullScreenViewer, nullptr);
    window->fullScreenViewer->close();
    ASSERT_TRUE(ProcessUntil([&] { return window->fullScreenViewer.isNull(); }));
}

TEST_F(Workspace, ZoomButtonsStepOncePerPressAndRepeatOnlyWhenHeld)
{
    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("wide.png"), Photo(1200, 600))));
    window->canvasArea().fitToView();
    const float fit = doc().zoom;
    const auto waitMs = [](int ms) { ProcessUntil([] { return false; }, ms); };

    window->toolBar().button(QStringLiteral("zoomIn"))->click();
    const float once = pq::ButtonZoomStep(fit, true);
    EXPECT_FLOAT_EQ(doc().zoom, once);
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().zoom, once);

    // Held: one step at once, then a pause, then repeats until released.
    emit window->toolBar().button(QStringLiteral("zoomOut"))->pressed();
    const float held = pq::ButtonZoomStep(once, false);
    EXPECT_FLOAT_EQ(doc().zoom, held);
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().zoom, held);
    ASSERT_TRUE(ProcessUntil([&] { return doc().zoom < held; }));
    emit window->toolBar().button(QStringLiteral("zoomOut"))->released();
    const float released = doc().zoom;
    waitMs(150);
    EXPECT_FLOAT_EQ(doc().zoom, released);
}

TEST_F(Workspace, AutoEnhanceReplacesTheResultAndKeepsTheSource)
{
    window->autoEnhance();
    EXPECT_EQ(messages, QStringList{QStringLiteral("no image loaded")});

    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("dull.png"), Photo(160, 120))));
    const gfx::Image source = doc().sourceImage;
    window->autoEnhance();
    EXPECT_FALSE(window->leftPanel().tool(QStringLiteral("autoEnhance"))->isEnabled());
    ASSERT_TRUE(ProcessUntil([&] { return window->leftPanel().tool(QStringLiteral("autoEnhance"))->isEnabled(); }));
    EXPECT_FALSE(doc().resultImage.sameAs(source));
    EXPECT_TRUE(doc().sourceImage.sameAs(source));
    EXPECT_EQ(doc().history->count(), 2);
    EXPECT_TRUE(doc().unsavedChanges);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace

// The preview's zoom read-out, which shows only while the mouse is over its
// box, and the progress figure of a running preview read over a white and
// over a black picture, in both themes.
TEST_F(Workspace, ThePreviewReadOutsReadOverAnyPicture)
{
    pq::PreviewPane* pane = window->previewPanel().pane();
    QWidget* box = pane->zoomBox;
    const auto contrastOf = [pane](const QWidget* label) {
        const QImage shot = pane->grab().toImage();
        const QRect text(label->mapTo(pane, QPoint(0, 0)), label->size());
        return fitcheck::MeasureContrast(shot, text.adjusted(0, 4, 0, -4)).ratio;
    };
    pq::EngineFields& shared = *doc().shared;
    for (const pq::ThemeMode mode : {pq::ThemeMode::Dark, pq::ThemeMode::Light}) {
        window->applyTheme(mode);
        for (const QRgb ground : {0xFFFFFFFFu, 0xFF000000u}) {
            SCOPED_TRACE(testing::Message() << (mode == pq::ThemeMode::Dark ? "dark " : "light ") << std::hex << ground);
            QImage picture(pq::PreviewPane::kSize, pq::PreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
            picture.fill(ground);
            pane->setBitmap(picture);
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(box, &enter);
            EXPECT_GE(contrastOf(pane->zoomPercentLabel), fitcheck::kLeastContrast) << "zoom";
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(box, &leave);

            shared.storePreviewProgress(shared.previewGeneration.load(), 40);
            pane->percentLabel->setText(QStringLiteral("40%"));
            pane->percentLabel->show();
            EXPECT_GE(contrastOf(pane->percentLabel), fitcheck::kLeastContrast) << "progress";
            pane->percentLabel->hide();
            shared.storePreviewProgress(shared.previewGeneration.load(), 0);
        }
    }
    window->applyTheme(pq::ThemeMode::Dark);
}
