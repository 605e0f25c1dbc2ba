#include "platform/simd_state.h"
#include "engine/runtime/effect_runtime.h"

#include "engine/runtime/brush_sheet_step.h"
#include "engine/runtime/effect_options.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"
#include "engine/runtime/effect_table.h"

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

void ProcessEffectOnSurface(const gfx::Image& Source, gfx::Surface& Dest, int EffectNumber, int P1, int P2, int P3,
                            int P4, int P5, bool Preview)
{
    const EffectProc proc = EffectProcFor(EffectNumber);
    if (!proc || Dest.isNull())
        return;
    std::shared_ptr<EffectRunContext> own;
    EffectRunContext* run = currentRun();
    if (!run) {
        own = EffectRunContext::begin(Preview);
        run = own.get();
    }
    platform::ScopedRunContext scope(run);
    platform::clearUpperSimdState();
    PreviewFlag flag(*run, Preview);
    if (ReadsEffectOptions(EffectNumber)) {
        EffectOptions options;
        SyncWithUi([&] { options = ReadEffectOptions(engineHost()); });
        run->options = options;
    }
    RunBrushSheetStep(EffectNumber, *run);
    proc(Source, Dest, P1, P2, P3, P4, P5, Preview);
}

} // namespace pq
