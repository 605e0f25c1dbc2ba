#include "gfx/image_blend.h"

#include "gfx/blend.h"
#include "gfx/resample.h"
#include "gfx/surface.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>

namespace gfx {
namespace {

Pixel ScalePixel(Pixel p, float k)
{
    auto channel = [&](int shift) { return Pixel(std::nearbyint(float((p >> shift) & 255) * k)) << shift; };
    return channel(24) | channel(16) | channel(8) | channel(0);
}

} // namespace

Image BlendImages(const Image& base, const Image& other, float opacity, BlendMode mode)
{
    if (base.isNull())
        return {};
    if (other.isNull())
        return base;
    const Image layer = other.size() == base.size() ? other : Resize(other, base.width(), base.height());
    Surface out = Surface::fromImage(base);
    if (layer.isNull() || out.isNull())
        return {};
    const float k = std::isnan(opacity) ? 0.0f : std::clamp(opacity, 0.0f, 1.0f);
    platform::ParallelForRange(0, out.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const Pixel* s = layer.row(y);
            Pixel* d = out.row(y);
            for (int x = 0; x < out.width(); ++x) {
                const Pixel src = k < 1.0f ? ScalePixel(s[x], k) : s[x];
                if (src != 0)
                    d[x] = BlendPixel(d[x], src, mode);
            }
        }
    });
    return out.snapshot();
}

} // namespace gfx
