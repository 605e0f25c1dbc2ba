#include "engine/runtime/progress.h"

#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/preview_window.h"
#include "engine/runtime/ui_sync.h"
#include "platform/tick.h"
#include "platform/ui_bridge.h"

namespace pq {

std::atomic<uint32_t> gLastProgressTick{0};

namespace {

[[noreturn]] void abortRun(const EffectRunContext* run)
{
    if (!run || !run->preview)
        UpdateProgressBar(101);
    throw EAbort();
}

// Passes when more than limitMs have gone by since the last passing report
// (unsigned difference, so a wrapped tick passes too) or the value is not a
// percentage in 1..100; a passing report takes the timestamp.
bool passThrottle(int value, uint32_t limitMs)
{
    const uint32_t now = platform::tickMs();
    const uint32_t last = gLastProgressTick.load(std::memory_order_relaxed);
    if (now - last <= limitMs && value > 0 && value <= 100)
        return false;
    gLastProgressTick.store(now, std::memory_order_relaxed);
    return true;
}

} // namespace

bool IsEffectCancelled()
{
    const EffectRunContext* run = currentRun();
    return run && run->isCancelled();
}

void CheckCancellation()
{
    const EffectRunContext* run = currentRun();
    if (run && run->isCancelled())
        abortRun(run);
}

void SafeUpdateProgress(int Value)
{
    const EffectRunContext* run = currentRun();
    if (run && run->isCancelled())
        abortRun(run);
    if (!passThrottle(Value, 50))
        return;
    if (!run || !run->preview)
        UpdateProgressBar(Value);
}

void SafeUpdatePreview(const gfx::Surface* Surface, int Value)
{
    const EffectRunContext* run = currentRun();
    if (run && run->isSuperseded())
        return;
    if (run && run->isCancelled())
        throw EAbort();
    const std::shared_ptr<EngineFields> fields = run ? run->fields : sharedFields();
    const bool preview = run && run->preview;
    fields->StorePreviewProgress(preview ? run->generation : fields->previewGeneration.load(), Value);
    if (!passThrottle(Value, preview ? 120 : 50))
        return;
    if (!Surface || Surface->isNull())
        return;
    gfx::Image picture = Surface->snapshot();
    if (run)
        picture = ComposePreviewPane(picture, run->pane);
    const int generation = run ? run->generation : 0;
    PostToUi([picture, Value, fields, preview, generation] {
        EngineHost* host = engineHost();
        if (!host)
            return;
        // A preview replaced while this snapshot waited in the queue must not
        // be drawn over the newer one.
        if (preview && fields->previewGeneration.load() != generation)
            return;
        host->setPreviewPercent(Value);
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

void ShowIntermediateImage(const gfx::Image& Image, int Progress)
{
    if (!platform::uiBridge().isUiThread()) {
        PostToUi([Image, Progress] { ShowIntermediateImage(Image, Progress); });
        return;
    }
    EngineHost* host = engineHost();
    if (!host)
        return;
    if (!host->manualBrushOpen()) {
        host->setResultImage(Image);
        host->redrawCanvas();
    }
    if (Progress >= 0)
        host->UpdateProgressBar(Progress);
}

void UpdateProgressBar(int Value)
{
    PostToUi([Value] {
        if (EngineHost* host = engineHost())
            host->UpdateProgressBar(Value);
    });
}

} // namespace pq
