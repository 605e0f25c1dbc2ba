#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 501 "Cartoon": colours flattened by iterated edge-keeping
// smoothing, with their saturation and brightness raised, and dark ink
// lines along the photo's edges, thicker where the edge turns. P1
// smoothing, P2 edge detail, P3 edge darkness, P4 colour intensity (0: ink
// on white only), P5 edge thickness. With "Erase background" off, a full run
// keeps the current result wherever it is at least as close to the photo as
// the new colour, and adds the ink over it.
void Cartoon(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
