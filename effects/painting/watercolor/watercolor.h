#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 300 "Watercolor": translucent star-shaped colour patches grown
// from seed pixels until the photo's colour changes, large washes first and
// details last, then edge-keeping smoothing, a vibrance lift, pencil-like
// edge strokes and sharpening. P1 iterations, P2 brush complexity, P3 brush
// size, P4 opacity, P5 edge intensity. Honours "Erase background": with it
// off, the current result is the canvas and a patch is kept only where it
// brings that result closer to the photo.
void Watercolor(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview);

} // namespace pq
