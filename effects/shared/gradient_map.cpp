#include "effects/shared/gradient_map.h"

#include "gfx/luma.h"
#include "gfx/resample.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pq {

const GradientInfo& GradientMap::cellOf(int x, int y, int w, int h) const
{
    const int gx = std::clamp(int(int64_t(x) * width / std::max(w, 1)), 0, width - 1);
    const int gy = std::clamp(int(int64_t(y) * height / std::max(h, 1)), 0, height - 1);
    return at(gx, gy);
}

GradientMap BuildGradientMap(const gfx::Image& image, GradientTone tone)
{
    GradientMap map;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return map;
    const int wi = image.width(), hi = image.height();
    map.width = wi < 256 ? wi : 256;
    map.height = std::max(platform::Round(double(hi) * map.width / wi), 1);
    map.cells.assign(size_t(map.width) * size_t(map.height), GradientInfo());
    const gfx::Image small = gfx::ResizeMipmapped(image, map.width, map.height);
    if (small.isNull())
        return map;
    const int gw = map.width, gh = map.height;
    std::vector<int> grey(size_t(gw) * size_t(gh));
    for (int y = 0; y < gh; ++y) {
        const gfx::Pixel* row = small.row(y);
        for (int x = 0; x < gw; ++x) {
            const int r = int((row[x] >> 16) & 255);
            grey[size_t(y) * gw + x] =
                tone == GradientTone::Red ? r
                                          : gfx::Luma601Hundredths(r, int((row[x] >> 8) & 255), int(row[x] & 255));
        }
    }
    auto g = [&](int x, int y) { return grey[size_t(y) * gw + x]; };
    for (int y = 1; y <= gh - 2; ++y)
        for (int x = 1; x <= gw - 2; ++x) {
            const int gx = 2 * g(x + 1, y) + g(x + 1, y - 1) + g(x + 1, y + 1) - 2 * g(x - 1, y) - g(x - 1, y - 1) -
                           g(x - 1, y + 1);
            const int gy = 2 * g(x, y + 1) + g(x - 1, y + 1) + g(x + 1, y + 1) - 2 * g(x, y - 1) - g(x - 1, y - 1) -
                           g(x + 1, y - 1);
            GradientInfo& cell = map.cells[size_t(y) * gw + x];
            cell.magnitude = uint8_t(std::min(std::abs(gx) + std::abs(gy), 255));
            cell.angle = float(std::atan2(double(gy), double(gx)));
        }
    return map;
}

} // namespace pq
