#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 400 "Orton filter": a blurred copy of the photo (sigma P1),
// brightened by P2, is screened over the photo and mixed in by P3 per cent;
// P4 raises saturation, P5 darkens (below 50) or lightens (above 50).
void OrtonFilter(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pq
