#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 203 "Comic Print": a four-colour halftone print. Boosted colours are
// separated into cyan, magenta, yellow and black, each printed as round dots
// on its own rotated screen and multiplied onto white paper, with optional
// black contours. P1 dot spacing, P2 min dot size, P3 max dot size, P4 color
// intensity, P5 contours.
void ComicPrint(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview);

} // namespace pq
