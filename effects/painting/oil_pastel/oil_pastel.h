#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 302 "Oil pastel": tinted pastel stamps from the run's brush sheet,
// largest first and shrinking over 1001 steps. Each step probes random
// points for the place where the canvas is furthest from the photo, tries a
// few cells at random angles there in the photo's colour and keeps the best
// when it brings the canvas close enough; stamps of 30 pixels and more get
// an impasto relief. P1 min brush size, P2 max brush size, P3 iterations,
// P4 quality, P5 opacity (each clamped to 0..100). Honours "Erase
// background". Seeds the run's generator from the clock's millisecond
// unless the run was given a seed.
void OilPastel(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

// The stamp sizes the sliders give, before "Erase background" off reduces
// them.
struct OilPastelSizes {
    int minSize = 0;
    int maxSize = 0;
};
OilPastelSizes OilPastelSizesFor(int p1, int p2);

} // namespace pq
