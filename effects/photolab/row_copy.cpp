#include "effects/photolab/row_copy.h"

#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstring>

namespace pq {

gfx::Image SnapshotRows(const gfx::Surface& surface)
{
    if (surface.isNull())
        return {};
    QImage copy = gfx::NewPixelImage(surface.size());
    if (copy.isNull())
        return {};
    const size_t bytes = size_t(surface.width()) * sizeof(gfx::Pixel);
    uchar* const base = copy.bits();
    const qsizetype stride = copy.bytesPerLine();
    platform::ParallelForRange(0, surface.height(), 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(base + stride * y, surface.row(y), bytes);
    });
    return gfx::Image::adopt(std::move(copy));
}

void WriteRows(gfx::Surface& surface, const gfx::Image& image)
{
    if (surface.isNull() || image.isNull())
        return;
    const int w = std::min(surface.width(), image.width());
    const int h = std::min(surface.height(), image.height());
    uchar* const base = surface.bits();
    const qsizetype stride = surface.stride();
    platform::ParallelForRange(0, h, 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(base + stride * y, image.row(y), size_t(w) * sizeof(gfx::Pixel));
    });
}

} // namespace pq
