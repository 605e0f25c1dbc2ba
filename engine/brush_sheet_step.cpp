#include "engine/brush_sheet_step.h"

#include "engine/effect_run.h"
#include "engine/engine_host.h"
#include "engine/repository.h"
#include "engine/ui_sync.h"

namespace pq {

void RunBrushSheetStep(int EffectNumber, EffectRunContext& run)
{
    if (EffectNumber != 302 && EffectNumber != 303 && EffectNumber != 304 && EffectNumber != 307)
        return;
    SyncWithUi([&] {
        const EngineHost* host = engineHost();
        TForm3& repo = Form3();
        const std::shared_ptr<EngineFields> fields = host ? host->Shared : sharedFields();
        const bool custom304 = host && host->CustomBrushesOn304();
        switch (EffectNumber) {
        case 302:
            repo.Brushes = host && host->CustomBrushesOn302() ? host->CustomBrushBitmap302() : repo.PastelBrushes;
            break;
        case 303:
            repo.Brushes = host && host->CustomBrushesOn303() ? host->CustomBrushBitmap303() : repo.WatercolorBrushes;
            break;
        case 304:
            if (custom304) {
                fields->GlobalBrushCount.store(host->CustomBrushCount304());
                repo.Brushes = host->CustomBrushBitmap304();
            } else {
                fields->GlobalBrushCount.store(40);
                repo.Brushes = repo.DefaultBrushes;
            }
            break;
        case 307:
            if (!custom304)
                repo.Brushes = repo.DefaultBrushes;
            break;
        }
        run.brushSheet = repo.Brushes;
        run.brushCount = fields->GlobalBrushCount.load();
    });
}

} // namespace pq
