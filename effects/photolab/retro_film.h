#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 403 "Retro film": a faded film stock's colour matrix whose tint
// follows the warmth P2, then saturation P1 and contrast P3, grain P4 and a
// vignette P5. Values beyond 0..100 count as 0 or 100.
void RetroFilm(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
