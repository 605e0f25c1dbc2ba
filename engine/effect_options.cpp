#include "engine/effect_options.h"

#include "engine/effect_run.h"
#include "engine/engine_host.h"
#include "engine/ui_sync.h"

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
    switch (EffectNumber) {
    case 202:
    case 300: case 301: case 302: case 303: case 304: case 305: case 307: case 308:
    case 500: case 501: case 502: case 503:
        return true;
    default:
        return false;
    }
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
