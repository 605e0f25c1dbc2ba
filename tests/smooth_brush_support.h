#pragma once

// Random brushes for the smooth painting tests: rows empty, full, with holes
// and faint (alpha 9 or less) pixels inside and at the ends of a row.

#include "effects/painting/smooth_painting/match.h"
#include "platform/random.h"

#include <cstddef>
#include <cstdint>

namespace testbrush {

// With offCentre, some brushes have their rows start right of the centre.
inline pq::SmoothBrush RandomBrush(int size, platform::Random& rng, bool offCentre = false)
{
    pq::SmoothBrush brush;
    brush.size = size;
    brush.alpha.assign(size_t(size) * size_t(size), 0);
    const int half = size / 2;
    const int shift = offCentre && rng.random(3) == 0 ? rng.random(half + 1) : 0;
    for (int v = 0; v < size; ++v) {
        const int kind = rng.random(5);
        const int from = kind == 1 ? shift : shift + rng.random(size - shift);
        const int to = kind == 1 ? size - 1 : from + rng.random(size - from);
        for (int u = from; u <= to && kind != 0; ++u) {
            int a = 10 + rng.random(246);
            if (kind == 3 && rng.random(3) == 0)
                a = rng.random(10);
            if (kind == 4 && rng.random(4) == 0)
                a = 0;
            brush.alpha[size_t(v) * size_t(size) + size_t(u)] = uint8_t(a);
        }
    }
    for (int v = 0; v < size; ++v)
        for (int u = 0; u < size; ++u) {
            const uint8_t a = brush.alpha[size_t(v) * size_t(size) + size_t(u)];
            if (a > 9)
                brush.pixels.push_back({u - half, v - half, a});
        }
    return brush;
}

} // namespace testbrush
