#pragma once

// Pencil-like edge strokes of a photo: short dark strokes along the edges a
// Sobel operator finds, on a white layer (transparent for sources with any
// non-opaque pixel).

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Clears Dest to transparent and draws the stroke layer of Source onto it
// at (0, 0). Threshold is the least edge magnitude, Darkness (0..255) how
// dark strokes get, Length their length and strength. Sources narrower or
// shorter than 3 pixels leave Dest transparent.
void SobelEffectSource(const gfx::Image& source, gfx::Surface& dest, int threshold, int darkness, int length);

// Multiplies the stroke layer of Source over Dest at OpacityPercent
// (clamped to 0..100). Nothing happens for an empty source or a null Dest.
void OverlaySobelEdges(const gfx::Image& source, gfx::Surface& dest, int threshold, int darkness, int length,
                       int opacityPercent);

} // namespace pq
