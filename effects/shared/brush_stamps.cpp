#include "effects/shared/brush_stamps.h"

#include "engine/runtime/effect_api.h"

namespace pq {

bool PrepareStampCanvas(const gfx::Image& source, gfx::Surface& dest, bool preview)
{
    if (preview) {
        dest.clearPixel(0);
        return true;
    }
    const CanvasBackground background = ReadCanvasBackground();
    if (background.erase) {
        dest.clearPixel(!source.isNull() && !source.isOpaque() ? 0u : 0xFFFFFFFFu);
        return true;
    }
    dest.clearPixel(0);
    if (!background.under.isNull())
        dest.writeImage(background.under, 0, 0);
    return false;
}

} // namespace pq
