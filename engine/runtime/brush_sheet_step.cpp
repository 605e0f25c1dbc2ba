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
        const auto custom = [&](BrushSheetChoice kind) { return host ? host->customBrushSheet(kind) : CustomBrushSheet(); };
        switch (choice) {
        case BrushSheetChoice::Pastel: {
            const CustomBrushSheet user = custom(BrushSheetChoice::Pastel);
            repo.brushes = user.on ? user.sheet : repo.sharedImage(&ImageRepository::pastelBrushes);
            break;
        }
        case BrushSheetChoice::Watercolor: {
            const CustomBrushSheet user = custom(BrushSheetChoice::Watercolor);
            repo.brushes = user.on ? user.sheet : repo.sharedImage(&ImageRepository::watercolorBrushes);
            break;
        }
        case BrushSheetChoice::Impasto: {
            const CustomBrushSheet user = custom(BrushSheetChoice::Impasto);
            fields->brushCount.store(user.on ? user.count : 40);
            repo.brushes = user.on ? user.sheet : repo.sharedImage(&ImageRepository::defaultBrushes);
            break;
        }
        case BrushSheetChoice::None:
            break;
        }
        run.brushSheet = repo.brushes;
        run.brushCount = fields->brushCount.load();
    });
}

} // namespace pq
