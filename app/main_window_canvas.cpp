// The main canvas: zoom, pan, fitting, the source shown while the right
// button is held, the full-screen view and the housekeeping tick.
#include "app/main_window.h"

#include "workspace/canvas_view.h"
#include "workspace/canvas_zoom.h"
#include "panels/full_screen_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QScreen>

namespace pq {

namespace {

void ShowZoom(MainWindow& form)
{
    form.zoomLabel->setText(QString::number(ZoomPercent(form.doc().zoom)) + QStringLiteral("%"));
}

// One zoom step about `anchor` (canvas coordinates). The canvas keeps its
// size until the gesture ends; meanwhile it samples the nearest pixel.
void ZoomStep(MainWindow& form, float newZoom, QPointF anchor)
{
    Document& doc = form.doc();
    form.canvasView->zooming = true;
    form.zoomDebounceTimer.start();
    const CanvasTransform view = ZoomAbout({doc.zoom, doc.pan}, anchor, newZoom);
    doc.zoom = view.zoom;
    doc.pan = view.pan;
    if (form.splitViewState->isChecked()) {
        // The divider keeps its screen position inside the grown or shrunk
        // image; fitting it to the viewport waits for the gesture's end.
        const QSizeF displayed = form.canvasView->displayedImageRect().size();
        double& dividerX = form.dividerX();
        dividerX = ClampDividerX(dividerX, view.pan.x(), displayed.width());
        form.divider->setGeometry(qRound(dividerX - 1), qRound(view.pan.y()), 3, qRound(displayed.height()));
    }
    form.canvasView->update();
    ShowZoom(form);
}

bool HasBothImages(const Document& doc)
{
    return !doc.sourceImage.isNull() && !doc.resultImage.isNull();
}

} // namespace

QSize MainWindow::viewportSize() const
{
    return canvasViewport->size();
}

void MainWindow::zoomIn()
{
    if (!HasBothImages(document_))
        return;
    // The anchor is the middle of what the viewport shows.
    const QSize view = viewportSize();
    ZoomStep(*this, ButtonZoomStep(document_.zoom, true), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void MainWindow::zoomOut()
{
    if (!HasBothImages(document_))
        return;
    const QSize view = viewportSize();
    ZoomStep(*this, ButtonZoomStep(document_.zoom, false), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void MainWindow::canvasWheel(int delta, QPointF pos)
{
    if (!HasBothImages(document_))
        return;
    ZoomStep(*this, WheelZoomStep(document_.zoom, delta), pos);
}

void MainWindow::zoomGestureEnded()
{
    zoomDebounceTimer.stop();
    canvasView->zooming = false;
    updateCanvasSize();
    if (splitViewState->isChecked())
        updateDivider();
    canvasView->update();
}

void MainWindow::fitToView()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    const CanvasTransform view = FitAndCenter(QSizeF(viewportSize()), image.size());
    document_.zoom = view.zoom;
    document_.pan = view.pan;
    updateCanvasSize();
    updateDivider();
    canvasView->update();
    ShowZoom(*this);
}

void MainWindow::centreImage()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    // The canvas is never scrolled: centred means centred in what the
    // viewport shows, however large the zoomed image is.
    document_.pan = CenteredPan(QSizeF(viewportSize()), image.size(), document_.zoom);
    updateDivider();
    canvasView->update();
}

void MainWindow::actualSizeAndCentre()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    document_.zoom = 1.0f;
    document_.pan = CenteredPan(QSizeF(viewportSize()), image.size(), 1.0f);
    updateCanvasSize();
    updateDivider();
    canvasView->update();
    zoomLabel->setText(QStringLiteral("100%"));
}

void MainWindow::updateCanvasSize()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    canvasView->canvasSize = PaintBoxSize(image.size(), document_.zoom, viewportSize());
}

void MainWindow::canvasPressed(Qt::MouseButton button, QPointF pos)
{
    if (document_.resultImage.isNull())
        return;
    if (button == Qt::LeftButton) {
        canvasView->panning = true;
        lastMousePos = pos;
        canvasView->setCursor(Qt::SizeAllCursor);
    } else if (button == Qt::RightButton) {
        canvasView->showingSource = true;
        canvasView->update();
    }
}

void MainWindow::canvasDragged(Qt::MouseButtons buttons, QPointF pos)
{
    if (!draggingDivider && !canvasView->panning)
        canvasView->unsetCursor();
    if (draggingDivider) {
        const QRectF displayed = canvasView->displayedImageRect();
        dividerX() = ClampDividerX(pos.x(), displayed.x(), displayed.width());
        divider->move(qRound(dividerX() - 1), divider->y());
        canvasView->setCursor(Qt::SplitHCursor);
        updateDivider();
        canvasView->update();
        return;
    }
    if (!canvasView->panning)
        return;
    if (!(buttons & Qt::LeftButton)) {
        // The release happened elsewhere (another window took the mouse).
        canvasView->panning = false;
        return;
    }
    const QPointF d = pos - lastMousePos;
    document_.pan += d;
    lastMousePos = pos;
    if (splitViewState->isChecked()) {
        dividerX() += d.x();
        divider->move(qRound(dividerX() - 1), divider->y());
        updateDivider();
    }
    canvasView->update();
}

void MainWindow::canvasReleased(Qt::MouseButton button, QPointF)
{
    draggingDivider = false;
    if (button == Qt::LeftButton)
        canvasView->panning = false;
    if (button == Qt::RightButton) {
        canvasView->showingSource = false;
        canvasView->update();
    }
}

void MainWindow::showFullScreen()
{
    const gfx::Image image = document_.resultImage;
    if (image.isNull() || fullScreenViewer)
        return;
    auto* view = new FullScreenViewer(this, image);
    const QScreen* display = screen();
    if (display)
        view->setGeometry(display->geometry());
    fullScreenViewer = view;
    view->show();
    view->raise();
    view->activateWindow();
}

void MainWindow::cleanUpTick()
{
    // A bar left over by a run that ended without its final report.
    if (document_.runningEffect.load() == -1 && !manualBrushPanel)
        updateProgressBar(101);
    // The parameter file's icons fade two to four seconds after the mouse
    // left them.
    const int tag = cleanUpTimer.property("tag").toInt();
    if (tag > 0) {
        cleanUpTimer.setProperty("tag", tag - 1);
        if (tag - 1 == 0)
            fadeParameterIcons();
    }
}

} // namespace pq
