#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 202 "Felt-tip pen": flat marker strokes in the photo's own colours
// multiplied onto paper (or, with "Erase background" off, onto the current
// result), following strong edges and stopping at edges and colour changes
// elsewhere; thin grey ink hatching along the strong edges; the picture cut
// to the source's alpha. P1 stroke density, P2 stroke opacity, P3 stroke
// length, P4 stroke width, P5 edge intensity. Draws from the run's generator.
void FeltTipPen(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                           bool preview);

} // namespace pq
