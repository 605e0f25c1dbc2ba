#pragma once

// Glazing the pigments of Watercolor Flow onto the paper, the contour
// lines along the photo's edges, and the output pixels.

#include "effects/painting/watercolor_flow/planes.h"
#include "effects/painting/watercolor_flow/settings.h"
#include "engine/repository/watercolor_paper.h"
#include "gfx/surface.h"

namespace pq::flow {

// Multiplies the paper by every painted pixel's pigment raised to its
// density: darker where pigments compete, lighter on white paper. Rows in
// parallel, a cancellation point every 128 rows.
void Glaze(FlowPlanes& planes, const FlowSettings& s);

// Dark lines along the edge plane, jittered by noise and grained by the
// paper. Nothing when the line strength is 0.005 or less. Rows in
// parallel.
void DrawContours(FlowPlanes& planes, const FlowSettings& s, const WatercolorTextureSamples* paper);

// The paper as the output: from blank paper, every pixel takes the source
// alpha with the paper premultiplied by it (clear where the source is
// below 128 and has transparency); painting over a picture, its solid
// pixels take the paper as colour (at most their alpha) and the rest stay.
void WriteOutput(const FlowPlanes& planes, gfx::Surface& canvas);

} // namespace pq::flow
