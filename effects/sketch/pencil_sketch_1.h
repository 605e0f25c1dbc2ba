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
void PencilSketch1(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                  bool preview);

} // namespace pq
