#include "engine/services/pixel_helpers.h"

#include "gfx/filters.h"

#include <algorithm>
#include <array>

namespace pq {

void SharpenSurface(const gfx::Image& source, gfx::Surface& surface, int amount, int, int, int, int)
{
    if (surface.isNull())
        return;
    const gfx::Image img = source.isNull() ? surface.snapshot() : source;
    if (img.isNull())
        return;
    const float a = float(std::clamp(amount, 0, 100)) / 100.0f;
    const std::array<float, 9> kernel{0, -a, 0, -a, 1 + 4 * a, -a, 0, -a, 0};
    const gfx::Image sharpened = gfx::Convolve3x3(img, kernel, 1.0f, 0.0f, false, gfx::EdgeMode::Clamp);
    if (sharpened.isNull())
        return;
    // Drawing onto the cleared surface copies the pixels; writing them
    // directly also works while the caller has a canvas open on it.
    surface.clearPixel(0);
    surface.writeImage(sharpened, 0, 0);
}

} // namespace pq
