#include "workspace/preview_panel.h"

#include "catalogue/parameter_table.h"
#include "engine/runtime/effect_runtime.h"
#include "platform/numeric.h"
#include "platform/tick.h"
#include "ui/debug_log.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "workspace/document.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_geometry.h"
#include "workspace/preview_pane.h"

#include <QLabel>

#include <algorithm>

namespace pq {

PreviewPanel::PreviewPanel(Document& document, EffectPanel& effects, QWidget* paneParent)
    : QObject(paneParent), document_(document), effects_(effects), pane_(new PreviewPane(document, paneParent))
{
    pane_->setObjectName(QStringLiteral("previewPane"));
    // Its empty look is the panel's plate colour.
    QImage placeholder(PreviewPane::kSize, PreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    placeholder.fill(DarkPalette().frame);
    pane_->setBitmap(placeholder);
    timer_.setInterval(500);
    debounce_.setInterval(1000);
    debounce_.setSingleShot(true);
    const auto guarded = [this](const char* context, void (PreviewPanel::*handler)()) {
        return [this, context, handler] { GuardedCall(context, [this, handler] { (this->*handler)(); }); };
    };
    connect(&timer_, &QTimer::timeout, this, guarded("previewTimerTick", &PreviewPanel::timerTick));
    connect(&debounce_, &QTimer::timeout, this, guarded("previewDebounceTick", &PreviewPanel::debounceTick));
    connect(pane_, &PreviewPane::mousePressed, this,
            [this](Qt::MouseButton, QPointF pos) { GuardedCall("previewPressed", [&] { pressed(pos); }); });
    connect(pane_, &PreviewPane::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("previewDragged", [&] { dragged(buttons, pos); });
    });
    connect(pane_, &PreviewPane::mouseReleased, this, guarded("previewReleased", &PreviewPanel::released));
    connect(pane_, &PreviewPane::wheelTurned, this,
            [this](int delta) { GuardedCall("previewWheel", [&] { wheel(delta); }); });
    connect(pane_, &PreviewPane::zoomInClicked, this, [this] {
        GuardedCall("zoomPreviewIn", [this] { setZoom(PaneButtonZoom(document_.previewZoom.load(), true)); });
    });
    connect(pane_, &PreviewPane::zoomOutClicked, this, [this] {
        GuardedCall("zoomPreviewOut", [this] { setZoom(PaneButtonZoom(document_.previewZoom.load(), false)); });
    });
    connect(pane_, &PreviewPane::zoomResetClicked, this,
            [this] { GuardedCall("resetPreviewZoom", [this] { setZoom(1.0f); }); });
}

void PreviewPanel::schedule()
{
    // Enabling a running timer does not restart it.
    if (!timer_.isActive())
        timer_.start();
}

void PreviewPanel::request()
{
    if (document_.resultImage.isNull() || document_.selectedEffect == -1)
        return;
    supersede();
    schedule();
}

void PreviewPanel::supersede()
{
    document_.shared->previewGeneration.fetch_add(1);
    pane_->percentLabel->setVisible(false);
    pane_->percentLabel->setText(QStringLiteral("0%"));
    pane_->update();
}

void PreviewPanel::timerTick()
{
    if (document_.sourceImage.isNull() || (brushApplying && brushApplying())) {
        timer_.stop();
        return;
    }
    // Only once the user has let go of the slider.
    std::array<int, 5> v{};
    if (!effects_.readSliders(v))
        return;
    timer_.stop();
    const int number = document_.selectedEffect;
    if (EffectParameters* entry = ParamsEntry(document_.params, number))
        for (int k = 1; k <= 5; ++k)
            entry->setValue(k, v[size_t(k - 1)]);
    if (number < 0)
        return;
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], true);
}

void PreviewPanel::debounceTick()
{
    debounce_.stop();
    if ((brushApplying && brushApplying()) || document_.resultImage.isNull() || document_.selectedEffect == -1)
        return;
    request();
}

void PreviewPanel::showSource()
{
    const gfx::Image& source = document_.sourceImage;
    if (document_.resultImage.isNull() || source.isNull())
        return;
    EngineFields& shared = *document_.shared;
    const float zoom = document_.previewZoom.load();
    const QSize size = pane_->size();
    const QPoint origin =
        ClampPaneOrigin(QPoint(shared.previewX.load(), shared.previewY.load()), source.size(), QSizeF(size), zoom);
    shared.previewX = origin.x();
    shared.previewY = origin.y();
    pane_->setBitmap(RenderPaneSource(source, origin, size, zoom));
}

void PreviewPanel::showNewDocument(int inset)
{
    const gfx::Image& image = document_.sourceImage;
    EngineFields& shared = *document_.shared;
    shared.previewX = std::max(0, image.width() / 2 - inset);
    shared.previewY = std::max(0, image.height() / 2 - inset);
    document_.previewZoom = 1.0f;
    pane_->zoomPercentLabel->setText(QStringLiteral("100%"));
    supersede();
    showSource();
}

void PreviewPanel::showEmpty()
{
    if (!document_.resultImage.isNull())
        return;
    QImage empty(PreviewPane::kSize, PreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    empty.fill(QColor::fromRgba(gThemeMode == ThemeMode::Light ? 0xFFFFFFFFu : 0xFF314158u));
    pane_->setBitmap(empty);
}

void PreviewPanel::setZoom(float zoom)
{
    document_.previewZoom = zoom;
    supersede();
    showSource();
    debounce_.start();
    pane_->zoomPercentLabel->setText(QString::number(platform::Round(double(zoom) * 100.0)) + QStringLiteral("%"));
}

void PreviewPanel::pressed(QPointF pos)
{
    // Pressing the pane stops a full run and the running preview.
    document_.shared->cancel.request();
    supersede();
    timer_.stop();
    lastPos_ = pos;
}

void PreviewPanel::dragged(Qt::MouseButtons buttons, QPointF pos)
{
    const gfx::Image& source = document_.sourceImage;
    if (!(buttons & Qt::LeftButton) || document_.resultImage.isNull() || source.isNull())
        return;
    EngineFields& shared = *document_.shared;
    const QPoint origin = PannedPaneOrigin(QPoint(shared.previewX.load(), shared.previewY.load()), pos - lastPos_,
                                           source.size(), QSizeF(pane_->size()), document_.previewZoom.load());
    shared.previewX = origin.x();
    shared.previewY = origin.y();
    lastPos_ = pos;
    supersede();
    showSource();
    const uint32_t now = platform::TickMs();
    if (now - lastPanTime_ > 200) {
        lastPanTime_ = now;
        document_.shared->cancel.request();
        debounce_.start();
    }
}

void PreviewPanel::released()
{
    // A click without a pan previews again at once.
    if (!debounce_.isActive() && !timer_.isActive())
        timer_.start();
}

void PreviewPanel::wheel(int delta)
{
    if (document_.resultImage.isNull())
        return;
    setZoom(PaneWheelZoom(document_.previewZoom.load(), delta));
}

} // namespace pq
