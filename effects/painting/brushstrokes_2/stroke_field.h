#pragma once

// The direction field that Brushstrokes 2's strokes follow.

#include "gfx/image.h"
#include "platform/random.h"

#include <cstdint>
#include <vector>

namespace pq {

struct StrokeField {
    int w = 0;
    int h = 0;
    std::vector<int> magnitude; // (|gx| + |gy|) / 32 of the strongest channel
    std::vector<float> angle;   // radians: along the edge, or at random where it is weak

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    size_t at(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }
};

// Weighted (3, 10, 3) gradients of each channel of the source pixels
// (row-major, w x h), the strongest channel per direction; the angle turns
// a quarter from the gradient where the magnitude is 5 or more, else it is
// drawn from `rng` in pixel order. Border entries stay 0. Progress 0..5
// every 64 rows (full run) and a cancellation point there.
StrokeField BuildStrokeField(const std::vector<gfx::Pixel>& pixels, int w, int h, platform::Random& rng,
                             bool preview);

} // namespace pq
