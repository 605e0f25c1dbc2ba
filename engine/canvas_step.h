#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// The canvas step of the effects that honour "Erase background".
// Preview: clears Canvas to transparent when Source has any pixel with alpha
// below 255, else to opaque white (previews never start from the result).
// Full run: takes the option from the run's options (ReadEffectOptions at
// its start; the host's when none were taken) and ZIdImage in a synchronous
// UI call; with the
// option on, clears as a preview does; with it off, clears to transparent and
// copies the current result (the run's backgroundImage when set, else
// ZIdImage) at (0, 0) unscaled, so that the new paint lands on it.
// Raises EAbort when the UI is gone. Never inside a parallel body.
void PrepareCanvas(const gfx::Image& Source, gfx::Surface& Canvas, bool Preview);

} // namespace pq
