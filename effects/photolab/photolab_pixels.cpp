#include "effects/photolab/photolab_pixels.h"

#include <cstring>

namespace pq::photolab {

void CopyInto(const gfx::Image& image, gfx::Surface& dest)
{
    dest.clearPixel(0);
    if (image.isNull())
        return;
    const int w = std::min(image.width(), dest.width());
    const int h = std::min(image.height(), dest.height());
    for (int y = 0; y < h; ++y)
        std::memcpy(dest.row(y), image.row(y), size_t(std::max(w, 0)) * sizeof(gfx::Pixel));
}

} // namespace pq::photolab
