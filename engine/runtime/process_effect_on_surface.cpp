#include "platform/simd_state.h"
#include "engine/runtime/effect_runtime.h"

#include "engine/runtime/brush_sheet_step.h"
#include "engine/runtime/effect_options.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"
#include "engine/runtime/effect_table.h"

#include <new>

namespace pq {
namespace {

// Marks the run as a preview or not for one call.
class PreviewFlag {
public:
    PreviewFlag(EffectRunContext& run, bool preview) : run_(run), saved_(run.preview) { run_.preview = preview; }
    ~PreviewFlag() { run_.preview = saved_; }
    PreviewFlag(const PreviewFlag&) = delete;
    PreviewFlag& operator=(const PreviewFlag&) = delete;

private:
    EffectRunContext& run_;
    bool saved_;
};

} // namespace

void ProcessEffectOnSurface(const gfx::Image& source, gfx::Surface& dest, int effectNumber, int p1, int p2, int p3,
                            int p4, int p5, bool preview)
{
    const EffectProc proc = EffectProcFor(effectNumber);
    if (!proc || dest.isNull())
        return;
    std::shared_ptr<EffectRunContext> own;
    EffectRunContext* run = CurrentRun();
    if (!run) {
        own = EffectRunContext::begin(preview);
        run = own.get();
    }
    platform::ScopedRunContext scope(run);
    platform::ClearUpperSimdState();
    PreviewFlag flag(*run, preview);
    if (ReadsEffectOptions(effectNumber)) {
        EffectOptions options;
        SyncWithUi([&] { options = ReadEffectOptions(InstalledEngineHost()); });
        run->options = options;
    }
    RunBrushSheetStep(effectNumber, *run);
    // Failures of earlier steps of the same run are theirs.
    const bool earlier = run->outOfMemory.exchange(false);
    proc(source, dest, p1, p2, p3, p4, p5, preview);
    if (run->outOfMemory.load())
        throw std::bad_alloc();
    run->outOfMemory.store(earlier);
}

} // namespace pq
