#include "effects/shared/snapshot_buffers.h"

#include "platform/thread_pool.h"

#include <atomic>
#include <cstring>

namespace pq {

gfx::Image SnapshotBuffers::take(const gfx::Surface& surface)
{
    if (surface.isNull())
        return {};
    for (QImage& buffer : buffers_) {
        // A buffer only this object still references: every image made
        // from it is gone.
        if (buffer.isNull() || !buffer.isDetached() || buffer.size() != surface.size() ||
            buffer.format() != surface.qimage().format())
            continue;
        std::atomic_thread_fence(std::memory_order_acquire);
        uchar* const bits = buffer.bits();
        const qsizetype stride = buffer.bytesPerLine();
        const size_t rowBytes = size_t(surface.width()) * sizeof(gfx::Pixel);
        platform::ParallelForRange(0, surface.height(), 64, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                std::memcpy(bits + stride * y, surface.row(y), rowBytes);
        });
        return gfx::Image::adopt(buffer);
    }
    gfx::Image shot = surface.snapshot();
    for (QImage& buffer : buffers_)
        if (buffer.isNull() || buffer.size() != surface.size()) {
            buffer = shot.qimage();
            break;
        }
    return shot;
}

} // namespace pq
