#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 100 "Pencil Sketch 1": the picture turned by 30 degrees, every pixel
// shaded from the pencil texture (flat places) or darkened by its colour
// differences (edges) along the turned rows, then turned back. P1 edge
// threshold, P2 edge darkness, P3 brightness, P4 contrast, P5 colour
// intensity (the only value clamped, to 0..100). The run's generator is
// seeded with 1969, so the same picture and values give the same result.
void PencilSketch1(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                  bool Preview);

} // namespace pq
