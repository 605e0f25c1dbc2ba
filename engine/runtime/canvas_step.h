#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// The canvas step of the effects that honour "Erase background".
// Preview: clears Canvas to transparent when Source has any pixel with alpha
// below 255, else to opaque white (previews never start from the result).
// Full run: takes the option as the run took it when it started (the
// host's when it took none) and resultImage in a synchronous UI call; with the
// option on, clears as a preview does; with it off, clears to transparent and
// copies the current result (the run's backgroundImage when set, else
// resultImage) at (0, 0) unscaled, so that the new paint lands on it.
// Raises EAbort when the UI is gone. Never inside a parallel body.
void PrepareCanvas(const gfx::Image& source, gfx::Surface& canvas, bool preview);

// The full-run half of the canvas step, for effects with their own clearing
// rule: "Erase background" (as the run took it) and, when it is off, the
// picture to paint over
// (the run's backgroundImage when set, else resultImage; null when neither).
// One synchronous UI call; raises EAbort when the UI is gone. Never inside a
// parallel body.
struct CanvasBackground {
    bool erase = true;
    gfx::Image under;
};
CanvasBackground ReadCanvasBackground();

} // namespace pq
