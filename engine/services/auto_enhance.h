#pragma once

#include "gfx/image.h"

namespace pq {

// One-step photo improvement: the tonal range stretched after clipping
// 0.2 % of the darkest and brightest pixels, a gentle S-curve that does not
// brighten bright photos on average, noise smoothed in blue sky, tones
// mapped with each pixel's hue kept, and a luminance unsharp mask. Alpha
// is kept, colours never exceed it; fully transparent pixels do not count
// in the tonal statistics. Returns a new image of the same size, or Image
// itself when it is empty or no result can be made (memory). Runs on the calling
// thread (rows on the shared pool); no progress, no cancellation.
gfx::Image AutoEnhanceImage(const gfx::Image& image);

} // namespace pq
