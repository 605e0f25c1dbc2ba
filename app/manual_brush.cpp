#include "app/manual_brush.h"

#include "app/panel_host.h"
#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/texture_step.h"
#include "engine/runtime/ui_sync.h"
#include "panels/brush_canvas.h"
#include "panels/brush_panel.h"
#include "panels/brush_stroke.h"
#include "platform/numeric.h"
#include "platform/run_context.h"
#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "ui/theme.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/document_actions.h"
#include "workspace/effect_panel.h"

#include <QTimer>

#include <cmath>
#include <memory>
#include <thread>

namespace pq {
namespace {

// What one stroke's worker shares with the UI thread's steps.
struct Stroke {
    std::shared_ptr<EffectRunContext> run;
    BrushStrokeJob job;
    uint64_t generation = 0;
    gfx::Image result;
};

} // namespace

ManualBrush::ManualBrush(Document& document, EngineHost& host, PanelHost& panels, CanvasArea& canvas,
                         EffectPanel& effects, DocumentActions& actions, QWidget* frame)
    : QObject(frame), document_(document), host_(host), panels_(panels), canvas_(canvas), effects_(effects),
      frame_(frame)
{
    // The LUT chooser closed the brush for itself; it comes back after.
    panels_.reopenManualBrush = [this] { open(); };
    // Undo and redo keep the view; the open brush takes their image.
    actions.brushPanelTakesImage = [this] { return isOpen(); };
    // No mask of an old image survives a new one.
    document_.onImagesReplaced = [this] { rebind(); };
    // The brush follows every zoom of the main view.
    connect(&canvas_, &CanvasArea::zoomTextChanged, this, [this] {
        if (BrushPanel* brush = panel())
            brush->updatePan({document_.zoom, document_.pan});
    });
}

BrushPanel* ManualBrush::panel() const
{
    return qobject_cast<BrushPanel*>(panels_.manualBrushPanel.data());
}

void ManualBrush::open()
{
    if (document_.resultImage.isNull() || panel() || panels_.backdropPanelOpen() || (busy && busy()))
        return;
    panels_.hideScriptEditorForDialog();
    CanvasView* view = canvas_.canvasView();
    const QRect canvasRect(view->mapTo(frame_, QPoint(0, 0)), view->size());
    const Document::BrushPanelSettings& remembered = document_.manualBrush;
    QPointF boxPos = remembered.panelPos;
    if (!(boxPos.x() > 0 || boxPos.y() > 0))
        boxPos = QPointF(canvasRect.left() + 20, canvasRect.top() + canvasRect.height() - 220);

    auto* brush = new BrushPanel(view, frame_);
    BrushCanvas* brushCanvas = brush->canvas();
    brushCanvas->currentView = [this] { return BrushView{document_.zoom, document_.pan}; };
    brushCanvas->panBy = [this](QPointF delta) {
        document_.pan += delta;
        canvas_.updateCanvasSize();
        canvas_.updateDivider();
        canvas_.canvasView()->update();
    };
    brushCanvas->forwardPress = [this](Qt::MouseButton button, QPointF pos) { canvas_.pressed(button, pos); };
    brushCanvas->forwardRelease = [this](Qt::MouseButton button, QPointF) { canvas_.released(button); };
    brushCanvas->forwardWheel = [this](int delta, QPointF pos) { canvas_.wheel(delta, pos); };
    brush->closing = [this](const BrushPanel& closed) {
        document_.manualBrush.size = float(closed.sizeValue());
        document_.manualBrush.softness = float(closed.softnessValue());
        document_.manualBrush.opacity = float(closed.opacityValue());
        document_.manualBrush.panelPos = closed.controlsPos();
    };
    brush->initialize(document_.resultImage.size(), {document_.zoom, document_.pan}, boxPos);
    const auto slider = [](float v) { return std::isfinite(v) ? platform::Round(v) : 0; };
    brush->setSliders(slider(remembered.size), slider(remembered.softness), slider(remembered.opacity));

    // Applied once the release's handler has returned: an empty mask closes
    // the panel, which must not go inside its own handler.
    connect(brush, &BrushPanel::strokeReleased, this,
            [this] { GuardedCall("ApplyManualBrushEffect", [this] { applyStroke(); }); }, Qt::QueuedConnection);
    connect(brush, &BrushPanel::closeClicked, this,
            [this] { GuardedCall("CloseManualBrushFrame", [this] { close(); }); }, Qt::QueuedConnection);
    connect(brush, &BrushPanel::applyingChanged, this, [this](bool on) { panels_.manualBrushApplying = on; });

    GuardedCall("TranslateComponent", [brush] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(brush);
    });
    brush->show();
    brush->raise();
    panels_.manualBrushPanel = brush;
    panels_.manualBrushApplying = false;
    if (gThemeMode == ThemeMode::Light && panels_.applyLightTheme)
        GuardedCall("applyLightTheme", [this, brush] { panels_.applyLightTheme(brush); });
    QTimer::singleShot(0, brush, [brush] { GuardedCall("AutoFitTexts", [brush] { AutoFitTexts(brush); }); });
}

void ManualBrush::close()
{
    panels_.closeManualBrush();
}

void ManualBrush::rebind()
{
    BrushPanel* brush = panel();
    if (!brush || document_.resultImage.isNull())
        return;
    brush->resetMask();
    brush->initialize(document_.resultImage.size(), {document_.zoom, document_.pan}, brush->controlsPos());
}

void ManualBrush::applyStroke()
{
    BrushPanel* brush = panel();
    if (!brush)
        return;
    auto stroke = std::make_shared<Stroke>();
    BrushStrokeJob& job = stroke->job;
    job.mask = brush->mask().frozenMask();
    job.maskBounds = brush->mask().maskBounds();
    job.opacity = float(brush->opacityValue()) / 100.0f;
    if (job.mask.isNull() || job.maskBounds.isEmpty()) {
        close();
        return;
    }
    job.effect = document_.selectedEffect;
    job.params = effects_.sliderValues();
    stroke->run = EffectRunContext::begin(false);
    if (strokeSeed)
        stroke->run->seed(*strokeSeed);
    stroke->generation = document_.documentGeneration();
    // The stroke is busy work like a full run: Apply, undo and the commands
    // that replace the document wait for it.
    int running = -1;
    if (!TryTakeBusy(host_, job.effect, stroke->run->runId, &running)) {
        // A full run works: the stroke stays in the mask for the next one.
        brush->setApplying(false);
        return;
    }
    document_.beginBackgroundWorker();
    ++strokesRunning_;

    const QPointer<ManualBrush> self(this);
    const int effect = job.effect;
    const uint64_t runId = stroke->run->runId;
    // Every path ends here on the UI thread: the busy state goes, and the
    // panel leaves its applying state, with a fresh mask unless committed.
    const auto finish = [self, effect, runId](bool closePanel) {
        if (!self)
            return;
        ReleaseBusy(self->host_, effect, runId);
        self->host_.updateProgressBar(101);
        if (closePanel)
            self->close();
        else if (BrushPanel* open = self->panel(); open && open->applying())
            open->resetMask();
    };
    const auto worker = [self, stroke, finish] {
        const platform::ScopedRunContext scope(stroke->run.get());
        try {
            SyncWithUi([&] {
                if (!self)
                    throw EAbort();
                // The stored texture is an immutable copy from here on.
                stroke->job.base = self->document_.resultImage;
                stroke->job.source = self->document_.sourceImage;
                stroke->job.texture = ReadStoredTexture(&self->host_);
            });
            stroke->result = ApplyBrushStroke(stroke->job);
            // Let go of the mask before the panel empties its own.
            stroke->job = {};
            SyncWithUi([&] {
                if (self && !stroke->run->isCancelled() && !stroke->result.isNull()
                    && self->document_.isCurrentDocument(stroke->generation)) {
                    Document& document = self->document_;
                    document.resultImage = stroke->result;
                    document.history->save(document.resultImage, document.sourceImage);
                    self->canvas_.canvasView()->update();
                    self->rebind();
                }
                finish(false);
            });
        } catch (const EAbort&) {
            try {
                SyncWithUi([&] { finish(false); });
            } catch (...) {
            }
        } catch (...) {
            try {
                SyncWithUi([&] { finish(true); });
            } catch (...) {
            }
        }
        stroke->job = {};
        stroke->result = {};
        PostToUi([self] {
            if (!self)
                return;
            --self->strokesRunning_;
            self->document_.endBackgroundWorker();
        });
    };
    try {
        std::thread(worker).detach();
    } catch (...) {
        finish(false);
        --strokesRunning_;
        document_.endBackgroundWorker();
        DebugLog(QStringLiteral("manual brush: cannot start a worker thread"));
    }
}

} // namespace pq
