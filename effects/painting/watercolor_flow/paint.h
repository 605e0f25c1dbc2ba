#pragma once

// Laying the pigments of Watercolor Flow: every paintable pixel picks one
// or two palette pigments at a position bent by noise, and small islands
// of one pigment are absorbed by their neighbours.

#include "effects/painting/watercolor_flow/planes.h"
#include "effects/painting/watercolor_flow/settings.h"

namespace pq::flow {

// Fills the pigment, density, margin and index planes. Rows in parallel,
// in blocks of 64 with a cancellation point (and, on a full run, progress
// 20..72) before each.
void LayPigments(FlowPlanes& planes, const FlowGrid& grid, const Palette& palette, const FlowSettings& s,
                 bool preview);

// Regions of one pigment of at most `maxSize` pixels (4-connected, found
// in pixel order) take the pigment that borders them most, when the two
// lie within 0.55 of each other. Serial: the result depends on the order.
void AbsorbIslands(FlowPlanes& planes, const Palette& palette, int64_t maxSize);

} // namespace pq::flow
