#pragma once

#include "gfx/image.h"

#include <cstdint>

namespace bench {

// A deterministic photo-like test image: a sky gradient with a soft sun,
// hills with a hard horizon, textured ground, coloured discs and rotated
// boxes with sharp edges, a striped and a fine checkered patch, and pixel
// noise. Opaque. The same seed always gives the same pixels.
gfx::Image MakeSyntheticPhoto(int width, int height, uint32_t seed = 1);

// 4000 x 3000 (12 megapixels), made once and shared.
const gfx::Image& SyntheticPhoto12Mp();

} // namespace bench
