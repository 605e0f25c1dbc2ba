#pragma once

// Summed-area table of R, G, B and their squares over a picture, for the
// colour spread of any box in four reads. Entries are 32-bit where every
// box the run asks about is small enough for its sums to fit: the table
// then wraps around, and a box's difference of four entries is still its
// exact sum. Larger boxes need the 64-bit table, twice the memory.

#include "effects/stylize/plane.h"
#include "effects/stylize/space_filling/placement_context.h"
#include "gfx/image.h"

#include <cstdint>

namespace pq::stylize {

class ColorSat {
public:
    // The largest box, in pixels, whose sums of squares stay below 2^32
    // (255^2 per pixel): up to it the 32-bit table is exact.
    static constexpr int64_t kNarrowBoxPixels = 66051;

    // Tables over the w x h picture of `rows`; `wide` keeps 64-bit entries.
    ColorSat(const gfx::Pixel* const* rows, int w, int h, bool wide);

    bool wide() const { return wide_; }

    // Sums over the inclusive box x1..x2, y1..y2 (at most kNarrowBoxPixels
    // pixels unless wide).
    ColorSums get(int x1, int y1, int x2, int y2) const
    {
        const int64_t s = stride_;
        const int64_t ia = (y2 + 1) * s + x2 + 1, ib = y1 * s + x1, ic = y1 * s + x2 + 1, id = (y2 + 1) * s + x1;
        if (wide_) {
            const ColorSums &a = wideSums_[size_t(ia)], &b = wideSums_[size_t(ib)], &c = wideSums_[size_t(ic)],
                            &d = wideSums_[size_t(id)];
            return {a.r + b.r - c.r - d.r,     a.g + b.g - c.g - d.g,     a.b + b.b - c.b - d.b,
                    a.r2 + b.r2 - c.r2 - d.r2, a.g2 + b.g2 - c.g2 - d.g2, a.b2 + b.b2 - c.b2 - d.b2};
        }
        const uint32_t *a = narrow_.data() + 6 * ia, *b = narrow_.data() + 6 * ib, *c = narrow_.data() + 6 * ic,
                       *d = narrow_.data() + 6 * id;
        auto box = [&](int k) { return int64_t(uint32_t(a[k] + b[k] - c[k] - d[k])); };
        return {box(0), box(1), box(2), box(3), box(4), box(5)};
    }

private:
    void buildWide(const gfx::Pixel* const* rows, int w, int h);
    void buildNarrow(const gfx::Pixel* const* rows, int w, int h);

    bool wide_;
    int64_t stride_;
    Plane<ColorSums> wideSums_;
    // Six words an entry: R, G, B, R^2, G^2, B^2.
    Plane<uint32_t> narrow_;
};

} // namespace pq::stylize
