// The live preview pane (its window of the source, zoom and panning, the
// timers that start previews) and the Apply button.
#include "app/main_window.h"

#include "engine/runtime/effect_runtime.h"
#include "platform/numeric.h"
#include "platform/tick.h"
#include "workspace/preview_geometry.h"
#include "workspace/preview_pane.h"

#include <QLabel>
#include <QSlider>

namespace pq {

namespace {

void setPaneZoom(TForm1& form, float zoom)
{
    TDocument& doc = form.Doc();
    doc.FPreviewZoomFactor = zoom;
    form.SupersedePreview();
    form.DrawZoomedPreview();
    form.PreviewDebounceTimer.start();
    form.Image1->Label22->setText(QString::number(platform::Round(double(zoom) * 100.0)) + QStringLiteral("%"));
}

} // namespace

void TForm1::SupersedePreview()
{
    FDocument.Shared->FPreviewGeneration.fetch_add(1);
    SetPreviewPC(0);
}

void TForm1::UpdatePreviewTimerTimer()
{
    if (FDocument.ZIdSourceImage.isNull()) {
        UpdatePreviewTimer.stop();
        return;
    }
    if (FManualBrushFrame && FManualBrushApplying) {
        UpdatePreviewTimer.stop();
        return;
    }
    // Only once the user has let go of the slider.
    for (const QSlider* slider : TrackBars)
        if (slider->isSliderDown())
            return;
    UpdatePreviewTimer.stop();
    const int number = FDocument.SelectedEffectNumber;
    const std::array<int, 5> v = SliderValues();
    if (TParameters* entry = ParamsEntry(FDocument.Params, number))
        for (int k = 1; k <= 5; ++k)
            entry->setValue(k, v[size_t(k - 1)]);
    if (number < 0)
        return;
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], true);
}

void TForm1::RequestEffectPreview()
{
    if (FDocument.ZIdImage.isNull() || FDocument.SelectedEffectNumber == -1)
        return;
    SupersedePreview();
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::PreviewDebounceTimerTimer()
{
    PreviewDebounceTimer.stop();
    if ((FManualBrushFrame && FManualBrushApplying) || FDocument.ZIdImage.isNull()
        || FDocument.SelectedEffectNumber == -1)
        return;
    RequestEffectPreview();
}

void TForm1::DrawZoomedPreview()
{
    const gfx::Image& source = FDocument.ZIdSourceImage;
    if (FDocument.ZIdImage.isNull() || source.isNull() || !Image1)
        return;
    EngineFields& shared = *FDocument.Shared;
    const float zoom = FDocument.FPreviewZoomFactor.load();
    const QSize pane = Image1->size();
    const QPoint origin =
        ClampPaneOrigin(QPoint(shared.PreviewStartX.load(), shared.PreviewStartY.load()), source.size(), QSizeF(pane), zoom);
    shared.PreviewStartX = origin.x();
    shared.PreviewStartY = origin.y();
    Image1->setBitmap(RenderPaneSource(source, origin, pane, zoom));
}

void TForm1::Button1Click()
{
    HideContourColorWindow();
    const int number = FDocument.SelectedEffectNumber;
    if (number < 0)
        return;
    const std::array<int, 5> v = SliderValues();
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], false);
}

void TForm1::Image1MouseDown(QPointF pos)
{
    // Pressing the pane stops a full run and the running preview.
    FDocument.Shared->Cancel.request();
    SupersedePreview();
    UpdatePreviewTimer.stop();
    PreviewLastPos = pos;
}

void TForm1::Image1MouseMove(Qt::MouseButtons buttons, QPointF pos)
{
    const gfx::Image& source = FDocument.ZIdSourceImage;
    if (!(buttons & Qt::LeftButton) || FDocument.ZIdImage.isNull() || source.isNull())
        return;
    EngineFields& shared = *FDocument.Shared;
    const QPoint origin = PannedPaneOrigin(QPoint(shared.PreviewStartX.load(), shared.PreviewStartY.load()),
                                           pos - PreviewLastPos, source.size(), QSizeF(Image1->size()),
                                           FDocument.FPreviewZoomFactor.load());
    shared.PreviewStartX = origin.x();
    shared.PreviewStartY = origin.y();
    PreviewLastPos = pos;
    SupersedePreview();
    DrawZoomedPreview();
    const quint32 now = platform::tickMs();
    if (now - FLastPanTime > 200) {
        FLastPanTime = now;
        FDocument.Shared->Cancel.request();
        PreviewDebounceTimer.start();
    }
}

void TForm1::Image1MouseUp()
{
    // A click without a pan previews again at once.
    if (!PreviewDebounceTimer.isActive() && !UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::Image1MouseWheel(int delta)
{
    if (FDocument.ZIdImage.isNull())
        return;
    setPaneZoom(*this, PaneWheelZoom(FDocument.FPreviewZoomFactor.load(), delta));
}

void TForm1::zoominskvgClick()
{
    setPaneZoom(*this, PaneButtonZoom(FDocument.FPreviewZoomFactor.load(), true));
}

void TForm1::zoomoutskvgClick()
{
    setPaneZoom(*this, PaneButtonZoom(FDocument.FPreviewZoomFactor.load(), false));
}

void TForm1::PreviewZoomRectClick()
{
    setPaneZoom(*this, 1.0f);
}

} // namespace pq
