#include "gfx/blend.h"

#include "platform/thread_pool.h"

#include <algorithm>

namespace gfx {
namespace {

inline uint32_t Div255(uint32_t v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

} // namespace

void CompositeLayer(Surface& dst, const Image& layer, int opacity)
{
    opacity = std::clamp(opacity, 0, 255);
    if (dst.isNull() || layer.isNull() || layer.size() != dst.size() || opacity == 0)
        return;
    const int w = dst.width();
    uchar* bits = dst.bits();
    const qsizetype stride = dst.stride();
    const uint32_t k = uint32_t(opacity);
    platform::ParallelForRange(0, dst.height(), 16, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const Pixel* in = layer.row(y);
            auto* out = reinterpret_cast<Pixel*>(bits + y * stride);
            for (int x = 0; x < w; ++x) {
                const Pixel s = in[x];
                if (s == 0)
                    continue;
                // Every channel faded alike keeps the colour within its alpha.
                const uint32_t sa = Div255((s >> 24) * k), sr = Div255(((s >> 16) & 255) * k),
                               sg = Div255(((s >> 8) & 255) * k), sb = Div255((s & 255) * k);
                const Pixel d = out[x];
                const uint32_t inv = 255 - sa;
                const uint32_t a = sa + Div255((d >> 24) * inv), r = sr + Div255(((d >> 16) & 255) * inv),
                               g = sg + Div255(((d >> 8) & 255) * inv), b = sb + Div255((d & 255) * inv);
                out[x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
    });
}

} // namespace gfx
