#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 400 "Orton filter": a blurred copy of the photo (sigma P1),
// brightened by P2, is screened over the photo and mixed in by P3 per cent;
// P4 raises saturation, P5 darkens (below 50) or lightens (above 50).
void OrtonFilter(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
