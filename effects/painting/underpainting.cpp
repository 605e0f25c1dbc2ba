#include "effects/painting/underpainting.h"

#include "engine/runtime/effect_api.h"
#include "gfx/resample.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

constexpr int kCell = 40;
constexpr int kMinHalf = 10;

inline int Channel(gfx::Pixel p, int shift)
{
    return int((p >> shift) & 0xFF);
}

} // namespace

void Underpaint(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo, bool hasAlpha, const StrokeField& field,
                const BrushTipMask& mask, int opacitySlider, bool preview, platform::Random& rng)
{
    const int w = field.w, h = field.h;
    const bool half = w / 2 >= kMinHalf && h / 2 >= kMinHalf;
    const int uw = half ? w / 2 : w, uh = half ? h / 2 : h;
    gfx::Surface under = gfx::Surface::make(uw, uh);
    if (under.isNull())
        return;
    under.clearPixel(0xFFFFFFFFu);
    const qsizetype stride = under.stride() / qsizetype(sizeof(gfx::Pixel));
    gfx::Pixel* bits = under.row(0);
    auto photoAt = [&](int x, int y) {
        return photo[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))];
    };
    const int rows = uh / kCell;
    for (int gy = 0; gy <= rows; ++gy) {
        if (gy % 4 == 0) {
            CheckCancellation();
            if (!preview)
                SafeUpdateProgress(platform::Round(gy * 15.0 / (rows + 1)) + 5);
        }
        for (int gx = 0; gx <= uw / kCell; ++gx) {
            CheckCancellation();
            const int x0 = kCell * gx, y0 = kCell * gy;
            const int px = std::clamp((mask.width / 2 + x0) * 2, 0, w - 1);
            const int py = std::clamp((mask.height / 2 + y0) * 2, 0, h - 1);
            const float angle0 = field.angle[field.at(std::clamp(px, 1, w - 2), std::clamp(py, 1, h - 2))];
            float drift = float(rng.randomReal() * 0.005 - 0.0025);
            const int opacity = std::clamp(rng.random(opacitySlider / 10) + 15, 0, 255);
            const gfx::Pixel colour = photoAt(px, py);
            if (hasAlpha && (colour >> 24) == 0)
                continue;
            const int steps = rng.random((uw + uh) / 128) + rng.random(20) + 10;
            float angle = angle0;
            for (int s = 0; s <= steps; ++s) {
                const int sx = x0 + int(std::floor(s * std::cos(double(angle))));
                const int sy = y0 + int(std::floor(s * std::sin(double(angle))));
                if (rng.random(100) > 74)
                    drift = float(double(drift) + rng.randomReal() * 0.003 - 0.0015);
                angle += drift;
                for (int my = std::max(0, -sy); my < std::min(mask.height, uh - sy); ++my)
                    for (int mx = std::max(0, -sx); mx < std::min(mask.width, uw - sx); ++mx) {
                        const int a = mask.at(mx, my);
                        const int ux = sx + mx, uy = sy + my;
                        if (a == 0 || (hasAlpha && (photoAt(2 * ux, 2 * uy) >> 24) == 0))
                            continue;
                        const int jitter = rng.random(mx + my + 1) % 3 != 0 ? 15 : -rng.random(10);
                        gfx::Pixel& d = bits[uy * stride + ux];
                        gfx::Pixel out = 0xFF000000u;
                        for (int shift = 0; shift <= 16; shift += 8) {
                            const int dv = Channel(d, shift);
                            const int cv = platform::ClampByte(Channel(colour, shift) + jitter);
                            const int c1 = (dv * (255 - a) + cv * a) / 255;
                            out |= gfx::Pixel(((255 - opacity) * dv + opacity * c1) / 255) << shift;
                        }
                        d = out;
                    }
            }
        }
    }
    CheckCancellation();
    const gfx::Image stretched = gfx::Resize(under.snapshot(), w, h, gfx::Sampling::Linear);
    picture.writeImage(stretched, 0, 0);
    if (!preview)
        ShowIntermediateImage(picture.snapshot(), -1, Delivery::Queued);
}

} // namespace pq
