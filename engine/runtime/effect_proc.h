#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// The one signature of every effect routine. The routine reads Source, paints
// its whole result into Dest (a fresh, fully transparent surface of the
// source's size, or of the preview window's size) and returns. P1..P5 are the
// slider values, nominally 0..100; scripts pass them as written, so each
// routine clamps and rescales its own values. Preview tells a preview run
// (a window of the source, shown in the preview pane) from a full run.
using EffectProc = void (*)(const gfx::Image& Source, gfx::Surface& Dest, int P1, int P2, int P3, int P4, int P5,
                             bool Preview);

} // namespace pq
