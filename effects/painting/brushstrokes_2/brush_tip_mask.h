#pragma once

// The soft brush tips of Brushstrokes 2 as alpha masks.

#include "gfx/image.h"

#include <cstdint>
#include <vector>

namespace pq {

struct BrushTipMask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> alpha; // row-major, width x height

    uint8_t at(int x, int y) const { return alpha[size_t(y) * size_t(width) + size_t(x)]; }
};

// The alpha of every pixel of a tip image; for a missing or empty image, a
// 32 x 32 radial tip: 255 at (16, 16) falling to 0 at distance 16.
BrushTipMask LoadBrushAlphaMask(const gfx::Image& tip);

} // namespace pq
