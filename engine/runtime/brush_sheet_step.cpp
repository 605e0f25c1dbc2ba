#include "engine/runtime/brush_sheet_step.h"

#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

void RunBrushSheetStep(int effectNumber, EffectRunContext& run)
{
    const EffectDefinition* effect = FindEffectDefinition(effectNumber);
    if (!effect || effect->brushSheet == BrushSheetChoice::None)
        return;
    const BrushSheetChoice choice = effect->brushSheet;
    SyncWithUi([&] {
        const EngineHost* host = InstalledEngineHost();
        ImageRepository& repo = Repository();
        const std::shared_ptr<EngineFields> fields = host ? host->shared : SharedFields();
        const bool custom304 = host && host->customBrushesOn304();
        switch (choice) {
        case BrushSheetChoice::Pastel:
            repo.brushes = host && host->customBrushesOn302() ? host->customBrushBitmap302() : repo.pastelBrushes;
            break;
        case BrushSheetChoice::Watercolor:
            repo.brushes = host && host->customBrushesOn303() ? host->customBrushBitmap303() : repo.watercolorBrushes;
            break;
        case BrushSheetChoice::Impasto:
            if (custom304) {
                fields->brushCount.store(host->customBrushCount304());
                repo.brushes = host->customBrushBitmap304();
            } else {
                fields->brushCount.store(40);
                repo.brushes = repo.defaultBrushes;
            }
            break;
        case BrushSheetChoice::Stochastic:
            if (!custom304)
                repo.brushes = repo.defaultBrushes;
            break;
        case BrushSheetChoice::None:
            break;
        }
        run.brushSheet = repo.brushes;
        run.brushCount = fields->brushCount.load();
    });
}

} // namespace pq
