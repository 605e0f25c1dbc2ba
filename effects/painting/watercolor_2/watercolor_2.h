#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 301 "Watercolor 2": flat washes. Regions of similar colour grow
// ring by ring from random seed pixels and are filled with their mean
// colour, shifted a little at random and grained by the watercolour paper;
// what no region covers is filled from the lightly smoothed photo over the
// same paper. Brightness, dark edge accents and saturation finish it.
// P1 density, P2 region threshold, P3 brightness, P4 edge intensity, P5
// saturation. Honours "Erase background": with it off, the washes land on
// the current result, nothing else is filled, and the finishing touches
// only painted pixels. Pictures of 3 pixels or fewer on a side are left
// alone.
void Watercolor2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
