#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 201 "Stippling": Atkinson error diffusion of the grey levels into
// pure black and white pixels. P1 darkening (threshold P1 / 255); P2..P5
// unused.
void Stippling(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                    bool Preview);

} // namespace pq
