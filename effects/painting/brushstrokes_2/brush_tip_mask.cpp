#include "effects/painting/brushstrokes_2/brush_tip_mask.h"

#include "platform/numeric.h"

#include <cmath>

namespace pq {
namespace {

constexpr int kRadialSize = 32;
constexpr double kRadius = 16.0;

} // namespace

BrushTipMask LoadBrushAlphaMask(const gfx::Image& tip)
{
    BrushTipMask mask;
    if (tip.isNull() || tip.width() <= 0 || tip.height() <= 0) {
        mask.width = mask.height = kRadialSize;
        mask.alpha.assign(size_t(kRadialSize) * kRadialSize, 0);
        for (int y = 0; y < kRadialSize; ++y)
            for (int x = 0; x < kRadialSize; ++x) {
                const double d = std::sqrt(double((x - 16) * (x - 16) + (y - 16) * (y - 16)));
                if (d < kRadius)
                    mask.alpha[size_t(y) * kRadialSize + size_t(x)] =
                        uint8_t(platform::ClampByte(platform::Round((1.0 - d / kRadius) * 255.0)));
            }
        return mask;
    }
    mask.width = tip.width();
    mask.height = tip.height();
    mask.alpha.resize(size_t(mask.width) * size_t(mask.height));
    for (int y = 0; y < mask.height; ++y) {
        const gfx::Pixel* row = tip.row(y);
        for (int x = 0; x < mask.width; ++x)
            mask.alpha[size_t(y) * size_t(mask.width) + size_t(x)] = uint8_t(row[x] >> 24);
    }
    return mask;
}

} // namespace pq
