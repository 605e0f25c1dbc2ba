#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 305 "Brushstrokes 2": a brush painting in three soft tips whose
// strokes follow the photo's edges. From blank paper a faint half-size
// underpainting comes first; then 501 passes of strokes, mostly where the
// picture is furthest from the photo, and with smaller tips later; from
// pass 15 (from the start when painting over a picture) a stroke stays
// only when it brings the picture closer to the photo. Sharpening and a
// saturation change finish it. P1 brush size, P2 iterations (0..100), P3
// abstraction, P4 saturation, P5 opacity. Honours "Erase background";
// draws from the run's generator. Pictures of 9 pixels or fewer on a side
// are left alone.
void Brushstrokes2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                   bool preview);

} // namespace pq
