#include "effects/shared/intermediate_image.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/progress.h"
#include "engine/runtime/ui_sync.h"

#include <memory>

namespace pq {

void ShowIntermediateLater(const gfx::Image& Picture, int Progress)
{
    const EffectRunContext* run = currentRun();
    std::shared_ptr<EngineFields> fields = run ? run->fields : nullptr;
    const uint64_t epoch = run ? run->cancelEpoch : 0;
    PostToUi([Picture, Progress, fields, epoch] {
        if (fields && fields->Cancel.epoch() != epoch)
            return;
        ShowIntermediateImage(Picture, Progress);
    });
}

} // namespace pq
