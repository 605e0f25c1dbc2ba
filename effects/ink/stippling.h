#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 201 "Stippling": Atkinson error diffusion of the grey levels into
// pure black and white pixels. P1 darkening (threshold P1 / 255); P2..P5
// unused.
void Stippling(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                    bool preview);

} // namespace pq
