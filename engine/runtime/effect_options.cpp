#include "engine/runtime/effect_options.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

TEffectOptions ReadEffectOptions(const EngineHost* host)
{
    TEffectOptions options;
    if (!host)
        return options;
    options.FEraseBdChecked = host->FEraseBdChecked();
    options.FDrawContourChecked = host->FDrawContourChecked();
    options.FContourColor = host->FContourColor();
    return options;
}

bool ReadsEffectOptions(int EffectNumber)
{
    const EffectDefinition* effect = FindEffectDefinition(EffectNumber);
    return effect && effect->honoursEraseBackground;
}

TEffectOptions RunEffectOptions()
{
    if (const EffectRunContext* run = currentRun(); run && run->options)
        return *run->options;
    TEffectOptions options;
    SyncWithUi([&] { options = ReadEffectOptions(engineHost()); });
    return options;
}

} // namespace pq
