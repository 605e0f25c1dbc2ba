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
#include "platform/ui_bridge.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pq {
namespace {

// One ProcessEffect run: the request and the worker's state. Shared by
// ProcessEffect and the worker; it lives until the worker's last UI step.
struct EffectRun {
    int effectNumber = 0;
    int p1 = 0, p2 = 0, p3 = 0, p4 = 0, p5 = 0;
    bool preview = false;
    int myGeneration = 0;
    std::shared_ptr<EffectRunContext> ctx;

    gfx::Image localSourceImage;
    gfx::Surface dest;
    gfx::Image resultImage;
    // Full runs: told how the run ended.
    EffectRunEnded ended;
    // Set where the run ends; unset, a cancelled run or one that had
    // nothing to run.
    mutable std::optional<EffectRunEnd> end;

    bool stale() const { return ctx->isCancelled(); }
};

std::atomic<int> gWorkers{0};

std::mutex gLiveMutex;
std::vector<std::weak_ptr<EffectRunContext>> gLiveRuns;

void RegisterRun(const std::shared_ptr<EffectRunContext>& ctx)
{
    std::lock_guard lock(gLiveMutex);
    std::erase_if(gLiveRuns, [](const auto& w) { return w.expired(); });
    gLiveRuns.push_back(ctx);
}

// The bridge refused a UI call: the window is gone, nothing more can be done.
struct UiGone {};

void Ui(const std::function<void()>& fn)
{
    if (!platform::CurrentUiBridge().runSync(fn))
        throw UiGone();
}

// A UI step that may fail quietly (the steps that end a run).
void UiQuiet(const std::function<void()>& fn)
{
    platform::CurrentUiBridge().runSync(fn);
}

// UI: the image on display becomes a history entry and the busy state ends.
void SaveAndRelease(const EffectRun& run)
{
    run.end = EffectRunEnd{EffectRunEnd::Outcome::Cancelled, {}};
    EngineHost* host = InstalledEngineHost();
    if (!host)
        return;
    if (ImageHistory* history = host->history())
        history->save(host->resultImage(), host->sourceImage());
    ReleaseBusy(*host, run.effectNumber, run.ctx->runId);
    host->redrawCanvas();
}

// A run that failed for another reason than cancellation: logged; a full
// run frees the busy state and tells the user (not while shutting down).
void ReportFailure(EffectRun& run, const QString& reason, bool outOfMemory)
{
    run.end = EffectRunEnd{EffectRunEnd::Outcome::Failed,
                           outOfMemory ? QStringLiteral("Not enough memory to apply the effect.") : reason};
    const QByteArray what = (QStringLiteral("effect %1: ").arg(run.effectNumber) + reason).toLocal8Bit();
    platform::LogError(run.preview ? "effect preview" : "effect run", what.constData());
    if (run.preview)
        return;
    try {
        UiQuiet([&] {
            EngineHost* host = InstalledEngineHost();
            if (!host)
                return;
            ReleaseBusy(*host, run.effectNumber, run.ctx->runId);
            if (EngineShuttingDown())
                return;
            host->showMessage(outOfMemory ? QStringLiteral("Not enough memory to apply the effect.")
                                          : QStringLiteral("Effect failed: ") + host->effectName(run.effectNumber) +
                                                QStringLiteral(" (") + reason + QStringLiteral(")"));
        });
    } catch (...) {
        platform::LogError("effect run", "the failure step failed");
    }
}

// The worker's steps up to the hand-off. Returns early, silently, on every
// "stop"; cancellation signalled by the routine arrives as EAbort.
void RunSteps(EffectRun& run)
{
    EngineFields& fields = *run.ctx->fields;

    Ui([&] {
        if (const EngineHost* host = InstalledEngineHost()) {
            run.localSourceImage = host->sourceImage();
            run.ctx->options = ReadEffectOptions(host);
        }
    });
    if (run.localSourceImage.isNull() || run.stale())
        return;

    if (run.preview) {
        PreviewPane pane;
        Ui([&] {
            const EngineHost* host = InstalledEngineHost();
            if (!host)
                return;
            pane.zoom = host->previewZoom();
            const QSize display = PreviewDisplaySize(host->previewPaneSize());
            pane.displayWidth = display.width();
            pane.displayHeight = display.height();
            int x = fields.previewX.load();
            int y = fields.previewY.load();
            ClampPreviewOrigin(run.localSourceImage.size(), pane.displayWidth, pane.displayHeight, pane.zoom, x, y);
            fields.previewX.store(x);
            fields.previewY.store(y);
        });
        if (run.myGeneration != fields.previewGeneration.load())
            return;
        pane.window = PreviewWindow(run.localSourceImage.size(), pane.displayWidth, pane.displayHeight, pane.zoom,
                                    fields.previewX.load(), fields.previewY.load());
        if (pane.window.isEmpty())
            return;
        pane.fullWindow = QSize(PreviewExtent(pane.displayWidth, pane.zoom), PreviewExtent(pane.displayHeight, pane.zoom));
        pane.valid = true;
        run.ctx->pane = pane;
        run.localSourceImage = run.localSourceImage.copyRect(pane.window);
        if (run.localSourceImage.isNull() || run.stale())
            return;
    }
    run.dest = gfx::Surface::make(run.localSourceImage.size());
    if (run.dest.isNull() || run.stale())
        return;

    const EffectProc proc = EffectProcFor(run.effectNumber);
    if (!proc)
        return;
    RunBrushSheetStep(run.effectNumber, *run.ctx);

    if (EffectStopRequested()) {
        if (!run.preview)
            Ui([&] { SaveAndRelease(run); });
        return;
    }

    // A full run's cancel state is fresh since ProcessEffect began it; a
    // preview answers to its generation alone. Nothing to clear here.
    proc(run.localSourceImage, run.dest, run.p1, run.p2, run.p3, run.p4, run.p5, run.preview);

    if (run.stale()) {
        if (!run.preview)
            Ui([&] { SaveAndRelease(run); });
        return;
    }
    // A routine that went without memory somewhere has no picture to give,
    // whatever it drew.
    if (run.ctx->outOfMemory.load())
        throw std::bad_alloc();
    run.resultImage = run.dest.snapshot();
    if (run.resultImage.isNull())
        throw std::bad_alloc();

    StoredTexture texture;
    Ui([&] { texture = ReadStoredTexture(InstalledEngineHost()); });
    ApplyStoredTexture(run.resultImage, texture);
    if (run.ctx->outOfMemory.load())
        throw std::bad_alloc();
    if (run.stale()) {
        if (!run.preview)
            Ui([&] { SaveAndRelease(run); });
        return;
    }

    if (run.preview) {
        const gfx::Image picture = ComposePreviewPane(run.resultImage, run.ctx->pane);
        Ui([&] {
            EngineHost* host = InstalledEngineHost();
            // Re-tested here: a newer preview may have been requested while
            // this one waited for the UI thread.
            if (!host || run.myGeneration != fields.previewGeneration.load() || run.ctx->isCancelled())
                return;
            if (host->previewPaneSize().isEmpty())
                return;
            host->showPreview(picture);
            // Done: no ring or percent stays behind, whatever the routine
            // reported last.
            fields.storePreviewProgress(run.myGeneration, 101);
            host->setPreviewPercent(101);
        });
        return;
    }

    Ui([&] {
        EngineHost* host = InstalledEngineHost();
        if (!host)
            return;
        if (run.ctx->isCancelled()) {
            SaveAndRelease(run);
            return;
        }
        host->setResultImage(run.resultImage);
        run.end = EffectRunEnd{EffectRunEnd::Outcome::Done, {}};
        if (ImageHistory* history = host->history())
            history->save(host->resultImage(), host->sourceImage());
        host->redrawCanvas();
        // The busy state ends only now that the result is stored.
        ReleaseBusy(*host, run.effectNumber, run.ctx->runId);
    });
}

void Worker(std::shared_ptr<EffectRun> run)
{
    {
        platform::ScopedRunContext scope(run->ctx.get());
        platform::ClearUpperSimdState();
        try {
            RunSteps(*run);
        } catch (const UiGone&) {
            // Shut-down: no UI left to hand anything to.
        } catch (const EAbort&) {
            if (!run->preview)
                UiQuiet([&] { SaveAndRelease(*run); });
        } catch (const std::bad_alloc&) {
            ReportFailure(*run, QStringLiteral("not enough memory"), true);
        } catch (const std::exception& e) {
            ReportFailure(*run, QString::fromLocal8Bit(e.what()), false);
        } catch (...) {
            ReportFailure(*run, QStringLiteral("unknown error"), false);
        }
        if (!run->preview) {
            try {
                UiQuiet([&] {
                    EngineHost* host = InstalledEngineHost();
                    if (!host)
                        return;
                    ReleaseBusy(*host, run->effectNumber, run->ctx->runId);
                    if (run->ended) {
                        if (!run->end)
                            run->end = run->ctx->isCancelled()
                                           ? EffectRunEnd{EffectRunEnd::Outcome::Cancelled, {}}
                                           : EffectRunEnd{EffectRunEnd::Outcome::Failed,
                                                          QStringLiteral("The effect gave no result.")};
                        run->ended(*run->end);
                    }
                    if (host->closeRequested()) {
                        host->setCloseRequested(false);
                        host->closeWindow();
                    }
                });
            } catch (...) {
                platform::LogError("effect run", "the end step failed");
            }
        }
    }
    run->resultImage = {};
    run->dest = {};
    run->localSourceImage = {};
    run.reset();
    gWorkers.fetch_sub(1);
}

void StartEffect(int effectNumber, int p1, int p2, int p3, int p4, int p5, bool preview, EffectRunEnded ended)
{
    // A refused run reports at once.
    const auto refuse = [](const EffectRunEnded& told, const QString& message) {
        if (told)
            told({EffectRunEnd::Outcome::Failed, message});
    };
    EngineHost* host = InstalledEngineHost();
    if (!host || EngineShuttingDown())
        return refuse(ended, QStringLiteral("The program is closing."));
    auto run = std::make_shared<EffectRun>();
    run->effectNumber = effectNumber;
    run->p1 = p1;
    run->p2 = p2;
    run->p3 = p3;
    run->p4 = p4;
    run->p5 = p5;
    run->preview = preview;
    run->ended = std::move(ended);

    if (host->resultImage().isNull()) {
        host->showMessage(QStringLiteral("No image loaded"));
        return refuse(run->ended, QStringLiteral("No image loaded"));
    }

    if (preview) {
        run->myGeneration = host->shared->previewGeneration.fetch_add(1) + 1;
        run->ctx = EffectRunContext::begin(true, run->myGeneration);
        // The superseded preview's percent goes with it.
        host->setPreviewPercent(0);
    } else {
        run->ctx = EffectRunContext::begin(false, 0);
        int running = -1;
        if (!TryTakeBusy(*host, effectNumber, run->ctx->runId, &running)) {
            // Shown outside the lock: the box runs a nested event loop whose
            // preview timer may call ProcessEffect again.
            const QString busy = QStringLiteral("Please wait for \"") + host->effectName(running) +
                                 QStringLiteral("\" to finish processing.");
            host->showMessage(busy);
            return refuse(run->ended, busy);
        }
    }

    SetEffectStopRequested(false);
    RegisterRun(run->ctx);

    gWorkers.fetch_add(1);
    try {
        std::thread(Worker, run).detach();
    } catch (...) {
        gWorkers.fetch_sub(1);
        if (!preview)
            ReleaseBusy(*host, effectNumber, run->ctx->runId);
        platform::LogError("ProcessEffect", "cannot start a worker thread");
        if (run->ended)
            run->ended({EffectRunEnd::Outcome::Failed, QStringLiteral("Not enough memory")});
    }
}

} // namespace

void ProcessEffect(int effectNumber, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    StartEffect(effectNumber, p1, p2, p3, p4, p5, preview, {});
}

void ProcessEffect(int effectNumber, int p1, int p2, int p3, int p4, int p5, EffectRunEnded ended)
{
    StartEffect(effectNumber, p1, p2, p3, p4, p5, false, std::move(ended));
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
