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

bool ReadsEffectOptions(int effectNumber)
{
    const EffectDefinition* effect = FindEffectDefinition(effectNumber);
    return effect && effect->honoursEraseBackground;
}

EffectOptions RunEffectOptions()
{
    if (const EffectRunContext* run = CurrentRun(); run && run->options)
        return *run->options;
    EffectOptions options;
    SyncWithUi([&] { options = ReadEffectOptions(InstalledEngineHost()); });
    return options;
}

} // namespace pq
