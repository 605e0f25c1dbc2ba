#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 303 "Watercolor splashes": 11 to 15 levels of shrinking stamps from
// the run's brush sheet, each turned along the photo's local edge (less the
// cell's own orientation, plus a small wobble) and tinted with the photo's
// colour. The two large first levels lay stamps on a jittered grid, the
// later ones at the worst of a few random points; a stamp is kept only when
// it brings the canvas closer to the photo, and stamps above 14 pixels get
// an impasto relief. P1 min brush size, P2 max brush size, P3 iterations
// (grid spacing), P4 quality, P5 opacity (each clamped to 0..100). Honours
// "Erase background".
void WatercolorSplashes(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview);

} // namespace pq
