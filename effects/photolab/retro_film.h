#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 403 "Retro film": a faded film stock's colour matrix whose tint
// follows the warmth P2, then saturation P1 and contrast P3, grain P4 and a
// vignette P5. Values beyond 0..100 count as 0 or 100.
void RetroFilm(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pq
