#include "platform/simd_state.h"
#include "engine/runtime/effect_runtime.h"

#include "engine/runtime/brush_sheet_step.h"
#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_options.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/history/image_history.h"
#include "engine/runtime/preview_window.h"
#include "engine/runtime/texture_step.h"
#include "platform/numeric.h"
#include "platform/ui_bridge.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pq {
namespace {

// One ProcessEffect run: the request and the worker's state. Shared by
// ProcessEffect and the worker; it lives until the worker's last UI step.
struct EffectRun {
    int EffectNumber = 0;
    int P1 = 0, P2 = 0, P3 = 0, P4 = 0, P5 = 0;
    bool Preview = false;
    int MyGeneration = 0;
    std::shared_ptr<EffectRunContext> ctx;

    gfx::Image LocalSourceImage;
    gfx::Surface Dest;
    gfx::Image ResultImage;

    bool stale() const { return ctx->isCancelled(); }
};

std::atomic<int> gWorkers{0};

std::mutex gLiveMutex;
std::vector<std::weak_ptr<EffectRunContext>> gLiveRuns;

void registerRun(const std::shared_ptr<EffectRunContext>& ctx)
{
    std::lock_guard lock(gLiveMutex);
    std::erase_if(gLiveRuns, [](const auto& w) { return w.expired(); });
    gLiveRuns.push_back(ctx);
}

// The bridge refused a UI call: the window is gone, nothing more can be done.
struct UiGone {};

void ui(const std::function<void()>& fn)
{
    if (!platform::uiBridge().runSync(fn))
        throw UiGone();
}

// A UI step that may fail quietly (the steps that end a run).
void uiQuiet(const std::function<void()>& fn)
{
    platform::uiBridge().runSync(fn);
}

int roundedSize(double v)
{
    if (!std::isfinite(v) || v <= 0.0)
        return 0;
    return platform::Round(std::min(v, 65535.0));
}

// UI: the image on display becomes a history entry and the busy state ends.
void saveAndRelease(const EffectRun& run)
{
    EngineHost* host = engineHost();
    if (!host)
        return;
    if (ImageHistory* history = host->history())
        history->Save(host->resultImage(), host->sourceImage());
    ReleaseBusy(*host, run.EffectNumber, run.ctx->runId);
    host->redrawCanvas();
}

// A run that failed for another reason than cancellation: logged; a full
// run frees the busy state and tells the user (not while shutting down).
void reportFailure(const EffectRun& run, const QString& reason, bool outOfMemory)
{
    const QByteArray what = (QStringLiteral("effect %1: ").arg(run.EffectNumber) + reason).toLocal8Bit();
    platform::logError(run.Preview ? "effect preview" : "effect run", what.constData());
    if (run.Preview)
        return;
    try {
        uiQuiet([&] {
            EngineHost* host = engineHost();
            if (!host)
                return;
            ReleaseBusy(*host, run.EffectNumber, run.ctx->runId);
            if (EngineShuttingDown())
                return;
            host->ShowMessage(outOfMemory ? QStringLiteral("Not enough memory to apply the effect.")
                                          : QStringLiteral("Effect failed: ") + host->effectName(run.EffectNumber) +
                                                QStringLiteral(" (") + reason + QStringLiteral(")"));
        });
    } catch (...) {
        platform::logError("effect run", "the failure step failed");
    }
}

// The worker's steps up to the hand-off. Returns early, silently, on every
// "stop"; cancellation signalled by the routine arrives as EAbort.
void runSteps(EffectRun& run)
{
    EngineFields& fields = *run.ctx->fields;

    ui([&] {
        if (const EngineHost* host = engineHost()) {
            run.LocalSourceImage = host->sourceImage();
            run.ctx->options = ReadEffectOptions(host);
        }
    });
    if (run.LocalSourceImage.isNull() || run.stale())
        return;

    if (run.Preview) {
        PreviewPane pane;
        ui([&] {
            const EngineHost* host = engineHost();
            if (!host)
                return;
            pane.zoom = host->previewZoom();
            const QSizeF size = host->previewPaneSize();
            pane.displayWidth = roundedSize(size.width());
            pane.displayHeight = roundedSize(size.height());
            int x = fields.previewX.load();
            int y = fields.previewY.load();
            ClampPreviewOrigin(run.LocalSourceImage.size(), pane.displayWidth, pane.displayHeight, pane.zoom, x, y);
            fields.previewX.store(x);
            fields.previewY.store(y);
        });
        if (run.MyGeneration != fields.previewGeneration.load())
            return;
        pane.window = PreviewWindow(run.LocalSourceImage.size(), pane.displayWidth, pane.displayHeight, pane.zoom,
                                    fields.previewX.load(), fields.previewY.load());
        if (pane.window.isEmpty())
            return;
        pane.fullWindow = QSize(PreviewExtent(pane.displayWidth, pane.zoom), PreviewExtent(pane.displayHeight, pane.zoom));
        pane.valid = true;
        run.ctx->pane = pane;
        run.LocalSourceImage = run.LocalSourceImage.copyRect(pane.window);
        if (run.LocalSourceImage.isNull() || run.stale())
            return;
    }
    run.Dest = gfx::Surface::make(run.LocalSourceImage.size());
    if (run.Dest.isNull() || run.stale())
        return;

    const EffectProc proc = EffectProcFor(run.EffectNumber);
    if (!proc)
        return;
    RunBrushSheetStep(run.EffectNumber, *run.ctx);

    if (EffectStopRequested()) {
        if (!run.Preview)
            ui([&] { saveAndRelease(run); });
        return;
    }

    // A full run's cancel state is fresh since ProcessEffect began it; a
    // preview answers to its generation alone. Nothing to clear here.
    proc(run.LocalSourceImage, run.Dest, run.P1, run.P2, run.P3, run.P4, run.P5, run.Preview);

    if (run.stale()) {
        if (!run.Preview)
            ui([&] { saveAndRelease(run); });
        return;
    }
    run.ResultImage = run.Dest.snapshot();
    if (run.ResultImage.isNull())
        return;

    StoredTexture texture;
    ui([&] { texture = ReadStoredTexture(engineHost()); });
    ApplyStoredTexture(run.ResultImage, texture);
    if (run.stale()) {
        if (!run.Preview)
            ui([&] { saveAndRelease(run); });
        return;
    }

    if (run.Preview) {
        const gfx::Image picture = ComposePreviewPane(run.ResultImage, run.ctx->pane);
        ui([&] {
            EngineHost* host = engineHost();
            // Re-tested here: a newer preview may have been requested while
            // this one waited for the UI thread.
            if (!host || run.MyGeneration != fields.previewGeneration.load() || run.ctx->isCancelled())
                return;
            if (host->previewPaneSize().isEmpty())
                return;
            host->showPreview(picture);
            // Done: no ring or percent stays behind, whatever the routine
            // reported last.
            fields.StorePreviewProgress(run.MyGeneration, 101);
            host->setPreviewPercent(101);
        });
        return;
    }

    ui([&] {
        EngineHost* host = engineHost();
        if (!host)
            return;
        if (run.ctx->isCancelled()) {
            saveAndRelease(run);
            return;
        }
        host->setResultImage(run.ResultImage);
        if (ImageHistory* history = host->history())
            history->Save(host->resultImage(), host->sourceImage());
        host->redrawCanvas();
        // The busy state ends only now that the result is stored.
        ReleaseBusy(*host, run.EffectNumber, run.ctx->runId);
    });
}

void worker(std::shared_ptr<EffectRun> run)
{
    {
        platform::ScopedRunContext scope(run->ctx.get());
        platform::clearUpperSimdState();
        try {
            runSteps(*run);
        } catch (const UiGone&) {
            // Shut-down: no UI left to hand anything to.
        } catch (const EAbort&) {
            if (!run->Preview)
                uiQuiet([&] { saveAndRelease(*run); });
        } catch (const std::bad_alloc&) {
            reportFailure(*run, QStringLiteral("not enough memory"), true);
        } catch (const std::exception& e) {
            reportFailure(*run, QString::fromLocal8Bit(e.what()), false);
        } catch (...) {
            reportFailure(*run, QStringLiteral("unknown error"), false);
        }
        if (!run->Preview) {
            try {
                uiQuiet([&] {
                    EngineHost* host = engineHost();
                    if (!host)
                        return;
                    ReleaseBusy(*host, run->EffectNumber, run->ctx->runId);
                    if (host->closeRequested()) {
                        host->setCloseRequested(false);
                        host->Close();
                    }
                });
            } catch (...) {
                platform::logError("effect run", "the end step failed");
            }
        }
    }
    run->ResultImage = {};
    run->Dest = {};
    run->LocalSourceImage = {};
    run.reset();
    gWorkers.fetch_sub(1);
}

} // namespace

void ProcessEffect(int EffectNumber, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    EngineHost* host = engineHost();
    if (!host || EngineShuttingDown())
        return;
    auto run = std::make_shared<EffectRun>();
    run->EffectNumber = EffectNumber;
    run->P1 = P1;
    run->P2 = P2;
    run->P3 = P3;
    run->P4 = P4;
    run->P5 = P5;
    run->Preview = Preview;

    if (host->resultImage().isNull()) {
        host->ShowMessage(QStringLiteral("No image loaded"));
        return;
    }

    if (Preview) {
        run->MyGeneration = host->Shared->previewGeneration.fetch_add(1) + 1;
        run->ctx = EffectRunContext::begin(true, run->MyGeneration);
        // The superseded preview's percent goes with it.
        host->setPreviewPercent(0);
    } else {
        run->ctx = EffectRunContext::begin(false, 0);
        int running = -1;
        if (!TryTakeBusy(*host, EffectNumber, run->ctx->runId, &running)) {
            // Shown outside the lock: the box runs a nested event loop whose
            // preview timer may call ProcessEffect again.
            host->ShowMessage(QStringLiteral("Please wait for \"") + host->effectName(running) +
                              QStringLiteral("\" to finish processing."));
            return;
        }
    }

    SetEffectStopRequested(false);
    registerRun(run->ctx);

    gWorkers.fetch_add(1);
    try {
        std::thread(worker, run).detach();
    } catch (...) {
        gWorkers.fetch_sub(1);
        if (!Preview)
            ReleaseBusy(*host, EffectNumber, run->ctx->runId);
        platform::logError("ProcessEffect", "cannot start a worker thread");
    }
}

void AbortProcessing()
{
    SetEffectStopRequested(true);
    std::lock_guard lock(gLiveMutex);
    // Previews do not answer to Cancel: stop them here. Full runs stop
    // through the window's Cancel, which it requests next.
    for (const auto& weak : gLiveRuns)
        if (auto ctx = weak.lock(); ctx && ctx->preview)
            ctx->stop();
}

void BeginEngineShutdown()
{
    SetEngineShuttingDown(true);
    AbortProcessing();
}

int EffectWorkerCount()
{
    return gWorkers.load();
}

} // namespace pq
