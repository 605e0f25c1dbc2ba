#include "engine/runtime/brush_sheet_step.h"

#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

void RunBrushSheetStep(int EffectNumber, EffectRunContext& run)
{
    const EffectDefinition* effect = FindEffectDefinition(EffectNumber);
    if (!effect || effect->brushSheet == BrushSheetChoice::None)
        return;
    const BrushSheetChoice choice = effect->brushSheet;
    SyncWithUi([&] {
        const EngineHost* host = engineHost();
        ImageRepository& repo = Repository();
        const std::shared_ptr<EngineFields> fields = host ? host->Shared : sharedFields();
        const bool custom304 = host && host->CustomBrushesOn304();
        switch (choice) {
        case BrushSheetChoice::Pastel:
            repo.Brushes = host && host->CustomBrushesOn302() ? host->CustomBrushBitmap302() : repo.PastelBrushes;
            break;
        case BrushSheetChoice::Watercolor:
            repo.Brushes = host && host->CustomBrushesOn303() ? host->CustomBrushBitmap303() : repo.WatercolorBrushes;
            break;
        case BrushSheetChoice::Impasto:
            if (custom304) {
                fields->brushCount.store(host->CustomBrushCount304());
                repo.Brushes = host->CustomBrushBitmap304();
            } else {
                fields->brushCount.store(40);
                repo.Brushes = repo.DefaultBrushes;
            }
            break;
        case BrushSheetChoice::Stochastic:
            if (!custom304)
                repo.Brushes = repo.DefaultBrushes;
            break;
        case BrushSheetChoice::None:
            break;
        }
        run.brushSheet = repo.Brushes;
        run.brushCount = fields->brushCount.load();
    });
}

} // namespace pq
