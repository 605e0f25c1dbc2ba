#pragma once

// Slow, step-by-step transcriptions of the crosshatch, the felt-tip pen, the
// comic print and the outline mask, pixel by pixel and draw by draw, for
// comparing the fast routines against. The effects return the Premultiplied
// result. Blurs, anti-aliased shapes and image draws come from the graphics
// layer, which has tests of its own.

#include "gfx/image.h"

#include <cstdint>
#include <vector>

namespace peninkref {

// The outline mask of the crosshatch (Width x Height bytes, 0 no ink).
std::vector<uint8_t> OutlineMask(const gfx::Image& src, int strength, int thickness);

// The contour mask of the comic print for its contour slider and cell size.
std::vector<uint8_t> ComicContourMask(const gfx::Image& src, int p5, int cell);

// Effect 103.
gfx::Image Crosshatch(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5);

// Effect 202 drawing from the shared generator seeded with `seed`. A full run
// with `erase` off starts from `previous` (transparent when it is null).
gfx::Image FeltTipPen(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5, bool preview, bool erase,
                      const gfx::Image& previous, uint32_t seed);

// Effect 203.
gfx::Image ComicPrint(const gfx::Image& src, int p1, int p2, int p3, int p4, int p5);

} // namespace peninkref
