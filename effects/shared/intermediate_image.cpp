#include "effects/shared/intermediate_image.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/progress.h"
#include "engine/runtime/ui_sync.h"

#include <memory>

namespace pq {

void ShowIntermediateLater(const gfx::Image& picture, int progress)
{
    const EffectRunContext* run = CurrentRun();
    std::shared_ptr<EngineFields> fields = run ? run->fields : nullptr;
    const uint64_t epoch = run ? run->cancelEpoch : 0;
    PostToUi([picture, progress, fields, epoch] {
        if (fields && fields->cancel.epoch() != epoch)
            return;
        ShowIntermediateImage(picture, progress);
    });
}

} // namespace pq
