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

void SetPaneZoom(MainWindow& form, float zoom)
{
    Document& doc = form.doc();
    doc.previewZoom = zoom;
    form.supersedePreview();
    form.showPreviewSource();
    form.previewDebounceTimer.start();
    form.previewPane->zoomPercentLabel->setText(QString::number(platform::Round(double(zoom) * 100.0)) + QStringLiteral("%"));
}

} // namespace

void MainWindow::supersedePreview()
{
    document_.shared->previewGeneration.fetch_add(1);
    setPreviewPercent(0);
}

void MainWindow::previewTimerTick()
{
    if (document_.sourceImage.isNull()) {
        previewTimer.stop();
        return;
    }
    if (manualBrushPanel && manualBrushApplying) {
        previewTimer.stop();
        return;
    }
    // Only once the user has let go of the slider.
    for (const QSlider* slider : sliders)
        if (slider->isSliderDown())
            return;
    previewTimer.stop();
    const int number = document_.selectedEffect;
    const std::array<int, 5> v = sliderValues();
    if (EffectParameters* entry = ParamsEntry(document_.params, number))
        for (int k = 1; k <= 5; ++k)
            entry->setValue(k, v[size_t(k - 1)]);
    if (number < 0)
        return;
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], true);
}

void MainWindow::requestPreview()
{
    if (document_.resultImage.isNull() || document_.selectedEffect == -1)
        return;
    supersedePreview();
    if (!previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::previewDebounceTick()
{
    previewDebounceTimer.stop();
    if ((manualBrushPanel && manualBrushApplying) || document_.resultImage.isNull()
        || document_.selectedEffect == -1)
        return;
    requestPreview();
}

void MainWindow::showPreviewSource()
{
    const gfx::Image& source = document_.sourceImage;
    if (document_.resultImage.isNull() || source.isNull() || !previewPane)
        return;
    EngineFields& shared = *document_.shared;
    const float zoom = document_.previewZoom.load();
    const QSize pane = previewPane->size();
    const QPoint origin =
        ClampPaneOrigin(QPoint(shared.previewX.load(), shared.previewY.load()), source.size(), QSizeF(pane), zoom);
    shared.previewX = origin.x();
    shared.previewY = origin.y();
    previewPane->setBitmap(RenderPaneSource(source, origin, pane, zoom));
}

void MainWindow::applyEffect()
{
    hideContourColorWindow();
    const int number = document_.selectedEffect;
    if (number < 0)
        return;
    const std::array<int, 5> v = sliderValues();
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], false);
}

void MainWindow::previewPressed(QPointF pos)
{
    // Pressing the pane stops a full run and the running preview.
    document_.shared->cancel.request();
    supersedePreview();
    previewTimer.stop();
    lastPreviewPos = pos;
}

void MainWindow::previewDragged(Qt::MouseButtons buttons, QPointF pos)
{
    const gfx::Image& source = document_.sourceImage;
    if (!(buttons & Qt::LeftButton) || document_.resultImage.isNull() || source.isNull())
        return;
    EngineFields& shared = *document_.shared;
    const QPoint origin = PannedPaneOrigin(QPoint(shared.previewX.load(), shared.previewY.load()),
                                           pos - lastPreviewPos, source.size(), QSizeF(previewPane->size()),
                                           document_.previewZoom.load());
    shared.previewX = origin.x();
    shared.previewY = origin.y();
    lastPreviewPos = pos;
    supersedePreview();
    showPreviewSource();
    const quint32 now = platform::TickMs();
    if (now - lastPreviewPanTime > 200) {
        lastPreviewPanTime = now;
        document_.shared->cancel.request();
        previewDebounceTimer.start();
    }
}

void MainWindow::previewReleased()
{
    // A click without a pan previews again at once.
    if (!previewDebounceTimer.isActive() && !previewTimer.isActive())
        previewTimer.start();
}

void MainWindow::previewWheel(int delta)
{
    if (document_.resultImage.isNull())
        return;
    SetPaneZoom(*this, PaneWheelZoom(document_.previewZoom.load(), delta));
}

void MainWindow::zoomPreviewIn()
{
    SetPaneZoom(*this, PaneButtonZoom(document_.previewZoom.load(), true));
}

void MainWindow::zoomPreviewOut()
{
    SetPaneZoom(*this, PaneButtonZoom(document_.previewZoom.load(), false));
}

void MainWindow::resetPreviewZoom()
{
    SetPaneZoom(*this, 1.0f);
}

} // namespace pq
