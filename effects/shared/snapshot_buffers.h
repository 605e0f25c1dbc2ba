#pragma once

// Snapshots of a surface shown often during a long run: each is a new
// image, but its pixels go into a buffer of an earlier snapshot once
// nothing holds that one any more, so a run does not allocate and
// fault in a fresh picture every time.

#include "gfx/image.h"
#include "gfx/surface.h"

#include <QImage>

#include <array>

namespace pq {

class SnapshotBuffers {
public:
    // A copy of the surface's pixels, like Surface::snapshot().
    gfx::Image take(const gfx::Surface& surface);

private:
    std::array<QImage, 2> buffers_;
};

} // namespace pq
