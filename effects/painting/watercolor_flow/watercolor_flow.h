#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 308 "Watercolor Flow": the photo reduced to a small palette of
// pigments laid out on a coarse grid of cells, with borders bent by noise,
// each pigment glazed onto warm paper, darker where two meet and lighter
// where the photo is nearly white, with optional dark contour lines
// grained by the watercolour paper. P1 wetness, P2 detail, P3 dilution, P4
// color, P5 contours, taken as given. No random numbers: one input always
// gives the same bytes, on any number of threads. Honours "Erase
// background" on full runs. Pictures under 8 pixels on a side are left
// alone; Dest is written only at the end.
void WatercolorFlow(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                    bool preview);

} // namespace pq
