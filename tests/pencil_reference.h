#pragma once

// Slow, step-by-step transcriptions of the three pencil sketches, pixel by
// pixel and draw by draw, for comparing the fast routines against. Each
// returns the premultiplied result.

#include "gfx/image.h"

#include <cstdint>

namespace pencilref {

// Effect 100 with the given pencil texture (null: none).
gfx::Image pencilSketch(const gfx::Image& src, int P1, int P2, int P3, int P4, int P5, const gfx::Image& texture);

// Effect 101 drawing from a generator seeded with `seed`.
gfx::Image pencil6(const gfx::Image& src, int P1, int P2, int P3, int P4, int P5, bool preview, uint32_t seed);

// Effect 102.
gfx::Image dynamicPencil(const gfx::Image& src, int P1, int P2, int P3, int P4, int P5);

} // namespace pencilref
