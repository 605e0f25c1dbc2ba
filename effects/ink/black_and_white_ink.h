#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 200 "Black & white": adaptive-threshold ink drawing with a line
// detector and optional majority smoothing. P1 level of details, P2
// lighten/darken, P3 simplification, P4 brightness offset (stays 0 from the
// interface), P5 unused.
void BlackAndWhiteInk(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                      bool preview);

} // namespace pq
