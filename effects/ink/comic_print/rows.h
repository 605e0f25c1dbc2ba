#pragma once

#include "gfx/image.h"

#include <cstddef>
#include <cstdint>

namespace pq::comic {

// One row of boosted colours split into ink bytes: C, M, Y (with partial
// under-colour removal u) and K, written at inks, inks + plane,
// inks + 2 plane and inks + 3 plane. k is the colour intensity (1 leaves
// the inks as they are). Transparent pixels give no ink.
void SeparateRow(const gfx::Pixel* src, int width, double k, float u, uint8_t* inks, size_t plane);

// The same, one pixel at a time with early exits, as a reference for
// SeparateRow.
void SeparatePixels(const gfx::Pixel* src, int width, double k, float u, uint8_t* inks, size_t plane);

// An opaque layer row multiplied onto an opaque paper row: every channel
// becomes paper x layer / 255 (white layer pixels leave the paper alone).
void MultiplyRow(gfx::Pixel* paper, const gfx::Pixel* layer, int width);

// Contours darken a row: each channel scaled by (255 - mask) / 255 where
// the mask is set and the alpha is not 0.
void DarkenRow(gfx::Pixel* row, const uint8_t* mask, const uint8_t* alpha, int width);

} // namespace pq::comic
