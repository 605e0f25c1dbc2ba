#include "engine/runtime/progress.h"

#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/preview_window.h"
#include "engine/runtime/ui_sync.h"
#include "platform/tick.h"

#include <memory>

namespace pq {

std::atomic<uint32_t> gLastProgressTick{0};

namespace {

[[noreturn]] void AbortRun(const EffectRunContext* run)
{
    if (!run || !run->preview)
        UpdateProgressBar(101);
    throw EAbort();
}

// Passes when more than limitMs have gone by since the last passing report
// (unsigned difference, so a wrapped tick passes too) or the value is not a
// percentage in 1..100; a passing report takes the timestamp.
bool PassThrottle(int value, uint32_t limitMs)
{
    const uint32_t now = platform::TickMs();
    const uint32_t last = gLastProgressTick.load(std::memory_order_relaxed);
    if (now - last <= limitMs && value > 0 && value <= 100)
        return false;
    gLastProgressTick.store(now, std::memory_order_relaxed);
    return true;
}

} // namespace

bool IsEffectCancelled()
{
    const EffectRunContext* run = CurrentRun();
    return run && run->isCancelled();
}

void CheckCancellation()
{
    const EffectRunContext* run = CurrentRun();
    if (run && run->isCancelled())
        AbortRun(run);
}

void SafeUpdateProgress(int value)
{
    const EffectRunContext* run = CurrentRun();
    if (run && run->isCancelled())
        AbortRun(run);
    if (!PassThrottle(value, 50))
        return;
    if (!run || !run->preview)
        UpdateProgressBar(value);
}

void SafeUpdatePreview(const gfx::Surface* surface, int value)
{
    const EffectRunContext* run = CurrentRun();
    if (run && run->isSuperseded())
        return;
    if (run && run->isCancelled())
        throw EAbort();
    const std::shared_ptr<EngineFields> fields = run ? run->fields : SharedFields();
    const bool preview = run && run->preview;
    fields->storePreviewProgress(preview ? run->generation : fields->previewGeneration.load(), value);
    if (!PassThrottle(value, preview ? 120 : 50))
        return;
    if (!surface || surface->isNull())
        return;
    gfx::Image picture = surface->snapshot();
    if (run)
        picture = ComposePreviewPane(picture, run->pane);
    const int generation = run ? run->generation : 0;
    PostToUi([picture, value, fields, preview, generation] {
        EngineHost* host = InstalledEngineHost();
        if (!host)
            return;
        // A preview replaced while this snapshot waited in the queue must not
        // be drawn over the newer one.
        if (preview && fields->previewGeneration.load() != generation)
            return;
        host->setPreviewPercent(value);
        host->showPreview(picture);
    });
}

void ReportProgress(const gfx::Surface& surface, bool preview, int value)
{
    if (preview)
        SafeUpdatePreview(surface, value);
    else
        SafeUpdateProgress(value);
}

void ReportFinished(const gfx::Surface& surface, bool preview)
{
    if (preview) {
        gLastProgressTick = 0;
        SafeUpdatePreview(surface, 101);
    } else {
        SafeUpdateProgress(101);
    }
}

void ShowIntermediateImage(const gfx::Image& image, int progress, Delivery delivery)
{
    const EffectRunContext* run = CurrentRun();
    std::shared_ptr<EngineFields> fields = run ? run->fields : nullptr;
    const uint64_t epoch = run ? run->cancelEpoch : 0;
    auto show = [image, progress, fields, epoch] {
        if (fields && fields->cancel.epoch() != epoch)
            return;
        EngineHost* host = InstalledEngineHost();
        if (!host)
            return;
        if (!host->manualBrushOpen()) {
            host->setResultImage(image);
            host->redrawCanvas();
        }
        if (progress >= 0)
            host->updateProgressBar(progress);
    };
    if (delivery == Delivery::Synchronous)
        SyncWithUi(show);
    else
        PostToUi(show);
}

void UpdateProgressBar(int value)
{
    PostToUi([value] {
        if (EngineHost* host = InstalledEngineHost())
            host->updateProgressBar(value);
    });
}

} // namespace pq
