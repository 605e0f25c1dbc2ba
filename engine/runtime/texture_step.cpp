#include "engine/runtime/texture_step.h"

#include "engine/runtime/engine_host.h"
#include "engine/services/texture_overlay.h"
#include "platform/numeric.h"

#include <atomic>
#include <cmath>

namespace pq {
namespace {

void DefaultOverlay(gfx::Image& image, const gfx::Image& texture, int strength, float scale)
{
    ApplyCustomTexture(image, texture, strength, scale);
}

std::atomic<TextureOverlayProc> gOverlay{DefaultOverlay};

} // namespace

StoredTexture ReadStoredTexture(const EngineHost* host)
{
    StoredTexture t;
    if (!host || !host->addTexture())
        return t;
    t.bitmap = host->storedTexture();
    t.on = !t.bitmap.isNull();
    const float strength = host->storedTextureStrength();
    t.strength = std::isfinite(strength) ? platform::Round(strength) : 0;
    t.scale = host->storedTextureScale();
    return t;
}

void SetTextureOverlayProc(TextureOverlayProc proc)
{
    gOverlay.store(proc ? proc : DefaultOverlay);
}

void ApplyStoredTexture(gfx::Image& image, const StoredTexture& texture)
{
    const TextureOverlayProc proc = gOverlay.load();
    if (!texture.on || texture.bitmap.isNull() || image.isNull())
        return;
    proc(image, texture.bitmap, texture.strength, texture.scale);
}

} // namespace pq
