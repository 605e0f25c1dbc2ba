#include "effects/photolab/photolab_pixels.h"

#include <cstring>

namespace pq::photolab {

void copyInto(const gfx::Image& Image, gfx::Surface& Dest)
{
    Dest.clearPixel(0);
    if (Image.isNull())
        return;
    const int w = std::min(Image.width(), Dest.width());
    const int h = std::min(Image.height(), Dest.height());
    for (int y = 0; y < h; ++y)
        std::memcpy(Dest.row(y), Image.row(y), size_t(std::max(w, 0)) * sizeof(gfx::Pixel));
}

} // namespace pq::photolab
