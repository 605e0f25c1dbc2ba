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

void showZoom(TForm1& form)
{
    form.ZoomLabel->setText(QString::number(ZoomPercent(form.Doc().FZoomFactor)) + QStringLiteral("%"));
}

// One zoom step about `anchor` (canvas coordinates). The canvas keeps its
// size until the gesture ends; meanwhile it samples the nearest pixel.
void zoomStep(TForm1& form, float newZoom, QPointF anchor)
{
    TDocument& doc = form.Doc();
    form.SkPaintBox1->FZooming = true;
    form.FZoomDebounceTimer.start();
    const TCanvasView2D view = ZoomAbout({doc.FZoomFactor, doc.FPanOffset}, anchor, newZoom);
    doc.FZoomFactor = view.zoom;
    doc.FPanOffset = view.pan;
    if (form.CheckBox1->isChecked()) {
        // The divider keeps its screen position inside the grown or shrunk
        // image; fitting it to the viewport waits for the gesture's end.
        const QSizeF displayed = form.SkPaintBox1->DisplayedImageRect().size();
        double& dividerX = form.FDividerX();
        dividerX = ClampDividerX(dividerX, view.pan.x(), displayed.width());
        form.Splitter->setGeometry(qRound(dividerX - 1), qRound(view.pan.y()), 3, qRound(displayed.height()));
    }
    form.SkPaintBox1->update();
    showZoom(form);
}

bool hasBothImages(const TDocument& doc)
{
    return !doc.ZIdSourceImage.isNull() && !doc.ZIdImage.isNull();
}

} // namespace

QSize TForm1::ViewportSize() const
{
    return PresentedScrollBox1->size();
}

void TForm1::ZoomIn()
{
    if (!hasBothImages(FDocument))
        return;
    // The anchor is the middle of what the viewport shows.
    const QSize view = ViewportSize();
    zoomStep(*this, ButtonZoomStep(FDocument.FZoomFactor, true), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void TForm1::ZoomOut()
{
    if (!hasBothImages(FDocument))
        return;
    const QSize view = ViewportSize();
    zoomStep(*this, ButtonZoomStep(FDocument.FZoomFactor, false), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void TForm1::SkPaintBox1MouseWheel(int delta, QPointF pos)
{
    if (!hasBothImages(FDocument))
        return;
    zoomStep(*this, WheelZoomStep(FDocument.FZoomFactor, delta), pos);
}

void TForm1::ZoomDebounceTimerTimer()
{
    FZoomDebounceTimer.stop();
    SkPaintBox1->FZooming = false;
    UpdatePaintBoxSize();
    if (CheckBox1->isChecked())
        UpdateDivider();
    SkPaintBox1->update();
}

void TForm1::CalculateBestFitAndCenter()
{
    const gfx::Image& image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    const TCanvasView2D view = FitAndCenter(QSizeF(ViewportSize()), image.size());
    FDocument.FZoomFactor = view.zoom;
    FDocument.FPanOffset = view.pan;
    UpdatePaintBoxSize();
    UpdateDivider();
    SkPaintBox1->update();
    showZoom(*this);
}

void TForm1::CenterImageInPaintBox()
{
    const gfx::Image& image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    // The canvas is never scrolled: centred means centred in what the
    // viewport shows, however large the zoomed image is.
    FDocument.FPanOffset = CenteredPan(QSizeF(ViewportSize()), image.size(), FDocument.FZoomFactor);
    UpdateDivider();
    SkPaintBox1->update();
}

void TForm1::FullSizeAndCenter()
{
    const gfx::Image& image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    FDocument.FZoomFactor = 1.0f;
    FDocument.FPanOffset = CenteredPan(QSizeF(ViewportSize()), image.size(), 1.0f);
    UpdatePaintBoxSize();
    UpdateDivider();
    SkPaintBox1->update();
    ZoomLabel->setText(QStringLiteral("100%"));
}

void TForm1::UpdatePaintBoxSize()
{
    const gfx::Image& image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    SkPaintBox1->LogicalSize = PaintBoxSize(image.size(), FDocument.FZoomFactor, ViewportSize());
}

void TForm1::SkPaintBox1MouseDown(Qt::MouseButton button, QPointF pos)
{
    if (FDocument.ZIdImage.isNull())
        return;
    if (button == Qt::LeftButton) {
        SkPaintBox1->FIsPanning = true;
        FLastMousePos = pos;
        SkPaintBox1->setCursor(Qt::SizeAllCursor);
    } else if (button == Qt::RightButton) {
        SkPaintBox1->FRightPreview = true;
        SkPaintBox1->update();
    }
}

void TForm1::SkPaintBox1MouseMove(Qt::MouseButtons buttons, QPointF pos)
{
    if (!FDragging && !SkPaintBox1->FIsPanning)
        SkPaintBox1->unsetCursor();
    if (FDragging) {
        const QRectF displayed = SkPaintBox1->DisplayedImageRect();
        FDividerX() = ClampDividerX(pos.x(), displayed.x(), displayed.width());
        Splitter->move(qRound(FDividerX() - 1), Splitter->y());
        SkPaintBox1->setCursor(Qt::SplitHCursor);
        UpdateDivider();
        SkPaintBox1->update();
        return;
    }
    if (!SkPaintBox1->FIsPanning)
        return;
    if (!(buttons & Qt::LeftButton)) {
        // The release happened elsewhere (another window took the mouse).
        SkPaintBox1->FIsPanning = false;
        return;
    }
    const QPointF d = pos - FLastMousePos;
    FDocument.FPanOffset += d;
    FLastMousePos = pos;
    if (CheckBox1->isChecked()) {
        FDividerX() += d.x();
        Splitter->move(qRound(FDividerX() - 1), Splitter->y());
        UpdateDivider();
    }
    SkPaintBox1->update();
}

void TForm1::SkPaintBox1MouseUp(Qt::MouseButton button, QPointF)
{
    FDragging = false;
    if (button == Qt::LeftButton)
        SkPaintBox1->FIsPanning = false;
    if (button == Qt::RightButton) {
        SkPaintBox1->FRightPreview = false;
        SkPaintBox1->update();
    }
}

void TForm1::SkPaintBox1DblClick()
{
    const gfx::Image image = FDocument.ZIdImage;
    if (image.isNull() || FFullScreenForm)
        return;
    auto* view = new TFullScreenForm(this, image);
    const QScreen* display = screen();
    if (display)
        view->setGeometry(display->geometry());
    FFullScreenForm = view;
    view->show();
    view->raise();
    view->activateWindow();
}

void TForm1::CleanUpTimerTimer()
{
    // A bar left over by a run that ended without its final report.
    if (FDocument.FCurrentEffectNumber.load() == -1 && !FManualBrushFrame)
        UpdateProgressBar(101);
    // The parameter file's icons fade two to four seconds after the mouse
    // left them.
    const int tag = CleanUpTimer.property("tag").toInt();
    if (tag > 0) {
        CleanUpTimer.setProperty("tag", tag - 1);
        if (tag - 1 == 0)
            StartParamsIconFades();
    }
}

} // namespace pq
