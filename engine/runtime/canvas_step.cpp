#include "engine/runtime/canvas_step.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

CanvasBackground ReadCanvasBackground()
{
    CanvasBackground result;
    const EffectRunContext* run = currentRun();
    const gfx::Image background = run ? run->backgroundImage : gfx::Image();
    const std::optional<EffectOptions> taken = run ? run->options : std::nullopt;
    SyncWithUi([&] {
        const EngineHost* host = engineHost();
        result.erase = taken ? taken->eraseBackground : (host ? host->eraseBackground() : true);
        if (!result.erase)
            result.under = !background.isNull() ? background : (host ? host->resultImage() : gfx::Image());
    });
    return result;
}

void PrepareCanvas(const gfx::Image& Source, gfx::Surface& Canvas, bool Preview)
{
    if (Canvas.isNull())
        return;
    const bool hasTransparency = !Source.isNull() && !Source.isOpaque();
    CanvasBackground background;
    if (!Preview)
        background = ReadCanvasBackground();
    if (background.erase) {
        Canvas.clear(hasTransparency ? QColor(Qt::transparent) : QColor(Qt::white));
        return;
    }
    Canvas.clear(Qt::transparent);
    if (!background.under.isNull())
        Canvas.writeImage(background.under, 0, 0);
}

} // namespace pq
