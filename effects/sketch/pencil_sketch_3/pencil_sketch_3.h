#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 102 "Pencil Sketch 3": thousands of wandering pencil strokes that
// start at dark places, follow the edges (or hatch flat ground at four
// angles), turn toward darker neighbours and fade as their pressure decays.
// P1 iterations, P2 stroke length, P3 blending, P4 contrast (local contrast
// boost first), P5 colour intensity. Each value becomes Round(P * 2.55),
// limited to 0..255. Uses a generator of its own seeded $9E3779B1, so the
// same picture and values give the same result; keeps the source's alpha.
void PencilSketch3(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                   bool preview);

} // namespace pq
