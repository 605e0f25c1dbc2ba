#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 402 "Vintage / Sepia": keeps P1 per cent of the colour, tones it
// sepia by P2 per cent, darkens the corners by P3, adds grain of strength P4
// (a position hash and the repository's old-film texture) and softens the
// photo first by P5. Values beyond 0..100 count as 0 or 100.
void VintageSepia(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                  bool preview);

} // namespace pq
