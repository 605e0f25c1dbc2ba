#pragma once

#include "gfx/coverage_blend.h"

namespace gfx {

// Pixels xa..xb of one row of a disc (line is the row's pixels): each
// blended with `ink` at the coverage reach - distance of its centre, the
// distance from (x + 0.5 - cx, yc) to 0, as a byte.
using DiscRowFn = void (*)(Pixel* line, int xa, int xb, double cx, double yc, double reach, const cover::Ink& ink,
                           ShapeBlend blend);

// The disc rows this processor runs fastest (four pixels at a time with
// AVX2 where present); every version gives the same bytes.
DiscRowFn DiscRow();

} // namespace gfx
