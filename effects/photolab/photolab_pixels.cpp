#include "effects/photolab/photolab_pixels.h"

#include "platform/thread_pool.h"

#include <cstring>

namespace pq::photolab {

void CopyInto(const gfx::Image& image, gfx::Surface& dest)
{
    // Rows the image covers whole need no clearing first.
    if (image.isNull() || image.width() < dest.width() || image.height() < dest.height())
        dest.clearPixel(0);
    if (image.isNull())
        return;
    const int w = std::min(image.width(), dest.width());
    const int h = std::min(image.height(), dest.height());
    uint8_t* const bits = dest.bits();
    const qsizetype stride = dest.stride();
    platform::ParallelForRange(0, h, 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(bits + stride * y, image.row(y), size_t(std::max(w, 0)) * sizeof(gfx::Pixel));
    });
}

} // namespace pq::photolab
