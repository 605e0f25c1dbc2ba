#include "engine/runtime/canvas_step.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/ui_sync.h"

namespace pq {

CanvasBackground ReadCanvasBackground()
{
    CanvasBackground result;
    const EffectRunContext* run = CurrentRun();
    const gfx::Image background = run ? run->backgroundImage : gfx::Image();
    const std::optional<EffectOptions> taken = run ? run->options : std::nullopt;
    SyncWithUi([&] {
        const EngineHost* host = InstalledEngineHost();
        result.erase = taken ? taken->eraseBackground : (host ? host->eraseBackground() : true);
        if (!result.erase)
            result.under = !background.isNull() ? background : (host ? host->resultImage() : gfx::Image());
    });
    return result;
}

void PrepareCanvas(const gfx::Image& source, gfx::Surface& canvas, bool preview)
{
    if (canvas.isNull())
        return;
    const bool hasTransparency = !source.isNull() && !source.isOpaque();
    CanvasBackground background;
    if (!preview)
        background = ReadCanvasBackground();
    if (background.erase) {
        canvas.clear(hasTransparency ? QColor(Qt::transparent) : QColor(Qt::white));
        return;
    }
    canvas.clear(Qt::transparent);
    if (!background.under.isNull())
        canvas.writeImage(background.under, 0, 0);
}

} // namespace pq
