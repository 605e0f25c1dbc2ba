#include "engine/runtime/effect_options.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

EffectOptions ReadEffectOptions(const EngineHost* host)
{
    EffectOptions options;
    if (!host)
        return options;
    options.eraseBackground = host->eraseBackground();
    options.drawContours = host->drawContours();
    options.contourColor = host->contourColor();
    return options;
}

bool ReadsEffectOptions(int EffectNumber)
{
    const EffectDefinition* effect = FindEffectDefinition(EffectNumber);
    return effect && effect->honoursEraseBackground;
}

EffectOptions RunEffectOptions()
{
    if (const EffectRunContext* run = currentRun(); run && run->options)
        return *run->options;
    EffectOptions options;
    SyncWithUi([&] { options = ReadEffectOptions(engineHost()); });
    return options;
}

} // namespace pq
