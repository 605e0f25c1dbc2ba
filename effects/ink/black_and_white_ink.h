#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 200 "Black & white": adaptive-threshold ink drawing with a line
// detector and optional majority smoothing. P1 level of details, P2
// lighten/darken, P3 simplification, P4 brightness offset (stays 0 from the
// interface), P5 unused.
void BlackAndWhiteInk(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                      bool Preview);

} // namespace pq
