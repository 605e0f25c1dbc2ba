#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 103 "Crosshatch": six layers of short, slightly bent pencil strokes
// multiplied onto white paper, each layer at its own angle to the local
// structure, tone threshold and spacing, with optional ink contours. P1
// density, P2 contours, P3 contrast, P4 stroke length, P5 line weight.
void Crosshatch(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
