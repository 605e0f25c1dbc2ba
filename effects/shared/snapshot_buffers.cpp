#include "effects/shared/snapshot_buffers.h"

namespace pq {

gfx::Image SnapshotBuffers::take(const gfx::Surface& surface)
{
    return surface.snapshotReusing(buffers_);
}

} // namespace pq
