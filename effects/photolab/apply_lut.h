#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 404, "LUTs": grades the picture through the chosen 3D table
// (the host's LUT choice) by tetrahedral interpolation, mixed with the
// source by P1 ("intensity"), then the finishing chain with brightness P2,
// contrast P3, blur/sharpen P4 and saturation P5 unless P2..P5 are all 50
// or all 0. Without a usable table the source is returned unchanged.
void ApplyLUT(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

} // namespace pq
