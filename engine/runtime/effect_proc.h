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
using EffectProc = void (*)(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                             bool preview);

} // namespace pq
