#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 401, "Adjustments": an optional local-contrast pass ("structure",
// P4), then brightness (P1), contrast (P2) and saturation (P3) as one colour
// matrix, then a blur (P5 below 50) or a sharpening (P5 above 50).
void Adjustments(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview);

} // namespace pq
