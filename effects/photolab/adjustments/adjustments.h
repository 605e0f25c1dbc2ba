#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 401, "Adjustments": an optional local-contrast pass ("structure",
// P4), then brightness (P1), contrast (P2) and saturation (P3) as one colour
// matrix, then a blur (P5 below 50) or a sharpening (P5 above 50).
void Adjustments(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                       bool preview);

} // namespace pq
