#pragma once

// Slow, step-by-step transcriptions of the three pencil sketches, pixel by
// pixel and draw by draw, for comparing the fast routines against. Each
// returns the premultiplied result.

#include "gfx/image.h"

#include <cstdint>

namespace pencilref {

// Effect 100 with the given pencil texture (null: none).
gfx::Image PencilSketch1(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, const gfx::Image& texture);

// Effect 101 drawing from a generator seeded with `seed`.
gfx::Image PencilSketch2(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview, uint32_t seed);

// Effect 102.
gfx::Image PencilSketch3(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5);

} // namespace pencilref
