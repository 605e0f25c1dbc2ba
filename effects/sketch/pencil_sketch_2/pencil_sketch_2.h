#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 101 "Pencil Sketch 2": short straight pencil lines drawn one by one
// on a white sheet, each the best of a batch of random candidates that
// brings the sheet closer to the photo's grey, laid along the edges or at
// two hatching angles on flat ground; strong edges darkened at the end and
// the photo's colours optionally laid over. P1 min stroke size, P2 max
// stroke size, P3 number of strokes, P4 colour intensity, P5 quality. Draws
// from the run's generator.
void PencilSketch2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
