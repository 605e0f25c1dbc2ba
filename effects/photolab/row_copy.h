#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Whole-picture copies with the rows spread over the thread pool, into
// memory that faults in quickly: on a 12-megapixel picture a plain copy is
// a good part of a fast filter's time.

// The surface's pixels as a new image; null when memory runs out.
gfx::Image SnapshotRows(const gfx::Surface& surface);

// Writes the image into the surface at (0, 0), clipped to both.
void WriteRows(gfx::Surface& surface, const gfx::Image& image);

} // namespace pq
